#include "font/byte_source.h"

#include <cstring>

#include "fault/fault.h"

bool file_source(OsFile file, ByteSource* source) {
  *source = ByteSource{nullptr, file, 0, nullptr};
  return os_file_size(file, &source->size);
}

// The range was checked against the size, so a short read means the file
// shrank meanwhile.
Fault read_at(const ByteSource& s, int64_t pos, void* dst, size_t n) {
  if (n == 0) return Fault::kNone;
  if (s.readCount != nullptr) *s.readCount += n;
  if (s.bytes != nullptr) {
    std::memcpy(dst, s.bytes + pos, n);
    return Fault::kNone;
  }
  auto* out = static_cast<uint8_t*>(dst);
  while (n > 0) {
    size_t got = 0;
    if (!os_read_at(s.file, static_cast<uint64_t>(pos), out, n, &got)) return Fault::kInputRead;
    if (got == 0) return Fault::kFontOutsideFile;
    out += got;
    pos += static_cast<int64_t>(got);
    n -= got;
  }
  return Fault::kNone;
}
