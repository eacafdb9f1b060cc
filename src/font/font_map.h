// Font maps, the way a double-byte Palm OS (Japanese) keeps a system font:
// a map (resource type fntm, fontType 0xC000) ties each first byte of a
// character to a font, a single-byte font for a whole character, or a
// subfont whose codes are the trail bytes under a lead byte; the font
// index (fnti) lists, by FontID, the resource of each system font, then
// the ids a map's entries name by their place in that list. A mapped font
// is the pieces put together: each read as any font, with the rule from
// its codes to characters.
#ifndef GLYFEX_FONT_FONT_MAP_H
#define GLYFEX_FONT_FONT_MAP_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "font/font_image.h"

constexpr uint16_t kFontTypeMap = 0xC000;

// The map's entry of a first byte: state 1, the byte is a character of
// the font value names; state 2, it leads a character whose code in the
// font value names is the byte after it.
constexpr uint8_t kMapWholeCharacter = 1;
constexpr uint8_t kMapLeadByte = 2;

struct FontMapEntry {
  uint8_t flags;
  uint8_t state;
  uint16_t value;  // a place in the font index's list of ids
};

struct FontMap {
  FontHeader header;
  FontMapEntry entries[256];
};

// The 26-byte header, then an entry of four bytes for each first byte.
constexpr size_t kFontMapBytes = kFontHeaderBytes + 4 * 256;

inline bool is_font_map(const FontHeader& h) { return static_cast<uint16_t>(h.fontType) == kFontTypeMap; }

// Reads the map at offset, big-endian.
Fault read_font_map(const ByteSource& in, int64_t offset, FontMap* map);

// The ids a map's entries name, from the font index of size bytes at
// offset: after a count and that many (type, id) pairs, a count of ids and
// the ids. Holds at most what the index's size does.
struct FontIndexIds {
  std::unique_ptr<uint16_t[], FreeBytes> ids;
  size_t count;
};

Fault read_font_index_ids(const ByteSource& in, int64_t offset, uint64_t size, FontIndexIds* out);

// A piece of a mapped font: the single-byte font (lead -1), with the
// bytes the map takes from it, or the subfont of a lead byte.
struct FontPiece {
  FontImage image;
  int lead;
  bool bytes[256];
  long id;  // its resource id
};

constexpr int kMaxFontPieces = 257;

struct MappedFont {
  FontHeader header;  // the map's: the line's height, ascent and descent
  bool cp932;  // characters by cp932, else the codes as they stand
  FontPiece pieces[kMaxFontPieces];  // the single-byte font first, then by lead byte
  int count;
  // What the map names that is left out: a font several lead bytes share
  // (a box drawn for unassigned ones), a font not in the file or damaged,
  // an entry of another state; by first byte.
  bool shared[256];
  bool missing[256];
  bool otherState[256];
  long fontIds[kMaxFontPieces + 256];  // every font the map names, once
  int fontCount;
  long sharedIds[256];  // the fonts several lead bytes share, once
  int sharedCount;
};

// A mapped font lives outside the stack: a map names up to 257 fonts.
MappedFont* new_mapped_font();
void free_mapped_font(MappedFont* font);

#endif
