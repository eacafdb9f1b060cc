// libFuzzer target over the resource scanner, the content search and the
// font listing: the input is the file. A file of no known kind is searched
// by its contents in 64-byte blocks, so that fonts cross block boundaries.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "container/content_search.h"
#include "listing/font_listing.h"
#include "listing/listing_writers.h"
#include "container/container.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ByteSource file = memory_source(data, size);
  ResourceList list{};
  Fault err = scan_resources(file, false, &list);
  if (err == Fault::kScanUnknown || err == Fault::kScanDamaged) {
    list = ResourceList{};
    FoundFonts found{};
    if (find_fonts(file, 64, nullptr, &found) != Fault::kNone || add_found_entries(found, &list) != Fault::kNone) return 0;
    for (size_t i = 0; i < found.count; ++i) {
      // Fonts lie in the file, in order, and do not nest.
      const FoundFont& f = found.fonts[i];
      if (f.offset > size || f.size > size - f.offset) __builtin_trap();
      if (i > 0 && f.offset < found.fonts[i - 1].offset + found.fonts[i - 1].size) __builtin_trap();
    }
  } else if (err != Fault::kNone) {
    return 0;
  }
  for (size_t i = 0; i < list.count; ++i) {
    const ResourceEntry& e = list.entries[i];
    // Every entry without a fault lies in the file.
    if (e.fault == EntryFault::kNone && (e.offset > size || e.size > size - e.offset)) __builtin_trap();
  }
  Listing listing{};
  listing.program = "glyfex";
  listing.file = "fuzz";
  listing.source = file;
  if (list_fonts(static_cast<ResourceList&&>(list), &listing) != Fault::kNone) return 0;
  for (size_t i = 0; i < listing.count; ++i) {
    const ListingLine& line = listing.lines[i];
    if (has_command(line) && (line.offset > size || line.size > size - line.offset)) __builtin_trap();
  }
  // Every writer runs on every listing.
  static FILE* null = std::fopen("/dev/null", "w");
  for (int f = 0; f < kListingFormCount; ++f) kListingForms[f].write(null, listing);
  return 0;
}
