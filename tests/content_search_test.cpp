// Fonts found by their contents: every kind of font at odd and even
// offsets among random bytes and zeros, found exactly and nothing else,
// whatever the block size; decoys with damaged tables not found; and the
// scanner on a sparse file larger than its memory limit.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "font_builder.h"
#include "hostile_files.h"
#include "container/content_search.h"
#include "listing/list_file.h"

namespace {

// The font type words compilers write; the search finds no other inside a
// larger file.
FontModel typed(FontModel m, int type = 0x9000) {
  m.header.fontType = static_cast<int16_t>(type);
  return m;
}

FontModel plain() { return typed(make_font(65, 67, 2, {{65, {"#-", "-#"}}, {67, {"###", "#-#"}}})); }
FontModel with_missing() {
  return typed(make_font(65, 66, 2, {{65, {"#-", "-#"}}, {66, {"##", "-#"}}, {-1, {"#", "#"}}}));
}
FontModel padded(FontModel m) {
  m.suffix = {0xFF, 0xFF};
  return m;
}

FontModel damaged(std::vector<uint16_t> locations, int gap = 0) {
  FontModel m = typed(make_font(65, 66, 1, {{65, {"##"}}, {66, {"##"}}}));
  m.locations = std::move(locations);
  m.owGapWords = gap;
  return m;
}

// A piece of the file: a font (found or a decoy), random bytes or zeros.
struct Piece {
  enum { kFound, kDecoy, kRandom, kZeros } what;
  std::vector<uint8_t> bytes;
};

Piece found(const FontModel& m) { return {Piece::kFound, encode_font(m)}; }
Piece decoy(const FontModel& m) { return {Piece::kDecoy, encode_font(m)}; }
Piece random_bytes(size_t n) {
  std::mt19937 rng(static_cast<unsigned>(n));
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
  return {Piece::kRandom, bytes};
}
Piece zeros(size_t n) { return {Piece::kZeros, std::vector<uint8_t>(n, 0)}; }

TEST(ContentSearchTest, FindsEveryFontAndNothingElse) {
  const struct {
    const char* name;
    std::vector<Piece> pieces;
  } kCases[] = {
      {"bare font", {found(plain())}},
      {"bare font of any type", {found(typed(plain(), 0))}},
      {"Macintosh and Palm types, the closing word counted",
       {zeros(5), found(typed(padded(plain()), 0xB000)), found(typed(padded(with_missing()), 0x9001))}},
      {"wrong types inside a file",
       {decoy(typed(plain(), 0)), random_bytes(9), decoy(typed(plain(), 0x1000)), decoy(typed(plain(), 0xFF00))}},
      {"version 1 at odd and even offsets",
       {random_bytes(7), found(plain()), zeros(9), found(with_missing()), random_bytes(300), found(plain())}},
      {"extended at both densities and 144 only",
       {zeros(3), found(make_extended(with_missing(), {72, 144})), random_bytes(11),
        found(make_extended(plain(), {144})), zeros(40)}},
      {"a whole database inside",
       {random_bytes(33), {Piece::kRandom, encode_prc({{"tAIN", 1, {'x', 0}}, {"NFNT", 2, encode_font(plain())}})},
        random_bytes(5)}},
      {"decoys",
       {decoy(damaged({0, 2, 1})), random_bytes(3), decoy(damaged({0, 1, 200})), zeros(4),
        decoy(damaged({0, 1, 2}, -1)), zeros(6), decoy(damaged({0, 1, 2}, 3)), decoy(damaged({1, 2, 3})),
        decoy(typed(make_font(65, 65, 2, {{65, {"--", "--"}}}))), decoy(typed(make_font(66, 65, 2, {}))), zeros(64)}},
  };
  for (const auto& c : kCases) {
    std::vector<uint8_t> file;
    std::vector<FoundFont> expected;
    for (const Piece& p : c.pieces) {
      if (p.what == Piece::kFound) expected.push_back({file.size(), p.bytes.size()});
      file.insert(file.end(), p.bytes.begin(), p.bytes.end());
    }
    if (std::string(c.name) == "a whole database inside") {
      // Its font lies where the database put it.
      const std::vector<uint8_t> font = encode_font(plain());
      const auto at = std::search(file.begin(), file.end(), font.begin(), font.end());
      expected.push_back({static_cast<uint64_t>(at - file.begin()), font.size()});
    }
    // Blocks smaller than a font make fonts cross block boundaries.
    for (const size_t block : {size_t{7}, size_t{64}, kSearchBlockBytes}) {
      SCOPED_TRACE(std::string(c.name) + ", block " + std::to_string(block));
      FoundFonts fonts{};
      ASSERT_EQ(find_fonts(memory_source(file.data(), file.size()), block, nullptr, &fonts), Fault::kNone);
      ASSERT_EQ(fonts.count, expected.size());
      for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(fonts.fonts[i].offset, expected[i].offset);
        EXPECT_EQ(fonts.fonts[i].size, expected[i].size);
      }
    }
  }
}

// Many extended headers, each a font but for its ink, pointing in turn at
// overlapping strips of one zero-filled region.
std::vector<uint8_t> overlapping_inkless_headers() {
  constexpr size_t kHeaders = 2000, kHeaderBytes = 42, kRegion = size_t{4} << 20;
  std::vector<uint8_t> file(kHeaders * kHeaderBytes + kRegion, 0);
  for (size_t i = 0; i < kHeaders; ++i) {
    const size_t at = i * kHeaderBytes;
    const int fields[] = {0x9200, 65, 65, 8000, 0, 0, 8000, 1024, 12, 1024, 0, 0, 512, 1, 1, 72};
    for (size_t f = 0; f < 16; ++f) put16(&file, at + 2 * f, fields[f]);
    // Strips of 1 MiB that start 1000 bytes apart, wrapping every 2 MiB.
    const size_t strip = kHeaders * kHeaderBytes + (i % 2 == 0 ? i * 1000 % (size_t{2} << 20) : (i * 1357) % (size_t{3} << 20));
    put16(&file, at + 32, static_cast<int>((strip - at) >> 16));
    put16(&file, at + 34, static_cast<int>((strip - at) & 0xFFFF));
    put16(&file, at + 38, 8000);  // locations 0 and 8000, then the offset/width entry
    put16(&file, at + 40, 8000 & 0xFF);
  }
  return file;
}

// A ROM image with one database holding a font, damaged as a hostile file
// would be.
std::vector<uint8_t> damaged_rom(const std::function<void(RomModel*)>& damage) {
  RomModel m{{}, {{"System", "rsrc", "psys", false, {{"NFNT", 10000, inked_font()}, {"tSTR", 1, {'x', 0}}}}}};
  damage(&m);
  return encode_rom(m);
}

// Files whose entries or headers point at the same bytes again and again,
// or whose chains loop: listed with every byte read a few times at most,
// counted through the byte source, and each with the verdict it deserves.
TEST(ContentSearchTest, HostileFilesCostAFewPasses) {
  // The fields in the order a case reads, not packed.
  const struct {  // NOLINT(clang-analyzer-optin.performance.Padding)
    const char* name;
    std::vector<uint8_t> file;
    bool damaged;
    size_t converted;  // lines with a command
    size_t found;  // of them, found by their contents
    uint64_t ink;  // counted outside the glyphs of each line with a command
    bool uncounted = false;  // some lines' ink was not counted, not all
  } kCases[] = {
      {"inkless headers over overlapping strips", overlapping_inkless_headers(), false, 0, 0, 0},
      {"entries sharing one font", shared_strip_prc(2000, size_t{1} << 20, false), false, 2000, 0, 1},
      {"headers sharing one strip", shared_strip_prc(2000, size_t{1} << 20, true), false, 2000, 0, 1},
      // Each strip read whole to count, until the reading would cost more
      // than a few passes over the file.
      {"headers of one strip, each reaching further", shared_strip_prc(100, size_t{1} << 20, true, true), false, 100, 0,
       1, true},
      {"inkless headers after many short zero runs", zero_memo_file(300, size_t{1} << 20, 70000), false, 1, 1, 0},
      {"a database named 40 times", damaged_rom([](RomModel* m) { m->directoryRepeats = 40; }), true, 1, 1, 0},
      {"an entry list that leads back to itself", damaged_rom([](RomModel* m) { m->loopEntries = true; }), true, 1, 1, 0},
      {"a directory that leads back to itself", damaged_rom([](RomModel* m) { m->loopDirectory = true; }), true, 1, 1, 0},
      {"one heap named 64 times", damaged_rom([](RomModel* m) {
         m->heapRepeats = 64;
         m->emptyChunks = 20000;
       }), true, 1, 1, 0},
      {"a card address that overflows", damaged_rom([](RomModel* m) {
         m->address = 0xFFFFF000u;
         m->emptyChunks = 1000;
       }), true, 1, 1, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    uint64_t read = 0;
    Listing listing{};
    listing.source = memory_source(c.file.data(), c.file.size());
    listing.source.readCount = &read;
    const Fault err = list_source(false, false, nullptr, &listing);
    ASSERT_EQ(err, c.converted == 0 ? Fault::kScanNoFont : Fault::kNone);
    EXPECT_EQ(listing.damage != Fault::kNone, c.damaged);
    EXPECT_LT(read, 5 * c.file.size() + (size_t{65} << 20)) << read << " of " << c.file.size();
    size_t converted = 0, uncounted = 0;
    for (size_t i = 0; i < listing.count; ++i) {
      const ListingLine& line = listing.lines[i];
      if (!has_command(line)) continue;
      ++converted;
      uncounted += line.inkCounted ? 0 : 1;
      EXPECT_EQ(line.inkOutside[kDensity72], line.inkCounted ? c.ink : 0);
      // Every line after the first shows the first line's font, unless
      // each differs.
      if (!c.uncounted) {
        EXPECT_EQ(line.sameAs, i == 0 ? kNoPartner : 0u);
      }
    }
    EXPECT_EQ(converted, c.converted);
    EXPECT_EQ(uncounted > 0 && uncounted < converted, c.uncounted);
    if (!c.uncounted) {
      EXPECT_EQ(uncounted, 0u);
    }
    EXPECT_EQ(fonts_found_by_contents(listing), c.found);
  }
}

#ifndef _WIN32
// A sparse file of 256 MiB with one font at 200 MiB, searched under a
// 64 MiB limit on the scanner's memory; the listing names it.
TEST(ContentSearchTest, LargeFileInBoundedMemory) {
  char tmpl[] = "/tmp/glyfex-carve-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const std::string path = dir + "/dump.bin";
  const std::vector<uint8_t> font = encode_font(make_extended(with_missing(), {72, 144}));
  const long at = 200L << 20;
  ASSERT_TRUE(write_file(path, {}));
  ASSERT_EQ(truncate(path.c_str(), at), 0);
  FILE* f = std::fopen(path.c_str(), "ab");
  ASSERT_NE(f, nullptr);
  std::fwrite(font.data(), 1, font.size(), f);
  std::fclose(f);
  ASSERT_EQ(truncate(path.c_str(), 256L << 20), 0);
  int status = 0;
  const std::string out = run_shell(memory_limit(64) + GLYFEX_SCAN_EXE " " + path + " 2>&1", &status);
  std::filesystem::remove_all(dir);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find(": no known kind; 1 font found by its contents\n"), std::string::npos) << out;
  char line[64];
  std::snprintf(line, sizeof line, "%10ld  %10zu  ", at, font.size());
  EXPECT_NE(out.find(line), std::string::npos) << out;
  EXPECT_NE(out.find(" font-at-" + std::to_string(at) + ".txt " + std::to_string(at) + "\n"), std::string::npos);
}

#endif

}  // namespace
