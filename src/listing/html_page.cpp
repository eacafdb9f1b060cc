// glyfex-scan --html: one self-contained page (inline CSS and SVG, nothing
// loaded from anywhere) with the listing and, for every font it gives a
// command for, the command, the metrics, and for each density a sample line
// and a sheet of every glyph.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bdf/bdf_map_glyphs.h"
#include "container/mapped_font.h"
#include "font/glyph_walk.h"
#include "os/os.h"
#include "listing/line_command.h"
#include "listing/listing_writers.h"
#include "listing/sample_line.h"
#include "listing/shell_text.h"

namespace {

// Screen pixels per font pixel: a 72 dpi glyph large enough to read, the
// others at the whole number of pixels nearest the same size; the sample
// lines at half that.
constexpr int kGlyphScale[kDensities] = {4, 3, 2};
constexpr int kSampleScale[kDensities] = {2, 1, 1};


const char kStyle[] =
    "body{font:14px/1.4 sans-serif;margin:1.5em;color:#111;background:#fff}"
    "table{border-collapse:collapse;margin:.5em 0}th,td{padding:1px 8px;text-align:left;vertical-align:top}"
    "thead th{border-bottom:1px solid #999}td.n{text-align:right}code{font:13px monospace}"
    "section.file{margin-top:2em;border-top:3px solid #333}section.font{margin-top:1.5em;border-top:1px solid #999}"
    "nav td,nav th{vertical-align:middle}tr.file th{padding-top:.6em}.glimpse{display:block}"
    "svg{shape-rendering:crispEdges;fill:#000}"
    ".sample{display:block;margin:.5em 0;background:#fff}"
    ".sheet{display:flex;flex-wrap:wrap;gap:6px;align-items:flex-end}"
    "figure{margin:0;padding:4px;border:1px solid #ddd}"
    "figure svg{display:block;background:#e8e8e8}"
    ".adv{height:2px;background:#c22;margin-top:2px}"
    "figcaption{font:11px/1.3 monospace;color:#444}";

// Writes bytes with the characters HTML gives a meaning escaped.
void write_html(void* context, const char* bytes, size_t n) {
  auto* out = static_cast<FILE*>(context);
  for (size_t i = 0; i < n; ++i) {
    switch (bytes[i]) {
      case '&': std::fputs("&amp;", out); break;
      case '<': std::fputs("&lt;", out); break;
      case '>': std::fputs("&gt;", out); break;
      case '"': std::fputs("&quot;", out); break;
      default: std::fputc(bytes[i], out);
    }
  }
}

TextSink html_sink(FILE* out) { return TextSink{write_html, out}; }

// A name from the file, controls and stray bytes escaped, then made safe
// for the page.
void put_name(FILE* out, const char* s) { put_escaped(html_sink(out), s, std::strlen(s)); }

// The line whose section draws the line's font: the first line of the
// same font, or itself.
size_t drawn_at(const Listing& l, size_t index) {
  const size_t same = l.lines[index].sameAs;
  return same != kNoPartner ? same : index;
}

// Where a font's section is: #font-FILE-LINE.
void put_font_link(FILE* out, const Listing& l, size_t index) {
  std::fprintf(out, "<a href=\"#font-%zu-%zu\">", l.index, drawn_at(l, index));
  write_html(out, l.lines[index].name, std::strlen(l.lines[index].name));
  std::fputs(".txt</a>", out);
}

// A line's font: a link to its section, or the words that say why there
// is none.
void put_font_cell(FILE* out, const Listing& l, size_t index) {
  const char* words = verdict_text(l.lines[index]);
  if (words == nullptr) {
    put_font_link(out, l, index);
  } else {
    write_html(out, words, std::strlen(words));
  }
}

void write_table(FILE* out, const Listing& l) {
  const ResourceList& list = l.resources;
  if (l.damage != Fault::kNone) {
    std::fprintf(out, "<p>%s, damaged: %s</p>\n", list.kind, fault_text(l.damage));
    return;
  }
  if (list.databases && list.databaseCount == 0) {
    std::fprintf(out, "<p>%s, no database</p>\n", list.kind);
    return;
  }
  std::fprintf(out, "<p>%s, %zu %s</p>\n<table class=\"listing\"><thead><tr>", list.kind,
               list.databases ? list.databaseCount : l.tableEntries,
               list.databases ? "databases" : list.records ? "records" : "resources");
  if (list.databases) std::fputs("<th>database</th>", out);
  std::fputs(list.records ? "<th>record</th>" : "<th>type</th><th>id</th>", out);
  std::fputs("<th>offset</th><th>size</th><th>font</th></tr></thead><tbody>\n", out);
  for (size_t i = 0; i < l.count; ++i) {
    const ListingLine& line = l.lines[i];
    const ResourceEntry& e = list.entries[line.entry];
    if (e.found) continue;
    std::fputs("<tr>", out);
    if (list.databases) {
      std::fputs("<td>", out);
      put_name(out, list.databases[e.database - 1].name);
      std::fputs("</td>", out);
    }
    if (!list.records) {
      std::fputs("<td><code>", out);
      put_type_code(html_sink(out), e.type);
      std::fputs("</code></td>", out);
    }
    std::fprintf(out, "<td class=\"n\">%ld</td><td class=\"n\">%llu</td><td class=\"n\">%llu</td><td>", e.id,
                 static_cast<unsigned long long>(line.offset), static_cast<unsigned long long>(line.size));
    put_font_cell(out, l, i);
    std::fputs("</td></tr>\n", out);
  }
  std::fputs("</tbody></table>\n", out);
}

void write_found(FILE* out, const Listing& l) {
  const size_t found = fonts_found_by_contents(l);
  std::fprintf(out, "<p>%s%zu %s found by %s contents</p>\n", l.resources.kind == nullptr ? "No known kind; " : "",
               found, found == 1 ? "font" : "fonts", l.resources.kind == nullptr ? "its" : "the file's");
  if (found == 0) return;
  std::fputs("<table class=\"found\"><thead><tr><th>offset</th><th>size</th><th>font</th></tr></thead><tbody>\n", out);
  for (size_t i = 0; i < l.count; ++i) {
    const ListingLine& line = l.lines[i];
    if (!found_by_contents(l, line)) continue;
    std::fprintf(out, "<tr><td class=\"n\">%llu</td><td class=\"n\">%llu</td><td>",
                 static_cast<unsigned long long>(line.offset), static_cast<unsigned long long>(line.size));
    put_font_cell(out, l, i);
    std::fputs("</td></tr>\n", out);
  }
  std::fputs("</tbody></table>\n", out);
}

void write_metrics(FILE* out, const FontHeader& h) {
  std::fputs("<table class=\"metrics\"><tbody>\n", out);
  for (const HeaderField& f : kHeaderFields) {
    if (f.metric) std::fprintf(out, "<tr><th>%s</th><td class=\"n\">%d</td></tr>\n", f.name, metric_value(h, f, kDensity72));
  }
  std::fputs("</tbody></table>\n", out);
}

// The id of a glyph's path, which the sample line and the contents use
// again: the file, the line, the density and the code.
struct GlyphIds {
  size_t file, line;
};

void glyph_id(char (&id)[64], const GlyphIds& ids, int density, int code) {
  if (code < 0) {
    std::snprintf(id, sizeof id, "g%zu-%zu-%d-m", ids.file, ids.line, density_dpi(density));
  } else {
    std::snprintf(id, sizeof id, "g%zu-%zu-%d-%d", ids.file, ids.line, density_dpi(density), code);
  }
}

// Exactly the set pixels, as runs of unit squares on integer coordinates.
void write_path(FILE* out, const FontImage& image, int density, const Glyph& g, const char* id) {
  const auto rows = static_cast<int>(density_rows(image.header, density));
  const uint32_t columns = glyph_span(g, density).columns;
  std::fprintf(out, "<path id=\"%s\" d=\"", id);
  for (int r = 0; r < rows; ++r) {
    for (uint32_t x = 0; x < columns;) {
      if (!glyph_pixel(image, density, g, r, x)) {
        ++x;
        continue;
      }
      uint32_t run = 1;
      while (x + run < columns && glyph_pixel(image, density, g, r, x + run)) ++run;
      std::fprintf(out, "M%u %dh%uv1h-%uz", x, r, run, run);
      x += run;
    }
  }
  std::fputs("\"/>", out);
}

// The sample set as Palm OS sets text: each image at the pen plus its
// offset, the pen then moved on by the width.
void write_sample(FILE* out, const FontImage& image, int density, const GlyphIds& ids) {
  const auto height = static_cast<int>(density_rows(image.header, density));
  int codes[kMaxSample];
  const size_t n = sample_codes(image, codes);
  int pen = 0, left = 0, right = 0;
  for (size_t i = 0; i < n; ++i) {
    Glyph g{};
    int advance = 0;
    if (sample_glyph(image, density, codes[i], &g, &advance)) {
      left = std::min(left, pen + glyph_offset(g, density));
      right = std::max(right, pen + glyph_offset(g, density) + static_cast<int>(glyph_span(g, density).columns));
    }
    pen += advance;
  }
  right = std::max(right, pen);
  const int width = std::max(right - left, 1);
  std::fprintf(out, "<svg class=\"sample\" data-sample data-density=\"%d\" viewBox=\"%d 0 %d %d\" width=\"%d\" height=\"%d\">",
               density_dpi(density), left, width, std::max(height, 1), width * kSampleScale[density],
               std::max(height, 1) * kSampleScale[density]);
  pen = 0;
  for (size_t i = 0; i < n; ++i) {
    Glyph g{};
    int advance = 0;
    if (sample_glyph(image, density, codes[i], &g, &advance)) {
      char id[64];
      glyph_id(id, ids, density, g.code);
      std::fprintf(out, "<use href=\"#%s\" x=\"%d\"/>", id, pen + glyph_offset(g, density));
    }
    pen += advance;
  }
  std::fputs("</svg>\n", out);
}

// The character code stands for in the charset, as UTF-8, escaped for the
// page; nothing for a control, and "no character" for a code of none.
void put_character(FILE* out, Charset charset, int code) {
  const int32_t u = charset_unicode(charset, code);
  // A glyph only Palm OS has: its BDF puts it in the Private Use Area,
  // which is no character.
  if (u == kNoCharacter && charset_is_unicode(charset)) {
    std::fputs(" no character", out);
    return;
  }
  if (u <= 0x20 || (u >= 0x7F && u <= 0xA0) || (u >= 0xD800 && u <= 0xDFFF)) return;
  char bytes[4];
  size_t n = 0;
  if (u < 0x80) {
    bytes[n++] = static_cast<char>(u);
  } else if (u < 0x800) {
    bytes[n++] = static_cast<char>(0xC0 | (u >> 6));
    bytes[n++] = static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    bytes[n++] = static_cast<char>(0xE0 | (u >> 12));
    bytes[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    bytes[n++] = static_cast<char>(0x80 | (u & 0x3F));
  } else {
    bytes[n++] = static_cast<char>(0xF0 | (u >> 18));
    bytes[n++] = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    bytes[n++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    bytes[n++] = static_cast<char>(0x80 | (u & 0x3F));
  }
  std::fputc(' ', out);
  write_html(out, bytes, n);
}

// Every glyph with an image, the code in decimal and hex, the character it
// stands for where it is printable, and under the cell a line from the pen to the
// pen moved on by the width.
void write_sheet(FILE* out, const FontImage& image, int density, const GlyphIds& ids, Charset charset) {
  const int pixels = kGlyphScale[density];
  const auto height = static_cast<int>(density_rows(image.header, density));
  std::fputs("<div class=\"sheet\">\n", out);
  Glyph g{};
  for (int cursor = 0; next_glyph(image, &cursor, &g);) {
    const auto columns = static_cast<int>(glyph_span(g, density).columns);
    const int advance = glyph_advance(g, density), offset = glyph_offset(g, density);
    char id[64];
    glyph_id(id, ids, density, g.code);
    std::fprintf(out, "<figure><svg data-code=\"%d\" data-density=\"%d\" viewBox=\"0 0 %d %d\" width=\"%d\" height=\"%d\">",
                 g.code, density_dpi(density), columns, height, columns * pixels, height * pixels);
    write_path(out, image, density, g, id);
    std::fprintf(out, "</svg><div class=\"adv\" style=\"margin-left:%dpx;width:%dpx\"></div><figcaption>",
                 -offset * pixels, std::max(advance, 0) * pixels);
    if (g.code < 0) {
      std::fputs("missing", out);
    } else {
      std::fprintf(out, "%d 0x%02X", g.code, g.code);
      put_character(out, charset, g.code);
    }
    std::fprintf(out, "<br>width %d offset %d</figcaption></figure>\n", advance, offset);
  }
  std::fputs("</div>\n", out);
}

// A line of a font map's characters, in Japanese where its characters are
// cp932's, set with its own glyphs, each cell's top on the line's top.
const char kMapSample[] = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x95\xE3\x82\xA9\xE3\x83\xB3\xE3\x83\x88 "
                          "\xEF\xBD\xB1\xEF\xBD\xB2\xEF\xBD\xB3\xEF\xBD\xB4\xEF\xBD\xB5 "
                          "\xE3\x82\xAB\xE3\x82\xBF\xE3\x82\xAB\xE3\x83\x8A ABC 123";

// The next code point of UTF-8 text, moving p on.
int32_t next_code_point(const char** p) {
  const auto b = static_cast<unsigned char>(**p);
  const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  int32_t c = n == 1 ? b : b & (0x3F >> (n - 1));
  for (int k = 1; k < n; ++k) c = c << 6 | (static_cast<unsigned char>((*p)[k]) & 0x3F);
  *p += n;
  return c;
}

void write_map_sample(FILE* out, const MappedFont& font, const GlyphIds& ids) {
  MapGlyph glyphs[64];
  int n = 0, pen = 0, height = std::max<int>(font.header.fRectHeight, 1);
  for (const char* p = kMapSample; *p != '\0' && n < 64;) {
    const int32_t c = next_code_point(&p);
    if (!map_glyph_of(font, c, &glyphs[n])) continue;
    height = std::max<int>(height, glyphs[n].piece->image.header.fRectHeight);
    ++n;
  }
  int width = 0;
  for (int i = 0; i < n; ++i) width += std::max(0, glyphs[i].glyph.width);
  width = std::max(width, 1);
  std::fprintf(out, "<svg class=\"sample\" data-sample viewBox=\"0 0 %d %d\" width=\"%d\" height=\"%d\"><defs>", width,
               height, width * kSampleScale[kDensity72] * 2, height * kSampleScale[kDensity72] * 2);
  for (int i = 0; i < n; ++i) {
    char id[64];
    std::snprintf(id, sizeof id, "m%zu-%zu-%d", ids.file, ids.line, i);
    write_path(out, glyphs[i].piece->image, kDensity72, glyphs[i].glyph, id);
  }
  std::fputs("</defs>", out);
  for (int i = 0; i < n; ++i) {
    std::fprintf(out, "<use href=\"#m%zu-%zu-%d\" x=\"%d\"/>", ids.file, ids.line, i, pen + glyphs[i].glyph.offset);
    pen += glyphs[i].glyph.width;
  }
  std::fputs("</svg>\n", out);
}

// The line of the listing that shows the font of a database with the id.
size_t line_of_font(const Listing& l, uint32_t database, long id) {
  for (size_t i = 0; i < l.count; ++i) {
    const ResourceEntry& e = l.resources.entries[l.lines[i].entry];
    if (!e.found && !l.lines[i].map && e.database == database && e.id == id && has_command(l.lines[i])) return i;
  }
  return kNoPartner;
}

// A font map: its characters, a line of them, and its pieces by lead
// byte, each linked to its own section; its thousands of glyphs are not
// drawn again.
void write_map(FILE* out, const Listing& l, size_t index) {
  const ListingLine& line = l.lines[index];
  MappedFont* font = new_mapped_font();
  const Fault err = font == nullptr ? Fault::kScanMemory
                                    : read_mapped_font(l.source, l.resources, static_cast<int64_t>(line.offset), true, font);
  if (err != Fault::kNone) {
    std::fprintf(out, "<p>%s</p>\n</section>\n", fault_text(err));
    if (l.unreadable != nullptr) l.unreadable(l, line, err);
    free_mapped_font(font);
    return;
  }
  std::fprintf(out, "<p>Font map: %d fonts, %d characters%s.</p>\n", font->fontCount, line.mapCharacters,
               font->cp932 ? "" : ", by their codes");
  write_map_sample(out, *font, GlyphIds{l.index, index});
  std::fputs("<table class=\"pieces\"><thead><tr><th>first byte</th><th>font</th></tr></thead><tbody>\n", out);
  const uint32_t database = l.resources.entries[line.entry].database;
  for (int i = 0; i < font->count; ++i) {
    const FontPiece& p = font->pieces[i];
    if (p.lead < 0) {
      std::fputs("<tr><td>single byte</td><td>", out);
    } else {
      std::fprintf(out, "<tr><td>0x%02X</td><td>", p.lead);
    }
    const size_t at = line_of_font(l, database, p.id);
    if (at != kNoPartner) std::fprintf(out, "<a href=\"#font-%zu-%zu\">", l.index, at);
    std::fprintf(out, "%ld", p.id);
    std::fputs(at != kNoPartner ? "</a></td></tr>\n" : "</td></tr>\n", out);
  }
  std::fputs("</tbody></table>\n</section>\n", out);
  free_mapped_font(font);
}

void write_font(FILE* out, const Listing& l, size_t index) {
  const ListingLine& line = l.lines[index];
  std::fprintf(out, "<section class=\"font\" data-offset=\"%llu\" id=\"font-%zu-%zu\">\n<h3>",
               static_cast<unsigned long long>(line.offset), l.index, index);
  write_html(out, line.name, std::strlen(line.name));
  std::fputs(line.map ? ".bdf</h3>\n<p><code>" : ".txt</h3>\n<p><code>", out);
  put_command(html_sink(out), l, line, os_shell_is_cmd());
  std::fputs("</code></p>\n", out);
  if (line.map) {
    write_map(out, l, index);
    return;
  }
  FontImage image;
  if (const Fault err = read_font_resource(l.source, static_cast<int64_t>(line.offset), &image); err != Fault::kNone) {
    std::fprintf(out, "<p>%s</p>\n</section>\n", fault_text(err));
    if (l.unreadable != nullptr) l.unreadable(l, line, err);
    return;
  }
  write_metrics(out, image.header);
  const GlyphIds ids{l.index, index};
  for (int d = 0; d < kDensities; ++d) {
    if (!image.hasDensity[d]) continue;
    std::fprintf(out, "<h4>%d dpi</h4>\n", density_dpi(d));
    if (image.inkOutside[d] > 0) {
      std::fprintf(out, "<p class=\"outside\">%llu set pixels of the %d dpi image lie outside every glyph; the text cannot hold them.</p>\n",
                   static_cast<unsigned long long>(image.inkOutside[d]), density_dpi(d));
    }
    // The sample line uses the paths of the sheet below it.
    write_sample(out, image, d, ids);
    write_sheet(out, image, d, ids, line.charset);
  }
  std::fputs("</section>\n", out);
}

// What a font is, in words: its database (in a ROM image), type and id or
// record, the system font it is, or where it was found.
void put_font_label(FILE* out, const Listing& l, const ListingLine& line) {
  const ResourceList& list = l.resources;
  const ResourceEntry& e = list.entries[line.entry];
  const RomRegion* region = e.found ? region_at(list, e.offset) : nullptr;
  const uint32_t database = region != nullptr ? region->database : e.database;
  if (database != 0) {
    put_name(out, list.databases[database - 1].name);
    std::fputc(' ', out);
  }
  if (e.found) {
    std::fprintf(out, "at %llu", static_cast<unsigned long long>(e.offset));
  } else if (list.records) {
    std::fprintf(out, "record %ld", e.id);
  } else {
    put_type_code(html_sink(out), e.type);
    std::fprintf(out, " %ld", e.id);
  }
  if (e.fontName != nullptr) std::fprintf(out, " (%s)", e.fontName);
}

// The contents: each file, and each of its fonts with its glyph count,
// height and the start of its sample line, set from the paths of its
// sheet further down.
void write_contents(FILE* out, const Listing* listings, size_t count) {
  std::fputs("<nav class=\"contents\"><table><thead><tr><th>font</th><th>glyphs</th><th>height</th><th>sample</th>"
             "</tr></thead><tbody>\n",
             out);
  for (size_t f = 0; f < count; ++f) {
    const Listing& l = listings[f];
    if (l.noFont) continue;
    std::fprintf(out, "<tr class=\"file\"><th colspan=\"4\"><a href=\"#file-%zu\">", l.index);
    put_name(out, l.file);
    std::fputs("</a>", out);
    if (l.fault != Fault::kNone) {
      std::fprintf(out, ": %s", fault_text(l.fault));
    } else if (l.resources.kind != nullptr) {
      std::fprintf(out, ": %s", l.resources.kind);
    }
    std::fputs("</th></tr>\n", out);
    for (size_t i = 0; l.fault == Fault::kNone && i < l.count; ++i) {
      const ListingLine& line = l.lines[i];
      if (!has_command(line)) continue;
      std::fprintf(out, "<tr><td><a href=\"#font-%zu-%zu\">", l.index, drawn_at(l, i));
      put_font_label(out, l, line);
      // A font shown by an earlier line is drawn there once.
      if (line.sameAs != kNoPartner) {
        std::fputs("</a></td><td colspan=\"3\">the same font as ", out);
        put_font_label(out, l, l.lines[line.sameAs]);
        std::fputs("</td></tr>\n", out);
        continue;
      }
      const int height = std::max(line.glimpseRows, 1);
      const int width = std::max(line.glimpseRight - line.glimpseLeft, 1);
      const int pixels = kSampleScale[line.glimpseDensity];
      std::fprintf(out, "</a></td><td class=\"n\">%d</td><td class=\"n\">%d</td><td>", line.rangeCount, line.height);
      std::fprintf(out, "<svg class=\"glimpse\" viewBox=\"%d 0 %d %d\" width=\"%d\" height=\"%d\">", line.glimpseLeft,
                   width, height, width * pixels, height * pixels);
      for (int k = 0; k < line.glimpseCount; ++k) {
        char id[64];
        glyph_id(id, GlyphIds{l.index, i}, line.glimpseDensity, line.glimpseCodes[k]);
        std::fprintf(out, "<use href=\"#%s\" x=\"%d\"/>", id, line.glimpseX[k]);
      }
      std::fputs("</svg></td></tr>\n", out);
    }
  }
  std::fputs("</tbody></table></nav>\n", out);
  // The files a folder held that hold no font: one list, folded.
  size_t none = 0;
  for (size_t f = 0; f < count; ++f) none += listings[f].noFont ? 1 : 0;
  if (none == 0) return;
  std::fprintf(out, "<details class=\"no-fonts\"><summary>Files without fonts: %zu</summary><ul>\n", none);
  for (size_t f = 0; f < count; ++f) {
    if (!listings[f].noFont) continue;
    std::fputs("<li><code>", out);
    put_name(out, listings[f].file);
    std::fputs("</code></li>\n", out);
  }
  std::fputs("</ul></details>\n", out);
}

void write_file_section(FILE* out, const Listing& l) {
  if (l.noFont) return;
  std::fprintf(out, "<section class=\"file\" id=\"file-%zu\">\n<h2><code>", l.index);
  put_name(out, l.file);
  std::fputs("</code></h2>\n", out);
  if (l.fault != Fault::kNone) {
    std::fprintf(out, "<p>%s</p>\n</section>\n", fault_text(l.fault));
    return;
  }
  if (l.resources.kind != nullptr) write_table(out, l);
  if (l.searched) write_found(out, l);
  for (size_t i = 0; i < l.count; ++i) {
    if (has_command(l.lines[i]) && l.lines[i].sameAs == kNoPartner) write_font(out, l, i);
  }
  std::fputs("</section>\n", out);
}

}  // namespace

void write_html_head(FILE* out, const Listing* listings, size_t count) {
  std::fputs("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Fonts of ", out);
  if (count == 1) {
    put_name(out, listings[0].file);
  } else {
    std::fprintf(out, "%zu files", count);
  }
  std::fprintf(out, "</title>\n<style>%s</style>\n</head>\n<body>\n<h1>Fonts of ", kStyle);
  if (count == 1) {
    std::fputs("<code>", out);
    put_name(out, listings[0].file);
    std::fputs("</code>", out);
  } else {
    std::fprintf(out, "%zu files", count);
  }
  std::fputs("</h1>\n", out);
  write_contents(out, listings, count);
}

void write_html_section(FILE* out, const Listing& listing) { write_file_section(out, listing); }

void write_html_foot(FILE* out) { std::fputs("</body>\n</html>\n", out); }

Fault write_html_page(FILE* out, const Listing& l) {
  write_html_head(out, &l, 1);
  write_file_section(out, l);
  write_html_foot(out);
  return Fault::kNone;
}
