// The outputs of glyfex-scan, each written from the listing alone and each
// in a file of its own that knows none of the others. Each returns Fault::kNone,
// or the fault when it refuses the listing before writing anything.
#ifndef GLYFEX_SCAN_LISTING_WRITERS_H
#define GLYFEX_SCAN_LISTING_WRITERS_H

#include <cstdio>

#include "scan/font_listing.h"
#include "scan/shell_text.h"

// The listing for a person: the file's table, a line an entry, and the
// fonts found by its contents, each font with its command or the words
// that say why it has none.
Fault write_plain_listing(FILE* out, const Listing& listing);

// A POSIX shell script that runs every command and stops at the first
// failure.
Fault write_shell_script(FILE* out, const Listing& listing);

// The PilRC resource script lines that build the fonts again from the
// texts the script writes.
Fault write_rcp_lines(FILE* out, const Listing& listing);

// The commands as a batch file for cmd.exe. Refuses a name that cmd cannot
// pass safely.
Fault write_cmd_script(FILE* out, const Listing& listing);


// The listing as one JSON document, for programs.
Fault write_json_listing(FILE* out, const Listing& listing);

// The JSON document for a file that could not be listed: no kind, the
// message, no entries.
void write_json_failure(FILE* out, const char* file, Fault err);

// A self-contained HTML page that draws every font the listing gives a
// command for, at each of its densities.
Fault write_html_page(FILE* out, const Listing& listing);

// The command of a line: program, file, text and offset, each quoted for
// cmd.exe (for_cmd) or a POSIX shell. The listing and the page show it as
// the system's own shell reads it.
void put_command(const TextSink& out, const Listing& listing, const ListingLine& line, bool for_cmd);

#endif
