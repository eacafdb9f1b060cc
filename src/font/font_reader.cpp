// Reads a version 1 Pilot font resource into a FontImage: the header, the
// strip right after it, then the location table right after the strip.
// Every size the header implies is checked against the file before
// anything is allocated or read, so a damaged resource is refused instead
// of yielding garbage.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "font/font_image.h"
#include "font/font_input.h"

const char kErrFontExtended[] = "Extended font format is not supported.";

const char* read_font_resource(FILE* in, long offset, FontImage* image) {
  FontInput input{};
  if (const char* err = open_font_input(in, &input)) return err;
  FontHeader& h = image->header;
  if (const char* err = read_font_header(input, offset, &h)) return err;
  if (h.fontType & kFontTypeExtended) return kErrFontExtended;

  const uint64_t strip_bytes = static_cast<uint64_t>(h.fRectHeight) * row_bytes(h);
  const long strip_pos = offset + static_cast<long>(kFontHeaderBytes);
  if (!fits(input, strip_pos, strip_bytes)) return kErrFontOutsideFile;
  const long location_pos = strip_pos + static_cast<long>(strip_bytes);
  // The tables are small: they are read and checked before the strip is
  // allocated.
  if (const char* err = read_glyph_tables(input, offset, location_pos, image)) return err;
  if (strip_bytes > 0) {
    image->strip.reset(static_cast<uint8_t*>(std::malloc(strip_bytes)));
    if (!image->strip) return kErrFontMemory;
    if (const char* err = read_at(input, strip_pos, image->strip.get(), strip_bytes)) return err;
  }
  return nullptr;
}
