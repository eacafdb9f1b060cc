// Random fonts encoded by the builder, converted, and parsed back: the text
// must hold exactly the glyphs, lines and pixels the font model implies.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "bdf_parser.h"
#include "font_builder.h"
#include "text_parser.h"

namespace {

int pick(std::mt19937* rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(*rng); }

std::vector<uint8_t> random_bytes(std::mt19937* rng, int n) {
  std::vector<uint8_t> b(n);
  std::generate(b.begin(), b.end(), [rng] { return static_cast<uint8_t>(pick(rng, 0, 255)); });
  return b;
}

FontModel random_font(std::mt19937* rng) {
  FontModel m;
  FontHeader& h = m.header;
  for (int16_t* f : {&h.fontType, &h.maxWidth, &h.kernMax, &h.nDescent, &h.fRectWidth, &h.ascent, &h.descent,
                     &h.leading}) {
    *f = static_cast<int16_t>(pick(rng, -32768, 32767));
  }
  h.fontType = static_cast<int16_t>(h.fontType & ~kFontTypeExtended);
  h.firstChar = static_cast<int16_t>(pick(rng, 0, 255));
  h.lastChar = static_cast<int16_t>(pick(rng, h.firstChar - 1, 255));
  h.fRectHeight = static_cast<int16_t>(pick(rng, 0, 40));
  // Image widths 0 to 30, with now and then a location that steps back.
  m.locations.push_back(static_cast<uint16_t>(pick(rng, 0, 20)));
  // Now and then a missing-character glyph after the range, entry by entry
  // like the others.
  const int entries = h.lastChar - h.firstChar + 1 + (pick(rng, 0, 2) == 0 ? 1 : 0);
  const bool damaged = pick(rng, 0, 9) == 0;
  for (int i = 0; i < entries; ++i) {
    const int step = damaged && pick(rng, 0, 4) == 0 ? -pick(rng, 1, 20) : pick(rng, 0, 30);
    m.locations.push_back(static_cast<uint16_t>(std::max(0, m.locations.back() + step)));
    const int width = pick(rng, 0, 3) == 0 ? pick(rng, -128, 127) : step;
    m.offsetWidths.push_back({static_cast<int8_t>(pick(rng, 0, 1) * pick(rng, -128, 127)), static_cast<int8_t>(width)});
  }
  int columns = 0;
  for (uint16_t loc : m.locations) columns = std::max<int>(columns, loc);
  // Sometimes the strip row is shorter than the last glyph reaches.
  h.rowWords = static_cast<int16_t>(std::max(0, (columns + 15) / 16 - pick(rng, 0, 1)));
  for (int r = 0; r < h.fRectHeight; ++r) {
    std::string row;
    for (int x = 0; x < h.rowWords * 16; ++x) row += pick(rng, 0, 1) ? '#' : '-';
    m.strip.push_back(row);
  }
  m.prefix = random_bytes(rng, 2 * pick(rng, 0, 20));
  m.suffix = random_bytes(rng, pick(rng, 0, 40));
  // A gap of one word would read as a missing glyph's end entry.
  m.owGapWords = pick(rng, 0, 19);
  if (m.owGapWords == 1) m.owGapWords = 20;
  m.owBeforeHeader = pick(rng, 0, 3) == 0;
  return m;
}

// What the text must say of m, worked out from the model alone: "" or the
// refusal, and the glyphs.
std::string expected_glyphs(const FontModel& m, std::vector<ParsedGlyph>* glyphs) {
  const int count = m.header.lastChar - m.header.firstChar + 1;
  const int limit = m.header.rowWords * 16 + 127;
  if (count > 0 && (m.locations[count] > limit || !std::is_sorted(m.locations.begin(), m.locations.begin() + count + 1))) {
    return fault_text(Fault::kFontLocations);
  }
  // The missing glyph is found only where its end entry is directly followed
  // by the offset/width table.
  const bool missing = m.offsetWidths.size() > static_cast<size_t>(count) && m.owGapWords == 0 && !m.owBeforeHeader;
  for (int i = 0; i < count + (missing ? 1 : 0); ++i) {
    const int start = m.locations[i], end = m.locations[i + 1];
    if (start >= end || (i == count && end > limit)) continue;
    const OffsetWidth ow = m.offsetWidths[i];
    ParsedGlyph g;
    g.code = i == count ? -1 : m.header.firstChar + i;
    g.hasWidth = ow.width != end - start;
    g.width = g.hasWidth ? ow.width : 0;
    g.hasOffset = ow.offset != 0;
    g.offset = g.hasOffset ? ow.offset : 0;
    for (const std::string& row : m.strip) {
      std::string pixels;
      for (int x = start; x < end; ++x) pixels += x < static_cast<int>(row.size()) ? row[x] : '-';
      g.rows.push_back(pixels);
    }
    glyphs->push_back(g);
  }
  return "";
}

void expect_round_trip(const FontModel& m) {
  std::vector<ParsedGlyph> expected;
  const std::string message = expected_glyphs(m, &expected);
  std::string text;
  ASSERT_EQ(convert_bytes(encode_font(m), font_offset(m), &text), message);
  if (!message.empty()) return;
  ParsedFont parsed;
  ASSERT_EQ(parse_text_font(text, &parsed), "");
  const FontHeader& h = m.header;
  const long metrics[9] = {static_cast<uint16_t>(h.fontType), h.maxWidth, h.kernMax, h.nDescent, h.fRectWidth,
                           h.fRectHeight, h.ascent, h.descent, h.leading};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(parsed.metrics[i], metrics[i]) << "metric " << i;
  ASSERT_EQ(parsed.glyphs.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(parsed.glyphs[i] == expected[i]) << "glyph " << expected[i].code;
  // The BDF holds the same glyphs, found by their Palm codes; a font of no
  // glyph it holds (each code empty and without a width, or drawn with the
  // missing glyph, and no missing glyph) is refused.
  bool bdf_glyphs = !expected.empty() && expected.back().code == -1;
  for (int c = h.firstChar; c <= h.lastChar; ++c) {
    const size_t i = static_cast<size_t>(c - h.firstChar);
    const OffsetWidth ow = m.offsetWidths[i];
    const bool missing = ow.offset == -1 && ow.width == -1;
    bdf_glyphs = bdf_glyphs || (!missing && (m.locations[i + 1] > m.locations[i] || ow.width > 0));
  }
  std::string bdf;
  ASSERT_EQ(convert_bdf(encode_font(m), font_offset(m), Charset::kPalm, &bdf),
            bdf_glyphs ? "" : fault_text(Fault::kBdfNoGlyph));
  if (bdf_glyphs) {
    EXPECT_EQ(bdf_matches_text(bdf, text), "");
  }
}

TEST(RoundTripTest, RandomFonts) {
  const unsigned base = testing::UnitTest::GetInstance()->random_seed();
  for (unsigned i = 0; i < 300; ++i) {
    const unsigned seed = base * 1000 + i;
    SCOPED_TRACE("case seed " + std::to_string(seed) + ", rerun with --gtest_random_seed=" + std::to_string(base));
    std::mt19937 rng(seed);
    expect_round_trip(random_font(&rng));
    if (HasFatalFailure()) return;
  }
}

// 256 codes over 65280 columns and 200 rows: a 3 MiB strip, so the
// offset/width table must come before the header.
TEST(RoundTripTest, LargeFont) {
  std::mt19937 rng(7);
  std::vector<GlyphModel> glyphs;
  for (int c = 0; c < 256; ++c) {
    std::vector<std::string> rows(200);
    for (std::string& row : rows) {
      for (int x = 0; x < 255; ++x) row += pick(&rng, 0, 1) ? '#' : '-';
    }
    glyphs.push_back({c, rows, -1, pick(&rng, -128, 127), pick(&rng, -128, 127)});
  }
  FontModel m = make_font(0, 255, 200, glyphs);
  m.owBeforeHeader = true;
  expect_round_trip(m);
}

}  // namespace
