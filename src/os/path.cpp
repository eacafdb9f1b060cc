#include "os/path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int folder_length(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash == nullptr ? 0 : static_cast<int>(slash - path + 1);
}

bool follow_links(const char* path, char (&out)[PATH_MAX]) {
  if (std::snprintf(out, sizeof out, "%s", path) >= static_cast<int>(sizeof out)) return false;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(out, &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    char link[PATH_MAX];
    const ssize_t n = readlink(out, link, sizeof link - 1);
    if (n < 0) return false;
    link[n] = '\0';
    // A relative target counts from the folder that holds the link.
    const int dir_len = link[0] == '/' ? 0 : folder_length(out);
    char next[PATH_MAX];
    if (std::snprintf(next, sizeof next, "%.*s%s", dir_len, out, link) >= static_cast<int>(sizeof next)) return false;
    std::memcpy(out, next, sizeof next);
  }
  return false;
}

