// The text font description: a metrics block, then one block per glyph with
// its name, optional WIDTH and OFFSET lines and its pixel rows.
#include <cstdint>
#include <cstdio>
#include <cstring>

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
  const uint32_t shift = start & 7;
  const size_t bytes_in_row = (row_bits + 7) / 8;
  uint32_t x = start;
  size_t byte = start >> 3;
  while (x < lit_end) {
    unsigned bits = static_cast<unsigned>(row[byte]) << shift;
    if (shift != 0 && byte + 1 < bytes_in_row) bits |= row[byte + 1] >> (8 - shift);
    const uint32_t n = lit_end - x < 8 ? lit_end - x : 8;
    std::memcpy(out, kPixelTable.pixels[bits & 0xFF], n);
    out += n;
    x += n;
    ++byte;
  }
  if (x < end) std::memset(out, '-', end - x);
}

namespace {

void write_metrics(FILE* out, const FontHeader& h) {
  std::fprintf(out,
               "fontType %hu\nmaxWidth %hd\nkernMax %hd\nnDescent %hd\nfRectWidth %hd\n"
               "fRectHeight %hd\nascent %hd\ndescent %hd\nleading %hd\n\n",
               static_cast<unsigned short>(h.fontType), h.maxWidth, h.kernMax, h.nDescent, h.fRectWidth,
               h.fRectHeight, h.ascent, h.descent, h.leading);
}

// Printable ASCII is named by the character itself, except the apostrophe
// and the backslash, which would need escaping; everything else by number.
void write_name(FILE* out, int code) {
  if (code >= 33 && code <= 126 && code != '\'' && code != '\\') {
    std::fprintf(out, "GLYPH '%c'\n", code);
  } else {
    std::fprintf(out, "GLYPH %d\n", code);
  }
}

void write_glyph(FILE* out, const FontImage& image, int code, char* line) {
  const uint32_t start = image.locations[code];
  const uint32_t end = image.locations[code + 1];
  const uint32_t width = end - start;
  const OffsetWidth ow = image.offsetWidths[code];
  write_name(out, code);
  if (ow.width != static_cast<int64_t>(width)) std::fprintf(out, "WIDTH %d\n", ow.width);
  if (ow.offset != 0) std::fprintf(out, "OFFSET %d\n", ow.offset);
  const uint32_t row_bits = static_cast<uint32_t>(row_bytes(image.header)) * 8;
  line[width] = '\n';
  for (int r = 0; r < image.header.fRectHeight; ++r) {
    render_row(strip_row(image, r), row_bits, start, width, line);
    std::fwrite(line, 1, width + 1, out);
  }
  std::fputc('\n', out);
}

}  // namespace

const char* write_text_font(FILE* out, const FontImage& image) {
  const FontHeader& h = image.header;
  write_metrics(out, h);
  // One row of the widest possible image (65535 columns) and its line feed.
  char line[65536];
  // Stops at the first glyph after a failed write: a full disk will not take
  // the rest either, and the font may describe gigabytes of text.
  for (int code = h.firstChar; code <= h.lastChar && !std::ferror(out); ++code) {
    if (image.locations[code] < image.locations[code + 1]) write_glyph(out, image, code, line);
  }
  return std::ferror(out) ? kErrOutputWrite : nullptr;
}
