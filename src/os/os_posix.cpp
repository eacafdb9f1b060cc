// The operating system interface on POSIX systems. Linux-only calls (huge
// pages) sit behind their own macros, with plain fallbacks.
#ifndef _WIN32

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "os/os.h"

namespace {

int fd_of(OsFile f) { return static_cast<int>(f.handle); }
OsFile file_of(int fd) { return OsFile{fd}; }

OsError error_of(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return OsError::kNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return OsError::kNoPermission;
    case ENOSPC:
    case EDQUOT:
      return OsError::kNoRoom;
    case ENXIO:
      return OsError::kNotAFile;
    case EEXIST:
      return OsError::kExists;
    case ENAMETOOLONG:
      return OsError::kTooLong;
    default:
      return OsError::kOther;
  }
}

OsFileInfo info_of(const struct stat& st) {
  OsKind kind = OsKind::kOther;
  if (S_ISREG(st.st_mode)) kind = OsKind::kRegular;
  if (S_ISBLK(st.st_mode)) kind = OsKind::kBlockDevice;
  if (S_ISDIR(st.st_mode)) kind = OsKind::kDirectory;
  return OsFileInfo{kind,
                    static_cast<uint64_t>(st.st_dev),
                    static_cast<uint64_t>(st.st_ino),
                    static_cast<uint64_t>(st.st_size),
                    static_cast<uint32_t>(st.st_mode & 07777),
                    static_cast<uint32_t>(st.st_uid),
                    static_cast<uint32_t>(st.st_gid)};
}

bool write_all(OsFile file, const void* bytes, size_t n) {
  const auto* p = static_cast<const char*>(bytes);
  while (n > 0) {
    const ssize_t done = write(fd_of(file), p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    n -= static_cast<size_t>(done);
  }
  return true;
}

bool replace(const char* from, const char* to) { return rename(from, to) == 0; }

bool link_file(const char* existing, const char* name) { return link(existing, name) == 0; }

OsError remove_file(const char* path) { return unlink(path) == 0 ? OsError::kNone : error_of(errno); }

OsError stat_file(const char* path, OsFileInfo* info) {
  struct stat st;
  if (stat(path, &st) != 0) return errno == ENOENT ? OsError::kNotFound : OsError::kOther;
  *info = info_of(st);
  return OsError::kNone;
}

// The system call itself: the C library's posix_fallocate falls back to
// writing a byte into every block, which reads the file first, and so
// fails on a file open for writing only. Room beyond the end is reserved
// without moving the end, so that a failure leaves the file as it was. A
// file system that reserves nothing says so, and the writes go on without.
bool reserve(OsFile file, uint64_t size) {
  if (size == 0) return true;
#ifdef FALLOC_FL_KEEP_SIZE
  if (fallocate(fd_of(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return true;
  return errno == EOPNOTSUPP || errno == ENOSYS;
#else
  const int err = posix_fallocate(fd_of(file), 0, static_cast<off_t>(size));
  return err == 0 || err == EOPNOTSUPP || err == EINVAL;
#endif
}

// fallocate(2) itself: the C library's posix_fallocate writes a byte into
// every block where the file system cannot allocate, which costs more than
// the writes it would spare.
bool allocate(OsFile file, uint64_t size) {
  if (size == 0) return true;
#ifdef __linux__
  if (fallocate(fd_of(file), 0, 0, static_cast<off_t>(size)) == 0) return true;
  // A file system that cannot has left the file as it was.
  return errno == EOPNOTSUPP || errno == ENOSYS;
#else
  (void)file;
  return true;
#endif
}

OsError open_file(const char* path, OsOpen how, OsFile* file) {
  const int flags = how == OsOpen::kNew        ? O_RDWR | O_CREAT | O_EXCL
                    : how == OsOpen::kExisting ? O_WRONLY
                                               : O_WRONLY | O_TRUNC;
  const int fd = open(path, flags | O_CLOEXEC, 0600);
  if (fd < 0) return error_of(errno);
  *file = file_of(fd);
  return OsError::kNone;
}

constexpr size_t kHugePage = size_t{2} << 20;

// A buffer of 1 MiB or more is rounded up to whole 2 MiB huge pages, lies on
// their boundaries and asks the kernel for them: one page fault instead of
// 512 when a page is filled, and one TLB entry for what the renderer reads
// row by row.
void* allocate_large(size_t bytes) {
  if (bytes < kHugePage / 2) return std::malloc(bytes);
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
  // Only advice: where huge pages are off, the buffer works as it is.
  if (p != nullptr) madvise(p, rounded, MADV_HUGEPAGE);
#endif
  return p;
}

}  // namespace

void os_free_large(void* p) { std::free(p); }

void os_prefault(void* p, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  // madvise takes whole pages: the pages wholly inside the range.
  const size_t lead = (4096 - reinterpret_cast<uintptr_t>(p) % 4096) % 4096;
  if (bytes >= lead + 4096) madvise(static_cast<char*>(p) + lead, (bytes - lead) / 4096 * 4096, MADV_POPULATE_WRITE);
#else
  (void)p;
  (void)bytes;
#endif
}

OsError os_open_input(const char* path, OsFile* file, OsFileInfo* info) {
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return error_of(errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return OsError::kOther;
  }
  *file = file_of(fd);
  *info = info_of(st);
  return OsError::kNone;
}

bool os_file_size(OsFile file, uint64_t* size) {
  const off_t end = lseek(fd_of(file), 0, SEEK_END);
  *size = end < 0 ? 0 : static_cast<uint64_t>(end);
  return end >= 0;
}

bool os_read_at(OsFile file, uint64_t pos, void* dst, size_t n, size_t* got) {
  for (;;) {
    const ssize_t done = pread(fd_of(file), dst, n, static_cast<off_t>(pos));
    if (done < 0 && errno == EINTR) continue;
    *got = done < 0 ? 0 : static_cast<size_t>(done);
    return done >= 0;
  }
}

void os_close(OsFile file) {
  if (is_open(file)) close(fd_of(file));
}

bool os_stat(const char* path, OsFileInfo* info) { return os_lookup(path, info) == OsError::kNone; }

bool os_standard_output_info(OsFileInfo* info) {
  struct stat st;
  if (fstat(STDOUT_FILENO, &st) != 0) return false;
  *info = info_of(st);
  return true;
}

OsFile os_standard_output() { return file_of(STDOUT_FILENO); }

bool os_may_write(const char* path) { return access(path, W_OK) == 0; }

bool os_list_folder(const char* path, void (*visit)(void* context, const char* name, OsEntryKind kind), void* context) {
  DIR* dir = opendir(path);
  if (dir == nullptr) return false;
  while (const dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    // The entry itself, not what a link leads to.
    struct stat st;
    OsEntryKind kind = OsEntryKind::kOther;
    if (fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISREG(st.st_mode)) kind = OsEntryKind::kFile;
      if (S_ISDIR(st.st_mode)) kind = OsEntryKind::kFolder;
    }
    visit(context, e->d_name, kind);
  }
  closedir(dir);
  return true;
}

char os_separator() { return '/'; }

bool os_full_path(const char* path, char (&out)[kMaxPath]) {
  char real[PATH_MAX];
  return realpath(path, real) != nullptr && std::snprintf(out, sizeof out, "%s", real) < static_cast<int>(sizeof out);
}

void os_root_name(const char*, char (&out)[kMaxPath]) { std::snprintf(out, sizeof out, "root"); }

namespace {

// The folder that holds path: its first n bytes, or for a bare name (n
// of 0) the current folder.
void folder_of(const char* path, int n, char (&folder)[kMaxPath]) {
  if (n == 0) {
    std::snprintf(folder, sizeof folder, ".");
  } else {
    std::snprintf(folder, sizeof folder, "%.*s", n, path);
  }
}

}  // namespace

bool os_may_replace(const char* target, const OsFileInfo& info) {
  char folder[kMaxPath];
  folder_of(target, os_folder_length(target), folder);
  struct stat dir;
  if (stat(folder, &dir) != 0 || (dir.st_mode & S_ISVTX) == 0) return true;
  const uid_t me = geteuid();
  return me == 0 || info.owner == me || dir.st_uid == me;
}

int os_folder_length(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash == nullptr ? 0 : static_cast<int>(slash - path + 1);
}

namespace {

// 1 when path is a symbolic link, its target then in link; 0 when it is
// none or not there; -1 when the link cannot be read.
int link_target(const char* path, char (&link)[kMaxPath]) {
  struct stat st;
  if (lstat(path, &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
  const ssize_t n = readlink(path, link, sizeof link - 1);
  if (n < 0) return -1;
  link[n] = '\0';
  return 1;
}

}  // namespace

bool os_follow_links(const char* path, char (&out)[kMaxPath]) {
  if (std::snprintf(out, sizeof out, "%s", path) >= static_cast<int>(sizeof out)) return false;
  for (int hops = 0; hops < 40; ++hops) {
    char link[kMaxPath];
    const int is_link = link_target(out, link);
    if (is_link <= 0) return is_link == 0;
    // A relative target counts from the folder that holds the link.
    const int dir_len = link[0] == '/' ? 0 : os_folder_length(out);
    char next[kMaxPath];
    if (std::snprintf(next, sizeof next, "%.*s%s", dir_len, out, link) >= static_cast<int>(sizeof next)) return false;
    std::memcpy(out, next, sizeof next);
  }
  return false;
}

namespace {

// The name writing to path writes: its folder resolved, then each symbolic
// link it names followed from there, 40 at most. A folder that does not
// exist stays as named: nothing can be written there anyway.
bool resolve_output(const char* path, char (&out)[kMaxPath]) {
  char name[kMaxPath];
  if (std::snprintf(name, sizeof name, "%s", path) >= static_cast<int>(sizeof name)) return false;
  for (int hops = 0; hops < 40; ++hops) {
    const int n = os_folder_length(name);
    char folder[kMaxPath], real[PATH_MAX];
    folder_of(name, n, folder);
    if (realpath(folder, real) == nullptr) std::snprintf(real, sizeof real, "%s", folder);
    const size_t r = std::strlen(real);
    const char* separator = r > 0 && real[r - 1] == '/' ? "" : "/";
    if (std::snprintf(out, sizeof out, "%s%s%s", real, separator, name + n) >= static_cast<int>(sizeof out)) return false;
    char link[kMaxPath];
    const int is_link = link_target(out, link);
    if (is_link <= 0) return is_link == 0;
    const int written = link[0] == '/' ? std::snprintf(name, sizeof name, "%s", link)
                                       : std::snprintf(name, sizeof name, "%s%s%s", real, separator, link);
    if (written >= static_cast<int>(sizeof name)) return false;
  }
  return false;
}

}  // namespace

bool os_same_output(const char* a, const char* b) {
  OsFileInfo x{}, y{};
  if (os_stat(a, &x) && os_stat(b, &y)) return os_same_file(x, y);
  char ra[kMaxPath], rb[kMaxPath];
  return resolve_output(a, ra) && resolve_output(b, rb) && std::strcmp(ra, rb) == 0;
}

void os_take_owner_and_mode(OsFile file, const OsFileInfo* like) {
  const int fd = fd_of(file);
  mode_t mode = 0;
  if (like != nullptr) {
    // The old file's owner and group where that is allowed (root); anyone
    // else keeps the old group when they belong to it.
    if ((like->owner != geteuid() || like->group != getegid()) && fchown(fd, like->owner, like->group) != 0 &&
        fchown(fd, static_cast<uid_t>(-1), like->group) != 0) {
      errno = 0;
    }
    mode = like->mode;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  // After fchown, which may clear the set-id bits.
  (void)fchmod(fd, mode);
}

bool os_temp_folder(char (&out)[kMaxPath]) {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || dir[0] == '\0') dir = "/tmp";
  const size_t n = std::strlen(dir);
  const char* separator = dir[n - 1] == '/' ? "" : "/";
  return std::snprintf(out, sizeof out, "%s%s", dir, separator) < static_cast<int>(sizeof out);
}

bool os_set_size(OsFile file, uint64_t size) { return ftruncate(fd_of(file), static_cast<off_t>(size)) == 0; }

bool os_close_written(OsFile file) { return close(fd_of(file)) == 0; }

// --- Interrupts and the console ------------------------------------------

namespace {

// Signals whose default is to ignore, stop or continue are no interrupt;
// SIGKILL and SIGSTOP cannot be caught.
bool ends_process(int sig) {
  switch (sig) {
    case SIGKILL: case SIGSTOP: case SIGCHLD: case SIGURG: case SIGWINCH:
    case SIGCONT: case SIGTSTP: case SIGTTIN: case SIGTTOU:
#ifdef SIGINFO
    case SIGINFO:
#endif
      return false;
    default:
      return true;
  }
}

// A fault comes from the instruction that made it: holding it back cannot
// keep it from coming, so it is never held, only handled.
bool is_fault(int sig) { return sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL || sig == SIGTRAP; }

int last_signal() {
#ifdef SIGRTMAX
  return SIGRTMAX;
#else
  return NSIG - 1;
#endif
}

// The interrupts held back: every signal that ends the process but the
// faults. Those the C library keeps for itself it drops from the mask.
sigset_t held_set() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig = 1; sig <= last_signal(); ++sig) {
    if (ends_process(sig) && !is_fault(sig)) sigaddset(&set, sig);
  }
  return set;
}

// What the handler does for each file promised to it, kept ready, so that
// it only makes calls that are safe in a signal handler.
constexpr int kInterruptSlots = 16;
// The flags first: finding a free slot reads only the page they are on.
struct Slot {
  volatile sig_atomic_t used;
  volatile sig_atomic_t undo;  // 1 + OsUndo, or 0 for removing alone
  uint64_t size;
  char path[kMaxPath];
  char target[kMaxPath];
};
Slot slots[kInterruptSlots];
volatile sig_atomic_t commit_open = 0;
bool handlers_installed = false;
sigset_t mask_before;
char copy_buffer[64 * 1024];

// Writes the file at from over the file at to, from its start, cut to
// size. Only calls a signal handler may make.
bool copy_back(const char* from, const char* to, uint64_t size) {
  const int in = open(from, O_RDONLY | O_CLOEXEC);
  const int out = open(to, O_WRONLY | O_CLOEXEC);
  bool ok = in >= 0 && out >= 0;
  for (ssize_t got = 1; ok && got > 0;) {
    got = read(in, copy_buffer, sizeof copy_buffer);
    ok = got >= 0;
    for (ssize_t done = 0; ok && done < got;) {
      const ssize_t n = write(out, copy_buffer + done, static_cast<size_t>(got - done));
      ok = n > 0;
      done += n;
    }
  }
  ok = ok && ftruncate(out, static_cast<off_t>(size)) == 0;
  if (in >= 0) close(in);
  if (out >= 0) close(out);
  return ok;
}

// Undoes what the slot's file stands for; false when the file must stay,
// as it still holds an old text that could not be put back.
bool undo_slot(const Slot& s) {
  switch (static_cast<OsUndo>(s.undo - 1)) {
    case OsUndo::kPutBack:
      return rename(s.path, s.target) == 0 || errno == ENOENT;
    case OsUndo::kCopyBack:
      return copy_back(s.path, s.target, s.size);
    case OsUndo::kRemoveTarget:
      unlink(s.target);
      return true;
  }
  return true;
}

extern "C" void on_interrupt(int sig) {
  const bool undo = commit_open != 0;
  for (const Slot& s : slots) {
    if (!s.used) continue;
    if (undo && s.undo != 0 && !undo_slot(s)) continue;
    unlink(s.path);
  }
  // The handler was reset to the default on entry: the signal, delivered
  // again once this returns, ends the process as it would have.
  raise(sig);
}

bool is_default(const struct sigaction& a) { return (a.sa_flags & SA_SIGINFO) == 0 && a.sa_handler == SIG_DFL; }

// Every signal that ends the process gets the handler, but one ignored
// when the program started (nohup) and one that already has a handler (a
// sanitizer's, which reports the fault). No handler interrupts another:
// each holds all of them back while it runs.
void install_handlers() {
  handlers_installed = true;
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  action.sa_flags = SA_RESETHAND;
  action.sa_mask = held_set();
  for (int sig = 1; sig <= last_signal(); ++sig) {
    if (ends_process(sig) && is_fault(sig)) sigaddset(&action.sa_mask, sig);
  }
  // A held signal is taken over at once and given back if it had another
  // action, one call where looking first takes two: it waits meanwhile. A
  // fault, which cannot be held, is looked at first. The C library refuses
  // the signals it keeps for itself.
  sigset_t before;
  const sigset_t held = held_set();
  sigprocmask(SIG_BLOCK, &held, &before);
  for (int sig = 1; sig <= last_signal(); ++sig) {
    if (!ends_process(sig)) continue;
    struct sigaction old {};
    if (is_fault(sig)) {
      if (sigaction(sig, nullptr, &old) == 0 && is_default(old)) sigaction(sig, &action, nullptr);
    } else if (sigaction(sig, &action, &old) == 0 && !is_default(old)) {
      sigaction(sig, &old, nullptr);
    }
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

bool mask_interrupts(bool held) {
  if (!held) return sigprocmask(SIG_SETMASK, &mask_before, nullptr) == 0;
  const sigset_t set = held_set();
  return sigprocmask(SIG_BLOCK, &set, &mask_before) == 0;
}

}  // namespace

OsCalls os_calls = {open_file, stat_file, write_all, reserve, allocate, replace, link_file, remove_file, mask_interrupts, allocate_large};

int os_remove_on_interrupt(const char* path) {
  if (!handlers_installed) install_handlers();
  for (int i = 0; i < kInterruptSlots; ++i) {
    Slot& s = slots[i];
    if (s.used) continue;
    std::snprintf(s.path, sizeof s.path, "%s", path);
    s.undo = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    s.used = 1;
    return i;
  }
  return -1;
}

void os_undo_on_interrupt(int slot, OsUndo how, const char* target, uint64_t size) {
  if (slot < 0 || slot >= kInterruptSlots) return;
  Slot& s = slots[slot];
  s.undo = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::snprintf(s.target, sizeof s.target, "%s", target);
  s.size = size;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  s.undo = 1 + static_cast<int>(how);
}

void os_forget_on_interrupt(int slot) {
  if (slot >= 0 && slot < kInterruptSlots) slots[slot].used = 0;
}

void os_open_commit() { commit_open = 1; }

void os_close_commit() { commit_open = 0; }

bool os_shell_is_cmd() { return false; }

bool os_stderr_is_terminal() { return isatty(STDERR_FILENO) == 1; }

double os_seconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void os_start_program(int*, char***) {}

#endif
