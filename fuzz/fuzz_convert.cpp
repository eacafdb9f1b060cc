// libFuzzer target over one whole conversion. The first input byte is the
// offset of the font resource; the rest is the input file. Each text is
// rendered with the portable loops and with the vector ones, which must
// write the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "font/font_image.h"
#include "text/glyph_render.h"
#include "text/text_font.h"

namespace {

// A 30-byte resource may legitimately describe megabytes of clear pixels
// (rows of no strip bytes, locations up to 127 columns past the row);
// writing those is slow, not wrong, so the target skips the writer for such
// fonts.
bool small_output(const FontImage& image) {
  for (int density = 0; density < kDensities; ++density) {
    if (image.hasDensity[density] && text_font_bytes(image, density) > (1u << 17)) return false;
  }
  return true;
}

std::string written;

bool keep(OsFile, const void* bytes, size_t n) {
  written.append(static_cast<const char*>(bytes), n);
  return true;
}

std::string text_of(const FontImage& image, int density, bool vector) {
  use_vector_rendering(vector);
  written.clear();
  write_text_font(OsFile{}, image, density);
  return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FontImage image;
  Fault err = read_font_resource(memory_source(data + 1, size - 1), data[0], &image);
  if (err != Fault::kNone || !small_output(image)) return 0;
  os_calls.write_all = keep;
  for (int density = 0; density < kDensities; ++density) {
    if (!image.hasDensity[density]) continue;
    const std::string portable = text_of(image, density, false);
    if (text_of(image, density, true) != portable) std::abort();
  }
  return 0;
}
