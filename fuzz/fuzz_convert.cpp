// libFuzzer target over one whole conversion. The first input byte is the
// offset of the font resource; the rest is the input file.
#include <fcntl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "font/font_image.h"
#include "text/text_font.h"

namespace {

// A 30-byte resource may legitimately describe megabytes of clear pixels
// (rows of no strip bytes, locations up to 127 columns past the row);
// writing those is slow, not wrong, so the target skips the writer for such
// fonts.
bool small_output(const FontImage& image) {
  const FontHeader& h = image.header;
  const int last = h.lastChar + 1 + (image.hasMissingGlyph ? 1 : 0);
  const uint64_t columns = image.locations[last] - std::min(image.locations[h.firstChar], image.locations[last]);
  const uint64_t scale = image.hasDensity[kDensity144] ? 4 : 1;
  return columns * static_cast<uint64_t>(h.fRectHeight) * scale <= (1u << 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // fmemopen wants a non-empty buffer; the file is data[1, size).
  static uint8_t none = 0;
  FILE* in = size > 1 ? fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "rb") : fmemopen(&none, 0, "rb");
  if (!in) return 0;
  FontImage image;
  const char* err = read_font_resource(in, data[0], &image);
  std::fclose(in);
  if (err || !small_output(image)) return 0;
  static const int out = open("/dev/null", O_WRONLY);
  for (int density = 0; density < kDensities; ++density) {
    if (image.hasDensity[density]) write_text_font(out, image, density);
  }
  return 0;
}
