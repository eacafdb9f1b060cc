// Reads a Pilot font resource into a FontImage. The version 1 layout is
// read here: the header, the strip right after it, then the location table
// right after the strip. Every size the header implies is checked against
// the file before anything is allocated or read, so a damaged resource is
// refused instead of yielding garbage.
#include <cstdint>
#include <cstdio>

#include "font/font_image.h"
#include "font/font_input.h"

namespace {

const char* read_version1_font(const FontInput& input, long offset, FontImage* image) {
  const FontHeader& h = image->header;
  const uint64_t strip = strip_bytes(h, kDensity72);
  const long strip_pos = offset + static_cast<long>(kFontHeaderBytes);
  if (!fits(input, strip_pos, strip)) return kErrFontOutsideFile;
  // The tables are small: they are read and checked before the strip is
  // allocated.
  if (const char* err = read_glyph_tables(input, offset, strip_pos + static_cast<long>(strip), image)) return err;
  return read_strip(input, strip_pos, kDensity72, image);
}

}  // namespace

const char* read_font_resource(FILE* in, long offset, FontImage* image) {
  FontInput input{};
  if (const char* err = open_font_input(in, &input)) return err;
  if (const char* err = read_font_header(input, offset, &image->header)) return err;
  if (image->header.fontType & kFontTypeExtended) return read_extended_font(input, offset, image);
  return read_version1_font(input, offset, image);
}
