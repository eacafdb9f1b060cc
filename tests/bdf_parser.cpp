#include "bdf_parser.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "text_parser.h"

namespace {

struct Lines {
  std::istringstream in;
  std::string line;
  int number = 0;
  std::vector<std::string> comments;
};

// Comments may stand anywhere; the one that lists missing codes is kept.
bool next(Lines& l) {
  while (std::getline(l.in, l.line)) {
    ++l.number;
    if (l.line.rfind("COMMENT", 0) != 0) return true;
    l.comments.push_back(l.line);
  }
  return false;
}

// "WORD n1 n2 ...": the word, then count whole numbers.
bool numbers(const std::string& line, const char* word, long* out, int count) {
  std::istringstream s(line);
  std::string w;
  if (!(s >> w) || w != word) return false;
  for (int i = 0; i < count; ++i) {
    if (!(s >> out[i])) return false;
  }
  return true;
}

std::string at(const Lines& l, const std::string& what) { return "line " + std::to_string(l.number) + ": " + what; }

bool starts(const std::string& s, const char* word) { return s.rfind(std::string(word) + " ", 0) == 0 || s == word; }

}  // namespace

std::string parse_bdf(const std::string& text, BdfFont* font) {
  Lines l;
  l.in.str(text);
  if (!next(l) || l.line != "STARTFONT 2.1") return at(l, "no STARTFONT 2.1");
  for (const char* word : {"FONT", "SIZE", "FONTBOUNDINGBOX"}) {
    if (!next(l) || !starts(l.line, word)) return at(l, std::string("expected ") + word);
  }
  long properties = 0;
  if (!next(l) || !numbers(l.line, "STARTPROPERTIES", &properties, 1) || properties < 1) {
    return at(l, "no STARTPROPERTIES");
  }
  for (long i = 0; i < properties; ++i) {
    if (!next(l)) return at(l, "properties cut short");
    const size_t space = l.line.find(' ');
    if (space == std::string::npos) return at(l, "a property without a value");
    font->properties[l.line.substr(0, space)] = l.line.substr(space + 1);
  }
  if (!next(l) || l.line != "ENDPROPERTIES") return at(l, "property count wrong");
  for (const char* required : {"FONT_ASCENT", "FONT_DESCENT"}) {
    if (font->properties.count(required) == 0) return std::string("no ") + required;
  }
  long chars = 0;
  if (!next(l) || !numbers(l.line, "CHARS", &chars, 1)) return at(l, "no CHARS");
  for (long i = 0; i < chars; ++i) {
    BdfGlyph g;
    if (!next(l) || !starts(l.line, "STARTCHAR")) return at(l, "no STARTCHAR");
    g.name = l.line.substr(10);
    if (g.name.empty() || g.name.size() > 14 || g.name.find(' ') != std::string::npos) return at(l, "bad glyph name");
    if (!next(l) || !numbers(l.line, "ENCODING", &g.encoding, 1)) return at(l, "no ENCODING");
    if (l.line.find(' ', 9) != std::string::npos) return at(l, "ENCODING -1 n, which readers take as n");
    long swidth[2] = {0, 1}, dwidth[2] = {0, 1};
    if (!next(l) || !numbers(l.line, "SWIDTH", swidth, 2) || swidth[1] != 0) return at(l, "SWIDTH");
    if (!next(l) || !numbers(l.line, "DWIDTH", dwidth, 2) || dwidth[1] != 0) return at(l, "DWIDTH");
    g.dwidth = dwidth[0];
    if (!next(l) || !numbers(l.line, "BBX", g.bbx, 4)) {
      return at(l, "BBX");
    }
    if (!next(l) || l.line != "BITMAP") return at(l, "no BITMAP");
    for (long r = 0; r < g.bbx[1]; ++r) {
      if (!next(l) || l.line.size() != static_cast<size_t>((g.bbx[0] + 7) / 8 * 2)) return at(l, "row of the wrong length");
      std::string pixels;
      for (long x = 0; x < g.bbx[0]; ++x) {
        const int nibble = std::stoi(l.line.substr(static_cast<size_t>(x / 4), 1), nullptr, 16);
        pixels += (nibble & (8 >> (x % 4))) ? '#' : '-';
      }
      g.rows.push_back(pixels);
    }
    if (!next(l) || l.line != "ENDCHAR") return at(l, "no ENDCHAR");
    font->glyphs.push_back(g);
  }
  if (!next(l) || l.line != "ENDFONT") return at(l, "glyph count wrong, or no ENDFONT");
  if (next(l)) return at(l, "text after ENDFONT");
  for (const std::string& c : l.comments) {
    const size_t colon = c.find(':');
    if (c.find("missing glyph") == std::string::npos && c.rfind("COMMENT  and", 0) != 0) continue;
    std::istringstream codes(c.substr(colon == std::string::npos ? 12 : colon + 1));
    for (int code = 0; codes >> code;) font->drawnAsMissing.insert(code);
  }
  return "";
}

std::string bdf_matches_text(const std::string& bdf, const std::string& text) {
  BdfFont font;
  if (const std::string err = parse_bdf(bdf, &font); !err.empty()) return "BDF: " + err;
  ParsedFont parsed;
  if (const std::string err = parse_text_font(text, &parsed); !err.empty()) return "text: " + err;
  // Each cell is placed as Palm OS draws it, from the line's top with the
  // baseline ascent rows down; a Unicode font encodes every glyph.
  const long height = parsed.metrics[5], ascent = parsed.metrics[6];
  const bool unicode = font.properties["CHARSET_REGISTRY"] == "\"ISO10646\"";
  const long descent = std::max(0L, height - ascent), size = ascent + descent > 0 ? ascent + descent : 1;
  if (font.properties["FONT_ASCENT"] != std::to_string(ascent + descent > 0 ? ascent : 1) ||
      font.properties["FONT_DESCENT"] != std::to_string(ascent + descent > 0 ? descent : 0) ||
      font.properties["PIXEL_SIZE"] != std::to_string(size)) {
    return "FONT_ASCENT, FONT_DESCENT or PIXEL_SIZE not the ascent and the rows below it";
  }
  size_t matched = 0;
  for (const BdfGlyph& g : font.glyphs) {
    if (unicode && g.encoding < 0) return "glyph " + g.name + " unencoded in a Unicode font";
    if (g.bbx[0] > 0 && g.bbx[3] != ascent - height) return "glyph " + g.name + ": cell not at ascent - rows";
  }
  for (const ParsedGlyph& t : parsed.glyphs) {
    if (t.code >= 0 && font.drawnAsMissing.count(t.code) > 0) continue;
    const BdfGlyph* b = nullptr;
    for (const BdfGlyph& g : font.glyphs) {
      // With Unicode, a glyph is found by its name where it has no
      // character (palmXX, in the Private Use Area).
      char palm[16];
      std::snprintf(palm, sizeof palm, "palm%02X", static_cast<unsigned>(t.code));
      if (t.code < 0 ? g.name == "missing" : (unicode ? g.name == palm || g.encoding == t.code : g.encoding == t.code)) b = &g;
    }
    const std::string which = "glyph " + std::to_string(t.code) + ": ";
    if (b == nullptr) return which + "not in the BDF";
    ++matched;
    const long columns = t.rows.empty() ? b->bbx[0] : static_cast<long>(t.rows[0].size());
    if (b->dwidth != (t.hasWidth ? t.width : columns)) return which + "DWIDTH " + std::to_string(b->dwidth);
    if (b->bbx[2] != t.offset) return which + "x offset " + std::to_string(b->bbx[2]);
    if (!t.rows.empty() && b->rows != t.rows) return which + "pixels differ";
  }
  for (const BdfGlyph& g : font.glyphs) {
    if (g.bbx[0] == 0 && g.rows.empty() && g.dwidth > 0) ++matched;
  }
  return matched == font.glyphs.size() ? "" : "the BDF holds glyphs the text does not";
}
