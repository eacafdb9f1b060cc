// The operating system as glyfex sees it: files read at positions, outputs
// written to a new file and put in place, file identity, large buffers,
// interrupts and the console. One implementation for POSIX
// (os_posix.cpp) and one for Windows (os_win.cpp); nothing above this
// header includes a system header. Paths are UTF-8; positions and sizes
// are 64-bit.
#ifndef GLYFEX_OS_OS_H
#define GLYFEX_OS_OS_H

#include <cstddef>
#include <cstdint>

constexpr size_t kMaxPath = 4096;

// An open file. Its handle means something only to the implementation.
struct OsFile {
  int64_t handle;
};
constexpr OsFile kNoFile{-1};
inline bool is_open(OsFile f) { return f.handle != -1; }

enum class OsKind { kRegular, kBlockDevice, kDirectory, kOther };

struct OsFileInfo {
  OsKind kind;
  uint64_t volume;  // with index, what makes two paths one file
  uint64_t index;
  uint64_t size;
  uint32_t mode;  // permission bits, where the system has them
  uint32_t owner;
  uint32_t group;
};

enum class OsError { kNone, kNotFound, kNoPermission, kNoRoom, kNotAFile, kExists, kTooLong, kOther };

// --- Reading --------------------------------------------------------------

// Opens path for reading without waiting (a FIFO would wait for a writer)
// and describes what was opened. kNotAFile for what cannot be opened as a
// file at all (a socket).
OsError os_open_input(const char* path, OsFile* file, OsFileInfo* info);

// The file's size, found by seeking to its end (which a block device has,
// though it reports none otherwise).
bool os_file_size(OsFile file, uint64_t* size);

// Reads up to n bytes at pos; *got is 0 at the end of the file.
bool os_read_at(OsFile file, uint64_t pos, void* dst, size_t n, size_t* got);

void os_close(OsFile file);

// --- Files by name ------------------------------------------------------

// Describes the file path names, links followed (see os_lookup). False
// when there is none or it cannot be told.
bool os_stat(const char* path, OsFileInfo* info);

inline bool os_same_file(const OsFileInfo& a, const OsFileInfo& b) { return a.volume == b.volume && a.index == b.index; }

// Describes what standard output is. False when it is no file.
bool os_standard_output_info(OsFileInfo* info);

OsFile os_standard_output();

// What a folder entry is, for walking a tree: a regular file, a folder,
// or something not followed (a symbolic link, a Windows reparse point, a
// device).
enum class OsEntryKind { kFile, kFolder, kOther };

// Calls visit for each entry of the folder at path but . and .., in no
// order. False when the folder cannot be read.
bool os_list_folder(const char* path, void (*visit)(void* context, const char* name, OsEntryKind kind), void* context);

// The file separator to put between a folder and a name.
char os_separator();

// The absolute path of path, links resolved where the system resolves
// them (a bare drive such as C: gives its current folder). False when
// there is none.
bool os_full_path(const char* path, char (&out)[kMaxPath]);

// The name a root folder goes by where it has no name of its own: "root",
// or on Windows the drive's letter.
void os_root_name(const char* full_path, char (&out)[kMaxPath]);

// True when the user may write the existing file at path.
bool os_may_write(const char* path);

// False when a file the user may write still cannot be renamed over, as
// another user's file in a sticky folder.
bool os_may_replace(const char* target, const OsFileInfo& info);

// The length of path's folder part, its last separator included (0 for
// none): "/" on POSIX; "\", "/" and a drive's ":" on Windows.
int os_folder_length(const char* path);

// Copies path to out, then replaces it by the target of each symbolic link
// it names (a relative target counts from the link's folder), 40 at most.
bool os_follow_links(const char* path, char (&out)[kMaxPath]);

// True when writing to a and to b would write one file: both exist and are
// one file (a hard link), or both names lead to one name once every
// symbolic link is followed, dangling or not, and their folders are
// resolved (compared without case where the system ignores it).
bool os_same_output(const char* a, const char* b);

// --- Writing --------------------------------------------------------------

// How os_calls.open opens a file for writing: a new file that must not
// exist yet (readable too, so that what was written can be copied), an
// existing file without truncating it, or a device or FIFO.
enum class OsOpen { kNew, kExisting, kDevice };

// Gives a new file the permission bits and owner of the file like
// describes (where allowed), or, for nullptr, what creating a file gives.
void os_take_owner_and_mode(OsFile file, const OsFileInfo* like);

// Creates a new file named .glyfex-XXXXXX in folder (a path's folder part,
// "" for the current one); name receives its path. The file is removed if
// the process is interrupted before os_forget_on_interrupt(*slot): no
// interrupt can fall between its creation and that promise.
OsError os_create_temp(const char* folder, char (&name)[kMaxPath], OsFile* file, int* slot);

// The folder for temporary files, its separator included: TMPDIR, else
// /tmp (the user's temporary folder on Windows). The one place glyfex
// reads the environment, as Unix tools do for temporary files.
bool os_temp_folder(char (&out)[kMaxPath]);

bool os_set_size(OsFile file, uint64_t size);

// Closes the file; false when that reported a failure.
bool os_close_written(OsFile file);

// --- Calls tests may replace ---------------------------------------------

// The calls whose failure matters, through a table that tests change to
// make any of them fail in-process, on every system.
struct OsCalls {
  OsError (*open)(const char* path, OsOpen how, OsFile* file);
  // Describes the file path names, links followed: kNotFound only when
  // there is none; any other failure says nothing of whether it exists.
  OsError (*stat)(const char* path, OsFileInfo* info);
  // Writes all n bytes; false when a write fails.
  bool (*write_all)(OsFile file, const void* bytes, size_t n);
  // Secures room for size bytes from the start of the file without
  // changing what it holds or its size; true as well where the file
  // system cannot reserve room at all (the writes then find it or fail).
  bool (*reserve)(OsFile file, uint64_t size);
  // Gives a new, empty file the size bytes and the room for them at once
  // where the system can without writing them (Linux), else leaves it
  // empty; false when that failed and the file may be longer than empty.
  bool (*allocate)(OsFile file, uint64_t size);
  // Gives from's file the name to, replacing what was there.
  bool (*replace)(const char* from, const char* to);
  // Gives the file at existing a second name, which must be new.
  bool (*link)(const char* existing, const char* name);
  // Removes the name: kNotFound when it was gone already.
  OsError (*remove)(const char* path);
  // Holds the interrupts back (held) or lets them through again.
  bool (*mask_interrupts)(bool held);
  // A buffer for the strips: bytes of memory, or nullptr. Large ones lie
  // on huge-page boundaries where the system has them. Released by
  // os_free_large only.
  void* (*allocate_large)(size_t bytes);
};
extern OsCalls os_calls;

inline OsError os_open(const char* path, OsOpen how, OsFile* file) { return os_calls.open(path, how, file); }
inline OsError os_lookup(const char* path, OsFileInfo* info) { return os_calls.stat(path, info); }
inline bool os_write_all(OsFile file, const void* bytes, size_t n) { return os_calls.write_all(file, bytes, n); }
inline bool os_reserve(OsFile file, uint64_t size) { return os_calls.reserve(file, size); }
inline bool os_allocate(OsFile file, uint64_t size) { return os_calls.allocate(file, size); }
inline bool os_replace(const char* from, const char* to) { return os_calls.replace(from, to); }
inline bool os_link(const char* existing, const char* name) { return os_calls.link(existing, name); }
inline OsError os_remove(const char* path) { return os_calls.remove(path); }
inline void* os_allocate_large(size_t bytes) { return os_calls.allocate_large(bytes); }
void os_free_large(void* p);

// Makes the first bytes of a buffer from os_allocate_large ready to be
// written in one call, where the system can, instead of one page fault a
// page as they are first written; only advice.
void os_prefault(void* p, size_t bytes);

// --- Interrupts and the console ------------------------------------------

// An interrupt (on POSIX every signal a process can catch whose default is
// to end it: Ctrl-C, kill, a closed terminal, SIGPIPE, SIGXFSZ, the
// real-time signals, a fault; on Windows Ctrl-C, Ctrl-Break or a closed
// console) removes the files promised to it and ends the process as the
// interrupt would have. An interrupt ignored when the program started
// stays ignored.

// Promises path to the interrupt handler, which removes it; returns the
// slot that takes the promise back, or -1 when no slot is free.
int os_remove_on_interrupt(const char* path);
void os_forget_on_interrupt(int slot);

// What an interrupt that comes while a commit is open does with a slot's
// file besides removing it, so that the commit is undone: puts it back at
// target (an old file kept under another name is renamed over target, and
// its name removed where both already name one file), writes it over
// target from its start and cuts target to size (an old text kept as a
// copy), or removes target as well (a new file placed where there was
// none). Interrupts that can be held back never come while a commit is
// open; faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP) can, and on
// Windows none.
enum class OsUndo { kPutBack, kCopyBack, kRemoveTarget };
void os_undo_on_interrupt(int slot, OsUndo how, const char* target, uint64_t size);
void os_open_commit();
void os_close_commit();

// Holds interrupts back until the matching os_release_interrupts, so that
// the steps between take effect together or not at all; an interrupt that
// came meanwhile takes effect at the release. Holds nest. False when they
// cannot be held.
bool os_hold_interrupts();
void os_release_interrupts();

bool os_stderr_is_terminal();

// True where commands are read by cmd.exe (Windows), not a POSIX shell.
bool os_shell_is_cmd();

// --- The processor -------------------------------------------------------

// Whether the processor and the system run AVX2 instructions.
bool os_runs_avx2();

// Seconds from a fixed moment, for measuring.
double os_seconds();

// Makes the arguments UTF-8 (on Windows from the wide command line) and
// standard output binary, so that texts through it are byte for byte the
// same everywhere.
void os_start_program(int* argc, char*** argv);

#endif
