// Where a glyph's columns lie in the strip's rows: what the renderer and
// its loops are told of a glyph.
#ifndef GLYFEX_TEXT_GLYPH_COLUMNS_H
#define GLYFEX_TEXT_GLYPH_COLUMNS_H

#include <cstdint>

// Where a glyph's columns lie in every strip row; the same for all its
// rows, so it is worked out once per glyph.
struct GlyphColumns {
  uint32_t firstByte;  // the row byte that holds the first column
  uint32_t shift;  // the first column's bit in that byte, from the left
  uint32_t groups;  // whole groups of eight columns inside the row
  uint32_t tail;  // columns after the groups still inside the row (0 to 7)
  uint32_t clear;  // columns at or past the row's end (row_bits)
};

// Columns [start, start + width) of rows that hold row_bits columns.
inline GlyphColumns place_glyph(uint32_t row_bits, uint32_t start, uint32_t width) {
  const uint32_t end = start + width;
  const uint32_t lit_end = end < row_bits ? end : row_bits;  // columns past the row are clear
  const uint32_t lit = start < lit_end ? lit_end - start : 0;
  return GlyphColumns{start >> 3, start & 7, lit / 8, lit % 8, width - lit};
}

// A glyph of one to eight columns, all inside the row: it can be drawn
// from its column bytes.
inline bool is_narrow(const GlyphColumns& g) {
  const uint32_t columns = g.groups * 8 + g.tail;
  return g.clear == 0 && columns > 0 && columns <= 8;
}

// A glyph of nine to 64 columns, all inside the row: it can be drawn from
// its column bytes 32 rows at a time, where the loops can.
constexpr uint32_t kMostMediumColumns = 64;

inline bool is_medium(const GlyphColumns& g) {
  const uint32_t columns = g.groups * 8 + g.tail;
  // Eight whole bytes from a byte's start the rows loops expand as they
  // stand, sixteen at a time, faster than they could be gathered.
  const bool whole_bytes = g.shift == 0 && g.tail == 0 && g.groups == 8;
  return g.clear == 0 && columns > 8 && columns <= kMostMediumColumns && !whole_bytes;
}

// A glyph of 65 to 128 columns, all inside the row: it can be drawn from
// its rows packed in a row window, 32 rows at a time, where the loops can.
constexpr uint32_t kMostWideColumns = 128;

inline bool is_wide(const GlyphColumns& g) {
  const uint32_t columns = g.groups * 8 + g.tail;
  return g.clear == 0 && columns > kMostMediumColumns && columns <= kMostWideColumns;
}

// The strip bytes each row of the glyph takes its columns from.
inline uint32_t source_bytes(const GlyphColumns& g) { return (g.shift + g.groups * 8 + g.tail + 7) / 8; }

#endif
