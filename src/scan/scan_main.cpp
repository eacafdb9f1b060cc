// glyfex-scan [--carve] [--sh | --rcp] FILE: lists the resources in a Palm
// resource database or a Macintosh resource fork, or the fonts found by
// their contents in a file of any other kind, with a ready glyfex command
// for every font; or a shell script that runs those commands, or the PilRC
// lines that rebuild the fonts from the texts they write.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "cli/messages.h"
#include "font/font_image.h"
#include "os/path.h"
#include "scan/content_search.h"
#include "scan/font_listing.h"
#include "scan/resource_scan.h"
#include "scan/shell_text.h"

namespace {

const char kScanUsage[] =
    "Lists the resources of a Palm database (.prc, .ro, .pdb) or a\n"
    "Macintosh resource fork, or the fonts found by their contents in\n"
    "any other file, with the glyfex command for each font.\n\n"
    " usage:  glyfex-scan [--carve] file\n"
    "         glyfex-scan [--carve] --sh file    a shell script that converts every font\n"
    "         glyfex-scan [--carve] --rcp file   PilRC lines that rebuild the fonts\n"
    "         --carve also searches the contents of a Palm database or resource fork\n\n";

const char kErrScanNoFont[] =
    "Not a Palm resource database or a Macintosh resource fork, and no font was found in its contents.";

enum class Mode { kList, kShell, kRcp };

// Opens the file for positioned reads. Returns nullptr, or why it could
// not be had. Only regular files are read, judged by what was opened: a
// directory has no size, and the file is opened without waiting, as a FIFO
// would wait for a writer.
const char* open_file(const char* path, ByteSource* file) {
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return kErrInputOpen;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !file_source(fd, file)) {
    close(fd);
    return kErrInputRead;
  }
  return nullptr;
}

// The glyfex beside this program when it was started through a path (it
// then need not be on PATH), else the glyfex that PATH finds. A symbolic
// link to the program (~/bin/glyfex-scan) leads to its real file, beside
// which glyfex was built or installed.
void program_path(const char* argv0, char (&out)[PATH_MAX]) {
  char real[PATH_MAX];
  if (std::strchr(argv0, '/') == nullptr || !follow_links(argv0, real) ||
      std::snprintf(out, sizeof out, "%.*sglyfex", folder_length(real), real) >= static_cast<int>(sizeof out)) {
    std::snprintf(out, sizeof out, "glyfex");
  }
}

// What every output is made from.
struct Report {
  const char* program;
  const char* file;
  const ResourceList* list;  // kind nullptr: no known kind
  size_t tableEntries;  // the entries of the file's table; found fonts follow
  const Listing* listing;
};

void put_command(const Report& r, const ListingLine& line) {
  put_shell_word(stdout, r.program);
  std::fputc(' ', stdout);
  put_shell_word(stdout, r.file);
  std::printf(" %s.txt %llu", line.name, static_cast<unsigned long long>(line.offset));
}

// The fonts found by their contents, a line each.
void print_found(const Report& r) {
  size_t found = 0;
  for (size_t i = 0; i < r.listing->count; ++i) found += r.list->entries[r.listing->lines[i].entry].found ? 1 : 0;
  const char* fonts = found == 1 ? "font" : "fonts";
  if (r.list->kind == nullptr) {
    put_escaped(stdout, r.file, std::strlen(r.file));
    std::printf(": no known kind; %zu %s found by its contents\n\n", found, fonts);
  } else {
    std::printf("Found by the file's contents, besides the fonts above: %zu %s\n\n", found, fonts);
  }
  if (found == 0) return;
  std::printf("%10s  %10s  %s\n", "offset", "size", "font");
  for (size_t i = 0; i < r.listing->count; ++i) {
    const ListingLine& line = r.listing->lines[i];
    if (!r.list->entries[line.entry].found) continue;
    std::printf("%10llu  %10llu  ", static_cast<unsigned long long>(line.offset),
                static_cast<unsigned long long>(line.size));
    put_command(r, line);
    std::fputc('\n', stdout);
  }
  std::fputc('\n', stdout);
}

// The file's table: every entry, with a command for each font.
void print_table(const Report& r) {
  put_escaped(stdout, r.file, std::strlen(r.file));
  std::printf(": %s, %zu %s\n\n", r.list->kind, r.tableEntries, r.list->records ? "records" : "resources");
  // Escaped bytes widen a type; the column takes the widest.
  int type_width = 4;
  for (size_t i = 0; i < r.tableEntries && !r.list->records; ++i) {
    type_width = std::max(type_width, type_code_width(r.list->entries[i].type));
  }
  if (r.list->records) {
    std::printf("%6s  %10s  %10s  %s\n", "record", "offset", "size", "font");
  } else {
    std::printf("%-*s  %6s  %10s  %10s  %s\n", type_width, "type", "id", "offset", "size", "font");
  }
  for (size_t i = 0; i < r.listing->count; ++i) {
    const ListingLine& line = r.listing->lines[i];
    const ResourceEntry& e = r.list->entries[line.entry];
    if (e.found) continue;
    if (!r.list->records) {
      put_type_code(stdout, e.type);
      std::printf("%*s", type_width - type_code_width(e.type) + 2, "");
    }
    std::printf("%6ld  %10llu  %10llu", e.id, static_cast<unsigned long long>(line.offset),
                static_cast<unsigned long long>(line.size));
    if (line.note == nullptr) {
      std::fputs("  ", stdout);
      put_command(r, line);
    } else if (*line.note != '\0') {
      std::printf("  %s", line.note);
    }
    std::fputc('\n', stdout);
  }
  std::fputc('\n', stdout);
}

void print_listing(const Report& r, bool searched) {
  if (r.list->kind != nullptr) print_table(r);
  if (searched) print_found(r);
}

// A word the script can use as it stands, or "$name" after an assignment
// that builds a word holding controls without printing them raw.
void put_script_word(const char* name, const char* s, char (&word)[16]) {
  if (has_control(s, std::strlen(s))) {
    put_shell_assignment(stdout, name, s);
    std::snprintf(word, sizeof word, "\"$%s\"", name);
  } else {
    word[0] = '\0';
  }
}

void put_word(const char* word, const char* s) {
  if (*word != '\0') {
    std::fputs(word, stdout);
  } else {
    put_shell_word(stdout, s);
  }
}

void print_script(const Report& r) {
  std::fputs("#!/bin/sh\n# Converts every font of ", stdout);
  put_escaped(stdout, r.file, std::strlen(r.file));
  std::fputs("; written by glyfex-scan --sh.\nset -e\n", stdout);
  char program[16], file[16];
  put_script_word("glyfex", r.program, program);
  put_script_word("in", r.file, file);
  for (size_t i = 0; i < r.listing->count; ++i) {
    const ListingLine& line = r.listing->lines[i];
    if (line.note != nullptr) continue;
    put_word(program, r.program);
    std::fputc(' ', stdout);
    put_word(file, r.file);
    std::printf(" %s.txt %llu\n", line.name, static_cast<unsigned long long>(line.offset));
  }
}

// Records have no resource id; their fonts are given ids from 1000 on, by
// index. PilRC takes no negative id; such a font, and one found by its
// contents, gets the first id from 1000 on that no other font has.
constexpr long kFirstFreeFontId = 1000;

// The id a font's FONT line gives, before a negative one or none (a font
// found by its contents) is replaced.
long rcp_id(const Report& r, const ResourceEntry& e) {
  if (e.found) return -1;
  return r.list->records ? kFirstFreeFontId + e.id : e.id;
}

bool id_taken(const Report& r, long id) {
  for (size_t i = 0; i < r.listing->count; ++i) {
    const ListingLine& line = r.listing->lines[i];
    if (line.note == nullptr && rcp_id(r, r.list->entries[line.entry]) == id) return true;
  }
  return false;
}

// A font with one 72 dpi image becomes a FONT; one with both images a
// FONTFAMILY of their texts (those of a font that shares its name
// included). PilRC builds no family of one density: a 72 dpi-only nfnt
// becomes an NFNT, and a font with only a 144 dpi image cannot be built.
void print_rcp(const Report& r) {
  std::fputs("// The fonts of ", stdout);
  put_escaped(stdout, r.file, std::strlen(r.file));
  std::fputs(", rebuilt from the texts that glyfex-scan --sh writes.\n"
             "// FONTID counts from 128, the first font id an application may use;\n"
             "// the real font id is the application's choice.\n",
             stdout);
  if (r.list->records) std::printf("// Records have no resource id; their fonts get ids from %ld on.\n", kFirstFreeFontId);
  for (size_t i = 0; i < r.listing->count; ++i) {
    if (!r.list->entries[r.listing->lines[i].entry].found) continue;
    std::printf("// Fonts found by their contents have no id; they get free ids from %ld on.\n", kFirstFreeFontId);
    break;
  }
  int font_id = 128;
  long next_free = kFirstFreeFontId;
  for (size_t i = 0; i < r.listing->count; ++i) {
    const ListingLine& line = r.listing->lines[i];
    if (line.note != nullptr || (line.partner != kNoPartner && line.partner < i)) continue;
    const ResourceEntry& e = r.list->entries[line.entry];
    long id = rcp_id(r, e);
    if (id < 0) {
      while (id_taken(r, next_free)) ++next_free;
      id = next_free++;
      if (!e.found) std::printf("// Resource id %ld, which PilRC cannot take, becomes %ld.\n", e.id, id);
    }
    bool has[kDensities];
    for (int d = 0; d < kDensities; ++d) {
      has[d] = line.hasDensity[d] || (line.partner != kNoPartner && r.listing->lines[line.partner].hasDensity[d]);
    }
    if (!has[kDensity72]) {
      std::printf("// %s-144.txt: PilRC cannot build a font that has only a 144 dpi image.\n", line.name);
    } else if (!has[kDensity144]) {
      if (std::memcmp(e.type, "nfnt", 4) == 0) {
        std::printf("// nfnt %ld has only a 72 dpi image; PilRC builds it as an NFNT.\n", e.id);
      }
      std::printf("FONT ID %ld FONTID %d \"%s.txt\"\n", id, font_id++, line.name);
    } else {
      std::printf("FONTFAMILY ID %ld FONTID %d\nBEGIN\n", id, font_id++);
      std::printf("  FONT \"%s.txt\" DENSITY 72\n", line.name);
      std::printf("  FONT \"%s-144.txt\" DENSITY 144\n", line.name);
      std::puts("END");
    }
  }
}

bool ends_with(const char* s, const char* tail) {
  const size_t n = std::strlen(s), k = std::strlen(tail);
  return n >= k && std::strcmp(s + n - k, tail) == 0;
}

// Everything is printed on standard output; when that fails, the run
// fails, and standard error is the only place left to say so.
int finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "glyfex-scan: %s\n", kErrStdout);
    return 1;
  }
  return status;
}

// The listing prints its errors; a script or resource file that standard
// output carries to another program gets them on standard error, and a
// script that fails.
int fail(Mode mode, const char* err) {
  if (mode == Mode::kList) {
    std::printf("ERROR: %s\n\n", err);
  } else {
    std::fprintf(stderr, "glyfex-scan: %s\n", err);
    if (mode == Mode::kShell) std::puts("exit 1");
  }
  return finish(1);
}

// A line on standard error, when that is a terminal, for a search that has
// run longer than a second: percent, speed and fonts so far, redrawn in
// place and cleared at the end.
struct Progress {
  bool terminal;
  bool shown;
  double start;
  double last;
};

double now_seconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void report_progress(void* context, uint64_t searched, uint64_t size, size_t found) {
  auto* p = static_cast<Progress*>(context);
  if (!p->terminal) return;
  const double t = now_seconds();
  if (t - p->start < 1.0 || t - p->last < 0.2) return;
  p->last = t;
  p->shown = true;
  std::fprintf(stderr, "\rglyfex-scan: searching, %3d%%, %.0f MiB/s, %zu font%s so far ",
               size ? static_cast<int>(searched * 100 / size) : 100, static_cast<double>(searched) / (1 << 20) / (t - p->start),
               found, found == 1 ? "" : "s");
}

void end_progress(const Progress& p) {
  if (p.shown) std::fputs("\r\033[K", stderr);
}

// Reads the options before the file: one of --sh and --rcp, and --carve.
bool parse_options(int argc, char** argv, Mode* mode, bool* carve) {
  for (int i = 1; i < argc - 1; ++i) {
    if (std::strcmp(argv[i], "--carve") == 0 && !*carve) {
      *carve = true;
    } else if (std::strcmp(argv[i], "--sh") == 0 && *mode == Mode::kList) {
      *mode = Mode::kShell;
    } else if (std::strcmp(argv[i], "--rcp") == 0 && *mode == Mode::kList) {
      *mode = Mode::kRcp;
    } else {
      return false;
    }
  }
  // An option without its file is no file name (a file whose name starts
  // with -- is named ./--name).
  return argc >= 2 && std::strncmp(argv[argc - 1], "--", 2) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  Mode mode = Mode::kList;
  bool carve = false;
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kScanUsage, stdout);
    return finish(0);
  }
  if (!parse_options(argc, argv, &mode, &carve)) {
    std::fputs(kScanUsage, stdout);
    return finish(1);
  }
  const char* file = argv[argc - 1];
  ByteSource source{};
  if (const char* err = open_file(file, &source)) return fail(mode, err);
  ResourceList list{};
  const char* err = scan_resources(source, ends_with(file, ".dfont"), &list);
  // A file of no known kind is searched by its contents, and so is one
  // whose table does not fit: a bare font resource often begins like a
  // resource fork's header.
  const char* kind_err = err;
  if (err == kErrScanUnknown || err == kErrScanDamaged) {
    carve = true;
    list.kind = nullptr;
  } else if (err != nullptr) {
    return fail(mode, err);
  }
  const size_t table_entries = list.count;
  if (carve) {
    Progress progress{isatty(STDERR_FILENO) == 1, false, now_seconds(), 0};
    const SearchProgress reporter{report_progress, &progress};
    FoundFonts found{};
    err = find_fonts(source, kSearchBlockBytes, &reporter, &found);
    end_progress(progress);
    if (err != nullptr) return fail(mode, err);
    if (list.kind == nullptr && found.count == 0) return fail(mode, kind_err == kErrScanDamaged ? kind_err : kErrScanNoFont);
    if (const char* add_err = add_found_entries(found, &list)) return fail(mode, add_err);
  }
  Listing listing{};
  if (const char* list_err = list_fonts(source, list, &listing)) return fail(mode, list_err);
  char program[PATH_MAX];
  program_path(argv[0], program);
  const Report report{program, file, &list, table_entries, &listing};
  int status = 0;
  for (size_t i = 0; i < list.count; ++i) {
    if (list.entries[i].fault == nullptr) continue;
    status = 1;
    if (mode != Mode::kList) {
      std::fputs("glyfex-scan: ", stderr);
      put_type_code(stderr, list.entries[i].type);
      std::fprintf(stderr, " %ld %s\n", list.entries[i].id, list.entries[i].fault);
    }
  }
  if (mode == Mode::kList) print_listing(report, carve);
  if (mode == Mode::kShell) print_script(report);
  if (mode == Mode::kRcp) print_rcp(report);
  return finish(status);
}
