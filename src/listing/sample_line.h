// The line of sample text that shows a font on the page, in its own
// section and, its start, in the contents: a pangram and the digits where
// the font has them, else (a symbol or LED font) its own glyphs.
#ifndef GLYFEX_LISTING_SAMPLE_LINE_H
#define GLYFEX_LISTING_SAMPLE_LINE_H

#include <cstddef>

#include "font/glyph_walk.h"

constexpr size_t kMaxSample = 128;

// The codes of the sample line: the sample text, unless the font has an
// image for fewer than a third of its characters: then its own glyphs in
// code order, so that the line shows the font rather than a row of
// missing-character boxes.
size_t sample_codes(const FontImage& image, int (&codes)[kMaxSample]);

// The glyph drawn for c: its own image, the missing-character glyph for a
// code the font lacks (outside the range, or marked missing by an
// offset/width entry of -1, -1), or nothing. Sets the glyph to draw and
// returns whether there is one; advance is the pen's move at the density.
bool sample_glyph(const FontImage& image, int density, int c, Glyph* g, int* advance);

#endif
