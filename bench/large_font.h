// The large synthetic fonts both benchmarks time.
#ifndef GLYFEX_BENCH_LARGE_FONT_H
#define GLYFEX_BENCH_LARGE_FONT_H

#include <string>
#include <vector>

#include "font_builder.h"

// glyphs glyphs of columns x rows, every pixel drawn from a fixed pattern;
// the offset/width table goes before the header, as owTLoc cannot reach
// past a strip this large.
inline FontModel large_font(int glyphs, int columns, int rows) {
  std::vector<GlyphModel> models;
  std::string pattern;
  for (int x = 0; x < columns; ++x) pattern += (x * 7 + x / 3) % 5 < 2 ? '#' : '-';
  for (int c = 0; c < glyphs; ++c) {
    std::vector<std::string> drawn(rows);
    for (int r = 0; r < rows; ++r) drawn[r] = pattern.substr(r % 5) + pattern.substr(0, r % 5);
    models.push_back({c, drawn, -1, 0, 0});
  }
  FontModel m = make_font(0, glyphs - 1, rows, models);
  m.owBeforeHeader = true;
  return m;
}

#endif
