// The command of a listing line and the texts it writes, made once for
// every output, and the command quoted for a shell.
#ifndef GLYFEX_LISTING_LINE_COMMAND_H
#define GLYFEX_LISTING_LINE_COMMAND_H

#include "listing/font_listing.h"
#include "listing/shell_text.h"
#include "os/os.h"

// A line's command as the words it is run with: the program, its options
// (--bdf and the font's charset or a subfont's lead byte when the listing
// makes BDF; --bdf for a font map, always), the file, the text and the
// offset. Every output takes its command from here.
constexpr int kMaxCommandWords = 7;

struct LineCommand {
  const char* words[kMaxCommandWords];
  int count;
  char file[kMaxPath + 2];
  char text[kMaxPath + kNameBytes + 8];
  char offset[24];
  char lead[16];
};

// A path as a command takes it: one that starts with - gets ./ before it,
// so that no program takes it for an option.
void command_path(const char* path, char (&out)[kMaxPath + 2]);

void line_command(const Listing& listing, const ListingLine& line, LineCommand* command);

// The name of the line's text at a density: font-1000.txt, font-1000-144.txt
// (.bdf when the listing makes BDF).
void line_text(const Listing& listing, const ListingLine& line, int density, char (&out)[kMaxPath]);

// The command of a line, each word quoted for cmd.exe (for_cmd) or a
// POSIX shell. The listing and the page show it as the system's own shell
// reads it.
void put_command(const TextSink& out, const Listing& listing, const ListingLine& line, bool for_cmd);

#endif
