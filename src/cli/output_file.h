// Where a text goes and how it replaces what was there: a regular file is
// written to a new file beside it and renamed over it only when all went
// well; standard output's own file goes through standard output; other
// files (devices, FIFOs) are written directly.
#ifndef GLYFEX_CLI_OUTPUT_FILE_H
#define GLYFEX_CLI_OUTPUT_FILE_H

#include <sys/stat.h>

#include <climits>

struct OutputFile {
  int fd;
  bool toStdout;
  bool replaces;  // fd is the temporary file, renamed over target at the end
  char target[PATH_MAX];  // the output path with symbolic links followed
  char temp[PATH_MAX];
};

// The name of the 144 dpi text beside the text at path: "-144" goes before
// the extension of the last path component (font.txt gives font-144.txt,
// x.tar.gz x.tar-144.gz, .hidden .hidden-144). False when it is too long.
bool density_path(const char* path, char (&out)[PATH_MAX]);

// True when path names the file the input is (same device and inode).
bool same_file(const char* path, const struct stat& input);

// Opens path for writing. Returns nullptr or kErrOutputOpen.
const char* open_output(const char* path, OutputFile* out);

// Closes what open_output opened. write_err is the writer's result; after
// any failure the temporary file is removed. Returns the first failure.
const char* close_output(OutputFile* out, const char* write_err);

// Renames the temporary file over the target; removes it when that fails.
const char* commit_output(OutputFile* out);

// Removes a temporary file that close_output kept.
void discard_output(OutputFile* out);

#endif
