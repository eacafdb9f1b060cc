// Bounds-checked reading of big-endian fields from a byte buffer.
#ifndef GLYFEX_FONT_BYTE_CURSOR_H
#define GLYFEX_FONT_BYTE_CURSOR_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// The byte order of a font's numbers: big-endian (68k Palm OS, every
// resource compiler), or little-endian (the ARM system fonts of Palm OS 5).
enum class ByteOrder { kBig, kLittle };

// Two bytes in file order (big-endian) as a signed 16-bit value.
inline int16_t swap16(const uint8_t bytes[2]) {
  return static_cast<int16_t>(static_cast<uint16_t>((bytes[0] << 8) | bytes[1]));
}

// Four bytes in file order (big-endian) as an unsigned 32-bit value.
inline uint32_t swap32(const uint8_t bytes[4]) {
  return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
         (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
}

// A read position in a buffer. Every read and skip checks that the bytes are
// there and returns false, leaving the position alone, when they are not.
struct ByteCursor {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

inline ByteCursor make_cursor(const uint8_t* data, size_t size) { return ByteCursor{data, size, 0}; }

// Moves to an absolute position, which may be the end but not past it.
inline bool seek(ByteCursor* c, size_t pos) {
  if (pos > c->size) return false;
  c->pos = pos;
  return true;
}

inline bool skip(ByteCursor* c, size_t n) {
  if (c->size - c->pos < n) return false;
  c->pos += n;
  return true;
}

inline bool read_bytes(ByteCursor* c, void* dst, size_t n) {
  if (c->size - c->pos < n) return false;
  std::memcpy(dst, c->data + c->pos, n);
  c->pos += n;
  return true;
}

inline bool read_s16(ByteCursor* c, int16_t* v) {
  if (c->size - c->pos < 2) return false;
  *v = swap16(c->data + c->pos);
  c->pos += 2;
  return true;
}

inline bool read_u16(ByteCursor* c, uint16_t* v) {
  int16_t s = 0;
  if (!read_s16(c, &s)) return false;
  *v = static_cast<uint16_t>(s);
  return true;
}

inline bool read_u32(ByteCursor* c, uint32_t* v) {
  if (c->size - c->pos < 4) return false;
  *v = swap32(c->data + c->pos);
  c->pos += 4;
  return true;
}

// The same in either byte order: little-endian, the low byte first.
inline bool read_s16(ByteCursor* c, ByteOrder order, int16_t* v) {
  if (order == ByteOrder::kBig) return read_s16(c, v);
  if (c->size - c->pos < 2) return false;
  *v = static_cast<int16_t>(static_cast<uint16_t>(c->data[c->pos] | c->data[c->pos + 1] << 8));
  c->pos += 2;
  return true;
}

inline bool read_u16(ByteCursor* c, ByteOrder order, uint16_t* v) {
  int16_t s = 0;
  if (!read_s16(c, order, &s)) return false;
  *v = static_cast<uint16_t>(s);
  return true;
}

inline bool read_u32(ByteCursor* c, ByteOrder order, uint32_t* v) {
  if (order == ByteOrder::kBig) return read_u32(c, v);
  if (c->size - c->pos < 4) return false;
  const uint8_t* p = c->data + c->pos;
  *v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  c->pos += 4;
  return true;
}

#endif
