#include "bdf_parser.h"

#include <cstdio>
#include <sstream>

#include "text_parser.h"

namespace {

struct Lines {
  std::istringstream in;
  std::string line;
  int number = 0;
  bool next() {
    // Comments may stand anywhere; the one that lists missing codes is kept.
    while (std::getline(in, line)) {
      ++number;
      if (line.rfind("COMMENT", 0) != 0) return true;
      comments.push_back(line);
    }
    return false;
  }
  std::vector<std::string> comments;
};

std::string at(const Lines& l, const std::string& what) { return "line " + std::to_string(l.number) + ": " + what; }

bool starts(const std::string& s, const char* word) { return s.rfind(std::string(word) + " ", 0) == 0 || s == word; }

}  // namespace

std::string parse_bdf(const std::string& text, BdfFont* font) {
  Lines l;
  l.in.str(text);
  if (!l.next() || l.line != "STARTFONT 2.1") return at(l, "no STARTFONT 2.1");
  for (const char* word : {"FONT", "SIZE", "FONTBOUNDINGBOX"}) {
    if (!l.next() || !starts(l.line, word)) return at(l, std::string("expected ") + word);
  }
  int properties = 0;
  if (!l.next() || std::sscanf(l.line.c_str(), "STARTPROPERTIES %d", &properties) != 1 || properties < 1) {
    return at(l, "no STARTPROPERTIES");
  }
  for (int i = 0; i < properties; ++i) {
    if (!l.next()) return at(l, "properties cut short");
    const size_t space = l.line.find(' ');
    if (space == std::string::npos) return at(l, "a property without a value");
    font->properties[l.line.substr(0, space)] = l.line.substr(space + 1);
  }
  if (!l.next() || l.line != "ENDPROPERTIES") return at(l, "property count wrong");
  for (const char* required : {"FONT_ASCENT", "FONT_DESCENT"}) {
    if (font->properties.count(required) == 0) return std::string("no ") + required;
  }
  int chars = 0;
  if (!l.next() || std::sscanf(l.line.c_str(), "CHARS %d", &chars) != 1) return at(l, "no CHARS");
  for (int i = 0; i < chars; ++i) {
    BdfGlyph g;
    if (!l.next() || !starts(l.line, "STARTCHAR")) return at(l, "no STARTCHAR");
    g.name = l.line.substr(10);
    if (g.name.empty() || g.name.size() > 14 || g.name.find(' ') != std::string::npos) return at(l, "bad glyph name");
    long sy = 1, dy = 1;
    if (!l.next() || std::sscanf(l.line.c_str(), "ENCODING %ld", &g.encoding) != 1) return at(l, "no ENCODING");
    if (l.line.find(' ', 9) != std::string::npos) return at(l, "ENCODING -1 n, which readers take as n");
    long swidth = 0;
    if (!l.next() || std::sscanf(l.line.c_str(), "SWIDTH %ld %ld", &swidth, &sy) != 2 || sy != 0) return at(l, "SWIDTH");
    if (!l.next() || std::sscanf(l.line.c_str(), "DWIDTH %ld %ld", &g.dwidth, &dy) != 2 || dy != 0) return at(l, "DWIDTH");
    if (!l.next() || std::sscanf(l.line.c_str(), "BBX %ld %ld %ld %ld", &g.bbx[0], &g.bbx[1], &g.bbx[2], &g.bbx[3]) != 4) {
      return at(l, "BBX");
    }
    if (!l.next() || l.line != "BITMAP") return at(l, "no BITMAP");
    for (long r = 0; r < g.bbx[1]; ++r) {
      if (!l.next() || l.line.size() != static_cast<size_t>((g.bbx[0] + 7) / 8 * 2)) return at(l, "row of the wrong length");
      std::string pixels;
      for (long x = 0; x < g.bbx[0]; ++x) {
        const int nibble = std::stoi(l.line.substr(static_cast<size_t>(x / 4), 1), nullptr, 16);
        pixels += (nibble & (8 >> (x % 4))) ? '#' : '-';
      }
      g.rows.push_back(pixels);
    }
    if (!l.next() || l.line != "ENDCHAR") return at(l, "no ENDCHAR");
    font->glyphs.push_back(g);
  }
  if (!l.next() || l.line != "ENDFONT") return at(l, "glyph count wrong, or no ENDFONT");
  if (l.next()) return at(l, "text after ENDFONT");
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
  size_t matched = 0;
  for (const ParsedGlyph& t : parsed.glyphs) {
    if (t.code >= 0 && font.drawnAsMissing.count(t.code) > 0) continue;
    const BdfGlyph* b = nullptr;
    for (const BdfGlyph& g : font.glyphs) {
      if (t.code < 0 ? g.name == "missing" : g.encoding == t.code) b = &g;
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
