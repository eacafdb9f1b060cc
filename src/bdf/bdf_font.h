// Writes a FontImage as a BDF 2.1 font (Glyph Bitmap Distribution Format),
// the bitmap font form that X11, FreeType, FontForge and every converter
// read, with each glyph at the character its Palm code stands for.
#ifndef GLYFEX_BDF_BDF_FONT_H
#define GLYFEX_BDF_BDF_FONT_H

#include <cstdint>

#include "fault/fault.h"
#include "font/charset.h"
#include "font/font_image.h"
#include "font/font_map.h"
#include "os/os.h"
#include "text/block_writer.h"

struct BdfOptions {
  Charset charset;
  const char* family;  // FAMILY_NAME and the XLFD family: the text's name
  int lead;  // a subfont's lead byte: its codes are cp932 trail bytes; or -1
};

// True when the font has a glyph to write: BDF readers refuse a font of
// none.
bool bdf_has_glyph(const FontImage& image);

// Writes the font at one density (which it must have) to the file: the
// properties, then a glyph for every code of the range that has an image
// or a width and is not drawn with the missing-character glyph, then that
// glyph. bytes is its size as bdf_font_bytes counts it, where known.
// Returns Fault::kOutputWrite when a write fails or the size differs,
// kTextMemory without memory for the block, kBdfNoGlyph for a font of no
// glyph. Does not close the file.
Fault write_bdf_font(OsFile file, const FontImage& image, int density, const BdfOptions& options,
                     uint64_t bytes = kSizeUnknown);

// The exact number of bytes write_bdf_font writes.
uint64_t bdf_font_bytes(const FontImage& image, int density, const BdfOptions& options);

// A font map's pieces as one BDF font: each glyph at its character, one
// glyph a character, named family; bytes as bdf_map_bytes counts it.
// Returns as write_bdf_font does.
Fault write_bdf_map(OsFile file, const MappedFont& font, const char* family, uint64_t bytes = kSizeUnknown);

// The exact number of bytes write_bdf_map writes, and the characters the
// font holds.
uint64_t bdf_map_bytes(const MappedFont& font, const char* family);
int bdf_map_characters(const MappedFont& font);

#endif
