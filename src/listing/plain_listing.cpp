// The listing glyfex-scan prints by default.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "listing/line_command.h"
#include "listing/listing_writers.h"
#include "os/os.h"
#include "listing/shell_text.h"

namespace {

// One line of the table: the entry, then its command or the words that say
// why it has none; a ROM's system font adds its name.
void write_line(FILE* out, const Listing& l, const ListingLine& line, int type_width, int name_width) {
  const ResourceList& list = l.resources;
  const ResourceEntry& e = list.entries[line.entry];
  if (!list.records) {
    put_type_code(out, e.type);
    std::fprintf(out, "%*s", type_width - type_code_width(e.type) + 2, "");
  }
  std::fprintf(out, "%6ld  %10llu  %10llu", e.id, static_cast<unsigned long long>(line.offset),
               static_cast<unsigned long long>(line.size));
  // A piece of a font map is named by its map and lead byte.
  const char* name = line.pieceLabel[0] != '\0' ? line.pieceLabel : e.fontName != nullptr ? e.fontName : "";
  if (list.databases) std::fprintf(out, "  %-*s", name_width, name);
  const char* words = verdict_text(line);
  if (words == nullptr) {
    if (line.map) std::fprintf(out, "  font map: %d fonts, %d characters:", line.mapFonts, line.mapCharacters);
    std::fputs("  ", out);
    put_command(file_sink(out), l, line, os_shell_is_cmd());
  } else if (*words != '\0') {
    std::fprintf(out, "  %s", words);
  }
  std::fputc('\n', out);
}

// The file's table: every entry, with a command for each font; a ROM's
// fonts under the database that holds them.
void write_table(FILE* out, const Listing& l) {
  const ResourceList& list = l.resources;
  put_escaped(out, l.file);
  if (l.damage != Fault::kNone) {
    std::fprintf(out, ": %s, damaged: %s\n\n", list.kind, fault_text(l.damage));
    return;
  }
  if (list.databases && list.databaseCount == 0) {
    std::fprintf(out, ": %s, no database\n\n", list.kind);
  } else if (list.databases) {
    std::fprintf(out, ": %s, %zu databases\n\n", list.kind, list.databaseCount);
  } else {
    std::fprintf(out, ": %s, %zu %s\n\n", list.kind, l.tableEntries, list.records ? "records" : "resources");
  }
  // Escaped bytes widen a type, and a font map's pieces a name; each
  // column takes the widest.
  int type_width = 4, name_width = 13;
  for (size_t i = 0; i < l.tableEntries && !list.records; ++i) {
    type_width = std::max(type_width, type_code_width(list.entries[i].type));
  }
  for (size_t i = 0; i < l.count; ++i) name_width = std::max(name_width, static_cast<int>(std::strlen(l.lines[i].pieceLabel)));
  const auto heading = [&] {
    if (list.records) {
      std::fprintf(out, "%6s  %10s  %10s  %s\n", "record", "offset", "size", "font");
    } else if (list.databases) {
      std::fprintf(out, "%-*s  %6s  %10s  %10s  %-*s  %s\n", type_width, "type", "id", "offset", "size", name_width, "name",
                   "font");
    } else {
      std::fprintf(out, "%-*s  %6s  %10s  %10s  %s\n", type_width, "type", "id", "offset", "size", "font");
    }
  };
  uint32_t database = 0;
  if (!list.databases) heading();
  for (size_t i = 0; i < l.count; ++i) {
    const ListingLine& line = l.lines[i];
    const ResourceEntry& e = list.entries[line.entry];
    if (e.found) continue;
    if (list.databases && e.database != database) {
      database = e.database;
      const RomDatabase& db = list.databases[database - 1];
      if (i > 0) std::fputc('\n', out);
      put_escaped(out, db.name);
      std::fputs(" (", out);
      put_type_code(out, db.type);
      std::fputc(' ', out);
      put_type_code(out, db.creator);
      std::fputs(")\n", out);
      heading();
    }
    write_line(out, l, line, type_width, name_width);
  }
  std::fputc('\n', out);
}

// The fonts found by their contents, a line each.
void write_found(FILE* out, const Listing& l) {
  const size_t found = fonts_found_by_contents(l);
  const char* fonts = found == 1 ? "font" : "fonts";
  if (l.resources.kind == nullptr) {
    put_escaped(out, l.file);
    std::fprintf(out, ": no known kind; %zu %s found by its contents\n\n", found, fonts);
  } else {
    std::fprintf(out, "Found by the file's contents, besides the fonts above: %zu %s\n\n", found, fonts);
  }
  if (found == 0) return;
  std::fprintf(out, "%10s  %10s  %s\n", "offset", "size", "font");
  for (size_t i = 0; i < l.count; ++i) {
    const ListingLine& line = l.lines[i];
    if (!found_by_contents(l, line)) continue;
    std::fprintf(out, "%10llu  %10llu  ", static_cast<unsigned long long>(line.offset),
                 static_cast<unsigned long long>(line.size));
    put_command(file_sink(out), l, line, os_shell_is_cmd());
    std::fputc('\n', out);
  }
  std::fputc('\n', out);
}

}  // namespace

// cppcheck-suppress constParameter ; the failure writers of every form share one signature
void write_plain_failure(FILE* out, const char* file, Fault err, ListingRun* run) {
  if (run == nullptr) {
    std::fprintf(out, "ERROR: %s\n\n", fault_text(err));
    return;
  }
  std::fputs("==> ", out);
  put_escaped(out, file);
  std::fputs(" <==\nERROR: ", out);
  put_escaped(out, file);
  std::fprintf(out, ": %s\n\n", fault_text(err));
}

Fault write_plain_listing(FILE* out, const Listing& listing) {
  // One of many files: under a line naming it.
  if (listing.run != nullptr) {
    std::fputs("==> ", out);
    put_escaped(out, listing.file);
    std::fputs(" <==\n", out);
  }
  if (listing.resources.kind != nullptr) write_table(out, listing);
  if (listing.searched) write_found(out, listing);
  size_t uncounted = 0;
  for (size_t i = 0; i < listing.count; ++i) uncounted += has_command(listing.lines[i]) && !listing.lines[i].inkCounted;
  if (uncounted > 0) {
    std::fprintf(out, "The ink outside every glyph: not counted for %zu %s; the file's entries point at more strips than it holds.\n\n",
                 uncounted, uncounted == 1 ? "font" : "fonts");
  }
  return Fault::kNone;
}

void end_plain_listing(FILE* out, const ListingRun& run) {
  if (run.noFont > 0) std::fprintf(out, "Files without fonts: %zu\n", run.noFont);
}
