// What both font readers share: reads checked against the source's size,
// the header, the two glyph tables and the strips.
#ifndef GLYFEX_FONT_FONT_INPUT_H
#define GLYFEX_FONT_FONT_INPUT_H

#include <cstdint>

#include "font/byte_source.h"
#include "font/font_image.h"

// Reads the thirteen fields at offset and applies the checks every layout
// shares: codes within the tables, no negative sizes.
Fault read_font_header(const ByteSource& in, int64_t offset, FontHeader* h);

// Reads the location table at location_pos and the offset/width table that
// owTLoc points at, with the missing-character glyph when the layout has
// one, and refuses tables that no compiler writes. Sets the range count,
// where the tables end, and how many bytes of each strip row the glyphs
// reach.
Fault read_glyph_tables(const ByteSource& in, int64_t offset, int64_t location_pos, FontImage* image);

// Notes that the font has a strip of the density at pos, which the caller
// has checked with fits; load_strips reads it.
void note_strip(int64_t pos, int density, FontImage* image);

// The extended, multi-density layout after its header has been read.
Fault probe_extended_font(const ByteSource& in, int64_t offset, FontImage* image);

#endif
