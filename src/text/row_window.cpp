#include "text/row_window.h"

#include <cstring>

#include "os/os.h"

namespace {

// The most the window takes, and the widest rows it holds: beyond that a
// glyph's rows are long enough to be read from the strip as they are.
constexpr size_t kWindowBytes = 1024 * 1024;
constexpr size_t kMostPositions = 256;

}  // namespace

void open_row_window(RowWindow* w, size_t rows) {
  w->bytes = nullptr;
  w->rows = rows;
  const size_t fit = rows == 0 ? kMostPositions : kWindowBytes / rows / 16 * 16;
  w->pitch = fit < kMostPositions ? fit : kMostPositions;
  w->span = WindowSpan{0, 0};
}

void close_row_window(RowWindow* w) {
  os_free_large(w->bytes);
  w->bytes = nullptr;
}

const uint8_t* window_rows(RowWindow* w, const uint8_t* strip, size_t stride, uint32_t at, uint32_t count) {
  if (count > w->pitch) return nullptr;
  if (w->bytes == nullptr) {
    w->bytes = static_cast<uint8_t*>(os_allocate_large(w->rows * w->pitch));
    if (w->bytes == nullptr) return nullptr;
  }
  if (move_window_span(&w->span, stride, at, count, static_cast<uint32_t>(w->pitch))) {
    const uint32_t width = w->span.width;
    const uint8_t* from = strip + at;
    uint8_t* to = w->bytes;
    // What lies past the positions is zeros, which loops reading whole
    // vectors may take in.
    for (size_t r = 0; r < w->rows; ++r, from += stride, to += w->pitch) {
      std::memcpy(to, from, width);
      std::memset(to + width, 0, w->pitch - width);
    }
  }
  return w->bytes + (at - w->span.first);
}
