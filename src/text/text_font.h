// Writes a FontImage as the text font description PilRC compiles.
#ifndef GLYFEX_TEXT_TEXT_FONT_H
#define GLYFEX_TEXT_TEXT_FONT_H

#include <cstdint>

#include "font/font_image.h"

extern const char kErrOutputWrite[];

// Renders columns [start, start + width) of one strip row as '#' (set) and
// '-' (clear) into out, which takes width characters. Columns at or past
// row_bits lie beyond the row and are clear.
void render_row(const uint8_t* row, uint32_t row_bits, uint32_t start, uint32_t width, char* out);

// Writes the text of one density of the font (which it must have): the
// metrics block, then a glyph block for every code of the range whose image
// is not empty, then the missing-character glyph if the font has one, to
// the file descriptor fd. Returns kErrOutputWrite when a write fails,
// nullptr otherwise. Does not close fd.
const char* write_text_font(int fd, const FontImage& image, int density);

#endif
