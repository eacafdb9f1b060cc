// glyfex-scan [--carve] [--sh | --cmd | --rcp | --html | --json] FILE: lists the
// resources in a Palm resource database or a Macintosh resource fork, or
// the fonts found by their contents in a file of any other kind, with a
// ready glyfex command for every font; or the same listing as a shell
// script, a batch file, PilRC lines, a page or JSON. This file holds the
// command line; the listing and its writers live in src/listing/.
#include <cstdio>
#include <cstring>

#include "listing/list_file.h"
#include "listing/listing_writers.h"
#include "listing/shell_text.h"
#include "os/os.h"

namespace {

const char kScanUsage[] =
    "Lists the resources of a Palm database (.prc, .ro, .pdb) or a\n"
    "Macintosh resource fork, or the fonts found by their contents in\n"
    "any other file, with the glyfex command for each font.\n\n"
    " usage:  glyfex-scan [--carve] file\n"
    "         glyfex-scan [--carve] --sh file    a shell script that converts every font\n"
    "         glyfex-scan [--carve] --cmd file   the same as a batch file for cmd.exe\n"
    "         glyfex-scan [--carve] --rcp file   PilRC lines that rebuild the fonts\n"
    "         glyfex-scan [--carve] --html file  a page that draws every font\n"
    "         glyfex-scan [--carve] --json file  the listing as JSON\n"
    "         --carve also searches the contents of a Palm database or resource fork\n"
    "         --bdf: commands that make BDF fonts instead of texts (not with --rcp)\n\n";

// The glyfex beside this program when it was started through a path (it
// then need not be on PATH), else the glyfex that PATH finds. A symbolic
// link to the program (~/bin/glyfex-scan) leads to its real file, beside
// which glyfex was built or installed.
void program_path(const char* argv0, char (&out)[kMaxPath]) {
  char real[kMaxPath];
  if (os_folder_length(argv0) == 0 || !os_follow_links(argv0, real) ||
      std::snprintf(out, sizeof out, "%.*sglyfex", os_folder_length(real), real) >= static_cast<int>(sizeof out)) {
    std::snprintf(out, sizeof out, "glyfex");
  }
}

// Everything is printed on standard output; when that fails, the run
// fails, and standard error is the only place left to say so.
int finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "glyfex-scan: %s\n", fault_text(Fault::kStdout));
    return 1;
  }
  return status;
}

int fail(const ListingForm& form, const char* file, Fault err) {
  if (form.option == nullptr) {
    std::printf("ERROR: %s\n\n", fault_text(err));
  } else {
    std::fprintf(stderr, "glyfex-scan: %s\n", fault_text(err));
    if (form.failure != nullptr) form.failure(stdout, file, err);
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

void report_progress(void* context, uint64_t searched, uint64_t size, size_t found) {
  auto* p = static_cast<Progress*>(context);
  if (!p->terminal) return;
  const double t = os_seconds();
  if (t - p->start < 1.0 || t - p->last < 0.2) return;
  p->last = t;
  p->shown = true;
  std::fprintf(stderr, "\rglyfex-scan: searching, %3d%%, %.0f MiB/s, %zu font%s so far ",
               size ? static_cast<int>(searched * 100 / size) : 100,
               static_cast<double>(searched) / (1 << 20) / (t - p->start), found, found == 1 ? "" : "s");
}

// Reads the options before the file: at most one output form, --carve and
// --bdf. False for anything else, --bdf with --rcp (PilRC reads texts), or
// no file after them (a file whose name starts with -- is named ./--name).
bool parse_options(int argc, char** argv, const ListingForm** form, bool* carve, bool* bdf) {
  *form = &kListingForms[0];
  for (int i = 1; i < argc - 1; ++i) {
    const ListingForm* chosen = nullptr;
    for (int f = 0; f < kListingFormCount; ++f) {
      const char* option = kListingForms[f].option;
      if (option != nullptr && std::strcmp(argv[i], option) == 0) chosen = &kListingForms[f];
    }
    if (chosen != nullptr && *form == &kListingForms[0]) {
      *form = chosen;
    } else if (std::strcmp(argv[i], "--carve") == 0 && !*carve) {
      *carve = true;
    } else if (std::strcmp(argv[i], "--bdf") == 0 && !*bdf) {
      *bdf = true;
    } else {
      return false;
    }
  }
  const bool rcp = (*form)->option != nullptr && std::strcmp((*form)->option, "--rcp") == 0;
  return argc >= 2 && std::strncmp(argv[argc - 1], "--", 2) != 0 && !(rcp && *bdf);
}

}  // namespace

int main(int argc, char** argv) {
  os_start_program(&argc, &argv);
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kScanUsage, stdout);
    return finish(0);
  }
  const ListingForm* form = nullptr;
  bool carve = false, bdf = false;
  if (!parse_options(argc, argv, &form, &carve, &bdf)) {
    std::fputs(kScanUsage, stdout);
    return finish(1);
  }
  char program[kMaxPath];
  program_path(argv[0], program);
  Listing listing{};
  listing.program = program;
  listing.file = argv[argc - 1];
  listing.bdf = bdf;
  Progress progress{os_stderr_is_terminal(), false, os_seconds(), 0};
  const SearchProgress reporter{report_progress, &progress};
  const Fault err = list_file(listing.file, carve, &reporter, &listing);
  if (progress.shown) std::fputs("\r\033[K", stderr);
  if (err != Fault::kNone) return fail(*form, listing.file, err);
  // An entry whose bytes lie outside the file fails the run, after the
  // output; outputs for other programs name it on standard error.
  int status = 0;
  for (size_t i = 0; i < listing.resources.count; ++i) {
    const ResourceEntry& e = listing.resources.entries[i];
    if (e.fault == EntryFault::kNone) continue;
    status = 1;
    if (form->option != nullptr) {
      std::fputs("glyfex-scan: ", stderr);
      put_type_code(stderr, e.type);
      std::fprintf(stderr, " %ld %s\n", e.id, entry_fault_text(e.fault));
    }
  }
  if (const Fault err = form->write(stdout, listing); err != Fault::kNone) return fail(*form, listing.file, err);
  return finish(status);
}
