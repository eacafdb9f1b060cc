// What a font is read from: bytes in memory, or positioned reads of an
// open file, so that a reader probing a few KiB of a huge file reads those
// and no more. Positions and sizes are 64-bit.
#ifndef GLYFEX_FONT_BYTE_SOURCE_H
#define GLYFEX_FONT_BYTE_SOURCE_H

#include <cstddef>
#include <cstdint>

#include "fault/fault.h"
#include "os/os.h"

// Windows of the file that small reads are taken from, so that reading
// thousands of headers and tables costs a read of the file per window,
// not a system call each. Several, the least recently used replaced, as a
// reader goes back and forth between a list and what it names.
constexpr int kCacheWindows = 16;
constexpr size_t kCacheWindowBytes = 8192;

struct ReadCache {
  uint8_t* bytes;  // kCacheWindows windows, owned by whoever gave the cache
  uint64_t at[kCacheWindows];  // where each window lies in the file
  size_t size[kCacheWindows];  // bytes of it read, 0 for none
  uint64_t used[kCacheWindows];  // when each was last read from
  uint64_t clock;
};

struct ByteSource {
  const uint8_t* bytes;  // the whole input, or nullptr for a file
  OsFile file;  // the file, read with positioned reads, when bytes is nullptr
  uint64_t size;
  uint64_t* readCount;  // counts the bytes read, when not nullptr
  ReadCache* cache;  // for small reads of a file, or nullptr
};

inline ByteSource memory_source(const uint8_t* bytes, uint64_t size) {
  return ByteSource{bytes, kNoFile, size, nullptr, nullptr};
}

// The open file, its size taken by seeking to its end. False when that
// fails.
bool file_source(OsFile file, ByteSource* source);

// True when [start, start + length) lies within the source.
inline bool fits(const ByteSource& s, int64_t start, uint64_t length) {
  return start >= 0 && static_cast<uint64_t>(start) <= s.size && length <= s.size - static_cast<uint64_t>(start);
}

// Reads exactly n bytes at pos, which the caller has checked with fits.
// Returns Fault::kNone, or the fault of a failed or short read.
Fault read_at(const ByteSource& s, int64_t pos, void* dst, size_t n);

#endif
