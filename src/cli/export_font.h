// One conversion: font resource file in, text font description out.
#ifndef GLYFEX_CLI_EXPORT_FONT_H
#define GLYFEX_CLI_EXPORT_FONT_H

#include <cstdint>

#include "cli/output_file.h"
#include "font/charset.h"

// What is written: the PilRC text, or BDF with a character set, or for a
// Japanese subfont the lead byte its codes follow (-1 for none).
struct ExportOptions {
  bool bdf;
  Charset charset;
  int lead;
};

// Reads the font resource at offset in infile, then writes outfile and
// prints the summary line. The input is read completely and checked before
// the output is opened, so a refused input leaves outfile as it was.
// Returns Fault::kNone on success, else the fault; kept then lists
// the old texts that could not be put back, and where they are, and
// interrupts stay held while it lists any (see place_outputs).
Fault export_font(const char* infile, const char* outfile, int64_t offset, const ExportOptions& options,
                  KeptTexts* kept);

// Names each temporary file that could not be removed, a line each.
void print_left(const KeptTexts& kept);

#endif
