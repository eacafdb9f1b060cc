// A Japanese locale module of Palm OS, built for the tests in a ROM image:
// a font index, two font maps (std and bold), two single-byte fonts and
// subfonts (one a box several unassigned lead bytes share, one of the
// user-defined lead 0xF0, two that draw one character), and a font the
// index names that the module lacks.
#ifndef GLYFEX_TESTS_LOCALE_MODULE_H
#define GLYFEX_TESTS_LOCALE_MODULE_H

#include <cstdint>
#include <map>
#include <vector>

#include "font_builder.h"

struct Module {
  std::map<int, FontModel> fonts;  // by resource id
  std::vector<uint8_t> rom;
  uint64_t map_at = 0, single_at = 0;  // where map 32000 and font 32000 lie
};

// The module, its database named name; without its index, or with no
// byte a whole character of the single-byte font, as asked.
Module locale_module(const char* name, bool with_index = true, bool whole_characters = true);

#endif
