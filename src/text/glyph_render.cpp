#include "text/glyph_render.h"

#include "os/os.h"
#include "text/render_kernels.h"

namespace {

const RenderKernels* vector_kernels() {
#if defined(GLYFEX_AVX2_KERNELS)
  if (os_runs_avx2()) return &kAvx2Kernels;
#endif
  return nullptr;
}

// The processor is asked once, when the program starts.
const RenderKernels* const vector = vector_kernels();
const RenderKernels* kernels = vector != nullptr ? vector : &kPortableKernels;

}  // namespace

bool use_vector_rendering(bool wanted) {
  kernels = wanted && vector != nullptr ? vector : &kPortableKernels;
  return kernels != &kPortableKernels;
}

char* render_rows(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& g, char* out) {
  return kernels->rows(row, row_bytes, rows, g, out);
}

bool renders_from_columns(const GlyphColumns& g) { return is_narrow(g) || (is_medium(g) && kernels->medium != nullptr); }

bool renders_packed(const GlyphColumns& g) { return is_wide(g) && kernels->wide != nullptr; }

char* render_packed(const uint8_t* row, size_t pitch, int rows, const GlyphColumns& g, char* out) {
  return kernels->wide(row, pitch, rows, g.shift, g.groups * 8 + g.tail, out);
}

char* render_columns(const uint8_t* column, size_t next, int rows, const GlyphColumns& g, char* out) {
  const uint32_t columns = g.groups * 8 + g.tail;
  if (columns > 8) return kernels->medium(column, next, rows, g.shift, columns, out);
  // A second column the glyph does not reach may not exist.
  const uint8_t* second = g.shift + columns > 8 ? column + next : column;
  return kernels->columns(column, second, rows, g.shift, columns, out);
}

void transpose_columns(const uint8_t* src, size_t stride, size_t rows, uint32_t width, uint8_t* dst, size_t pitch) {
  const size_t block = kernels->block;
  const size_t whole_rows = rows / block * block;
  const uint32_t whole_columns = static_cast<uint32_t>(width / block * block);
  if (whole_rows > 0 && whole_columns > 0) kernels->transpose(src, stride, whole_rows, whole_columns, dst, pitch);
  // What the blocks leave: the last columns of their rows, then whole rows.
  for (uint32_t j = whole_columns; j < width; ++j) {
    for (size_t r = 0; r < whole_rows; ++r) dst[j * pitch + r] = src[r * stride + j];
  }
  for (uint32_t j = 0; j < width; ++j) {
    for (size_t r = whole_rows; r < rows; ++r) dst[j * pitch + r] = src[r * stride + j];
  }
}
