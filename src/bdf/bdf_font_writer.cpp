// The BDF text: a header of properties from the Palm header, then one
// STARTCHAR block per glyph whose BBX is the Palm cell (the image's
// columns, the font's height, the Palm offset, the descent below the
// baseline) and whose DWIDTH is the Palm width.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bdf/bdf_font.h"
#include "font/glyph_walk.h"
#include "text/block_writer.h"

namespace {

// Where the text goes: the block, or only a count when w is nullptr.
struct Sink {
  BlockWriter* w;
  uint64_t bytes;
};

void put(Sink* s, const char* text, size_t n) {
  s->bytes += n;
  if (s->w == nullptr) return;
  for (size_t done = 0; done < n;) {
    if (room_left(*s->w) == 0) hand_over(s->w);
    const size_t k = n - done < room_left(*s->w) ? n - done : room_left(*s->w);
    std::memcpy(reserve_bytes(s->w, k), text + done, k);
    s->w->used += k;
    done += k;
  }
}

void put(Sink* s, const char* text) { put(s, text, std::strlen(text)); }

// A line of at most 255 bytes, made by snprintf.
template <typename... Args>
void putf(Sink* s, const char* format, Args... args) {
  char line[256];
  const int n = std::snprintf(line, sizeof line, format, args...);
  if (n > 0) put(s, line, static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1);
}

// What every glyph of the font at the density shares, worked out once.
// Palm OS draws a glyph's cell from the top of the line, the baseline
// ascent rows below it, whatever the descent says: the cell's bottom lies
// at ascent - rows.
struct Cell {
  int density;
  int height;  // the image's rows
  int bottom;  // where the cell's bottom lies against the baseline
  int ascent, descent;  // FONT_ASCENT and FONT_DESCENT
  int pixelSize;  // their sum, at least 1
  int resolution;
};

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

int32_t encoding_of(const BdfOptions& o, const Glyph& g) {
  const bool unicode = charset_is_unicode(o.charset);
  if (g.code < 0) return unicode ? kReplacementCharacter : kNoCharacter;
  const int32_t u = charset_unicode(o.charset, g.code);
  return !unicode || (u != kNoCharacter && u <= kLargestEncoding) ? u : kPrivateUse + g.code;
}

// True when the glyph's encoding is its character's own.
bool has_character(const BdfOptions& o, const Glyph& g) {
  const int32_t u = charset_unicode(o.charset, g.code);
  return g.code >= 0 && charset_is_unicode(o.charset) && u != kNoCharacter && u <= kLargestEncoding;
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

void put_glyph(Sink* s, const FontImage& image, int density, const Cell& c, const BdfOptions& o, const Glyph& g) {
  const int32_t encoding = encoding_of(o, g);
  if (g.code < 0) {
    put(s, "STARTCHAR missing\n");
  } else if (has_character(o, g)) {
    putf(s, "STARTCHAR uni%04X\n", static_cast<unsigned>(encoding));
  } else {
    putf(s, "STARTCHAR palm%02X\n", static_cast<unsigned>(g.code));
  }
  putf(s, "ENCODING %d\n", static_cast<int>(encoding));
  const int width = glyph_advance(g, c.density), columns = static_cast<int>(glyph_span(g, c.density).columns);
  // The advance in thousandths of the size, to the nearest.
  const long long thousandths = width * 1000LL, p = c.pixelSize;
  const long long swidth = thousandths >= 0 ? (thousandths + p / 2) / p : -((-thousandths + p / 2) / p);
  putf(s, "SWIDTH %lld 0\nDWIDTH %d 0\n", swidth, width);
  // A glyph with a width but no image (a space) has an empty box.
  if (columns > 0) {
    putf(s, "BBX %d %d %d %d\nBITMAP\n", columns, c.height, glyph_offset(g, c.density), c.bottom);
  } else {
    put(s, "BBX 0 0 0 0\nBITMAP\n");
  }
  static const char kHex[] = "0123456789ABCDEF";
  for (int r = 0; r < c.height && columns > 0; ++r) {
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

void write_bdf(Sink* s, const FontImage& image, int density, const BdfOptions& o) {
  const FontHeader& h = image.header;
  Cell c{density, static_cast<int>(density_rows(h, density)), 0, static_cast<int>(at_density(h.ascent, density)), 0, 1,
         density_dpi(density)};
  c.bottom = c.ascent - c.height;
  c.descent = std::max(0, c.height - c.ascent);
  // libXfont takes no font of size 0.
  const bool no_size = c.ascent + c.descent <= 0;
  if (no_size) {
    c.ascent = 1;
    c.descent = 0;
  }
  c.pixelSize = c.ascent + c.descent;
  // The bounding box of every glyph, their advances and how many they are.
  int left = 0, right = 0, count = 0, inked = 0, first_width = 0;
  long long widths = 0;
  bool monospaced = true;
  each_glyph(image, [&](const Glyph& g) {
    const int x = glyph_offset(g, density), w = static_cast<int>(glyph_span(g, density).columns);
    if (w > 0 && (inked == 0 || x < left)) left = x;
    if (w > 0 && (inked == 0 || x + w > right)) right = x + w;
    inked += w > 0 ? 1 : 0;
    if (count == 0) first_width = g.width;
    monospaced = monospaced && g.width == first_width;
    widths += glyph_advance(g, density);
    ++count;
  });
  const int average = count > 0 ? static_cast<int>((widths * 10 + count / 2) / count) : 0;
  const int points = (c.pixelSize * 72 + c.resolution / 2) / c.resolution;
  const bool unicode = charset_is_unicode(o.charset);
  const char* registry = unicode ? "ISO10646" : "PalmOS";
  const char* encoding = unicode ? "1" : "Codes";
  const char* spacing = monospaced ? "M" : "P";
  const bool default_char = unicode && image.hasMissingGlyph;

  char family[kMaxPath];
  xlfd_family(o.family, family);
  put(s, "STARTFONT 2.1\n");
  put_header_comments(s, image, density);
  if (no_size) put(s, "COMMENT The font has no height; its size is given as 1, as BDF readers need one.\n");
  put(s, "FONT -Palm-");
  put(s, family);
  // An XLFD field writes a negative number with a tilde, as - parts fields.
  putf(s, "-Medium-R-Normal--%d-%d-%d-%d-%s-%s%d-%s-%s\n", c.pixelSize, c.pixelSize * 720 / c.resolution, c.resolution,
       c.resolution, spacing, average < 0 ? "~" : "", average < 0 ? -average : average, registry, encoding);
  putf(s, "SIZE %d %d %d\n", points > 0 ? points : 1, c.resolution, c.resolution);
  putf(s, "FONTBOUNDINGBOX %d %d %d %d\n", right - left, c.height, left, c.bottom);
  putf(s, "STARTPROPERTIES %d\n", default_char ? 14 : 13);
  put(s, "FAMILY_NAME \"");
  put(s, family);
  put(s, "\"\n");
  putf(s, "FONT_ASCENT %d\nFONT_DESCENT %d\n", c.ascent, c.descent);
  putf(s, "PIXEL_SIZE %d\nPOINT_SIZE %d\n", c.pixelSize, c.pixelSize * 720 / c.resolution);
  putf(s, "RESOLUTION_X %d\nRESOLUTION_Y %d\n", c.resolution, c.resolution);
  putf(s, "SPACING \"%s\"\nAVERAGE_WIDTH %d\n", spacing, average);
  putf(s, "CHARSET_REGISTRY \"%s\"\nCHARSET_ENCODING \"%s\"\n", registry, encoding);
  put(s, "WEIGHT_NAME \"Medium\"\nSLANT \"R\"\n");
  if (default_char) putf(s, "DEFAULT_CHAR %d\n", kReplacementCharacter);
  put(s, "ENDPROPERTIES\n");
  putf(s, "CHARS %d\n", count);
  each_glyph(image, [&](const Glyph& g) { put_glyph(s, image, density, c, o, g); });
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

Fault write_bdf_font(OsFile file, const FontImage& image, int density, const BdfOptions& options) {
  if (!bdf_has_glyph(image)) return Fault::kBdfNoGlyph;
  BlockWriter w;
  if (!open_block_writer(&w, file)) {
    close_block_writer(&w);
    return Fault::kTextMemory;
  }
  Sink sink{&w, 0};
  write_bdf(&sink, image, density, options);
  return close_block_writer(&w) ? Fault::kNone : Fault::kOutputWrite;
}
