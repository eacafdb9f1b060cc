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

void write_shell_failure(FILE* out, const char*, Fault) { std::fputs("exit 1\n", out); }

Fault write_shell_script(FILE* out, const Listing& listing) {
  std::fputs("#!/bin/sh\n# Converts every font of ", out);
  put_escaped(out, listing.file, std::strlen(listing.file));
  std::fputs("; written by glyfex-scan --sh.\nset -e\n", out);
  char program[16], file[16];
  put_script_word(out, "glyfex", listing.program, program);
  put_script_word(out, "in", listing.file, file);
  for (size_t i = 0; i < listing.count; ++i) {
    const ListingLine& line = listing.lines[i];
    if (!has_command(line)) continue;
    LineCommand command{};
    line_command(listing, line, &command);
    for (int w = 0; w < command.count; ++w) {
      if (w > 0) std::fputc(' ', out);
      const char* word = command.words[w];
      put_word(out, word == listing.program ? program : word == listing.file ? file : "", word);
    }
    std::fputc('\n', out);
  }
  return Fault::kNone;
}
