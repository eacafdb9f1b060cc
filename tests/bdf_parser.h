// Reads a BDF font back, strictly, and holds it against the text of the
// same font.
#ifndef GLYFEX_TESTS_BDF_PARSER_H
#define GLYFEX_TESTS_BDF_PARSER_H

#include <map>
#include <set>
#include <string>
#include <vector>

struct BdfGlyph {
  std::string name;
  long encoding = -1;
  long dwidth = 0;
  long bbx[4] = {};  // width, height, x and y offset
  std::vector<std::string> rows;  // '#' and '-', bbx[0] columns each
};

struct BdfFont {
  std::map<std::string, std::string> properties;  // as written, strings with their quotes
  std::set<int> drawnAsMissing;  // from the comment that lists them
  std::vector<BdfGlyph> glyphs;
};

// Returns "" on success, else what was wrong and on which line: the order
// libXfont requires, the property and glyph counts, the fields of every
// glyph and its rows of whole hex bytes.
std::string parse_bdf(const std::string& text, BdfFont* font);

// "" when every glyph of the text is in the BDF with the same pixels,
// width and offset (found by its code as encoding, for a font written with
// the palm charset; the missing-character glyph by its name), but for the
// codes the BDF lists as drawn with the missing glyph, and the BDF holds
// no other glyph but empty ones with a width.
std::string bdf_matches_text(const std::string& bdf, const std::string& text);

#endif
