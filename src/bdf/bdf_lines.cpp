#include "bdf/bdf_lines.h"

#include <algorithm>
#include <cstring>

void put(Sink* s, const char* text, size_t n) {
  s->bytes += n;
  if (s->w == nullptr) return;
  for (size_t done = 0; done < n;) {
    const size_t k = std::min(n - done, room_left(*s->w));
    std::memcpy(next_bytes(s->w), text + done, k);
    add_bytes(s->w, k);
    done += k;
  }
}

void put(Sink* s, const char* text) { put(s, text, std::strlen(text)); }

// libXfont takes no font of size 0.
Line make_line(int ascent, int rows, int resolution) {
  Line l{ascent, std::max(0, rows - ascent), 0, resolution, false};
  if (l.ascent + l.descent <= 0) {
    l.ascent = 1;
    l.descent = 0;
    l.noSize = true;
  }
  l.pixelSize = l.ascent + l.descent;
  return l;
}

void add_to_summary(GlyphSummary* s, int x, int columns, int bottom, int rows, int width) {
  if (columns > 0) {
    const bool first = s->inked == 0;
    s->left = first ? x : std::min(s->left, x);
    s->right = first ? x + columns : std::max(s->right, x + columns);
    s->bottom = std::min(s->bottom, bottom);
    s->top = std::max(s->top, bottom + rows);
    ++s->inked;
  }
  if (s->count == 0) {
    s->firstWidth = width;
    s->monospaced = true;
  }
  s->monospaced = s->monospaced && width == s->firstWidth;
  s->widths += width;
  ++s->count;
}

void put_properties(Sink* s, const char* family, const Line& line, const GlyphSummary& g, const char* registry,
                    const char* encoding, bool default_char) {
  const int res = line.resolution;
  const int average = g.count > 0 ? static_cast<int>((g.widths * 10 + g.count / 2) / g.count) : 0;
  const int points = (line.pixelSize * 72 + res / 2) / res;
  const char* spacing = g.monospaced ? "M" : "P";
  if (line.noSize) put(s, "COMMENT The font has no height; its size is given as 1, as BDF readers need one.\n");
  put(s, "FONT -Palm-");
  put(s, family);
  // An XLFD field writes a negative number with a tilde, as - parts fields.
  putf(s, "-Medium-R-Normal--%d-%d-%d-%d-%s-%s%d-%s-%s\n", line.pixelSize, line.pixelSize * 720 / res, res, res, spacing,
       average < 0 ? "~" : "", average < 0 ? -average : average, registry, encoding);
  putf(s, "SIZE %d %d %d\n", points > 0 ? points : 1, res, res);
  putf(s, "FONTBOUNDINGBOX %d %d %d %d\n", g.right - g.left, g.top - g.bottom, g.left, g.bottom);
  putf(s, "STARTPROPERTIES %d\n", default_char ? 14 : 13);
  put(s, "FAMILY_NAME \"");
  put(s, family);
  put(s, "\"\n");
  putf(s, "FONT_ASCENT %d\nFONT_DESCENT %d\n", line.ascent, line.descent);
  putf(s, "PIXEL_SIZE %d\nPOINT_SIZE %d\n", line.pixelSize, line.pixelSize * 720 / res);
  putf(s, "RESOLUTION_X %d\nRESOLUTION_Y %d\n", res, res);
  putf(s, "SPACING \"%s\"\nAVERAGE_WIDTH %d\n", spacing, average);
  putf(s, "CHARSET_REGISTRY \"%s\"\nCHARSET_ENCODING \"%s\"\n", registry, encoding);
  put(s, "WEIGHT_NAME \"Medium\"\nSLANT \"R\"\n");
  if (default_char) put(s, "DEFAULT_CHAR 65533\n");
  put(s, "ENDPROPERTIES\n");
  putf(s, "CHARS %d\n", g.count);
}

void put_glyph_block(Sink* s, const char* name, int32_t encoding, const FontImage& image, int density, const Glyph& g,
                     const Line& line, int rows, int bottom) {
  putf(s, "STARTCHAR %s\nENCODING %d\n", name, static_cast<int>(encoding));
  const int width = glyph_advance(g, density), columns = static_cast<int>(glyph_span(g, density).columns);
  // The advance in thousandths of the size, to the nearest.
  const long long thousandths = width * 1000LL, p = line.pixelSize;
  const long long swidth = thousandths >= 0 ? (thousandths + p / 2) / p : -((-thousandths + p / 2) / p);
  putf(s, "SWIDTH %lld 0\nDWIDTH %d 0\n", swidth, width);
  // A glyph with a width but no image (a space) has an empty box.
  if (columns > 0) {
    putf(s, "BBX %d %d %d %d\nBITMAP\n", columns, rows, glyph_offset(g, density), bottom);
  } else {
    put(s, "BBX 0 0 0 0\nBITMAP\n");
  }
  static const char kHex[] = "0123456789ABCDEF";
  for (int r = 0; r < rows && columns > 0; ++r) {
    char row[2 * 32 + 1];
    size_t n = 0;
    for (int x = 0; x < columns; x += 8) {
      unsigned byte = 0;
      for (int b = 0; b < 8 && x + b < columns; ++b) {
        if (glyph_pixel(image, density, g, r, static_cast<uint32_t>(x + b))) byte |= 0x80u >> b;
      }
      row[n++] = kHex[byte >> 4];
      row[n++] = kHex[byte & 15];
      if (n == sizeof row - 1) {
        put(s, row, n);
        n = 0;
      }
    }
    row[n++] = '\n';
    put(s, row, n);
  }
  put(s, "ENDCHAR\n");
}

// An XLFD field, and FAMILY_NAME, hold printable ISO 8859-1 only, and no
// -, *, ?, , or " (which an XLFD name or pattern gives a meaning): the
// family's UTF-8 made so, every other character a space.
void xlfd_family(const char* name, char (&out)[kMaxPath]) {
  size_t n = 0;
  const size_t length = std::strlen(name);
  for (size_t i = 0; i < length && n + 1 < sizeof out;) {
    const auto b = static_cast<unsigned char>(name[i]);
    char c = ' ';
    size_t step = 1;
    if (b >= 0x20 && b < 0x7F) {
      c = std::strchr("-*?,\"", b) == nullptr ? static_cast<char>(b) : ' ';
    } else if ((b == 0xC2 || b == 0xC3) && i + 1 < length && (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80) {
      const unsigned latin = (b & 0x1F) << 6 | (static_cast<unsigned char>(name[i + 1]) & 0x3F);
      c = latin >= 0xA0 ? static_cast<char>(latin) : ' ';
      step = 2;
    } else if (b >= 0xC0) {
      // Any other character, its continuation bytes with it.
      while (i + step < length && (static_cast<unsigned char>(name[i + step]) & 0xC0) == 0x80) ++step;
    }
    out[n++] = c;
    i += step;
  }
  out[n] = '\0';
}
