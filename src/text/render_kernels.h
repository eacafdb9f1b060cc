// The loops where rendering spends its time, in a portable version and,
// where the build and the processor allow, one with AVX2 instructions. Both
// write the same bytes; glyph_render chooses one for the whole run.
#ifndef GLYFEX_TEXT_RENDER_KERNELS_H
#define GLYFEX_TEXT_RENDER_KERNELS_H

#include <cstddef>
#include <cstdint>

#include "text/glyph_columns.h"

struct RenderKernels {
  // As render_rows.
  char* (*rows)(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& g, char* out);
  // As render_columns, for a glyph of shift and columns.
  char* (*columns)(const uint8_t* first, const uint8_t* second, int rows, uint32_t shift, uint32_t columns, char* out);
  // As render_columns, for a medium glyph of shift and columns; nullptr
  // where the loops draw such glyphs from the rows.
  char* (*medium)(const uint8_t* column, size_t next, int rows, uint32_t shift, uint32_t columns, char* out);
  // As render_packed, for a wide glyph; nullptr where the loops draw such
  // glyphs from the strip's rows.
  char* (*wide)(const uint8_t* row, size_t pitch, int rows, uint32_t shift, uint32_t columns, char* out);
  // As transpose_columns, for rows and width that are multiples of block.
  void (*transpose)(const uint8_t* src, size_t stride, size_t rows, uint32_t width, uint8_t* dst, size_t pitch);
  uint32_t block;
};

extern const RenderKernels kPortableKernels;

#if defined(GLYFEX_AVX2_KERNELS)
// Built for AVX2: used only once the processor is known to have it.
extern const RenderKernels kAvx2Kernels;
#endif

#endif
