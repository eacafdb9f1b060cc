// Where a text goes and how it replaces what was there. A regular file is
// written to a new file beside it and renamed over it only when all went
// well; an existing file whose folder refuses new files is written over in
// place, once room for the whole text is secured; standard output's own
// file goes through standard output; devices and FIFOs are written
// directly. A new file not yet in place is removed when the process is
// interrupted.
#ifndef GLYFEX_CLI_OUTPUT_FILE_H
#define GLYFEX_CLI_OUTPUT_FILE_H

#include <cstdint>

#include "os/os.h"

enum class OutputKind { kStdout, kDirect, kReplace, kInPlace };

struct OutputFile {
  OsFile file;
  OutputKind kind;
  uint64_t bytes;  // the text's size
  uint64_t oldBytes;  // kInPlace: the file's size before room was reserved
  bool committed;  // kReplace: renamed over the target
  char target[kMaxPath];  // the output path with symbolic links followed
  char temp[kMaxPath];  // kReplace: the new file
  char backup[kMaxPath];  // a second name of the replaced file, or ""
  int tempSlot;  // what removes temp on an interrupt, or -1
  int backupSlot;  // the same for backup
};

// The name of the 144 dpi text beside the text at path: "-144" goes before
// the extension of the last path component (font.txt gives font-144.txt,
// x.tar.gz x.tar-144.gz, .hidden .hidden-144). False when it is too long.
bool density_path(const char* path, char (&out)[kMaxPath]);

// True when path names the file described by input.
bool same_file(const char* path, const OsFileInfo& input);

// True when both paths exist and name one file.
bool same_files(const char* a, const char* b);

// True when path names the file standard output is.
bool is_standard_output(const char* path);

// True when path exists and is no regular file (a device, a FIFO): such an
// output is written as it is and cannot be replaced.
bool is_special_file(const char* path);

// Opens path for a text of bytes bytes; nothing is written to it yet, and
// an existing file is not changed. Returns nullptr, kErrOutputOpen (no
// permission, no such folder, a file the user may not write) or
// kErrOutputWrite (no room for the text).
const char* open_output(const char* path, uint64_t bytes, OutputFile* out);

// Ends the writing of what open_output opened: a text written in place is
// cut to its size. write_err is the writer's result; after any failure the
// output is discarded. Returns the first failure.
const char* close_output(OutputFile* out, const char* write_err);

// Renames the new file over the target. keep_old keeps the file it
// replaces under a second name, so that undo_output can put it back.
const char* commit_output(OutputFile* out, bool keep_old);

// Puts back what commit_output replaced: the old file, or no file.
void undo_output(OutputFile* out);

// Forgets the replaced file once every output is in place.
void drop_backup(OutputFile* out);

// Removes a new file not yet put in place, and gives a file opened in place
// back its old size; the old file is then as it was.
void discard_output(OutputFile* out);

#endif
