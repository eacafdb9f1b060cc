// What the BDF writers share: where the text goes, the line of a font's
// properties, and a glyph's block. A font's writer says which glyphs it
// holds and where each goes; these write the lines.
#ifndef GLYFEX_BDF_BDF_LINES_H
#define GLYFEX_BDF_BDF_LINES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "font/glyph_walk.h"
#include "text/block_writer.h"

// Where the text goes: the block, or only a count when w is nullptr.
struct Sink {
  BlockWriter* w;
  uint64_t bytes;
};

void put(Sink* s, const char* text, size_t n);
void put(Sink* s, const char* text);

// A line of at most 255 bytes, made by snprintf.
template <typename... Args>
void putf(Sink* s, const char* format, Args... args) {
  char line[256];
  const int n = std::snprintf(line, sizeof line, format, args...);
  if (n > 0) put(s, line, static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1);
}

// The line a font's glyphs stand on. Palm OS draws a glyph's cell from
// the top of the line, the baseline ascent rows below it, whatever the
// descent says: a cell of rows rows has its bottom at ascent - rows.
struct Line {
  int ascent, descent;  // FONT_ASCENT and FONT_DESCENT: the rows below the baseline, at least 0
  int pixelSize;  // their sum, at least 1
  int resolution;
  bool noSize;  // the font has no height; it is given size 1
};

Line make_line(int ascent, int rows, int resolution);

// What the properties say of the font's glyphs, gathered as they are
// walked: their bounding box (its top and bottom from the line's cell
// on), their advances and how many they are.
struct GlyphSummary {
  int left, right, top, bottom;
  int count, inked;
  int firstWidth;
  bool monospaced;
  long long widths;
};

void add_to_summary(GlyphSummary* summary, int x, int columns, int bottom, int rows, int width);

// The font's FONT, SIZE and FONTBOUNDINGBOX lines and its properties, up to
// CHARS: family in the XLFD, registry and encoding the character set's,
// DEFAULT_CHAR the replacement character when default_char.
void put_properties(Sink* s, const char* family, const Line& line, const GlyphSummary& summary, const char* registry,
                    const char* encoding, bool default_char);

// A glyph's block: its name and encoding, its advance, its cell of the
// columns and rows of the image at the density, at offset x from the pen
// and bottom from the baseline, and its pixels.
void put_glyph_block(Sink* s, const char* name, int32_t encoding, const FontImage& image, int density, const Glyph& g,
                     const Line& line, int rows, int bottom);

// The family's name as an XLFD field and FAMILY_NAME hold it.
void xlfd_family(const char* name, char (&out)[kMaxPath]);

#endif
