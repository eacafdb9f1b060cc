// A glyph of more columns than the column window serves still takes only
// a few bytes of every row, and the rows lie far apart in the strip. A row
// window holds a few neighbouring byte positions of every row, the rows
// packed one after another, so that such a glyph's rows are read in order
// from memory the cache holds.
#ifndef GLYFEX_TEXT_ROW_WINDOW_H
#define GLYFEX_TEXT_ROW_WINDOW_H

#include <cstddef>
#include <cstdint>

#include "text/window_span.h"

struct RowWindow {
  uint8_t* bytes;  // rows rows of pitch bytes, once first used
  size_t rows;
  size_t pitch;  // the byte positions it holds of each row, at most
  WindowSpan span;
};

// A window for a strip of rows rows; its memory is allocated when it is
// first used.
void open_row_window(RowWindow* w, size_t rows);

void close_row_window(RowWindow* w);

// Row 0 of positions at to at + count - 1 (those the row has) of a strip
// of w->rows rows of stride bytes; row r follows w->pitch * r bytes on. The
// window is filled from at on when it lacks them. nullptr without memory
// for the window, or when it cannot hold count positions.
const uint8_t* window_rows(RowWindow* w, const uint8_t* strip, size_t stride, uint32_t at, uint32_t count);

#endif
