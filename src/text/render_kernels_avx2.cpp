// The loops with AVX2 instructions: a 32-byte vector of text is made from
// four strip bytes, or from 32 rows of a narrow glyph, by spreading each
// byte over the lanes that show its bits and testing one bit in each lane.
// Only this file is built for AVX2; the rest of the program checks that the
// processor has it before it uses these loops.
#include "text/render_kernels.h"

#if defined(GLYFEX_AVX2_KERNELS)

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "text/lit_rows.h"
#include "text/pixel_table.h"

namespace {

__m256i load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }

void store(char* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// '#' in each lane whose byte has the lane's bit of mask set, '-' elsewhere.
__m256i pixels(__m256i bytes, __m256i mask) {
  const __m256i set = _mm256_cmpeq_epi8(_mm256_and_si256(bytes, mask), mask);
  return _mm256_blendv_epi8(_mm256_set1_epi8('-'), _mm256_set1_epi8('#'), set);
}

// Lanes 8i to 8i + 7 of the result show the byte of four that spread
// puts in lane group i, its top bit first.
__m256i expand_four(int four, __m256i spread) {
  return pixels(_mm256_shuffle_epi8(_mm256_set1_epi32(four), spread), _mm256_set1_epi64x(0x0102040810204080));
}

// The bytes from p up to end, fewer than four, in the low bytes of a
// little-endian word: read as the last four before end where they are
// there, else a byte at a time. No call, and no store to load again.
int last_bytes_low(const uint8_t* begin, const uint8_t* p, const uint8_t* end) {
  uint32_t word = 0;
  if (end - begin >= 4) {
    std::memcpy(&word, end - 4, 4);
    return static_cast<int>(word >> (8 * (4 - (end - p))));
  }
  for (int k = 0; p + k < end; ++k) word |= static_cast<uint32_t>(p[k]) << (8 * k);
  return static_cast<int>(word);
}

// The bytes from p up to end, fewer than eight, in the high bytes of a
// big-endian number, the same way.
uint64_t last_bytes_high(const uint8_t* begin, const uint8_t* p, const uint8_t* end) {
  uint64_t word = 0;
  if (end - begin >= 8) {
    std::memcpy(&word, end - 8, 8);
    return __builtin_bswap64(word) << (8 * (8 - (end - p)));
  }
  for (int k = 0; p + k < end; ++k) word |= static_cast<uint64_t>(p[k]) << (56 - 8 * k);
  return word;
}

// Sixteen bytes make 128 characters, four vectors: vector q shows bytes
// 4q to 4q + 3, each spread by its own shuffle of both halves' copy of the
// sixteen.
struct SixteenSpread {
  alignas(32) uint8_t index[4][32];
};

constexpr SixteenSpread make_sixteen_spread() {
  SixteenSpread t{};
  for (int q = 0; q < 4; ++q) {
    for (int i = 0; i < 32; ++i) t.index[q][i] = static_cast<uint8_t>(4 * q + i / 8);
  }
  return t;
}

constexpr SixteenSpread kSixteenSpread = make_sixteen_spread();

void expand_sixteen(__m128i sixteen, char* out) {
  const __m256i both = _mm256_broadcastsi128_si256(sixteen);
  const __m256i bit = _mm256_set1_epi64x(0x0102040810204080);
#pragma GCC unroll 4
  for (int q = 0; q < 4; ++q) {
    store(out + 32 * q, pixels(_mm256_shuffle_epi8(both, load(kSixteenSpread.index[q])), bit));
  }
}

// Sixteen groups of columns that start shift bits into byte[0]: each byte
// shifted by shift within 16-bit lanes, with what crossed from its
// neighbour masked off, joined to the next byte shifted the other way.
// Reads byte[0] to byte[16].
__m128i sixteen_shifted(const uint8_t* byte, __m128i left, __m128i right, __m128i keep_left, __m128i keep_right) {
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(byte));
  const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(byte + 1));
  return _mm_or_si128(_mm_and_si128(_mm_sll_epi16(first, left), keep_left),
                      _mm_and_si128(_mm_srl_epi16(second, right), keep_right));
}

// Sixteen groups at a time, then four; the last one to three groups of a
// row are made as four from what is there to read, and the text past them
// is overwritten later.
struct VectorExpand {
  static void bytes(const uint8_t* bytes, uint32_t n, char* out) {
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1,  //
                                            2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3);
    uint32_t i = 0;
    for (; i + 16 <= n; i += 16, out += 128) {
      expand_sixteen(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i)), out);
    }
    for (; i + 4 <= n; i += 4, out += 32) {
      int four = 0;
      std::memcpy(&four, bytes + i, 4);
      store(out, expand_four(four, spread));
    }
    if (i < n) store(out, expand_four(last_bytes_low(bytes, bytes + i, bytes + n), spread));
  }

  // Four groups from five strip bytes: eight bytes read as one big-endian
  // number and shifted leave the four groups in its top half, the first
  // in the top byte, where the shuffle takes them from. Bytes byte[0] to
  // byte[groups] may be read.
  static void shifted(const uint8_t* byte, uint32_t shift, uint32_t groups, char* out) {
    const __m256i spread = _mm256_setr_epi8(3, 3, 3, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2,  //
                                            1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0);
    uint32_t i = 0;
    if (groups >= 16) {
      const __m128i left = _mm_cvtsi32_si128(static_cast<int>(shift));
      const __m128i right = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
      const __m128i keep_left = _mm_set1_epi8(static_cast<char>((0xFF << shift) & 0xFF));
      const __m128i keep_right = _mm_set1_epi8(static_cast<char>(0xFF >> (8 - shift)));
      for (; i + 16 <= groups; i += 16, out += 128) {
        expand_sixteen(sixteen_shifted(byte + i, left, right, keep_left, keep_right), out);
      }
    }
    for (; i < groups; i += 4, out += 32) {
      uint64_t eight = 0;
      if (i + 8 <= groups + 1) {
        std::memcpy(&eight, byte + i, 8);
        eight = __builtin_bswap64(eight);
      } else {
        eight = last_bytes_high(byte, byte + i, byte + groups + 1);
      }
      store(out, expand_four(static_cast<int>(static_cast<uint32_t>((eight << shift) >> 32)), spread));
    }
  }
};

char* vector_rows(const uint8_t* row, size_t row_bytes, int rows, const GlyphColumns& g, char* out) {
  return render_rows_with<VectorExpand>(row, row_bytes, rows, g, out);
}

// 32 rows of a glyph of C columns are 32 (C + 1) bytes of text, C + 1
// vectors. For each byte of each vector: the row it shows, counted in the
// half of the 32 rows that its 16-byte lane reads (a byte shuffle stays in
// its lane); the bit of the row it shows, none for the line feed; and the
// line feed, as what turns a '#' into it. Row 16 starts the lane C + 1, so
// no lane shows rows of both halves.
struct ColumnChunks {
  alignas(32) uint8_t row[9][32];
  alignas(32) uint8_t bit[9][32];
  alignas(32) uint8_t feed[9][32];
  int halves[9];  // 0: both lanes show rows 0-15; 1: the low lane those, the high 16-31; 2: both 16-31
};

template <int C>
constexpr ColumnChunks make_chunks() {
  ColumnChunks t{};
  constexpr int kLine = C + 1;
  for (int k = 0; k < kLine; ++k) {
    for (int i = 0; i < 32; ++i) {
      const int at = 32 * k + i, row = at / kLine, column = at % kLine;
      const int half = (2 * k + i / 16) < kLine ? 0 : 1;
      t.row[k][i] = static_cast<uint8_t>(row - 16 * half);
      t.bit[k][i] = static_cast<uint8_t>(column < C ? 0x80 >> column : 0);
      t.feed[k][i] = static_cast<uint8_t>(column < C ? 0 : '#' ^ '\n');
    }
    t.halves[k] = (2 * k + 1 < kLine) ? 0 : (2 * k < kLine ? 1 : 2);
  }
  return t;
}

template <int C>
constexpr ColumnChunks kChunks = make_chunks<C>();

// The text of 32 rows whose pixels are the top C bits of the bytes of bits.
template <int C>
char* text_of_32_rows(__m256i bits, char* out) {
  if (C == 1) {
    // Each row a character and a line feed: the characters interleaved
    // with line feeds, the lanes put back in row order.
    const __m256i text = pixels(bits, _mm256_set1_epi8(static_cast<char>(0x80)));
    const __m256i feeds = _mm256_set1_epi8('\n');
    const __m256i low = _mm256_unpacklo_epi8(text, feeds), high = _mm256_unpackhi_epi8(text, feeds);
    store(out, _mm256_permute2x128_si256(low, high, 0x20));
    store(out + 32, _mm256_permute2x128_si256(low, high, 0x31));
    return out + 64;
  }
  const __m256i low = _mm256_permute2x128_si256(bits, bits, 0x00);
  const __m256i high = _mm256_permute2x128_si256(bits, bits, 0x11);
  const ColumnChunks& t = kChunks<C>;
  // Unrolled, so that which half each vector shows is known when compiled.
#pragma GCC unroll 9
  for (int k = 0; k <= C; ++k) {
    const __m256i from = t.halves[k] == 0 ? low : t.halves[k] == 1 ? bits : high;
    const __m256i rows = _mm256_shuffle_epi8(from, load(t.row[k]));
    store(out + 32 * k, _mm256_xor_si256(pixels(rows, load(t.bit[k])), load(t.feed[k])));
  }
  return out + 32 * (C + 1);
}

// Each row's columns as one byte, the first column in its top bit: bytes
// shift by shift within 16-bit lanes, and what crossed into a neighbour
// byte is masked off.
struct RowBits {
  __m128i left, right;
  __m256i keepLeft, keepRight;
  bool second;
};

RowBits row_bits_for(uint32_t shift, uint32_t columns) {
  return RowBits{_mm_cvtsi32_si128(static_cast<int>(shift)), _mm_cvtsi32_si128(static_cast<int>(8 - shift)),
                 _mm256_set1_epi8(static_cast<char>((0xFF << shift) & 0xFF)),
                 _mm256_set1_epi8(static_cast<char>(0xFF >> (8 - shift))), shift + columns > 8};
}

__m256i row_bits(const RowBits& b, const uint8_t* first, const uint8_t* second) {
  __m256i bits = _mm256_and_si256(_mm256_sll_epi16(load(first), b.left), b.keepLeft);
  if (b.second) bits = _mm256_or_si256(bits, _mm256_and_si256(_mm256_srl_epi16(load(second), b.right), b.keepRight));
  return bits;
}

template <int C>
char* columns_of(const uint8_t* first, const uint8_t* second, int rows, uint32_t shift, char* out) {
  const RowBits b = row_bits_for(shift, C);
  int r = 0;
  for (; r + 32 <= rows; r += 32) out = text_of_32_rows<C>(row_bits(b, first + r, second + r), out);
  if (r == rows) return out;
  // The last rows through a copy padded to 32, so nothing past them is read
  // or written.
  const size_t left = static_cast<size_t>(rows - r);
  uint8_t a[32] = {}, c[32] = {};
  std::memcpy(a, first + r, left);
  if (b.second) std::memcpy(c, second + r, left);
  char text[32 * (C + 1)];
  text_of_32_rows<C>(row_bits(b, a, c), text);
  std::memcpy(out, text, left * (C + 1));
  return out + left * (C + 1);
}

char* vector_columns(const uint8_t* first, const uint8_t* second, int rows, uint32_t shift, uint32_t columns,
                     char* out) {
  switch (columns) {
    case 1: return columns_of<1>(first, second, rows, shift, out);
    case 2: return columns_of<2>(first, second, rows, shift, out);
    case 3: return columns_of<3>(first, second, rows, shift, out);
    case 4: return columns_of<4>(first, second, rows, shift, out);
    case 5: return columns_of<5>(first, second, rows, shift, out);
    case 6: return columns_of<6>(first, second, rows, shift, out);
    case 7: return columns_of<7>(first, second, rows, shift, out);
    default: return columns_of<8>(first, second, rows, shift, out);
  }
}

// A medium glyph, of 9 to 64 columns, 32 rows at a time. Its columns are
// first gathered, row by row, as planes: byte p of a row holds its columns
// 8p to 8p + 7, the first in the top bit; the rows' planes side by side, Q
// bytes a row (2, 4 or 8, the planes rounded up to a power of two). 32
// rows of text are then 32 (C + 1) bytes, C + 1 vectors: each shows at
// most five rows (Q = 2), three (Q = 4) or two (Q = 8), which lie within
// sixteen bytes of the planes, so one shuffle of those sixteen bytes,
// loaded into both lanes, spreads them over the vector.
constexpr int kMediumRows = 32;

struct MediumTables {
  bool built;
  uint32_t planes;  // Q
  uint16_t from[kMostMediumColumns + 1];  // where each vector's sixteen bytes start in the planes
  alignas(32) uint8_t index[kMostMediumColumns + 1][32];
  alignas(32) uint8_t bit[kMostMediumColumns + 1][32];
  alignas(32) uint8_t feed[kMostMediumColumns + 1][32];
};

MediumTables medium_tables[kMostMediumColumns + 1];

// The tables of a width, made when it is first drawn.
const MediumTables& medium_tables_for(uint32_t columns) {
  MediumTables& t = medium_tables[columns];
  if (t.built) return t;
  const uint32_t line = columns + 1, planes = columns <= 16 ? 2 : columns <= 32 ? 4 : 8;
  t.planes = planes;
  for (uint32_t k = 0; k < line; ++k) {
    const uint32_t first_row = 32 * k / line;
    t.from[k] = static_cast<uint16_t>(first_row * planes);
    for (uint32_t i = 0; i < 32; ++i) {
      const uint32_t at = 32 * k + i, row = at / line, column = at % line;
      const bool pixel = column < columns;
      t.index[k][i] = static_cast<uint8_t>(pixel ? (row - first_row) * planes + column / 8 : 0);
      t.bit[k][i] = static_cast<uint8_t>(pixel ? 0x80 >> (column % 8) : 0);
      t.feed[k][i] = static_cast<uint8_t>(pixel ? 0 : '#' ^ '\n');
    }
  }
  t.built = true;
  return t;
}

// The planes of 32 rows from the source columns, each 32 rows' bytes:
// plane p is column p shifted left by shift with what column p + 1 brings
// in. The rows' planes go side by side in two runs of sixteen rows, the
// first at out, the second 16 Q bytes on, as the vector's two lanes hold
// rows 0-15 and 16-31.
template <uint32_t kPlanes>
void medium_planes(const uint8_t* column, size_t next, uint32_t count, uint32_t shift, uint8_t* out) {
  const __m128i left = _mm_cvtsi32_si128(static_cast<int>(shift));
  const __m128i right = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
  const __m256i keep_left = _mm256_set1_epi8(static_cast<char>((0xFF << shift) & 0xFF));
  const __m256i keep_right = _mm256_set1_epi8(static_cast<char>(0xFF >> (8 - shift)));
  __m256i source[kPlanes + 1];
#pragma GCC unroll 9
  for (uint32_t k = 0; k <= kPlanes; ++k) source[k] = k < count ? load(column + k * next) : _mm256_setzero_si256();
  __m256i p[kPlanes];
#pragma GCC unroll 8
  for (uint32_t k = 0; k < kPlanes; ++k) {
    p[k] = _mm256_or_si256(_mm256_and_si256(_mm256_sll_epi16(source[k], left), keep_left),
                           _mm256_and_si256(_mm256_srl_epi16(source[k + 1], right), keep_right));
  }
  // Pairs of planes interleaved bytewise, then those pairs in pairs, and so
  // on; each lane's rows stay in that lane.
  __m256i a[kPlanes];
#pragma GCC unroll 8
  for (uint32_t k = 0; k < kPlanes; k += 2) {
    a[k] = _mm256_unpacklo_epi8(p[k], p[k + 1]);
    a[k + 1] = _mm256_unpackhi_epi8(p[k], p[k + 1]);
  }
  __m256i rows[kPlanes];
  if (kPlanes == 2) {
    rows[0] = a[0];
    rows[1] = a[1];
  } else {
    __m256i b[kPlanes];
#pragma GCC unroll 8
    for (uint32_t k = 0; k < kPlanes; k += 4) {
      b[k] = _mm256_unpacklo_epi16(a[k], a[k + 2]);
      b[k + 1] = _mm256_unpackhi_epi16(a[k], a[k + 2]);
      b[k + 2] = _mm256_unpacklo_epi16(a[k + 1], a[k + 3]);
      b[k + 3] = _mm256_unpackhi_epi16(a[k + 1], a[k + 3]);
    }
    if (kPlanes == 4) {
#pragma GCC unroll 4
      for (uint32_t k = 0; k < 4; ++k) rows[k] = b[k];
    } else {
      // Rows 4k to 4k + 3 of planes 0-3 in b[k], of 4-7 in b[4 + k].
#pragma GCC unroll 4
      for (uint32_t k = 0; k < 4; ++k) {
        rows[2 * k] = _mm256_unpacklo_epi32(b[k], b[(4 + k) % kPlanes]);
        rows[2 * k + 1] = _mm256_unpackhi_epi32(b[k], b[(4 + k) % kPlanes]);
      }
    }
  }
  auto* low = reinterpret_cast<__m128i*>(out);
  auto* high = reinterpret_cast<__m128i*>(out + 16 * kPlanes);
#pragma GCC unroll 8
  for (uint32_t k = 0; k < kPlanes; ++k) {
    _mm_store_si128(low + k, _mm256_castsi256_si128(rows[k]));
    _mm_store_si128(high + k, _mm256_extracti128_si256(rows[k], 1));
  }
}

using PlanesFunction = void (*)(const uint8_t* column, size_t next, uint32_t count, uint32_t shift, uint8_t* out);

// The text of 32 rows from their planes.
char* medium_text(const MediumTables& t, const uint8_t* planes, uint32_t line, char* out) {
  for (uint32_t k = 0; k < line; ++k, out += 32) {
    const __m256i bytes = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(planes + t.from[k])));
    const __m256i spread = _mm256_shuffle_epi8(bytes, load(t.index[k]));
    store(out, _mm256_xor_si256(pixels(spread, load(t.bit[k])), load(t.feed[k])));
  }
  return out;
}

// The planes are made for many blocks of 32 rows before any text is drawn
// from them, so that no load waits for a store still on its way.
constexpr int kMediumBatch = 8;

char* vector_medium(const uint8_t* column, size_t next, int rows, uint32_t shift, uint32_t columns, char* out) {
  const MediumTables& t = medium_tables_for(columns);
  const uint32_t count = (shift + columns + 7) / 8, line = columns + 1;
  const PlanesFunction planes_of = t.planes == 2   ? medium_planes<2>
                                   : t.planes == 4 ? medium_planes<4>
                                                   : medium_planes<8>;
  const size_t block_bytes = kMediumRows * t.planes;
  // The planes of a batch, with room for sixteen bytes read past the last.
  alignas(16) uint8_t planes[kMediumBatch * kMediumRows * 8 + 16];
  int r = 0;
  while (r + kMediumRows <= rows) {
    const int blocks = std::min(kMediumBatch, (rows - r) / kMediumRows);
    for (int b = 0; b < blocks; ++b) planes_of(column + r + kMediumRows * b, next, count, shift, planes + b * block_bytes);
    for (int b = 0; b < blocks; ++b) out = medium_text(t, planes + b * block_bytes, line, out);
    r += blocks * kMediumRows;
  }
  if (r == rows) return out;
  // The last rows through copies padded to 32, so nothing past them is
  // read or written.
  const size_t left = static_cast<size_t>(rows - r);
  alignas(32) uint8_t padded[kMostMediumColumns / 8 + 1][kMediumRows] = {};
  for (uint32_t k = 0; k < count; ++k) std::memcpy(padded[k], column + k * next + r, left);
  planes_of(padded[0], kMediumRows, count, shift, planes);
  char text[kMediumRows * (kMostMediumColumns + 1)];
  medium_text(t, planes, line, text);
  std::memcpy(out, text, left * line);
  return out + left * line;
}

// A wide glyph, of 65 to 128 columns, 32 rows at a time from its packed
// rows: each row's columns first shifted to start at the top bit of its
// first byte, sixteen bytes a row, as the medium glyphs' planes are. Each
// sixteen bytes of text then show at most two rows, whose bytes lie within
// sixteen bytes of those rows, from where the text starts: one shuffle
// each, the two halves of a vector from two such loads.
struct WideTables {
  uint32_t columns;  // the width they are for, or 0
  uint16_t from[2 * (kMostWideColumns + 1)];  // where each half's sixteen bytes start
  alignas(32) uint8_t index[kMostWideColumns + 1][32];
  alignas(32) uint8_t bit[kMostWideColumns + 1][32];
  alignas(32) uint8_t feed[kMostWideColumns + 1][32];
};

// The tables of the last width drawn; another width builds them anew.
WideTables wide_tables;

const WideTables& wide_tables_for(uint32_t columns) {
  WideTables& t = wide_tables;
  if (t.columns == columns) return t;
  const uint32_t line = columns + 1;
  for (uint32_t half = 0; half < 2 * line; ++half) {
    uint32_t first = ~0u;
    for (uint32_t i = 0; i < 16; ++i) {
      const uint32_t at = 16 * half + i, column = at % line;
      if (column < columns) first = std::min(first, at / line * 16 + column / 8);
    }
    first = first == ~0u ? 0 : first;
    t.from[half] = static_cast<uint16_t>(first);
    for (uint32_t i = 0; i < 16; ++i) {
      const uint32_t at = 16 * half + i, row = at / line, column = at % line;
      const bool pixel = column < columns;
      t.index[half / 2][16 * (half % 2) + i] = static_cast<uint8_t>(pixel ? row * 16 + column / 8 - first : 0);
      t.bit[half / 2][16 * (half % 2) + i] = static_cast<uint8_t>(pixel ? 0x80 >> (column % 8) : 0);
      t.feed[half / 2][16 * (half % 2) + i] = static_cast<uint8_t>(pixel ? 0 : '#' ^ '\n');
    }
  }
  t.columns = columns;
  return t;
}

char* wide_text(const WideTables& t, const uint8_t* rows, uint32_t line, char* out) {
  for (uint32_t k = 0; k < line; ++k, out += 32) {
    const __m256i bytes = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows + t.from[2 * k]))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows + t.from[2 * k + 1])), 1);
    const __m256i spread = _mm256_shuffle_epi8(bytes, load(t.index[k]));
    store(out, _mm256_xor_si256(pixels(spread, load(t.bit[k])), load(t.feed[k])));
  }
  return out;
}

// Rows shifted to start at a byte, sixteen bytes each; reads seventeen of
// each packed row.
void wide_rows(const uint8_t* row, size_t pitch, int rows, uint32_t shift, uint8_t* out) {
  const __m128i left = _mm_cvtsi32_si128(static_cast<int>(shift));
  const __m128i right = _mm_cvtsi32_si128(static_cast<int>(8 - shift));
  const __m128i keep_left = _mm_set1_epi8(static_cast<char>((0xFF << shift) & 0xFF));
  const __m128i keep_right = _mm_set1_epi8(static_cast<char>(0xFF >> (8 - shift)));
  for (int r = 0; r < rows; ++r, row += pitch, out += 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), sixteen_shifted(row, left, right, keep_left, keep_right));
  }
}

char* vector_wide(const uint8_t* row, size_t pitch, int rows, uint32_t shift, uint32_t columns, char* out) {
  const WideTables& t = wide_tables_for(columns);
  const uint32_t line = columns + 1;
  // A batch of rows shifted before any text is drawn from them, so that no
  // load waits for a store still on its way; room for sixteen bytes read
  // past the last.
  constexpr int kBatch = 8 * kMediumRows;
  alignas(16) uint8_t shifted[kBatch * 16 + 16] = {};
  int r = 0;
  while (r + kMediumRows <= rows) {
    const int n = std::min(kBatch, (rows - r) / kMediumRows * kMediumRows);
    wide_rows(row + r * pitch, pitch, n, shift, shifted);
    for (int b = 0; b < n; b += kMediumRows) out = wide_text(t, shifted + 16 * b, line, out);
    r += n;
  }
  if (r == rows) return out;
  // The last rows as 32, the rest zeros, through a copy of their text.
  const int left = rows - r;
  wide_rows(row + r * pitch, pitch, left, shift, shifted);
  std::memset(shifted + 16 * left, 0, 16 * static_cast<size_t>(kMediumRows - left));
  char text[kMediumRows * (kMostWideColumns + 1)];
  wide_text(t, shifted, line, text);
  std::memcpy(out, text, static_cast<size_t>(left) * line);
  return out + static_cast<size_t>(left) * line;
}

// Interleaves a and b in units of 1 << K bytes: a takes the low halves'
// units, b the high halves'.
template <int K>
void interleave(__m128i& a, __m128i& b) {
  __m128i low, high;
  if (K == 0) {
    low = _mm_unpacklo_epi8(a, b);
    high = _mm_unpackhi_epi8(a, b);
  } else if (K == 1) {
    low = _mm_unpacklo_epi16(a, b);
    high = _mm_unpackhi_epi16(a, b);
  } else if (K == 2) {
    low = _mm_unpacklo_epi32(a, b);
    high = _mm_unpackhi_epi32(a, b);
  } else {
    low = _mm_unpacklo_epi64(a, b);
    high = _mm_unpackhi_epi64(a, b);
  }
  a = low;
  b = high;
}

// Interleaves rows i and i + (1 << K) in place, in units of 1 << K bytes.
template <int K>
void interleave_rows(__m128i (&x)[16]) {
#pragma GCC unroll 16
  for (int i = 0; i < 16; ++i) {
    if ((i & (1 << K)) == 0) interleave<K>(x[i], x[i + (1 << K)]);
  }
}

// Blocks of sixteen rows by sixteen columns. Four rounds of interleaving
// pairs of rows, in place so that all sixteen stay in registers, leave
// column c in row kColumnOf[c]: the bits of c reversed.
void blocks_of_16(const uint8_t* src, size_t stride, size_t rows, uint32_t width, uint8_t* dst, size_t pitch) {
  constexpr int kColumnOf[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  for (size_t r = 0; r < rows; r += 16) {
    for (uint32_t c = 0; c < width; c += 16) {
      __m128i x[16];
#pragma GCC unroll 16
      for (size_t i = 0; i < 16; ++i) {
        x[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + (r + i) * stride + c));
      }
      interleave_rows<0>(x);
      interleave_rows<1>(x);
      interleave_rows<2>(x);
      interleave_rows<3>(x);
#pragma GCC unroll 16
      for (uint32_t j = 0; j < 16; ++j) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + (c + j) * pitch + r), x[kColumnOf[j]]);
      }
    }
  }
}

}  // namespace

const RenderKernels kAvx2Kernels = {vector_rows, vector_columns, vector_medium, vector_wide, blocks_of_16, 16};

#endif
