// Turns a glyph's columns of the strip into rows of '#' (set) and '-'
// (clear) characters, a whole glyph at a time.
#ifndef GLYFEX_TEXT_GLYPH_RENDER_H
#define GLYFEX_TEXT_GLYPH_RENDER_H

#include <cstddef>
#include <cstdint>

#include "text/glyph_columns.h"

// Renders rows strip rows of row_bytes each, starting at row, as the glyph's
// columns followed by a line feed; returns the end of what it wrote. When
// the glyph lies wholly past the row's end the rows need not exist. It may
// write up to 32 bytes past its end, which must be writable.
char* render_rows(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& g, char* out);

// True when the glyph is drawn from its column bytes: a narrow one, and a
// medium one where the loops in use can. Its bytes lie a row apart in the
// strip, so taken one by one from there each costs a trip to memory; in
// columns they are read in order.
bool renders_from_columns(const GlyphColumns& g);

// Renders rows rows of such a glyph from its column bytes: column[r] is
// the byte of row r that holds the glyph's first column, column[k * next +
// r] the k-th byte after it, read only when the glyph's columns reach into
// it (source_bytes). It may write up to 32 bytes past its end, which must
// be writable.
char* render_columns(const uint8_t* column, size_t next, int rows, const GlyphColumns& g, char* out);

// True when the glyph is drawn from its rows packed in a row window: a
// wide one, where the loops in use can.
bool renders_packed(const GlyphColumns& g);

// Renders rows rows of such a glyph from its packed rows: row r's byte
// holding the first column at row[r * pitch], the source_bytes(g) after it
// and one more readable (zeros past the glyph). It may write up to 32
// bytes past its end, which must be writable.
char* render_packed(const uint8_t* row, size_t pitch, int rows, const GlyphColumns& g, char* out);

// Copies columns [0, width) of rows rows of stride bytes from src, each
// into a column of rows bytes at dst, columns pitch bytes apart.
void transpose_columns(const uint8_t* src, size_t stride, size_t rows, uint32_t width, uint8_t* dst, size_t pitch);

// Renders with the fastest loops the processor runs (true), or with the
// portable ones (false); returns whether vector instructions are in use.
// Both write the same text; the tests run both.
bool use_vector_rendering(bool wanted);

#endif
