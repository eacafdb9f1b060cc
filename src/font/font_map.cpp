#include "font/font_map.h"

#include <cstdlib>
#include <new>

#include "font/font_input.h"

Fault read_font_map(const ByteSource& input, int64_t offset, FontMap* map) {
  uint8_t bytes[kFontMapBytes];
  if (!fits(input, offset, sizeof bytes)) return Fault::kFontOutsideFile;
  if (const Fault err = read_at(input, offset, bytes, sizeof bytes); err != Fault::kNone) return err;
  decode_font_header(bytes, ByteOrder::kBig, &map->header);
  ByteCursor c = make_cursor(bytes + kFontHeaderBytes, sizeof bytes - kFontHeaderBytes);
  // The buffer holds all 256 entries, so every read succeeds.
  for (FontMapEntry& e : map->entries) {
    read_bytes(&c, &e.flags, 1);
    read_bytes(&c, &e.state, 1);
    read_u16(&c, &e.value);
  }
  return Fault::kNone;
}

Fault read_font_index_ids(const ByteSource& input, int64_t offset, uint64_t size, FontIndexIds* out) {
  out->count = 0;
  if (size > (uint64_t{1} << 20) || !fits(input, offset, size)) return Fault::kFontOutsideFile;
  std::unique_ptr<uint8_t[], FreeBytes> bytes(static_cast<uint8_t*>(std::malloc(size + 1)));
  if (!bytes) return Fault::kFontMemory;
  if (const Fault err = read_at(input, offset, bytes.get(), size); err != Fault::kNone) return err;
  ByteCursor c = make_cursor(bytes.get(), size);
  uint16_t fonts = 0, ids = 0;
  if (!read_u16(&c, &fonts) || !skip(&c, 6u * fonts) || !read_u16(&c, &ids) || c.size - c.pos < 2u * ids) {
    return Fault::kFontHeaderRange;
  }
  out->ids.reset(static_cast<uint16_t*>(std::calloc(ids + 1u, sizeof(uint16_t))));
  if (!out->ids) return Fault::kFontMemory;
  for (uint16_t i = 0; i < ids; ++i) read_u16(&c, &out->ids[i]);
  out->count = ids;
  return Fault::kNone;
}

MappedFont* new_mapped_font() {
  void* memory = std::calloc(1, sizeof(MappedFont));
  if (memory == nullptr) return nullptr;
  return new (memory) MappedFont{};
}

void free_mapped_font(MappedFont* font) {
  if (font == nullptr) return;
  font->~MappedFont();
  std::free(font);
}
