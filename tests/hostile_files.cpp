#include "hostile_files.h"

#include <algorithm>

#include "font_builder.h"

namespace {

void put32(std::vector<uint8_t>* bytes, size_t pos, uint32_t v) {
  put16(bytes, pos, static_cast<int>(v >> 16));
  put16(bytes, pos + 2, static_cast<int>(v & 0xFFFF));
}

// The header fields of a font of two glyphs of 8 columns on rows of
// row_bytes, the offset/width table right after the locations.
void put_header(std::vector<uint8_t>* b, size_t at, int font_type, int rows, size_t row_bytes, int ow_tloc) {
  const int fields[13] = {font_type, 65, 66, 8, 0, 0, 8, rows, ow_tloc, rows, 0, 0, static_cast<int>(row_bytes / 2)};
  for (int f = 0; f < 13; ++f) put16(b, at + 2 * f, fields[f]);
}

// Locations 0, 8, 16 and the offset/width entries of the two glyphs.
void put_tables(std::vector<uint8_t>* b, size_t at) {
  for (int i = 0; i < 3; ++i) put16(b, at + 2 * i, 8 * i);
  for (int i = 0; i < 2; ++i) put16(b, at + 6 + 2 * i, 8);
}

constexpr size_t kTables = 6 + 4;

// An extended font's header, its one density entry (72 dpi, its strip at
// strip_at from the header) and its tables, at at.
void put_extended(std::vector<uint8_t>* b, size_t at, int rows, size_t row_bytes, size_t strip_at) {
  put_header(b, at, 0x9200, rows, row_bytes, static_cast<int>((36 - 16 + 6) / 2));
  put16(b, at + 26, 1);
  put16(b, at + 28, 1);
  put16(b, at + 30, 72);
  put32(b, at + 32, static_cast<uint32_t>(strip_at - at));
  put_tables(b, at + 36);
}

constexpr size_t kExtendedBytes = 36 + kTables;

}  // namespace

std::vector<uint8_t> inked_font() {
  FontModel m = make_font(65, 66, 2, {{65, {"#-------", "-#------"}}, {66, {"--#-----", "---#----"}}});
  m.header.fontType = static_cast<int16_t>(0x9000);
  return encode_font(m);
}

// A strip this long takes the offset/width table before the font's header
// (a negative owTLoc), as compilers place it.
std::vector<uint8_t> shared_strip_prc(int entries, size_t strip_bytes, bool distinct, bool vary_reach) {
  const size_t row_bytes = 2048, rows = std::max<size_t>(1, strip_bytes / row_bytes);
  const size_t list_end = 78 + 10 * static_cast<size_t>(entries) + 2;
  const size_t font = list_end + (distinct ? 0 : 4);
  const size_t headers = distinct ? kExtendedBytes * static_cast<size_t>(entries) : 4 + 26;
  const size_t strip = list_end + headers, locations = strip + rows * row_bytes;
  std::vector<uint8_t> b(locations + (distinct ? 0 : 6), 0);
  const char name[] = "Shared strip";
  std::copy(name, name + sizeof name, b.begin());
  b[33] = 0x01;
  std::copy_n("rsrcGLFX", 8, b.begin() + 60);
  put16(&b, 76, entries);
  for (int i = 0; i < entries; ++i) {
    const size_t e = 78 + 10 * static_cast<size_t>(i);
    std::copy_n("NFNT", 4, b.begin() + static_cast<long>(e));
    put16(&b, e + 4, 1000 + i);
    put32(&b, e + 6, static_cast<uint32_t>(distinct ? list_end + kExtendedBytes * static_cast<size_t>(i) : font));
  }
  if (distinct) {
    for (int i = 0; i < entries; ++i) {
      const size_t at = list_end + kExtendedBytes * static_cast<size_t>(i);
      put_extended(&b, at, static_cast<int>(rows), row_bytes, strip);
      // The second glyph reaches one column further in each header.
      if (vary_reach) put16(&b, at + 36 + 4, 16 + i % 8000);
    }
  } else {
    put_header(&b, font, 0x9000, static_cast<int>(rows), row_bytes, -10);
    for (int i = 0; i < 3; ++i) put16(&b, locations + 2 * i, 8 * i);
    for (int i = 0; i < 2; ++i) put16(&b, list_end + 2 * i, 8);
  }
  // Ink in both glyphs, and one pixel past them in the last row.
  b[strip] = 0x81;
  b[strip + 1] = 0x18;
  b[strip + rows * row_bytes - 1] = 0x01;
  return b;
}

std::vector<uint8_t> zero_memo_file(int headers, size_t strip_bytes, size_t short_runs) {
  std::vector<uint8_t> b(16, 0xEE);
  // Three fonts whose glyphs (the first byte of each 4-byte row) hold no
  // ink, while the rest of each row is 01 00 01: a one-byte zero run a row.
  const size_t rows = short_runs / 3 + 1;
  for (int f = 0; f < 3; ++f) {
    const size_t at = b.size();
    b.resize(at + 26 + rows * 4 + kTables, 0);
    put_header(&b, at, 0x9000, static_cast<int>(rows), 4, static_cast<int>((10 + rows * 4 + 6) / 2));
    for (size_t r = 0; r < rows; ++r) {
      b[at + 26 + 4 * r + 1] = 0x01;
      b[at + 26 + 4 * r + 3] = 0x01;
    }
    put_tables(&b, at + 26 + rows * 4);
    // Glyphs of four columns: the first half byte of each row.
    for (int i = 0; i < 3; ++i) put16(&b, at + 26 + rows * 4 + 2 * i, 4 * i);
    for (int i = 0; i < 2; ++i) put16(&b, at + 26 + rows * 4 + 6 + 2 * i, 4);
    b.push_back(0xEE);
  }
  // The inkless headers, then their one strip of zeros.
  const size_t row_bytes = 2048, strip_rows = std::max<size_t>(1, strip_bytes / row_bytes);
  const size_t first = b.size(), strip = first + kExtendedBytes * static_cast<size_t>(headers);
  b.resize(strip + strip_rows * row_bytes, 0);
  for (int i = 0; i < headers; ++i) {
    put_extended(&b, first + kExtendedBytes * static_cast<size_t>(i), static_cast<int>(strip_rows), row_bytes, strip);
  }
  b.push_back(0xEE);
  const std::vector<uint8_t> font = inked_font();
  b.insert(b.end(), font.begin(), font.end());
  return b;
}
