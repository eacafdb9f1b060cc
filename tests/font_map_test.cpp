// Font maps: a Japanese locale module built here (an index, two maps, two
// single-byte fonts and subfonts: one a box several unassigned lead bytes
// share, one of the user-defined lead 0xF0, two that draw one character),
// written as one BDF whose every glyph is its piece's at its character;
// the refusals; and cp932 against Python's codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bdf/bdf_font.h"
#include "bdf_parser.h"
#include "container/mapped_font.h"
#include "font/cp932.h"
#include "font_builder.h"

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

struct Module {
  std::map<int, FontModel> fonts;  // by resource id
  std::vector<uint8_t> rom;
  uint64_t map_at = 0, single_at = 0;  // where map 32000 and font 32000 lie
};

// The locale module, named name, in a ROM image. The index's ids: 0 the
// single-byte font, 1 its bold, 2 the subfont of 0x87, 3 of 0x88, 4 of
// 0xF0, 5 of 0x81, 6 the box, 7 a font the module lacks.
Module locale_module(const char* name, bool with_index = true, bool whole_characters = true) {
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

// The BDF glyfex writes of the map at offset, or the message.
std::string map_bdf(const std::vector<uint8_t>& file, uint64_t offset, std::string* bdf) {
  MappedFont* font = new_mapped_font();
  const Fault err = read_mapped_font(memory_source(file.data(), file.size()), static_cast<int64_t>(offset), true, font);
  if (err == Fault::kNone) {
    Fault written = Fault::kNone;
    *bdf = text_written([&](OsFile out) { return write_bdf_map(out, *font, "std"); }, &written);
    if (written == Fault::kNone && bdf->size() != bdf_map_bytes(*font, "std")) written = Fault::kOutputWrite;
    free_mapped_font(font);
    return written == Fault::kNone ? "" : fault_text(written);
  }
  free_mapped_font(font);
  return fault_text(err);
}

// A glyph of the model as the BDF must hold it: its rows, and where its
// cell's bottom lies (the map's ascent 2 less its rows).
struct Expected {
  std::vector<std::string> rows;
  long bottom;
};

Expected expected(const FontModel& f, int code) {
  Expected e{{}, 2 - f.header.fRectHeight};
  const size_t i = static_cast<size_t>(code < 0 ? f.header.lastChar - f.header.firstChar + 1 : code - f.header.firstChar);
  for (const std::string& row : f.strip) e.rows.push_back(row.substr(f.locations[i], f.locations[i + 1] - f.locations[i]));
  return e;
}

TEST(FontMapTest, EveryCharacterFromItsPiece) {
  const Module m = locale_module("ShiftJIS Locale Module");
  std::string bdf;
  ASSERT_EQ(map_bdf(m.rom, m.map_at, &bdf), "");
  BdfFont font;
  ASSERT_EQ(parse_bdf(bdf, &font), "");
  // Each character from the facts of cp932 and the single-byte rules: the
  // yen sign at 0x5C, the numeric space at 0x19 (0x80 none of its own),
  // half-width katakana, Palm's missing glyph the replacement character;
  // the second code of a character (0x8790, as 0x81E0) and a code of no
  // character (0x8840) left out, and 0x81, a lead byte, not a character of
  // the single-byte font.
  const std::map<long, Expected> want = {
      {0x2007, expected(m.fonts.at(32000), 0x19)}, {0x0041, expected(m.fonts.at(32000), 0x41)},
      {0x00A5, expected(m.fonts.at(32000), 0x5C)}, {0xF080, expected(m.fonts.at(32000), 0x80)},
      {0xFF71, expected(m.fonts.at(32000), 0xB1)}, {0xFFFD, expected(m.fonts.at(32000), -1)},
      {0x2252, expected(m.fonts.at(32007), 0xE0)}, {0x2460, expected(m.fonts.at(32004), 0x40)},
      {0x4E9C, expected(m.fonts.at(32005), 0x9F)}, {0xE000, expected(m.fonts.at(32006), 0x40)},
  };
  ASSERT_EQ(font.glyphs.size(), want.size());
  for (const BdfGlyph& g : font.glyphs) {
    SCOPED_TRACE(g.name);
    ASSERT_EQ(want.count(g.encoding), 1u);
    EXPECT_EQ(g.rows, want.at(g.encoding).rows);
    EXPECT_EQ(g.bbx[3], want.at(g.encoding).bottom);
  }
  EXPECT_EQ(font.properties["CHARSET_REGISTRY"], "\"ISO10646\"");
  EXPECT_EQ(font.properties["DEFAULT_CHAR"], "65533");
  EXPECT_EQ(font.properties["FONT_ASCENT"], "2");
  EXPECT_EQ(font.properties["FONT_DESCENT"], "1");
  // What is left out, said: the box's lead bytes, the lead whose font the
  // module lacks, the entry of another state.
  EXPECT_NE(bdf.find("COMMENT Left out, a font several lead bytes share (drawn for unassigned ones): 0x82 0x83 0x84 0x85"),
            std::string::npos);
  EXPECT_NE(bdf.find("COMMENT Left out, their font not in the file or damaged: 0x89\n"), std::string::npos);
  EXPECT_NE(bdf.find("COMMENT Left out, map entries of no known state: 0xFD\n"), std::string::npos);

  // Outside the Japanese locale: the codes, lead byte x 256 + trail byte.
  const Module latin = locale_module("Latin Locale Module");
  ASSERT_EQ(map_bdf(latin.rom, latin.map_at, &bdf), "");
  BdfFont codes;
  ASSERT_EQ(parse_bdf(bdf, &codes), "");
  std::vector<long> encodings;
  for (const BdfGlyph& g : codes.glyphs) encodings.push_back(g.encoding);
  EXPECT_EQ(encodings, (std::vector<long>{0x19, 0x41, 0x5C, 0x80, 0xB1, 0x81E0, 0x8740, 0x8790, 0x8840, 0x889F, 0xF040, -1}));
  EXPECT_EQ(codes.properties["CHARSET_REGISTRY"], "\"PalmOS\"");
}

TEST(FontMapTest, Refusals) {
  const Module m = locale_module("ShiftJIS Locale Module");
  const std::vector<uint8_t> bare(m.rom.begin() + static_cast<long>(m.map_at),
                                  m.rom.begin() + static_cast<long>(m.map_at + 26 + 1024));
  const Module no_index = locale_module("ShiftJIS Locale Module", false);
  const Module no_single = locale_module("ShiftJIS Locale Module", true, false);
  std::string bdf, text;
  const struct {
    const char* name;
    std::function<std::string()> run;
    Fault message;
  } kCases[] = {
      {"a map, not as BDF", [&] { return convert_bytes(m.rom, static_cast<long>(m.map_at), &text); }, Fault::kFontMap},
      {"a bare map", [&] { return map_bdf(bare, 0, &bdf); }, Fault::kFontMapFonts},
      {"no font index", [&] { return map_bdf(no_index.rom, no_index.map_at, &bdf); }, Fault::kFontMapFonts},
      {"no single-byte font", [&] { return map_bdf(no_single.rom, no_single.map_at, &bdf); }, Fault::kFontMapFonts},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.run(), fault_text(c.message));
  }
}

// A single-byte font by its own rules, and a subfont alone by its lead
// byte.
TEST(FontMapTest, PiecesAlone) {
  const Module m = locale_module("ShiftJIS Locale Module");
  const struct {
    const char* name;
    FontModel font;
    Charset charset;
    int lead;
    std::vector<long> encodings;
  } kCases[] = {
      {"sjis", m.fonts.at(32000), Charset::kSjis, -1, {0x2007, 0x41, 0xA5, 0xF080, 0xF081, 0xFF71, 0xFFFD}},
      {"lead 0x88", m.fonts.at(32005), Charset::kLatin, 0x88, {0xF040, 0x4E9C}},
      {"the box, its codes", m.fonts.at(32094), Charset::kPalm, -1, {0x40}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FontImage image;
    const std::vector<uint8_t> bytes = encode_font(c.font);
    ASSERT_EQ(read_font_resource(memory_source(bytes.data(), bytes.size()), 0, &image), Fault::kNone);
    Fault err = Fault::kNone;
    const std::string bdf = text_written(
        [&](OsFile out) { return write_bdf_font(out, image, kDensity72, BdfOptions{c.charset, "piece", c.lead}); }, &err);
    ASSERT_EQ(err, Fault::kNone);
    BdfFont font;
    ASSERT_EQ(parse_bdf(bdf, &font), "");
    std::vector<long> encodings;
    for (const BdfGlyph& g : font.glyphs) encodings.push_back(g.encoding);
    EXPECT_EQ(encodings, c.encodings);
  }
}

// Every entry of the cp932 table against Python's codec, where Python is.
TEST(FontMapTest, Cp932TableIsPythons) {
#ifdef _WIN32
  GTEST_SKIP() << "Python's codec is checked on the build machine";
#else
  int status = 0;
  const std::string python = run_shell(
      "python3 -c \"\nimport sys\nfor lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):\n"
      "    for trail in range(0x40, 0xFD):\n        try:\n            c = bytes([lead, trail]).decode('cp932')\n"
      "        except UnicodeDecodeError:\n            continue\n"
      "        print('%02X%02X %04X %d' % (lead, trail, ord(c), c.encode('cp932') == bytes([lead, trail])))\n\" 2>/dev/null",
      &status);
  if (status != 0 || python.empty()) GTEST_SKIP() << "python3 not installed: the cp932 table not checked";
  std::string ours;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC && is_cp932_lead(lead); ++trail) {
      const int32_t c = cp932_unicode(lead, trail);
      if (c < 0) continue;
      char line[32];
      std::snprintf(line, sizeof line, "%02X%02X %04X %d\n", lead, trail, static_cast<unsigned>(c),
                    cp932_canonical(lead, trail) ? 1 : 0);
      ours += line;
    }
  }
  EXPECT_EQ(ours, python);
#endif
}

}  // namespace
