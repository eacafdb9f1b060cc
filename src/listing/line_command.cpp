#include "listing/line_command.h"

#include <algorithm>
#include <cstdio>

void line_text(const ListingLine& line, int density, char (&out)[kMaxPath]) {
  char name[sizeof line.name + 4];
  std::snprintf(name, sizeof name, "%s.txt", line.name);
  if (!density_path(name, density, out)) out[0] = '\0';
}

void line_command(const Listing& listing, const ListingLine& line, LineCommand* command) {
  std::snprintf(command->text, sizeof command->text, "%s.txt", line.name);
  std::snprintf(command->offset, sizeof command->offset, "%llu", static_cast<unsigned long long>(line.offset));
  const char* const words[kCommandWords] = {listing.program, listing.file, command->text, command->offset};
  std::copy(words, words + kCommandWords, command->words);
}

void put_command(const TextSink& out, const Listing& listing, const ListingLine& line, bool for_cmd) {
  LineCommand command{};
  line_command(listing, line, &command);
  for (int i = 0; i < kCommandWords; ++i) {
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
