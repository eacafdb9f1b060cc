// Reads the extended font layout of Palm OS 5: after the version 1 header
// come a version, a density count and one entry per density, each the
// density and the offset of its image from the resource's start; then the
// location table. The images lie wherever their offsets say. Big-endian
// entries are six bytes; the little-endian layout of the ARM system fonts
// pads the count and each entry with two bytes.
#include <cstdint>

#include "font/font_image.h"
#include "font/font_input.h"

Fault probe_extended_font(const ByteSource& input, int64_t offset, FontImage* image) {
  FontHeader& h = image->header;
  const ByteOrder order = image->byteOrder;
  const DensityList list = density_list(order);
  uint8_t bytes[32 + 8 * kMaxDensityEntries];
  if (!fits(input, offset + kExtendedVersionAt, 4)) return Fault::kFontOutsideFile;
  if (const Fault err = read_at(input, offset + kExtendedVersionAt, bytes, 4); err != Fault::kNone) return err;
  ByteCursor c = make_cursor(bytes, sizeof bytes);
  int16_t version = 0, count = 0;
  read_s16(&c, order, &version);
  read_s16(&c, order, &count);
  if (version != 1 || count < 1 || count > kMaxDensityEntries) return Fault::kFontHeaderRange;
  const int64_t list_bytes = list.entryBytes * count;
  if (!fits(input, offset + list.at, list_bytes)) return Fault::kFontOutsideFile;
  if (const Fault err = read_at(input, offset + list.at, bytes, static_cast<size_t>(list_bytes)); err != Fault::kNone) {
    return err;
  }
  c = make_cursor(bytes, static_cast<size_t>(list_bytes));
  int64_t strip_pos[kDensities] = {};
  bool listed[kDensities] = {};
  for (int i = 0; i < count; ++i) {
    int16_t dpi = 0;
    uint32_t bits_offset = 0;
    seek(&c, static_cast<size_t>(list.entryBytes * i));
    read_s16(&c, order, &dpi);
    seek(&c, static_cast<size_t>(list.entryBytes * i + list.offsetAt));
    read_u32(&c, order, &bits_offset);
    image->listedDpi[i] = dpi;
    image->listedOffset[i] = bits_offset;
    const int density = density_of_dpi(dpi);
    if (density < 0 || listed[density]) return Fault::kFontDensity;
    // Only a font whose ascent and descent make up its height puts its
    // baseline where a 108 dpi image can hold it.
    if (!is_whole_multiple(density) && (h.ascent < 0 || h.descent < 0 || h.ascent + h.descent != h.fRectHeight)) {
      return Fault::kFontHeight108;
    }
    listed[density] = true;
    strip_pos[density] = offset + int64_t{bits_offset};
    if (!fits(input, strip_pos[density], strip_bytes(h, density))) return Fault::kFontOutsideFile;
  }
  if (const Fault err = read_glyph_tables(input, offset, table_layout(h, offset, count, order), image); err != Fault::kNone) {
    return err;
  }
  for (int density = 0; density < kDensities; ++density) {
    if (listed[density]) note_strip(strip_pos[density], density, image);
  }
  image->densityCount = count;
  // PilRC sets the bit itself when it builds a family from the texts;
  // left in a text, it would give a different font.
  h.fontType = static_cast<int16_t>(h.fontType & ~kFontTypeExtended);
  return Fault::kNone;
}
