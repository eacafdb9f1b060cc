// The character maps: Palm Latin code by code against the table of Palm
// codes and Unicode, and the BDF each map gives a font.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "bdf_parser.h"
#include "font/charset.h"
#include "font_builder.h"

namespace {

TEST(CharsetTest, PalmLatinMatchesTheTable) {
  std::ifstream table(TESTS_DIR "/palm-latin.tsv");
  ASSERT_TRUE(table.good());
  std::string line;
  int rows = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string code_text, unicode;
    std::getline(fields, code_text, '\t');
    std::getline(fields, unicode, '\t');
    const int code = std::stoi(code_text, nullptr, 16);
    SCOPED_TRACE(code_text);
    // Two codes draw the ellipsis; the CP1252 position keeps it.
    const int32_t expected = unicode == "-" || code == 0x18 ? kNoCharacter : std::stoi(unicode.substr(2), nullptr, 16);
    EXPECT_EQ(charset_unicode(Charset::kLatin, code), expected);
    EXPECT_EQ(charset_unicode(Charset::kPalm, code), code);
    ++rows;
  }
  EXPECT_EQ(rows, 256);
}

// One font through every map: its glyphs' encodings, the registry, and
// where the missing-character glyph goes.
TEST(CharsetTest, EncodingsOfEachMap) {
  FontModel m = make_font(0x2E, 0x30, 2, {{0x2E, {"#", "#"}}, {0x2F, {"#", "-"}}, {0x30, {"#", "#"}}, {-1, {"#", "#"}}});
  m.offsetWidths[1] = {-1, -1};  // 0x2F is drawn with the missing glyph
  const struct {
    Charset charset;
    bool defaultChar;
    const char* registry;
    std::vector<long> encodings;  // of 0x2E, 0x30 and the missing glyph
  } kCases[] = {
      {Charset::kLatin, true, "\"ISO10646\"", {0x2E, 0x30, 0xFFFD}},
      {Charset::kPalm, false, "\"PalmOS\"", {0x2E, 0x30, -1}},
      {Charset::kLed, true, "\"ISO10646\"", {0x2E, 0x30, 0xFFFD}},
      // Glyphs of no character of their own: in the Private Use Area.
      {Charset::kSymbol, true, "\"ISO10646\"", {0xF02E, 0xF030, 0xFFFD}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(charset_name(c.charset));
    std::string bdf;
    ASSERT_EQ(convert_bdf(encode_font(m), 0, c.charset, &bdf), "");
    BdfFont font;
    ASSERT_EQ(parse_bdf(bdf, &font), "");
    std::vector<long> encodings;
    for (const BdfGlyph& g : font.glyphs) encodings.push_back(g.encoding);
    EXPECT_EQ(encodings, c.encodings);
    EXPECT_EQ(font.properties["CHARSET_REGISTRY"], c.registry);
    EXPECT_EQ(font.properties.count("DEFAULT_CHAR") > 0, c.defaultChar);
    EXPECT_EQ(font.drawnAsMissing, std::set<int>{0x2F});
  }
}

}  // namespace

namespace {

// The BDF's cell, name and header comment, from the facts of the font: the
// cell's bottom at ascent - rows, whatever the descent says; an XLFD name
// of 14 fields whose family holds no -, *, ?, , or "; the Palm header as
// the file has it; no BDF of a font with no glyph.
TEST(BdfTest, CellsNamesAndHeader) {
  const auto font = [](int height, int ascent, int descent) {
    FontModel m = make_font(65, 65, height, {{65, std::vector<std::string>(static_cast<size_t>(height), "#-#"), 3}});
    m.header.ascent = static_cast<int16_t>(ascent);
    m.header.descent = static_cast<int16_t>(descent);
    return m;
  };
  const struct {
    const char* name;
    FontModel model;
    const char* family;
    std::map<std::string, std::string> properties;
    long bottom;  // the cell's BBX y
  } kCases[] = {
      {"ascent + descent the height", font(11, 9, 2), "test",
       {{"FONT_ASCENT", "9"}, {"FONT_DESCENT", "2"}, {"PIXEL_SIZE", "11"}, {"FAMILY_NAME", "\"test\""}}, -2},
      {"ascent + descent above the height", font(11, 12, 3), "test",
       {{"FONT_ASCENT", "12"}, {"FONT_DESCENT", "0"}, {"PIXEL_SIZE", "12"}}, 1},
      {"ascent + descent below the height", font(16, 14, 1), "test",
       {{"FONT_ASCENT", "14"}, {"FONT_DESCENT", "2"}, {"PIXEL_SIZE", "16"}}, -2},
      {"no height", font(0, 0, 0), "test", {{"FONT_ASCENT", "1"}, {"FONT_DESCENT", "0"}, {"PIXEL_SIZE", "1"}}, 0},
      {"a negative advance", [&] {
         FontModel m = font(11, 9, 2);
         m.offsetWidths[0].width = -3;
         return m;
       }(), "test", {{"AVERAGE_WIDTH", "-30"}}, -2},
      {"an odd name", font(11, 9, 2), "my*font-x?,\"q \xC3\xA9\xE2\x82\xAC",
       {{"FAMILY_NAME", "\"my font x   q \xE9 \""}}, -2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string bdf;
    ASSERT_EQ(convert_bdf(encode_font(c.model), 0, Charset::kLatin, &bdf, nullptr, c.family), "");
    BdfFont parsed;
    ASSERT_EQ(parse_bdf(bdf, &parsed), "");
    for (const auto& p : c.properties) EXPECT_EQ(parsed.properties[p.first], p.second) << p.first;
    ASSERT_EQ(parsed.glyphs.size(), 1u);
    EXPECT_EQ(parsed.glyphs[0].bbx[3], c.bottom);
    // FONT -Palm-family-Medium-R-Normal--...: fourteen fields, the family
    // the FAMILY_NAME.
    const size_t font_at = bdf.find("\nFONT ") + 6;
    const std::string name = bdf.substr(font_at, bdf.find('\n', font_at) - font_at);
    EXPECT_EQ(std::count(name.begin(), name.end(), '-'), 14) << name;
    const std::string family = parsed.properties["FAMILY_NAME"];
    EXPECT_EQ(name.rfind("-Palm-" + family.substr(1, family.size() - 2) + "-Medium-R-Normal--", 0), 0u) << name;
    if (c.model.header.fRectHeight == 0) {
      EXPECT_NE(bdf.find("\nCOMMENT The font has no height"), std::string::npos);
    }
  }
  // The header comment: fontType as the file has it, the density list,
  // the byte order.
  FontModel hd = font(2, 2, 0);
  hd.header.fontType = static_cast<int16_t>(0x9000);
  hd = make_extended(hd, {72, 144});
  hd.little = true;
  const std::vector<uint8_t> bytes = encode_font(hd);
  const unsigned at72 = bytes[36] | bytes[37] << 8, at144 = bytes[44] | bytes[45] << 8;
  std::string bdf;
  ASSERT_EQ(convert_bdf(bytes, 0, Charset::kLatin, &bdf), "");
  EXPECT_NE(bdf.find("COMMENT Palm header: fontType 37376 firstChar 65 lastChar 65 "), std::string::npos) << bdf;
  EXPECT_NE(bdf.find("COMMENT Palm extended header: version 1 densityCount 2 density 72 glyphBitsOffset " +
                     std::to_string(at72) + " density 144 glyphBitsOffset " + std::to_string(at144) + "\n"),
            std::string::npos)
      << bdf;
  EXPECT_NE(bdf.find("COMMENT Palm byte order: little-endian\n"), std::string::npos);
  // A font of no glyph: no code in its range, no missing glyph.
  EXPECT_EQ(convert_bdf(encode_font(make_font(65, 64, 2, {})), 0, Charset::kLatin, &bdf),
            fault_text(Fault::kBdfNoGlyph));
}

}  // namespace
