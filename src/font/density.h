// The screen densities a font may carry an image for, in one table: each
// one's dpi and what its text's name adds. A measure at a density is the
// 72 dpi measure times dpi / 72, rounded toward minus infinity: the 144 dpi
// image has twice the rows, columns and row bytes of the 72 dpi one, the
// 108 dpi image one and a half times, each glyph's columns found by scaling
// where it starts and ends in the strip. The tables and the header always
// describe the font at 72 dpi.
#ifndef GLYFEX_FONT_DENSITY_H
#define GLYFEX_FONT_DENSITY_H

#include <cstdint>

#include "os/os.h"

enum Density { kDensity72 = 0, kDensity108 = 1, kDensity144 = 2, kDensities = 3 };

struct DensityInfo {
  int dpi;
  const char* suffix;  // put before the extension of its text's name
};

constexpr DensityInfo kDensityInfo[kDensities] = {{72, ""}, {108, "-108"}, {144, "-144"}};

inline int density_dpi(int density) { return kDensityInfo[density].dpi; }

// A 72 dpi measure at the density, rounded toward minus infinity.
inline int64_t at_density(int64_t v, int density) {
  const int64_t n = v * density_dpi(density);
  return n >= 0 ? n / 72 : -((-n + 71) / 72);
}

// The same rounded up, for room that must hold the scaled measure.
inline int64_t at_density_up(int64_t v, int density) { return -at_density(-v, density); }

// True for a density whose image is the 72 dpi one's exact multiple.
inline bool is_whole_multiple(int density) { return density_dpi(density) % 72 == 0; }

// The density of dpi, or -1 for one no text can hold.
int density_of_dpi(int dpi);

// The name of the density's text beside the text at path: the suffix goes
// before the extension of the last path component (font.txt gives
// font-144.txt, x.tar.gz x.tar-144.gz, .hidden .hidden-144). False when it
// is too long.
bool density_path(const char* path, int density, char (&out)[kMaxPath]);

#endif
