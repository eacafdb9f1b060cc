#include "text/glyph_render.h"

#include <cstring>

namespace {

// A hint to load memory ahead of its use, where the compiler has one.
inline void prefetch(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

// The eight pixels of one strip byte, leftmost (most significant) first.
struct PixelTable {
  char pixels[256][8];
};

constexpr PixelTable make_pixel_table() {
  PixelTable t{};
  for (int byte = 0; byte < 256; ++byte) {
    for (int bit = 0; bit < 8; ++bit) t.pixels[byte][bit] = (byte & (0x80 >> bit)) != 0 ? '#' : '-';
  }
  return t;
}

constexpr PixelTable kPixelTable = make_pixel_table();

}  // namespace

GlyphColumns place_glyph(uint32_t row_bits, uint32_t start, uint32_t width) {
  const uint32_t end = start + width;
  const uint32_t lit_end = end < row_bits ? end : row_bits;  // columns past the row are clear
  const uint32_t lit = start < lit_end ? lit_end - start : 0;
  return GlyphColumns{start >> 3, start & 7, lit / 8, lit % 8, width - lit};
}

namespace {

// The columns of one row that lie inside it, from byte on; ahead, when not
// 0, is how far on the same columns of a later row lie. Eight columns at a
// time: the byte that holds columns x..x+7 is put together from two strip
// bytes shifted by the glyph's bit alignment. While eight whole columns
// remain inside the row, the second byte an unaligned group reaches into
// lies inside the row too; the last columns reach into the next byte only
// when they cross it.
char* render_lit(const uint8_t* byte, const GlyphColumns& g, size_t ahead, char* out) {
  const uint32_t shift = g.shift;
  if (ahead > 0 && g.groups > 0) prefetch(byte + ahead);
  if (shift == 0) {
    for (uint32_t i = 0; i < g.groups; ++i, out += 8) std::memcpy(out, kPixelTable.pixels[byte[i]], 8);
  } else {
    for (uint32_t i = 0; i < g.groups; ++i, out += 8) {
      const unsigned bits = (byte[i] << shift | byte[i + 1] >> (8 - shift)) & 0xFF;
      std::memcpy(out, kPixelTable.pixels[bits], 8);
    }
  }
  if (g.tail > 0) {
    const uint8_t* last = byte + g.groups;
    unsigned bits = static_cast<unsigned>(last[0]) << shift;
    if (shift + g.tail > 8) bits |= last[1] >> (8 - shift);
    std::memcpy(out, kPixelTable.pixels[bits & 0xFF], g.tail);
    out += g.tail;
  }
  return out;
}

}  // namespace

// A narrow glyph takes a few bytes from each row, one row after another
// far apart in the strip: too far for the hardware to guess the next, so
// the rows some way ahead are asked for early. About the same amount of
// work lies between the request and the use, whatever the glyph's width.
char* render_rows(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& g, char* out) {
  const int ahead = g.groups < 8 ? 24 : g.groups < 192 ? static_cast<int>(192 / g.groups) : 1;
  // A glyph wholly past the row's end reads nothing; its rows may not exist.
  const bool lit = g.groups > 0 || g.tail > 0;
  for (int r = 0; r < rows; ++r, row += row_bytes) {
    if (lit) out = render_lit(row + g.firstByte, g, r + ahead < rows ? row_bytes * ahead : 0, out);
    if (g.clear > 0) {
      std::memset(out, '-', g.clear);
      out += g.clear;
    }
    *out++ = '\n';
  }
  return out;
}
