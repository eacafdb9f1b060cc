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
#include "locale_module.h"

namespace {

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
