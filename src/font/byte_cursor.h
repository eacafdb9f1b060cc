// Bounds-checked reading of big-endian fields from a byte buffer.
#ifndef GLYFEX_FONT_BYTE_CURSOR_H
#define GLYFEX_FONT_BYTE_CURSOR_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// Two bytes in file order (big-endian) as a signed 16-bit value.
inline int16_t swap16(const uint8_t bytes[2]) {
  return static_cast<int16_t>(static_cast<uint16_t>((bytes[0] << 8) | bytes[1]));
}

// Four bytes in file order (big-endian) as an unsigned 32-bit value.
inline uint32_t swap32(const uint8_t bytes[4]) {
  return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
         (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
}

// A read position in a buffer. Every Read and Skip checks that the bytes are
// there and returns false, leaving the position alone, when they are not.
struct ByteCursor {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

inline ByteCursor MakeCursor(const uint8_t* data, size_t size) { return ByteCursor{data, size, 0}; }

// Moves to an absolute position, which may be the end but not past it.
inline bool Seek(ByteCursor* c, size_t pos) {
  if (pos > c->size) return false;
  c->pos = pos;
  return true;
}

inline bool Skip(ByteCursor* c, size_t n) {
  if (c->size - c->pos < n) return false;
  c->pos += n;
  return true;
}

inline bool ReadBytes(ByteCursor* c, void* dst, size_t n) {
  if (c->size - c->pos < n) return false;
  std::memcpy(dst, c->data + c->pos, n);
  c->pos += n;
  return true;
}

inline bool ReadU8(ByteCursor* c, uint8_t* v) {
  if (c->size - c->pos < 1) return false;
  *v = c->data[c->pos++];
  return true;
}

inline bool ReadS8(ByteCursor* c, int8_t* v) {
  uint8_t u = 0;
  if (!ReadU8(c, &u)) return false;
  *v = static_cast<int8_t>(u);
  return true;
}

inline bool ReadS16(ByteCursor* c, int16_t* v) {
  if (c->size - c->pos < 2) return false;
  *v = swap16(c->data + c->pos);
  c->pos += 2;
  return true;
}

inline bool ReadU16(ByteCursor* c, uint16_t* v) {
  int16_t s = 0;
  if (!ReadS16(c, &s)) return false;
  *v = static_cast<uint16_t>(s);
  return true;
}

inline bool ReadU32(ByteCursor* c, uint32_t* v) {
  if (c->size - c->pos < 4) return false;
  *v = swap32(c->data + c->pos);
  c->pos += 4;
  return true;
}

#endif
