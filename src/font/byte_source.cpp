#include "font/byte_source.h"

#include <algorithm>
#include <cstring>

#include "fault/fault.h"

bool file_source(OsFile file, ByteSource* source) {
  *source = ByteSource{nullptr, file, 0, nullptr, nullptr};
  return os_file_size(file, &source->size);
}

namespace {

// Reads exactly n bytes of the file at pos.
Fault read_file_at(const ByteSource& s, int64_t pos, uint8_t* out, size_t n) {
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

// A read of at most a quarter of a window goes through the windows; one
// that none holds is read into the least recently used, which then starts
// at the 4 KiB boundary at or before the read.
constexpr size_t kCachedRead = kCacheWindowBytes / 4;
constexpr uint64_t kCacheAlign = 4096;

Fault read_cached(const ByteSource& s, ReadCache* c, uint64_t at, uint8_t* out, size_t n) {
  int slot = 0;
  for (int i = 0; i < kCacheWindows; ++i) {
    if (c->size[i] > 0 && at >= c->at[i] && at + n <= c->at[i] + c->size[i]) {
      slot = i;
      c->used[slot] = ++c->clock;
      std::memcpy(out, c->bytes + static_cast<size_t>(slot) * kCacheWindowBytes + (at - c->at[slot]), n);
      return Fault::kNone;
    }
    if (c->used[i] < c->used[slot]) slot = i;
  }
  uint8_t* window = c->bytes + static_cast<size_t>(slot) * kCacheWindowBytes;
  c->at[slot] = at / kCacheAlign * kCacheAlign;
  c->size[slot] = static_cast<size_t>(std::min<uint64_t>(kCacheWindowBytes, s.size - c->at[slot]));
  c->used[slot] = ++c->clock;
  if (s.readCount != nullptr) *s.readCount += c->size[slot];
  if (const Fault err = read_file_at(s, static_cast<int64_t>(c->at[slot]), window, c->size[slot]); err != Fault::kNone) {
    c->size[slot] = 0;
    return err;
  }
  if (at + n > c->at[slot] + c->size[slot]) return Fault::kFontOutsideFile;
  std::memcpy(out, window + (at - c->at[slot]), n);
  return Fault::kNone;
}

}  // namespace

// The range was checked against the size, so a short read means the file
// shrank meanwhile.
Fault read_at(const ByteSource& s, int64_t pos, void* dst, size_t n) {
  if (n == 0) return Fault::kNone;
  auto* out = static_cast<uint8_t*>(dst);
  if (s.bytes != nullptr) {
    if (s.readCount != nullptr) *s.readCount += n;
    std::memcpy(out, s.bytes + pos, n);
    return Fault::kNone;
  }
  if (s.cache != nullptr && n <= kCachedRead) return read_cached(s, s.cache, static_cast<uint64_t>(pos), out, n);
  if (s.readCount != nullptr) *s.readCount += n;
  return read_file_at(s, pos, out, n);
}
