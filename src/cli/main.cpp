// glyfex infile outfile {offset}
#include <cstdio>
#include <cstdlib>

#include "cli/export_font.h"
#include "cli/messages.h"

namespace {

// Reads the offset as atol does (leading blanks, optional sign, digits up to
// the first other character, none giving 0), but saturates instead of
// overflowing: a huge offset just lies past the end of the file.
long parse_offset(const char* text) {
  return std::strtol(text, nullptr, 10);
}

}  // namespace

int main(int argc, char** argv) {
  std::fputs(kBanner, stdout);
  if (argc != 3 && argc != 4) {
    std::fputs(kUsage, stdout);
    return 1;
  }
  const long offset = argc == 4 ? parse_offset(argv[3]) : 0;
  if (const char* err = export_font(argv[1], argv[2], offset)) {
    std::printf("ERROR: %s\n\n", err);
    return 1;
  }
  return 0;
}
