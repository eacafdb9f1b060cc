#include "listing/font_listing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "font/glyph_walk.h"

namespace {

// What the listing shows for each verdict; a refusal shows glyfex's own
// message.
const char* const kVerdictTexts[] = {"",
                                     nullptr,
                                     nullptr,
                                     "lies outside the file",
                                     "lies inside the resource list",
                                     "little-endian font, not supported",
                                     "little-endian font, not converted"};

}  // namespace

const char* verdict_text(const ListingLine& line) {
  return line.verdict == Verdict::kRefused ? fault_text(line.refusal) : kVerdictTexts[static_cast<int>(line.verdict)];
}

const char* entry_fault_text(EntryFault fault) {
  return kVerdictTexts[static_cast<int>(fault == EntryFault::kOutside ? Verdict::kOutside : Verdict::kInsideList)];
}

bool found_by_contents(const Listing& listing, const ListingLine& line) {
  return listing.resources.entries[line.entry].found;
}

void put_safe_name(char* out, size_t room, const char* name, bool folders) {
  size_t n = 0;
  for (const char* p = name; *p != '\0' && n + 1 < room; ++p) {
    const char c = *p;
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || (folders && c == '/');
    out[n++] = plain ? c : '_';
  }
  out[n] = '\0';
}

size_t fonts_found_by_contents(const Listing& listing) {
  size_t found = 0;
  for (size_t i = 0; i < listing.count; ++i) found += found_by_contents(listing, listing.lines[i]) ? 1 : 0;
  return found;
}

namespace {

constexpr uint16_t kTablesPadding = 0xFFFF;

// The symbol and LED system fonts draw their own characters.
Charset charset_of_system_font(const char* name) {
  const struct {
    const char* name;
    Charset charset;
  } kFonts[] = {{"symbolFont", Charset::kSymbol},
                {"symbol11Font", Charset::kSymbol11},
                {"symbol7Font", Charset::kSymbol7},
                {"ledFont", Charset::kLed}};
  for (const auto& f : kFonts) {
    if (name != nullptr && std::strcmp(name, f.name) == 0) return f.charset;
  }
  return Charset::kLatin;
}

// The first glyphs of the font, set as Palm OS sets text, for the page's
// contents.
void take_glimpse(const FontImage& image, ListingLine* line) {
  const int density = image.hasDensity[kDensity72] ? kDensity72 : kDensity144;
  const int scale = density_scale(density);
  line->glimpseDensity = density;
  line->glimpseCount = 0;
  int pen = 0, left = 0, right = 0;
  Glyph g{};
  for (int cursor = 0; line->glimpseCount < kGlimpseGlyphs && next_glyph(image, &cursor, &g);) {
    if (g.code < 0 || drawn_as_missing(image, g.code)) continue;
    const int x = pen + g.offset * scale;
    line->glimpseCodes[line->glimpseCount] = static_cast<uint8_t>(g.code);
    line->glimpseX[line->glimpseCount++] = static_cast<int16_t>(std::max(-32768, std::min(32767, x)));
    left = std::min(left, x);
    right = std::max(right, x + static_cast<int>(g.columns) * scale);
    pen += g.width * scale;
  }
  line->glimpseLeft = static_cast<int16_t>(std::max(-32768, left));
  line->glimpseRight = static_cast<int16_t>(std::min(32767, std::max(right, pen)));
}

// glyfex's reader on the font at offset: the verdict, the densities, the
// codes of the range and where the font's tables end.
void check_font(const ByteSource& file, uint64_t offset, ListingLine* line, int64_t* tables_end) {
  FontImage image;
  Fault err = probe_font(file, static_cast<int64_t>(offset), &image);
  if (err == Fault::kNone) err = count_ink_outside(file, &image);
  std::copy(image.inkOutside, image.inkOutside + kDensities, line->inkOutside);
  line->verdict = err == Fault::kNone ? Verdict::kConverts : Verdict::kRefused;
  line->refusal = err;
  std::copy(image.hasDensity, image.hasDensity + kDensities, line->hasDensity);
  line->rangeCount = image.rangeCount;
  line->height = image.header.fRectHeight;
  if (err == Fault::kNone) take_glimpse(image, line);
  *tables_end = image.tablesEnd;
}

// A font in a record may be followed, after its offset/width table and an
// optional 0xFFFF word, by a second font; returns its offset, or 0.
uint64_t second_font_at(const ByteSource& file, const ListingLine& first, int64_t tables_end) {
  const uint64_t end = first.offset + first.size;
  uint64_t at = static_cast<uint64_t>(tables_end);
  uint8_t word[2] = {};
  if (at + 2 <= end && read_at(file, static_cast<int64_t>(at), word, 2) == Fault::kNone &&
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

// What a font's texts are named after: its resource id (font-ID), or in a
// ROM image its database, type and id (System-NFNT-10000), and for a font
// found by its contents the record or resource that holds it or its offset.
void base_name(const ResourceList& list, const ResourceEntry& e, char (&out)[kNameBytes]) {
  const RomRegion* region = e.found ? region_at(list, e.offset) : nullptr;
  const uint32_t database = e.found ? (region != nullptr ? region->database : 0) : e.database;
  if (database == 0) {
    if (e.found) {
      std::snprintf(out, sizeof out, "font-at-%llu", static_cast<unsigned long long>(e.offset));
    } else {
      std::snprintf(out, sizeof out, "font-%ld", e.id);
    }
    return;
  }
  char db[sizeof list.databases[0].name];
  put_safe_name(db, sizeof db, list.databases[database - 1].name, false);
  const char* type = e.found ? region->type : e.type;
  const long id = e.found ? region->id : e.id;
  if (type[0] == '\0') {
    std::snprintf(out, sizeof out, "%s-record-%ld", db, id);
  } else {
    char safe_type[5] = {type[0], type[1], type[2], type[3], '\0'};
    put_safe_name(safe_type, sizeof safe_type, safe_type, false);
    std::snprintf(out, sizeof out, "%s-%s-%ld", db, safe_type, id);
  }
  // A font inside a record or resource, not at its start, says where.
  if (e.found && region->offset != e.offset) {
    const size_t n = std::strlen(out);
    std::snprintf(out + n, sizeof out - n, "-at-%llu", static_cast<unsigned long long>(e.offset));
  }
}

// Texts are named font-ID.txt; a second font with the same id gets
// font-ID.2.txt, a third font-ID.3.txt, so running every command writes
// every text. A font whose densities the font before it with that id lacks
// (a 144 dpi font after a 72 dpi one) shares its name instead: the two
// texts then form one family.
Fault name_fonts(Listing* listing) {
  const ResourceList& list = listing->resources;
  ListingLine* lines = listing->lines.get();
  std::unique_ptr<size_t[], FreeBytes> order(static_cast<size_t*>(std::calloc(listing->count + 1, sizeof(size_t))));
  if (!order) return Fault::kScanMemory;
  size_t n = 0;
  for (size_t i = 0; i < listing->count; ++i) {
    const ResourceEntry& e = list.entries[lines[i].entry];
    if (!has_command(lines[i])) continue;
    if (e.found) {
      // Found by its contents: named by where it lies.
      base_name(list, e, lines[i].name);
    } else {
      order[n++] = i;
    }
  }
  // By database and id, and within those in listing order; a plain sort,
  // which needs no memory of its own.
  const auto id = [&](size_t line) {
    const ResourceEntry& e = list.entries[lines[line].entry];
    return (static_cast<long long>(e.database) << 32) + e.id;
  };
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
    base_name(list, list.entries[line.entry], line.name);
    if (suffix > 1) {
      const size_t used = std::strlen(line.name);
      std::snprintf(line.name + used, sizeof line.name - used, ".%zu", suffix);
    }
  }
  return Fault::kNone;
}

// Records have no resource id; their fonts get ids from 1000 on, by index.
// PilRC takes no negative id; such a font, and one found by its contents,
// gets the first id from 1000 on that no other font has.
constexpr long kFirstFreeFontId = 1000;

long own_id(const Listing& listing, const ListingLine& line) {
  const ResourceEntry& e = listing.resources.entries[line.entry];
  if (e.found) return -1;
  return listing.resources.records ? kFirstFreeFontId + e.id : e.id;
}

// The family's densities and the id of each font with a command; the
// second font of a family takes the first's. The ids the fonts bring are
// sorted once, so that finding free ones costs no more than the sort.
Fault family_and_ids(Listing* listing) {
  std::unique_ptr<long[], FreeBytes> taken(static_cast<long*>(std::calloc(listing->count + 1, sizeof(long))));
  if (!taken) return Fault::kScanMemory;
  size_t n = 0;
  for (size_t i = 0; i < listing->count; ++i) {
    if (has_command(listing->lines[i])) taken[n++] = own_id(*listing, listing->lines[i]);
  }
  std::sort(taken.get(), taken.get() + n);
  long next_free = kFirstFreeFontId;
  for (size_t i = 0; i < listing->count; ++i) {
    ListingLine& line = listing->lines[i];
    if (!has_command(line)) continue;
    const ListingLine* partner = line.partner != kNoPartner ? &listing->lines[line.partner] : nullptr;
    for (int d = 0; d < kDensities; ++d) line.familyDensity[d] = line.hasDensity[d] || (partner && partner->hasDensity[d]);
    if (partner != nullptr && line.partner < i) {
      line.fontId = partner->fontId;
      continue;
    }
    line.fontId = own_id(*listing, line);
    if (line.fontId < 0) {
      while (std::binary_search(taken.get(), taken.get() + n, next_free)) ++next_free;
      line.idReplaced = !listing->resources.entries[line.entry].found;
      line.fontId = next_free++;
    }
  }
  return Fault::kNone;
}

}  // namespace

Fault list_fonts(ResourceList resources, Listing* listing) {
  listing->resources = static_cast<ResourceList&&>(resources);
  const ResourceList& list = listing->resources;
  const ByteSource& file = listing->source;
  // A record may add a line for its second font.
  const size_t capacity = list.count * (list.records ? 2 : 1) + 1;
  listing->lines.reset(static_cast<ListingLine*>(std::calloc(capacity, sizeof(ListingLine))));
  if (!listing->lines) return Fault::kScanMemory;
  listing->count = 0;
  std::unique_ptr<uint64_t[], FreeBytes> listed;  // offsets with a command, sorted
  size_t listed_count = 0;
  for (size_t i = 0; i < list.count; ++i) {
    const ResourceEntry& e = list.entries[i];
    if (e.found && !listed) {
      // Fonts found by their contents come last; one the file's table
      // already leads to is not listed twice.
      listed.reset(static_cast<uint64_t*>(std::calloc(listing->count + 1, sizeof(uint64_t))));
      if (!listed) return Fault::kScanMemory;
      for (size_t k = 0; k < listing->count; ++k) {
        if (has_command(listing->lines[k])) listed[listed_count++] = listing->lines[k].offset;
      }
      std::sort(listed.get(), listed.get() + listed_count);
    }
    if (e.found && std::binary_search(listed.get(), listed.get() + listed_count, e.offset)) continue;
    ListingLine* line = &listing->lines[listing->count++];
    *line = ListingLine{i, e.offset, e.size, Verdict::kNoFont, Fault::kNone, {}, {}, 0, Charset::kLatin, 0, 0, 0, {}, {}, 0, 0, {}, {}, kNoPartner, 0, false};
    int64_t tables_end = 0;
    if (e.fault != EntryFault::kNone) {
      line->verdict = e.fault == EntryFault::kOutside ? Verdict::kOutside : Verdict::kInsideList;
    } else if (is_little_endian_font_type(e.type)) {
      // Never read as a big-endian font.
      line->verdict = e.database != 0 ? Verdict::kLittleEndianInRom : Verdict::kLittleEndian;
    } else if (e.found || is_font_type(e.type)) {
      check_font(file, e.offset, line, &tables_end);
      line->charset = charset_of_system_font(e.fontName);
    } else if (list.records) {
      // A record is a font only if glyfex converts it.
      check_font(file, e.offset, line, &tables_end);
      if (!has_command(*line)) {
        line->verdict = Verdict::kNoFont;
        continue;
      }
      const uint64_t second = second_font_at(file, *line, tables_end);
      ListingLine next = *line;
      next.offset = second;
      next.size = line->offset + line->size - second;
      if (second != 0) check_font(file, second, &next, &tables_end);
      if (second != 0 && has_command(next)) {
        line->size = second - line->offset;
        listing->lines[listing->count++] = next;
      }
    }
  }
  if (const Fault err = name_fonts(listing); err != Fault::kNone) return err;
  return family_and_ids(listing);
}
