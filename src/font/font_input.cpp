// Checked reads of the parts every font layout shares.
#include "font/font_input.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "os/os.h"

const HeaderField kHeaderFields[kHeaderFieldCount] = {
    {"fontType", &FontHeader::fontType, true, false},     {"firstChar", &FontHeader::firstChar, false, false},
    {"lastChar", &FontHeader::lastChar, false, false},    {"maxWidth", &FontHeader::maxWidth, true, true},
    {"kernMax", &FontHeader::kernMax, true, true},        {"nDescent", &FontHeader::nDescent, true, true},
    {"fRectWidth", &FontHeader::fRectWidth, true, true},  {"fRectHeight", &FontHeader::fRectHeight, true, true},
    {"owTLoc", &FontHeader::owTLoc, false, false},        {"ascent", &FontHeader::ascent, true, true},
    {"descent", &FontHeader::descent, true, true},        {"leading", &FontHeader::leading, true, true},
    {"rowWords", &FontHeader::rowWords, false, false},
};

void decode_font_header(const uint8_t* bytes, ByteOrder order, FontHeader* h) {
  ByteCursor c = make_cursor(bytes, kFontHeaderBytes);
  // The buffer holds exactly the thirteen fields, so every read succeeds.
  for (const HeaderField& f : kHeaderFields) read_s16(&c, order, &(h->*f.value));
}

bool header_in_range(const FontHeader& h) {
  return h.firstChar >= 0 && h.lastChar <= 255 && h.lastChar >= h.firstChar - 1 && h.fRectHeight >= 0 &&
         h.rowWords >= 0;
}

Fault read_font_header(const ByteSource& input, int64_t offset, ByteOrder order, FontHeader* h) {
  uint8_t bytes[kFontHeaderBytes];
  if (!fits(input, offset, sizeof bytes)) return Fault::kFontOutsideFile;
  if (const Fault err = read_at(input, offset, bytes, sizeof bytes); err != Fault::kNone) return err;
  decode_font_header(bytes, order, h);
  return header_in_range(*h) ? Fault::kNone : Fault::kFontHeaderRange;
}

TableLayout table_layout(const FontHeader& h, int64_t offset, int densities, ByteOrder order) {
  const int64_t count = h.lastChar - h.firstChar + 1;
  const DensityList list = density_list(order);
  const int64_t locations = densities == 0 ? offset + static_cast<int64_t>(kFontHeaderBytes + strip_bytes(h, kDensity72))
                                           : offset + list.at + list.entryBytes * densities;
  const int64_t offset_widths = offset + 16 + 2 * int64_t{h.owTLoc};
  const int64_t end = locations + (count + 1) * 2;
  return TableLayout{locations, offset_widths, end, offset_widths == end + 2};
}

namespace {

// The last column an image may end at: the row's end and as far again as
// a compiler lets the last glyph run past it.
uint32_t last_column(const FontHeader& h) { return static_cast<uint32_t>(row_bytes(h)) * 8 + kMaxColumnsPastRow; }

Fault read_u16s(const ByteSource& input, int64_t pos, size_t n, ByteOrder order, uint16_t* dst) {
  uint8_t bytes[258 * 2];
  if (const Fault err = read_at(input, pos, bytes, n * 2); err != Fault::kNone) return err;
  ByteCursor c = make_cursor(bytes, n * 2);
  for (size_t i = 0; i < n; ++i) read_u16(&c, order, &dst[i]);
  return Fault::kNone;
}

// A location table that runs backwards, or whose last image ends far past
// the strip, is what a wrong offset yields, never what a compiler writes.
bool locations_damaged(const FontImage& image) {
  const FontHeader& h = image.header;
  if (image.rangeCount < 1) return false;
  for (int c = h.firstChar; c <= h.lastChar; ++c) {
    if (image.locations[c + 1] < image.locations[c]) return true;
  }
  return image.locations[h.lastChar + 1] > last_column(h);
}

}  // namespace

Fault read_glyph_tables(const ByteSource& input, int64_t offset, const TableLayout& layout, FontImage* image) {
  const FontHeader& h = image->header;
  image->rangeCount = static_cast<int16_t>(h.lastChar - h.firstChar + 1);
  const size_t count = static_cast<size_t>(image->rangeCount);
  const int64_t location_pos = layout.locations, ow_pos = layout.offsetWidths;
  if (!fits(input, location_pos, (count + 1) * 2)) return Fault::kFontOutsideFile;
  // An empty range reads no offset/width bytes, wherever the table lies.
  if (count > 0 && !fits(input, ow_pos, count * 2)) return Fault::kFontOutsideFile;
  // Compilers add the glyph drawn for missing codes after the range: one
  // more location entry, so the offset/width table starts one entry later,
  // and one more offset/width entry.
  // A file that ends before that entry is cut short like any other.
  const bool missing = layout.missingGlyph;
  if (missing && !fits(input, ow_pos + static_cast<int64_t>(count) * 2, 2)) return Fault::kFontOutsideFile;
  const size_t ow_entries = count + (missing ? 1 : 0);
  // Compilers put the offset/width table after the header, the strip and
  // the location table; one reaching into them is what a wrong offset
  // yields. A table wholly before the resource overlaps nothing.
  if (count > 0 && ow_pos < layout.locationsEnd && ow_pos + static_cast<int64_t>(ow_entries) * 2 > offset) {
    return Fault::kFontOffsetWidths;
  }
  image->tablesEnd = ow_pos + static_cast<int64_t>(ow_entries) * 2;
  if (const Fault err = read_u16s(input, location_pos, ow_entries + 1, image->byteOrder, &image->locations[h.firstChar]);
      err != Fault::kNone) {
    return err;
  }
  // Two bytes an entry in either byte order: the offset, then the width.
  uint16_t ow[257] = {};
  if (const Fault err = read_u16s(input, ow_pos, ow_entries, ByteOrder::kBig, ow); err != Fault::kNone) return err;
  for (size_t i = 0; i < ow_entries; ++i) {
    image->offsetWidths[h.firstChar + i] = {static_cast<int8_t>(ow[i] >> 8), static_cast<int8_t>(ow[i] & 0xFF)};
  }
  if (locations_damaged(*image)) return Fault::kFontLocations;
  if (missing) {
    const uint32_t start = image->locations[h.lastChar + 1], end = image->locations[h.lastChar + 2];
    // Older compilers write an end of 0: the font then has no such glyph.
    image->hasMissingGlyph = start < end && end <= last_column(h);
  }
  // Only the row bytes up to the furthest column are kept.
  const int last = image->hasMissingGlyph ? h.lastChar + 2 : h.lastChar + 1;
  image->reach = count > 0 || image->hasMissingGlyph ? image->locations[last] : 0;
  for (int density = 0; density < kDensities; ++density) {
    const size_t bytes = static_cast<size_t>(at_density(image->reach, density) + 7) / 8;
    image->stripStride[density] = std::min(bytes, row_bytes(h, density));
  }
  return Fault::kNone;
}

StripLayout strip_layout(const FontImage& image, int density) {
  const FontHeader& h = image.header;
  const size_t row = row_bytes(h, density);
  const bool glyphs = image.rangeCount > 0 || image.hasMissingGlyph;
  const size_t first = glyphs ? static_cast<size_t>(at_density(image.locations[h.firstChar], density)) : 0;
  const auto reach = static_cast<size_t>(at_density(image.reach, density));
  return StripLayout{image.stripAt[density], row, static_cast<size_t>(density_rows(h, density)),
                     image.stripStride[density], first, std::min<size_t>(reach, row * 8)};
}

void note_strip(int64_t pos, int density, FontImage* image) {
  image->hasDensity[density] = true;
  image->stripAt[density] = pos;
}

namespace {

// Rows are read this many bytes at a time at most (a row is at most
// 128 KiB), when only part of each is kept.
constexpr size_t kStreamBytes = size_t{1} << 20;

// Set bits by arithmetic, which needs no helper from the compiler's
// runtime library.
uint64_t popcount64(uint64_t v) {
  v -= (v >> 1) & 0x5555555555555555u;
  v = (v & 0x3333333333333333u) + ((v >> 2) & 0x3333333333333333u);
  v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return (v * 0x0101010101010101u) >> 56;
}

uint64_t set_bits(const uint8_t* p, size_t n) {
  uint64_t bits = 0;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word = 0;
    std::memcpy(&word, p, 8);
    bits += popcount64(word);
  }
  for (; n > 0; ++p, --n) bits += popcount64(*p);
  return bits;
}

// The set pixels of a row in columns [begin, end).
uint64_t ink_between(const uint8_t* row, size_t begin, size_t end) {
  if (begin >= end) return 0;
  const size_t first = begin / 8, last = (end - 1) / 8;
  const auto head = static_cast<uint8_t>(0xFF >> (begin % 8)), tail = static_cast<uint8_t>(0xFF00 >> ((end - 1) % 8 + 1));
  if (first == last) return popcount64(row[first] & head & tail);
  return popcount64(row[first] & head) + set_bits(row + first + 1, last - first - 1) + popcount64(row[last] & tail);
}

// The ink of a row outside the glyphs' columns.
uint64_t ink_outside(const StripLayout& s, const uint8_t* row) {
  return ink_between(row, 0, std::min(s.firstColumn, s.columns)) + ink_between(row, s.columns, s.rowBytes * 8);
}

// Reads one strip row by row, counting the ink outside the glyphs, and
// keeps the bytes the glyphs reach in dst when it is not nullptr.
Fault stream_strip(const ByteSource& input, const StripLayout& s, uint8_t* dst, uint64_t* ink) {
  *ink = 0;
  if (s.rowBytes == 0 || s.rows == 0) return Fault::kNone;
  if (dst != nullptr && s.kept == s.rowBytes) {
    // Whole rows are kept: read straight into the strip.
    if (const Fault err = read_at(input, s.at, dst, s.kept * s.rows); err != Fault::kNone) return err;
    for (size_t r = 0; r < s.rows; ++r) *ink += ink_outside(s, dst + r * s.rowBytes);
    return Fault::kNone;
  }
  std::unique_ptr<uint8_t[], FreeBytes> buffer(
      static_cast<uint8_t*>(std::malloc(std::min(kStreamBytes, s.rows * s.rowBytes))));
  if (!buffer) return Fault::kFontMemory;
  const size_t per_read = std::max<size_t>(1, kStreamBytes / s.rowBytes);
  for (size_t r = 0; r < s.rows; r += per_read) {
    const size_t n = std::min(per_read, s.rows - r);
    const int64_t at = s.at + static_cast<int64_t>(r * s.rowBytes);
    if (const Fault err = read_at(input, at, buffer.get(), n * s.rowBytes); err != Fault::kNone) return err;
    for (size_t k = 0; k < n; ++k) {
      const uint8_t* bytes = buffer.get() + k * s.rowBytes;
      *ink += ink_outside(s, bytes);
      if (dst != nullptr) std::memcpy(dst + (r + k) * s.kept, bytes, s.kept);
    }
  }
  return Fault::kNone;
}

// Reads every strip, keeping the bytes the glyphs reach when keep is set.
Fault stream_strips(const ByteSource& input, FontImage* image, bool keep) {
  for (int density = 0; density < kDensities; ++density) {
    image->inkOutside[density] = 0;
    if (!image->hasDensity[density]) continue;
    const StripLayout s = strip_layout(*image, density);
    uint8_t* dst = nullptr;
    if (keep && s.kept > 0 && s.rows > 0) {
      image->strips[density].reset(static_cast<uint8_t*>(os_allocate_large(s.kept * s.rows)));
      if (!image->strips[density]) return Fault::kFontMemory;
      dst = image->strips[density].get();
    }
    if (const Fault err = stream_strip(input, s, dst, &image->inkOutside[density]); err != Fault::kNone) return err;
  }
  return Fault::kNone;
}

}  // namespace

Fault load_strips(const ByteSource& input, FontImage* image) { return stream_strips(input, image, true); }

Fault count_ink_outside(const ByteSource& input, FontImage* image) { return stream_strips(input, image, false); }

Fault count_strip_ink(const ByteSource& input, const StripLayout& strip, uint64_t* ink) {
  return stream_strip(input, strip, nullptr, ink);
}
