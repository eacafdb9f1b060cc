#include "listing/line_command.h"

#include <algorithm>
#include <cstdio>

namespace {
const char* folder_of(const Listing& listing) { return listing.textFolder != nullptr ? listing.textFolder : ""; }

// A font map is written as BDF whatever the listing makes of the others.
bool makes_bdf(const Listing& listing, const ListingLine& line) { return listing.bdf || line.map; }
}  // namespace

void line_text(const Listing& listing, const ListingLine& line, int density, char (&out)[kMaxPath]) {
  char name[sizeof line.name + 4];
  std::snprintf(name, sizeof name, "%s.%s", line.name, makes_bdf(listing, line) ? "bdf" : "txt");
  char named[kMaxPath];
  if (!density_path(name, density, named) ||
      std::snprintf(out, sizeof out, "%s%s", folder_of(listing), named) >= static_cast<int>(sizeof out)) {
    out[0] = '\0';
  }
}

void command_path(const char* path, char (&out)[kMaxPath + 2]) {
  std::snprintf(out, sizeof out, "%s%s", path[0] == '-' ? "./" : "", path);
}

void line_command(const Listing& listing, const ListingLine& line, LineCommand* command) {
  const char* folder = folder_of(listing);
  std::snprintf(command->text, sizeof command->text, "%s%s%s.%s", folder[0] == '\0' && line.name[0] == '-' ? "./" : "",
                folder, line.name, makes_bdf(listing, line) ? "bdf" : "txt");
  command_path(listing.file, command->file);
  std::snprintf(command->offset, sizeof command->offset, "%llu", static_cast<unsigned long long>(line.offset));
  int n = 0;
  command->words[n++] = listing.program;
  if (makes_bdf(listing, line)) command->words[n++] = "--bdf";
  // A subfont of a font map gets its characters from its lead byte.
  if (listing.bdf && line.lead >= 0) {
    std::snprintf(command->lead, sizeof command->lead, "0x%02X", line.lead);
    command->words[n++] = "--lead";
    command->words[n++] = command->lead;
  } else if (listing.bdf && line.charset != Charset::kLatin) {
    command->words[n++] = "--charset";
    command->words[n++] = charset_name(line.charset);
  }
  command->words[n++] = command->file;
  command->words[n++] = command->text;
  command->words[n++] = command->offset;
  command->count = n;
}

void put_command(const TextSink& out, const Listing& listing, const ListingLine& line, bool for_cmd) {
  LineCommand command{};
  line_command(listing, line, &command);
  for (int i = 0; i < command.count; ++i) {
    if (i > 0) out.write(out.context, " ", 1);
    const char* word = command.words[i];
    // A number stands as it is for either shell.
    if (for_cmd && word != command.offset) {
      put_cmd_word(out, word);
    } else {
      put_shell_word(out, word);
    }
  }
}
