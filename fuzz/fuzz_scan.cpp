// libFuzzer target over the resource scanner and the font listing: the
// input is the file.
#include <cstddef>
#include <cstdint>

#include "scan/font_listing.h"
#include "scan/resource_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResourceList list{};
  if (scan_resources(memory_source(data, size), false, &list) != nullptr) return 0;
  for (size_t i = 0; i < list.count; ++i) {
    const ResourceEntry& e = list.entries[i];
    // Every entry without a fault lies in the file.
    if (e.fault == nullptr && (e.offset > size || e.size > size - e.offset)) __builtin_trap();
  }
  Listing listing{};
  if (list_fonts(memory_source(data, size), list, &listing) != nullptr) return 0;
  for (size_t i = 0; i < listing.count; ++i) {
    const ListingLine& line = listing.lines[i];
    if (line.note == nullptr && (line.offset > size || line.size > size - line.offset)) __builtin_trap();
  }
  return 0;
}
