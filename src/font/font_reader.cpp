// Reads a Pilot font resource from a file into a FontImage. Every size the
// header implies is checked against the file before anything is allocated
// or read, so a damaged resource is refused instead of yielding garbage.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "font/font_image.h"

const char kErrFontOutsideFile[] = "Font resource lies outside the input file.";
const char kErrFontHeaderRange[] = "Font header is out of range.";
const char kErrFontExtended[] = "Extended font format is not supported.";
const char kErrInputRead[] = "Could not read input file.";
const char kErrFontMemory[] = "Not enough memory for the font image.";

namespace {

// True when [start, start + length) lies within a file of size bytes.
bool fits(long size, long start, uint64_t length) {
  return start >= 0 && start <= size && length <= static_cast<uint64_t>(size - start);
}

const char* file_size(FILE* in, long* size) {
  if (std::fseek(in, 0, SEEK_END) != 0) return kErrInputRead;
  *size = std::ftell(in);
  return *size < 0 ? kErrInputRead : nullptr;
}

// Reads exactly n bytes at pos. The range was checked against the file size,
// so a short read means the file shrank meanwhile or could not be read.
const char* read_at(FILE* in, long pos, void* dst, size_t n) {
  if (n == 0) return nullptr;
  if (std::fseek(in, pos, SEEK_SET) != 0) return kErrInputRead;
  if (std::fread(dst, 1, n, in) == n) return nullptr;
  return std::ferror(in) ? kErrInputRead : kErrFontOutsideFile;
}

void parse_header(const uint8_t (&bytes)[kFontHeaderBytes], FontHeader* h) {
  ByteCursor c = MakeCursor(bytes, sizeof bytes);
  // The buffer holds exactly the thirteen fields, so every read succeeds.
  ReadS16(&c, &h->fontType);
  ReadS16(&c, &h->firstChar);
  ReadS16(&c, &h->lastChar);
  ReadS16(&c, &h->maxWidth);
  ReadS16(&c, &h->kernMax);
  ReadS16(&c, &h->nDescent);
  ReadS16(&c, &h->fRectWidth);
  ReadS16(&c, &h->fRectHeight);
  ReadS16(&c, &h->owTLoc);
  ReadS16(&c, &h->ascent);
  ReadS16(&c, &h->descent);
  ReadS16(&c, &h->leading);
  ReadS16(&c, &h->rowWords);
}

// The range must fit the code-indexed tables and the strip must have a size.
const char* check_header(const FontHeader& h) {
  if (h.fontType & kFontTypeExtended) return kErrFontExtended;
  if (h.firstChar < 0 || h.lastChar > 255 || h.lastChar < h.firstChar - 1) return kErrFontHeaderRange;
  if (h.fRectHeight < 0 || h.rowWords < 0) return kErrFontHeaderRange;
  return nullptr;
}

const char* read_locations(FILE* in, long pos, FontImage* image) {
  const int first = image->header.firstChar;
  const size_t entries = static_cast<size_t>(image->rangeCount) + 1;
  uint8_t bytes[257 * 2];
  if (const char* err = read_at(in, pos, bytes, entries * 2)) return err;
  ByteCursor c = MakeCursor(bytes, entries * 2);
  for (size_t i = 0; i < entries; ++i) ReadU16(&c, &image->locations[first + i]);
  return nullptr;
}

const char* read_offset_widths(FILE* in, long pos, FontImage* image) {
  const int first = image->header.firstChar;
  const size_t entries = static_cast<size_t>(image->rangeCount);
  uint8_t bytes[256 * 2];
  if (const char* err = read_at(in, pos, bytes, entries * 2)) return err;
  ByteCursor c = MakeCursor(bytes, entries * 2);
  for (size_t i = 0; i < entries; ++i) {
    OffsetWidth* ow = &image->offsetWidths[first + i];
    ReadS8(&c, &ow->offset);
    ReadS8(&c, &ow->width);
  }
  return nullptr;
}

}  // namespace

const char* read_font_resource(FILE* in, long offset, FontImage* image) {
  long size = 0;
  if (const char* err = file_size(in, &size)) return err;
  if (!fits(size, offset, kFontHeaderBytes)) return kErrFontOutsideFile;

  uint8_t header_bytes[kFontHeaderBytes];
  if (const char* err = read_at(in, offset, header_bytes, sizeof header_bytes)) return err;
  FontHeader& h = image->header;
  parse_header(header_bytes, &h);
  if (const char* err = check_header(h)) return err;
  image->rangeCount = static_cast<int16_t>(h.lastChar - h.firstChar + 1);

  // The strip follows the header and the location table follows the strip;
  // owTLoc counts 16-bit words from its own field, 16 bytes into the header.
  const uint64_t strip_bytes = static_cast<uint64_t>(h.fRectHeight) * row_bytes(h);
  const uint64_t location_bytes = (static_cast<uint64_t>(image->rangeCount) + 1) * 2;
  const long strip_pos = offset + static_cast<long>(kFontHeaderBytes);
  if (!fits(size, strip_pos, strip_bytes + location_bytes)) return kErrFontOutsideFile;
  const long location_pos = strip_pos + static_cast<long>(strip_bytes);
  const long ow_pos = offset + 16 + 2L * h.owTLoc;
  // An empty range reads no offset/width bytes, wherever the table lies.
  if (image->rangeCount > 0 && !fits(size, ow_pos, static_cast<uint64_t>(image->rangeCount) * 2)) {
    return kErrFontOutsideFile;
  }

  if (strip_bytes > 0) {
    image->strip.reset(static_cast<uint8_t*>(std::malloc(strip_bytes)));
    if (!image->strip) return kErrFontMemory;
    if (const char* err = read_at(in, strip_pos, image->strip.get(), strip_bytes)) return err;
  }
  if (const char* err = read_locations(in, location_pos, image)) return err;
  return read_offset_widths(in, ow_pos, image);
}
