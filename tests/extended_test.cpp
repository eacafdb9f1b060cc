// Extended (multi-density) fonts: both texts byte for byte, every refusal,
// and the name of the 144 dpi text.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "cli/output_file.h"
#include "bdf_parser.h"
#include "font_builder.h"
#include "text_parser.h"

namespace {

// Two glyphs and a missing-character glyph, 2 rows, one strip word (odd, so
// a 144 dpi row is 4 bytes); fontType 0x9000, which the file holds as 0x9200.
FontModel two_density_font(const std::vector<int>& densities) {
  FontModel m = make_font(65, 66, 2, {{65, {"#-", "-#"}, -1, 3, 1}, {66, {"###", "#-#"}}, {-1, {"#", "#"}}});
  m.header.fontType = static_cast<int16_t>(0x9000);
  return make_extended(m, densities);
}

const char kText72[] =
    "fontType 36864\nmaxWidth 8\nkernMax 0\nnDescent 0\nfRectWidth 8\nfRectHeight 2\nascent 2\ndescent 0\nleading 0\n\n"
    "GLYPH 'A'\nWIDTH 3\nOFFSET 1\n#-\n-#\n\n"
    "GLYPH 'B'\n###\n#-#\n\n"
    "GLYPH -1\n#\n#\n\n";

const char kText144[] =
    "fontType 36864\nmaxWidth 16\nkernMax 0\nnDescent 0\nfRectWidth 16\nfRectHeight 4\nascent 4\ndescent 0\nleading 0\n\n"
    "GLYPH 'A'\nWIDTH 6\nOFFSET 2\n##--\n#---\n--##\n-###\n\n"
    "GLYPH 'B'\n######\n#-###-\n##--##\n#---#-\n\n"
    "GLYPH -1\n##\n##\n##\n##\n\n";

std::vector<uint8_t> patched(const std::vector<int>& densities, size_t pos, int value) {
  std::vector<uint8_t> bytes = encode_font(two_density_font(densities));
  put16(&bytes, pos, value);
  return bytes;
}

std::vector<uint8_t> cut(size_t size, bool little = false) {
  FontModel m = two_density_font({72, 144});
  m.little = little;
  std::vector<uint8_t> bytes = encode_font(m);
  bytes.resize(std::min(size, bytes.size() - 1));
  return bytes;
}

std::vector<uint8_t> little_font(const std::vector<int>& densities) {
  FontModel m = two_density_font(densities);
  m.little = true;
  return encode_font(m);
}

const struct {
  const char* name;
  std::function<std::vector<uint8_t>()> bytes;
  Fault message;
  const char* text72;
  const char* text144;
} kExtendedCases[] = {
    {"both densities", [] { return encode_font(two_density_font({72, 144})); }, Fault::kNone, kText72, kText144},
    {"144 listed first", [] { return encode_font(two_density_font({144, 72})); }, Fault::kNone, kText72, kText144},
    {"72 only", [] { return encode_font(two_density_font({72})); }, Fault::kNone, kText72, ""},
    {"144 only", [] { return encode_font(two_density_font({144})); }, Fault::kNone, "", kText144},
    {"version 2", [] { return patched({72}, 26, 2); }, Fault::kFontHeaderRange, "", ""},
    {"no densities", [] { return patched({72}, 28, 0); }, Fault::kFontHeaderRange, "", ""},
    {"nine densities", [] { return encode_font(two_density_font({72, 144, 72, 144, 72, 144, 72, 144, 72})); },
     Fault::kFontHeaderRange, "", ""},
    {"96 dpi", [] { return patched({72, 144}, 36, 96); }, Fault::kFontDensity, "", ""},
    {"108 dpi, ascent and descent not the height", [] { return patched({72, 108}, 20, 3); }, Fault::kFontHeight108, "", ""},
    {"72 dpi twice", [] { return encode_font(two_density_font({72, 72})); }, Fault::kFontDensity, "", ""},
    {"density list cut short", [] { return cut(33); }, Fault::kFontOutsideFile, "", ""},
    {"144 dpi strip cut short", [] { return cut(encode_font(two_density_font({72, 144})).size() - 1); },
     Fault::kFontOutsideFile, "", ""},
    {"strip offset past the end", [] { return patched({72}, 32, 0x7FFF); }, Fault::kFontOutsideFile, "", ""},
    {"location decreasing", [] { return patched({72, 144}, 42 + 2, 7); }, Fault::kFontLocations, "", ""},
    {"little-endian", [] { return little_font({72, 144}); }, Fault::kNone, kText72, kText144},
    {"little-endian, 72 dpi twice", [] { return little_font({72, 72}); }, Fault::kFontDensity, "", ""},
    {"little-endian, density list cut short", [] { return cut(40, true); }, Fault::kFontOutsideFile, "", ""},
    {"little-endian, 144 dpi strip cut short", [] { return cut(100000, true); }, Fault::kFontOutsideFile, "", ""},
    {"little-endian, tables out of order", [] {
       std::vector<uint8_t> bytes = little_font({72, 144});
       bytes[16] = 2;  // owTLoc, low byte first: the table inside the header
       bytes[17] = 0;
       return bytes;
     }, Fault::kFontOffsetWidths, "", ""},
};

TEST(ExtendedTest, BothTexts) {
  for (const auto& c : kExtendedCases) {
    SCOPED_TRACE(c.name);
    std::string text72, text144;
    ASSERT_EQ(convert_bytes(c.bytes(), 0, &text72, &text144), message_of(c.message));
    EXPECT_EQ(text72, c.text72);
    EXPECT_EQ(text144, c.text144);
    // Each density's BDF holds the pixels of its text.
    std::string bdf72, bdf144;
    ASSERT_EQ(convert_bdf(c.bytes(), 0, Charset::kPalm, &bdf72, &bdf144), message_of(c.message));
    EXPECT_EQ(text72.empty() ? "" : bdf_matches_text(bdf72, text72), "");
    EXPECT_EQ(text144.empty() ? "" : bdf_matches_text(bdf144, text144), "");
  }
}

// Glyphs of odd widths at odd columns, one with its own advance and
// offset, on a line of ascent 2 and descent 1.
FontModel odd_font() {
  std::vector<GlyphModel> glyphs;
  const int widths[] = {1, 2, 3, 5, 4, 3, 1, 7};
  for (int i = 0; i < 8; ++i) {
    std::vector<std::string> rows(3);
    for (int r = 0; r < 3; ++r) {
      for (int x = 0; x < widths[i]; ++x) rows[r] += (x * 7 + r * 3 + i) % 3 == 0 ? '#' : '-';
    }
    glyphs.push_back({65 + i, rows});
  }
  glyphs[3].widthByte = 4;
  glyphs[3].offsetByte = 1;
  glyphs.push_back({-1, {"###", "#-#", "###"}});
  FontModel m = make_font(65, 72, 3, glyphs);
  m.header.fontType = static_cast<int16_t>(0x9000);
  m.header.ascent = 2;
  m.header.descent = 1;
  return m;
}

// Every glyph at every density, in both byte orders and with any set of
// densities in any order: its rows are the columns floor(start x s) to
// floor(end x s) - 1 of that density's strip, s = dpi / 72; its WIDTH and
// OFFSET the 72 dpi ones scaled down to whole pixels; the metrics scaled
// the same way, fRectHeight the image's rows. Little-endian and
// big-endian give the same texts.
TEST(ExtendedTest, EveryDensityFollowsTheColumnRule) {
  const std::vector<std::vector<int>> kSets = {{72}, {108}, {144}, {72, 108}, {108, 144}, {72, 108, 144}, {144, 108, 72}};
  for (const std::vector<int>& set : kSets) {
    const FontModel m = make_extended(odd_font(), set);
    FontModel little = m;
    little.little = true;
    std::string big_texts[3], little_texts[3];
    ASSERT_EQ(convert_bytes(encode_font(m), 0, &big_texts[0], &big_texts[2], &big_texts[1]), "");
    ASSERT_EQ(convert_bytes(encode_font(little), 0, &little_texts[0], &little_texts[2], &little_texts[1]), "");
    for (int k = 0; k < 3; ++k) {
      const int dpi = (k + 2) * 36;
      SCOPED_TRACE(std::to_string(set.size()) + " densities, " + std::to_string(dpi) + " dpi");
      EXPECT_EQ(little_texts[k], big_texts[k]);
      if (std::find(set.begin(), set.end(), dpi) == set.end()) {
        EXPECT_EQ(big_texts[k], "");
        continue;
      }
      ParsedFont font;
      ASSERT_EQ(parse_text_font(big_texts[k], &font), "");
      const auto scaled = [dpi](int v) { return v * dpi / 72; };  // the values here are not negative
      const long metrics[9] = {0x9000, scaled(8), 0, 0, scaled(8), scaled(2) + scaled(1), scaled(2), scaled(1), 0};
      for (int f = 0; f < 9; ++f) EXPECT_EQ(font.metrics[f], metrics[f]) << f;
      const std::vector<std::string>& strip = model_strip(m, dpi);
      ASSERT_EQ(font.glyphs.size(), 9u);
      for (size_t i = 0; i < font.glyphs.size(); ++i) {
        const ParsedGlyph& g = font.glyphs[i];
        const int start = scaled(m.locations[i]), end = scaled(m.locations[i + 1]);
        std::vector<std::string> rows;
        rows.reserve(strip.size());
        for (const std::string& row : strip) rows.push_back(row.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
        EXPECT_EQ(g.rows, rows) << g.code;
        EXPECT_EQ(g.hasWidth, i == 3);
        if (i == 3) {
          EXPECT_EQ(g.width, scaled(4));
          EXPECT_EQ(g.offset, scaled(1));
        }
      }
    }
  }
}

// The glyph named name in a text, its rows.
std::vector<std::string> glyph_rows(const std::string& text, const std::string& name) {
  const size_t at = text.find("GLYPH " + name + "\n");
  if (at == std::string::npos) return {"no such glyph"};
  std::vector<std::string> rows;
  size_t line = text.find('\n', at) + 1;
  for (size_t end = text.find('\n', line); end != line && end != std::string::npos; line = end + 1, end = text.find('\n', line)) {
    const std::string row = text.substr(line, end - line);
    if (row.find_first_not_of("#-") == std::string::npos) rows.push_back(row);
  }
  return rows;
}

// The Palm OS 5 Simulator's ROM, when it is beside the checkout: its eight
// little-endian system fonts convert at 72, 108 and 144 dpi, and stdFont's
// A and g are the glyphs decoded by hand from its bytes.
TEST(ExtendedTest, PalmOs5SystemFonts) {
  const std::string rom = read_file(TESTS_DIR "/../../shared/samples/NTFull_enUS.rom");
  if (rom.empty()) GTEST_SKIP() << "the shared Palm OS 5 ROM is not beside the checkout";
  const std::vector<uint8_t> bytes(rom.begin(), rom.end());
  for (const long offset : {270116L, 283184L, 298148L, 317428L, 160664L, 162692L, 163600L, 164152L}) {
    SCOPED_TRACE(offset);
    std::string t72, t108, t144;
    ASSERT_EQ(convert_bytes(bytes, offset, &t72, &t144, &t108), "");
    EXPECT_NE(t72, "");
    EXPECT_NE(t108, "");
    EXPECT_NE(t144, "");
  }
  std::string t72, t108, t144;
  ASSERT_EQ(convert_bytes(bytes, 270116, &t72, &t144, &t108), "");
  EXPECT_EQ(glyph_rows(t72, "'A'"),
            (std::vector<std::string>{"-----", "-----", "-##--", "#--#-", "#--#-", "####-", "#--#-", "#--#-", "#--#-",
                                      "-----", "-----"}));
  EXPECT_EQ(glyph_rows(t108, "'A'"),
            (std::vector<std::string>{"-------", "-------", "-------", "--##---", "-#--#--", "#----#-", "#----#-",
                                      "#----#-", "######-", "#----#-", "#----#-", "#----#-", "#----#-", "-------",
                                      "-------", "-------"}));
  EXPECT_EQ(glyph_rows(t144, "'A'"),
            (std::vector<std::string>{"----------", "----------", "----------", "----------", "--####----", "-######---",
                                      "##----##--", "##----##--", "##----##--", "##----##--", "########--", "########--",
                                      "##----##--", "##----##--", "##----##--", "##----##--", "##----##--", "##----##--",
                                      "----------", "----------", "----------", "----------"}));
  EXPECT_EQ(glyph_rows(t72, "'g'"),
            (std::vector<std::string>{"-----", "-----", "-----", "-----", "-###-", "#--#-", "#--#-", "#--#-", "-###-",
                                      "---#-", "-##--"}));
  EXPECT_EQ(glyph_rows(t108, "'g'"),
            (std::vector<std::string>{"--------", "--------", "--------", "--------", "--------", "--------", "-###-#--",
                                      "#---##--", "#----#--", "#----#--", "#----#--", "#---##--", "-###-#--", "-----#--",
                                      "-----#--", "-####---"}));
  EXPECT_EQ(glyph_rows(t144, "'g'"),
            (std::vector<std::string>{"----------", "----------", "----------", "----------", "----------", "----------",
                                      "----------", "----------", "--###-##--", "-#######--", "##---###--", "##----##--",
                                      "##----##--", "##----##--", "##----##--", "##---###--", "-#######--", "--###-##--",
                                      "------##--", "------##--", "-######---", "-#####----"}));
}

TEST(ExtendedTest, NameOfThe144Text) {
  const struct {
    const char *path, *name;
  } kNames[] = {{"font.txt", "font-144.txt"}, {"fonts/font", "fonts/font-144"}, {"x.tar.gz", "x.tar-144.gz"},
                {".hidden", ".hidden-144"},   {"a.d/b", "a.d/b-144"},         {"/dir/.f.txt", "/dir/.f-144.txt"}};
  for (const auto& n : kNames) {
    char out[kMaxPath];
    ASSERT_TRUE(density_path(n.path, kDensity144, out));
    EXPECT_STREQ(out, n.name);
  }
}

}  // namespace
