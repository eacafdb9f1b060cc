// Writes the seed corpora from the test builder: DIR/convert holds fonts,
// each prefixed by the offset byte that target reads; DIR/scan holds
// resource databases and forks. Usage: make_corpus DIR (both must exist)
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
  const std::string dir = std::string(argv[1]) + "/convert";
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
  const std::vector<ResourceModel> resources = {{"tAIN", 1000, {'G', 0}}, {"NFNT", 9000, encode_font(plain)},
                                                {"NFNT", 9001, encode_font(wide)}};
  const std::string scan = std::string(argv[1]) + "/scan";
  ok = ok && write_file(scan + "/prc", encode_prc(resources)) &&
       write_file(scan + "/fork", encode_resource_fork(resources)) &&
       write_file(scan + "/macbinary", encode_macbinary(encode_resource_fork(resources)));
  return ok ? 0 : 1;
}
