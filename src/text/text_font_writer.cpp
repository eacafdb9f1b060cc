// The text font description: a metrics block, then one block per glyph with
// its name, optional WIDTH and OFFSET lines and its pixel rows.
#include <cstdint>
#include <cstdio>

#include "font/glyph_walk.h"
#include "text/block_writer.h"
#include "text/column_window.h"
#include "text/glyph_render.h"
#include "text/row_window.h"
#include "text/text_font.h"

namespace {

// One line with one number in it; every such line fits in 32 bytes.
void put_line(BlockWriter* w, const char* format, int value) {
  const int n = std::snprintf(next_bytes(w), 32, format, value);
  add_bytes(w, static_cast<size_t>(n));
}

// fontType as it stands; the other eight scaled to the density. Nine lines
// of at most 24 bytes each fit in 256.
constexpr size_t kMetricsRoom = kPutBytes;

int format_metrics(char* out, size_t room, const FontHeader& h, int density) {
  size_t n = 0;
  for (const HeaderField& f : kHeaderFields) {
    if (f.metric) n += static_cast<size_t>(std::snprintf(out + n, room - n, "%s %d\n", f.name, metric_value(h, f, density)));
  }
  out[n++] = '\n';
  return static_cast<int>(n);
}

void write_metrics(BlockWriter* w, const FontHeader& h, int density) {
  add_bytes(w, static_cast<size_t>(format_metrics(next_bytes(w), kMetricsRoom, h, density)));
}

// Printable ASCII is named by the character itself, except the apostrophe
// and the backslash, which would need escaping; everything else by number.
// The missing-character glyph is named -1.
const char* name_format(int code) {
  const bool by_character = code >= 33 && code <= 126 && code != '\'' && code != '\\';
  return by_character ? "GLYPH '%c'\n" : "GLYPH %d\n";
}

void write_name(BlockWriter* w, int code) { put_line(w, name_format(code), code); }

// The tables hold 72 dpi columns and widths; at another density each is
// scaled, and whether a WIDTH line is written is decided at 72 dpi. The rows
// go into the blocks as many at a time as reach the end of the block being
// filled; a glyph that takes a few bytes of each row from a window, where
// there is memory for one: narrow and medium glyphs from the columns,
// wider ones from the rows.
struct Windows {
  ColumnWindow columns;
  RowWindow rows;
};

// Returns false when the rows do not fit, which only a text longer than
// counted can make happen.
bool write_glyph(BlockWriter* w, Windows* windows, const FontImage& image, int density, const Glyph& g) {
  const GlyphSpan span = glyph_span(g, density);
  write_name(w, g.code);
  if (g.widthDiffers) put_line(w, "WIDTH %d\n", glyph_advance(g, density));
  if (g.offset != 0) put_line(w, "OFFSET %d\n", glyph_offset(g, density));
  // Every column a glyph reaches lies in the kept bytes or past the row.
  const size_t stride = image.stripStride[density];
  const GlyphColumns columns = place_glyph(static_cast<uint32_t>(stride) * 8, span.start, span.columns);
  const size_t line = static_cast<size_t>(span.columns) + 1;
  const auto rows = static_cast<int>(density_rows(image.header, density));
  // A font of no rows has no strip to take columns from. Without memory
  // for the windows, a glyph is rendered from the strip's rows.
  const uint8_t* column = nullptr;
  const uint8_t* packed = nullptr;
  if (rows > 0 && renders_from_columns(columns)) {
    column = window_column(&windows->columns, strip_row(image, density, 0), stride, columns.firstByte,
                           source_bytes(columns));
  } else if (rows > 0 && renders_packed(columns)) {
    packed = window_rows(&windows->rows, strip_row(image, density, 0), stride, columns.firstByte,
                         source_bytes(columns) + 1);
  }
  for (int r = 0; r < rows;) {
    const int n = static_cast<int>(lines_to_put(*w, line, static_cast<size_t>(rows - r)));
    if (n == 0) return false;
    char* out = next_bytes(w);
    char* end = column != nullptr ? render_columns(column + r, windows->columns.pitch, n, columns, out)
                : packed != nullptr ? render_packed(packed + r * windows->rows.pitch, windows->rows.pitch, n, columns, out)
                                    : render_rows(strip_row(image, density, r), stride, n, columns, out);
    add_bytes(w, static_cast<size_t>(end - out));
    r += n;
  }
  *next_bytes(w) = '\n';
  add_bytes(w, 1);
  return true;
}

uint64_t line_bytes(const char* format, int value) {
  char line[32];
  return static_cast<uint64_t>(std::snprintf(line, sizeof line, format, value));
}

// What write_glyph writes for the glyph, counted.
uint64_t glyph_bytes(const FontImage& image, int density, const Glyph& g) {
  uint64_t n = line_bytes(name_format(g.code), g.code);
  if (g.widthDiffers) n += line_bytes("WIDTH %d\n", glyph_advance(g, density));
  if (g.offset != 0) n += line_bytes("OFFSET %d\n", glyph_offset(g, density));
  const auto rows = static_cast<uint64_t>(density_rows(image.header, density));
  return n + rows * (static_cast<uint64_t>(glyph_span(g, density).columns) + 1) + 1;
}

}  // namespace

uint64_t text_font_bytes(const FontImage& image, int density) {
  char metrics[kMetricsRoom];
  uint64_t n = static_cast<uint64_t>(format_metrics(metrics, sizeof metrics, image.header, density));
  Glyph g{};
  for (int cursor = 0; next_glyph(image, &cursor, &g);) n += glyph_bytes(image, density, g);
  return n;
}

Fault write_text_font(OsFile file, const FontImage& image, int density, uint64_t bytes) {
  const FontHeader& h = image.header;
  BlockWriter w;
  if (!open_block_writer(&w, file, bytes)) {
    close_block_writer(&w);
    return Fault::kTextMemory;
  }
  Windows windows;
  const auto rows = static_cast<size_t>(density_rows(h, density));
  open_column_window(&windows.columns, rows);
  open_row_window(&windows.rows, rows);
  write_metrics(&w, h, density);
  // Stops at the first glyph after a failed write: a full disk will not take
  // the rest either, and the font may describe gigabytes of text.
  Glyph g{};
  for (int cursor = 0; !w.failed && next_glyph(image, &cursor, &g);) {
    if (!write_glyph(&w, &windows, image, density, g)) w.failed = true;
  }
  close_column_window(&windows.columns);
  close_row_window(&windows.rows);
  return close_block_writer(&w) ? Fault::kNone : Fault::kOutputWrite;
}

