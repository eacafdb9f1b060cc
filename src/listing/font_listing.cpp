#include "listing/font_listing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bdf/bdf_font.h"
#include "container/mapped_font.h"
#include "font/glyph_walk.h"
#include "listing/ink_counts.h"
#include "listing/name_set.h"
#include "listing/sample_line.h"

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

// The start of the font's sample line, set as Palm OS sets text, for the
// page's contents: letters and digits where the font has them, so that a
// page of a ROM shows at a glance which font is which.
void take_glimpse(const FontImage& image, ListingLine* line) {
  int density = 0;
  while (density + 1 < kDensities && !image.hasDensity[density]) ++density;
  line->glimpseDensity = density;
  line->glimpseRows = static_cast<int>(density_rows(image.header, density));
  line->glimpseCount = 0;
  int codes[kMaxSample];
  const size_t n = sample_codes(image, codes);
  int pen = 0, left = 0, right = 0;
  for (size_t i = 0; i < n && line->glimpseCount < kGlimpseGlyphs; ++i) {
    Glyph g{};
    int advance = 0;
    if (sample_glyph(image, density, codes[i], &g, &advance)) {
      const int x = pen + glyph_offset(g, density);
      line->glimpseCodes[line->glimpseCount] = static_cast<int16_t>(g.code);
      line->glimpseX[line->glimpseCount++] = static_cast<int16_t>(std::max(-32768, std::min(32767, x)));
      left = std::min(left, x);
      right = std::max(right, x + static_cast<int>(glyph_span(g, density).columns));
    }
    pen += advance;
  }
  line->glimpseLeft = static_cast<int16_t>(std::max(-32768, left));
  line->glimpseRight = static_cast<int16_t>(std::min(32767, std::max(right, pen)));
}

// What a font the reader accepted is, as the page draws it: a hash of its
// header, its tables and where its strips lie.
uint64_t identity_of(const FontImage& image) {
  uint64_t h = 0xcbf29ce484222325u;
  const auto mix = [&h](uint64_t v) { h = (h ^ v) * 0x100000001b3u; };
  for (const HeaderField& f : kHeaderFields) mix(static_cast<uint16_t>(image.header.*f.value));
  mix(image.hasMissingGlyph ? 1 : 0);
  const int last = image.header.lastChar + (image.hasMissingGlyph ? 2 : 1);
  for (int c = image.header.firstChar; c <= last && c < 258; ++c) {
    mix(image.locations[c]);
    if (c < 257) mix(static_cast<uint64_t>(static_cast<uint8_t>(image.offsetWidths[c].offset)) << 8 |
                     static_cast<uint8_t>(image.offsetWidths[c].width));
  }
  for (int d = 0; d < kDensities; ++d) mix(image.hasDensity[d] ? static_cast<uint64_t>(image.stripAt[d]) : ~uint64_t{0});
  return h;
}

// glyfex's reader on the font at offset: the verdict, the densities, the
// codes of the range and where the font's tables end.
void check_font(const ByteSource& file, bool bdf, InkCounts* counts, uint64_t offset, ListingLine* line,
                int64_t* tables_end) {
  FontImage image;
  Fault err = probe_font(file, static_cast<int64_t>(offset), &image);
  if (err == Fault::kNone) err = count_font_ink(file, counts, &image, &line->inkCounted);
  // A BDF reader refuses a font of no glyph, which a text holds all the same.
  if (err == Fault::kNone && bdf && !bdf_has_glyph(image)) err = Fault::kBdfNoGlyph;
  std::copy(image.inkOutside, image.inkOutside + kDensities, line->inkOutside);
  line->verdict = err == Fault::kNone ? Verdict::kConverts : Verdict::kRefused;
  line->refusal = err;
  std::copy(image.hasDensity, image.hasDensity + kDensities, line->hasDensity);
  line->byteOrder = image.byteOrder;
  line->rangeCount = image.rangeCount;
  line->height = image.header.fRectHeight;
  if (err == Fault::kNone) {
    line->identity = identity_of(image);
    take_glimpse(image, line);
  }
  *tables_end = image.tablesEnd;
}

// What a font of a map's database is to the map: its single-byte font,
// the subfont of a lead byte, or a font several lead bytes share.
struct PieceRole {
  uint32_t database;
  long id;
  int lead;  // kSingleByte, kShared, or the lead byte
  const char* map;  // the map's system font
  bool cp932;
};

constexpr int kSingleByte = -1, kShared = -2;

struct PieceRoles {
  std::unique_ptr<PieceRole[], FreeBytes> roles;
  size_t count, capacity;
};

bool add_role(PieceRoles* roles, const PieceRole& role) {
  for (size_t i = 0; i < roles->count; ++i) {
    if (roles->roles[i].database == role.database && roles->roles[i].id == role.id) return true;
  }
  if (!grow(&roles->roles, roles->count, &roles->capacity, 16)) return false;
  roles->roles[roles->count++] = role;
  return true;
}

// A font map: the fonts it names read (probed, not loaded) through the
// container, and the characters its BDF would hold counted; the role of
// each of its fonts noted for their own lines.
Fault check_map(Listing* listing, const ResourceEntry& e, ListingLine* line, PieceRoles* roles) {
  MappedFont* font = new_mapped_font();
  if (font == nullptr) return Fault::kScanMemory;
  const Fault err = read_mapped_font(listing->source, listing->resources, static_cast<int64_t>(e.offset), false, font);
  line->verdict = err == Fault::kNone ? Verdict::kConverts : Verdict::kRefused;
  line->refusal = err;
  Fault out = Fault::kNone;
  if (err == Fault::kNone) {
    line->map = true;
    line->hasDensity[kDensity72] = true;
    line->inkCounted = true;  // its fonts' own lines count theirs
    line->height = font->header.fRectHeight;
    // A map is the same font as another only where it lies.
    line->identity = (e.offset + 1) * 0x9E3779B97F4A7C15u;
    line->mapFonts = font->fontCount;
    line->mapCharacters = line->rangeCount = bdf_map_characters(*font);
    line->mapIdsAt = listing->mapIdCount;
    for (int i = 0; i < font->fontCount && out == Fault::kNone; ++i) {
      if (!grow(&listing->mapIds, listing->mapIdCount, &listing->mapIdCapacity, 64)) out = Fault::kScanMemory;
      if (out == Fault::kNone) listing->mapIds[listing->mapIdCount++] = font->fontIds[i];
    }
    const char* name = e.fontName != nullptr ? e.fontName : "map";
    for (int i = 0; i < font->count && out == Fault::kNone; ++i) {
      const FontPiece& p = font->pieces[i];
      if (!add_role(roles, PieceRole{e.database, p.id, p.lead < 0 ? kSingleByte : p.lead, name, font->cp932})) {
        out = Fault::kScanMemory;
      }
    }
    for (int i = 0; i < font->sharedCount && out == Fault::kNone; ++i) {
      if (!add_role(roles, PieceRole{e.database, font->sharedIds[i], kShared, name, font->cp932})) out = Fault::kScanMemory;
    }
  }
  free_mapped_font(font);
  return out;
}

// Each font a map names gets its role: a single-byte font of the Japanese
// locale the sjis character set, a subfont its lead byte, a shared one
// (the box of unassigned lead bytes) the Palm codes; and a label.
void give_roles(Listing* listing, const PieceRoles& roles) {
  for (size_t i = 0; i < listing->count; ++i) {
    ListingLine& line = listing->lines[i];
    const ResourceEntry& e = listing->resources.entries[line.entry];
    if (e.found || line.map || !is_font_type(e.type)) continue;
    for (size_t k = 0; k < roles.count; ++k) {
      const PieceRole& r = roles.roles[k];
      if (r.database != e.database || r.id != e.id) continue;
      if (r.lead == kSingleByte) {
        if (r.cp932) line.charset = Charset::kSjis;
        std::snprintf(line.pieceLabel, sizeof line.pieceLabel, "%s 1-byte", r.map);
      } else if (r.lead == kShared) {
        line.charset = Charset::kPalm;
        std::snprintf(line.pieceLabel, sizeof line.pieceLabel, "%s box", r.map);
      } else {
        if (r.cp932) line.lead = r.lead;
        std::snprintf(line.pieceLabel, sizeof line.pieceLabel, "%s 0x%02X", r.map, r.lead);
      }
      break;
    }
  }
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

// The stem of the text a font named name writes at a density, as
// line_text names it, without the extension.
void text_stem(const char* name, int density, char (&out)[kMaxPath]) {
  char with_extension[kNameBytes + 4];
  std::snprintf(with_extension, sizeof with_extension, "%s.x", name);
  if (!density_path(with_extension, density, out)) out[0] = '\0';
  const size_t n = std::strlen(out);
  if (n >= 2) out[n - 2] = '\0';
}

// The name base, or base.2, base.3 and on, the first none of whose texts
// at the densities is taken, ASCII case aside; its texts are then taken.
Fault claim_name(NameSet* taken, const char* base, const bool (&densities)[kDensities], char (&out)[kNameBytes]) {
  for (size_t k = 1;; ++k) {
    if (k == 1) {
      std::snprintf(out, sizeof out, "%s", base);
    } else {
      std::snprintf(out, sizeof out, "%.*s.%zu", static_cast<int>(sizeof out - 24), base, k);
    }
    bool free = true;
    for (int d = 0; d < kDensities && free; ++d) {
      char stem[kMaxPath];
      text_stem(out, d, stem);
      free = !densities[d] || !has_name(*taken, stem);
    }
    if (!free) continue;
    for (int d = 0; d < kDensities; ++d) {
      char stem[kMaxPath];
      text_stem(out, d, stem);
      if (densities[d] && add_name(taken, stem) == nullptr) return Fault::kScanMemory;
    }
    return Fault::kNone;
  }
}

// Texts are named font-ID.txt; a second font with the same id gets
// font-ID.2.txt, a third font-ID.3.txt, and so does a font whose texts
// (its 144 dpi text font-ID-144.txt included) another font's already
// have, whatever the case of its letters, so running every command writes
// every text, on any system. A font whose densities the font before it
// with that id lacks (a 144 dpi font after a 72 dpi one) shares its name
// instead: the two texts then form one family.
Fault name_fonts(Listing* listing) {
  const ResourceList& list = listing->resources;
  ListingLine* lines = listing->lines.get();
  std::unique_ptr<size_t[], FreeBytes> order(static_cast<size_t*>(std::calloc(listing->count + 1, sizeof(size_t))));
  if (!order) return Fault::kScanMemory;
  size_t n = 0;
  for (size_t i = 0; i < listing->count; ++i) {
    if (has_command(lines[i]) && !list.entries[lines[i].entry].found) order[n++] = i;
  }
  // By database and id, and within those in listing order; a plain sort,
  // which needs no memory of its own.
  const auto id = [&](size_t line) {
    const ResourceEntry& e = list.entries[lines[line].entry];
    return (static_cast<long long>(e.database) << 32) + e.id;
  };
  std::sort(order.get(), order.get() + n, [&](size_t a, size_t b) { return id(a) != id(b) ? id(a) < id(b) : a < b; });
  // The families first, so that a family's name is free for all its texts.
  for (size_t k = 1, holder = order[0]; k < n; ++k) {
    ListingLine& line = lines[order[k]];
    const bool joins = id(order[k - 1]) == id(order[k]) && lines[holder].partner == kNoPartner &&
                       disjoint(lines[holder].hasDensity, line.hasDensity);
    if (joins) {
      line.partner = holder;
      lines[holder].partner = order[k];
    } else {
      holder = order[k];
    }
  }
  NameSet taken{};
  Fault err = Fault::kNone;
  for (size_t k = 0; k < n && err == Fault::kNone; ++k) {
    ListingLine& line = lines[order[k]];
    if (line.partner != kNoPartner && line.partner < order[k]) continue;
    bool densities[kDensities];
    for (int d = 0; d < kDensities; ++d) {
      densities[d] = line.hasDensity[d] || (line.partner != kNoPartner && lines[line.partner].hasDensity[d]);
    }
    char base[kNameBytes];
    base_name(list, list.entries[line.entry], base);
    err = claim_name(&taken, base, densities, line.name);
    if (line.partner != kNoPartner) std::memcpy(lines[line.partner].name, line.name, sizeof line.name);
  }
  // Found by their contents: named by where they lie.
  for (size_t i = 0; i < listing->count && err == Fault::kNone; ++i) {
    if (!has_command(lines[i]) || !list.entries[lines[i].entry].found) continue;
    char base[kNameBytes];
    base_name(list, list.entries[lines[i].entry], base);
    err = claim_name(&taken, base, lines[i].hasDensity, lines[i].name);
  }
  free_names(&taken);
  return err;
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

// The line that checked the font at each offset, in a table of open
// addressing twice as large as the lines.
struct Checked {
  std::unique_ptr<uint64_t[], FreeBytes> offsets;
  std::unique_ptr<size_t[], FreeBytes> lines;
  size_t capacity;
};

bool open_checked(Checked* c, size_t lines) {
  c->capacity = 64;
  while (c->capacity < 2 * lines) c->capacity *= 2;
  c->offsets.reset(static_cast<uint64_t*>(std::calloc(c->capacity, sizeof(uint64_t))));
  c->lines.reset(static_cast<size_t*>(std::malloc(c->capacity * sizeof(size_t))));
  if (!c->offsets || !c->lines) return false;
  std::fill(c->lines.get(), c->lines.get() + c->capacity, kNoPartner);
  return true;
}

// The slot of offset: the line that checked it, or kNoPartner to be set.
size_t* checked_at(Checked* c, uint64_t offset) {
  const size_t mask = c->capacity - 1;
  for (size_t i = static_cast<size_t>((offset * 0x9E3779B97F4A7C15u) >> 20) & mask;; i = (i + 1) & mask) {
    if (c->lines[i] == kNoPartner) {
      c->offsets[i] = offset;
      return &c->lines[i];
    }
    if (c->offsets[i] == offset) return &c->lines[i];
  }
}

// Each font with a command that an earlier line already shows: lines in
// the order of their identity, sorted once.
Fault mark_same_fonts(Listing* listing) {
  ListingLine* lines = listing->lines.get();
  std::unique_ptr<size_t[], FreeBytes> order(static_cast<size_t*>(std::calloc(listing->count + 1, sizeof(size_t))));
  if (!order) return Fault::kScanMemory;
  size_t n = 0;
  for (size_t i = 0; i < listing->count; ++i) {
    if (has_command(lines[i])) order[n++] = i;
  }
  std::sort(order.get(), order.get() + n, [&](size_t a, size_t b) {
    return lines[a].identity != lines[b].identity ? lines[a].identity < lines[b].identity : a < b;
  });
  for (size_t k = 1; k < n; ++k) {
    ListingLine& line = lines[order[k]];
    const ListingLine& before = lines[order[k - 1]];
    if (line.identity == before.identity) line.sameAs = before.sameAs != kNoPartner ? before.sameAs : order[k - 1];
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
  // Filled line by line; a file of 65,535 entries takes 18 MiB of them.
  listing->lines.reset(static_cast<ListingLine*>(os_allocate_large(capacity * sizeof(ListingLine))));
  if (!listing->lines) return Fault::kScanMemory;
  listing->count = 0;
  InkCounts counts{};
  Checked checked{};
  PieceRoles roles{};
  if (!open_ink_counts(&counts, file.size) || !open_checked(&checked, capacity)) return Fault::kScanMemory;
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
    *line = ListingLine{};
    line->entry = i;
    line->offset = e.offset;
    line->size = e.size;
    line->verdict = Verdict::kNoFont;
    line->charset = Charset::kLatin;
    line->partner = line->sameAs = kNoPartner;
    line->lead = -1;
    int64_t tables_end = 0;
    if (e.fault != EntryFault::kNone) {
      line->verdict = e.fault == EntryFault::kOutside ? Verdict::kOutside : Verdict::kInsideList;
    } else if (is_font_map_type(e.type) && !e.found) {
      if (const Fault err = check_map(listing, e, line, &roles); err != Fault::kNone) return err;
    } else if (is_unread_font_type(e.type)) {
      // Never read as a big-endian font.
      line->verdict = e.database != 0 ? Verdict::kLittleEndianInRom : Verdict::kLittleEndian;
    } else if (e.found || is_font_type(e.type)) {
      // Entries at one offset are one font, read once.
      size_t* first = checked_at(&checked, e.offset);
      if (first != nullptr && *first != kNoPartner) {
        const ListingLine& same = listing->lines[*first];
        *line = same;
        line->entry = i;
        line->size = e.size;
        line->partner = line->sameAs = kNoPartner;
    line->lead = -1;
      } else {
        check_font(file, listing->bdf, &counts, e.offset, line, &tables_end);
        if (first != nullptr) *first = listing->count - 1;
      }
      line->charset = charset_of_system_font(e.fontName);
    } else if (list.records) {
      // A record is a font only if glyfex converts it.
      check_font(file, listing->bdf, &counts, e.offset, line, &tables_end);
      if (!has_command(*line)) {
        line->verdict = Verdict::kNoFont;
        continue;
      }
      const uint64_t second = second_font_at(file, *line, tables_end);
      ListingLine next = *line;
      next.offset = second;
      next.size = line->offset + line->size - second;
      if (second != 0) check_font(file, listing->bdf, &counts, second, &next, &tables_end);
      if (second != 0 && has_command(next)) {
        line->size = second - line->offset;
        listing->lines[listing->count++] = next;
      }
    }
  }
  give_roles(listing, roles);
  if (const Fault err = name_fonts(listing); err != Fault::kNone) return err;
  if (const Fault err = family_and_ids(listing); err != Fault::kNone) return err;
  return mark_same_fonts(listing);
}
