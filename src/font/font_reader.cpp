// Reads a Pilot font resource into a FontImage. The version 1 layout is
// read here: the header, the strip right after it, then the location table
// right after the strip. Every size the header implies is checked against
// the source before anything is allocated or read, so a damaged resource
// is refused instead of yielding garbage. A font that is not one read
// big-endian, and starts as a little-endian extended font does, is read
// little-endian.
#include <algorithm>
#include <cstdint>

#include "font/font_image.h"
#include "font/font_input.h"

namespace {

Fault probe_version1_font(const ByteSource& input, int64_t offset, FontImage* image) {
  const int64_t strip_pos = offset + static_cast<int64_t>(kFontHeaderBytes);
  if (!fits(input, strip_pos, strip_bytes(image->header, kDensity72))) return Fault::kFontOutsideFile;
  const TableLayout layout = table_layout(image->header, offset, 0, ByteOrder::kBig);
  if (const Fault err = read_glyph_tables(input, offset, layout, image); err != Fault::kNone) return err;
  note_strip(strip_pos, kDensity72, image);
  return Fault::kNone;
}

// What a probe in one byte order leaves behind, cleared for the other.
void clear_probe(FontImage* image) {
  image->rangeCount = 0;
  image->hasMissingGlyph = false;
  std::fill(image->hasDensity, image->hasDensity + kDensities, false);
  std::fill(image->stripAt, image->stripAt + kDensities, 0);
  image->reach = 0;
  image->tablesEnd = 0;
  image->densityCount = 0;
}

Fault probe_in_order(const ByteSource& input, int64_t offset, ByteOrder order, FontImage* image) {
  clear_probe(image);
  image->byteOrder = order;
  if (const Fault err = read_font_header(input, offset, order, &image->header); err != Fault::kNone) return err;
  image->fileFontType = image->header.fontType;
  // A font map is no font: it names the fonts that make one.
  if (static_cast<uint16_t>(image->header.fontType) == 0xC000) return Fault::kFontMap;
  if (image->header.fontType & kFontTypeExtended) return probe_extended_font(input, offset, image);
  // Only an extended font is little-endian.
  if (order == ByteOrder::kLittle) return Fault::kFontHeaderRange;
  return probe_version1_font(input, offset, image);
}

}  // namespace

Fault probe_font(const ByteSource& input, int64_t offset, FontImage* image) {
  const Fault big = probe_in_order(input, offset, ByteOrder::kBig, image);
  uint8_t first[2] = {};
  if (big == Fault::kNone || !fits(input, offset, 2) || read_at(input, offset, first, 2) != Fault::kNone ||
      !starts_little_endian(first)) {
    return big;
  }
  return probe_in_order(input, offset, ByteOrder::kLittle, image);
}

Fault read_font_resource(const ByteSource& input, int64_t offset, FontImage* image) {
  if (const Fault err = probe_font(input, offset, image); err != Fault::kNone) return err;
  return load_strips(input, image);
}
