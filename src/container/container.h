// The kinds of file that hold fonts, each read by its own module into one
// list of entries: the resources of a Palm resource database or a
// Macintosh resource fork (raw, .dfont, or inside a MacBinary file), or
// the records of a Palm record database. Only headers and tables are read,
// never the whole file.
#ifndef GLYFEX_CONTAINER_CONTAINER_H
#define GLYFEX_CONTAINER_CONTAINER_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "fault/fault.h"
#include "font/byte_source.h"
#include "font/font_image.h"

// Why an entry's bytes cannot be had.
enum class EntryFault { kNone, kOutside, kInsideList };

struct ResourceEntry {
  char type[4];  // all zero for a record
  long id;  // unsigned in a Palm database, signed in a resource fork; a record's index
  uint64_t offset;  // of the resource's first byte in the file
  uint64_t size;
  EntryFault fault;
  bool found;  // a font found by its contents, not through the file's table
  uint32_t database;  // in a ROM image, 1 + the index of its database; else 0
  const char* fontName;  // the system font it is ("stdFont"), or nullptr
};

// A database of a ROM image.
struct RomDatabase {
  char name[33];
  char type[4];
  char creator[4];
};

// Where a record or resource of a ROM image lies, so that a font found by
// its contents can be named by what holds it.
struct RomRegion {
  uint64_t offset;
  uint64_t size;
  uint32_t database;  // 1 + its index
  char type[4];  // all zero for a record
  long id;  // a record's index
};

struct ResourceList {
  const char* kind;  // which kind of file this is, for the listing
  bool records;  // a record database: entries have an index, no type
  std::unique_ptr<ResourceEntry[], FreeBytes> entries;
  size_t count;
  // A ROM image: its databases, what their records and resources cover
  // (sorted by offset), and that its contents are searched as well, as
  // fonts lie in records and resources of other types.
  std::unique_ptr<RomDatabase[], FreeBytes> databases;
  size_t databaseCount;
  std::unique_ptr<RomRegion[], FreeBytes> regions;
  size_t regionCount;
  bool searchContents;
};

// The region of a ROM image that holds offset, or nullptr.
const RomRegion* region_at(const ResourceList& list, uint64_t offset);

// True for the resource types that name system fonts: fnti (FontID to
// resource, in FontID order) and afti, its ARM form.
bool is_font_index_type(const char type[4]);

// True for fntm, a font map: the fonts that make one font of a
// double-byte system.
bool is_font_map_type(const char type[4]);


// Fills list from the file, trying each kind in turn. Every offset and
// length is checked against its size. Returns Fault::kNone, kScanUnknown
// for a file of no known kind, kScanDamaged for a known kind whose tables
// do not fit (list's kind then names it, with no entries), or kScanMemory.
// An entry whose bytes lie outside the file is listed with its fault set;
// the entries around it are listed as they are.
Fault scan_resources(const ByteSource& file, bool dfont_name, ResourceList* list);

// True for the resource types that hold a bitmap font glyfex reads:
// NFNT, nfnt, and afnx, the little-endian extended fonts of Palm OS 5.
bool is_font_type(const char type[4]);

// True for afnt, the single-density little-endian font type of Palm OS 5,
// whose layout no sample shows: listed, not read.
bool is_unread_font_type(const char type[4]);

#endif
