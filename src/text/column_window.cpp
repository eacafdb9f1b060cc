#include "text/column_window.h"

#include "os/os.h"
#include "text/glyph_render.h"

namespace {

// The most the window takes, whatever the glyphs' height; but always two
// columns, the most one glyph needs.
constexpr size_t kWindowBytes = 1024 * 1024;
constexpr uint32_t kMostColumns = 64;

}  // namespace

void open_column_window(ColumnWindow* w, size_t rows) {
  w->bytes = nullptr;
  w->rows = rows;
  // Columns written side by side fall into different cache sets when the
  // pitch is an odd number of 64-byte lines: a whole number of pages would
  // put them all into one.
  w->pitch = (rows + 63) / 64 * 64;
  if (w->pitch / 64 % 2 == 0) w->pitch += 64;
  const size_t fit = kWindowBytes / w->pitch;
  // Whole blocks of sixteen columns, the most a transposition takes at
  // once, where more than sixteen fit.
  w->capacity = fit < 2             ? 2
                : fit < 16          ? static_cast<uint32_t>(fit)
                : fit < kMostColumns ? static_cast<uint32_t>(fit / 16 * 16)
                                     : kMostColumns;
  w->span = WindowSpan{0, 0};
}

void close_column_window(ColumnWindow* w) {
  os_free_large(w->bytes);
  w->bytes = nullptr;
}

const uint8_t* window_column(ColumnWindow* w, const uint8_t* strip, size_t stride, uint32_t at, uint32_t count) {
  if (count > w->capacity) return nullptr;
  if (w->bytes == nullptr) {
    w->bytes = static_cast<uint8_t*>(os_allocate_large(w->capacity * w->pitch));
    if (w->bytes == nullptr) return nullptr;
  }
  if (move_window_span(&w->span, stride, at, count, w->capacity)) {
    transpose_columns(strip + at, stride, w->rows, w->span.width, w->bytes, w->pitch);
  }
  return w->bytes + (at - w->span.first) * w->pitch;
}
