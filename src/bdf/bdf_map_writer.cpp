// A font map's BDF: one font of every piece's glyphs, each at its
// character (cp932 for a map of the Japanese locale, else its code), its
// cell's top on the line's top with the map's ascent as the baseline, as
// Palm OS draws a line of mixed pieces.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "bdf/bdf_font.h"
#include "bdf/bdf_lines.h"
#include "bdf/bdf_map_glyphs.h"
#include "font/charset.h"
#include "font/cp932.h"
#include "font/glyph_walk.h"

namespace {

constexpr int32_t kPrivateUse = 0xF000;

// Encodings already given, so that one character has one glyph.
struct Given {
  uint64_t bits[65536 / 64 + 1];
};

bool give(Given* given, int32_t encoding) {
  if (encoding < 0 || encoding > 0xFFFF) return true;
  uint64_t& word = given->bits[encoding / 64];
  const uint64_t bit = uint64_t{1} << (encoding % 64);
  if ((word & bit) != 0) return false;
  word |= bit;
  return true;
}

// The encoding and name of a piece's glyph, or false when it has none (a
// code cp932 gives no character), or when canonical and it is a second
// code of a character, which comes after the first codes of all.
bool map_encoding(const MappedFont& font, const FontPiece& p, const Glyph& g, bool canonical, MapGlyph* out) {
  if (g.code < 0) {
    out->encoding = font.cp932 ? kReplacementCharacter : kNoCharacter;
    std::snprintf(out->name, sizeof out->name, "missing");
    return canonical;
  }
  if (p.lead < 0) {
    const int32_t u = font.cp932 ? charset_unicode(Charset::kSjis, g.code) : g.code;
    out->encoding = u != kNoCharacter ? u : kPrivateUse + g.code;
    if (font.cp932 && u != kNoCharacter) {
      std::snprintf(out->name, sizeof out->name, "uni%04X", static_cast<unsigned>(u));
    } else {
      std::snprintf(out->name, sizeof out->name, "palm%02X", static_cast<unsigned>(g.code));
    }
    return canonical;
  }
  if (!font.cp932) {
    out->encoding = p.lead << 8 | g.code;
    std::snprintf(out->name, sizeof out->name, "palm%04X", static_cast<unsigned>(out->encoding));
    return canonical;
  }
  const int32_t u = cp932_unicode(p.lead, g.code);
  if (u < 0 || cp932_canonical(p.lead, g.code) != canonical) return false;
  out->encoding = u;
  std::snprintf(out->name, sizeof out->name, "uni%04X", static_cast<unsigned>(u));
  return true;
}

}  // namespace

// Calls visit on every glyph of the BDF: the single-byte font's for the
// bytes the map takes from it, each subfont's for its lead byte, and the
// single-byte font's missing-character glyph last; a character once, at
// the code cp932 gives it where two codes draw it.
template <typename Visit>
void each_map_glyph(const MappedFont& font, Visit visit) {
  std::unique_ptr<Given, FreeBytes> given(static_cast<Given*>(std::calloc(1, sizeof(Given))));
  if (!given) return;
  const FontPiece* missing = nullptr;
  for (const bool canonical : {true, false}) {
    for (int i = 0; i < font.count; ++i) {
      const FontPiece& p = font.pieces[i];
      if (!p.image.hasDensity[kDensity72]) continue;
      const FontHeader& h = p.image.header;
      for (int code = h.firstChar; code <= h.lastChar; ++code) {
        if ((p.lead < 0 && !p.bytes[code]) || drawn_as_missing(p.image, code)) continue;
        MapGlyph m{&p, glyph_at(p.image, code, code), 0, {}};
        if (!has_image(p.image, code) && m.glyph.width <= 0) continue;
        if (map_encoding(font, p, m.glyph, canonical, &m) && give(given.get(), m.encoding)) visit(m);
      }
      if (p.lead < 0 && p.image.hasMissingGlyph && missing == nullptr) missing = &p;
    }
  }
  if (missing != nullptr) {
    MapGlyph m{missing, glyph_at(missing->image, missing->image.header.lastChar + 1, -1), 0, {}};
    if (map_encoding(font, *missing, m.glyph, true, &m)) visit(m);
  }
}

bool map_glyph_of(const MappedFont& font, int32_t character, MapGlyph* out) {
  bool found = false;
  each_map_glyph(font, [&](const MapGlyph& m) {
    if (!found && m.encoding == character && m.glyph.code >= 0) {
      *out = m;
      found = true;
    }
  });
  return found;
}

namespace {

// The first bytes of a kind the map leaves out, said in a comment.
void put_left_out(Sink* s, const bool (&bytes)[256], const char* why) {
  int listed = 0;
  for (int b = 0; b < 256; ++b) {
    if (!bytes[b]) continue;
    if (listed % 16 == 0) putf(s, listed == 0 ? "COMMENT Left out, %s:" : "\nCOMMENT  and", why);
    putf(s, " 0x%02X", b);
    ++listed;
  }
  if (listed > 0) put(s, "\n");
}

void write_map(Sink* s, const MappedFont& font, const char* family_name) {
  const FontHeader& h = font.header;
  const Line line = make_line(h.ascent, h.fRectHeight, density_dpi(kDensity72));
  GlyphSummary summary{0, 0, h.ascent, h.ascent - h.fRectHeight, 0, 0, 0, true, 0};
  int characters = 0;
  each_map_glyph(font, [&](const MapGlyph& m) {
    characters += m.glyph.code >= 0 ? 1 : 0;
    const auto rows = static_cast<int>(m.piece->image.header.fRectHeight);
    add_to_summary(&summary, m.glyph.offset, static_cast<int>(m.glyph.columns), h.ascent - rows, rows, m.glyph.width);
  });
  char family[kMaxPath];
  xlfd_family(family_name, family);
  put(s, "STARTFONT 2.1\n");
  putf(s, "COMMENT Converted from a Palm OS font map by glyfex: %d fonts, %d characters.\n", font.fontCount,
       characters);
  putf(s, "COMMENT Palm map header: fontType %d ascent %d descent %d fRectHeight %d maxWidth %d\n",
       static_cast<uint16_t>(h.fontType), h.ascent, h.descent, h.fRectHeight, h.maxWidth);
  if (!font.cp932) {
    put(s, "COMMENT The map's database is not Palm OS's Japanese locale: its characters are given as their codes, "
           "lead byte x 256 + trail byte.\n");
  }
  put_left_out(s, font.shared, "a font several lead bytes share (drawn for unassigned ones)");
  put_left_out(s, font.missing, "their font not in the file or damaged");
  put_left_out(s, font.otherState, "map entries of no known state");
  put_properties(s, family, line, summary, font.cp932 ? "ISO10646" : "PalmOS", font.cp932 ? "1" : "Codes",
                 font.cp932 && font.count > 0 && font.pieces[0].image.hasMissingGlyph);
  each_map_glyph(font, [&](const MapGlyph& m) {
    const auto rows = static_cast<int>(m.piece->image.header.fRectHeight);
    put_glyph_block(s, m.name, m.encoding, m.piece->image, kDensity72, m.glyph, line, rows, h.ascent - rows);
  });
  put(s, "ENDFONT\n");
}

}  // namespace

int bdf_map_characters(const MappedFont& font) {
  int n = 0;
  each_map_glyph(font, [&n](const MapGlyph& m) { n += m.glyph.code >= 0 ? 1 : 0; });
  return n;
}

uint64_t bdf_map_bytes(const MappedFont& font, const char* family) {
  Sink count{nullptr, 0};
  write_map(&count, font, family);
  return count.bytes;
}

Fault write_bdf_map(OsFile file, const MappedFont& font, const char* family, uint64_t bytes) {
  BlockWriter w;
  if (!open_block_writer(&w, file, bytes)) {
    close_block_writer(&w);
    return Fault::kTextMemory;
  }
  Sink sink{&w, 0};
  write_map(&sink, font, family);
  return close_block_writer(&w) ? Fault::kNone : Fault::kOutputWrite;
}
