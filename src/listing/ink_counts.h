// The ink outside every glyph, counted once per strip: many entries may
// show one font, or fonts at many offsets share one strip, and a count
// reads the whole strip. Counts are kept under everything they depend on
// (where the strip lies, its row length and rows, and the columns its
// glyphs cover), and the bytes counted are bounded by the file's size, so
// that a file costs a few passes whatever its entries point at.
#ifndef GLYFEX_LISTING_INK_COUNTS_H
#define GLYFEX_LISTING_INK_COUNTS_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "font/font_image.h"
#include "font/font_input.h"

struct InkCount {
  StripLayout strip;
  uint64_t ink;
  bool used;
};

struct InkCounts {
  std::unique_ptr<InkCount[], FreeBytes> table;  // open addressing, a power of two
  size_t capacity;
  size_t count;
  uint64_t budget;  // bytes that may still be read to count
};

// An empty table for the counts of the file's fonts, which grows as they
// come; false without memory.
bool open_ink_counts(InkCounts* counts, uint64_t file_size);

// The ink outside the glyphs of every density of the probed font, each
// strip counted once; *counted is false (and the counts 0) when the budget
// would not stretch to a strip not counted before.
Fault count_font_ink(const ByteSource& file, InkCounts* counts, FontImage* image, bool* counted);

#endif
