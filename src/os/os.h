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

enum class OsKind { kMissing, kRegular, kBlockDevice, kDirectory, kOther };

struct OsFileInfo {
  OsKind kind;
  uint64_t volume;  // with index, what makes two paths one file
  uint64_t index;
  uint64_t size;
  uint32_t mode;  // permission bits, where the system has them
  uint32_t owner;
  uint32_t group;
};

enum class OsError { kNone, kNotFound, kNoPermission, kNoRoom, kNotAFile, kOther };

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

// Describes the file path names, links followed. False when there is none.
bool os_stat(const char* path, OsFileInfo* info);

inline bool os_same_file(const OsFileInfo& a, const OsFileInfo& b) { return a.volume == b.volume && a.index == b.index; }

// Describes what standard output is. False when it is no file.
bool os_standard_output_info(OsFileInfo* info);

OsFile os_standard_output();

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

// --- Writing --------------------------------------------------------------

// Creates a new file named .glyfex-XXXXXX in the folder of target; name
// receives its path. Its permission bits and owner are the existing file's
// (where allowed), or what creating a file would give. The file is removed
// if the process is interrupted before os_forget_on_interrupt(*slot): no
// interrupt can fall between its creation and that promise.
OsError os_create_temp(const char* target, const OsFileInfo* existing, char (&name)[kMaxPath], OsFile* file,
                       int* slot);

// Opens an existing file for writing over it, without truncating it.
OsError os_open_existing(const char* path, OsFile* file);

// Opens a device or FIFO for writing.
OsError os_open_device(const char* path, OsFile* file);

// Secures room for size bytes from the start of the file.
bool os_reserve(OsFile file, uint64_t size);

bool os_set_size(OsFile file, uint64_t size);

// Closes the file; false when that reported a failure.
bool os_close_written(OsFile file);

// Gives from's file the name to, replacing what was there.
bool os_replace(const char* from, const char* to);

// Gives the file at existing a second name, which must be new.
bool os_link(const char* existing, const char* name);

bool os_remove(const char* path);

// --- Calls tests may replace ---------------------------------------------

// The calls whose failure matters most, through a table that tests can
// change to make a write, a rename or an allocation fail.
struct OsCalls {
  bool (*write_all)(OsFile file, const void* bytes, size_t n);
  bool (*replace)(const char* from, const char* to);
  void* (*allocate_large)(size_t bytes);
};
extern OsCalls os_calls;

// Writes all n bytes; false when a write fails.
inline bool os_write_all(OsFile file, const void* bytes, size_t n) { return os_calls.write_all(file, bytes, n); }

// A buffer for the strips: bytes of memory, or
// nullptr. Large ones lie on huge-page boundaries where the system has
// them. Released by os_free_large only.
inline void* os_allocate_large(size_t bytes) { return os_calls.allocate_large(bytes); }
void os_free_large(void* p);

// --- Interrupts and the console ------------------------------------------

// An interrupt (Ctrl-C, kill, a closed terminal; Ctrl-C or Ctrl-Break on
// Windows) removes the files os_create_temp promised to remove and ends
// the process as the interrupt would have. This takes a promise back.
void os_forget_on_interrupt(int slot);

bool os_stderr_is_terminal();

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
