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

// Writes bytes with every % doubled: cmd expands % in a line before it
// sees that the line is a rem.
void write_rem(void* context, const char* bytes, size_t n) {
  auto* out = static_cast<FILE*>(context);
  for (size_t i = 0; i < n; ++i) {
    if (bytes[i] == '%') std::fputc('%', out);
    std::fputc(bytes[i], out);
  }
}

// A rem line naming a file, then words, controls escaped and % doubled.
void put_rem(FILE* out, const char* file, const char* words) {
  std::fputs("rem ", out);
  put_escaped(TextSink{write_rem, out}, file, std::strlen(file));
  write_rem(out, words, std::strlen(words));
  std::fputs("\r\n", out);
}

// The start of every batch file: its purpose, the console's code page
// kept and set to UTF-8 (names outside ASCII are written in UTF-8) for
// the commands, which run as a subroutine, and put back however they end.
void put_preamble(FILE* out, const char* what) {
  std::fprintf(out,
               "@echo off\r\nrem Converts every font of %s; written by glyfex-scan --cmd.\r\n"
               "for /f \"tokens=2 delims=:.\" %%%%p in ('chcp') do set \"glyfex_codepage=%%%%p\"\r\n"
               "chcp 65001 >nul\r\ncall :glyfex_convert\r\nset \"glyfex_status=%%errorlevel%%\"\r\n"
               "chcp %%glyfex_codepage%% >nul\r\nexit /b %%glyfex_status%%\r\n:glyfex_convert\r\n",
               what);
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
  char words[256];
  std::snprintf(words, sizeof words, ": %s", fault_text(err));
  put_rem(out, file, words);
}

void begin_cmd_script(FILE* out, size_t files) {
  char what[32];
  std::snprintf(what, sizeof what, "%zu files", files);
  put_preamble(out, what);
}

void end_cmd_script(FILE* out, const ListingRun& run) {
  if (run.failed) std::fputs("exit /b 1\r\n", out);
}

Fault write_cmd_script(FILE* out, const Listing& listing) {
  if (!cmd_safe(listing.program) || !cmd_safe(listing.file)) return Fault::kCmdName;
  if (listing.run == nullptr) put_preamble(out, "the file");
  if (listing.run != nullptr) {
    char folder[kMaxPath];
    std::snprintf(folder, sizeof folder, "%s", listing.textFolder);
    const size_t n = std::strlen(folder);
    if (n > 0) folder[n - 1] = '\0';  // the separator that ends it
    put_rem(out, listing.file, "");
    std::fputs("if not exist ", out);
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
