// glyfex-scan [--carve] [--sh | --cmd | --rcp | --html | --json] FILE: lists the
// resources in a Palm resource database or a Macintosh resource fork, or
// the fonts found by their contents in a file of any other kind, with a
// ready glyfex command for every font; or the same listing as a shell
// script, a batch file, PilRC lines, a page or JSON. This file holds the
// command line; the listing and its writers live in src/listing/.
#include <cstdio>
#include <cstring>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

#include "listing/file_walk.h"
#include "listing/list_file.h"
#include "listing/name_set.h"
#include "listing/listing_writers.h"
#include "listing/shell_text.h"
#include "os/os.h"

namespace {

const char kScanUsage[] =
    "Lists the resources of a Palm database (.prc, .ro, .pdb) or a\n"
    "Macintosh resource fork, or the fonts found by their contents in\n"
    "any other file, with the glyfex command for each font; every file\n"
    "named, and every file under a folder named.\n\n"
    " usage:  glyfex-scan [--carve] file...\n"
    "         glyfex-scan [--carve] --sh file...    a shell script that converts every font\n"
    "         glyfex-scan [--carve] --cmd file...   the same as a batch file for cmd.exe\n"
    "         glyfex-scan [--carve] --rcp file...   PilRC lines that rebuild the fonts\n"
    "         glyfex-scan [--carve] --html file...  a page that draws every font\n"
    "         glyfex-scan [--carve] --json file...  the listing as JSON, a document a file\n"
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

// A line on standard error, when that is a terminal, for a run that has
// taken longer than a second: the files and bytes done of the total, or
// for a file alone the search's percent, speed and fonts so far; redrawn
// in place and cleared at the end. Never in a pipe or a file.
struct Progress {
  bool terminal;
  bool shown;
  double start;
  double last;
  size_t files, filesDone;  // files 0: one file alone
  uint64_t bytes, bytesDone;
};

bool progress_due(Progress* p) {
  if (!p->terminal) return false;
  const double t = os_seconds();
  if (t - p->start < 1.0 || t - p->last < 0.2) return false;
  p->last = t;
  p->shown = true;
  return true;
}

void report_progress(void* context, uint64_t searched, uint64_t size, size_t found) {
  auto* p = static_cast<Progress*>(context);
  if (!progress_due(p)) return;
  if (p->files > 0) {
    std::fprintf(stderr, "\rglyfex-scan: %zu of %zu files, %llu of %llu MiB ", p->filesDone, p->files,
                 static_cast<unsigned long long>((p->bytesDone + searched) >> 20),
                 static_cast<unsigned long long>(p->bytes >> 20));
    return;
  }
  std::fprintf(stderr, "\rglyfex-scan: searching, %3d%%, %.0f MiB/s, %zu font%s so far ",
               size ? static_cast<int>(searched * 100 / size) : 100,
               static_cast<double>(searched) / (1 << 20) / (os_seconds() - p->start), found, found == 1 ? "" : "s");
}

void clear_progress(const Progress& p) {
  if (p.shown) std::fputs("\r\033[K", stderr);
}

struct Options {
  const ListingForm* form;
  bool carve;
  bool bdf;
  int first;  // the first file
};

// Reads the options before the files: at most one output form, --carve and
// --bdf. False for anything else, --bdf with --rcp (PilRC reads texts), or
// no file after them; after the first file every argument is a file, and
// one whose name starts with -- is named ./--name.
bool parse_options(int argc, char** argv, Options* o) {
  o->form = &kListingForms[0];
  int i = 1;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
    const ListingForm* chosen = nullptr;
    for (int f = 0; f < kListingFormCount; ++f) {
      const char* option = kListingForms[f].option;
      if (option != nullptr && std::strcmp(argv[i], option) == 0) chosen = &kListingForms[f];
    }
    if (chosen != nullptr && o->form == &kListingForms[0]) {
      o->form = chosen;
    } else if (std::strcmp(argv[i], "--carve") == 0 && !o->carve) {
      o->carve = true;
    } else if (std::strcmp(argv[i], "--bdf") == 0 && !o->bdf) {
      o->bdf = true;
    } else {
      return false;
    }
  }
  o->first = i;
  for (int k = i; k < argc; ++k) {
    if (std::strncmp(argv[k], "--", 2) == 0) return false;
  }
  const bool rcp = o->form->option != nullptr && std::strcmp(o->form->option, "--rcp") == 0;
  return i < argc && !(rcp && o->bdf);
}

// The start of a line on standard error: the program, and in a run of
// many files the file.
void put_error_start(const char* file, bool named) {
  std::fputs("glyfex-scan: ", stderr);
  if (named) {
    put_escaped(stderr, file);
    std::fputs(": ", stderr);
  }
}

// A line on standard error that says why file failed.
void say_fault(const char* file, bool named, Fault err) {
  put_error_start(file, named);
  std::fprintf(stderr, "%s\n", fault_text(err));
}

// A listed font the page could not read again (the file changed
// meanwhile) fails the run, and is said on standard error.
int unreadable_fonts = 0;

void say_unreadable(const Listing& listing, const ListingLine&, Fault err) {
  ++unreadable_fonts;
  say_fault(listing.file, true, err);
}

// An entry whose bytes lie outside the file fails the run, after the
// output; outputs for other programs name it on standard error.
int entry_faults(const ListingForm& form, const Listing& listing) {
  int status = 0;
  for (size_t i = 0; i < listing.resources.count; ++i) {
    const ResourceEntry& e = listing.resources.entries[i];
    if (e.fault == EntryFault::kNone) continue;
    status = 1;
    if (form.option != nullptr) {
      put_error_start(listing.file, listing.run != nullptr);
      put_type_code(stderr, e.type);
      std::fprintf(stderr, " %ld %s\n", e.id, entry_fault_text(e.fault));
    }
  }
  return status;
}

// A file that could not be listed: outputs for other programs say so on
// standard error too.
void say_failure(const ListingForm& form, const char* file, Fault err, ListingRun* run) {
  if (form.option != nullptr) say_fault(file, run != nullptr, err);
  if (form.failure != nullptr) form.failure(stdout, file, err, run);
}

// One file alone, listed exactly as it always was.
int scan_one(const Options& o, const char* program, const char* path) {
  Listing listing{};
  listing.program = program;
  listing.file = path;
  listing.bdf = o.bdf;
  listing.unreadable = say_unreadable;
  Progress progress{os_stderr_is_terminal(), false, os_seconds(), 0, 0, 0, 0, 0};
  const SearchProgress reporter{report_progress, &progress};
  const Fault err = list_file(listing.file, o.carve, &reporter, &listing);
  clear_progress(progress);
  if (err != Fault::kNone) {
    say_failure(*o.form, path, err, nullptr);
    return finish(1);
  }
  const int status = entry_faults(*o.form, listing);
  if (const Fault write_err = o.form->write(stdout, listing); write_err != Fault::kNone) {
    say_failure(*o.form, path, write_err, nullptr);
    return finish(1);
  }
  return finish(unreadable_fonts > 0 ? 1 : status);
}

// The folder a file's texts go to in a run: its label made safe, then
// .fonts; a label given before gets .2, .3 as texts do, ASCII case aside.
// A name that starts with - starts ./, so that no command takes it for an
// option. The name is kept among those given, which the run frees.
const char* text_folder(const char* label, NameSet* folders) {
  char safe[kMaxPath - 32];
  put_safe_name(safe, sizeof safe, label, true);
  const char* lead = safe[0] == '-' ? "./" : "";
  char out[kMaxPath];
  for (int k = 1;; ++k) {
    if (k == 1) {
      std::snprintf(out, sizeof out, "%s%s.fonts/", lead, safe);
    } else {
      std::snprintf(out, sizeof out, "%s%s.%d.fonts/", lead, safe, k);
    }
    if (!has_name(*folders, out)) return add_name(folders, out);
  }
}

// Many files: each listed after the other, the page of all of them last;
// a file that cannot be listed is said and the run goes on.
int scan_many(const Options& o, const char* program, const FileSet& set) {
  ListingRun run{};
  run.nextFontId = 128;
  Progress progress{os_stderr_is_terminal(), false, os_seconds(), 0, set.count, 0, set.bytes, 0};
  const SearchProgress reporter{report_progress, &progress};
  const bool page = o.form->write == write_html_page;
  // Allocated without the C++ runtime, which glyfex-scan does not load.
  std::unique_ptr<Listing[], FreeBytes> listings(
      page ? static_cast<Listing*>(std::calloc(set.count + 1, sizeof(Listing))) : nullptr);
  if (page && !listings) {
    std::fprintf(stderr, "glyfex-scan: %s\n", fault_text(Fault::kScanMemory));
    return finish(1);
  }
  for (size_t i = 0; page && i < set.count; ++i) new (&listings[i]) Listing{};
  NameSet folders{};
  int status = 0;
  if (o.form->begin != nullptr) o.form->begin(stdout, set.count);
  for (size_t i = 0; i < set.count; ++i) {
    const WalkedFile& f = set.files[i];
    Listing scratch{};
    Listing& listing = page ? listings[i] : scratch;
    listing.program = program;
    listing.file = f.path;
    listing.bdf = o.bdf;
    listing.unreadable = say_unreadable;
    listing.run = &run;
    listing.index = i;
    listing.textFolder = text_folder(f.label, &folders);
    listing.fault = f.fault != Fault::kNone          ? f.fault
                    : listing.textFolder == nullptr ? Fault::kScanMemory
                                                    : list_file(f.path, o.carve, &reporter, &listing);
    progress.filesDone = i + 1;
    progress.bytesDone += f.size;
    report_progress(&progress, 0, 0, 0);
    ++run.files;
    // A file found by walking a folder that is of no known kind and holds
    // no font is no failure: the run asked for the folder's fonts.
    listing.noFont = f.walked && listing.fault == Fault::kScanNoFont;
    run.noFont += listing.noFont ? 1 : 0;
    if (listing.fault == Fault::kNone) status |= entry_faults(*o.form, listing);
    if (page) {
      // The page needs every listing first; the files are read again then.
      close_listing(&listing);
      if (listing.fault != Fault::kNone && !listing.noFont) status = 1;
      continue;
    }
    if (listing.noFont) {
      if (o.form->noFont != nullptr) o.form->noFont(stdout, f.path);
      close_listing(&listing);
      continue;
    }
    const Fault err = listing.fault != Fault::kNone ? listing.fault : o.form->write(stdout, listing);
    if (err != Fault::kNone) {
      run.failed = true;
      status = 1;
      say_failure(*o.form, f.path, err, &run);
    }
    close_listing(&listing);
  }
  if (page) {
    write_html_head(stdout, listings.get(), set.count);
    for (size_t i = 0; i < set.count; ++i) {
      if (listings[i].fault == Fault::kNone) listings[i].fault = reopen_listing(&listings[i]);
      if (listings[i].fault != Fault::kNone && !listings[i].noFont && listings[i].lines) {
        // The file could not be opened again for its page.
        status = 1;
        say_fault(listings[i].file, true, listings[i].fault);
      }
      write_html_section(stdout, listings[i]);
      close_listing(&listings[i]);
    }
    write_html_foot(stdout);
    for (size_t i = 0; i < set.count; ++i) listings[i].~Listing();
  }
  if (o.form->end != nullptr) o.form->end(stdout, run);
  clear_progress(progress);
  if (unreadable_fonts > 0) status = 1;
  free_names(&folders);
  return finish(status);
}

}  // namespace

int main(int argc, char** argv) {
  os_start_program(&argc, &argv);
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kScanUsage, stdout);
    return finish(0);
  }
  Options o{nullptr, false, false, 0};
  if (!parse_options(argc, argv, &o)) {
    std::fputs(kScanUsage, stdout);
    return finish(1);
  }
  char program[kMaxPath];
  program_path(argv[0], program);
  FileSet set{};
  for (int i = o.first; i < argc; ++i) {
    if (!walk_path(argv[i], &set)) {
      std::fprintf(stderr, "glyfex-scan: %s\n", fault_text(Fault::kScanMemory));
      return finish(1);
    }
  }
  // A folder the walk did not go into fails the run, said on standard
  // error as a file that cannot be listed is.
  for (size_t i = 0; i < set.tooDeepCount; ++i) say_fault(set.tooDeep[i], true, Fault::kTooDeep);
  // One file named alone is listed exactly as before.
  int status = argc - o.first == 1 && !set.folders ? scan_one(o, program, argv[o.first]) : scan_many(o, program, set);
  if (set.tooDeepCount > 0) status = finish(1);
  free_file_set(&set);
  return status;
}
