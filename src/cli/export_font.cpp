#include "cli/export_font.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/output_file.h"
#include "font/byte_source.h"
#include "font/font_image.h"
#include "os/os.h"
#include "bdf/bdf_font.h"
#include "container/mapped_font.h"
#include "text/text_font.h"

namespace {

struct FreeMappedFont {
  void operator()(MappedFont* font) const { free_mapped_font(font); }
};

// The input is opened without waiting (a FIFO would wait for a writer) and
// then judged by what was opened, not by its path: only regular files and
// block devices have a size and can be read at an offset.
// A font map, given for BDF, is read with every font it names through the
// container that holds it, into *map, which the caller frees.
Fault read_input(const char* infile, const OutputLook& out, int64_t offset, bool bdf, FontImage* image, MappedFont** map,
                 OsFileInfo* info) {
  OsFile file = kNoFile;
  const OsError opened = os_open_input(infile, &file, info);
  // A socket cannot be opened at all; it is no file to read.
  if (opened != OsError::kNone) return opened == OsError::kNotAFile ? Fault::kInputRead : Fault::kInputOpen;
  Fault err = Fault::kNone;
  ByteSource source{};
  if (!(info->kind == OsKind::kRegular || info->kind == OsKind::kBlockDevice) || !file_source(file, &source)) {
    err = Fault::kInputRead;
  } else if (is_file(out, *info)) {
    err = Fault::kSameFile;
  } else {
    err = read_font_resource(source, offset, image);
  }
  if (err == Fault::kFontMap && bdf) {
    *map = new_mapped_font();
    err = *map == nullptr ? Fault::kFontMemory : read_mapped_font(source, offset, true, *map);
  }
  os_close(file);
  return err;
}

// The outputs of one conversion: one per density the font has, or one for
// all when the output is no file that could be replaced (standard output, a
// device, a FIFO), which then takes the texts one after the other through
// the one descriptor.
struct Outputs {
  int of[kDensities];  // the output each density's text goes to, or -1
  uint64_t bytes[kDensities];  // the size of each density's text
  int count;
  OutputFile files[kDensities];
};

// The form the font is written in: the PilRC text, or BDF, of a font or
// of a font map's pieces.
struct Form {
  bool bdf;
  BdfOptions options;
  const MappedFont* map;
};

uint64_t form_bytes(const Form& form, const FontImage& image, int density) {
  if (form.map != nullptr) return bdf_map_bytes(*form.map, form.options.family);
  return form.bdf ? bdf_font_bytes(image, density, form.options) : text_font_bytes(image, density);
}

Fault write_form(const Form& form, OsFile file, const FontImage& image, int density, uint64_t bytes) {
  if (form.map != nullptr) return write_bdf_map(file, *form.map, form.options.family, bytes);
  return form.bdf ? write_bdf_font(file, image, density, form.options, bytes)
                  : write_text_font(file, image, density, bytes);
}

void discard_all(Outputs* o) {
  for (int i = 0; i < o->count; ++i) discard_output(&o->files[i]);
}

// Opens every output before any text is written, so that one that cannot
// be opened changes nothing.
Fault open_outputs(const char* const (&paths)[kDensities], const OutputLook (&looks)[kDensities], bool shared,
                   const Form& form, const FontImage& image, Outputs* o) {
  o->count = 0;
  for (int d = 0; d < kDensities; ++d) {
    o->of[d] = -1;
    if (!image.hasDensity[d]) continue;
    o->bytes[d] = form_bytes(form, image, d);
    if (shared && o->count > 0) {
      o->of[d] = 0;
      continue;
    }
    if (const Fault err = open_output(paths[d], looks[d], o->bytes[d], &o->files[o->count]); err != Fault::kNone) {
      discard_all(o);
      return err;
    }
    o->of[d] = o->count++;
  }
  return Fault::kNone;
}

// Writes and closes every output.
Fault write_texts(Outputs* o, const Form& form, const FontImage& image) {
  Fault err = Fault::kNone;
  for (int i = 0; i < o->count; ++i) {
    Fault write_err = err;
    for (int d = 0; d < kDensities && write_err == Fault::kNone; ++d) {
      if (o->of[d] == i) write_err = write_form(form, o->files[i].file, image, d, o->bytes[d]);
    }
    Fault close_err = close_output(&o->files[i], write_err);
    if (err == Fault::kNone) err = close_err;
  }
  return err;
}

// The temporary files the outputs could not remove, to be named.
void gather_left(const Outputs& o, KeptTexts* kept) {
  for (int i = 0; i < o.count; ++i) {
    for (int k = 0; k < o.files[i].leftCount; ++k) {
      std::memcpy(kept->left[kept->leftCount++], o.files[i].left[k], kMaxPath);
    }
  }
}

// Every text is written whole before any goes into place; then all go into
// place together, or none.
Fault write_outputs(const char* const (&paths)[kDensities], const OutputLook (&looks)[kDensities], bool shared,
                    const Form& form, const FontImage& image, KeptTexts* kept) {
  // Not on the stack: the compiler probes every page of a large frame,
  // and each page touched costs a start-up fault a small font notices.
  static Outputs o;
  Fault err = open_outputs(paths, looks, shared, form, image, &o);
  if (err == Fault::kNone) err = write_texts(&o, form, image);
  if (err != Fault::kNone) {
    discard_all(&o);
  } else {
    err = place_outputs(o.files, o.count, kept);
  }
  gather_left(o, kept);
  return err;
}

// The family both densities' fonts belong to: the output's name without
// its folder and extension.
void family_of(const char* outfile, char (&family)[kMaxPath]) {
  const char* name = outfile + os_folder_length(outfile);
  const char* dot = std::strrchr(name, '.');
  const size_t n = dot == nullptr || dot == name ? std::strlen(name) : static_cast<size_t>(dot - name);
  std::snprintf(family, sizeof family, "%.*s", static_cast<int>(n), name);
}

// The texts of the densities the font has beside the output: none of them
// the input, and no two of them one file, whatever links lead there.
Fault density_paths(const char* outfile, const FontImage& image, const OsFileInfo& input,
                    char (&named)[kDensities][kMaxPath], const char* (&paths)[kDensities],
                    OutputLook (&looks)[kDensities]) {
  for (int d = 0; d < kDensities; ++d) {
    paths[d] = outfile;
    if (d == kDensity72 || !image.hasDensity[d]) continue;
    if (!density_path(outfile, d, named[d])) return Fault::kOutputOpen;
    looks[d] = look_at_output(named[d]);
    if (is_file(looks[d], input)) return Fault::kSameFile;
    paths[d] = named[d];
  }
  // The message names the higher density of the two, and the output
  // itself when the other is the 72 dpi text.
  for (int a = 0; a < kDensities; ++a) {
    for (int b = a + 1; b < kDensities; ++b) {
      if (!image.hasDensity[a] || !image.hasDensity[b] || !os_same_output(paths[a], paths[b])) continue;
      if (a != kDensity72) return Fault::kSameOutputs108And144;
      return b == kDensity108 ? Fault::kSameOutputs108 : Fault::kSameOutputs;
    }
  }
  return Fault::kNone;
}

}  // namespace

void print_left(const KeptTexts& kept) {
  for (int i = 0; i < kept.leftCount; ++i) print_message(Fault::kTempLeft, kept.left[i]);
}

Fault export_font(const char* infile, const char* outfile, int64_t offset, const ExportOptions& options,
                  KeptTexts* kept) {
  kept->count = 0;
  kept->leftCount = 0;
  FontImage image;
  OsFileInfo input{};
  MappedFont* map = nullptr;
  // Each output's path is looked at once, for every decision made about it.
  OutputLook looks[kDensities];
  looks[kDensity72] = look_at_output(outfile);
  const Fault read = read_input(infile, looks[kDensity72], offset, options.bdf, &image, &map, &input);
  const std::unique_ptr<MappedFont, FreeMappedFont> owned(map);
  if (read != Fault::kNone) return read;
  // A font map's BDF is one file, as a font's 72 dpi text is.
  if (map != nullptr) {
    image.hasDensity[kDensity72] = true;
  } else if (options.bdf && !bdf_has_glyph(image)) {
    // BDF readers refuse a font of no glyph; its text is written all the same.
    return Fault::kBdfNoGlyph;
  }
  // The 144 dpi text goes beside a text file. An output that is no file
  // that could be replaced takes it after the 72 dpi text instead of a new
  // file beside it such as /dev/null-144 or /dev/stdout-144.
  const bool shared = is_special(looks[kDensity72]);
  static char named[kDensities][kMaxPath];  // off the stack, as the outputs
  const char* paths[kDensities] = {};
  std::fill(paths, paths + kDensities, outfile);
  std::fill(looks + 1, looks + kDensities, looks[kDensity72]);
  if (!shared) {
    if (const Fault err = density_paths(outfile, image, input, named, paths, looks); err != Fault::kNone) return err;
  }
  char family[kMaxPath];
  family_of(outfile, family);
  const Form form{options.bdf, BdfOptions{options.charset, family, options.lead}, map};
  if (const Fault err = write_outputs(paths, looks, shared, form, image, kept); err != Fault::kNone) return err;
  for (int d = 0; d < kDensities; ++d) {
    if (d != kDensity72 && image.hasDensity[d]) std::printf("Wrote the %d dpi image to %s.\n", density_dpi(d), paths[d]);
  }
  for (int d = 0; d < kDensities; ++d) {
    if (image.inkOutside[d] == 0) continue;
    std::printf("Note: %llu set pixels of the %d dpi image lie outside every glyph; the text cannot hold them.\n",
                static_cast<unsigned long long>(image.inkOutside[d]), density_dpi(d));
  }
  print_left(*kept);
  if (map != nullptr) {
    std::printf("%d characters of %d fonts exported.\n\n", bdf_map_characters(*map), map->fontCount);
  } else {
    std::printf("%d glyphs exported.\n\n", image.rangeCount);
  }
  return Fault::kNone;
}
