// Reads the text font description back, strictly, for round-trip tests.
#ifndef GLYFEX_TESTS_TEXT_PARSER_H
#define GLYFEX_TESTS_TEXT_PARSER_H

#include <string>
#include <vector>

struct ParsedGlyph {
  int code = -1;
  bool hasWidth = false;
  int width = 0;
  bool hasOffset = false;
  int offset = 0;
  std::vector<std::string> rows;

  bool operator==(const ParsedGlyph& o) const {
    return code == o.code && hasWidth == o.hasWidth && width == o.width && hasOffset == o.hasOffset &&
           offset == o.offset && rows == o.rows;
  }
};

struct ParsedFont {
  long metrics[9] = {};  // fontType, maxWidth, kernMax, nDescent, fRectWidth, fRectHeight, ascent, descent, leading
  std::vector<ParsedGlyph> glyphs;
};

// Returns "" on success, else what was wrong and on which line.
std::string parse_text_font(const std::string& text, ParsedFont* font);

#endif
