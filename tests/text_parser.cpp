#include "text_parser.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Lines {
  const std::string& text;
  size_t pos;
  int number;
};

bool next(Lines* lines, std::string* line) {
  const size_t end = lines->text.find('\n', lines->pos);
  if (end == std::string::npos) return false;
  *line = lines->text.substr(lines->pos, end - lines->pos);
  lines->pos = end + 1;
  ++lines->number;
  return true;
}

// "KEY n" with a whole decimal number; true when line has that form.
bool keyed_number(const std::string& line, const char* key, long* value) {
  const size_t n = std::strlen(key);
  if (line.compare(0, n, key) != 0 || line.size() <= n + 1 || line[n] != ' ') return false;
  char* end = nullptr;
  *value = std::strtol(line.c_str() + n + 1, &end, 10);
  return *end == '\0' && end != line.c_str() + n + 1;
}

std::string fail(const Lines& lines, const char* what) { return "line " + std::to_string(lines.number) + ": " + what; }

bool parse_name(const std::string& line, int* code) {
  long n = 0;
  if (line.size() == 9 && line.compare(0, 7, "GLYPH '") == 0 && line[8] == '\'') {
    *code = static_cast<unsigned char>(line[7]);
    return *code >= 33 && *code <= 126 && *code != '\'' && *code != '\\';
  }
  if (!keyed_number(line, "GLYPH", &n)) return false;
  *code = static_cast<int>(n);
  return n == -1 || (n >= 0 && n < 33) || n == '\'' || n == '\\' || (n > 126 && n < 256);
}

}  // namespace

std::string parse_text_font(const std::string& text, ParsedFont* font) {
  static const char* const kKeys[9] = {"fontType", "maxWidth", "kernMax", "nDescent", "fRectWidth",
                                       "fRectHeight", "ascent", "descent", "leading"};
  Lines lines{text, 0, 0};
  std::string line;
  for (int i = 0; i < 9; ++i) {
    if (!next(&lines, &line) || !keyed_number(line, kKeys[i], &font->metrics[i])) return fail(lines, "bad metric");
  }
  if (!next(&lines, &line) || !line.empty()) return fail(lines, "no empty line after the metrics");
  const long height = font->metrics[5];
  while (lines.pos != text.size()) {
    ParsedGlyph g;
    long n = 0;
    if (!next(&lines, &line) || !parse_name(line, &g.code)) return fail(lines, "bad GLYPH line");
    // Codes rise, and the missing-character glyph (-1) comes last.
    if (!font->glyphs.empty() && (font->glyphs.back().code == -1 || (g.code != -1 && g.code <= font->glyphs.back().code))) {
      return fail(lines, "code out of order");
    }
    if (!next(&lines, &line)) return fail(lines, "block ends early");
    if ((g.hasWidth = keyed_number(line, "WIDTH", &n))) {
      g.width = static_cast<int>(n);
      if (!next(&lines, &line)) return fail(lines, "block ends early");
    }
    if ((g.hasOffset = keyed_number(line, "OFFSET", &n))) {
      g.offset = static_cast<int>(n);
      if (g.offset == 0) return fail(lines, "OFFSET 0 written");
      if (!next(&lines, &line)) return fail(lines, "block ends early");
    }
    for (long r = 0; r < height; ++r) {
      if (line.empty() || line.find_first_not_of("#-") != std::string::npos) return fail(lines, "bad row");
      if (r > 0 && line.size() != g.rows[0].size()) return fail(lines, "rows differ in length");
      g.rows.push_back(line);
      if (!next(&lines, &line)) return fail(lines, "block ends early");
    }
    if (!line.empty()) return fail(lines, "no empty line after the block");
    font->glyphs.push_back(g);
  }
  return "";
}
