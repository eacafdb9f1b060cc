// glyfex-scan --json: the listing as one JSON document, an entry a line.
// Strings are the file's bytes: valid UTF-8 as it stands, with the escapes
// JSON requires for ", \ and controls; every byte that is not part of valid
// UTF-8 becomes a lone low surrogate, "\udc" and the byte in hex (as
// Python's surrogateescape decodes such names), so that no byte is lost.
#include <cstdio>
#include <cstring>

#include "listing/line_command.h"
#include "listing/listing_writers.h"
#include "listing/shell_text.h"

namespace {

// Printable ASCII that JSON takes as it stands.
bool plain_json(char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '\\'; }

void put_json_string(FILE* out, const char* s, size_t n) {
  std::fputc('"', out);
  for (size_t i = 0; i < n;) {
    size_t run = i;
    while (run < n && plain_json(s[run])) ++run;
    if (run > i) {
      std::fwrite(s + i, 1, run - i, out);
      i = run;
      continue;
    }
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t k = printable_at(s, n, i);
    if (b == '"' || b == '\\') {
      std::fprintf(out, "\\%c", b);
      ++i;
    } else if (k > 0) {
      std::fwrite(s + i, 1, k, out);
      i += k;
    } else if (b < 0x80) {
      std::fprintf(out, "\\u%04x", b);
      ++i;
    } else if (b == 0xC2 && i + 1 < n && (static_cast<unsigned char>(s[i + 1]) & 0xE0) == 0x80) {
      // A C1 control, validly encoded.
      std::fprintf(out, "\\u%04x", static_cast<unsigned char>(s[i + 1]));
      i += 2;
    } else {
      std::fprintf(out, "\\udc%02x", b);
      ++i;
    }
  }
  std::fputc('"', out);
}

void put_json_text(FILE* out, const char* s) { put_json_string(out, s, std::strlen(s)); }

void put_font(FILE* out, const Listing& l, const ListingLine& line) {
  if (line.verdict != Verdict::kConverts) {
    std::fputs(", \"font\": {\"refused\": ", out);
    put_json_text(out, verdict_text(line));
    std::fputs("}", out);
    return;
  }
  LineCommand command{};
  line_command(l, line, &command);
  std::fputs(", \"font\": {\"command\": [", out);
  for (int i = 0; i < command.count; ++i) {
    if (i > 0) std::fputs(", ", out);
    put_json_text(out, command.words[i]);
  }
  std::fputs("], \"texts\": [", out);
  // The texts the command writes, one per density.
  const char* separator = "";
  for (int d = 0; d < kDensities; ++d) {
    if (!line.hasDensity[d]) continue;
    char text[kMaxPath];
    line_text(l, line, d, text);
    std::fputs(separator, out);
    put_json_text(out, text);
    separator = ", ";
  }
  std::fputs("], \"densities\": [", out);
  separator = "";
  for (int d = 0; d < kDensities; ++d) {
    if (!line.hasDensity[d]) continue;
    std::fprintf(out, "%s%d", separator, density_dpi(d));
    separator = ", ";
  }
  // null where counting would have cost more than the file is worth.
  std::fputs(line.inkCounted ? "], \"ink_outside\": [" : "], \"ink_outside\": null", out);
  separator = "";
  for (int d = 0; d < kDensities && line.inkCounted; ++d) {
    if (!line.hasDensity[d]) continue;
    std::fprintf(out, "%s%llu", separator, static_cast<unsigned long long>(line.inkOutside[d]));
    separator = ", ";
  }
  std::fprintf(out, "%s, \"glyphs\": %d, \"byte_order\": \"%s\"", line.inkCounted ? "]" : "", line.rangeCount,
               line.byteOrder == ByteOrder::kBig ? "big-endian" : "little-endian");
  // A font map: the ids of the fonts it names, and its characters.
  if (line.map) {
    std::fputs(", \"fonts\": [", out);
    for (int i = 0; i < line.mapFonts; ++i) std::fprintf(out, "%s%ld", i > 0 ? ", " : "", l.mapIds[line.mapIdsAt + i]);
    std::fprintf(out, "], \"characters\": %d", line.mapCharacters);
  }
  if (line.lead >= 0) std::fprintf(out, ", \"lead\": %d", line.lead);
  std::fputs("}", out);
}

// In a ROM image: the database that holds the entry, and the system font
// it is.
void put_rom_place(FILE* out, const ResourceList& list, const ResourceEntry& e) {
  const RomRegion* region = e.found ? region_at(list, e.offset) : nullptr;
  const uint32_t database = e.found ? (region != nullptr ? region->database : 0) : e.database;
  std::fputs(", \"database\": ", out);
  if (database != 0) {
    put_json_text(out, list.databases[database - 1].name);
  } else {
    std::fputs("null", out);
  }
  std::fputs(", \"system_font\": ", out);
  if (e.fontName != nullptr) {
    put_json_text(out, e.fontName);
  } else {
    std::fputs("null", out);
  }
}

bool is_font_line(const Listing& l, const ListingLine& line) {
  return line.verdict == Verdict::kConverts || line.verdict == Verdict::kRefused ||
         line.verdict == Verdict::kLittleEndian || line.verdict == Verdict::kLittleEndianInRom ||
         found_by_contents(l, line);
}

}  // namespace

Fault write_json_listing(FILE* out, const Listing& l) {
  const ResourceList& list = l.resources;
  std::fputs("{\"file\": ", out);
  put_json_text(out, l.file);
  std::fputs(", \"kind\": ", out);
  if (list.kind != nullptr) {
    put_json_text(out, list.kind);
  } else {
    std::fputs("null", out);
  }
  if (list.databases) std::fprintf(out, ", \"databases\": %zu", list.databaseCount);
  if (l.damage != Fault::kNone) {
    std::fputs(", \"damaged\": ", out);
    put_json_text(out, fault_text(l.damage));
  }
  std::fprintf(out, ", \"searched\": %s, \"entries\": [", l.searched ? "true" : "false");
  for (size_t i = 0; i < l.count; ++i) {
    const ListingLine& line = l.lines[i];
    const ResourceEntry& e = list.entries[line.entry];
    std::fputs(i == 0 ? "\n" : ",\n", out);
    std::fputs("{\"type\": ", out);
    if (e.found || list.records) {
      std::fputs("null", out);
    } else {
      put_json_string(out, e.type, 4);
    }
    if (e.found) {
      std::fputs(", \"id\": null", out);
    } else {
      std::fprintf(out, ", \"id\": %ld", e.id);
    }
    std::fprintf(out, ", \"offset\": %llu, \"size\": %llu, \"fault\": ", static_cast<unsigned long long>(line.offset),
                 static_cast<unsigned long long>(line.size));
    if (e.fault != EntryFault::kNone) {
      put_json_text(out, entry_fault_text(e.fault));
    } else {
      std::fputs("null", out);
    }
    if (list.databases) put_rom_place(out, list, e);
    if (is_font_line(l, line)) put_font(out, l, line);
    std::fputs("}", out);
  }
  std::fputs("\n]}\n", out);
  return Fault::kNone;
}

void write_json_failure(FILE* out, const char* file, Fault err, ListingRun*) {
  std::fputs("{\"file\": ", out);
  put_json_text(out, file);
  std::fputs(", \"kind\": null, \"error\": ", out);
  put_json_text(out, fault_text(err));
  std::fputs(", \"entries\": []}\n", out);
}

void write_json_no_font(FILE* out, const char* file) {
  std::fputs("{\"file\": ", out);
  put_json_text(out, file);
  std::fputs(", \"kind\": null, \"error\": null, \"entries\": []}\n", out);
}
