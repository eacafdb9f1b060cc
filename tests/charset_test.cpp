// The character maps: Palm Latin code by code against the table of Palm
// codes and Unicode, and the BDF each map gives a font.
#include <gtest/gtest.h>

#include <fstream>
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
      {Charset::kSymbol, true, "\"ISO10646\"", {-1, -1, 0xFFFD}},
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
