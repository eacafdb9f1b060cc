// glyfex infile outfile {offset}
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cli/export_font.h"
#include "fault/fault.h"
#include "cli/messages.h"
#include "os/os.h"

namespace {

// Reads the offset as atol does (leading blanks, optional sign, digits up to
// the first other character, none giving 0), but saturates instead of
// overflowing: a huge offset just lies past the end of the file. After the
// blanks and the sign, 0x or 0X and a hex digit start a hexadecimal number,
// as offsets are often read off a hex dump.
int64_t parse_offset(const char* text) {
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  if (*p == '+' || *p == '-') ++p;
  const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && std::isxdigit(static_cast<unsigned char>(p[2]));
  return std::strtoll(text, nullptr, hex ? 16 : 10);
}

// Everything printed goes to standard output; when that fails, the run
// fails, and standard error is the only place left to say so.
int finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "glyfex: %s\n", fault_text(Fault::kStdout));
    return 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  os_start_program(&argc, &argv);
  std::fputs(kBanner, stdout);
  if (argc != 3 && argc != 4) {
    std::fputs(kUsage, stdout);
    return finish(1);
  }
  const int64_t offset = argc == 4 ? parse_offset(argv[3]) : 0;
  KeptTexts kept{};
  if (const Fault err = export_font(argv[1], argv[2], offset, &kept); err != Fault::kNone) {
    std::printf("ERROR: %s\n", fault_text(err));
    for (int i = 0; i < kept.count; ++i) {
      std::printf("The old text of %s is kept in %s.\n", kept.texts[i].output, kept.texts[i].kept);
    }
    std::printf("\n");
    const int status = finish(1);
    if (kept.count > 0) os_release_interrupts();
    return status;
  }
  return finish(0);
}
