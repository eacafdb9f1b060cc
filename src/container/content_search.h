// Finds fonts by their contents, at every byte offset of a file of any
// kind: ROM images, memory dumps, bare resources. The file is read in
// blocks, so memory does not follow its size.
#ifndef GLYFEX_CONTAINER_CONTENT_SEARCH_H
#define GLYFEX_CONTAINER_CONTENT_SEARCH_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "font/font_image.h"
#include "container/container.h"

struct FoundFont {
  uint64_t offset;
  uint64_t size;  // from the offset to the font's last byte
};

struct FoundFonts {
  std::unique_ptr<FoundFont[], FreeBytes> fonts;
  size_t count;
};

// Called after each block with the bytes searched so far and the fonts
// found so far.
struct SearchProgress {
  void (*report)(void* context, uint64_t searched, uint64_t size, size_t found);
  void* context;
};

constexpr size_t kSearchBlockBytes = size_t{1} << 20;

// Searches the whole file, block_bytes at a time, for fonts glyfex
// converts that a compiler could have written as they stand: a range of at
// least one code, at least one row and one strip word, the first location
// 0, the offset/width table right after the location table, and at least
// one set pixel at some density. A few header bytes are tested at each
// offset before any table is read. Fonts do not nest: the search goes on
// after the last byte of each font found. progress may be nullptr.
Fault find_fonts(const ByteSource& file, size_t block_bytes, const SearchProgress* progress, FoundFonts* found);

// Adds the fonts found to the list, after its entries, as entries with no
// type or id that are marked found.
Fault add_found_entries(const FoundFonts& found, ResourceList* list);

#endif
