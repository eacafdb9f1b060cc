// glyfex-scan --cmd: the commands as a batch file for cmd.exe, each word in
// double quotes and each command followed by || exit /b 1. cmd gives %, !
// (with delayed expansion) and ^ their meaning even inside quotes, and a
// quote cannot stand inside a quoted word, so a name holding one of them, a
// control or a byte that is not UTF-8 is refused rather than printed
// half-quoted.
#include <cstdio>
#include <cstring>

#include "listing/line_command.h"
#include "listing/listing_writers.h"
#include "listing/shell_text.h"

namespace {

bool has_non_ascii(const char* s) {
  for (const char* p = s; *p != '\0'; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return true;
  }
  return false;
}

}  // namespace

void write_cmd_failure(FILE* out, const char*, Fault) { std::fputs("@exit /b 1\r\n", out); }

Fault write_cmd_script(FILE* out, const Listing& listing) {
  if (!cmd_safe(listing.program) || !cmd_safe(listing.file)) return Fault::kCmdName;
  std::fputs("@echo off\r\nrem Converts every font of the file; written by glyfex-scan --cmd.\r\n", out);
  // Names outside ASCII are written in UTF-8, which cmd reads in code page
  // 65001.
  if (has_non_ascii(listing.program) || has_non_ascii(listing.file)) std::fputs("chcp 65001 >nul\r\n", out);
  for (size_t i = 0; i < listing.count; ++i) {
    const ListingLine& line = listing.lines[i];
    if (!has_command(line)) continue;
    put_command(file_sink(out), listing, line, true);
    std::fputs(" || exit /b 1\r\n", out);
  }
  return Fault::kNone;
}
