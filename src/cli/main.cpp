// glyfex [--bdf [--charset NAME]] infile outfile {offset}
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// Reads the options, which come first: --bdf, then --charset NAME; --
// ends them. Sets *first to the first argument after them. False for an
// option it does not know, a charset without --bdf, or an unknown name.
bool parse_options(int argc, char** argv, ExportOptions* options, int* first) {
  int i = 1;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      ++i;
      break;
    }
    if (std::strcmp(argv[i], "--bdf") == 0 && !options->bdf) {
      options->bdf = true;
    } else if (std::strcmp(argv[i], "--charset") == 0 && options->bdf && i + 1 < argc &&
               charset_by_name(argv[i + 1], &options->charset)) {
      ++i;
    } else {
      return false;
    }
  }
  *first = i;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  os_start_program(&argc, &argv);
  std::fputs(kBanner, stdout);
  ExportOptions options{false, Charset::kLatin};
  int first = 1;
  const int args = parse_options(argc, argv, &options, &first) ? argc - first : 0;
  if (args != 2 && args != 3) {
    std::fputs(kUsage, stdout);
    return finish(1);
  }
  char** arg = argv + first;
  const int64_t offset = args == 3 ? parse_offset(arg[2]) : 0;
  KeptTexts kept{};
  if (const Fault err = export_font(arg[0], arg[1], offset, options, &kept); err != Fault::kNone) {
    std::printf("ERROR: %s\n", fault_text(err));
    for (int i = 0; i < kept.count; ++i) {
      std::printf("The old text of %s is kept in %s.\n", kept.texts[i].output, kept.texts[i].kept);
    }
    print_left(kept);
    std::printf("\n");
    const int status = finish(1);
    if (kept.count > 0) os_release_interrupts();
    return status;
  }
  return finish(0);
}
