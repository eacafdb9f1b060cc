// What both font readers share: reads checked against the source's size,
// the header, the two glyph tables and the strips.
#ifndef GLYFEX_FONT_FONT_INPUT_H
#define GLYFEX_FONT_FONT_INPUT_H

#include <cstdint>

#include "font/byte_source.h"
#include "font/font_image.h"

// The thirteen fields from their kFontHeaderBytes bytes in file order.
void decode_font_header(const uint8_t* bytes, FontHeader* h);

// The checks every layout shares: codes within the tables, no negative
// sizes.
bool header_in_range(const FontHeader& h);

// Reads the thirteen fields at offset and applies those checks.
Fault read_font_header(const ByteSource& in, int64_t offset, FontHeader* h);

// The extended layout: after the header its version and density count,
// then the density list of six bytes an entry.
constexpr int64_t kExtendedVersionAt = 26;
constexpr int64_t kDensityListAt = 30;
constexpr int64_t kDensityEntryBytes = 6;
constexpr int kMaxDensityEntries = 8;

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

TableLayout table_layout(const FontHeader& h, int64_t offset, int densities);

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

// The extended, multi-density layout after its header has been read.
Fault probe_extended_font(const ByteSource& in, int64_t offset, FontImage* image);

#endif
