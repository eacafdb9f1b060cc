// The loops in portable C++: a table lookup per strip byte, and 64-bit
// arithmetic for transposing.
#include <algorithm>
#include <cstring>

#include "text/lit_rows.h"
#include "text/pixel_table.h"
#include "text/render_kernels.h"

namespace {

// Groups of eight columns that start shift bits into a strip byte: each is
// put together from two strip bytes, a chunk at a time, and the chunk
// expanded.
template <typename Expand>
void expand_in_chunks(const uint8_t* byte, uint32_t shift, uint32_t groups, char* out) {
  uint8_t aligned[64];
  for (uint32_t i = 0; i < groups; i += sizeof aligned) {
    const uint32_t n = std::min<uint32_t>(groups - i, sizeof aligned);
    for (uint32_t k = 0; k < n; ++k) {
      aligned[k] = static_cast<uint8_t>(byte[i + k] << shift | byte[i + k + 1] >> (8 - shift));
    }
    Expand::bytes(aligned, n, out + 8 * i);
  }
}

struct TableExpand {
  // Four bytes at a time, two table entries joined into one 16-byte store:
  // the loads and stores of one pass are independent, and stores are what
  // this costs most.
  static void bytes(const uint8_t* bytes, uint32_t n, char* out) {
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4, out += 32) {
      uint64_t a[2], b[2];
      std::memcpy(&a[0], kPixelTable.pixels[bytes[i]], 8);
      std::memcpy(&a[1], kPixelTable.pixels[bytes[i + 1]], 8);
      std::memcpy(&b[0], kPixelTable.pixels[bytes[i + 2]], 8);
      std::memcpy(&b[1], kPixelTable.pixels[bytes[i + 3]], 8);
      std::memcpy(out, a, 16);
      std::memcpy(out + 16, b, 16);
    }
    for (; i < n; ++i, out += 8) std::memcpy(out, kPixelTable.pixels[bytes[i]], 8);
  }

  static void shifted(const uint8_t* byte, uint32_t shift, uint32_t groups, char* out) {
    expand_in_chunks<TableExpand>(byte, shift, groups, out);
  }
};

char* table_rows(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& g, char* out) {
  return render_rows_with<TableExpand>(row, row_bytes, rows, g, out);
}

// Each row is one 16-byte copy of its pixels and a line feed, the line feed
// then put after the glyph's last column; the next row overwrites what lies
// beyond.
char* table_columns(const uint8_t* first, const uint8_t* second, int rows, uint32_t shift, uint32_t columns,
                    char* out) {
  if (shift + columns <= 8) {
    for (int r = 0; r < rows; ++r, out += columns + 1) {
      std::memcpy(out, kPixelTable.rows[(first[r] << shift) & 0xFF], 16);
      out[columns] = '\n';
    }
    return out;
  }
  for (int r = 0; r < rows; ++r, out += columns + 1) {
    std::memcpy(out, kPixelTable.rows[((first[r] << shift) | (second[r] >> (8 - shift))) & 0xFF], 16);
    out[columns] = '\n';
  }
  return out;
}

// Eight bytes as a little-endian number, on any machine; spelt out, so
// that the compiler makes one load or store of each.
uint64_t load8(const uint8_t* p) {
  return uint64_t{p[0]} | uint64_t{p[1]} << 8 | uint64_t{p[2]} << 16 | uint64_t{p[3]} << 24 | uint64_t{p[4]} << 32 |
         uint64_t{p[5]} << 40 | uint64_t{p[6]} << 48 | uint64_t{p[7]} << 56;
}

void store8(uint8_t* p, uint64_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
  p[4] = static_cast<uint8_t>(v >> 32);
  p[5] = static_cast<uint8_t>(v >> 40);
  p[6] = static_cast<uint8_t>(v >> 48);
  p[7] = static_cast<uint8_t>(v >> 56);
}

// x[i] holds byte j of row i as its byte j; afterwards x[j] holds byte j of
// row i as its byte i. Three rounds exchange blocks of four, two and one
// bytes between rows.
void transpose8(uint64_t x[8]) {
  for (int i = 0; i < 4; ++i) {
    const uint64_t a = x[i], b = x[i + 4];
    x[i] = (a & 0x00000000FFFFFFFF) | (b << 32);
    x[i + 4] = (a >> 32) | (b & 0xFFFFFFFF00000000);
  }
  for (int base = 0; base < 8; base += 4) {
    for (int i = base; i < base + 2; ++i) {
      const uint64_t a = x[i], b = x[i + 2];
      x[i] = (a & 0x0000FFFF0000FFFF) | ((b & 0x0000FFFF0000FFFF) << 16);
      x[i + 2] = ((a >> 16) & 0x0000FFFF0000FFFF) | (b & 0xFFFF0000FFFF0000);
    }
  }
  for (int i = 0; i < 8; i += 2) {
    const uint64_t a = x[i], b = x[i + 1];
    x[i] = (a & 0x00FF00FF00FF00FF) | ((b & 0x00FF00FF00FF00FF) << 8);
    x[i + 1] = ((a >> 8) & 0x00FF00FF00FF00FF) | (b & 0xFF00FF00FF00FF00);
  }
}

// Blocks of eight rows by eight columns, a row of blocks at a time so that
// each row is read once.
void blocks_of_8(const uint8_t* src, size_t stride, size_t rows, uint32_t width, uint8_t* dst, size_t pitch) {
  for (size_t r = 0; r < rows; r += 8) {
    for (uint32_t c = 0; c < width; c += 8) {
      uint64_t x[8];
      for (int i = 0; i < 8; ++i) x[i] = load8(src + (r + i) * stride + c);
      transpose8(x);
      for (int j = 0; j < 8; ++j) store8(dst + (c + j) * pitch + r, x[j]);
    }
  }
}

}  // namespace

const RenderKernels kPortableKernels = {table_rows, table_columns, nullptr, nullptr, blocks_of_8, 8};
