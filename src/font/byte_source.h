// What a font is read from: bytes in memory, or positioned reads of an
// open file, so that a reader probing a few KiB of a huge file reads those
// and no more. Positions and sizes are 64-bit.
#ifndef GLYFEX_FONT_BYTE_SOURCE_H
#define GLYFEX_FONT_BYTE_SOURCE_H

#include <cstddef>
#include <cstdint>

#include "fault/fault.h"
#include "os/os.h"

struct ByteSource {
  const uint8_t* bytes;  // the whole input, or nullptr for a file
  OsFile file;  // the file, read with positioned reads, when bytes is nullptr
  uint64_t size;
  uint64_t* readCount;  // counts the bytes read, when not nullptr
};

inline ByteSource memory_source(const uint8_t* bytes, uint64_t size) {
  return ByteSource{bytes, kNoFile, size, nullptr};
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
