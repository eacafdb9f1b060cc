// The byte positions of a strip's rows a window holds. A window is
// refilled from a glyph's first position whenever the glyph needs
// positions it lacks; glyphs mostly follow one another along the strip, so
// each position is filled about once.
#ifndef GLYFEX_TEXT_WINDOW_SPAN_H
#define GLYFEX_TEXT_WINDOW_SPAN_H

#include <cstddef>
#include <cstdint>

struct WindowSpan {
  uint32_t first;  // the row byte its first position holds
  uint32_t width;  // the positions it holds
};

// Whether the span lacks any of positions at to at + count - 1 that a row
// of stride bytes has (at < stride); if so it becomes the positions from
// at on, at most most of them, for the caller to fill.
inline bool move_window_span(WindowSpan* s, size_t stride, uint32_t at, uint32_t count, uint32_t most) {
  const uint32_t need = at + count < stride ? at + count : static_cast<uint32_t>(stride);
  if (at >= s->first && need <= s->first + s->width) return false;
  s->first = at;
  s->width = stride - at < most ? static_cast<uint32_t>(stride - at) : most;
  return true;
}

#endif
