// Writes the shipped example: a small font drawn here, encoded by the test
// builder, its expected text, and a resource database that holds it.
// Usage: make_example DIR
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
  // The same font inside a resource database, as an application holds it.
  const std::vector<ResourceModel> resources = {
      {"tver", 1000, {'1', '.', '0', 0}}, {"NFNT", 1000, bytes}, {"tSTR", 1000, {'G', 'l', 'y', 'f', 'e', 'x', 0}}};
  const bool ok = write_file(dir + "/sample.nfnt", bytes) &&
                  write_file(dir + "/sample.txt", std::vector<uint8_t>(text.begin(), text.end())) &&
                  write_file(dir + "/sample.prc", encode_prc(resources));
  return ok ? 0 : 1;
}
