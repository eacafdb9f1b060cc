#include "listing/sample_line.h"

namespace {
const char kSampleText[] = "The quick brown fox jumps over the lazy dog. 0123456789";
}  // namespace

bool sample_glyph(const FontImage& image, int density, int c, Glyph* g, int* advance) {
  const FontHeader& h = image.header;
  if (!drawn_as_missing(image, c)) {
    *g = glyph_at(image, c, c);
    *advance = has_image(image, c) ? glyph_advance(*g, density) : static_cast<int>(at_density(g->width, density));
    return has_image(image, c);
  }
  *advance = 0;
  if (!image.hasMissingGlyph) return false;
  *g = glyph_at(image, h.lastChar + 1, -1);
  *advance = glyph_advance(*g, density);
  return true;
}

size_t sample_codes(const FontImage& image, int (&codes)[kMaxSample]) {
  bool seen[256] = {};
  int distinct = 0, drawn = 0;
  for (const char* p = kSampleText; *p != '\0'; ++p) {
    const int c = static_cast<unsigned char>(*p);
    if (c == ' ' || seen[c]) continue;
    seen[c] = true;
    ++distinct;
    drawn += !drawn_as_missing(image, c) && has_image(image, c) ? 1 : 0;
  }
  size_t n = 0;
  if (3 * drawn >= distinct) {
    for (const char* p = kSampleText; *p != '\0' && n < kMaxSample; ++p) codes[n++] = static_cast<unsigned char>(*p);
    return n;
  }
  Glyph g{};
  for (int cursor = 0; n < kMaxSample && next_glyph(image, &cursor, &g);) {
    if (g.code >= 0 && !drawn_as_missing(image, g.code)) codes[n++] = g.code;
  }
  return n;
}

