// The glyphs of a font as every output sees them: which codes have an
// image, in code order with the missing-character glyph last, where each
// image lies, its advance width and offset and when they differ from the
// defaults, and which of its pixels are set at a density. The text writer,
// the drawing and the sample line all walk the font through this.
#ifndef GLYFEX_FONT_GLYPH_WALK_H
#define GLYFEX_FONT_GLYPH_WALK_H

#include <cstdint>

#include "font/font_image.h"

struct Glyph {
  int index;  // its place in both tables: the code, or lastChar + 1
  int code;  // the code, or -1 for the missing-character glyph
  uint32_t start;  // its first strip column at 72 dpi
  uint32_t columns;  // its image width at 72 dpi (at least 1)
  int width;  // the advance width at 72 dpi
  int offset;  // where the image starts from the pen, at 72 dpi
  bool widthDiffers;  // the advance width is not the image width
};

// The glyph at index, whose image must not be empty; code is what to call
// it.
Glyph glyph_at(const FontImage& image, int index, int code);

// Where a glyph's image lies in the strip of a density, and its columns:
// its start and end in the 72 dpi strip, each scaled.
struct GlyphSpan {
  uint32_t start;
  uint32_t columns;
};

inline GlyphSpan glyph_span(const Glyph& g, int density) {
  const auto start = static_cast<uint32_t>(at_density(g.start, density));
  const auto end = static_cast<uint32_t>(at_density(int64_t{g.start} + g.columns, density));
  return GlyphSpan{start, end - start};
}

// A glyph's advance at a density: its image width there when its 72 dpi
// advance is its image width, else the advance scaled.
inline int glyph_advance(const Glyph& g, int density) {
  return g.widthDiffers ? static_cast<int>(at_density(g.width, density)) : static_cast<int>(glyph_span(g, density).columns);
}

// Where its image starts from the pen, at a density.
inline int glyph_offset(const Glyph& g, int density) { return static_cast<int>(at_density(g.offset, density)); }

// The next glyph that has an image. cursor starts at 0 and is moved on;
// false after the last glyph.
bool next_glyph(const FontImage& image, int* cursor, Glyph* glyph);

// True when the font has an image for code: within the range and not
// empty.
bool has_image(const FontImage& image, int code);

// True when Palm OS draws code with the missing-character glyph: a code
// outside the range, or one an offset/width entry of -1, -1 marks so.
bool drawn_as_missing(const FontImage& image, int code);

// True when the pixel of the glyph at row and column (counted at that
// density, from its first column) is set. Columns past the strip row are
// clear.
bool glyph_pixel(const FontImage& image, int density, const Glyph& g, int row, uint32_t column);

#endif
