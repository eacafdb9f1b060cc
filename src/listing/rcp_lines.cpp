// glyfex-scan --rcp: PilRC resource script lines for the texts.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "listing/line_command.h"
#include "listing/listing_writers.h"
#include "listing/shell_text.h"

// A font with one 72 dpi image becomes a FONT; one with 72 and 144 dpi
// images a FONTFAMILY of their texts (those of a font that shares its name
// included). PilRC builds no family of one density and no 108 dpi image:
// a 72 dpi-only nfnt becomes an NFNT, a font without a 72 dpi image cannot
// be built, and a 108 dpi text is named in a comment.
namespace {
// The font ids PilRC lets an application use.
constexpr int kFirstFontId = 128, kLastFontId = 255;

// What follows the name of what the lines rebuild.
void put_header_rest(FILE* out) {
  std::fputs(", rebuilt from the texts that glyfex-scan --sh writes.\n"
             "// FONTID counts from 128, the first font id an application may use;\n"
             "// the real font id is the application's choice.\n",
             out);
}

// A resource id no file of the run gave yet: its own, or the first free
// one from 1000 on. Returns it, and notes it as given.
long unique_id(ListingRun* run, long id) {
  long* used = run->usedIds.get();
  const auto taken = [&](long v) { return std::binary_search(used, used + run->usedCount, v); };
  if (taken(id)) {
    id = 1000;
    while (taken(id)) ++id;
  }
  if (!grow(&run->usedIds, run->usedCount, &run->usedCapacity, 256)) return id;
  used = run->usedIds.get();
  long* at = std::lower_bound(used, used + run->usedCount, id);
  std::memmove(at + 1, at, static_cast<size_t>(used + run->usedCount - at) * sizeof(long));
  *at = id;
  ++run->usedCount;
  return id;
}

}  // namespace

void begin_rcp_lines(FILE* out, size_t files) {
  std::fprintf(out, "// The fonts of %zu files", files);
  put_header_rest(out);
}

// cppcheck-suppress constParameter ; the failure writers of every form share one signature
void write_rcp_failure(FILE* out, const char* file, Fault err, ListingRun* run) {
  if (run == nullptr) return;
  std::fputs("// ", out);
  put_escaped(out, file);
  std::fprintf(out, ": %s\n", fault_text(err));
}

Fault write_rcp_lines(FILE* out, const Listing& listing) {
  if (listing.run == nullptr) {
    std::fputs("// The fonts of ", out);
    put_escaped(out, listing.file);
    put_header_rest(out);
  } else {
    std::fputs("// ", out);
    put_escaped(out, listing.file);
    std::fputc('\n', out);
  }
  if (listing.resources.records) std::fputs("// Records have no resource id; their fonts get ids from 1000 on.\n", out);
  if (fonts_found_by_contents(listing) > 0) {
    std::fputs("// Fonts found by their contents have no id; they get free ids from 1000 on.\n", out);
  }
  ListingRun* run = listing.run;
  int own_font_id = kFirstFontId;
  int& font_id = run != nullptr ? run->nextFontId : own_font_id;
  for (size_t i = 0; i < listing.count; ++i) {
    const ListingLine& line = listing.lines[i];
    if (!has_command(line) || (line.partner != kNoPartner && line.partner < i)) continue;
    const ResourceEntry& e = listing.resources.entries[line.entry];
    char text[kDensities][kMaxPath];
    for (int d = 0; d < kDensities; ++d) line_text(listing, line, d, text[d]);
    // PilRC builds single fonts: a map's fonts are built each alone.
    if (line.map) {
      std::fprintf(out, "// %s: a font map, of %d fonts; PilRC builds them each alone.\n", text[kDensity72], line.mapFonts);
      continue;
    }
    if (font_id > kLastFontId && line.familyDensity[kDensity72]) {
      std::fprintf(out, "// %s: no font id is left; PilRC takes font ids %d to %d only.\n", text[kDensity72],
                   kFirstFontId, kLastFontId);
      continue;
    }
    if (line.idReplaced) std::fprintf(out, "// Resource id %ld, which PilRC cannot take, becomes %ld.\n", e.id, line.fontId);
    // Resource ids stay unique across the files of a run.
    const long resource_id = run != nullptr ? unique_id(run, line.fontId) : line.fontId;
    if (resource_id != line.fontId) {
      std::fprintf(out, "// Resource id %ld, which another file's font has, becomes %ld.\n", line.fontId, resource_id);
    }
    if (e.database != 0) {
      std::fputs("// ", out);
      put_escaped(out, listing.resources.databases[e.database - 1].name);
      std::fputc(' ', out);
      put_type_code(out, e.type);
      std::fprintf(out, " %ld%s%s%s\n", e.id, e.fontName != nullptr ? " (" : "", e.fontName != nullptr ? e.fontName : "",
                   e.fontName != nullptr ? ")" : "");
    }
    // PilRC builds families of 72 and 144 dpi texts only.
    if (line.familyDensity[kDensity108]) {
      std::fprintf(out, "// %s: PilRC builds no 108 dpi image; the text is for reference.\n", text[kDensity108]);
    }
    if (!line.familyDensity[kDensity72] && !line.familyDensity[kDensity108]) {
      std::fprintf(out, "// %s: PilRC cannot build a font that has only a 144 dpi image.\n", text[kDensity144]);
    } else if (!line.familyDensity[kDensity72]) {
      std::fprintf(out, "// %s: PilRC cannot build a font that has no 72 dpi image.\n", text[kDensity108]);
    } else if (!line.familyDensity[kDensity144]) {
      if (std::memcmp(e.type, "nfnt", 4) == 0) {
        std::fprintf(out, "// nfnt %ld has only a 72 dpi image; PilRC builds it as an NFNT.\n", e.id);
      }
      std::fprintf(out, "FONT ID %ld FONTID %d \"%s\"\n", resource_id, font_id++, text[kDensity72]);
    } else {
      std::fprintf(out, "FONTFAMILY ID %ld FONTID %d\nBEGIN\n", resource_id, font_id++);
      for (const int d : {kDensity72, kDensity144}) std::fprintf(out, "  FONT \"%s\" DENSITY %d\n", text[d], density_dpi(d));
      std::fputs("END\n", out);
    }
  }
  return Fault::kNone;
}
