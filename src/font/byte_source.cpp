#include "font/byte_source.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "font/font_image.h"

bool file_source(int fd, ByteSource* source) {
  const off_t end = lseek(fd, 0, SEEK_END);
  *source = ByteSource{nullptr, fd, end < 0 ? 0 : static_cast<uint64_t>(end)};
  return end >= 0;
}

// The range was checked against the size, so a short read means the file
// shrank meanwhile.
const char* read_at(const ByteSource& s, int64_t pos, void* dst, size_t n) {
  if (n == 0) return nullptr;
  if (s.bytes != nullptr) {
    std::memcpy(dst, s.bytes + pos, n);
    return nullptr;
  }
  auto* out = static_cast<uint8_t*>(dst);
  while (n > 0) {
    const ssize_t got = pread(s.fd, out, n, static_cast<off_t>(pos));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return kErrInputRead;
    if (got == 0) return kErrFontOutsideFile;
    out += got;
    pos += got;
    n -= static_cast<size_t>(got);
  }
  return nullptr;
}
