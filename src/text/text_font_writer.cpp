// The text font description: a metrics block, then one block per glyph with
// its name, optional WIDTH and OFFSET lines and its pixel rows.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "text/text_font.h"

const char kErrOutputWrite[] = "Could not write output file.";

namespace {

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

// Eight columns at a time: the byte that holds columns x..x+7 is put
// together from two strip bytes, shifted by the glyph's bit alignment, which
// is the same for the whole row.
void render_row(const uint8_t* row, uint32_t row_bits, uint32_t start, uint32_t width, char* out) {
  const uint32_t end = start + width;
  const uint32_t lit_end = end < row_bits ? end : row_bits;  // columns past the row are clear
  uint32_t x = start;
  if (x < lit_end) {
    const uint32_t shift = start & 7;
    const uint8_t* byte = row + (start >> 3);
    // While eight whole columns remain inside the row, the second byte that
    // an unaligned group reaches into lies inside the row too.
    for (; lit_end - x >= 8; x += 8, out += 8, ++byte) {
      const unsigned bits = shift == 0 ? byte[0] : (byte[0] << shift | byte[1] >> (8 - shift)) & 0xFF;
      std::memcpy(out, kPixelTable.pixels[bits], 8);
    }
    if (x < lit_end) {
      const uint32_t n = lit_end - x;
      // The last columns reach into the next byte only when they cross it.
      unsigned bits = static_cast<unsigned>(byte[0]) << shift;
      if (shift + n > 8) bits |= byte[1] >> (8 - shift);
      std::memcpy(out, kPixelTable.pixels[bits & 0xFF], n);
      out += n;
      x = lit_end;
    }
  }
  if (x < end) std::memset(out, '-', end - x);
}

namespace {

// The text collects in blocks that go to the file with one write each. A
// block holds more than the widest row (65535 columns and a line feed).
constexpr size_t kBlockBytes = 256 * 1024;

struct TextBlock {
  int fd;
  bool failed;  // a write failed; nothing more is written
  size_t used;
  char bytes[kBlockBytes];
};

void flush(TextBlock* b) {
  const char* p = b->bytes;
  size_t left = b->failed ? 0 : b->used;
  while (left > 0) {
    const ssize_t n = write(b->fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      b->failed = true;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  b->used = 0;
}

// Room for n more bytes (n <= kBlockBytes), flushing first when needed.
char* reserve(TextBlock* b, size_t n) {
  if (kBlockBytes - b->used < n) flush(b);
  return b->bytes + b->used;
}

// One line with one number in it; every such line fits in 32 bytes.
void put_line(TextBlock* b, const char* format, int value) {
  const int n = std::snprintf(reserve(b, 32), 32, format, value);
  b->used += static_cast<size_t>(n);
}

// fontType as it stands; the other eight scaled to the density.
void write_metrics(TextBlock* b, const FontHeader& h, int scale) {
  const int n = std::snprintf(reserve(b, 256), 256,
                              "fontType %u\nmaxWidth %d\nkernMax %d\nnDescent %d\nfRectWidth %d\n"
                              "fRectHeight %d\nascent %d\ndescent %d\nleading %d\n\n",
                              static_cast<unsigned>(static_cast<uint16_t>(h.fontType)), h.maxWidth * scale,
                              h.kernMax * scale, h.nDescent * scale, h.fRectWidth * scale, h.fRectHeight * scale,
                              h.ascent * scale, h.descent * scale, h.leading * scale);
  b->used += static_cast<size_t>(n);
}

// Printable ASCII is named by the character itself, except the apostrophe
// and the backslash, which would need escaping; everything else by number.
// The missing-character glyph is named -1.
void write_name(TextBlock* b, int code) {
  const bool by_character = code >= 33 && code <= 126 && code != '\'' && code != '\\';
  put_line(b, by_character ? "GLYPH '%c'\n" : "GLYPH %d\n", code);
}

// index is the glyph's place in both tables: its code, or lastChar + 1 for
// the missing-character glyph, whose name is -1. The tables hold 72 dpi
// columns and widths; at a higher density each is scaled, and whether a
// WIDTH line is written is decided at 72 dpi.
void write_glyph(TextBlock* b, const FontImage& image, int density, int index, int name) {
  const uint32_t scale = static_cast<uint32_t>(density_scale(density));
  const uint32_t start = image.locations[index];
  const uint32_t end = image.locations[index + 1];
  const OffsetWidth ow = image.offsetWidths[index];
  write_name(b, name);
  if (ow.width != static_cast<int64_t>(end - start)) put_line(b, "WIDTH %d\n", ow.width * static_cast<int>(scale));
  if (ow.offset != 0) put_line(b, "OFFSET %d\n", ow.offset * static_cast<int>(scale));
  const uint32_t width = (end - start) * scale;
  const uint32_t row_bits = static_cast<uint32_t>(row_bytes(image.header)) * 8 * scale;
  const int rows = image.header.fRectHeight * static_cast<int>(scale);
  for (int r = 0; r < rows; ++r) {
    char* line = reserve(b, width + 1);
    render_row(strip_row(image, density, r), row_bits, start * scale, width, line);
    line[width] = '\n';
    b->used += width + 1;
  }
  *reserve(b, 1) = '\n';
  b->used += 1;
}

}  // namespace

const char* write_text_font(int fd, const FontImage& image, int density) {
  const FontHeader& h = image.header;
  // Too large for the stack; the block lives as long as the write.
  std::unique_ptr<TextBlock, FreeBytes> block(static_cast<TextBlock*>(std::malloc(sizeof(TextBlock))));
  if (!block) return kErrFontMemory;
  TextBlock* b = block.get();
  b->fd = fd;
  b->failed = false;
  b->used = 0;
  write_metrics(b, h, density_scale(density));
  // Stops at the first glyph after a failed write: a full disk will not take
  // the rest either, and the font may describe gigabytes of text.
  for (int code = h.firstChar; code <= h.lastChar && !b->failed; ++code) {
    if (image.locations[code] < image.locations[code + 1]) write_glyph(b, image, density, code, code);
  }
  if (image.hasMissingGlyph && !b->failed) write_glyph(b, image, density, h.lastChar + 1, -1);
  flush(b);
  return b->failed ? kErrOutputWrite : nullptr;
}
