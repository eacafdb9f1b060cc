#include "font/glyph_walk.h"

Glyph glyph_at(const FontImage& image, int index, int code) {
  const uint32_t start = image.locations[index], end = image.locations[index + 1];
  const OffsetWidth ow = image.offsetWidths[index];
  return Glyph{index, code, start, end - start, ow.width, ow.offset, ow.width != static_cast<int64_t>(end - start)};
}

bool has_image(const FontImage& image, int code) {
  const FontHeader& h = image.header;
  return code >= h.firstChar && code <= h.lastChar && image.locations[code] < image.locations[code + 1];
}

bool drawn_as_missing(const FontImage& image, int code) {
  const FontHeader& h = image.header;
  if (code < h.firstChar || code > h.lastChar) return true;
  const OffsetWidth ow = image.offsetWidths[code];
  return ow.offset == -1 && ow.width == -1;
}

bool next_glyph(const FontImage& image, int* cursor, Glyph* glyph) {
  const FontHeader& h = image.header;
  // The cursor counts codes from firstChar; one past the range is the
  // missing-character glyph.
  for (int code = h.firstChar + *cursor; code <= h.lastChar + 1; ++code) {
    *cursor = code - h.firstChar + 1;
    if (code <= h.lastChar && has_image(image, code)) {
      *glyph = glyph_at(image, code, code);
      return true;
    }
    if (code == h.lastChar + 1 && image.hasMissingGlyph) {
      *glyph = glyph_at(image, code, -1);
      return true;
    }
  }
  *cursor = h.lastChar - h.firstChar + 2;
  return false;
}

bool glyph_pixel(const FontImage& image, int density, const Glyph& g, int row, uint32_t column) {
  const uint64_t x = uint64_t{glyph_span(g, density).start} + column;
  if (x >= static_cast<uint64_t>(image.stripStride[density]) * 8) return false;
  return (strip_row(image, density, row)[x / 8] & (0x80 >> (x % 8))) != 0;
}
