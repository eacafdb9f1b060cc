// What both font readers share: the input file with its size, reads that
// are checked against that size, the header, and the two glyph tables.
#ifndef GLYFEX_FONT_FONT_INPUT_H
#define GLYFEX_FONT_FONT_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "font/font_image.h"

struct FontInput {
  FILE* in;
  long size;
};

// Takes the file's size; the stream's position is left anywhere.
const char* open_font_input(FILE* in, FontInput* input);

// True when [start, start + length) lies within the file.
bool fits(const FontInput& input, long start, uint64_t length);

// Reads exactly n bytes at pos, which the caller has checked with fits.
const char* read_at(const FontInput& input, long pos, void* dst, size_t n);

// Reads the thirteen fields at offset and applies the checks every layout
// shares: codes within the tables, no negative sizes.
const char* read_font_header(const FontInput& input, long offset, FontHeader* h);

// Reads the location table at location_pos and the offset/width table that
// owTLoc points at, with the missing-character glyph when the layout has
// one, and refuses a location table that no compiler writes. Sets the
// range count and where the tables end.
const char* read_glyph_tables(const FontInput& input, long offset, long location_pos, FontImage* image);

// Allocates and reads the strip of one density at pos, which the caller has
// checked with fits, and marks the density present.
const char* read_strip(const FontInput& input, long pos, int density, FontImage* image);

// The extended, multi-density layout after its header has been read.
const char* read_extended_font(const FontInput& input, long offset, FontImage* image);

#endif
