// Writes the seed corpora from the test builder: DIR/convert holds fonts
// (version 1 and extended), each prefixed by the offset byte that target
// reads; DIR/scan holds resource and record databases and forks. Usage: make_corpus DIR (both must exist)
#include <cstdio>
#include <string>

#include "font_builder.h"
#include "locale_module.h"

namespace {

bool write_seed(const std::string& path, uint8_t offset, const FontModel& m) {
  std::vector<uint8_t> bytes = encode_font(m);
  bytes.insert(bytes.begin(), offset);
  return write_file(path, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = std::string(argv[1]) + "/convert";
  FontModel plain = make_font(65, 67, 3, {{65, {"#-", "-#", "##"}, -1, 3, 1}, {67, {"###", "#-#", "-#-"}}});
  FontModel shifted = plain;
  shifted.prefix.assign(9, 0x55);
  shifted.owGapWords = 3;
  FontModel wide = make_font(0, 255, 1, {{0, {std::string(40, '#')}}, {255, {"#-#-#-#-#"}, -1, -5, -2}});
  FontModel rowless = make_font(32, 40, 0, {{33, {}, 5, 7, 1}});
  FontModel empty = make_font(10, 9, 4, {});
  FontModel missing = make_font(65, 66, 2, {{65, {"#-", "-#"}}, {66, {"###", "#-#"}}, {-1, {"##", "##"}}});
  missing.header.fontType = static_cast<int16_t>(0x9000);  // the search finds no other inside a file
  // 40 rows, more than the vector loops take at once: glyphs of 1 to 8
  // columns at every alignment, and one of 20.
  std::vector<GlyphModel> tall_glyphs;
  for (int c = 0; c < 9; ++c) {
    const int width = c < 8 ? c + 1 : 20;
    std::vector<std::string> rows(40);
    for (int r = 0; r < 40; ++r) {
      for (int x = 0; x < width; ++x) rows[r] += (x * 3 + r + c) % 4 < 2 ? '#' : '-';
    }
    tall_glyphs.push_back({65 + c, rows, -1, width, 0});
  }
  FontModel tall = make_font(65, 73, 40, tall_glyphs);
  // The little-endian layout of Palm OS 5's system fonts, three densities.
  FontModel little = make_extended(missing, {72, 108, 144});
  little.little = true;
  bool ok = write_seed(dir + "/plain", 0, plain) && write_seed(dir + "/shifted", 9, shifted) &&
            write_seed(dir + "/wide", 0, wide) && write_seed(dir + "/rowless", 0, rowless) &&
            write_seed(dir + "/empty", 0, empty) && write_seed(dir + "/missing", 0, missing) &&
            write_seed(dir + "/tall", 0, tall) &&
            write_seed(dir + "/extended", 0, make_extended(missing, {72, 144})) &&
            write_seed(dir + "/extended-144", 0, make_extended(plain, {144})) &&
            write_seed(dir + "/extended-72", 0, make_extended(wide, {72})) &&
            write_seed(dir + "/extended-108", 0, make_extended(missing, {72, 108, 144})) &&
            write_seed(dir + "/little-endian", 0, little);
  const std::vector<ResourceModel> resources = {{"tAIN", 1000, {'G', 0}}, {"NFNT", 9000, encode_font(plain)},
                                                {"NFNT", 9001, encode_font(wide)}};
  const std::string scan = std::string(argv[1]) + "/scan";
  std::vector<uint8_t> pair = encode_font(plain);
  const std::vector<uint8_t> hd = encode_font(make_extended(plain, {144}));
  pair.insert(pair.end(), {0xFF, 0xFF});
  pair.insert(pair.end(), hd.begin(), hd.end());
  // Fonts in bytes of no known kind, for the content search.
  std::vector<uint8_t> contents(13, 0x5A);
  for (const std::vector<uint8_t>& font : {encode_font(missing), std::vector<uint8_t>(7, 0),
                                           encode_font(make_extended(missing, {72, 144}))}) {
    contents.insert(contents.end(), font.begin(), font.end());
  }
  ok = ok && write_file(scan + "/contents", contents) && write_file(scan + "/prc", encode_prc(resources)) &&
       write_file(scan + "/pdb", encode_pdb({encode_font(plain), {'x', 0}, pair})) &&
       write_file(scan + "/fork", encode_resource_fork(resources)) &&
       write_file(scan + "/macbinary", encode_macbinary(encode_resource_fork(resources))) &&
       write_file(scan + "/rom", encode_rom({{}, {{"System", "rsrc", "psys", false, resources},
                                                  {"Fonts", "xFnt", "FMGR", true, {{"", 0, encode_font(missing)}}}}})) &&
       write_file(scan + "/font-maps", locale_module("ShiftJIS Locale Module").rom);
  return ok ? 0 : 1;
}
