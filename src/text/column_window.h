// A glyph of up to 64 columns takes a few bytes from every row of the
// strip, and the rows lie far apart. A column window holds a few
// neighbouring byte positions of every row transposed: the bytes of all
// rows at one position one after another, so that the glyph's rows are
// read in order.
#ifndef GLYFEX_TEXT_COLUMN_WINDOW_H
#define GLYFEX_TEXT_COLUMN_WINDOW_H

#include <cstddef>
#include <cstdint>

#include "text/window_span.h"

struct ColumnWindow {
  uint8_t* bytes;  // capacity columns of rows bytes each, once first used
  size_t rows;
  size_t pitch;  // from one column to the next
  uint32_t capacity;  // the columns it has room for
  WindowSpan span;
};

// A window for a strip of rows rows; its memory is allocated when it is
// first used.
void open_column_window(ColumnWindow* w, size_t rows);

void close_column_window(ColumnWindow* w);

// The bytes of every row at position at (at < stride) of a strip of
// w->rows rows of stride bytes; those at the count - 1 positions after it,
// where the row has them, follow w->pitch bytes apart. The window is
// filled from at on when it lacks them. nullptr without memory for the
// window, or when it cannot hold count positions.
const uint8_t* window_column(ColumnWindow* w, const uint8_t* strip, size_t stride, uint32_t at, uint32_t count);

#endif
