// The operating system interface on Windows: the wide-character API
// throughout, paths converted from UTF-8 at each call. A file is the same
// file when its volume serial number and file index are.
#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which these need.
#include <fcntl.h>
#include <io.h>
#include <malloc.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "os/os.h"

namespace {

HANDLE handle_of(OsFile f) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(f.handle)); }
OsFile file_of(HANDLE h) { return OsFile{static_cast<int64_t>(reinterpret_cast<intptr_t>(h))}; }

// A UTF-8 path as the wide-character API takes it.
struct WidePath {
  wchar_t text[kMaxPath];
};

bool widen(const char* path, WidePath* out) {
  return MultiByteToWideChar(CP_UTF8, 0, path, -1, out->text, static_cast<int>(kMaxPath)) > 0;
}

bool narrow(const wchar_t* path, char (&out)[kMaxPath]) {
  return WideCharToMultiByte(CP_UTF8, 0, path, -1, out, static_cast<int>(kMaxPath), nullptr, nullptr) > 0;
}

OsError error_of(DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return OsError::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
      return OsError::kNoPermission;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return OsError::kNoRoom;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return OsError::kExists;
    case ERROR_FILENAME_EXCED_RANGE:
      return OsError::kTooLong;
    default:
      return OsError::kOther;
  }
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Devices and pipes have no identity: each is told apart from every file
// and from each other.
uint64_t next_device_index = 0;

bool info_of(HANDLE h, OsFileInfo* info) {
  *info = OsFileInfo{OsKind::kOther, ~uint64_t{0}, ++next_device_index, 0, 0666, 0, 0};
  if (GetFileType(h) != FILE_TYPE_DISK) return true;
  BY_HANDLE_FILE_INFORMATION by{};
  if (!GetFileInformationByHandle(h, &by)) return false;
  info->kind = (by.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? OsKind::kDirectory : OsKind::kRegular;
  info->volume = by.dwVolumeSerialNumber;
  info->index = (uint64_t{by.nFileIndexHigh} << 32) | by.nFileIndexLow;
  info->size = (uint64_t{by.nFileSizeHigh} << 32) | by.nFileSizeLow;
  info->mode = (by.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  return true;
}

HANDLE open_path(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  WidePath wide;
  if (!widen(path, &wide)) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(wide.text, access, share, nullptr, disposition, flags, nullptr);
}

bool write_all(OsFile file, const void* bytes, size_t n) {
  const auto* p = static_cast<const char*>(bytes);
  while (n > 0) {
    const DWORD chunk = n > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(n);
    DWORD done = 0;
    if (!WriteFile(handle_of(file), p, chunk, &done, nullptr) || done == 0) return false;
    p += done;
    n -= done;
  }
  return true;
}

bool replace(const char* from, const char* to) {
  WidePath a, b;
  return widen(from, &a) && widen(to, &b) &&
         MoveFileExW(a.text, b.text, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool link_file(const char* existing, const char* name) {
  WidePath a, b;
  return widen(existing, &a) && widen(name, &b) && CreateHardLinkW(b.text, a.text, nullptr) != 0;
}

OsError remove_file(const char* path) {
  WidePath wide;
  if (!widen(path, &wide)) return OsError::kTooLong;
  return DeleteFileW(wide.text) != 0 ? OsError::kNone : error_of(GetLastError());
}

OsError stat_file(const char* path, OsFileInfo* info) {
  HANDLE h = open_path(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  // Devices such as CON open only for reading or writing.
  if (h == INVALID_HANDLE_VALUE) h = open_path(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING, 0);
  if (h == INVALID_HANDLE_VALUE) {
    const OsError err = error_of(GetLastError());
    return err == OsError::kNotFound ? err : OsError::kOther;
  }
  const bool ok = info_of(h, info);
  CloseHandle(h);
  return ok ? OsError::kNone : OsError::kOther;
}

// Extending the file to the size allocates its room, as posix_fallocate
// does; the writes then start at its beginning again.
bool reserve(OsFile file, uint64_t size) {
  LARGE_INTEGER now{}, end{}, start{};
  end.QuadPart = static_cast<LONGLONG>(size);
  const HANDLE h = handle_of(file);
  if (!GetFileSizeEx(h, &now)) return false;
  if (now.QuadPart < end.QuadPart && !(SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h))) return false;
  return SetFilePointerEx(h, start, nullptr, FILE_BEGIN) != 0;
}

// The file is left empty for the writes to find their room: a size set
// first would have its unwritten end filled with zeros by the system, and
// an allocation size alone has shown no gain (the Windows programs are
// tried under Wine, which cannot tell).
bool allocate(OsFile, uint64_t) { return true; }

// A new file is shared for deletion, so that the interrupt handler can
// remove it while it is open, and readable, so that it can be copied.
OsError open_file(const char* path, OsOpen how, OsFile* file) {
  HANDLE h = INVALID_HANDLE_VALUE;
  if (how == OsOpen::kNew) {
    h = open_path(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW,
                  FILE_ATTRIBUTE_NORMAL);
  } else {
    h = open_path(path, GENERIC_WRITE, how == OsOpen::kExisting ? FILE_SHARE_READ : kShareAll, OPEN_EXISTING, 0);
  }
  if (h == INVALID_HANDLE_VALUE) return error_of(GetLastError());
  *file = file_of(h);
  return OsError::kNone;
}

// Windows' aligned memory, which only _aligned_free releases.
void* allocate_large(size_t bytes) { return _aligned_malloc(bytes == 0 ? 1 : bytes, 64); }

bool mask_interrupts(bool held);

}  // namespace

OsCalls os_calls = {open_file, stat_file, write_all, reserve, allocate, replace, link_file, remove_file, mask_interrupts, allocate_large};

void os_free_large(void* p) { _aligned_free(p); }

// Pages are left to be faulted in as they are written.
void os_prefault(void*, size_t) {}

OsError os_open_input(const char* path, OsFile* file, OsFileInfo* info) {
  const HANDLE h = open_path(path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (h == INVALID_HANDLE_VALUE) return error_of(GetLastError());
  if (!info_of(h, info)) {
    CloseHandle(h);
    return OsError::kOther;
  }
  *file = file_of(h);
  return OsError::kNone;
}

bool os_file_size(OsFile file, uint64_t* size) {
  LARGE_INTEGER n{};
  const bool ok = GetFileSizeEx(handle_of(file), &n) != 0;
  *size = ok ? static_cast<uint64_t>(n.QuadPart) : 0;
  return ok;
}

bool os_read_at(OsFile file, uint64_t pos, void* dst, size_t n, size_t* got) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(pos);
  at.OffsetHigh = static_cast<DWORD>(pos >> 32);
  DWORD done = 0;
  const DWORD chunk = n > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(n);
  if (!ReadFile(handle_of(file), dst, chunk, &done, &at)) {
    *got = 0;
    return GetLastError() == ERROR_HANDLE_EOF;
  }
  *got = done;
  return true;
}

void os_close(OsFile file) {
  if (is_open(file)) CloseHandle(handle_of(file));
}

bool os_stat(const char* path, OsFileInfo* info) { return os_lookup(path, info) == OsError::kNone; }

bool os_standard_output_info(OsFileInfo* info) { return info_of(GetStdHandle(STD_OUTPUT_HANDLE), info); }

OsFile os_standard_output() { return file_of(GetStdHandle(STD_OUTPUT_HANDLE)); }

bool os_may_write(const char* path) {
  WidePath wide;
  if (!widen(path, &wide)) return false;
  const DWORD attributes = GetFileAttributesW(wide.text);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool os_may_replace(const char*, const OsFileInfo&) { return true; }

bool os_list_folder(const char* path, void (*visit)(void* context, const char* name, OsEntryKind kind), void* context) {
  char pattern[kMaxPath];
  WidePath wide;
  // A bare drive (C:) means its current folder, C:*; a root (C:\) has
  // its separator already.
  const size_t n = std::strlen(path);
  const bool ends_folder = n > 0 && (path[n - 1] == '\\' || path[n - 1] == '/' || path[n - 1] == ':');
  if (std::snprintf(pattern, sizeof pattern, "%s%s*", path, ends_folder ? "" : "\\") >= static_cast<int>(sizeof pattern) ||
      !widen(pattern, &wide)) {
    return false;
  }
  WIN32_FIND_DATAW found;
  const HANDLE h = FindFirstFileW(wide.text, &found);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    char name[kMaxPath];
    if (!narrow(found.cFileName, name) || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    // Reparse points (links, junctions) are not followed.
    const DWORD a = found.dwFileAttributes;
    OsEntryKind kind = OsEntryKind::kFile;
    if ((a & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      kind = OsEntryKind::kOther;
    } else if ((a & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      kind = OsEntryKind::kFolder;
    }
    visit(context, name, kind);
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return true;
}

char os_separator() { return '\\'; }

namespace {

// The absolute path of path, as Windows completes it.
bool full_path_of(const char* path, WidePath* full) {
  WidePath wide;
  if (!widen(path, &wide)) return false;
  const DWORD n = GetFullPathNameW(wide.text, static_cast<DWORD>(kMaxPath), full->text, nullptr);
  return n > 0 && n < kMaxPath;
}

}  // namespace

bool os_full_path(const char* path, char (&out)[kMaxPath]) {
  WidePath full;
  return full_path_of(path, &full) && narrow(full.text, out);
}

void os_root_name(const char* full_path, char (&out)[kMaxPath]) {
  if (full_path[0] != '\0' && full_path[1] == ':') {
    std::snprintf(out, sizeof out, "%c", full_path[0]);
  } else {
    std::snprintf(out, sizeof out, "root");
  }
}

int os_folder_length(const char* path) {
  int length = 0;
  for (int i = 0; path[i] != '\0'; ++i) {
    if (path[i] == '/' || path[i] == '\\' || (i == 1 && path[i] == ':')) length = i + 1;
  }
  return length;
}

// Symbolic links are rare on Windows and need rights to make; a path is
// taken as it stands.
bool os_follow_links(const char* path, char (&out)[kMaxPath]) {
  return std::snprintf(out, sizeof out, "%s", path) < static_cast<int>(sizeof out);
}

// Two names of one file that does not exist yet: their full paths, which
// Windows compares without case.
bool os_same_output(const char* a, const char* b) {
  OsFileInfo x{}, y{};
  if (os_stat(a, &x) && os_stat(b, &y)) return os_same_file(x, y);
  WidePath fa, fb;
  return full_path_of(a, &fa) && full_path_of(b, &fb) && CompareStringOrdinal(fa.text, -1, fb.text, -1, TRUE) == CSTR_EQUAL;
}

void os_take_owner_and_mode(OsFile, const OsFileInfo*) {}

bool os_temp_folder(char (&out)[kMaxPath]) {
  wchar_t wide[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, wide);
  return n > 0 && n <= MAX_PATH && narrow(wide, out);
}

bool os_set_size(OsFile file, uint64_t size) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(handle_of(file), at, nullptr, FILE_BEGIN) && SetEndOfFile(handle_of(file));
}

bool os_close_written(OsFile file) { return CloseHandle(handle_of(file)) != 0; }

// --- Interrupts and the console ------------------------------------------

namespace {

constexpr int kInterruptSlots = 16;
WidePath interrupt_paths[kInterruptSlots];
volatile LONG interrupt_used[kInterruptSlots];
bool handler_installed = false;
// Held by the program while interrupts are held back, and taken for good by
// the handler, which so waits for the steps in between to end.
SRWLOCK hold = SRWLOCK_INIT;

// Runs on a thread of its own when Ctrl-C or Ctrl-Break is pressed or the
// console is closed; the files, opened shared for deletion, go when the
// process ends, and the default handler then ends it. A closed console
// allows about five seconds for this.
BOOL WINAPI on_interrupt(DWORD) {
  AcquireSRWLockExclusive(&hold);
  for (int i = 0; i < kInterruptSlots; ++i) {
    if (interrupt_used[i]) DeleteFileW(interrupt_paths[i].text);
  }
  return FALSE;
}

bool mask_interrupts(bool held) {
  if (held) {
    AcquireSRWLockExclusive(&hold);
  } else {
    ReleaseSRWLockExclusive(&hold);
  }
  return true;
}

}  // namespace

int os_remove_on_interrupt(const char* path) {
  if (!handler_installed) handler_installed = SetConsoleCtrlHandler(on_interrupt, TRUE) != 0;
  for (int i = 0; i < kInterruptSlots; ++i) {
    if (interrupt_used[i] || !widen(path, &interrupt_paths[i])) continue;
    InterlockedExchange(&interrupt_used[i], 1);
    return i;
  }
  return -1;
}

void os_forget_on_interrupt(int slot) {
  if (slot >= 0 && slot < kInterruptSlots) InterlockedExchange(&interrupt_used[slot], 0);
}

// The handler waits for the lock that holds interrupts back, so it never
// runs while a commit is open: nothing needs undoing.
void os_undo_on_interrupt(int, OsUndo, const char*, uint64_t) {}
void os_open_commit() {}
void os_close_commit() {}

bool os_shell_is_cmd() { return true; }

bool os_stderr_is_terminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

double os_seconds() {
  LARGE_INTEGER count{}, frequency{};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The arguments from the wide command line as UTF-8, and standard output
// in binary mode, so that texts through it have the same line ends.
void os_start_program(int* argc, char*** argv) {
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (wide != nullptr) {
    auto** args = static_cast<char**>(std::calloc(static_cast<size_t>(n) + 1, sizeof(char*)));
    for (int i = 0; args != nullptr && i < n; ++i) {
      const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
      args[i] = static_cast<char*>(std::malloc(static_cast<size_t>(bytes > 0 ? bytes : 1)));
      if (args[i] == nullptr) return;
      args[i][0] = '\0';
      WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, args[i], bytes, nullptr, nullptr);
    }
    if (args != nullptr) {
      *argc = n;
      *argv = args;
    }
    LocalFree(wide);
  }
  _setmode(_fileno(stdout), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

#endif
