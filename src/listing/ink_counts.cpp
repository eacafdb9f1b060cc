#include "listing/ink_counts.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace {

// Four passes over the file and 64 MiB more: more than any real file's
// fonts take, however many entries share them.
constexpr uint64_t kPassesCounted = 4;
constexpr uint64_t kBytesBeyondPasses = uint64_t{64} << 20;

bool same_strip(const StripLayout& a, const StripLayout& b) {
  return a.at == b.at && a.rowBytes == b.rowBytes && a.rows == b.rows && a.firstColumn == b.firstColumn &&
         a.columns == b.columns;
}

size_t hash_strip(const StripLayout& s) {
  uint64_t h = 0xcbf29ce484222325u;
  for (const uint64_t v : {static_cast<uint64_t>(s.at), uint64_t{s.rowBytes}, uint64_t{s.rows}, uint64_t{s.firstColumn},
                           uint64_t{s.columns}}) {
    h = (h ^ v) * 0x100000001b3u;
    h ^= h >> 29;
  }
  return static_cast<size_t>(h);
}

// The slot of the strip's count, or of the empty slot where it goes;
// nullptr when the table is full.
InkCount* slot_of(InkCounts* counts, const StripLayout& s) {
  const size_t mask = counts->capacity - 1;
  for (size_t i = hash_strip(s) & mask, probes = 0; probes < counts->capacity; i = (i + 1) & mask, ++probes) {
    InkCount& c = counts->table[i];
    if (!c.used || same_strip(c.strip, s)) return &c;
  }
  return nullptr;
}

// Twice the room, every count moved over; false without memory, the table
// then as it was.
bool grow_counts(InkCounts* counts) {
  InkCounts grown{};
  grown.capacity = counts->capacity * 2;
  if (grown.capacity <= counts->capacity) return false;
  grown.table.reset(static_cast<InkCount*>(std::calloc(grown.capacity, sizeof(InkCount))));
  if (!grown.table) return false;
  for (size_t i = 0; i < counts->capacity; ++i) {
    if (counts->table[i].used) *slot_of(&grown, counts->table[i].strip) = counts->table[i];
  }
  counts->table = static_cast<std::unique_ptr<InkCount[], FreeBytes>&&>(grown.table);
  counts->capacity = grown.capacity;
  return true;
}

}  // namespace

bool open_ink_counts(InkCounts* counts, uint64_t file_size) {
  counts->capacity = 64;
  counts->table.reset(static_cast<InkCount*>(std::calloc(counts->capacity, sizeof(InkCount))));
  counts->count = 0;
  counts->budget = kPassesCounted * file_size + kBytesBeyondPasses;
  return counts->table != nullptr;
}

Fault count_font_ink(const ByteSource& file, InkCounts* counts, FontImage* image, bool* counted) {
  *counted = true;
  for (int d = 0; d < kDensities; ++d) {
    image->inkOutside[d] = 0;
    if (!image->hasDensity[d]) continue;
    const StripLayout s = strip_layout(*image, d);
    InkCount* slot = slot_of(counts, s);
    if (slot != nullptr && slot->used) {
      image->inkOutside[d] = slot->ink;
      continue;
    }
    const uint64_t bytes = static_cast<uint64_t>(s.rows) * s.rowBytes;
    if (bytes > counts->budget) {
      *counted = false;
      continue;
    }
    counts->budget -= bytes;
    if (const Fault err = count_strip_ink(file, s, &image->inkOutside[d]); err != Fault::kNone) return err;
    // The table is kept at most three quarters full; without memory to
    // grow it, counts are not kept.
    if (4 * (counts->count + 1) > 3 * counts->capacity && !grow_counts(counts)) continue;
    *slot_of(counts, s) = InkCount{s, image->inkOutside[d], true};
    ++counts->count;
  }
  if (!*counted) {
    std::fill(image->inkOutside, image->inkOutside + kDensities, 0);
  }
  return Fault::kNone;
}
