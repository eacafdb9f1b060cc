// Turns a glyph's columns of the strip into rows of '#' (set) and '-'
// (clear) characters, a whole glyph at a time.
#ifndef GLYFEX_TEXT_GLYPH_RENDER_H
#define GLYFEX_TEXT_GLYPH_RENDER_H

#include <cstddef>
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
GlyphColumns place_glyph(uint32_t row_bits, uint32_t start, uint32_t width);

// Renders rows strip rows of row_bytes each, starting at row, as the glyph's
// columns followed by a line feed; returns the end of what it wrote. When
// the glyph lies wholly past the row's end the rows need not exist. It may
// write up to 32 bytes past its end, which must be writable.
char* render_rows(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& g, char* out);

// A glyph of one to eight columns, all inside the row: render_columns can
// draw it from its column bytes.
inline bool is_narrow(const GlyphColumns& g) {
  const uint32_t columns = g.groups * 8 + g.tail;
  return g.clear == 0 && columns > 0 && columns <= 8;
}

// Renders rows rows of a narrow glyph from its column bytes: column[r] is
// the byte of row r that holds the glyph's first column, column[next + r]
// the byte after it, read only when the glyph's columns reach into it. It
// may write up to 32 bytes past its end, which must be writable. A narrow
// glyph's bytes lie a row apart in the strip, so taken one by one from
// there each costs a trip to memory; in columns they are read in order.
char* render_columns(const uint8_t* column, size_t next, int rows, const GlyphColumns& g, char* out);

// Copies columns [0, width) of rows rows of stride bytes from src, each
// into a column of rows bytes at dst, columns pitch bytes apart.
void transpose_columns(const uint8_t* src, size_t stride, size_t rows, uint32_t width, uint8_t* dst, size_t pitch);

// Renders with the fastest loops the processor runs (true), or with the
// portable ones (false); returns whether vector instructions are in use.
// Both write the same text; the tests run both.
bool use_vector_rendering(bool wanted);

#endif
