// Writes a FontImage as the text font description PilRC compiles.
#ifndef GLYFEX_TEXT_TEXT_FONT_H
#define GLYFEX_TEXT_TEXT_FONT_H

#include <cstdint>

#include "fault/fault.h"
#include "font/font_image.h"
#include "os/os.h"
#include "text/block_writer.h"


// Writes the text of one density of the font (which it must have): the
// metrics block, then a glyph block for every code of the range whose image
// is not empty, then the missing-character glyph if the font has one, to
// the file. bytes is its size as text_font_bytes counts it, where known:
// a small text then takes a block of its size, and a text of another size
// is refused. Returns Fault::kOutputWrite when a write fails or the size
// differs, Fault::kNone otherwise. Does not close the file.
Fault write_text_font(OsFile file, const FontImage& image, int density, uint64_t bytes = kSizeUnknown);

// The exact number of bytes write_text_font writes for that density, known
// before anything is written, so that room for the text can be secured.
uint64_t text_font_bytes(const FontImage& image, int density);


#endif
