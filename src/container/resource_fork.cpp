// Macintosh resource forks: raw, or a data-fork suitcase (.dfont); a
// MacBinary file's fork is read here too.
#include <algorithm>
#include <cstring>

#include "container/container_kind.h"
#include "font/byte_cursor.h"

namespace {

constexpr size_t kForkHeaderBytes = 16;
constexpr size_t kTypeEntryBytes = 8;
constexpr size_t kReferenceBytes = 12;
// The largest resource map read: its offsets are 16-bit, so a real map is
// far smaller, and a larger one is not read into memory.
constexpr uint64_t kMaxMapBytes = uint64_t{16} << 20;

// One resource fork: where it starts in the file, and where its data area
// lies within it.
struct Fork {
  const ByteSource* file;
  uint64_t base;
  uint64_t data_begin;
  uint64_t data_end;
};

// A reference: id, name offset, attributes and a 3-byte data offset, handle.
// The data offset leads to a 4-byte length and then the resource's bytes.
void read_reference(ByteCursor* refs, const Fork& fork, const char type[4], ResourceEntry* e) {
  int16_t id = 0;
  uint32_t attributes_and_offset = 0;
  // The reference list was checked to lie inside the map.
  read_s16(refs, &id);
  skip(refs, 2);
  read_u32(refs, &attributes_and_offset);
  skip(refs, 4);
  std::memcpy(e->type, type, 4);
  e->id = id;
  const uint64_t at = fork.data_begin + (attributes_and_offset & 0xFFFFFF);
  uint8_t bytes[4];
  e->offset = fork.base + at;
  if (at + 4 > fork.data_end || read_at(*fork.file, static_cast<int64_t>(fork.base + at), bytes, 4) != Fault::kNone ||
      swap32(bytes) > fork.data_end - at - 4) {
    e->fault = EntryFault::kOutside;
    return;
  }
  e->offset += 4;
  e->size = swap32(bytes);
}

struct Span {
  uint64_t begin, end;
};

// The header: offsets and lengths of the data area and the map. The map: a
// copy of the header, 8 bytes, file attributes, then the offset of the type
// list. Type entries are type, count - 1 and the offset of their reference
// list, both offsets counted from the type list. Every reference list lies
// inside the map after the type list, and no two overlap, so the map's
// length bounds the number of references. Only the header, the map and
// each resource's length are read.
Fault fork_at(const ByteSource& file, uint64_t base, uint64_t size, ResourceList* list) {
  uint8_t header[kForkHeaderBytes];
  if (size < kForkHeaderBytes || read_at(file, static_cast<int64_t>(base), header, sizeof header) != Fault::kNone) {
    return Fault::kScanUnknown;
  }
  ByteCursor c = make_cursor(header, sizeof header);
  uint32_t data_offset = 0, map_offset = 0, data_length = 0, map_length = 0;
  read_u32(&c, &data_offset);
  read_u32(&c, &map_offset);
  read_u32(&c, &data_length);
  read_u32(&c, &map_length);
  // A fork's header describes a data area after it and a map after that,
  // both within the file: its four numbers say little more, so a file
  // whose numbers point elsewhere (a text, say) is no fork at all.
  if (data_offset < kForkHeaderBytes || map_length < 30 || map_offset < uint64_t{data_offset} + data_length ||
      uint64_t{map_offset} + map_length > size) {
    return Fault::kScanUnknown;
  }
  if (map_length > kMaxMapBytes) return Fault::kScanDamaged;
  std::unique_ptr<uint8_t[], FreeBytes> map_bytes;
  if (!allocate(&map_bytes, map_length)) return Fault::kScanMemory;
  if (read_at(file, static_cast<int64_t>(base + map_offset), map_bytes.get(), map_length) != Fault::kNone) {
    return Fault::kScanDamaged;
  }
  const Fork fork{&file, base, data_offset, uint64_t{data_offset} + data_length};
  // Positions from here on count from the map's start.
  ByteCursor map = make_cursor(map_bytes.get(), map_length);
  const uint64_t map_end = map_length;
  uint16_t type_list = 0, last_type = 0;
  if (!seek(&map, 24) || !read_u16(&map, &type_list) || !seek(&map, type_list) || !read_u16(&map, &last_type)) {
    return Fault::kScanDamaged;
  }
  const uint64_t types_at = type_list;
  const size_t types = (last_type + 1u) & 0xFFFF;  // 0xFFFF stands for none
  const uint64_t types_end = types_at + 2 + kTypeEntryBytes * types;
  if (types_end > map_end) return Fault::kScanDamaged;
  std::unique_ptr<Span[], FreeBytes> lists;
  if (!allocate(&lists, types)) return Fault::kScanMemory;
  uint64_t references = 0;
  for (size_t t = 0; t < types; ++t) {
    uint16_t last_ref = 0, ref_list = 0;
    skip(&map, 4);
    read_u16(&map, &last_ref);
    read_u16(&map, &ref_list);
    lists[t].begin = types_at + ref_list;
    lists[t].end = lists[t].begin + kReferenceBytes * (last_ref + 1u);
    if (lists[t].begin < types_end || lists[t].end > map_end) return Fault::kScanDamaged;
    references += last_ref + 1u;
  }
  std::unique_ptr<Span[], FreeBytes> sorted;
  if (!allocate(&sorted, types)) return Fault::kScanMemory;
  std::copy(lists.get(), lists.get() + types, sorted.get());
  std::sort(sorted.get(), sorted.get() + types, [](const Span& a, const Span& b) { return a.begin < b.begin; });
  for (size_t t = 1; t < types; ++t) {
    if (sorted[t].begin < sorted[t - 1].end) return Fault::kScanDamaged;
  }
  if (!allocate(&list->entries, references)) return Fault::kScanMemory;
  list->count = 0;
  seek(&map, types_at + 2);
  for (size_t t = 0; t < types; ++t) {
    char type[4] = {};
    read_bytes(&map, type, 4);
    skip(&map, 4);
    ByteCursor refs = map;
    seek(&refs, lists[t].begin);
    for (uint64_t at = lists[t].begin; at < lists[t].end; at += kReferenceBytes) {
      read_reference(&refs, fork, type, &list->entries[list->count++]);
    }
  }
  return Fault::kNone;
}

}  // namespace

Fault read_fork_at(const ByteSource& file, uint64_t base, uint64_t size, ResourceList* list) {
  return fork_at(file, base, size, list);
}

Fault read_resource_fork(const ContainerInput& in, ResourceList* list) {
  list->kind = in.dfontName ? "Macintosh data-fork suitcase (.dfont)" : "Macintosh resource fork";
  return fork_at(*in.file, 0, in.file->size, list);
}
