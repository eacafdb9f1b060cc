#include "scan/font_listing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char kNoteLittleEndian[] = "little-endian font, not supported";

namespace {

constexpr uint16_t kTablesPadding = 0xFFFF;

// glyfex's reader on the font at offset: nullptr when glyfex converts it,
// else the message glyfex would print. Notes the densities and where the
// font's tables end.
const char* check_font(const ByteSource& file, uint64_t offset, ListingLine* line, int64_t* tables_end) {
  FontImage image;
  const char* err = probe_font(file, static_cast<int64_t>(offset), &image);
  std::copy(image.hasDensity, image.hasDensity + kDensities, line->hasDensity);
  *tables_end = image.tablesEnd;
  return err;
}

// A font in a record may be followed, after its offset/width table and an
// optional 0xFFFF word, by a second font; returns its offset, or 0.
uint64_t second_font_at(const ByteSource& file, const ListingLine& first, int64_t tables_end) {
  const uint64_t end = first.offset + first.size;
  uint64_t at = static_cast<uint64_t>(tables_end);
  uint8_t word[2] = {};
  if (at + 2 <= end && read_at(file, static_cast<int64_t>(at), word, 2) == nullptr &&
      static_cast<uint16_t>(swap16(word)) == kTablesPadding) {
    at += 2;
  }
  return at > first.offset && at < end ? at : 0;
}

bool disjoint(const bool (&a)[kDensities], const bool (&b)[kDensities]) {
  for (int d = 0; d < kDensities; ++d) {
    if (a[d] && b[d]) return false;
  }
  return true;
}

// Texts are named font-ID.txt; a second font with the same id gets
// font-ID.2.txt, a third font-ID.3.txt, so running every command writes
// every text. A font whose densities the font before it with that id lacks
// (a 144 dpi font after a 72 dpi one) shares its name instead: the two
// texts then form one family.
const char* name_fonts(const ResourceList& list, Listing* listing) {
  ListingLine* lines = listing->lines.get();
  std::unique_ptr<size_t[], FreeBytes> order(static_cast<size_t*>(std::calloc(listing->count + 1, sizeof(size_t))));
  if (!order) return kErrScanMemory;
  size_t n = 0;
  for (size_t i = 0; i < listing->count; ++i) {
    const ResourceEntry& e = list.entries[lines[i].entry];
    if (lines[i].note != nullptr) continue;
    if (e.found) {
      // Found by its contents: named by where it lies.
      std::snprintf(lines[i].name, sizeof lines[i].name, "font-at-%llu", static_cast<unsigned long long>(e.offset));
    } else {
      order[n++] = i;
    }
  }
  const auto id = [&](size_t line) { return list.entries[lines[line].entry].id; };
  // By id, and within an id in listing order; a plain sort, which needs no
  // memory of its own.
  std::sort(order.get(), order.get() + n, [&](size_t a, size_t b) { return id(a) != id(b) ? id(a) < id(b) : a < b; });
  size_t suffix = 0, holder = 0;
  for (size_t k = 0; k < n; ++k) {
    ListingLine& line = lines[order[k]];
    const bool same_id = k > 0 && id(order[k - 1]) == id(order[k]);
    if (same_id && lines[holder].partner == kNoPartner && disjoint(lines[holder].hasDensity, line.hasDensity)) {
      std::memcpy(line.name, lines[holder].name, sizeof line.name);
      line.partner = holder;
      lines[holder].partner = order[k];
      continue;
    }
    suffix = same_id ? suffix + 1 : 1;
    holder = order[k];
    if (suffix == 1) {
      std::snprintf(line.name, sizeof line.name, "font-%ld", id(order[k]));
    } else {
      std::snprintf(line.name, sizeof line.name, "font-%ld.%zu", id(order[k]), suffix);
    }
  }
  return nullptr;
}

}  // namespace

const char* list_fonts(const ByteSource& file, const ResourceList& list, Listing* listing) {
  // A record may add a line for its second font.
  const size_t capacity = list.count * (list.records ? 2 : 1) + 1;
  listing->lines.reset(static_cast<ListingLine*>(std::calloc(capacity, sizeof(ListingLine))));
  if (!listing->lines) return kErrScanMemory;
  listing->count = 0;
  std::unique_ptr<uint64_t[], FreeBytes> listed;  // offsets with a command, sorted
  size_t listed_count = 0;
  for (size_t i = 0; i < list.count; ++i) {
    const ResourceEntry& e = list.entries[i];
    if (e.found && !listed) {
      // Fonts found by their contents come last; one the file's table
      // already leads to is not listed twice.
      listed.reset(static_cast<uint64_t*>(std::calloc(listing->count + 1, sizeof(uint64_t))));
      if (!listed) return kErrScanMemory;
      for (size_t k = 0; k < listing->count; ++k) {
        if (listing->lines[k].note == nullptr) listed[listed_count++] = listing->lines[k].offset;
      }
      std::sort(listed.get(), listed.get() + listed_count);
    }
    if (e.found && std::binary_search(listed.get(), listed.get() + listed_count, e.offset)) continue;
    ListingLine* line = &listing->lines[listing->count++];
    *line = ListingLine{i, e.offset, e.size, "", {}, {}, kNoPartner};
    int64_t tables_end = 0;
    if (e.fault != nullptr) {
      line->note = e.fault;
    } else if (is_little_endian_font_type(e.type)) {
      line->note = kNoteLittleEndian;
    } else if (e.found || is_font_type(e.type)) {
      line->note = check_font(file, e.offset, line, &tables_end);
    } else if (list.records) {
      // A record is a font only if glyfex converts it.
      if (check_font(file, e.offset, line, &tables_end) != nullptr) continue;
      line->note = nullptr;
      const uint64_t second = second_font_at(file, *line, tables_end);
      ListingLine next{i, second, line->offset + line->size - second, nullptr, {}, {}, kNoPartner};
      if (second != 0 && check_font(file, second, &next, &tables_end) == nullptr) {
        line->size = second - line->offset;
        listing->lines[listing->count++] = next;
      }
    }
  }
  return name_fonts(list, listing);
}
