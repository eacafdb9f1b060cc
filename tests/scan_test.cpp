// glyfex-scan: resource lists of databases and forks built here, damage,
// and its printed command fed to glyfex.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "font_builder.h"
#include "locale_module.h"
#include "listing/font_listing.h"
#include "container/container.h"
#include "listing/list_file.h"

namespace {

FontModel font_model();
std::vector<uint8_t> font_bytes() { return encode_font(font_model()); }

const std::vector<ResourceModel> kResources = {
    {"tAIN", 1000, {'G', 'l', 'y', 0}},
    {"NFNT", 9000, font_bytes()},
    {"code", 0, std::vector<uint8_t>(33, 0x4E)},
    {"NFNT", 9001, font_bytes()},
    {"tSTR", 1, {}},
};

struct ContainerCase {
  const char* kind;
  std::function<std::vector<uint8_t>()> file;
  bool grouped_by_type;  // a fork lists resources type by type
};

const ContainerCase kContainers[] = {
    {"Palm resource database", [] { return encode_prc(kResources); }, false},
    {"Macintosh resource fork", [] { return encode_resource_fork(kResources); }, true},
    {"MacBinary file, resource fork", [] { return encode_macbinary(encode_resource_fork(kResources)); }, true},
};

TEST(ScanTest, ListsEveryResourceWhereItLies) {
  for (const ContainerCase& c : kContainers) {
    SCOPED_TRACE(c.kind);
    const std::vector<uint8_t> file = c.file();
    ResourceList list;
    ASSERT_EQ(scan_resources(memory_source(file.data(), file.size()), false, &list), Fault::kNone);
    EXPECT_STREQ(list.kind, c.kind);
    std::vector<ResourceModel> expected = kResources;
    if (c.grouped_by_type) std::swap(expected[2], expected[3]);
    ASSERT_EQ(list.count, expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      const ResourceEntry& e = list.entries[i];
      EXPECT_EQ(std::string(e.type, 4), expected[i].type);
      EXPECT_EQ(e.id, expected[i].id);
      EXPECT_EQ(e.fault, EntryFault::kNone);
      ASSERT_LE(e.offset + e.size, file.size());
      EXPECT_EQ(std::vector<uint8_t>(file.begin() + static_cast<long>(e.offset),
                                     file.begin() + static_cast<long>(e.offset + e.size)),
                expected[i].bytes);
    }
  }
}

struct DamageCase {
  const char* name;
  std::function<std::vector<uint8_t>()> file;
  Fault message;
};

std::vector<uint8_t> damaged(std::vector<uint8_t> file, size_t pos, int value) {
  put16(&file, pos, value);
  return file;
}

// In the fork built from kResources the map starts after the 256-byte header
// area and the data; its type list is 28 bytes into the map, and type entry
// t's reference list offset 28 + 2 + 8t + 6.
size_t map_at() { return encode_resource_fork(kResources).size() - (28 + 2 + 8 * 4 + 12 * 5); }
size_t ref_list_at(int type) { return map_at() + 28 + 2 + 8 * type + 6; }

std::vector<uint8_t> fork_with_ref_list(int type, int ref_list, int last_ref = -1) {
  std::vector<uint8_t> file = damaged(encode_resource_fork(kResources), ref_list_at(type), ref_list);
  if (last_ref >= 0) put16(&file, ref_list_at(type) - 2, last_ref);
  return file;
}

const DamageCase kDamage[] = {
    {"text file", [] { return std::vector<uint8_t>(200, 'a'); }, Fault::kScanUnknown},
    {"empty file", [] { return std::vector<uint8_t>(); }, Fault::kScanUnknown},
    {"database list longer than the file", [] { return damaged(encode_prc(kResources), 76, 900); },
     Fault::kScanDamaged},
    // A database is known by its printable type and creator.
    {"database shorter than its type and creator",
     [] {
       std::vector<uint8_t> file = encode_prc(kResources);
       file.resize(60);
       return file;
     },
     Fault::kScanUnknown},
    {"database header with an unprintable creator", [] { return damaged(damaged(encode_prc(kResources), 76, 900), 64, 0x01FF); },
     Fault::kScanUnknown},
    {"PilRC script", [] {
       const std::string text = "FONT ID 1000 FONTID 128 \"font-1000.txt\"\nFONT ID 1001 FONTID 129 \"font-1001.txt\"\n";
       return std::vector<uint8_t>(text.begin(), text.end());
     },
     Fault::kScanUnknown},
    {"fork type list outside the map", [] { return damaged(encode_resource_fork(kResources), map_at() + 24, 0x7000); },
     Fault::kScanDamaged},
    {"fork reference list outside the map",
     [] { return damaged(encode_resource_fork(kResources), map_at() + 28 + 2 + 6, 0x7000); }, Fault::kScanDamaged},
    // Type entries that share one reference list, or whose lists overlap,
    // would list the same references again and again.
    {"fork types sharing a reference list", [] { return fork_with_ref_list(1, 2 + 8 * 4); }, Fault::kScanDamaged},
    {"fork reference lists overlapping", [] { return fork_with_ref_list(1, 2 + 8 * 4 + 6); }, Fault::kScanDamaged},
    {"fork reference list inside the type list", [] { return fork_with_ref_list(0, 2); }, Fault::kScanDamaged},
    {"fork reference count past the map", [] { return fork_with_ref_list(3, 2 + 8 * 4 + 48, 0xFFFE); },
     Fault::kScanDamaged},
    {"MacBinary holding a damaged fork",
     [] { return encode_macbinary(damaged(encode_resource_fork(kResources), map_at() + 24, 0x7000)); },
     Fault::kScanDamaged},
};

TEST(ScanTest, DamagedAndForeignFiles) {
  for (const DamageCase& c : kDamage) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = c.file();
    file.reserve(1);
    ResourceList list;
    EXPECT_EQ(scan_resources(memory_source(file.data(), file.size()), false, &list), c.message);
  }
}

// Every cut of a MacBinary file past its 128-byte header is damaged, and
// listed as MacBinary; a fork cut short is no fork, as its header is only
// four numbers: the file is searched by its contents instead.
TEST(ScanTest, TruncationsAreDamaged) {
  const std::vector<uint8_t> fork = encode_resource_fork(kResources);
  const struct {
    std::vector<uint8_t> file;
    size_t header, end;  // the padding after a MacBinary file's fork may go
    Fault message;
  } kFiles[] = {{fork, 16, fork.size(), Fault::kScanUnknown},
                {encode_macbinary(fork), 128, 128 + fork.size(), Fault::kScanDamaged}};
  for (const auto& [file, header, end, message] : kFiles) {
    for (size_t n = header; n < end; ++n) {
      std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<long>(n));
      ResourceList list;
      ASSERT_EQ(scan_resources(memory_source(cut.data(), cut.size()), false, &list), message) << n << " of " << file.size();
    }
  }
}

TEST(ScanTest, ShippedDatabaseHoldsTheShippedFont) {
  const std::string prc_text = read_file(EXAMPLES_DIR "/sample.prc");
  const std::vector<uint8_t> prc(prc_text.begin(), prc_text.end());
  ResourceList list;
  ASSERT_EQ(scan_resources(memory_source(prc.data(), prc.size()), false, &list), Fault::kNone);
  ASSERT_EQ(list.count, 3u);
  const ResourceEntry& font = list.entries[1];
  EXPECT_TRUE(is_font_type(font.type));
  EXPECT_EQ(std::string(prc.begin() + static_cast<long>(font.offset), prc.end() - 7),
            read_file(EXAMPLES_DIR "/sample.nfnt"));
}

TEST(ScanTest, UsageAndHelp) {
  for (const auto& [args, status] : {std::pair<const char*, int>{"", 1}, {" a --sh", 1}, {" --sh", 1}, {" --help", 0}}) {
    int got = 0;
    EXPECT_NE(run_shell(std::string(GLYFEX_SCAN_EXE) + args, &got).find("--sh file"), std::string::npos);
    EXPECT_EQ(got, status) << args;
  }
}

TEST(ScanTest, FilesThatCannotBeRead) {
  for (const auto& [path, message] : {std::pair<const char*, const char*>{"/nonexistent/x.prc", "Could not open input file."},
                                      {"/dev/null", "Could not read input file."}}) {
    int status = 0;
    EXPECT_EQ(run_shell(std::string("timeout 20 " GLYFEX_SCAN_EXE " ") + path, &status),
              std::string("ERROR: ") + message + "\n\n");
    EXPECT_EQ(status, 1);
  }
}

struct ScanRun {
  int status;
  std::string out;
};

// A scratch folder for one test, removed when it ends.
class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/glyfex-scan-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

ScanRun shell_in(const std::string& dir, const std::string& command) {
  ScanRun r{0, ""};
  r.out = run_shell("cd '" + dir + "' && timeout 20 " + command, &r.status);
  return r;
}

// Each line's font column, after type, id, offset and size (or record,
// offset and size); a command is given as "CMD name", the text it writes.
std::vector<std::string> font_column(const std::string& listing) {
  std::vector<std::string> notes;
  size_t pos = listing.find("font\n");
  if (pos == std::string::npos) return notes;
  const size_t column = pos - (listing.rfind('\n', pos) + 1);
  while ((pos = listing.find('\n', pos)) != std::string::npos && pos + 1 < listing.size() - 1) {
    const std::string line = listing.substr(pos + 1, listing.find('\n', pos + 1) - pos - 1);
    std::string note = line.size() > column ? line.substr(column) : "";
    const std::string command = GLYFEX_DIR "/glyfex fonts.prc ";
    if (note.rfind(command, 0) == 0) note = "CMD " + note.substr(command.size(), note.rfind(".txt ") - command.size());
    notes.push_back(note);
    ++pos;
  }
  return notes;
}

std::vector<uint8_t> font_with(int field, int value) {
  std::vector<uint8_t> b = font_bytes();
  put16(&b, 2 * field, value);
  return b;
}

std::vector<uint8_t> prc_with_offsets(const std::vector<std::pair<int, uint32_t>>& offsets) {
  std::vector<uint8_t> file = encode_prc(kResources);
  for (const auto& [entry, offset] : offsets) {
    put16(&file, 78 + 10 * entry + 6, static_cast<int>(offset >> 16));
    put16(&file, 78 + 10 * entry + 8, static_cast<int>(offset & 0xFFFF));
  }
  return file;
}

FontModel font_model() { return make_font(65, 66, 2, {{65, {"#-", "##"}}, {66, {"-#-", "###"}}}); }

std::vector<uint8_t> extended_bytes(const std::vector<int>& densities) {
  return encode_font(make_extended(font_model(), densities));
}

// FontForge's record: a 72 dpi font, a 0xFFFF word, and its 144 dpi font.
std::vector<uint8_t> font_pair() {
  std::vector<uint8_t> bytes = font_bytes();
  const std::vector<uint8_t> hd = extended_bytes({144});
  bytes.push_back(0xFF);
  bytes.push_back(0xFF);
  bytes.insert(bytes.end(), hd.begin(), hd.end());
  return bytes;
}

std::vector<uint8_t> font_collection() {
  return encode_pdb({font_bytes(), {'n', 'o', 't', 'e', 0}, extended_bytes({72, 144}), font_pair()});
}

// What the font column says of fonts glyfex converts or refuses, and of
// entries whose bytes cannot be had (then the status is 1, and the file is
// searched by its contents too).
const struct {
  const char* name;
  std::function<std::vector<uint8_t>()> file;
  std::vector<std::string> notes;
  int status;
} kFontColumns[] = {
    {"refused font, and two fonts with one id",
     [] {
       return encode_prc({{"NFNT", 1000, font_bytes()}, {"nfnt", 1000, font_bytes()}, {"NFNT", 7, font_with(2, 300)}});
     },
     {"CMD font-1000", "CMD font-1000.2", fault_text(Fault::kFontHeaderRange)}, 0},
    {"extended and little-endian fonts",
     [] {
       return encode_prc({{"nfnt", 1, extended_bytes({72, 144})},
                          {"NFNT", 2, extended_bytes({72, 108})},
                          {"afnt", 3, font_bytes()},
                          {"afnx", 4, font_bytes()}});
     },
     {"CMD font-1", "CMD font-2", "little-endian font, not supported", "CMD font-4"}, 0},
    {"record database, a record of two fonts", font_collection,
     {"CMD font-0", "", "CMD font-2", "CMD font-3", "CMD font-3"}, 0},
    {"database entries outside the file and inside the list",
     [] { return prc_with_offsets({{0, 0x7FFF0000}, {2, 80}}); },
     {"lies outside the file", "CMD font-9000", "lies inside the resource list", "CMD font-9001", "", "", "the fonts above: 0 fonts"}, 1},
    {"fork reference past the data",
     [] { return damaged(encode_resource_fork(kResources), map_at() + 28 + 2 + 32 + 5, 0x7000); },
     {"lies outside the file", "CMD font-9000", "CMD font-9001", "", "", "", "the fonts above: 0 fonts"}, 1},
};

TEST(ScanTest, FontColumn) {
  for (const auto& c : kFontColumns) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    ASSERT_TRUE(write_file(dir.path() + "/fonts.prc", c.file()));
    const ScanRun r = shell_in(dir.path(), GLYFEX_SCAN_EXE " fonts.prc");
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(font_column(r.out), c.notes) << r.out;
  }
}

// A file that begins like a database but holds no list that fits, or only
// entries outside it, is searched by its contents as well: a font after a
// few bytes that mimic a database's header is found.
TEST(ScanTest, DamagedDatabasesAreSearched) {
  FontModel typed = font_model();
  typed.header.fontType = static_cast<int16_t>(0x9000);
  const std::vector<uint8_t> font = encode_font(typed);
  const auto after = [&](std::vector<uint8_t> head) {
    head.insert(head.end(), font.begin(), font.end());
    return head;
  };
  std::vector<uint8_t> header = encode_prc({{"tAIN", 1, {'x', 0}}});
  header.resize(96);
  const struct {
    const char* name;
    std::vector<uint8_t> file;
    const char* kind;  // the listing's first line, after the file name
    int status;
  } kCases[] = {
      {"list longer than the file", after(damaged(header, 76, 900)),
       ": Palm resource database, damaged: The resource table does not fit in the file.\n", 0},
      {"entries outside the file", after(damaged(header, 78 + 6, 0x7000)), ": Palm resource database, 1 resources\n", 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    ASSERT_TRUE(write_file(dir.path() + "/x.prc", c.file));
    const ScanRun r = shell_in(dir.path(), GLYFEX_SCAN_EXE " x.prc");
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out.rfind(std::string("x.prc") + c.kind, 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Found by the file's contents, besides the fonts above: 1 font\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" font-at-96.txt 96\n"), std::string::npos) << r.out;
  }
}

// Many files and a folder, one of them no font file: each listed under a
// line naming it, the failing one said and the run going on with status
// 1; the --sh script puts each file's texts in a folder of its own and
// fails at its end; --json gives one document a file.
TEST(ScanTest, ManyFilesAndFolders) {
  ScratchDir dir;
  const std::string& d = dir.path();
  int status = 0;
  run_shell("mkdir -p " + d + "/apps/sub " + d + "/more", &status);
  const std::vector<uint8_t> prc = encode_prc({{"NFNT", 1000, font_bytes()}});
  for (const char* name : {"/apps/a.prc", "/apps/sub/b.prc", "/more/a.prc"}) ASSERT_TRUE(write_file(d + name, prc));
  ASSERT_TRUE(write_file(d + "/apps/notes.txt", {'h', 'i', '\n'}));
  ASSERT_EQ(symlink("sub", (d + "/apps/link").c_str()), 0);
  ScanRun r = shell_in(d, GLYFEX_SCAN_EXE " apps more/a.prc");
  EXPECT_EQ(r.status, 0);
  const char* const kHeads[] = {"==> apps/a.prc <==\napps/a.prc: Palm resource database", "==> apps/sub/b.prc <==\n",
                                "==> more/a.prc <==\n", "Files without fonts: 1\n"};
  size_t at = 0;
  for (const char* head : kHeads) {
    const size_t found = r.out.find(head, at);
    EXPECT_NE(found, std::string::npos) << head << "\n" << r.out;
    at = found == std::string::npos ? at : found;
  }
  // The link to sub is not followed: b.prc is listed once.
  EXPECT_EQ(r.out.find("b.prc <==", r.out.find("b.prc <==") + 1), std::string::npos);
  r = shell_in(d, "env PATH=" GLYFEX_DIR ":/usr/bin:/bin glyfex-scan --sh apps more/a.prc > run.sh; env PATH=" GLYFEX_DIR ":/usr/bin:/bin sh run.sh > /dev/null");
  EXPECT_EQ(r.status, 0);
  for (const char* text : {"/apps/a.prc.fonts/font-1000.txt", "/apps/sub/b.prc.fonts/font-1000.txt", "/a.prc.fonts/font-1000.txt"}) {
    EXPECT_EQ(read_file(d + text), read_file(d + "/apps/a.prc.fonts/font-1000.txt")) << text;
  }
  EXPECT_NE(read_file(d + "/apps/a.prc.fonts/font-1000.txt"), "");
  if (std::system("command -v jq >/dev/null 2>&1") == 0) {
    r = shell_in(d, GLYFEX_SCAN_EXE " --json apps/a.prc apps/notes.txt | jq -r '.file + \" \" + (.error // .kind)'");
    EXPECT_EQ(r.out, "apps/a.prc Palm resource database\napps/notes.txt Not a Palm resource database or a Macintosh "
                     "resource fork, and no font was found in its contents.\n");
  }
}

// ROM images built here, and the shipped ROM where it is beside the
// checkout: fonts under their databases, named after them and after the
// ROM's font map; a font in a record found by the contents; damage.
TEST(ScanTest, RomImages) {
  FontModel typed = font_model();
  typed.header.fontType = static_cast<int16_t>(0x9000);
  const std::vector<uint8_t> font = encode_font(typed);
  std::vector<uint8_t> map(2 + 6 * 4, 0);
  put16(&map, 0, 4);
  for (int f = 0; f < 4; ++f) {
    std::copy_n("NFNT", 4, map.begin() + 2 + 6 * f);
    put16(&map, 2 + 6 * f + 4, f < 3 ? 32000 + f : 10000);
  }
  std::vector<uint8_t> record(10, 0);
  record.insert(record.end(), font.begin(), font.end());
  const RomDatabaseModel system{"System", "rsrc", "psys", false, {{"NFNT", 10000, font}, {"tSTR", 1, {'x', 0}}}};
  const RomDatabaseModel locale{"Latin Locale Module", "locm", "psys", false, {{"fnti", 32000, map}}};
  const RomDatabaseModel times{"Times", "xFnt", "FMGR", true, {{"", 0, record}}};
  const RomDatabaseModel boot{"Boot", "rsrc", "psys", false, {{"afnx", 10000, font}}};
  RomModel small_big{{{"SmallROMSys", "rsrc", "psys", false, {}}}, {system}};
  RomModel little{{}, {boot}, true};
  RomModel looped{{}, {times}, false, true};
  RomModel bad{{}, {times}, false, false, true};
  const struct {
    const char* name;
    std::vector<uint8_t> file;
    std::vector<std::string> lines;  // each in the listing
    int status;
  } kCases[] = {
      {"one card", encode_rom({{}, {system, locale, times}}),
       {"x.rom: Palm OS ROM image, big-endian, 3 databases\n", "\nSystem (rsrc psys)\n",
        "NFNT   10000  ", "symbolFont     ", " x.rom System-NFNT-10000.txt ", "besides the fonts above: 1 font\n",
        " x.rom Times-record-0-at-"},
       0},
      {"small and big ROM", encode_rom(small_big), {"x.rom: Palm OS ROM image, big-endian, 2 databases\n", "System-NFNT-10000.txt"}, 0},
      {"little-endian", encode_rom(little),
       {"x.rom: Palm OS ROM image, little-endian, 1 databases\n", "Boot (rsrc psys)\n", "afnx   10000 ", " x.rom Boot-afnx-10000.txt "},
       0},
      {"directory loop", encode_rom(looped),
       {"x.rom: Palm OS ROM image, big-endian, damaged: The resource table does not fit in the file.\n", " font-at-"}, 0},
      {"directory at no chunk", encode_rom(bad), {"Palm OS ROM image, big-endian, damaged: "}, 0},
      {"no database", encode_rom({{}, {}}), {"x.rom: Palm OS ROM image, big-endian, no database\n"}, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    ASSERT_TRUE(write_file(dir.path() + "/x.rom", c.file));
    const ScanRun r = shell_in(dir.path(), GLYFEX_SCAN_EXE " x.rom");
    EXPECT_EQ(r.status, c.status) << r.out;
    for (const std::string& line : c.lines) EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
  ScratchDir dir;
  ASSERT_TRUE(write_file(dir.path() + "/x.rom", encode_rom({{}, {system, locale}})));
  EXPECT_NE(shell_in(dir.path(), GLYFEX_SCAN_EXE " --bdf --sh x.rom").out.find(" --bdf --charset symbol x.rom System-NFNT-10000.bdf "),
            std::string::npos);
  // The shipped ROM: the eight system fonts.
  const char* shipped = EXAMPLES_DIR "/../../shared/samples/platform41_3c_Dbg_enUS.rom";
  if (read_file(shipped).empty()) GTEST_SKIP() << "the shared sample ROM is not beside the checkout";
  const std::string listing = shell_in(dir.path(), std::string(GLYFEX_SCAN_EXE " ") + shipped).out;
  for (const char* line : {"NFNT   32000      702322        2694  stdFont        ", "NFNT   32001      705024        2958  boldFont       ",
                           "NFNT   32002      698744        3570  largeFont      ", "NFNT   32003      707990        3752  largeBoldFont  ",
                           "NFNT   10000      529318         390  symbolFont     ", "NFNT   10001      529138         172  symbol11Font   ",
                           "NFNT   10002      529716         114  symbol7Font    ", "NFNT   10003      528688         442  ledFont        "}) {
    EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
  }
  EXPECT_NE(listing.find("Palm OS ROM image, big-endian, 76 databases\n"), std::string::npos);
}

// The names of a file's texts, as the listing gives them to its lines
// with a command, in order.
std::vector<std::string> text_names(const std::vector<uint8_t>& file) {
  Listing listing{};
  listing.source = memory_source(file.data(), file.size());
  std::vector<std::string> names;
  if (list_source(false, false, nullptr, &listing) != Fault::kNone) return {"not listed"};
  for (size_t i = 0; i < listing.count; ++i) {
    if (has_command(listing.lines[i])) names.emplace_back(listing.lines[i].name);
  }
  return names;
}

// Every text of a file has a name of its own once made safe for a file and
// compared without case, as Windows and macOS compare names; a family
// keeps its one name.
TEST(ScanTest, TextNamesAreUniqueAsEverySystemComparesThem) {
  FontModel typed = font_model();
  typed.header.fontType = static_cast<int16_t>(0x9000);
  const std::vector<uint8_t> font = encode_font(typed);
  const auto rom_of = [&](const char* a, const char* b) {
    return encode_rom({{}, {{a, "rsrc", "psys", false, {{"NFNT", 1000, font}}}, {b, "rsrc", "psys", false, {{"NFNT", 1000, font}}}}});
  };
  std::vector<uint8_t> record = font;
  record.push_back(0xFF);
  record.push_back(0xFF);
  record.insert(record.end(), font.begin(), font.end());
  const struct {
    const char* name;
    std::vector<uint8_t> file;
    std::vector<std::string> names;
  } kCases[] = {
      {"made safe into one", rom_of("Font A", "Font_A"), {"Font_A-NFNT-1000", "Font_A-NFNT-1000.2"}},
      {"one but for case", rom_of("Fonts", "fonts"), {"Fonts-NFNT-1000", "fonts-NFNT-1000.2"}},
      {"two fonts of one record", encode_pdb({record}), {"font-0", "font-0.2"}},
      {"one id twice", encode_prc({{"NFNT", 9, font}, {"NFNT", 9, font}}), {"font-9", "font-9.2"}},
      {"a family of one id", encode_prc({{"NFNT", 9, font}, {"NFNT", 9, encode_font(make_extended(typed, {144}))}}),
       {"font-9", "font-9"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text_names(c.file), c.names);
  }
}

// A script of a run over a file whose name starts with -, a folder named
// .., and a file deeper than the walk goes: every text made once, in
// folders below the current one, and the folder not walked said, with
// status 1.
TEST(ScanTest, ScriptsOfHostileNamesAndFolders) {
  ScratchDir dir;
  const std::string& d = dir.path();
  const std::vector<uint8_t> prc = encode_prc({{"NFNT", 1000, font_bytes()}});
  std::string deep = d + "/in";
  for (int i = 0; i < 70; ++i) deep += "/d";
  int status = 0;
  run_shell("mkdir -p " + deep + " " + d + "/in/work " + d + "/out", &status);
  for (const std::string& name : {d + "/in/-dash.prc", d + "/in/plain.prc", deep + "/deep.prc"}) ASSERT_TRUE(write_file(name, prc));
  const std::string path = "env PATH=" GLYFEX_DIR ":/usr/bin:/bin ";
  ScanRun r = shell_in(d + "/out", path + "glyfex-scan --sh ../in/-dash.prc ../in/plain.prc | " + path + "sh");
  EXPECT_EQ(r.status, 0) << r.out;
  const std::string text = read_file(d + "/out/plain.prc.fonts/font-1000.txt");
  EXPECT_NE(text, "");
  EXPECT_EQ(read_file(d + "/out/-dash.prc.fonts/font-1000.txt"), text);
  r = shell_in(d + "/in/work", path + "glyfex-scan --sh .. 2>../../err.txt > ../../run.sh; echo $?; " + path +
                                    "sh ../../run.sh > /dev/null");
  EXPECT_EQ(r.out, "1\n");
  const std::string err = read_file(d + "/err.txt"), said = std::string(": ") + fault_text(Fault::kTooDeep) + "\n";
  EXPECT_EQ(err.rfind("glyfex-scan: ../d/d/", 0), 0u) << err;
  EXPECT_EQ(err.find(said), err.size() - said.size()) << err;
  for (const char* name : {"-dash.prc", "plain.prc"}) {
    EXPECT_EQ(read_file(d + "/in/work/in/" + name + ".fonts/font-1000.txt"), text) << name;
  }
}

// A folder of mixed files reads as a catalogue: files of no known kind
// that hold no font, found by walking it, are one count in the listing,
// one folded list on the page and a document of no kind and no error in
// JSON, and fail nothing; named on the command line, each is an error as
// before.
TEST(ScanTest, FolderOfMixedFiles) {
  ScratchDir dir;
  const std::string d = dir.path() + "/apps";
  int status = 0;
  run_shell("mkdir -p " + d, &status);
  ASSERT_TRUE(write_file(d + "/app.prc", encode_prc({{"NFNT", 1000, font_bytes()}})));
  ASSERT_TRUE(write_file(d + "/fonts.pdb", encode_pdb({font_bytes()})));
  for (const char* name : {"notes.txt", "font.bdf", "app.rcp"}) ASSERT_TRUE(write_file(d + "/" + name, {'h', 'i', '\n'}));
  ScanRun r = shell_in(dir.path(), GLYFEX_SCAN_EXE " apps");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nFiles without fonts: 3\n"), std::string::npos) << r.out;
  r = shell_in(dir.path(), GLYFEX_SCAN_EXE " --html apps");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("<details class=\"no-fonts\"><summary>Files without fonts: 3</summary><ul>\n<li><code>apps/app.rcp"),
            std::string::npos);
  EXPECT_EQ(r.out.find("Not a Palm resource database"), std::string::npos);
  r = shell_in(dir.path(), GLYFEX_SCAN_EXE " --json apps | grep -c '\"kind\": null, \"error\": null, \"entries\": \\[\\]'");
  EXPECT_EQ(r.out, "3\n");
  for (const char* form : {"--sh", "--cmd", "--rcp"}) {
    r = shell_in(dir.path(), std::string(GLYFEX_SCAN_EXE " ") + form + " apps > /dev/null");
    EXPECT_EQ(r.status, 0) << form;
  }
  // Named one by one, a file that holds no font is an error.
  r = shell_in(dir.path(), GLYFEX_SCAN_EXE " apps/app.prc apps/notes.txt apps/font.bdf");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("ERROR: apps/notes.txt: Not a Palm resource database"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Files without fonts"), std::string::npos);
}

// A Japanese locale module's fonts as glyfex-scan shows them: each map a
// font of its own with its font and character counts and a command that
// writes its BDF, each piece named by its map and lead byte with the
// options its BDF needs; the map's ids in JSON; the map left to a comment
// in the PilRC lines; and the script's BDF of the map as the BDF readers
// take it.
TEST(ScanTest, FontMapsOfAJapaneseRom) {
  ScratchDir dir;
  ASSERT_TRUE(write_file(dir.path() + "/jp.rom", locale_module("ShiftJIS Locale Module").rom));
  const std::string glyfex = "env PATH=" GLYFEX_DIR ":/usr/bin:/bin ";
  const struct {
    const char* args;
    std::vector<std::string> lines;
  } kCases[] = {
      {"jp.rom",
       {"fntm   32000 ", "stdFont          font map: 7 fonts, 9 characters:  glyfex --bdf jp.rom ShiftJIS_Locale_Module-fntm-32000.bdf ",
        "boldFont         font map: 7 fonts, 6 characters:", "stdFont 1-byte   glyfex jp.rom ShiftJIS_Locale_Module-NFNT-32000.txt",
        "stdFont 0x88 ", "stdFont box "}},
      {"--bdf --sh jp.rom",
       {"glyfex --bdf jp.rom ShiftJIS_Locale_Module-fntm-32000.bdf ", "glyfex --bdf --charset sjis jp.rom ShiftJIS_Locale_Module-NFNT-32000.bdf ",
        "glyfex --bdf --lead 0x88 jp.rom ", "glyfex --bdf --lead 0xF0 jp.rom ", "glyfex --bdf --charset palm jp.rom ShiftJIS_Locale_Module-NFNT-32094.bdf "}},
      {"--json jp.rom", {"\"fonts\": [32000, 32007, 32094, 32004, 32005, 32099, 32006], \"characters\": 9}", "\"lead\": 136"}},
      {"--rcp jp.rom", {"// ShiftJIS_Locale_Module-fntm-32000.bdf: a font map, of 7 fonts; PilRC builds them each alone.\n"}},
      {"--html jp.rom", {"<p>Font map: 7 fonts, 9 characters.</p>", "<tr><td>0x88</td><td><a href=\"#font-0-"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args);
    const ScanRun r = shell_in(dir.path(), glyfex + "glyfex-scan " + c.args);
    EXPECT_EQ(r.status, 0) << r.out;
    for (const std::string& line : c.lines) EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  }
  // The script writes the map's BDF, which bdftopcf compiles.
  ScanRun r = shell_in(dir.path(), glyfex + "glyfex-scan --sh jp.rom | " + glyfex + "sh > /dev/null");
  EXPECT_EQ(r.status, 0);
  const std::string bdf = read_file(dir.path() + "/ShiftJIS_Locale_Module-fntm-32000.bdf");
  EXPECT_NE(bdf.find("CHARS 10\n"), std::string::npos) << bdf;
  if (std::system("command -v bdftopcf >/dev/null 2>&1") == 0) {
    r = shell_in(dir.path(), "bdftopcf -o map.pcf ShiftJIS_Locale_Module-fntm-32000.bdf 2>&1");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
  }
  if (std::system("command -v fontforge >/dev/null 2>&1") == 0) {
    r = shell_in(dir.path(), "fontforge -quiet -lang=py -c \"import fontforge, sys; f = fontforge.open(sys.argv[1]); "
                             "print(sorted(g.unicode for g in f.glyphs() if g.unicode >= 0))\" "
                             "ShiftJIS_Locale_Module-fntm-32000.bdf 2>/dev/null");
    EXPECT_EQ(r.out, "[65, 165, 8199, 8786, 9312, 20124, 57344, 61568, 65393, 65533]\n");
  }
}

// The listing's command, the --sh script and the --rcp lines, run as a user
// would: found through a path or on PATH, and on a file whose name holds a
// terminal escape.
TEST(ScanTest, CommandsScriptAndResourceLines) {
  ScratchDir dir;
  const std::string sample = read_file(EXAMPLES_DIR "/sample.txt");
  const std::string evil = "evil\033]0;x\007.prc";
  ASSERT_TRUE(write_file(dir.path() + "/fonts.prc", encode_prc(kResources)));
  ASSERT_TRUE(write_file(dir.path() + "/" + evil, encode_prc({{"NFNT", 1000, font_bytes()}})));
  ScanRun r = shell_in(dir.path(), "env PATH=" GLYFEX_DIR ":/usr/bin:/bin glyfex-scan fonts.prc");
  EXPECT_NE(r.out.find("  glyfex fonts.prc font-9001.txt 207\n"), std::string::npos) << r.out;
  r = shell_in(dir.path(), "sh -c \"$(" GLYFEX_SCAN_EXE " fonts.prc | grep -o '/.*font-9001.*')\"");
  EXPECT_EQ(r.status, 0);
  std::string expected;
  ASSERT_EQ(convert_bytes(font_bytes(), 0, &expected), "");
  EXPECT_EQ(read_file(dir.path() + "/font-9001.txt"), expected);

  r = shell_in(dir.path(), GLYFEX_SCAN_EXE " evil*.prc");
  EXPECT_EQ(r.out.find_first_of("\033\007"), std::string::npos);
  EXPECT_NE(r.out.find("evil\\033]0;x\\007.prc: Palm"), std::string::npos) << r.out;
  r = shell_in(dir.path(), GLYFEX_SCAN_EXE " --sh evil*.prc");
  EXPECT_EQ(r.out.find_first_of("\033\007"), std::string::npos);
  EXPECT_EQ(shell_in(dir.path(), GLYFEX_SCAN_EXE " --sh evil*.prc | sh >/dev/null").status, 0);
  EXPECT_EQ(read_file(dir.path() + "/font-1000.txt"), expected);

  EXPECT_EQ(shell_in(dir.path(), GLYFEX_SCAN_EXE " --sh " EXAMPLES_DIR "/sample.prc | sh >/dev/null").status, 0);
  EXPECT_EQ(read_file(dir.path() + "/font-1000.txt"), sample);
  r = shell_in(dir.path(), GLYFEX_SCAN_EXE " --rcp fonts.prc");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "// The fonts of fonts.prc, rebuilt from the texts that glyfex-scan --sh writes.\n"
            "// FONTID counts from 128, the first font id an application may use;\n"
            "// the real font id is the application's choice.\n"
            "FONT ID 9000 FONTID 128 \"font-9000.txt\"\n"
            "FONT ID 9001 FONTID 129 \"font-9001.txt\"\n");
  // A font collection: records, a family, and FontForge's pair as one.
  ASSERT_TRUE(write_file(dir.path() + "/fonts.pdb", font_collection()));
  r = shell_in(dir.path(), GLYFEX_SCAN_EXE " --rcp fonts.pdb");
  EXPECT_EQ(r.out.substr(r.out.find("// Records")),
            "// Records have no resource id; their fonts get ids from 1000 on.\n"
            "FONT ID 1000 FONTID 128 \"font-0.txt\"\n"
            "FONTFAMILY ID 1002 FONTID 129\nBEGIN\n  FONT \"font-2.txt\" DENSITY 72\n  FONT \"font-2-144.txt\" DENSITY 144\nEND\n"
            "FONTFAMILY ID 1003 FONTID 130\nBEGIN\n  FONT \"font-3.txt\" DENSITY 72\n  FONT \"font-3-144.txt\" DENSITY 144\nEND\n");
  EXPECT_EQ(shell_in(dir.path(), GLYFEX_SCAN_EXE " --sh fonts.pdb | sh >/dev/null").status, 0);
  std::string hd72, hd144;
  ASSERT_EQ(convert_bytes(extended_bytes({72, 144}), 0, &hd72, &hd144), "");
  EXPECT_EQ(read_file(dir.path() + "/font-0.txt"), expected);
  EXPECT_EQ(read_file(dir.path() + "/font-2.txt"), hd72);
  EXPECT_EQ(read_file(dir.path() + "/font-2-144.txt"), hd144);
  EXPECT_EQ(read_file(dir.path() + "/font-3.txt"), expected);
  EXPECT_EQ(read_file(dir.path() + "/font-3-144.txt"), hd144);

  // Errors leave the script failing and the resource lines empty.
  for (const char* option : {"--sh", "--rcp"}) {
    r = shell_in(dir.path(), std::string(GLYFEX_SCAN_EXE " ") + option + " missing.prc 2>/dev/null");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, std::string(option) == "--sh" ? "exit 1\n" : "");
  }
}

// PilRC builds no family of one density and takes no negative id.
TEST(ScanTest, ResourceLinesPilrcCanBuild) {
  const struct {
    const char* name;
    std::vector<ResourceModel> resources;
    const char* lines;
  } kCases[] = {
      {"72 dpi-only nfnt", {{"nfnt", 7, extended_bytes({72})}},
       "// nfnt 7 has only a 72 dpi image; PilRC builds it as an NFNT.\nFONT ID 7 FONTID 128 \"font-7.txt\"\n"},
      {"144 dpi-only font", {{"nfnt", 7, extended_bytes({144})}},
       "// font-7-144.txt: PilRC cannot build a font that has only a 144 dpi image.\n"},
      {"negative ids",
       {{"NFNT", -5, font_bytes()}, {"NFNT", 1000, font_bytes()}, {"NFNT", -6, font_bytes()}},
       "// Resource id -5, which PilRC cannot take, becomes 1001.\nFONT ID 1001 FONTID 128 \"font--5.txt\"\n"
       "FONT ID 1000 FONTID 129 \"font-1000.txt\"\n"
       "// Resource id -6, which PilRC cannot take, becomes 1002.\nFONT ID 1002 FONTID 130 \"font--6.txt\"\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    ASSERT_TRUE(write_file(dir.path() + "/fonts.rsrc", encode_resource_fork(c.resources)));
    const ScanRun r = shell_in(dir.path(), GLYFEX_SCAN_EXE " --rcp fonts.rsrc");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(r.out.find('\n', r.out.find("choice.")) + 1), c.lines);
  }
}

// Started through a symbolic link, the command names the glyfex beside the
// real program; bytes that are not printable UTF-8 are escaped, and an
// escaped type keeps the columns in line.
TEST(ScanTest, ProgramLinkAndEscapedNames) {
  ScratchDir dir;
  ASSERT_EQ(symlink(GLYFEX_SCAN_EXE, (dir.path() + "/scan-link").c_str()), 0);
  ASSERT_TRUE(write_file(dir.path() + "/a\x9b" "1m.prc", encode_prc({{"NF\x01T", 3, {}}, {"NFNT", 1000, font_bytes()}})));
  const ScanRun r = shell_in(dir.path(), "./scan-link a*.prc");
  EXPECT_NE(r.out.find("  " GLYFEX_DIR "/glyfex 'a\\2331m.prc' font-1000.txt"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\x9b'), std::string::npos);
  EXPECT_NE(r.out.find("type         id"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("NF\\001T       3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("NFNT       1000"), std::string::npos) << r.out;
  // A backslash before an escaped byte is escaped too, so that it cannot
  // read as part of that escape.
  ASSERT_TRUE(write_file(dir.path() + "/q\\\x01.prc", encode_prc({{"NFNT", 1000, font_bytes()}})));
  EXPECT_EQ(shell_in(dir.path(), "./scan-link q*.prc | head -1").out, "q\\134\\001.prc: Palm resource database, 1 resources\n");
}

// The batch file for cmd.exe: quoted words, || exit /b 1, CRLF; a name cmd
// cannot pass safely is refused, never printed half-quoted.
// --cmd quotes each name as the Windows rules read it, a backslash before
// the closing quote doubled, and refuses what cmd cannot pass: %, a C1
// control, a byte that is not UTF-8.
// What every batch file does first: the console's code page kept and set
// to UTF-8, the commands run as a subroutine, the code page put back.
const char kCodePage[] =
    "for /f \"tokens=2 delims=:.\" %%p in ('chcp') do set \"glyfex_codepage=%%p\"\r\nchcp 65001 >nul\r\n"
    "call :glyfex_convert\r\nset \"glyfex_status=%errorlevel%\"\r\nchcp %glyfex_codepage% >nul\r\n"
    "exit /b %glyfex_status%\r\n:glyfex_convert\r\n";

TEST(ScanTest, BatchFileForCmd) {
  ScratchDir dir;
  const std::string refusal =
      "glyfex-scan: A file name holds a character cmd.exe cannot pass safely (%, !, ^, \", a C0 or C1 control, or a "
      "byte that is not UTF-8).\n@exit /b 1\r\n";
  const struct {
    const char* name;
    const char* out;  // nullptr: refused
  } kNames[] = {
      {"fonts.prc", "\"glyfex\" \"fonts.prc\" \"font-1000.txt\" 90 || exit /b 1\r\n"},
      {"fonts\\", "\"glyfex\" \"fonts\\\\\" \"font-1000.txt\" 90 || exit /b 1\r\n"},
      {"50%.prc", nullptr},
      {"next\xC2\x85line.prc", nullptr},
      {"latin\xE9.prc", nullptr},
  };
  for (const auto& c : kNames) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(write_file(dir.path() + "/" + c.name, encode_prc({{"NFNT", 1000, font_bytes()}})));
    const ScanRun r = shell_in(dir.path(), std::string("env PATH=" GLYFEX_DIR ":/usr/bin:/bin glyfex-scan --cmd '") +
                                               c.name + "' 2>&1");
    EXPECT_EQ(r.status, c.out != nullptr ? 0 : 1);
    EXPECT_EQ(r.out, c.out != nullptr ? std::string("@echo off\r\nrem Converts every font of the file; written by "
                                                    "glyfex-scan --cmd.\r\n") + kCodePage + c.out
                                      : refusal);
  }
  // A run: the code page set once, first, and put back however the
  // commands end; a refused name's % doubled in its rem line, which cmd
  // expands before it reads the rem.
  ASSERT_TRUE(write_file(dir.path() + "/latin\xC3\xA9.prc", encode_prc({{"NFNT", 1000, font_bytes()}})));
  const ScanRun r = shell_in(dir.path(), "env PATH=" GLYFEX_DIR ":/usr/bin:/bin glyfex-scan --cmd . 2>/dev/null");
  EXPECT_EQ(r.status, 1);
  size_t chcp = 0;
  for (size_t at = r.out.find("chcp 65001"); at != std::string::npos; at = r.out.find("chcp 65001", at + 1)) ++chcp;
  EXPECT_EQ(chcp, 1u) << r.out;
  EXPECT_EQ(r.out.find(kCodePage), r.out.find("\r\n", r.out.find("\r\n") + 2) + 2) << r.out;
  EXPECT_NE(r.out.find("rem ./50%%.prc: A file name holds a character cmd.exe cannot pass safely (%%, !,"), std::string::npos)
      << r.out;
}

}  // namespace
