// The text font description: a metrics block, then one block per glyph with
// its name, optional WIDTH and OFFSET lines and its pixel rows.
#include <cstdint>
#include <cstdio>

#include "text/text_font.h"

const char kErrOutputWrite[] = "Could not write output file.";

void render_row(const uint8_t* row, uint32_t row_bits, uint32_t start, uint32_t width, char* out) {
  for (uint32_t i = 0; i < width; ++i) {
    const uint32_t x = start + i;
    const bool set = x < row_bits && (row[x >> 3] & (0x80u >> (x & 7))) != 0;
    out[i] = set ? '#' : '-';
  }
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
  for (int code = h.firstChar; code <= h.lastChar; ++code) {
    if (image.locations[code] < image.locations[code + 1]) write_glyph(out, image, code, line);
  }
  return std::ferror(out) ? kErrOutputWrite : nullptr;
}
