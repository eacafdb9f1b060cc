// The screen densities a font may carry an image for, in one table: each
// one's dpi, its scale against 72 dpi, and what its text's name adds. The
// 144 dpi image has twice the rows, columns and row bytes of the 72 dpi
// one; the tables and the header's sizes always describe the font at
// 72 dpi.
#ifndef GLYFEX_FONT_DENSITY_H
#define GLYFEX_FONT_DENSITY_H

#include "os/os.h"

enum Density { kDensity72 = 0, kDensity144 = 1, kDensities = 2 };

struct DensityInfo {
  int dpi;
  int scale;
  const char* suffix;  // put before the extension of its text's name
};

constexpr DensityInfo kDensityInfo[kDensities] = {{72, 1, ""}, {144, 2, "-144"}};

inline int density_scale(int density) { return kDensityInfo[density].scale; }
inline int density_dpi(int density) { return kDensityInfo[density].dpi; }

// The density of dpi, or -1 for one no text can hold.
int density_of_dpi(int dpi);

// The name of the density's text beside the text at path: the suffix goes
// before the extension of the last path component (font.txt gives
// font-144.txt, x.tar.gz x.tar-144.gz, .hidden .hidden-144). False when it
// is too long.
bool density_path(const char* path, int density, char (&out)[kMaxPath]);

#endif
