#include "locale_module.h"

#include <algorithm>
#include <string>

#include "font/cp932.h"

namespace {

// A font of the given codes, each glyph's rows made from its code, on a
// line of the given ascent and descent.
FontModel piece(int rows, int ascent, const std::vector<int>& codes, bool missing = false) {
  std::vector<GlyphModel> glyphs;
  for (int code : codes) {
    std::vector<std::string> image(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r) {
      for (int x = 0; x < 4; ++x) image[r] += (code >> ((r + x) % 8)) & 1 ? '#' : '-';
    }
    glyphs.push_back({code, image});
  }
  if (missing) glyphs.push_back({-1, std::vector<std::string>(static_cast<size_t>(rows), "###")});
  FontModel m = make_font(codes.front(), codes.back(), rows, glyphs);
  m.header.fontType = static_cast<int16_t>(0x9000);
  m.header.ascent = static_cast<int16_t>(ascent);
  m.header.descent = static_cast<int16_t>(rows - ascent);
  return m;
}

}  // namespace

// The locale module, named name, in a ROM image. The index's ids: 0 the
// single-byte font, 1 its bold, 2 the subfont of 0x87, 3 of 0x88, 4 of
// 0xF0, 5 of 0x81, 6 the box, 7 a font the module lacks.
Module locale_module(const char* name, bool with_index, bool whole_characters) {
  Module m;
  m.fonts[32000] = piece(3, 2, {0x19, 0x41, 0x5C, 0x80, 0x81, 0xB1}, true);
  m.fonts[32001] = piece(3, 2, {0x41, 0x42}, true);
  m.fonts[32004] = piece(4, 2, {0x40, 0x90});
  m.fonts[32005] = piece(4, 2, {0x40, 0x9F});
  m.fonts[32006] = piece(4, 2, {0x40});
  m.fonts[32007] = piece(4, 2, {0xE0});
  m.fonts[32094] = piece(3, 2, {0x40});
  std::vector<RomDatabaseModel> dbs(1, RomDatabaseModel{name, "locm", "psys", false, {}});
  if (with_index) {
    dbs[0].entries.push_back({"fnti", 32000, encode_font_index({{"fntm", 32000}, {"fntm", 32001}},
                                                               {32000, 32001, 32004, 32005, 32006, 32007, 32094, 32099})});
  }
  for (int bold = 0; bold < 2; ++bold) {
    FontMapModel map;
    for (int b = 0; b < 256; ++b) {
      const bool lead = is_cp932_lead(b);
      map.state[b] = lead ? 2 : whole_characters ? 1 : 0;
      map.value[b] = lead ? 6 : static_cast<uint16_t>(bold);
    }
    map.value[0x87] = 2;
    map.value[0x88] = 3;
    map.value[0xF0] = 4;
    map.value[0x81] = 5;
    map.value[0x89] = 7;
    map.state[0xFD] = 3;
    dbs[0].entries.push_back({"fntm", 32000 + bold, encode_font_map(map)});
  }
  for (const auto& f : m.fonts) dbs[0].entries.push_back({"NFNT", f.first, encode_font(f.second)});
  m.rom = encode_rom(RomModel{{}, dbs});
  // Where the map and the font lie: found by their bytes.
  const std::vector<uint8_t> map_bytes = dbs[0].entries[with_index ? 1 : 0].bytes;
  const std::vector<uint8_t> font_bytes = encode_font(m.fonts[32000]);
  m.map_at = static_cast<uint64_t>(std::search(m.rom.begin(), m.rom.end(), map_bytes.begin(), map_bytes.end()) - m.rom.begin());
  m.single_at = static_cast<uint64_t>(std::search(m.rom.begin(), m.rom.end(), font_bytes.begin(), font_bytes.end()) - m.rom.begin());
  return m;
}

