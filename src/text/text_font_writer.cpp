// The text font description: a metrics block, then one block per glyph with
// its name, optional WIDTH and OFFSET lines and its pixel rows.
#include <cstdint>
#include <cstdio>

#include "text/block_writer.h"
#include "text/glyph_render.h"
#include "text/text_font.h"

const char kErrOutputWrite[] = "Could not write output file.";

namespace {

// One line with one number in it; every such line fits in 32 bytes.
void put_line(BlockWriter* w, const char* format, int value) {
  const int n = std::snprintf(reserve_bytes(w, 32), 32, format, value);
  w->used += static_cast<size_t>(n);
}

// fontType as it stands; the other eight scaled to the density.
void write_metrics(BlockWriter* w, const FontHeader& h, int scale) {
  const int n = std::snprintf(reserve_bytes(w, 256), 256,
                              "fontType %u\nmaxWidth %d\nkernMax %d\nnDescent %d\nfRectWidth %d\n"
                              "fRectHeight %d\nascent %d\ndescent %d\nleading %d\n\n",
                              static_cast<unsigned>(static_cast<uint16_t>(h.fontType)), h.maxWidth * scale,
                              h.kernMax * scale, h.nDescent * scale, h.fRectWidth * scale, h.fRectHeight * scale,
                              h.ascent * scale, h.descent * scale, h.leading * scale);
  w->used += static_cast<size_t>(n);
}

// Printable ASCII is named by the character itself, except the apostrophe
// and the backslash, which would need escaping; everything else by number.
// The missing-character glyph is named -1.
void write_name(BlockWriter* w, int code) {
  const bool by_character = code >= 33 && code <= 126 && code != '\'' && code != '\\';
  put_line(w, by_character ? "GLYPH '%c'\n" : "GLYPH %d\n", code);
}

// index is the glyph's place in both tables: its code, or lastChar + 1 for
// the missing-character glyph, whose name is -1. The tables hold 72 dpi
// columns and widths; at a higher density each is scaled, and whether a
// WIDTH line is written is decided at 72 dpi. The rows go into the blocks
// as many at a time as the block being filled has room for.
void write_glyph(BlockWriter* w, const FontImage& image, int density, int index, int name) {
  const uint32_t scale = static_cast<uint32_t>(density_scale(density));
  const uint32_t start = image.locations[index];
  const uint32_t end = image.locations[index + 1];
  const OffsetWidth ow = image.offsetWidths[index];
  write_name(w, name);
  if (ow.width != static_cast<int64_t>(end - start)) put_line(w, "WIDTH %d\n", ow.width * static_cast<int>(scale));
  if (ow.offset != 0) put_line(w, "OFFSET %d\n", ow.offset * static_cast<int>(scale));
  const size_t stride = row_bytes(image.header) * scale;
  const GlyphColumns columns = place_glyph(static_cast<uint32_t>(stride) * 8, start * scale, (end - start) * scale);
  const size_t line = static_cast<size_t>(end - start) * scale + 1;
  const int rows = image.header.fRectHeight * static_cast<int>(scale);
  for (int r = 0; r < rows;) {
    if (room_left(*w) < line) hand_over(w);
    const int fit = static_cast<int>(room_left(*w) / line);
    const int n = fit < rows - r ? fit : rows - r;
    char* out = reserve_bytes(w, line);
    w->used += static_cast<size_t>(render_rows(strip_row(image, density, r), stride, n, columns, out) - out);
    r += n;
  }
  *reserve_bytes(w, 1) = '\n';
  w->used += 1;
}

}  // namespace

const char* write_text_font_on(int fd, const FontImage& image, int density, bool threads) {
  const FontHeader& h = image.header;
  BlockWriter w;
  if (!open_block_writer(&w, fd, threads)) {
    close_block_writer(&w);
    return kErrFontMemory;
  }
  write_metrics(&w, h, density_scale(density));
  // Stops at the first glyph after a failed write: a full disk will not take
  // the rest either, and the font may describe gigabytes of text.
  for (int code = h.firstChar; code <= h.lastChar && !w.failed; ++code) {
    if (image.locations[code] < image.locations[code + 1]) write_glyph(&w, image, density, code, code);
  }
  if (image.hasMissingGlyph && !w.failed) write_glyph(&w, image, density, h.lastChar + 1, -1);
  return close_block_writer(&w) ? nullptr : kErrOutputWrite;
}

const char* write_text_font(int fd, const FontImage& image, int density) {
  return write_text_font_on(fd, image, density, true);
}
