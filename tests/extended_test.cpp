// Extended (multi-density) fonts: both texts byte for byte, every refusal,
// and the name of the 144 dpi text.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "cli/output_file.h"
#include "bdf_parser.h"
#include "font_builder.h"

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

std::vector<uint8_t> cut(size_t size) {
  std::vector<uint8_t> bytes = encode_font(two_density_font({72, 144}));
  bytes.resize(size);
  return bytes;
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
    {"108 dpi", [] { return patched({72, 144}, 36, 108); }, Fault::kFontDensity, "", ""},
    {"72 dpi twice", [] { return encode_font(two_density_font({72, 72})); }, Fault::kFontDensity, "", ""},
    {"density list cut short", [] { return cut(33); }, Fault::kFontOutsideFile, "", ""},
    {"144 dpi strip cut short", [] { return cut(encode_font(two_density_font({72, 144})).size() - 1); },
     Fault::kFontOutsideFile, "", ""},
    {"strip offset past the end", [] { return patched({72}, 32, 0x7FFF); }, Fault::kFontOutsideFile, "", ""},
    {"location decreasing", [] { return patched({72, 144}, 42 + 2, 7); }, Fault::kFontLocations, "", ""},
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
