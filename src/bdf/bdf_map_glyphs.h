// The glyphs of a font map's BDF, walked as the writer writes them, so
// that the page sets a line of the map's characters with the very glyphs
// its BDF holds.
#ifndef GLYFEX_BDF_BDF_MAP_GLYPHS_H
#define GLYFEX_BDF_BDF_MAP_GLYPHS_H

#include <cstdint>

#include "font/font_map.h"
#include "font/glyph_walk.h"

// A glyph of the mapped font as it goes into the BDF: its piece, the
// glyph there, its encoding (a character, or a code) and its name.
struct MapGlyph {
  const FontPiece* piece;
  Glyph glyph;
  int32_t encoding;
  char name[16];
};

// The glyph of a character in the mapped font, or false.
bool map_glyph_of(const MappedFont& font, int32_t character, MapGlyph* out);

#endif
