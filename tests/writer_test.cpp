// Text output of fonts built by the test builder, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "font_builder.h"
#include "text_parser.h"
#include "text/block_writer.h"
#include "text/glyph_render.h"
#include "text/text_font.h"

namespace {

// The text after the metrics block (nine lines and an empty one).
std::string glyph_text(const FontModel& m) {
  std::string text;
  EXPECT_EQ(convert_bytes(encode_font(m), 0, &text), "");
  size_t pos = 0;
  for (int i = 0; i < 10 && pos != std::string::npos; ++i) pos = text.find('\n', pos) + 1;
  return text.substr(pos);
}

GlyphModel glyph(int code, std::vector<std::string> rows, int width = -1000, int offset = 0) {
  return GlyphModel{code, std::move(rows), -1, width, offset};
}

// Codes 33..35 of a three-row font: 33 at columns 3..3, 34 empty, 35 at
// columns 4..8, straddling the strip's first byte boundary.
FontModel worked_font() {
  FontModel m = make_font(33, 35, 3, {});
  m.header.rowWords = 1;
  m.strip = {"---#####-#------", "---------#######", "----#-#-#-------"};
  m.locations = {3, 4, 4, 9};
  m.offsetWidths = {{1, 2}, {0, 0}, {-1, 5}};
  return m;
}

struct WriterCase {
  const char* name;
  std::function<FontModel()> font;
  const char* glyphs;
};

const WriterCase kWriterCases[] = {
    {"worked example, empty image between", worked_font,
     "GLYPH '!'\nWIDTH 2\nOFFSET 1\n#\n-\n-\n\nGLYPH '#'\nOFFSET -1\n####-\n-----\n#-#-#\n\n"},
    {"width byte equal to image width", [] { return make_font(65, 65, 1, {glyph(65, {"#-#"}, 3)}); },
     "GLYPH 'A'\n#-#\n\n"},
    {"negative width and offset",
     [] { return make_font(65, 65, 1, {glyph(65, {"#-#"}, -128, -3)}); },
     "GLYPH 'A'\nWIDTH -128\nOFFSET -3\n#-#\n\n"},
    {"no rows", [] { return make_font(65, 66, 0, {{65, {}, 4, 6, 2}, {66, {}, 2}}); },
     "GLYPH 'A'\nWIDTH 6\nOFFSET 2\n\nGLYPH 'B'\n\n"},
    {"empty range", [] { return make_font(66, 65, 4, {}); }, ""},
    {"range with only empty images", [] { return make_font(0, 255, 4, {}); }, ""},
    {"columns past the row are clear",
     [] {
       FontModel m = make_font(65, 65, 2, {glyph(65, {"################", "################"})});
       m.locations = {13, 20};
       return m;
     },
     "GLYPH 'A'\nWIDTH 16\n###----\n###----\n\n"},
    {"rows without strip bytes are clear",
     [] {
       FontModel m = make_font(65, 65, 2, {glyph(65, {"##", "##"})});
       m.header.rowWords = 0;
       m.strip = {"", ""};
       m.locations = {9, 11};
       return m;
     },
     "GLYPH 'A'\n--\n--\n\n"},
    {"location with top bit set is unsigned",
     [] {
       return make_font(65, 66, 1, {glyph(65, {std::string(32768, '-')}, 8), glyph(66, {"#--#"})});
     },
     nullptr},
};

TEST(WriterTest, GlyphBlocks) {
  for (const WriterCase& c : kWriterCases) {
    SCOPED_TRACE(c.name);
    const std::string text = glyph_text(c.font());
    if (c.glyphs) {
      EXPECT_EQ(text, c.glyphs);
    } else {
      const std::string tail = "GLYPH 'B'\n#--#\n\n";
      ASSERT_GE(text.size(), tail.size());
      EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
  }
}

FontModel with_locations(FontModel m, std::vector<uint16_t> locations, int row_words) {
  m.locations = std::move(locations);
  m.header.rowWords = static_cast<int16_t>(row_words);
  for (std::string& row : m.strip) row.resize(row_words * 16, '-');
  return m;
}

// The glyph after the range that is drawn for missing codes, and location
// tables that no compiler writes: the text after the metrics, or a refusal.
const struct {
  const char* name;
  std::function<FontModel()> font;
  Fault message;
  const char* glyphs;
} kTableCases[] = {
    {"missing glyph inked", [] { return make_font(65, 65, 1, {glyph(65, {"#-"}), glyph(-1, {"###"}, 4, -1)}); }, Fault::kNone,
     "GLYPH 'A'\n#-\n\nGLYPH -1\nWIDTH 4\nOFFSET -1\n###\n\n"},
    {"missing glyph empty", [] { return make_font(65, 65, 1, {glyph(65, {"#"}), glyph(-1, {""})}); }, Fault::kNone,
     "GLYPH 'A'\n#\n\n"},
    {"no missing glyph", [] { return make_font(65, 65, 1, {glyph(65, {"#"})}); }, Fault::kNone, "GLYPH 'A'\n#\n\n"},
    {"missing glyph ends at 0",
     [] { return with_locations(make_font(65, 65, 1, {glyph(65, {"#"}), glyph(-1, {"#"})}), {0, 1, 0}, 1); }, Fault::kNone,
     "GLYPH 'A'\n#\n\n"},
    {"missing glyph ends far past the strip",
     [] { return with_locations(make_font(65, 65, 1, {glyph(65, {"#"}), glyph(-1, {"#"})}), {0, 1, 144}, 1); }, Fault::kNone,
     "GLYPH 'A'\n#\n\n"},
    {"missing glyph after code 255",
     [] { return make_font(255, 255, 1, {glyph(255, {"#"}), glyph(-1, {"-#"})}); }, Fault::kNone,
     "GLYPH 255\n#\n\nGLYPH -1\n-#\n\n"},
    {"location decreasing",
     [] { return with_locations(make_font(65, 66, 1, {glyph(65, {"##"}), glyph(66, {"#-"})}), {2, 0, 2}, 1); },
     Fault::kFontLocations, ""},
    {"last image ends 128 columns past the row",
     [] { return with_locations(make_font(65, 65, 1, {glyph(65, {"#"})}), {120, 128}, 0); }, Fault::kFontLocations, ""},
    {"offset/width table over the location table",
     [] {
       FontModel m = make_font(65, 66, 1, {glyph(65, {"#"}), glyph(66, {"#"})});
       m.owGapWords = -1;
       return m;
     },
     Fault::kFontOffsetWidths, ""},
    {"offset/width table wholly before the resource",
     [] {
       FontModel m = make_font(65, 65, 1, {glyph(65, {"#"})});
       m.owBeforeHeader = true;
       return m;
     },
     Fault::kNone, "GLYPH 'A'\n#\n\n"},
    {"last image ends 127 columns past the row",
     [] { return with_locations(make_font(65, 65, 1, {glyph(65, {"#"})}), {120, 127}, 0); }, Fault::kNone,
     "GLYPH 'A'\nWIDTH 1\n-------\n\n"},
};

TEST(WriterTest, MissingGlyphAndDamagedLocations) {
  for (const auto& c : kTableCases) {
    SCOPED_TRACE(c.name);
    std::string text;
    const FontModel m = c.font();
    ASSERT_EQ(convert_bytes(encode_font(m), font_offset(m), &text), message_of(c.message));
    if (c.message == Fault::kNone) {
      EXPECT_EQ(text.substr(text.find("\n\n") + 2), c.glyphs);
    }
  }
}

TEST(WriterTest, NamesByCharacterOrNumber) {
  const struct {
    int code;
    const char* name;
  } kNames[] = {{0, "GLYPH 0"},     {32, "GLYPH 32"},   {33, "GLYPH '!'"}, {39, "GLYPH 39"},
                {92, "GLYPH 92"},   {126, "GLYPH '~'"}, {127, "GLYPH 127"}, {255, "GLYPH 255"}};
  for (const auto& n : kNames) {
    EXPECT_EQ(glyph_text(make_font(n.code, n.code, 1, {glyph(n.code, {"#"})})), std::string(n.name) + "\n#\n\n");
  }
}

TEST(WriterTest, MetricsBlock) {
  FontModel m = make_font(65, 64, 11, {});
  m.header = FontHeader{-28672, 65, 64, 9, -2, 3, 10, 11, 0, 9, 2, -1, 0};
  std::string text;
  ASSERT_EQ(convert_bytes(encode_font(m), 0, &text), "");
  EXPECT_EQ(text,
            "fontType 36864\nmaxWidth 9\nkernMax -2\nnDescent 3\nfRectWidth 10\nfRectHeight 11\n"
            "ascent 9\ndescent 2\nleading -1\n\n");
}

}  // namespace

namespace {

// A text of many blocks: every glyph's rows as drawn, the size counted
// beforehand, the same text from the portable loops and without memory for
// the narrow glyphs' column window, and a file whose third write fails
// failing the text.
TEST(WriterTest, ManyBlocksAndAFailingWrite) {
  std::vector<GlyphModel> glyphs;
  for (int c = 0; c < 256; ++c) {
    std::vector<std::string> rows(160);
    // Every fourth glyph narrow, one to eight columns.
    const int width = c % 4 == 0 ? 1 + c / 4 % 8 : 60 + c % 7;
    for (size_t r = 0; r < rows.size(); ++r) {
      for (int x = 0; x < width; ++x) rows[r] += (x * 5 + r * 3 + c) % 7 < 3 ? '#' : '-';
    }
    glyphs.push_back({c, rows, -1, 9, c % 3});
  }
  const std::vector<uint8_t> bytes = encode_font(make_extended(make_font(0, 255, 160, glyphs), {72, 144}));
  FontImage image;
  ASSERT_EQ(read_font_resource(memory_source(bytes.data(), bytes.size()), 0, &image), Fault::kNone);
  for (int density : {kDensity72, kDensity144}) {
    SCOPED_TRACE(density);
    Fault err = Fault::kNone;
    use_vector_rendering(false);
    const std::string portable = text_written([&](OsFile file) { return write_text_font(file, image, density); }, &err);
    use_vector_rendering(true);
    const std::string text = text_written([&](OsFile file) { return write_text_font(file, image, density); }, &err);
    EXPECT_EQ(err, Fault::kNone);
    EXPECT_TRUE(text == portable);
    static OsCalls real;
    real = os_calls;
    // No memory for the column window: narrow glyphs come from the rows.
    os_calls.allocate_large = [](size_t n) { return n == kBlockBytes + kLineRoom ? real.allocate_large(n) : nullptr; };
    EXPECT_TRUE(text_written([&](OsFile file) { return write_text_font(file, image, density); }, &err) == text);
    os_calls = real;
    EXPECT_GT(text.size(), 6 * kBlockBytes);
    EXPECT_EQ(text.size(), text_font_bytes(image, density));
    ParsedFont parsed;
    ASSERT_EQ(parse_text_font(text, &parsed), "");
    ASSERT_EQ(parsed.glyphs.size(), glyphs.size());
    for (size_t i = 0; i < glyphs.size() && density == kDensity72; ++i) EXPECT_EQ(parsed.glyphs[i].rows, glyphs[i].rows);
    // The third write fails, as on a full disk.
    static int writes;
    writes = 0;
    os_calls.write_all = [](OsFile file, const void* b, size_t n) { return ++writes < 3 && real.write_all(file, b, n); };
    text_written([&](OsFile file) { return write_text_font(file, image, density); }, &err);
    os_calls = real;
    EXPECT_EQ(err, Fault::kOutputWrite);
  }
}

// A font of glyphs 'A', 'B', ... of rows rows and the columns given, each
// advancing 9, laid out as the model says its text reads: the metrics,
// then each glyph's name, a WIDTH line, its rows and an empty line.
struct BlockFont {
  int rows;
  std::vector<int> columns;
};

const char* const kBlockMetrics = "fontType 0\nmaxWidth 8\nkernMax 0\nnDescent 0\nfRectWidth 8\nfRectHeight 16\n"
                                  "ascent 16\ndescent 0\nleading 0\n\n";

// Where glyph g's first row starts in the text, and the text's size
// (g = the glyph count).
size_t rows_start(const BlockFont& f, size_t g) {
  size_t at = std::strlen(kBlockMetrics);
  for (size_t i = 0; i < g; ++i) at += 19 + static_cast<size_t>(f.rows) * (f.columns[i] + 1);
  return g < f.columns.size() ? at + 18 : at;
}

// Where the first block's end falls: 'i' inside a row of glyph 1, 'r' at
// the end of one of its rows but the last, or the text's size in blocks
// ('1', '2', '3' when exactly so, 's' for less than a block).
char block_end(const BlockFont& f) {
  const size_t size = rows_start(f, f.columns.size());
  if (size < kBlockBytes) return 's';
  if (size % kBlockBytes == 0 && size / kBlockBytes <= 3) return static_cast<char>('0' + size / kBlockBytes);
  const size_t line = static_cast<size_t>(f.columns[1]) + 1;
  const size_t start = rows_start(f, 1);
  if (kBlockBytes <= start || kBlockBytes >= start + f.rows * line) return '?';
  return (kBlockBytes - start) % line == 0 ? 'r' : 'i';
}

// Whole blocks at block-aligned offsets, whatever the row the block's end
// falls in, and the text byte for byte as the model reads; small texts in
// one write of their size.
TEST(WriterTest, WholeBlocksWhereverTheyEnd) {
  // The metrics' 102 bytes and a glyph's 19 leave a multiple of 16 (the
  // rows) for a text of whole blocks only with 14 glyphs: narrow ones fill.
  const struct {
    std::vector<int> columns;  // the first one found by the search
    int narrow;  // glyphs of one column after them
    char end;
  } kCases[] = {{{0, 60000}, 0, 'i'}, {{0, 3000}, 0, 'r'},           {{0}, 13, '1'},
                {{0, 3000}, 12, '2'}, {{0, 20000, 20000}, 11, '3'}, {{0, 40}, 0, 's'}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.end);
    BlockFont f{16, c.columns};
    f.columns.resize(c.columns.size() + static_cast<size_t>(c.narrow), 1);
    for (f.columns[0] = 10; f.columns[0] < 65000 && block_end(f) != c.end; ++f.columns[0]) {
    }
    ASSERT_EQ(block_end(f), c.end);
    std::vector<GlyphModel> glyphs;
    std::string want = kBlockMetrics;
    for (size_t g = 0; g < f.columns.size(); ++g) {
      const int code = 'A' + static_cast<int>(g);
      std::vector<std::string> rows(16);
      want += std::string("GLYPH '") + static_cast<char>(code) + "'\nWIDTH 9\n";
      for (size_t r = 0; r < rows.size(); ++r) {
        for (int x = 0; x < f.columns[g]; ++x) rows[r] += (x * 7 + static_cast<int>(r) * 3 + code) % 5 < 2 ? '#' : '-';
        want += rows[r] + "\n";
      }
      want += "\n";
      glyphs.push_back({code, rows, -1, 9, 0});
    }
    ASSERT_EQ(want.size(), rows_start(f, f.columns.size()));
    FontModel m = make_font('A', 'A' + static_cast<int>(glyphs.size()) - 1, 16, glyphs);
    m.owBeforeHeader = true;  // a strip past owTLoc's reach
    const std::vector<uint8_t> bytes = encode_font(m);
    FontImage image;
    ASSERT_EQ(read_font_resource(memory_source(bytes.data(), bytes.size()), font_offset(m), &image), Fault::kNone);
    static OsCalls real;
    static std::vector<size_t> writes;
    real = os_calls;
    os_calls.write_all = [](OsFile file, const void* b, size_t n) {
      writes.push_back(n);
      return real.write_all(file, b, n);
    };
    for (bool vector : {false, true}) {
      for (uint64_t counted : {kSizeUnknown, uint64_t{want.size()}}) {
        use_vector_rendering(vector);
        writes.clear();
        Fault err = Fault::kNone;
        const std::string text =
            text_written([&](OsFile file) { return write_text_font(file, image, kDensity72, counted); }, &err);
        EXPECT_EQ(err, Fault::kNone);
        EXPECT_TRUE(text == want) << "vector " << vector << " counted " << counted;
        const size_t whole = want.size() / kBlockBytes;
        const size_t last = want.size() % kBlockBytes;
        std::vector<size_t> aligned(whole, kBlockBytes);
        if (last > 0) aligned.push_back(last);
        EXPECT_EQ(writes, aligned);
      }
    }
    os_calls = real;
    use_vector_rendering(true);
  }
}

// Every bit alignment of the first column, widths 0 to 130 and 255, rows
// that end inside, at, or before the glyph, 35 rows of a glyph at once
// (a vector's 32 and three), against the per-pixel definition: from the
// rows, and for a glyph drawn from its transposed columns (narrow ones,
// and 9 to 64 columns with the vector loops) from those too, a glyph of 65
// to 128 columns from its packed rows with the vector loops, with the
// portable loops and with the vector ones where the processor has them.
TEST(WriterTest, RenderAgreesWithPixelDefinition) {
  constexpr int kRows = 35;
  uint8_t strip[kRows * 40];
  for (size_t i = 0; i < sizeof strip; ++i) strip[i] = static_cast<uint8_t>(0x9D * (i + 1) ^ 0x5A);
  for (bool vector : {false, true}) {
    if (use_vector_rendering(vector) != vector) continue;
    for (uint32_t pitch_bytes : {40u, 33u, 8u, 6u, 2u, 1u, 0u}) {
      const uint32_t row_bits = pitch_bytes * 8;
      // The strip's columns transposed: each column's rows side by side.
      std::vector<uint8_t> columns(pitch_bytes * kRows + 1);
      transpose_columns(strip, pitch_bytes, kRows, pitch_bytes, columns.data(), kRows);
      for (uint32_t start = 0; start < 16; ++start) {
        // Widths 0 to 130, and the widest glyph a font may have.
        for (uint32_t width = 0; width <= 131; ++width) {
          if (width == 131) width = 255;
          SCOPED_TRACE(testing::Message() << "vector " << vector << " pitch_bytes " << pitch_bytes << " start " << start
                                          << " width " << width);
          std::string want;
          for (int r = 0; r < kRows; ++r) {
            for (uint32_t x = start; x < start + width; ++x) {
              want += x < row_bits && (strip[r * pitch_bytes + x / 8] >> (7 - x % 8) & 1) ? '#' : '-';
            }
            want += '\n';
          }
          // The renderer may write 32 bytes past its end.
          const GlyphColumns g = place_glyph(row_bits, start, width);
          std::string got(want.size() + 32, '?');
          got.resize(static_cast<size_t>(render_rows(strip, pitch_bytes, kRows, g, &got[0]) - got.data()));
          ASSERT_EQ(got, want);
          if (renders_packed(g)) {
            // The rows packed as a row window holds them: the glyph's bytes,
            // zeros after.
            constexpr size_t kPitch = 48;
            std::vector<uint8_t> packed(kRows * kPitch, 0);
            for (int r = 0; r < kRows; ++r) {
              std::copy_n(strip + r * pitch_bytes + g.firstByte, pitch_bytes - g.firstByte, &packed[static_cast<size_t>(r) * kPitch]);
            }
            got.assign(want.size() + 32, '?');
            got.resize(static_cast<size_t>(render_packed(packed.data(), kPitch, kRows, g, &got[0]) - got.data()));
            ASSERT_EQ(got, want);
          }
          if (!renders_from_columns(g)) continue;
          got.assign(want.size() + 32, '?');
          const uint8_t* column = columns.data() + g.firstByte * kRows;
          got.resize(static_cast<size_t>(render_columns(column, kRows, kRows, g, &got[0]) - got.data()));
          ASSERT_EQ(got, want);
        }
      }
    }
  }
  use_vector_rendering(true);
}

}  // namespace
