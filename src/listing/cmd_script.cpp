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

// The word of a text in a folder, which cmd.exe's mkdir reads with
// backslashes.
void put_cmd_path(FILE* out, const char* path) {
  char windows[kMaxPath];
  std::snprintf(windows, sizeof windows, "%s", path);
  for (char* p = windows; *p != '\0'; ++p) *p = *p == '/' ? '\\' : *p;
  put_cmd_word(out, windows);
}

}  // namespace

// cppcheck-suppress constParameter ; the failure writers of every form share one signature
void write_cmd_failure(FILE* out, const char* file, Fault err, ListingRun* run) {
  if (run == nullptr) {
    std::fputs("@exit /b 1\r\n", out);
    return;
  }
  std::fputs("rem ", out);
  put_escaped(out, file);
  std::fprintf(out, ": %s\r\n", fault_text(err));
}

void begin_cmd_script(FILE* out, size_t files) {
  std::fprintf(out, "@echo off\r\nrem Converts every font of %zu files; written by glyfex-scan --cmd.\r\n", files);
}

void end_cmd_script(FILE* out, const ListingRun& run) {
  if (run.failed) std::fputs("exit /b 1\r\n", out);
}

Fault write_cmd_script(FILE* out, const Listing& listing) {
  if (!cmd_safe(listing.program) || !cmd_safe(listing.file)) return Fault::kCmdName;
  if (listing.run == nullptr) {
    std::fputs("@echo off\r\nrem Converts every font of the file; written by glyfex-scan --cmd.\r\n", out);
  }
  // Names outside ASCII are written in UTF-8, which cmd reads in code page
  // 65001.
  if (has_non_ascii(listing.program) || has_non_ascii(listing.file)) std::fputs("chcp 65001 >nul\r\n", out);
  if (listing.run != nullptr) {
    char folder[kMaxPath];
    std::snprintf(folder, sizeof folder, "%s", listing.textFolder);
    const size_t n = std::strlen(folder);
    if (n > 0) folder[n - 1] = '\0';  // the separator that ends it
    std::fprintf(out, "rem %s\r\nif not exist ", listing.file);
    put_cmd_path(out, folder);
    std::fputs(" mkdir ", out);
    put_cmd_path(out, folder);
    std::fputs(" || exit /b 1\r\n", out);
  }
  for (size_t i = 0; i < listing.count; ++i) {
    const ListingLine& line = listing.lines[i];
    if (!has_command(line)) continue;
    put_command(file_sink(out), listing, line, true);
    std::fputs(" || exit /b 1\r\n", out);
  }
  return Fault::kNone;
}
