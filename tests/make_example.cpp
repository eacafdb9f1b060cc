// Writes the shipped examples: a small font drawn here, encoded by the test
// builder, its expected text, and a resource database that holds it; and a
// high-density font in the extended layout with its two texts.
// Usage: make_example DIR
#include <algorithm>
#include <cstdio>
#include <string>

#include "font_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::vector<GlyphModel> glyphs = {
      {32, {"---", "---", "---", "---", "---", "---", "---"}, -1, 4},
      {33, {"#", "#", "#", "#", "-", "#", "-"}, -1, 2},
      {65, {"-##-", "#--#", "#--#", "####", "#--#", "#--#", "----"}, -1, 5},
      {66, {"###-", "#--#", "###-", "#--#", "#--#", "###-", "----"}, -1, 5},
      {67, {"-###", "#---", "#---", "#---", "#---", "-###", "----"}, -1, 5},
      {103, {"----", "----", "-###", "#--#", "-###", "---#", "###-"}, -1, 5, 0},
      {169, {"-####-", "#----#", "#-##-#", "#-#--#", "#-##-#", "#----#", "-####-"}, -1, 7, 1},
      // The box drawn for codes the font lacks, as every compiled font has.
      {-1, {"####", "#--#", "#--#", "#--#", "#--#", "####", "----"}, -1, 5},
  };
  FontModel m = make_font(32, 169, 7, glyphs);
  m.header.maxWidth = 7;
  m.header.fRectWidth = 7;
  m.header.ascent = 6;
  m.header.descent = 1;
  m.header.nDescent = -1;
  const std::vector<uint8_t> bytes = encode_font(m);
  std::string text;
  if (!convert_bytes(bytes, 0, &text).empty()) return 1;
  const std::string dir = argv[1];

  // A high-density font: the same letters drawn again at 144 dpi, twice
  // as wide and twice as tall, for the extended layout.
  const std::vector<std::pair<GlyphModel, std::vector<std::string>>> hd = {
      {{32, std::vector<std::string>(7, "---"), -1, 4}, std::vector<std::string>(14, "------")},
      {{65, {"-##-", "#--#", "#--#", "####", "#--#", "#--#", "----"}, -1, 5},
       {"--####--", "-##--##-", "##----##", "##----##", "##----##", "##----##", "########", "########", "##----##",
        "##----##", "##----##", "##----##", "--------", "--------"}},
      {{67, {"-###", "#---", "#---", "#---", "#---", "-###", "----"}, -1, 5},
       {"---#####", "-###----", "-##-----", "##------", "##------", "##------", "##------", "##------", "##------",
        "-##-----", "-###----", "---#####", "--------", "--------"}},
      {{-1, {"####", "#--#", "#--#", "#--#", "#--#", "####", "----"}, -1, 5},
       {"########", "########", "##----##", "##----##", "##----##", "##----##", "##----##", "##----##", "##----##",
        "##----##", "########", "########", "--------", "--------"}},
  };
  std::vector<GlyphModel> hd72(hd.size());
  std::transform(hd.begin(), hd.end(), hd72.begin(), [](const auto& g) { return g.first; });
  FontModel e = make_font(32, 67, 7, hd72);
  e.header = m.header;
  e.header.firstChar = 32;
  e.header.lastChar = 67;
  e.header.rowWords = 2;  // 16 columns of glyphs and a spare word
  for (std::string& row : e.strip) row.resize(32, '-');
  e.densities = {72, 144};
  e.strip144.assign(14, "");
  // The strip holds the glyphs in code order, the missing one last.
  for (const auto& g : hd) {
    for (size_t r = 0; r < 14; ++r) e.strip144[r] += g.second[r];
  }
  for (std::string& row : e.strip144) row.resize(64, '-');
  const std::vector<uint8_t> hd_bytes = encode_font(e);
  std::string hd_text, hd_text144;
  if (!convert_bytes(hd_bytes, 0, &hd_text, &hd_text144).empty()) return 1;

  // The same font inside a resource database, as an application holds it.
  const std::vector<ResourceModel> resources = {
      {"tver", 1000, {'1', '.', '0', 0}}, {"NFNT", 1000, bytes}, {"tSTR", 1000, {'G', 'l', 'y', 'f', 'e', 'x', 0}}};
  const bool ok = write_file(dir + "/sample.nfnt", bytes) &&
                  write_file(dir + "/sample.txt", std::vector<uint8_t>(text.begin(), text.end())) &&
                  write_file(dir + "/sample.prc", encode_prc(resources)) &&
                  write_file(dir + "/sample-hd.nfnt", hd_bytes) &&
                  write_file(dir + "/sample-hd.txt", std::vector<uint8_t>(hd_text.begin(), hd_text.end())) &&
                  write_file(dir + "/sample-hd-144.txt", std::vector<uint8_t>(hd_text144.begin(), hd_text144.end()));
  return ok ? 0 : 1;
}
