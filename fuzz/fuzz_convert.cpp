// libFuzzer target over one whole conversion. The first input byte is the
// offset of the font resource; the rest is the input file.
#include <fcntl.h>

#include <cstddef>
#include <cstdint>

#include "font/font_image.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FontImage image;
  const char* err = read_font_resource(memory_source(data + 1, size - 1), data[0], &image);
  if (err || !small_output(image)) return 0;
  static const int out = open("/dev/null", O_WRONLY);
  for (int density = 0; density < kDensities; ++density) {
    // Linux only: the descriptor is what a file is there.
    if (image.hasDensity[density]) write_text_font(OsFile{out}, image, density);
  }
  return 0;
}
