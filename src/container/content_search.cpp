#include "container/content_search.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "font/font_input.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include "container/container.h"

namespace {

// The header and, in an extended font, its version and density count.
constexpr size_t kPeekBytes = 30;
// What the word-at-a-time test reads past the last of eight offsets.
constexpr size_t kGroupReach = 33;

// The font type words compilers write: Palm (0x90..), Palm extended
// (0x92..) and Macintosh fixed-width (0xB0..). Every real font found in
// ROMs, applications and resource forks has one; most false ones have 0.
bool known_font_type(uint8_t high) { return high == 0x90 || high == 0x92 || high == 0xB0; }

// What the header alone tells, worked out as the reader does in the byte
// order: a known font type (unless any_type), at least one code within the
// tables, a height and a row length, and an offset/width table that starts
// where the location table ends (one entry later when there is a
// missing-character glyph). Most offsets fail at the first test: both
// codes' high bytes are 0. Only an extended font is little-endian.
bool header_fits_in(const uint8_t* p, size_t avail, bool any_type, ByteOrder order) {
  const bool big = order == ByteOrder::kBig;
  if ((big ? p[2] | p[4] : p[3] | p[5]) != 0 || !(any_type || known_font_type(big ? p[0] : p[1]))) return false;
  FontHeader h{};
  decode_font_header(p, order, &h);
  if (!header_in_range(h) || h.lastChar < h.firstChar || h.fRectHeight < 1 || h.rowWords < 1) return false;
  int densities = 0;
  if ((h.fontType & kFontTypeExtended) != 0) {
    if (avail < kPeekBytes) return false;
    ByteCursor c = make_cursor(p + kExtendedVersionAt, 4);
    int16_t version = 0, count = 0;
    read_s16(&c, order, &version);
    read_s16(&c, order, &count);
    if (version != 1 || count < 1 || count > kMaxDensityEntries) return false;
    densities = count;
  } else if (!big) {
    return false;
  }
  const TableLayout layout = table_layout(h, 0, densities, order);
  return layout.offsetWidths == layout.locationsEnd || layout.missingGlyph;
}

// Big-endian first, as the reader tries it; little-endian where the font
// starts as a little-endian one does.
bool header_fits(const uint8_t* p, size_t avail, bool any_type) {
  return header_fits_in(p, avail, any_type, ByteOrder::kBig) ||
         (starts_little_endian(p) && header_fits_in(p, avail, any_type, ByteOrder::kLittle));
}

uint64_t load64(const uint8_t* p) {
  uint64_t v = 0;
  std::memcpy(&v, p, sizeof v);
  return v;
}

constexpr uint64_t kLowBits = 0x0101010101010101u;
constexpr uint64_t kHighBits = 0x8080808080808080u;

// Per byte, the high bit set when the byte is not 0 (exactly).
uint64_t nonzero_bytes(uint64_t v) { return (((v & ~kHighBits) + ~kHighBits) | v) & kHighBits; }

// Per byte, the high bit set when the byte may be 0: every 0 byte is
// marked, and some bytes above one may be too.
uint64_t maybe_zero_bytes(uint64_t v) { return (v - kLowBits) & ~v & kHighBits; }

// Not 0 when one of the eight offsets from p on may start a header: both
// codes' high bytes 0 and a height not 0 (big-endian), or the bytes 00 92
// (little-endian). Rejects runs of zeros, text and random bytes eight
// offsets at a time; the row length, which rejects almost nothing these
// have not, is left to the header's own test.
uint64_t header_candidates(const uint8_t* p) {
  const uint64_t big = maybe_zero_bytes(load64(p + 2) | load64(p + 4)) & nonzero_bytes(load64(p + 14) | load64(p + 15));
  // A byte 0x92 is looked for first, cheaply, and the pair tested only
  // where there may be one.
  const uint64_t at92 = load64(p + 1) ^ 0x9292929292929292u;
  uint64_t little = maybe_zero_bytes(at92);
  if (little != 0) little = ~nonzero_bytes(load64(p)) & ~nonzero_bytes(at92) & kHighBits;
  return big | little;
}

// True when one of the thirty-two offsets from p on may start a header,
// as header_candidates tells, sixteen at a time where the processor has
// SSE2 (every x86-64 one has). Reads 64 bytes from p.
bool any_header_in_32(const uint8_t* p) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), b92 = _mm_set1_epi8(static_cast<char>(0x92));
  __m128i any = zero;
  for (int half = 0; half < 32; half += 16) {
    const auto at = [&](int k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + half + k)); };
    const __m128i highs = _mm_and_si128(_mm_cmpeq_epi8(at(2), zero), _mm_cmpeq_epi8(at(4), zero));
    const __m128i no_height = _mm_and_si128(_mm_cmpeq_epi8(at(14), zero), _mm_cmpeq_epi8(at(15), zero));
    const __m128i big = _mm_andnot_si128(no_height, highs);
    const __m128i little = _mm_and_si128(_mm_cmpeq_epi8(at(0), zero), _mm_cmpeq_epi8(at(1), b92));
    any = _mm_or_si128(any, _mm_or_si128(big, little));
  }
  return _mm_movemask_epi8(any) != 0;
#else
  return (header_candidates(p) | header_candidates(p + 8) | header_candidates(p + 16) | header_candidates(p + 24)) != 0;
#endif
}

// Byte ranges of the file known to hold only zeros, sorted and apart, so
// that no ink check reads them again whatever the headers point at. The
// table is bounded; once full, it keeps the longer half of what it knows,
// so that many short runs never crowd out a long one.
struct Span {
  uint64_t begin, end;
};

constexpr size_t kMaxZeroSpans = size_t{1} << 16;

struct ZeroSpans {
  std::unique_ptr<Span[], FreeBytes> spans;
  size_t count;
};

// The first span that ends after pos.
size_t span_after(const ZeroSpans& z, uint64_t pos) {
  return static_cast<size_t>(
      std::upper_bound(z.spans.get(), z.spans.get() + z.count, pos, [](uint64_t p, const Span& s) { return p < s.end; }) -
      z.spans.get());
}

bool known_zero(const ZeroSpans& z, uint64_t begin, uint64_t end) {
  const size_t i = span_after(z, begin);
  return begin >= end || (i < z.count && z.spans[i].begin <= begin && z.spans[i].end >= end);
}

// Keeps the longer half of the spans, in their order.
void keep_longer_half(ZeroSpans* z) {
  Span* s = z->spans.get();
  std::sort(s, s + z->count, [](const Span& a, const Span& b) { return a.end - a.begin > b.end - b.begin; });
  z->count /= 2;
  std::sort(s, s + z->count, [](const Span& a, const Span& b) { return a.begin < b.begin; });
}

void note_zero(ZeroSpans* z, uint64_t begin, uint64_t end) {
  size_t i = span_after(*z, begin > 0 ? begin - 1 : 0);
  // Spans that touch or overlap [begin, end) merge into one.
  size_t j = i;
  while (j < z->count && z->spans[j].begin <= end) {
    begin = std::min(begin, z->spans[j].begin);
    end = std::max(end, z->spans[j].end);
    ++j;
  }
  if (j == i && z->count == kMaxZeroSpans) {
    keep_longer_half(z);
    i = span_after(*z, begin > 0 ? begin - 1 : 0);
    j = i;
  }
  Span* s = z->spans.get();
  if (j == i) {
    std::memmove(s + i + 1, s + i, (z->count - i) * sizeof(Span));
    ++z->count;
  } else if (j > i + 1) {
    std::memmove(s + i + 1, s + j, (z->count - j) * sizeof(Span));
    z->count -= j - i - 1;
  }
  s[i] = Span{begin, end};
}

// Notes every run of zeros among the n bytes read at pos.
void note_zero_runs(ZeroSpans* z, uint64_t pos, const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n;) {
    if (bytes[i] != 0) {
      ++i;
      continue;
    }
    size_t k = i;
    while (k < n && bytes[k] == 0) ++k;
    note_zero(z, pos + i, pos + k);
    i = k;
  }
}

// What the search keeps between fonts: a buffer for strip rows, what it
// learnt of the file's zeros, the strips found to hold no ink (by where
// they lie, their rows and the columns tested), and how many more bytes
// the ink checks may read: a few passes over the file, whatever its
// headers point at. A candidate whose strip the checks can no longer
// afford is no font.
constexpr size_t kInkBufferBytes = size_t{1} << 20;  // rows are at most 128 KiB
constexpr size_t kInklessStrips = 4096;
constexpr uint64_t kPassesChecked = 4;
constexpr uint64_t kBytesBeyondPasses = uint64_t{64} << 20;

struct InklessStrip {
  uint64_t at, rowBytes, rows, columns;
};

struct InkScratch {
  std::unique_ptr<uint8_t[], FreeBytes> buffer;
  ZeroSpans zeros;
  std::unique_ptr<InklessStrip[], FreeBytes> inkless;  // a slot per hash, the latest kept
  uint64_t budget;
};

InklessStrip* inkless_slot(InkScratch* scratch, const InklessStrip& key) {
  const uint64_t h = ((key.at * 0x9E3779B97F4A7C15u) ^ (key.rowBytes << 40) ^ (key.rows << 20) ^ key.columns) * 0xff51afd7ed558ccdu;
  return &scratch->inkless[(h >> 40) % kInklessStrips];
}

bool same_key(const InklessStrip& a, const InklessStrip& b) {
  return a.at == b.at && a.rowBytes == b.rowBytes && a.rows == b.rows && a.columns == b.columns;
}

// True when the glyph columns (0 to the furthest location) of the row at
// bytes hold a set pixel.
bool row_has_ink(const uint8_t* bytes, size_t whole, uint8_t tail_mask) {
  return (tail_mask != 0 && (bytes[whole] & tail_mask) != 0) ||
         std::any_of(bytes, bytes + whole, [](uint8_t b) { return b != 0; });
}

// True when some row of a strip has a set pixel in the columns the glyphs
// cover. Only those bytes of each row are read where they are a small part
// of it, else whole rows a chunk at a time; what is found to be zeros is
// never read again.
bool strip_has_ink(const ByteSource& file, const FontImage& image, int density, InkScratch* scratch) {
  const StripLayout s = strip_layout(image, density);
  const size_t row = s.rowBytes, rows = s.rows, columns = s.columns;
  if (columns == 0) return false;
  const size_t whole = columns / 8, tested = (columns + 7) / 8;
  const auto tail_mask = static_cast<uint8_t>(0xFF00 >> (columns % 8));
  const auto at = static_cast<uint64_t>(s.at);
  ZeroSpans* zeros = &scratch->zeros;
  if (known_zero(*zeros, at, at + rows * row)) return false;
  const InklessStrip key{at, row, rows, columns};
  InklessStrip* slot = inkless_slot(scratch, key);
  if (same_key(*slot, key)) return false;
  uint8_t* buffer = scratch->buffer.get();
  const bool by_row = row > 2 * tested;
  const size_t rows_per_read = by_row ? 1 : std::max<size_t>(1, kInkBufferBytes / row);
  const size_t span_bytes = by_row ? tested : row;
  for (size_t r = 0; r < rows;) {
    const uint64_t pos = at + r * row;
    if (known_zero(*zeros, pos, pos + span_bytes)) {
      ++r;
      continue;
    }
    // A read ends where zeros already known begin.
    size_t n = std::min(rows_per_read, rows - r);
    const size_t next = span_after(*zeros, pos);
    if (next < zeros->count && zeros->spans[next].begin > pos) {
      n = std::min<size_t>(n, static_cast<size_t>((zeros->spans[next].begin - pos + row - 1) / row));
    }
    const uint64_t span = (n - 1) * row + span_bytes;
    if (span > scratch->budget) return false;
    scratch->budget -= span;
    if (read_at(file, static_cast<int64_t>(pos), buffer, static_cast<size_t>(span)) != Fault::kNone) return false;
    for (size_t k = 0; k < n; ++k) {
      if (row_has_ink(buffer + k * row, whole, tail_mask)) return true;
    }
    note_zero_runs(zeros, pos, buffer, static_cast<size_t>(span));
    r += n;
  }
  *slot = key;
  return false;
}

bool add_found(FoundFonts* found, size_t* capacity, uint64_t offset, uint64_t size) {
  if (!grow(&found->fonts, found->count, capacity)) return false;
  found->fonts[found->count++] = FoundFont{offset, size};
  return true;
}

// True when the search lists a font at offset (see find_fonts), whose size
// it then sets, including the 0xFFFF word compilers write after the
// offset/width table.
bool font_at(const ByteSource& file, uint64_t offset, uint64_t* size, InkScratch* scratch) {
  uint8_t head[kPeekBytes];
  const size_t avail = static_cast<size_t>(std::min<uint64_t>(kPeekBytes, file.size - std::min(file.size, offset)));
  // A font of any type word stands alone in a file made by hand.
  const bool any_type = offset == 0;
  if (avail < kFontHeaderBytes || read_at(file, static_cast<int64_t>(offset), head, avail) != Fault::kNone ||
      !header_fits(head, avail, any_type)) {
    return false;
  }
  FontImage image;
  if (probe_font(file, static_cast<int64_t>(offset), &image) != Fault::kNone) return false;
  const FontHeader& h = image.header;
  if (image.locations[h.firstChar] != 0) return false;
  int64_t end = image.tablesEnd;
  uint8_t word[2] = {};
  if (fits(file, end, 2) && read_at(file, end, word, 2) == Fault::kNone && word[0] == 0xFF && word[1] == 0xFF) end += 2;
  for (int d = 0; d < kDensities; ++d) {
    if (image.hasDensity[d]) end = std::max(end, image.stripAt[d] + static_cast<int64_t>(strip_bytes(h, d)));
  }
  *size = static_cast<uint64_t>(end) - offset;
  if (!known_font_type(head[image.byteOrder == ByteOrder::kBig ? 0 : 1]) && *size != file.size) return false;
  for (int d = 0; d < kDensities; ++d) {
    if (image.hasDensity[d] && strip_has_ink(file, image, d, scratch)) return true;
  }
  return false;
}

}  // namespace

Fault find_fonts(const ByteSource& file, size_t block_bytes, const SearchProgress* progress, FoundFonts* found) {
  found->count = 0;
  size_t capacity = 0;
  std::unique_ptr<uint8_t[], FreeBytes> buffer(static_cast<uint8_t*>(std::malloc(block_bytes + kGroupReach)));
  InkScratch scratch{};
  scratch.buffer.reset(static_cast<uint8_t*>(std::malloc(kInkBufferBytes)));
  scratch.zeros.spans.reset(static_cast<Span*>(std::malloc(kMaxZeroSpans * sizeof(Span))));
  scratch.inkless.reset(static_cast<InklessStrip*>(std::calloc(kInklessStrips, sizeof(InklessStrip))));
  scratch.budget = kPassesChecked * file.size + kBytesBeyondPasses;
  if (!buffer || !scratch.buffer || !scratch.zeros.spans || !scratch.inkless) return Fault::kScanMemory;
  const uint8_t* bytes = buffer.get();
  uint64_t next = 0;  // the first offset past every font found
  for (uint64_t pos = 0; pos < file.size; pos += block_bytes) {
    const size_t starts = static_cast<size_t>(std::min<uint64_t>(block_bytes, file.size - pos));
    if (next < pos + starts) {
      // The block and the bytes its last offsets' tests reach.
      const size_t n = static_cast<size_t>(std::min<uint64_t>(block_bytes + kGroupReach, file.size - pos));
      if (const Fault err = read_at(file, static_cast<int64_t>(pos), buffer.get(), n); err != Fault::kNone) return err;
      const size_t scan_end = n >= kFontHeaderBytes ? std::min(starts, n - kFontHeaderBytes + 1) : 0;
      size_t i = next > pos ? static_cast<size_t>(next - pos) : 0;
      while (i < scan_end) {
        // Thirty-two offsets at a time, then eight, while their bytes are
        // all in the buffer.
        if (i + 32 + kGroupReach <= n && i + 32 <= scan_end && !any_header_in_32(bytes + i)) {
          i += 32;
          continue;
        }
        const size_t group = i + kGroupReach <= n ? 8 : 1;
        if (group == 8 && header_candidates(bytes + i) == 0) {
          i += 8;
          continue;
        }
        size_t k = 0;
        uint64_t size = 0;
        while (k < group && i + k < scan_end &&
               !(header_fits(bytes + i + k, n - i - k, pos + i + k == 0) && font_at(file, pos + i + k, &size, &scratch))) {
          ++k;
        }
        if (k == group || i + k >= scan_end) {
          i += group;
          continue;
        }
        if (!add_found(found, &capacity, pos + i + k, size)) return Fault::kScanMemory;
        next = pos + i + k + size;
        // Fonts do not nest: the search goes on after this one.
        if (next >= pos + scan_end) break;
        i = static_cast<size_t>(next - pos);
      }
    }
    if (progress != nullptr) progress->report(progress->context, pos + starts, file.size, found->count);
  }
  return Fault::kNone;
}

Fault add_found_entries(const FoundFonts& found, ResourceList* list) {
  const size_t total = list->count + found.count;
  auto* grown = static_cast<ResourceEntry*>(std::realloc(list->entries.get(), (total == 0 ? 1 : total) * sizeof(ResourceEntry)));
  if (grown == nullptr) return Fault::kScanMemory;
  (void)list->entries.release();
  list->entries.reset(grown);
  for (size_t i = 0; i < found.count; ++i) {
    list->entries[list->count++] = ResourceEntry{{}, -1, found.fonts[i].offset, found.fonts[i].size, EntryFault::kNone, true, 0, nullptr};
  }
  return Fault::kNone;
}
