// The names a run has given (texts and folders), so that each new one is
// unique on every system the scripts run on: compared without ASCII case,
// as Windows and macOS compare file names.
#ifndef GLYFEX_LISTING_NAME_SET_H
#define GLYFEX_LISTING_NAME_SET_H

#include <cstddef>
#include <memory>

#include "font/font_image.h"

struct NameSet {
  std::unique_ptr<char*[], FreeBytes> names;  // open addressing, a power of two; nullptr for free
  size_t capacity;
  size_t count;
};

// True when the set holds name, ASCII case aside.
bool has_name(const NameSet& set, const char* name);

// Adds a copy of name; returns the set's copy, which lives as long as the
// set, or nullptr without memory.
const char* add_name(NameSet* set, const char* name);

void free_names(NameSet* set);

#endif
