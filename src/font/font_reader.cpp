// Reads a Pilot font resource into a FontImage. The version 1 layout is
// read here: the header, the strip right after it, then the location table
// right after the strip. Every size the header implies is checked against
// the source before anything is allocated or read, so a damaged resource
// is refused instead of yielding garbage.
#include <cstdint>

#include "font/font_image.h"
#include "font/font_input.h"

namespace {

Fault probe_version1_font(const ByteSource& input, int64_t offset, FontImage* image) {
  const int64_t strip_pos = offset + static_cast<int64_t>(kFontHeaderBytes);
  if (!fits(input, strip_pos, strip_bytes(image->header, kDensity72))) return Fault::kFontOutsideFile;
  const TableLayout layout = table_layout(image->header, offset, 0);
  if (const Fault err = read_glyph_tables(input, offset, layout, image); err != Fault::kNone) return err;
  note_strip(strip_pos, kDensity72, image);
  return Fault::kNone;
}

}  // namespace

Fault probe_font(const ByteSource& input, int64_t offset, FontImage* image) {
  if (const Fault err = read_font_header(input, offset, &image->header); err != Fault::kNone) return err;
  if (image->header.fontType & kFontTypeExtended) return probe_extended_font(input, offset, image);
  return probe_version1_font(input, offset, image);
}

Fault read_font_resource(const ByteSource& input, int64_t offset, FontImage* image) {
  if (const Fault err = probe_font(input, offset, image); err != Fault::kNone) return err;
  return load_strips(input, image);
}
