#include "font/density.h"

#include <cstdio>
#include <cstring>

int density_of_dpi(int dpi) {
  for (int d = 0; d < kDensities; ++d) {
    if (kDensityInfo[d].dpi == dpi) return d;
  }
  return -1;
}

bool density_path(const char* path, int density, char (&out)[kMaxPath]) {
  const char* name = path + os_folder_length(path);
  const char* dot = std::strrchr(name, '.');
  // A leading dot starts a hidden name, not an extension.
  const size_t stem = dot == nullptr || dot == name ? std::strlen(path) : static_cast<size_t>(dot - path);
  return std::snprintf(out, sizeof out, "%.*s%s%s", static_cast<int>(stem), path, kDensityInfo[density].suffix,
                       path + stem) < static_cast<int>(sizeof out);
}
