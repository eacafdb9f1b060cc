#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/messages.h"
#include "os/path.h"
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

// Gives the new file the old one's owner and group where that is allowed
// (root); anyone else keeps the old group when they belong to it.
void keep_owner(int fd, const struct stat& existing) {
  if (existing.st_uid == geteuid() && existing.st_gid == getegid()) return;
  if (fchown(fd, existing.st_uid, existing.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), existing.st_gid) != 0) {
    errno = 0;
  }
}

// A new file named .glyfex-XXXXXX in the folder of the target.
int make_temp(const char* target, char (&name)[PATH_MAX]) {
  if (std::snprintf(name, sizeof name, "%.*s.glyfex-XXXXXX", folder_length(target), target) >=
      static_cast<int>(sizeof name)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  return mkostemp(name, O_CLOEXEC);
}

// A new file in the target's folder, with the mode the output will have:
// an existing file's own, or what creating it would have given.
bool open_temp(OutputFile* out, const struct stat* existing) {
  out->fd = make_temp(out->target, out->temp);
  if (out->fd < 0) return false;
  mode_t mode = 0;
  if (existing != nullptr) {
    keep_owner(out->fd, *existing);
    mode = existing->st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  // After fchown, which may clear the set-id bits.
  (void)fchmod(out->fd, mode);
  out->kind = OutputKind::kReplace;
  return true;
}

// A file in a sticky folder (/tmp) that neither the user nor root owns, and
// whose folder the user does not own, cannot be renamed over.
bool may_replace(const char* target, const struct stat& st) {
  char folder[PATH_MAX];
  const int n = folder_length(target);
  std::snprintf(folder, sizeof folder, "%.*s", n, n == 0 ? "." : target);
  struct stat dir;
  if (stat(folder, &dir) != 0 || (dir.st_mode & S_ISVTX) == 0) return true;
  const uid_t me = geteuid();
  return me == 0 || st.st_uid == me || dir.st_uid == me;
}

// Writes over an existing file whose folder takes no new file. Room for
// the whole text is secured first, so that no full disk leaves half of it
// where the old text was; the old text is cut off only at the end.
const char* open_in_place(const char* path, OutputFile* out) {
  out->fd = open(path, O_WRONLY | O_CLOEXEC);
  if (out->fd < 0) return kErrOutputOpen;
  struct stat st;
  if (fstat(out->fd, &st) != 0) {
    close(out->fd);
    out->fd = -1;
    return kErrOutputOpen;
  }
  out->kind = OutputKind::kInPlace;
  out->oldBytes = st.st_size;
  if (out->bytes > 0 && posix_fallocate(out->fd, 0, static_cast<off_t>(out->bytes)) != 0) {
    discard_output(out);
    return kErrOutputWrite;
  }
  return nullptr;
}

}  // namespace

bool same_files(const char* a, const char* b) {
  struct stat st;
  return stat(a, &st) == 0 && same_file(b, st);
}

bool is_standard_output(const char* path) {
  struct stat console;
  return fstat(STDOUT_FILENO, &console) == 0 && same_file(path, console);
}

bool is_special_file(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && !S_ISREG(st.st_mode);
}

const char* open_output(const char* path, uint64_t bytes, OutputFile* out) {
  out->fd = -1;
  out->kind = OutputKind::kDirect;
  out->bytes = bytes;
  out->oldBytes = 0;
  out->committed = false;
  out->target[0] = out->temp[0] = out->backup[0] = '\0';
  if (is_standard_output(path)) {
    // The text joins standard output after what was printed so far.
    std::fflush(stdout);
    out->fd = STDOUT_FILENO;
    out->kind = OutputKind::kStdout;
    return nullptr;
  }
  struct stat st;
  const bool exists = stat(path, &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    // Devices and FIFOs cannot be replaced; they are written as they are.
    out->fd = open(path, O_WRONLY | O_TRUNC | O_CLOEXEC);
    return out->fd < 0 ? kErrOutputOpen : nullptr;
  }
  // A file the user may not write is not theirs to replace either.
  if (exists && access(path, W_OK) != 0) return kErrOutputOpen;
  if (!follow_links(path, out->target)) return kErrOutputOpen;
  if (exists && !may_replace(out->target, st)) return open_in_place(path, out);
  if (open_temp(out, exists ? &st : nullptr)) return nullptr;
  // A folder that refuses new files for want of permission leaves the file
  // itself to be written; one without room for them refuses the text, as
  // truncating the old file would only lose it.
  if (!exists) return kErrOutputOpen;
  if (errno == EACCES || errno == EPERM) return open_in_place(path, out);
  return kErrOutputWrite;
}

const char* close_output(OutputFile* out, const char* write_err) {
  const char* err = write_err;
  if (out->kind == OutputKind::kStdout) return err;
  if (out->kind == OutputKind::kInPlace && err == nullptr && ftruncate(out->fd, static_cast<off_t>(out->bytes)) != 0) {
    err = kErrOutputWrite;
  }
  if (err != nullptr) {
    discard_output(out);
  } else if (close(out->fd) != 0) {
    err = kErrOutputWrite;
    out->fd = -1;
    discard_output(out);
  }
  out->fd = -1;
  return err;
}

const char* commit_output(OutputFile* out, bool keep_old) {
  if (out->kind != OutputKind::kReplace) return nullptr;
  if (keep_old && access(out->target, F_OK) == 0) {
    // A free name, then the old file's second name under it.
    const int fd = make_temp(out->target, out->backup);
    const bool linked = fd >= 0 && close(fd) == 0 && unlink(out->backup) == 0 && link(out->target, out->backup) == 0;
    if (!linked) {
      out->backup[0] = '\0';
      discard_output(out);
      return kErrOutputWrite;
    }
  }
  if (rename(out->temp, out->target) != 0) {
    drop_backup(out);
    discard_output(out);
    return kErrOutputWrite;
  }
  out->committed = true;
  return nullptr;
}

void undo_output(OutputFile* out) {
  if (!out->committed) return;
  if (out->backup[0] != '\0') {
    (void)rename(out->backup, out->target);
    out->backup[0] = '\0';
  } else {
    (void)unlink(out->target);
  }
  out->committed = false;
}

void drop_backup(OutputFile* out) {
  if (out->backup[0] != '\0') (void)unlink(out->backup);
  out->backup[0] = '\0';
}

void discard_output(OutputFile* out) {
  if (out->kind == OutputKind::kReplace && !out->committed && out->temp[0] != '\0') (void)unlink(out->temp);
  out->temp[0] = '\0';
  if (out->kind == OutputKind::kInPlace && out->fd >= 0 && ftruncate(out->fd, static_cast<off_t>(out->oldBytes)) != 0) {
    errno = 0;  // nothing more can be done for it
  }
  if (out->fd >= 0 && out->kind != OutputKind::kStdout) close(out->fd);
  out->fd = -1;
}
