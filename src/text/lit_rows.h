// The loop over a glyph's rows, shared by the portable and the vector
// renderers: they differ only in Expand::bytes, which turns n whole strip
// bytes into 8n characters, and Expand::shifted, which does the same for n
// groups of columns that start shift bits into a byte (byte[0] to
// byte[groups] may be read: while eight whole columns remain inside the
// row, the second byte an unaligned group reaches into lies inside it too).
// Each instantiation is made in one file, with that file's instruction set.
#ifndef GLYFEX_TEXT_LIT_ROWS_H
#define GLYFEX_TEXT_LIT_ROWS_H

#include <cstdint>
#include <cstring>

#include "text/glyph_columns.h"
#include "text/pixel_table.h"

// The columns of one row that lie inside it, from byte on: whole groups of
// eight, then the last few, which reach into the next byte only when they
// cross it. Whether the columns start inside a byte is known when compiled.
template <typename Expand, bool kShifted>
char* render_lit(const uint8_t* byte, uint32_t shift, uint32_t groups, uint32_t tail, char* out) {
  if (kShifted) {
    Expand::shifted(byte, shift, groups, out);
  } else {
    Expand::bytes(byte, groups, out);
  }
  out += 8 * groups;
  if (tail > 0) {
    const uint8_t* last = byte + groups;
    unsigned bits = static_cast<unsigned>(last[0]) << shift;
    if (shift + tail > 8) bits |= last[1] >> (8 - shift);
    // All eight: a store of a size known when compiled. What follows
    // overwrites the rest.
    std::memcpy(out, kPixelTable.pixels[bits & 0xFF], 8);
    out += tail;
  }
  return out;
}

// The rows of a glyph with lit columns, its column layout copied to
// locals: stores through out may alias any object, and would otherwise make
// the compiler read them again each time.
template <typename Expand, bool kShifted>
char* render_lit_rows(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& columns, char* out) {
  const uint32_t shift = columns.shift, groups = columns.groups, tail = columns.tail, clear = columns.clear;
  row += columns.firstByte;
  for (int r = 0; r < rows; ++r, row += row_bytes) {
    out = render_lit<Expand, kShifted>(row, shift, groups, tail, out);
    if (clear > 0) {
      std::memset(out, '-', clear);
      out += clear;
    }
    *out++ = '\n';
  }
  return out;
}

// render_rows for any glyph. A glyph wholly past the row's end reads
// nothing; its rows may not exist, and a strip of no bytes is no pointer
// at all.
template <typename Expand>
char* render_rows_with(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& columns, char* out) {
  if (columns.groups == 0 && columns.tail == 0) {
    for (int r = 0; r < rows; ++r) {
      std::memset(out, '-', columns.clear);
      out += columns.clear;
      *out++ = '\n';
    }
    return out;
  }
  if (columns.shift == 0) return render_lit_rows<Expand, false>(row, row_bytes, rows, columns, out);
  return render_lit_rows<Expand, true>(row, row_bytes, rows, columns, out);
}

#endif
