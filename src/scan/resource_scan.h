// Lists the resources of a Palm resource database or a Macintosh resource
// fork (raw, .dfont, or inside a MacBinary file) held in memory.
#ifndef GLYFEX_SCAN_RESOURCE_SCAN_H
#define GLYFEX_SCAN_RESOURCE_SCAN_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct ResourceEntry {
  char type[4];
  long id;  // unsigned in a Palm database, signed in a resource fork
  uint64_t offset;  // of the resource's first byte in the file
  uint64_t size;
};

struct ResourceList {
  const char* kind;  // which kind of file this is, for the listing
  std::vector<ResourceEntry> entries;
};

extern const char kErrScanUnknown[];
extern const char kErrScanDamaged[];

// Fills list from the file's bytes. Every offset and length is checked
// against size; returns nullptr, kErrScanUnknown for a file that is neither
// kind, or kErrScanDamaged for one whose tables do not fit.
const char* scan_resources(const uint8_t* data, size_t size, bool dfont_name, ResourceList* list);

// True for the resource types that hold a bitmap font.
bool is_font_type(const char type[4]);

#endif
