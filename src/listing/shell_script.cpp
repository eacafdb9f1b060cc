// glyfex-scan --sh: the commands as a POSIX shell script.
#include <cstdio>
#include <cstring>

#include "listing/line_command.h"
#include "listing/listing_writers.h"
#include "listing/shell_text.h"

namespace {

// A word the script can use as it stands, or "$name" after an assignment
// that builds a word holding controls without printing them raw.
void put_script_word(FILE* out, const char* name, const char* s, char (&word)[16]) {
  if (has_control(s, std::strlen(s))) {
    put_shell_assignment(out, name, s);
    std::snprintf(word, sizeof word, "\"$%s\"", name);
  } else {
    word[0] = '\0';
  }
}

void put_word(FILE* out, const char* word, const char* s) {
  if (*word != '\0') {
    std::fputs(word, out);
  } else {
    put_shell_word(out, s);
  }
}

}  // namespace

// A file that could not be listed ends the script of a file alone, and
// makes the script of a run end with status 1 after the others.
// cppcheck-suppress constParameter ; the failure writers of every form share one signature
void write_shell_failure(FILE* out, const char* file, Fault err, ListingRun* run) {
  if (run == nullptr) {
    std::fputs("exit 1\n", out);
    return;
  }
  std::fputs("# ", out);
  put_escaped(out, file);
  std::fprintf(out, ": %s\n", fault_text(err));
}

void begin_shell_script(FILE* out, size_t files) {
  std::fprintf(out, "#!/bin/sh\n# Converts every font of %zu files; written by glyfex-scan --sh.\nset -e\n", files);
}

void end_shell_script(FILE* out, const ListingRun& run) {
  if (run.failed) std::fputs("exit 1\n", out);
}

Fault write_shell_script(FILE* out, const Listing& listing) {
  if (listing.run == nullptr) {
    std::fputs("#!/bin/sh\n# Converts every font of ", out);
    put_escaped(out, listing.file);
    std::fputs("; written by glyfex-scan --sh.\nset -e\n", out);
  } else {
    // Each file's texts go into a folder of their own.
    std::fputs("# ", out);
    put_escaped(out, listing.file);
    std::fputs("\nmkdir -p ", out);
    put_shell_word(out, listing.textFolder);
    std::fputc('\n', out);
  }
  char program[16], file[16], input[kMaxPath + 2];
  command_path(listing.file, input);
  put_script_word(out, "glyfex", listing.program, program);
  put_script_word(out, "in", input, file);
  for (size_t i = 0; i < listing.count; ++i) {
    const ListingLine& line = listing.lines[i];
    if (!has_command(line)) continue;
    LineCommand command{};
    line_command(listing, line, &command);
    for (int w = 0; w < command.count; ++w) {
      if (w > 0) std::fputc(' ', out);
      const char* word = command.words[w];
      put_word(out, word == listing.program ? program : word == command.file ? file : "", word);
    }
    std::fputc('\n', out);
  }
  return Fault::kNone;
}
