// What the listing says of each entry: for every font, glyfex's own verdict
// on it and the name of the texts its command writes.
#ifndef GLYFEX_SCAN_FONT_LISTING_H
#define GLYFEX_SCAN_FONT_LISTING_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "font/font_image.h"
#include "scan/resource_scan.h"

constexpr size_t kNoPartner = static_cast<size_t>(-1);

struct ListingLine {
  size_t entry;  // the resource or record the line is about
  uint64_t offset;
  uint64_t size;
  // nullptr: glyfex converts the font with the command below; otherwise
  // what to say instead ("" for an entry that is no font).
  const char* note;
  bool hasDensity[kDensities];
  char name[48];  // the text is name.txt, its 144 dpi text name-144.txt
  size_t partner;  // the line sharing the name (the other density), or kNoPartner
};

struct Listing {
  std::unique_ptr<ListingLine[], FreeBytes> lines;
  size_t count;
};

extern const char kNoteLittleEndian[];

// One line per entry, and a second line for a record whose font is
// followed, inside the record, by another font glyfex converts (FontForge
// stores a 72 dpi font and its 144 dpi font so). Each font is probed by
// glyfex's reader in the whole file, as glyfex would read it.
const char* list_fonts(const ByteSource& file, const ResourceList& list, Listing* listing);

#endif
