#include "container/mapped_font.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

// Where a resource of the database lies: in a ROM image among the
// regions of every record and resource, elsewhere among the entries.
bool find_resource(const ResourceList& list, uint32_t database, const char* type, long id, uint64_t* offset,
                   uint64_t* size) {
  const auto matches = [&](const char (&t)[4], long i) { return std::memcmp(t, type, 4) == 0 && (id < 0 || i == id); };
  for (size_t i = 0; i < list.regionCount; ++i) {
    const RomRegion& r = list.regions[i];
    if (r.database == database && matches(r.type, r.id)) {
      *offset = r.offset;
      *size = r.size;
      return true;
    }
  }
  for (size_t i = 0; i < list.count && list.regionCount == 0; ++i) {
    const ResourceEntry& e = list.entries[i];
    if (!e.found && e.fault == EntryFault::kNone && matches(e.type, e.id)) {
      *offset = e.offset;
      *size = e.size;
      return true;
    }
  }
  return false;
}

// A font resource of the database with the id: NFNT, or nfnt.
bool find_font(const ResourceList& list, uint32_t database, long id, uint64_t* offset) {
  uint64_t size = 0;
  return find_resource(list, database, "NFNT", id, offset, &size) || find_resource(list, database, "nfnt", id, offset, &size);
}

// The name of the database that holds the map: a ROM's database, or the
// Palm database the file is.
void database_name(const ByteSource& file, const ResourceList& list, uint32_t database, char (&out)[33]) {
  out[0] = '\0';
  if (database > 0 && database <= list.databaseCount) {
    std::memcpy(out, list.databases[database - 1].name, sizeof out);
  } else if (fits(file, 0, 32) && read_at(file, 0, out, 32) == Fault::kNone) {
    out[32] = '\0';
  }
}

// The piece for the font id, added when it is new; nullptr when the font
// is not in the file or is damaged.
FontPiece* piece_of(const ByteSource& file, const ResourceList& list, uint32_t database, long id, int lead, bool load,
                    MappedFont* font) {
  for (int i = 0; i < font->count; ++i) {
    if (font->pieces[i].id == id && font->pieces[i].lead == lead) return &font->pieces[i];
  }
  uint64_t at = 0;
  if (font->count == kMaxFontPieces || !find_font(list, database, id, &at)) return nullptr;
  FontPiece* p = &font->pieces[font->count];
  const Fault err = load ? read_font_resource(file, static_cast<int64_t>(at), &p->image)
                         : probe_font(file, static_cast<int64_t>(at), &p->image);
  if (err != Fault::kNone) return nullptr;
  p->lead = lead;
  p->id = id;
  ++font->count;
  return p;
}

void note_font(long id, MappedFont* font) {
  if (std::find(font->fontIds, font->fontIds + font->fontCount, id) == font->fontIds + font->fontCount) {
    font->fontIds[font->fontCount++] = id;
  }
}

}  // namespace

Fault read_mapped_font(const ByteSource& file, const ResourceList& list, int64_t offset, bool load, MappedFont* font) {
  // The database that holds the map, and the font index beside it.
  uint32_t database = 0;
  bool held = false;
  for (size_t i = 0; i < list.count && !held; ++i) {
    const ResourceEntry& e = list.entries[i];
    held = !e.found && e.offset == static_cast<uint64_t>(offset) && is_font_map_type(e.type);
    database = e.database;
  }
  uint64_t index_at = 0, index_size = 0;
  if (!held || !find_resource(list, database, "fnti", -1, &index_at, &index_size)) return Fault::kFontMapFonts;
  FontIndexIds ids{};
  FontMap map{};
  if (read_font_index_ids(file, static_cast<int64_t>(index_at), index_size, &ids) != Fault::kNone) return Fault::kFontMapFonts;
  if (const Fault err = read_font_map(file, offset, &map); err != Fault::kNone) return err;
  font->header = map.header;
  char name[33];
  database_name(file, list, database, name);
  // Palm OS's locale module of Japanese is named so.
  font->cp932 = std::strstr(name, "ShiftJIS") != nullptr;
  // A font several lead bytes name is what unassigned ones draw: a box.
  const auto shared_font = [&map](const FontMapEntry& lead) {
    return std::count_if(map.entries, map.entries + 256, [&lead](const FontMapEntry& e) {
             return e.state == kMapLeadByte && e.value == lead.value;
           }) > 1;
  };
  // The whole characters first, so that the single-byte font is the first
  // piece, then the lead bytes in order.
  bool single = false;
  for (const uint8_t state : {kMapWholeCharacter, kMapLeadByte}) {
    for (int b = 0; b < 256; ++b) {
      const FontMapEntry& e = map.entries[b];
      if (state == kMapWholeCharacter && e.state != kMapWholeCharacter && e.state != kMapLeadByte) {
        font->otherState[b] = true;
      }
      if (e.state != state) continue;
      const long id = e.value < ids.count ? ids.ids[e.value] : -1;
      if (id >= 0) note_font(id, font);
      if (state == kMapLeadByte && shared_font(e)) {
        font->shared[b] = true;
        if (id >= 0 && std::find(font->sharedIds, font->sharedIds + font->sharedCount, id) == font->sharedIds + font->sharedCount) {
          font->sharedIds[font->sharedCount++] = id;
        }
        continue;
      }
      FontPiece* p = id < 0 ? nullptr : piece_of(file, list, database, id, state == kMapLeadByte ? b : -1, load, font);
      if (p == nullptr) {
        font->missing[b] = true;
      } else if (p->lead < 0) {
        p->bytes[b] = single = true;
      }
    }
  }
  return single ? Fault::kNone : Fault::kFontMapFonts;
}

Fault read_mapped_font(const ByteSource& file, int64_t offset, bool load, MappedFont* font) {
  ResourceList list{};
  if (scan_resources(file, false, &list) != Fault::kNone) return Fault::kFontMapFonts;
  return read_mapped_font(file, list, offset, load, font);
}
