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

// The eight pixels of one strip byte, leftmost (most significant) first;
// rows holds them followed by a line feed, sixteen bytes in all, for a row
// written in one store.
struct PixelTable {
  char pixels[256][8];
  alignas(16) char rows[256][16];
};

constexpr PixelTable make_pixel_table() {
  PixelTable t{};
  for (int byte = 0; byte < 256; ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      t.pixels[byte][bit] = t.rows[byte][bit] = (byte & (0x80 >> bit)) != 0 ? '#' : '-';
    }
    t.rows[byte][8] = '\n';
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

// Turns n strip bytes into 8n characters, '#' for a set bit, the most
// significant bit first.
inline void expand(const uint8_t* bytes, uint32_t n, char* out) {
  uint32_t i = 0;
  // Four at a time, two table entries joined into one 16-byte store: the
  // loads and stores of one pass are independent, and stores are what
  // rendering costs most.
  for (; i + 4 <= n; i += 4, out += 32) {
    uint64_t a[2], b[2];
    std::memcpy(&a[0], kPixelTable.pixels[bytes[i]], 8);
    std::memcpy(&a[1], kPixelTable.pixels[bytes[i + 1]], 8);
    std::memcpy(&b[0], kPixelTable.pixels[bytes[i + 2]], 8);
    std::memcpy(&b[1], kPixelTable.pixels[bytes[i + 3]], 8);
    std::memcpy(out, a, 16);
    std::memcpy(out + 16, b, 16);
  }
  for (; i < n; ++i, out += 8) std::memcpy(out, kPixelTable.pixels[bytes[i]], 8);
}

}  // namespace

namespace {

// The columns of one row that lie inside it, from byte on; ahead, when not
// 0, is how far on the same columns of a later row lie. Eight columns at a
// time: the byte that holds columns x..x+7 is put together from two strip
// bytes shifted by the glyph's bit alignment, a chunk at a time. While
// eight whole columns remain inside the row, the second byte an unaligned
// group reaches into lies inside the row too; the last columns reach into
// the next byte only when they cross it. The glyph's columns are copied to
// locals: stores through out may alias any object, and would otherwise make
// the compiler read them again each time.
char* render_lit(const uint8_t* byte, const GlyphColumns& g, size_t ahead, char* out) {
  const uint32_t shift = g.shift, groups = g.groups, tail = g.tail;
  if (ahead > 0 && groups > 0) prefetch(byte + ahead);
  if (shift == 0) {
    expand(byte, groups, out);
  } else {
    uint8_t aligned[64];
    for (uint32_t i = 0; i < groups; i += sizeof aligned) {
      const uint32_t n = groups - i < sizeof aligned ? groups - i : static_cast<uint32_t>(sizeof aligned);
      for (uint32_t k = 0; k < n; ++k) {
        aligned[k] = static_cast<uint8_t>(byte[i + k] << shift | byte[i + k + 1] >> (8 - shift));
      }
      expand(aligned, n, out + 8 * i);
    }
  }
  out += 8 * groups;
  if (tail > 0) {
    const uint8_t* last = byte + groups;
    unsigned bits = static_cast<unsigned>(last[0]) << shift;
    if (shift + tail > 8) bits |= last[1] >> (8 - shift);
    std::memcpy(out, kPixelTable.pixels[bits & 0xFF], tail);
    out += tail;
  }
  return out;
}

}  // namespace

// A narrow glyph takes a few bytes from each row, one row after another
// far apart in the strip: too far for the hardware to guess the next, so
// the rows some way ahead are asked for early. About the same amount of
// work lies between the request and the use, whatever the glyph's width.
namespace {

// A glyph of at most eight columns, all inside the row: each row is one
// 16-byte copy of its pixels and a line feed, the line feed then put after
// the glyph's last column; the next row overwrites what lies beyond. This
// is most of the work for narrow glyphs, whose rows are a byte or two.
char* render_narrow(const uint8_t* byte, size_t row_bytes, int rows, uint32_t shift, uint32_t columns, char* out) {
  if (shift == 0 && columns == 8) {
    // A whole byte: the table's line feed already stands where it belongs.
    // The rows lie far apart: those some way ahead are asked for early.
    const int ahead = 24;
    int r = 0;
    for (; r + ahead < rows; ++r, byte += row_bytes, out += 9) {
      prefetch(byte + row_bytes * ahead);
      std::memcpy(out, kPixelTable.rows[*byte], 16);
    }
    for (; r < rows; ++r, byte += row_bytes, out += 9) std::memcpy(out, kPixelTable.rows[*byte], 16);
    return out;
  }
  const bool second = shift + columns > 8;  // the columns reach into the next byte
  for (int r = 0; r < rows; ++r, byte += row_bytes) {
    unsigned bits = static_cast<unsigned>(byte[0]) << shift;
    if (second) bits |= byte[1] >> (8 - shift);
    std::memcpy(out, kPixelTable.rows[bits & 0xFF], 16);
    out[columns] = '\n';
    out += columns + 1;
  }
  return out;
}

}  // namespace

char* render_rows(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& columns, char* out) {
  const GlyphColumns g = columns;
  const uint32_t lit_columns = g.groups * 8 + g.tail;
  if (g.clear == 0 && lit_columns > 0 && lit_columns <= 8) {
    return render_narrow(row + g.firstByte, row_bytes, rows, g.shift, lit_columns, out);
  }
  const int ahead = g.groups < 8 ? 24 : g.groups < 192 ? static_cast<int>(192 / g.groups) : 1;
  // A glyph wholly past the row's end reads nothing; its rows may not exist.
  const bool lit = g.groups > 0 || g.tail > 0;
  const uint32_t clear = g.clear;
  // A strip of no bytes is no pointer at all: it is offset only when read.
  if (lit) row += g.firstByte;
  for (int r = 0; r < rows; ++r, row += row_bytes) {
    if (lit) out = render_lit(row, g, r + ahead < rows ? row_bytes * ahead : 0, out);
    if (clear > 0) {
      std::memset(out, '-', clear);
      out += clear;
    }
    *out++ = '\n';
  }
  return out;
}
