// What both font readers share: reads checked against the source's size,
// the header, the two glyph tables and the strips.
#ifndef GLYFEX_FONT_FONT_INPUT_H
#define GLYFEX_FONT_FONT_INPUT_H

#include <cstdint>

#include "font/byte_source.h"
#include "font/font_image.h"

// The thirteen fields from their kFontHeaderBytes bytes in file order.
void decode_font_header(const uint8_t* bytes, ByteOrder order, FontHeader* h);

// The checks every layout shares: codes within the tables, no negative
// sizes.
bool header_in_range(const FontHeader& h);

// Reads the thirteen fields at offset and applies those checks.
Fault read_font_header(const ByteSource& in, int64_t offset, ByteOrder order, FontHeader* h);

// The extended layout: after the header its version and density count,
// then the density list: six bytes an entry (a density, where its image
// starts) big-endian; little-endian two bytes of padding after the count
// and two inside each entry.
constexpr int64_t kExtendedVersionAt = 26;
constexpr int kMaxDensityEntries = 8;

struct DensityList {
  int64_t at;  // where the first entry starts
  int64_t entryBytes;
  int64_t offsetAt;  // where an entry's image offset lies in it
};

inline DensityList density_list(ByteOrder order) {
  return order == ByteOrder::kBig ? DensityList{30, 6, 2} : DensityList{32, 8, 4};
}

// True when a font's first two bytes may start a little-endian font: an
// extended one, its fontType 0x92 with the extended bit, low byte first.
inline bool starts_little_endian(const uint8_t* bytes) { return bytes[0] == 0x00 && bytes[1] == 0x92; }

// Where the tables of the font at offset lie, from its header alone: the
// location table after the strip (version 1, densities 0) or after a
// density list of that many entries, the offset/width table where owTLoc
// points.
struct TableLayout {
  int64_t locations;
  int64_t offsetWidths;
  int64_t locationsEnd;  // just past the range's entries and the one after
  // The offset/width table starts one entry after locationsEnd: compilers
  // add a missing-character glyph after the range so.
  bool missingGlyph;
};

TableLayout table_layout(const FontHeader& h, int64_t offset, int densities, ByteOrder order);

// Reads the location table and the offset/width table where the layout
// puts them, with the missing-character glyph when there is one, and
// refuses tables that no compiler writes. Sets the range count, where the
// tables end, and how many bytes of each strip row the glyphs reach.
Fault read_glyph_tables(const ByteSource& in, int64_t offset, const TableLayout& layout, FontImage* image);

// Where a probed font's strip of a density lies and which of its columns
// the glyphs cover: [firstColumn, columns), within the row.
struct StripLayout {
  int64_t at;
  size_t rowBytes;
  size_t rows;
  size_t kept;  // bytes of each row the glyphs reach, kept when loaded
  size_t firstColumn;
  size_t columns;
};

StripLayout strip_layout(const FontImage& image, int density);

// Counts the set pixels of one strip outside its glyphs' columns, reading
// it whole, as load_strips does.
Fault count_strip_ink(const ByteSource& in, const StripLayout& strip, uint64_t* ink);

// Notes that the font has a strip of the density at pos, which the caller
// has checked with fits; load_strips reads it.
void note_strip(int64_t pos, int density, FontImage* image);

// The extended, multi-density layout after its header has been read, in
// the image's byte order.
Fault probe_extended_font(const ByteSource& in, int64_t offset, FontImage* image);

#endif
