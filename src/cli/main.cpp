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

// A lead byte of Shift-JIS, in hex after 0x or in decimal.
bool lead_byte(const char* text, int* lead) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 0);
  if (end == text || *end != '\0' || v < 0x81 || v > 0xFC || (v > 0x9F && v < 0xE0)) return false;
  *lead = static_cast<int>(v);
  return true;
}

// Reads the options, which come first: --bdf, then --charset NAME or
// --lead BYTE; -- ends them. Sets *first to the first argument after them.
// False for an option it does not know, a charset or lead without --bdf,
// both, or an unknown name or a byte that leads no Shift-JIS code.
bool parse_options(int argc, char** argv, ExportOptions* options, int* first) {
  int i = 1;
  bool charset = false;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      ++i;
      break;
    }
    if (std::strcmp(argv[i], "--bdf") == 0 && !options->bdf) {
      options->bdf = true;
    } else if (std::strcmp(argv[i], "--charset") == 0 && options->bdf && !charset && options->lead < 0 && i + 1 < argc &&
               charset_by_name(argv[i + 1], &options->charset)) {
      charset = true;
      ++i;
    } else if (std::strcmp(argv[i], "--lead") == 0 && options->bdf && !charset && options->lead < 0 && i + 1 < argc &&
               lead_byte(argv[i + 1], &options->lead)) {
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
  ExportOptions options{false, Charset::kLatin, -1};
  int first = 1;
  const int args = parse_options(argc, argv, &options, &first) ? argc - first : 0;
  if (args != 2 && args != 3) {
    std::fputs(kUsage, stdout);
    return finish(1);
  }
  char** arg = argv + first;
  const int64_t offset = args == 3 ? parse_offset(arg[2]) : 0;
  // Not on the stack, whose every page of a large frame the compiler
  // probes: export_font sets the counts, and the names are written only
  // when there are any, so that their pages stay untouched.
  static KeptTexts kept;
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
