// The loop over a glyph's rows, shared by the portable and the vector
// renderers: they differ only in Expand::bytes, which turns n whole strip
// bytes into 8n characters. Each instantiation is made in one file, with
// that file's instruction set.
#ifndef GLYFEX_TEXT_LIT_ROWS_H
#define GLYFEX_TEXT_LIT_ROWS_H

#include <cstdint>
#include <cstring>

#include "text/glyph_render.h"
#include "text/pixel_table.h"

// The columns of one row that lie inside it, from byte on. Eight columns at
// a time: the byte that holds columns x..x+7 is put together from two strip
// bytes shifted by the glyph's bit alignment, a chunk at a time. While
// eight whole columns remain inside the row, the second byte an unaligned
// group reaches into lies inside the row too; the last columns reach into
// the next byte only when they cross it.
template <typename Expand>
char* render_lit(const uint8_t* byte, uint32_t shift, uint32_t groups, uint32_t tail, char* out) {
  if (shift == 0) {
    Expand::bytes(byte, groups, out);
  } else {
    uint8_t aligned[64];
    for (uint32_t i = 0; i < groups; i += sizeof aligned) {
      const uint32_t n = groups - i < sizeof aligned ? groups - i : static_cast<uint32_t>(sizeof aligned);
      for (uint32_t k = 0; k < n; ++k) {
        aligned[k] = static_cast<uint8_t>(byte[i + k] << shift | byte[i + k + 1] >> (8 - shift));
      }
      Expand::bytes(aligned, n, out + 8 * i);
    }
  }
  out += 8 * groups;
  if (tail > 0) {
    const uint8_t* last = byte + groups;
    unsigned bits = static_cast<unsigned>(last[0]) << shift;
    if (shift + tail > 8) bits |= last[1] >> (8 - shift);
    std::memcpy(out, kPixelTable.pixels[bits & 0xFF], tail);
    out += tail;
  }
  return out;
}

// render_rows for any glyph. The glyph's columns are copied to locals:
// stores through out may alias any object, and would otherwise make the
// compiler read them again each time.
template <typename Expand>
char* render_rows_with(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& columns, char* out) {
  const uint32_t shift = columns.shift, groups = columns.groups, tail = columns.tail, clear = columns.clear;
  // A glyph wholly past the row's end reads nothing; its rows may not exist.
  const bool lit = groups > 0 || tail > 0;
  // A strip of no bytes is no pointer at all: it is offset only when read.
  if (lit) row += columns.firstByte;
  for (int r = 0; r < rows; ++r, row += row_bytes) {
    if (lit) out = render_lit<Expand>(row, shift, groups, tail, out);
    if (clear > 0) {
      std::memset(out, '-', clear);
      out += clear;
    }
    *out++ = '\n';
  }
  return out;
}

#endif
