// glyfex-scan: resource lists of databases and forks built here, damage,
// and its printed command fed to glyfex.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "font_builder.h"
#include "scan/resource_scan.h"

namespace {

std::vector<uint8_t> font_bytes() { return encode_font(make_font(65, 66, 2, {{65, {"#-", "##"}}, {66, {"-#-", "###"}}})); }

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
    ASSERT_EQ(scan_resources(file.data(), file.size(), false, &list), nullptr);
    EXPECT_STREQ(list.kind, c.kind);
    std::vector<ResourceModel> expected = kResources;
    if (c.grouped_by_type) std::swap(expected[2], expected[3]);
    ASSERT_EQ(list.entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      const ResourceEntry& e = list.entries[i];
      EXPECT_EQ(std::string(e.type, 4), expected[i].type);
      EXPECT_EQ(e.id, expected[i].id);
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
  const char* message;
};

std::vector<uint8_t> damaged(std::vector<uint8_t> file, size_t pos, int value) {
  put16(&file, pos, value);
  return file;
}

// In the fork built from kResources the map starts after the 256-byte header
// area and the data; its type list is 28 bytes into the map.
size_t map_at() { return encode_resource_fork(kResources).size() - (28 + 2 + 8 * 4 + 12 * 5); }

const DamageCase kDamage[] = {
    {"text file", [] { return std::vector<uint8_t>(200, 'a'); }, kErrScanUnknown},
    {"empty file", [] { return std::vector<uint8_t>(); }, kErrScanUnknown},
    {"database list longer than the file", [] { return damaged(encode_prc(kResources), 76, 900); },
     kErrScanDamaged},
    {"database offset past the end", [] { return damaged(encode_prc(kResources), 78 + 10 + 6, 0x7FFF); },
     kErrScanDamaged},
    {"database offset inside its list", [] { return damaged(encode_prc(kResources), 78 + 10 + 8, 80); },
     kErrScanDamaged},
    {"fork type list outside the map", [] { return damaged(encode_resource_fork(kResources), map_at() + 24, 0x7000); },
     kErrScanDamaged},
    {"fork reference list outside the map",
     [] { return damaged(encode_resource_fork(kResources), map_at() + 28 + 2 + 6, 0x7000); }, kErrScanDamaged},
    {"fork data offset past the data",
     [] { return damaged(encode_resource_fork(kResources), map_at() + 28 + 2 + 32 + 5, 0x7000); }, kErrScanDamaged},
    {"MacBinary holding a damaged fork",
     [] { return encode_macbinary(damaged(encode_resource_fork(kResources), map_at() + 24, 0x7000)); },
     kErrScanDamaged},
};

TEST(ScanTest, DamagedAndForeignFiles) {
  for (const DamageCase& c : kDamage) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = c.file();
    file.reserve(1);
    ResourceList list;
    EXPECT_EQ(scan_resources(file.data(), file.size(), false, &list), c.message);
  }
}

TEST(ScanTest, ShippedDatabaseHoldsTheShippedFont) {
  const std::string prc_text = read_file(EXAMPLES_DIR "/sample.prc");
  const std::vector<uint8_t> prc(prc_text.begin(), prc_text.end());
  ResourceList list;
  ASSERT_EQ(scan_resources(prc.data(), prc.size(), false, &list), nullptr);
  ASSERT_EQ(list.entries.size(), 3u);
  const ResourceEntry& font = list.entries[1];
  EXPECT_TRUE(is_font_type(font.type));
  EXPECT_EQ(std::string(prc.begin() + static_cast<long>(font.offset), prc.end() - 7),
            read_file(EXAMPLES_DIR "/sample.nfnt"));
}

std::string run(const std::string& cmd) {
  int status = 0;
  std::string out = run_shell(cmd, &status);
  EXPECT_EQ(status, 0) << cmd;
  return out;
}

TEST(ScanTest, FilesThatCannotBeRead) {
  for (const auto& [path, message] : {std::pair<const char*, const char*>{"/nonexistent/x.prc", "Could not open input file."},
                                      {"/tmp", "Could not read input file."}}) {
    int status = 0;
    EXPECT_EQ(run_shell(std::string("timeout 20 " GLYFEX_SCAN_EXE " ") + path, &status),
              std::string("ERROR: ") + message + "\n\n");
    EXPECT_EQ(status, 1);
  }
}

// The printed command, run as it stands, converts the font it points at.
TEST(ScanTest, PrintedCommandConverts) {
  char tmpl[] = "/tmp/glyfex-scan-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  ASSERT_TRUE(write_file(dir + "/fonts.prc", encode_prc(kResources)));
  const std::string listing = run("cd " + dir + " && " GLYFEX_SCAN_EXE " fonts.prc");
  const size_t at = listing.find("glyfex fonts.prc font-9001.txt ");
  ASSERT_NE(at, std::string::npos) << listing;
  const std::string command = listing.substr(at, listing.find('\n', at) - at);
  run("cd " + dir + " && " GLYFEX_DIR "/" + command + " >/dev/null");
  std::string expected;
  ASSERT_EQ(convert_bytes(font_bytes(), 0, &expected), "");
  EXPECT_EQ(read_file(dir + "/font-9001.txt"), expected);
  std::filesystem::remove_all(dir);
}

}  // namespace
