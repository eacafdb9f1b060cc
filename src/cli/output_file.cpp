#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/messages.h"
#include "text/text_font.h"

bool density_path(const char* path, char (&out)[PATH_MAX]) {
  const char* slash = std::strrchr(path, '/');
  const char* name = slash == nullptr ? path : slash + 1;
  const char* dot = std::strrchr(name, '.');
  // A leading dot starts a hidden name, not an extension.
  const size_t stem = dot == nullptr || dot == name ? std::strlen(path) : static_cast<size_t>(dot - path);
  return std::snprintf(out, sizeof out, "%.*s-144%s", static_cast<int>(stem), path, path + stem) <
         static_cast<int>(sizeof out);
}

bool same_file(const char* path, const struct stat& input) {
  struct stat st;
  return stat(path, &st) == 0 && st.st_dev == input.st_dev && st.st_ino == input.st_ino;
}

namespace {

// The length of path's folder part, its last slash included (0 for none).
int folder_length(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash == nullptr ? 0 : static_cast<int>(slash - path + 1);
}

// Copies path to out, then replaces it by the target of each symbolic link
// it names, so that the rename replaces the file and keeps the link.
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

// A new file in the target's folder, with the mode the output will have:
// an existing file's own, or what creating it would have given.
bool open_temp(OutputFile* out, const struct stat* existing) {
  if (std::snprintf(out->temp, sizeof out->temp, "%.*s.glyfex-XXXXXX", folder_length(out->target), out->target) >=
      static_cast<int>(sizeof out->temp)) {
    return false;
  }
  out->fd = mkostemp(out->temp, O_CLOEXEC);
  if (out->fd < 0) return false;
  mode_t mode = 0;
  if (existing != nullptr) {
    mode = existing->st_mode & 07777;
    // The new file takes the old one's owner where that is allowed (root);
    // anyone else may only keep the file as their own, which it is.
    if ((existing->st_uid != geteuid() || existing->st_gid != getegid()) &&
        fchown(out->fd, existing->st_uid, existing->st_gid) != 0) {
      errno = 0;
    }
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  (void)fchmod(out->fd, mode);
  out->replaces = true;
  return true;
}

}  // namespace

const char* open_output(const char* path, OutputFile* out) {
  out->fd = -1;
  out->toStdout = false;
  out->replaces = false;
  out->temp[0] = '\0';
  struct stat st, console;
  const bool exists = stat(path, &st) == 0;
  if (exists && fstat(STDOUT_FILENO, &console) == 0 && st.st_dev == console.st_dev && st.st_ino == console.st_ino) {
    // The text joins standard output after what was printed so far.
    std::fflush(stdout);
    out->fd = STDOUT_FILENO;
    out->toStdout = true;
    return nullptr;
  }
  if ((!exists || S_ISREG(st.st_mode)) && follow_links(path, out->target) &&
      open_temp(out, exists ? &st : nullptr)) {
    return nullptr;
  }
  // Devices and FIFOs cannot be replaced, and a file whose folder takes no
  // new files can still be written in place.
  out->fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return out->fd < 0 ? kErrOutputOpen : nullptr;
}

const char* close_output(OutputFile* out, const char* write_err) {
  const char* err = write_err;
  if (!out->toStdout && close(out->fd) != 0 && err == nullptr) err = kErrOutputWrite;
  out->fd = -1;
  if (err != nullptr) discard_output(out);
  return err;
}

const char* commit_output(OutputFile* out) {
  if (!out->replaces) return nullptr;
  if (rename(out->temp, out->target) != 0) {
    discard_output(out);
    return kErrOutputWrite;
  }
  out->replaces = false;
  return nullptr;
}

void discard_output(OutputFile* out) {
  if (out->replaces) unlink(out->temp);
  out->replaces = false;
}
