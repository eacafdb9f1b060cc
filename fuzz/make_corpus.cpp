// Writes the seed corpus: fonts from the test builder, each prefixed by the
// offset byte the fuzz target reads. Usage: make_corpus DIR
#include <cstdio>
#include <string>

#include "font_builder.h"

namespace {

bool write_seed(const std::string& path, uint8_t offset, const FontModel& m) {
  std::vector<uint8_t> bytes = encode_font(m);
  bytes.insert(bytes.begin(), offset);
  return write_file(path, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  FontModel plain = make_font(65, 67, 3, {{65, {"#-", "-#", "##"}, -1, 3, 1}, {67, {"###", "#-#", "-#-"}}});
  FontModel shifted = plain;
  shifted.prefix.assign(9, 0x55);
  shifted.owGapWords = 3;
  FontModel wide = make_font(0, 255, 1, {{0, {std::string(40, '#')}}, {255, {"#-#-#-#-#"}, -1, -5, -2}});
  FontModel rowless = make_font(32, 40, 0, {{33, {}, 5, 7, 1}});
  FontModel empty = make_font(10, 9, 4, {});
  bool ok = write_seed(dir + "/plain", 0, plain) && write_seed(dir + "/shifted", 9, shifted) &&
            write_seed(dir + "/wide", 0, wide) && write_seed(dir + "/rowless", 0, rowless) &&
            write_seed(dir + "/empty", 0, empty);
  return ok ? 0 : 1;
}
