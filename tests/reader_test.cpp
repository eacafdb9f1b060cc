// Where the reader finds the parts of a resource inside a file.
#include <gtest/gtest.h>

#include <string>

#include "font_builder.h"

namespace {

FontModel two_glyphs() {
  return make_font(65, 66, 2, {{65, {"#-", "-#"}, -1, 3, 1}, {66, {"###", "#-#"}}});
}

std::string convert(const std::vector<uint8_t>& bytes, long offset) {
  std::string text;
  EXPECT_EQ(convert_bytes(bytes, offset, &text), "");
  return text;
}

TEST(ReaderTest, FindsEveryTableAtAnyOffset) {
  const std::string expected = convert(encode_font(two_glyphs()), 0);
  ASSERT_NE(expected.find("GLYPH 'B'\n###\n#-#\n"), std::string::npos);

  FontModel shifted = two_glyphs();
  shifted.prefix.assign(100, 0xEE);
  shifted.suffix.assign(7, 0xEE);
  EXPECT_EQ(convert(encode_font(shifted), 100), expected);

  // owTLoc counts words from its own field, 16 bytes into the header.
  FontModel gap = two_glyphs();
  gap.prefix.assign(100, 0);
  gap.owGapWords = 50;
  EXPECT_EQ(convert(encode_font(gap), 100), expected);

  // A negative owTLoc puts the offset/width table before the header.
  const FontModel m = two_glyphs();
  std::vector<uint8_t> before = encode_font(m);
  const auto ow_bytes = static_cast<std::ptrdiff_t>(m.offsetWidths.size() * 2);
  std::vector<uint8_t> table(before.end() - ow_bytes, before.end());
  before.erase(before.end() - ow_bytes, before.end());
  table.resize(10, 0);  // the table, then padding up to the header
  before.insert(before.begin(), table.begin(), table.end());
  put16(&before, 10 + 16, -(10 + 16) / 2);
  EXPECT_EQ(convert(before, 10), expected);
}

TEST(ReaderTest, EmptyRangeReadsOneLocationAndNoOffsetWidths) {
  FontModel m = make_font(66, 65, 0, {});
  std::vector<uint8_t> bytes = encode_font(m);
  ASSERT_EQ(bytes.size(), 26u + 2u);
  put16(&bytes, 16, 0x7FFF);  // no table is read, so its position does not matter
  EXPECT_EQ(convert(bytes, 0).substr(0, 11), "fontType 0\n");
}

TEST(ReaderTest, ResourceAtTheVeryEndOfTheFile) {
  const std::vector<uint8_t> bytes = encode_font(two_glyphs());
  std::string text;
  EXPECT_EQ(convert_bytes(bytes, 0, &text), "");
  std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 1);
  EXPECT_EQ(convert_bytes(cut, 0, &text), fault_text(Fault::kFontOutsideFile));
}

}  // namespace
