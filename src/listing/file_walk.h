// The files a run of glyfex-scan lists: every file named, and every file
// under a folder named, walked in name order without following symbolic
// links or reparse points. Each gets a label, for the folder its texts go
// to: its name, or for a file found in a folder named, that folder's name
// and its path from there.
#ifndef GLYFEX_LISTING_FILE_WALK_H
#define GLYFEX_LISTING_FILE_WALK_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "fault/fault.h"
#include "font/font_image.h"

struct WalkedFile {
  char* path;  // as the run opens it
  char* label;  // apps/sub/b.prc, or b.prc for a file named
  uint64_t size;  // where known, for progress
  Fault fault;  // a folder that could not be read: listed as failing
  bool walked;  // found by walking a folder named, not named itself
};

struct FileSet {
  std::unique_ptr<WalkedFile[], FreeBytes> files;
  size_t count;
  size_t capacity;
  uint64_t bytes;  // the sizes added up
  bool folders;  // a folder was named
  // Folders deeper than the walk goes, not walked.
  std::unique_ptr<char*[], FreeBytes> tooDeep;
  size_t tooDeepCount;
  size_t tooDeepCapacity;
};

// How many folders deep the walk goes below a folder named.
constexpr int kMaxFolderDepth = 64;

// Adds the file or folder at path. False without memory.
bool walk_path(const char* path, FileSet* set);

void free_file_set(FileSet* set);

// A copy of text in memory from malloc, for the caller to free; nullptr
// without memory.
char* copy_text(const char* text);

#endif
