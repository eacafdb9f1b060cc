// The BDF text: a header of properties from the Palm header, then one
// STARTCHAR block per glyph whose BBX is the Palm cell (the image's
// columns, the font's height, the Palm offset, the descent below the
// baseline) and whose DWIDTH is the Palm width.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bdf/bdf_font.h"
#include "bdf/bdf_lines.h"
#include "font/cp932.h"
#include "font/glyph_walk.h"
#include "text/block_writer.h"

namespace {

// The glyph of a code as it goes into the BDF, when it goes in: one Palm OS
// draws with the missing-character glyph does not, nor one with neither
// an image nor a width.
bool bdf_glyph(const FontImage& image, int code, Glyph* g) {
  if (drawn_as_missing(image, code)) return false;
  *g = glyph_at(image, code, code);
  return has_image(image, code) || g->width > 0;
}

// Calls visit on every glyph the BDF holds, in code order, the
// missing-character glyph last.
template <typename Visit>
void each_glyph(const FontImage& image, Visit visit) {
  const FontHeader& h = image.header;
  for (int code = h.firstChar; code <= h.lastChar; ++code) {
    Glyph g{};
    if (bdf_glyph(image, code, &g)) visit(g);
  }
  if (image.hasMissingGlyph) visit(glyph_at(image, h.lastChar + 1, -1));
}

// libXfont holds 16-bit encodings only, and refuses a font with a larger
// one: a character past U+FFFF has none in the BDF.
constexpr int32_t kLargestEncoding = 0xFFFF;

// A glyph with no character of its own (one only Palm OS has, the second
// code of a character two codes draw, a character past U+FFFF) goes to
// the Private Use Area at U+F000 + its code, where every tool keeps it:
// an unencoded glyph is given a free code point, a real letter's, by
// some. With the Palm codes, the code; the missing-character glyph is
// U+FFFD, or with the Palm codes unencoded.
constexpr int32_t kPrivateUse = 0xF000;

// The character of the glyph's code: by the charset, or for a subfont
// under a lead byte by cp932.
int32_t character_of(const BdfOptions& o, int code) {
  return o.lead >= 0 ? cp932_unicode(o.lead, code) : charset_unicode(o.charset, code);
}

bool is_unicode(const BdfOptions& o) { return o.lead >= 0 || charset_is_unicode(o.charset); }

int32_t encoding_of(const BdfOptions& o, const Glyph& g) {
  const bool unicode = is_unicode(o);
  if (g.code < 0) return unicode ? kReplacementCharacter : kNoCharacter;
  const int32_t u = character_of(o, g.code);
  return !unicode || (u != kNoCharacter && u <= kLargestEncoding) ? u : kPrivateUse + g.code;
}

// True when the glyph's encoding is its character's own.
bool has_character(const BdfOptions& o, const Glyph& g) {
  const int32_t u = g.code >= 0 ? character_of(o, g.code) : kNoCharacter;
  return is_unicode(o) && u != kNoCharacter && u <= kLargestEncoding;
}

// The whole Palm header as the file has it: the thirteen fields, an
// extended font's version and density list, and the byte order.
void put_header_comments(Sink* s, const FontImage& image, int density) {
  putf(s, "COMMENT Converted from a Palm OS font by glyfex, its %d dpi image.\n", density_dpi(density));
  put(s, "COMMENT Palm header:");
  for (const HeaderField& f : kHeaderFields) {
    const int value = f.value == &FontHeader::fontType ? static_cast<uint16_t>(image.fileFontType)
                                                       : metric_value(image.header, f, kDensity72);
    putf(s, " %s %d", f.name, value);
  }
  put(s, "\n");
  if (image.densityCount > 0) {
    putf(s, "COMMENT Palm extended header: version 1 densityCount %d", image.densityCount);
    for (int i = 0; i < image.densityCount; ++i) {
      putf(s, " density %d glyphBitsOffset %u", image.listedDpi[i], static_cast<unsigned>(image.listedOffset[i]));
    }
    put(s, "\n");
  }
  putf(s, "COMMENT Palm byte order: %s\n", image.byteOrder == ByteOrder::kBig ? "big-endian" : "little-endian");
  // Codes Palm OS draws with the missing-character glyph, sixteen a line.
  int listed = 0;
  for (int code = image.header.firstChar; code <= image.header.lastChar; ++code) {
    if (!drawn_as_missing(image, code)) continue;
    if (listed % 16 == 0) put(s, listed == 0 ? "COMMENT Drawn with the missing glyph:" : "\nCOMMENT  and");
    putf(s, " %d", code);
    ++listed;
  }
  if (listed > 0) put(s, "\n");
  if (image.inkOutside[density] > 0) {
    putf(s, "COMMENT %llu set pixels lie outside every glyph; no glyph holds them.\n",
         static_cast<unsigned long long>(image.inkOutside[density]));
  }
}

// A glyph's name: uniXXXX by its character, palmXX by its code where it
// has none of its own, missing for the missing-character glyph.
void glyph_name(const BdfOptions& o, const Glyph& g, char (&out)[16]) {
  if (g.code < 0) {
    std::snprintf(out, sizeof out, "missing");
  } else if (has_character(o, g)) {
    std::snprintf(out, sizeof out, "uni%04X", static_cast<unsigned>(encoding_of(o, g)));
  } else {
    std::snprintf(out, sizeof out, "palm%02X", static_cast<unsigned>(g.code));
  }
}

void write_bdf(Sink* s, const FontImage& image, int density, const BdfOptions& o) {
  const FontHeader& h = image.header;
  const auto rows = static_cast<int>(density_rows(h, density));
  const auto ascent = static_cast<int>(at_density(h.ascent, density));
  const Line line = make_line(ascent, rows, density_dpi(density));
  const int bottom = ascent - rows;
  GlyphSummary summary{0, 0, bottom + rows, bottom, 0, 0, 0, true, 0};
  each_glyph(image, [&](const Glyph& g) {
    add_to_summary(&summary, glyph_offset(g, density), static_cast<int>(glyph_span(g, density).columns), bottom, rows,
                   glyph_advance(g, density));
  });
  const bool unicode = is_unicode(o);
  char family[kMaxPath];
  xlfd_family(o.family, family);
  put(s, "STARTFONT 2.1\n");
  put_header_comments(s, image, density);
  put_properties(s, family, line, summary, unicode ? "ISO10646" : "PalmOS", unicode ? "1" : "Codes",
                 unicode && image.hasMissingGlyph);
  each_glyph(image, [&](const Glyph& g) {
    char name[16];
    glyph_name(o, g, name);
    put_glyph_block(s, name, encoding_of(o, g), image, density, g, line, rows, bottom);
  });
  put(s, "ENDFONT\n");
}

}  // namespace

bool bdf_has_glyph(const FontImage& image) {
  bool any = false;
  each_glyph(image, [&any](const Glyph&) { any = true; });
  return any;
}

uint64_t bdf_font_bytes(const FontImage& image, int density, const BdfOptions& options) {
  Sink count{nullptr, 0};
  write_bdf(&count, image, density, options);
  return count.bytes;
}

Fault write_bdf_font(OsFile file, const FontImage& image, int density, const BdfOptions& options, uint64_t bytes) {
  if (!bdf_has_glyph(image)) return Fault::kBdfNoGlyph;
  BlockWriter w;
  if (!open_block_writer(&w, file, bytes)) {
    close_block_writer(&w);
    return Fault::kTextMemory;
  }
  Sink sink{&w, 0};
  write_bdf(&sink, image, density, options);
  return close_block_writer(&w) ? Fault::kNone : Fault::kOutputWrite;
}
