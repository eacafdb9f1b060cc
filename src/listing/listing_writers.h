// The outputs of glyfex-scan, each written from the listing alone, in a
// file of its own; they share the line's command and the quoting of names
// (line_command, shell_text). Each returns Fault::kNone, or the fault when
// it refuses the listing before writing anything; an output for another
// program also has a form for a file that could not be listed.
#ifndef GLYFEX_LISTING_LISTING_WRITERS_H
#define GLYFEX_LISTING_LISTING_WRITERS_H

#include <cstdio>

#include "listing/font_listing.h"
#include "listing/shell_text.h"

// The listing for a person: the file's table, a line an entry, and the
// fonts found by its contents, each font with its command or the words
// that say why it has none.
Fault write_plain_listing(FILE* out, const Listing& listing);
void write_plain_failure(FILE* out, const char* file, Fault err, ListingRun* run);
// How many files of the run held no font, in one line at its end.
void end_plain_listing(FILE* out, const ListingRun& run);

// A POSIX shell script that runs every command and stops at the first
// failure.
Fault write_shell_script(FILE* out, const Listing& listing);
void write_shell_failure(FILE* out, const char* file, Fault err, ListingRun* run);
void begin_shell_script(FILE* out, size_t files);
void end_shell_script(FILE* out, const ListingRun& run);

// The PilRC resource script lines that build the fonts again from the
// texts the script writes.
Fault write_rcp_lines(FILE* out, const Listing& listing);
void write_rcp_failure(FILE* out, const char* file, Fault err, ListingRun* run);
void begin_rcp_lines(FILE* out, size_t files);

// The commands as a batch file for cmd.exe. Refuses a name that cmd cannot
// pass safely.
Fault write_cmd_script(FILE* out, const Listing& listing);
void write_cmd_failure(FILE* out, const char* file, Fault err, ListingRun* run);
void begin_cmd_script(FILE* out, size_t files);
void end_cmd_script(FILE* out, const ListingRun& run);

// The listing as one JSON document, for programs.
Fault write_json_listing(FILE* out, const Listing& listing);

// The JSON document for a file that could not be listed: no kind, the
// message, no entries.
void write_json_failure(FILE* out, const char* file, Fault err, ListingRun* run);

// The JSON document for a file found by walking a folder that holds no
// font: no kind, no error, no entries.
void write_json_no_font(FILE* out, const char* file);

// A self-contained HTML page that draws every font the listings give a
// command for, at each of its densities: contents first, then a section
// per file, each font's with its command. Reads the fonts through each
// listing's source, which must be open.
Fault write_html_page(FILE* out, const Listing& listing);

// The page of a run, in three steps, so that the files are read only one
// at a time: the head and contents from the listings (whose sources need
// not be open), each file's section, and the end.
void write_html_head(FILE* out, const Listing* listings, size_t count);
void write_html_section(FILE* out, const Listing& listing);
void write_html_foot(FILE* out);


// The forms glyfex-scan writes, each chosen by its option; the plain
// listing by none. The plain listing prints its errors; the others carry
// their output to another program and say what went wrong on standard
// error, and in their own form where they have one.
struct ListingForm {
  const char* option;
  Fault (*write)(FILE* out, const Listing& listing);
  // What it says of a file that could not be listed, alone (run nullptr)
  // or as one of a run; nullptr for nothing.
  void (*failure)(FILE* out, const char* file, Fault err, ListingRun* run);
  // What it says before and after the files of a run, or nullptr.
  void (*begin)(FILE* out, size_t files);
  void (*end)(FILE* out, const ListingRun& run);
  // What it says of a file found by walking a folder that holds no font,
  // or nullptr for nothing.
  void (*noFont)(FILE* out, const char* file);
};

extern const ListingForm kListingForms[];
extern const int kListingFormCount;

#endif
