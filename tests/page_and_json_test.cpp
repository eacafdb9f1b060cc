// glyfex-scan --html and --json, run as processes: each glyph's SVG holds
// exactly the pixels the text writer draws, the sample line sets text as
// Palm OS does, the page validates, and the JSON's commands are the
// script's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "font_builder.h"
#include "hostile_files.h"
#include "text_parser.h"
#include "listing/list_file.h"
#include "listing/listing_writers.h"

namespace {

struct Scratch {
  Scratch() {
    char tmpl[] = "/tmp/glyfex-page-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~Scratch() { std::filesystem::remove_all(path); }
  std::string path;
};

std::string scan(const std::string& dir, const std::string& args, int* status = nullptr) {
  int ignored = 0;
  return run_shell("cd '" + dir + "' && " GLYFEX_SCAN_EXE " " + args + " 2>/dev/null", status ? status : &ignored);
}

// The value of attribute name in the tag that starts at pos.
std::string attribute(const std::string& page, size_t pos, const std::string& name) {
  const size_t end = page.find('>', pos);
  const size_t at = page.find(" " + name + "=\"", pos);
  if (at == std::string::npos || at > end) return "";
  const size_t begin = at + name.size() + 3;
  return page.substr(begin, page.find('"', begin) - begin);
}

// The rows of a glyph's SVG, drawn back from its path's runs.
std::vector<std::string> svg_rows(const std::string& page, int code, int density) {
  const std::string tag = "<svg data-code=\"" + std::to_string(code) + "\" data-density=\"" + std::to_string(density) + "\"";
  const size_t pos = page.find(tag);
  if (pos == std::string::npos) return {"no such glyph"};
  std::istringstream box(attribute(page, pos, "viewBox"));
  int x0 = -1, y0 = -1, w = 0, h = 0;
  if (!(box >> x0 >> y0 >> w >> h) || x0 != 0 || y0 != 0) return {"no viewBox"};
  std::vector<std::string> rows(static_cast<size_t>(h), std::string(static_cast<size_t>(w), '-'));
  const std::string d = attribute(page, page.find("<path", pos), "d");
  // Runs of "Mx yhNv1h-Nz".
  std::istringstream runs(d);
  char m = 0, h1 = 0, v = 0, h2 = 0, z = 0;
  int x = 0, y = 0, run = 0, one = 0, back = 0;
  while (runs >> m >> x >> y >> h1 >> run >> v >> one >> h2 >> back >> z) {
    if (m != 'M' || h1 != 'h' || v != 'v' || one != 1 || h2 != 'h' || back != -run || z != 'z' || x < 0 || run < 0) {
      return {"bad path"};
    }
    for (int k = 0; k < run; ++k) rows.at(static_cast<size_t>(y)).at(static_cast<size_t>(x) + static_cast<size_t>(k)) = '#';
  }
  return rows;
}

TEST(PageTest, GlyphsAreTheTextWritersPixels) {
  Scratch dir;
  // A missing glyph, and a last glyph whose columns run past the strip row.
  FontModel m = make_font(65, 67, 3, {{65, {"#-#", "-#-", "#-#"}}, {66, {"##", "#-", "##"}}, {67, {"#", "#", "#"}},
                                      {-1, {"###", "#-#", "###"}}});
  m.locations.back() = static_cast<uint16_t>(m.header.rowWords * 16 + 5);
  m.offsetWidths.back().width = 8;
  const std::vector<uint8_t> bytes = encode_font(make_extended(m, {72, 144}));
  ASSERT_TRUE(write_file(dir.path + "/font.bin", bytes));
  const std::string page = scan(dir.path, "--html font.bin");
  std::string texts[2];
  ASSERT_EQ(convert_bytes(bytes, 0, &texts[0], &texts[1]), "");
  for (int d = 0; d < 2; ++d) {
    ParsedFont parsed;
    ASSERT_EQ(parse_text_font(texts[d], &parsed), "");
    ASSERT_EQ(parsed.glyphs.size(), 4u);
    for (const ParsedGlyph& g : parsed.glyphs) {
      SCOPED_TRACE(std::to_string(g.code) + " at " + std::to_string(d == 0 ? 72 : 144));
      EXPECT_EQ(svg_rows(page, g.code, d == 0 ? 72 : 144), g.rows);
    }
  }
}

// The x of every image the sample line (or the contents' glimpse of the
// font, the start of the same line) places, in order.
std::vector<std::string> pen_positions(const std::string& page, int density, bool glimpse = false) {
  const size_t start = glimpse ? page.find("<svg class=\"glimpse\"")
                               : page.find("<svg class=\"sample\" data-sample data-density=\"" + std::to_string(density) + "\"");
  const size_t end = page.find("</svg>", start);
  std::vector<std::string> placed;
  for (size_t at = page.find("<use", start); at < end; at = page.find("<use", at + 1)) {
    const std::string href = attribute(page, at, "href");
    placed.push_back(href.substr(href.rfind('-') + 1) + "@" + attribute(page, at, "x"));
  }
  return placed;
}

TEST(PageTest, SampleLineSetsTextAsPalmOs) {
  Scratch dir;
  // 'T' (84) drawn 1 left of the pen, width 3; 'h' (104) width 2 offset 1;
  // 'e' (101) marked missing; space (32) no image, width 2; codes outside
  // 32..104 missing. The sample's first word: "The", then a space.
  std::vector<GlyphModel> glyphs = {{84, {"###"}, -1, 3, -1}, {104, {"##"}, -1, 2, 1}, {32, {""}, -1, 2, 0},
                                    {-1, {"#-#-"}, -1, 5, 0}};
  // The digits and the stop too, so that the font has a third of the
  // sample's characters and the sample text is set, not its own glyphs.
  glyphs.push_back({'.', {"#"}});
  for (int c = '0'; c <= '9'; ++c) glyphs.push_back({c, {"#"}});
  FontModel m = make_font(32, 104, 1, glyphs);
  m.offsetWidths[101 - 32] = {-1, -1};
  ASSERT_TRUE(write_file(dir.path + "/font.bin", encode_font(m)));
  const std::string page = scan(dir.path, "--html font.bin");
  const std::vector<std::string> placed = pen_positions(page, 72);
  ASSERT_GE(placed.size(), 4u) << page;
  // T at 0 - 1; h at 3 + 1; e (missing) at 5; the space draws nothing and
  // moves the pen from 10 to 12, where 'q' (outside the range) is missing.
  EXPECT_EQ(std::vector<std::string>(placed.begin(), placed.begin() + 4),
            (std::vector<std::string>{"84@-1", "104@4", "m@5", "m@12"}));
  const std::vector<std::string> glimpse = pen_positions(page, 72, true);
  ASSERT_GE(glimpse.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(glimpse.begin(), glimpse.begin() + 4),
            (std::vector<std::string>{"84@-1", "104@4", "m@5", "m@12"}));
  EXPECT_NE(page.find("viewBox=\"-1 0 "), std::string::npos);
  // Without a missing glyph, missing codes draw nothing and move nothing:
  // the next image is the 'h' of "the", after six spaces.
  glyphs.erase(glyphs.begin() + 3);
  m = make_font(32, 104, 1, glyphs);
  ASSERT_TRUE(write_file(dir.path + "/font.bin", encode_font(m)));
  const std::vector<std::string> bare = pen_positions(scan(dir.path, "--html font.bin"), 72);
  ASSERT_GE(bare.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(bare.begin(), bare.begin() + 3), (std::vector<std::string>{"84@-1", "104@4", "104@18"}));
}

// The page of a whole application validates, and a font of 256 glyphs at
// both densities stays well under 1 MB.
TEST(PageTest, ValidatesAndStaysSmall) {
  Scratch dir;
  std::vector<GlyphModel> glyphs;
  for (int c = 0; c < 256; ++c) {
    std::vector<std::string> rows(12);
    for (int r = 0; r < 12; ++r) rows[r] = std::string(static_cast<size_t>(3 + c % 6), (r + c) % 3 ? '#' : '-');
    glyphs.push_back({c, rows});
  }
  ASSERT_TRUE(write_file(dir.path + "/big.bin", encode_font(make_extended(make_font(0, 255, 12, glyphs), {72, 144}))));
  const std::string page = scan(dir.path, "--html big.bin > big.html && wc -c < big.html");
  EXPECT_LT(std::stol(page), 1000000L);
  ASSERT_TRUE(write_file(dir.path + "/app.prc", encode_prc({{"tAIN", 1, {'x', 0}},
                                                            {"NFNT", 2, encode_font(make_font(65, 65, 1, {{65, {"#"}}}))},
                                                            {"NFNT", 3, std::vector<uint8_t>(30, 0)}})));
  int status = 0;
  scan(dir.path, "--html app.prc > app.html", &status);
  EXPECT_EQ(status, 0);
  // Many entries of one font, and many headers of one strip: each font is
  // drawn once, the others link to it.
  for (const bool distinct : {false, true}) {
    const std::string name = distinct ? "headers" : "entries";
    ASSERT_TRUE(write_file(dir.path + "/" + name + ".prc", shared_strip_prc(300, size_t{256} << 10, distinct)));
    std::string args = "--html ";
    args.append(name).append(".prc | tee ").append(name).append(".html");
    const std::string shared = scan(dir.path, args, &status);
    EXPECT_EQ(status, 0);
    size_t sections = 0;
    for (size_t at = shared.find("<section class=\"font\""); at != std::string::npos; at = shared.find("<section class=\"font\"", at + 1)) {
      ++sections;
    }
    EXPECT_EQ(sections, 1u) << name;
    EXPECT_LT(shared.size(), 300u * 1000) << name;
  }
  if (std::system("command -v tidy >/dev/null 2>&1") != 0) GTEST_SKIP() << "tidy not installed: pages not validated";
  for (const char* name : {"big.html", "app.html", "entries.html", "headers.html"}) {
    SCOPED_TRACE(name);
    const std::string report = run_shell("cd '" + dir.path + "' && tidy -q -e " + name + " 2>&1", &status);
    EXPECT_EQ(status, 0) << report;
  }
}

// A file that changes between its listing and its page: each font the
// page can no longer read is said in its section and told to the caller,
// which fails the run.
TEST(PageTest, FontsTheChangedFileNoLongerHolds) {
  const std::vector<uint8_t> prc = encode_prc({{"NFNT", 1, encode_font(make_font(65, 65, 1, {{65, {"#"}}}))},
                                               {"NFNT", 2, encode_font(make_font(66, 66, 1, {{66, {"##"}}}))}});
  Listing listing{};
  listing.file = "fonts.prc";
  listing.program = "glyfex";
  listing.source = memory_source(prc.data(), prc.size());
  ASSERT_EQ(list_source(false, false, nullptr, &listing), Fault::kNone);
  static int told = 0;
  listing.unreadable = [](const Listing&, const ListingLine&, Fault err) { told += err == Fault::kFontOutsideFile ? 1 : 0; };
  const std::vector<uint8_t> cut(prc.begin(), prc.begin() + 100);
  listing.source = memory_source(cut.data(), cut.size());
  FILE* page = std::tmpfile();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(write_html_page(page, listing), Fault::kNone);
  std::rewind(page);
  std::string text;
  for (int c = std::fgetc(page); c != EOF; c = std::fgetc(page)) text += static_cast<char>(c);
  std::fclose(page);
  EXPECT_EQ(told, 2);
  EXPECT_NE(text.find(std::string("<p>") + fault_text(Fault::kFontOutsideFile) + "</p>"), std::string::npos);
}

// The JSON parses, and its commands are the script's, for a database, a
// record database, a file searched by its contents and one with an entry
// outside it.
TEST(JsonTest, CommandsAreTheScripts) {
  if (std::system("command -v jq >/dev/null 2>&1") != 0) GTEST_SKIP() << "jq not installed";
  Scratch dir;
  FontModel m = make_font(65, 66, 2, {{65, {"#-", "-#"}}, {66, {"##", "#-"}}});
  m.header.fontType = static_cast<int16_t>(0x9000);
  const std::vector<uint8_t> font = encode_font(m);
  std::vector<uint8_t> dump = font;
  dump.insert(dump.begin(), 100, 0x33);
  std::vector<uint8_t> outside = encode_prc({{"NFNT", 7, font}, {"NFNT", 8, font}});
  outside[78 + 10 + 6] = 0x7F;  // the second entry's offset far past the end
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    int status;
  } kFiles[] = {{"app.prc", encode_prc({{"tAIN", 1, {'x', 0}}, {"NFNT", 1000, font}}), 0},
                {"fonts.pdb", encode_pdb({font, {'n', 0}, font}), 0},
                {"dump.bin", dump, 0},
                {"bad.prc", outside, 1}};
  for (const auto& f : kFiles) {
    SCOPED_TRACE(f.name);
    ASSERT_TRUE(write_file(dir.path + "/" + f.name, f.bytes));
    int status = 0;
    const std::string commands =
        scan(dir.path, std::string("--json ") + f.name + " | jq -r '.entries[].font.command // empty | join(\" \")'",
             &status);
    EXPECT_EQ(status, 0);
    const std::string script = scan(dir.path, std::string("--sh ") + f.name + " | grep -v '^#\\|^set'");
    EXPECT_EQ(commands, script);
    EXPECT_NE(commands, "");
    scan(dir.path, std::string("--json ") + f.name + " > out.json", &status);
    EXPECT_EQ(status, f.status);
  }
  // A name that is not UTF-8 keeps its bytes as escapes, and still parses.
  ASSERT_TRUE(write_file(dir.path + "/a\xff.bin", dump));
  EXPECT_NE(scan(dir.path, "--json a*.bin").find("{\"file\": \"a\\udcff.bin\""), std::string::npos);
  int status = 0;
  scan(dir.path, "--json a*.bin | jq . >/dev/null", &status);
  EXPECT_EQ(status, 0);
}

// Every output answers for every file: ink past the last glyph is said by
// glyfex, the JSON and the page; a file that cannot be listed gets a JSON
// document that says why; and --rcp keeps font ids within PilRC's range.
TEST(JsonTest, EveryOutputAnswers) {
  const bool jq = std::system("command -v jq >/dev/null 2>&1") == 0;
  Scratch dir;
  FontModel m = make_font(65, 66, 2, {{65, {"#-", "-#"}}, {66, {"##", "#-"}}});
  // Its glyphs two columns on, with ink in the first column, before them.
  FontModel early = m;
  for (std::string& row : early.strip) row = "--" + row.substr(0, row.size() - 2);
  for (uint16_t& location : early.locations) location += 2;
  early.strip[1][0] = '#';
  ASSERT_TRUE(write_file(dir.path + "/early.nfnt", encode_font(early)));
  m.strip[0][10] = m.strip[1][15] = '#';  // past the last glyph, at column 4
  const std::vector<uint8_t> inky = encode_font(m);
  ASSERT_TRUE(write_file(dir.path + "/inky.nfnt", inky));
  ASSERT_TRUE(write_file(dir.path + "/hd.nfnt", encode_font(make_extended(m, {72, 144}))));
  std::vector<ResourceModel> many;
  many.reserve(140);
  for (int id = 0; id < 140; ++id) many.push_back({"NFNT", 1000 + id, encode_font(make_font(65, 65, 1, {{65, {"#"}}}))});
  ASSERT_TRUE(write_file(dir.path + "/many.prc", encode_prc(many)));
  ASSERT_TRUE(write_file(dir.path + "/text.rcp", {'F', 'O', 'N', 'T', '\n'}));
  ASSERT_TRUE(write_file(dir.path + "/ota.nfnt", encode_font(make_font(0x14, 0x14, 1, {{0x14, {"#"}}}))));
  // A font of no glyph, which a BDF reader refuses.
  ASSERT_TRUE(write_file(dir.path + "/empty.prc", encode_prc({{"NFNT", 5, encode_font(make_font(65, 64, 2, {}))}})));
  const std::string note = "Note: 2 set pixels of the 72 dpi image lie outside every glyph; the text cannot hold them.\n";
  const struct {
    const char* command;
    std::string out;
    int status;
  } kCases[] = {
      {GLYFEX_EXE " inky.nfnt inky.txt | tail -3", note + "2 glyphs exported.\n\n", 0},
      {GLYFEX_EXE " early.nfnt early.txt | tail -3",
       "Note: 1 set pixels of the 72 dpi image lie outside every glyph; the text cannot hold them.\n2 glyphs exported.\n\n", 0},
      {GLYFEX_SCAN_EXE " --json hd.nfnt | jq -c '.entries[0].font.ink_outside'", "[2,8]\n", 0},
      {GLYFEX_SCAN_EXE " --html inky.nfnt | grep -c '2 set pixels of the 72 dpi image lie outside every glyph'", "1\n",
       0},
      {GLYFEX_SCAN_EXE " --json text.rcp 2>/dev/null; echo $?",
       "{\"file\": \"text.rcp\", \"kind\": null, \"error\": \"Not a Palm resource database or a Macintosh resource fork, "
       "and no font was found in its contents.\", \"entries\": []}\n1\n",
       0},
      // A font with few of the sample's characters shows its own glyphs.
      {GLYFEX_SCAN_EXE " --html inky.nfnt | grep -m1 data-sample | grep -o 'href=\"[^\"]*\"'",
       "href=\"#g0-0-72-65\"\nhref=\"#g0-0-72-66\"\n", 0},
      {GLYFEX_SCAN_EXE " --html " EXAMPLES_DIR "/sample.nfnt | grep -o '169 0xA9 [^<]*'", "169 0xA9 \xC2\xA9\n", 0},
      {GLYFEX_SCAN_EXE " --bdf --sh inky.nfnt | tail -1", GLYFEX_EXE " --bdf inky.nfnt font-at-0.bdf 0\n", 0},
      {GLYFEX_SCAN_EXE " --rcp --bdf inky.nfnt | grep -c usage", "1\n", 0},
      {GLYFEX_SCAN_EXE " --bdf empty.prc | grep -c 'NFNT       5 .* The font has no glyph to write as BDF.$'", "1\n", 0},
      {GLYFEX_SCAN_EXE " --bdf --sh empty.prc | grep -c empty.prc", "1\n", 0},
      // Palm's own OTA glyph: no character, whatever its BDF's code point.
      {GLYFEX_SCAN_EXE " --html ota.nfnt | grep -o '20 0x14 [^<]*'", "20 0x14 no character\n", 0},
      {GLYFEX_SCAN_EXE " --rcp many.prc | grep -c '^FONT ID'", "128\n", 0},
      {GLYFEX_SCAN_EXE " --rcp many.prc | grep '^FONT ID' | tail -1", "FONT ID 1127 FONTID 255 \"font-1127.txt\"\n", 0},
      {GLYFEX_SCAN_EXE " --rcp many.prc | tail -1",
       "// font-1139.txt: no font id is left; PilRC takes font ids 128 to 255 only.\n", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.command);
    // Only the rows that read JSON need jq.
    if (!jq && std::string(c.command).find("| jq") != std::string::npos) {
      std::printf("jq not installed: skipped %s\n", c.command);
      continue;
    }
    int status = 0;
    EXPECT_EQ(run_shell("cd '" + dir.path + "' && " + c.command, &status), c.out);
    EXPECT_EQ(status, c.status);
  }
}

}  // namespace
