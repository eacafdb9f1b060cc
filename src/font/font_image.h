// The Pilot bitmap font resource held in memory, and its reader.
#ifndef GLYFEX_FONT_FONT_IMAGE_H
#define GLYFEX_FONT_FONT_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fault/fault.h"
#include "font/byte_cursor.h"
#include "font/byte_source.h"
#include "font/density.h"
#include "os/os.h"

// The thirteen header fields, in file order, in host byte order.
struct FontHeader {
  int16_t fontType;
  int16_t firstChar;
  int16_t lastChar;
  int16_t maxWidth;
  int16_t kernMax;
  int16_t nDescent;
  int16_t fRectWidth;
  int16_t fRectHeight;
  int16_t owTLoc;  // words from this field to the offset/width table
  int16_t ascent;
  int16_t descent;
  int16_t leading;
  int16_t rowWords;  // strip row length in 16-bit words
};

constexpr size_t kFontHeaderBytes = 26;

// The thirteen fields in file order, with what a text does with each: the
// nine metrics are written by name, fontType unsigned as it stands, the
// others signed and scaled to the density.
struct HeaderField {
  const char* name;
  int16_t FontHeader::*value;
  bool metric;
  bool scaled;
};

constexpr int kHeaderFieldCount = 13;
extern const HeaderField kHeaderFields[kHeaderFieldCount];

// The rows of the density's image: fRectHeight times the density's
// multiple, or where the density is none (108 dpi) the scaled ascent and
// the scaled descent, the baseline between them.
inline int64_t density_rows(const FontHeader& h, int density) {
  if (is_whole_multiple(density)) return at_density(h.fRectHeight, density);
  return at_density(h.ascent, density) + at_density(h.descent, density);
}

// A metric's value as a text writes it at the density: fRectHeight the
// image's rows, the other measures scaled.
inline int metric_value(const FontHeader& h, const HeaderField& f, int density) {
  const int16_t v = h.*f.value;
  if (!f.scaled) return static_cast<uint16_t>(v);
  if (f.value == &FontHeader::fRectHeight) return static_cast<int>(density_rows(h, density));
  return static_cast<int>(at_density(v, density));
}

// fontType bit that marks the extended, multi-density layout.
constexpr int16_t kFontTypeExtended = 0x0200;


struct OffsetWidth {
  int8_t offset;
  int8_t width;
};

struct FreeBytes {
  void operator()(void* p) const { std::free(p); }
};

// Room for at least one entry past count in an array that holds capacity,
// doubled when full (first entries at the start); false without memory,
// the array then as it was.
template <typename T>
bool grow(std::unique_ptr<T[], FreeBytes>* array, size_t count, size_t* capacity, size_t first = 64) {
  if (count < *capacity) return true;
  const size_t more = *capacity == 0 ? first : *capacity * 2;
  auto* grown = static_cast<T*>(std::realloc(array->get(), more * sizeof(T)));
  if (grown == nullptr) return false;
  (void)array->release();
  array->reset(grown);
  *capacity = more;
  return true;
}

// For what os_allocate_large gave.
struct FreeLarge {
  void operator()(void* p) const { os_free_large(p); }
};

// Both tables are indexed by character code. Only the entries of the
// header's range are filled, and those of the missing-character glyph at
// index lastChar + 1 when the font has one; the reader checks that the
// range fits the tables.
struct FontImage {
  FontHeader header{};
  int16_t rangeCount = 0;  // lastChar - firstChar + 1
  // The glyph drawn for codes the font lacks, written after the range.
  bool hasMissingGlyph = false;
  // Which densities the font has an image for, and each image: fRectHeight
  // rows at 72 dpi, more at the others, top row first, as in the file
  // (null when that is no bytes). Of each row only the bytes some glyph's
  // columns reach are kept, stripStride of them, so that a long row with
  // narrow glyphs costs what the glyphs do.
  bool hasDensity[kDensities] = {};
  ByteOrder byteOrder = ByteOrder::kBig;
  // The header's own fontType (before the extended bit is cleared for the
  // text) and an extended font's density list in file order, each density
  // and where its image starts from the font's start, for outputs that
  // keep the whole header.
  int16_t fileFontType = 0;
  int densityCount = 0;
  int16_t listedDpi[8] = {};
  uint32_t listedOffset[8] = {};
  std::unique_ptr<uint8_t[], FreeLarge> strips[kDensities];
  size_t stripStride[kDensities] = {};
  // The furthest column any glyph's image reaches, at 72 dpi: the last
  // location read, since the tables run forwards; 0 without glyphs.
  uint32_t reach = 0;
  int64_t stripAt[kDensities] = {};  // where each strip lies in the source
  // Set pixels of each strip in no glyph's columns (before the first
  // location or from the furthest one on), counted as the strips are read:
  // the text has no place for them.
  uint64_t inkOutside[kDensities] = {};
  uint16_t locations[258] = {};
  OffsetWidth offsetWidths[257] = {};
  // The source position just past the offset/width table.
  int64_t tablesEnd = 0;
};

// How far past the end of the strip row the last image may reach: the
// largest advance width, which is how far a compiler lets the last glyph run.
constexpr uint32_t kMaxColumnsPastRow = 127;

inline size_t row_bytes(const FontHeader& h) { return static_cast<size_t>(h.rowWords) * 2; }

// A row of the density's image: whole 16-bit words, as many as the 72 dpi
// row's scaled, rounded up.
inline size_t row_bytes(const FontHeader& h, int density) {
  return 2 * static_cast<size_t>(at_density_up(h.rowWords, density));
}

inline size_t strip_bytes(const FontHeader& h, int density) {
  return static_cast<size_t>(density_rows(h, density)) * row_bytes(h, density);
}

inline const uint8_t* strip_row(const FontImage& image, int density, int row) {
  return image.strips[density].get() + static_cast<size_t>(row) * image.stripStride[density];
}


// Reads the header and both tables of the font resource that starts offset
// bytes into the source, and checks everything against the source, strips
// included: what a probe accepts, glyfex converts. Reads a few KiB at most;
// the strips are not read. Returns the fault that refuses it, or
// Fault::kNone.
Fault probe_font(const ByteSource& in, int64_t offset, FontImage* image);

// Reads the strips of a probed font: of each row only the bytes its glyphs
// reach are kept, while every byte is read to count the ink outside them.
Fault load_strips(const ByteSource& in, FontImage* image);

// Counts the ink outside every glyph, as load_strips does, keeping nothing.
Fault count_ink_outside(const ByteSource& in, FontImage* image);

// probe_font, then load_strips.
Fault read_font_resource(const ByteSource& in, int64_t offset, FontImage* image);

#endif
