#include "scan/resource_scan.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "font/byte_cursor.h"


namespace {

constexpr size_t kPrcHeaderBytes = 78;  // of either Palm database
constexpr uint16_t kPrcResourceDbAttr = 0x0001;
constexpr size_t kForkHeaderBytes = 16;
constexpr size_t kMacBinaryHeaderBytes = 128;
constexpr size_t kTypeEntryBytes = 8;
constexpr size_t kReferenceBytes = 12;
// The most a Palm database's header and list can take (65535 entries of 10
// bytes), and the largest resource map read: its offsets are 16-bit, so a
// real map is far smaller, and a larger one is not read into memory.
constexpr size_t kPalmPrefixBytes = kPrcHeaderBytes + 10 * 65535;
constexpr uint64_t kMaxMapBytes = uint64_t{16} << 20;

// The first bytes of the file, where every kind's header lies.
struct Prefix {
  std::unique_ptr<uint8_t[], FreeBytes> bytes;
  size_t size;
};

// Room for n entries, allocated once: every n is bounded by the bytes that
// hold the entries, so a small file cannot ask for a huge list.
template <typename T>
bool allocate(std::unique_ptr<T[], FreeBytes>* array, size_t n) {
  array->reset(static_cast<T*>(std::calloc(n == 0 ? 1 : n, sizeof(T))));
  return *array != nullptr;
}

// A resource ends where the next one (by offset) begins, the last at the
// end of the file; the offsets are sorted once for all of them.
Fault size_by_next_offset(ResourceList* list, uint64_t file_size) {
  std::unique_ptr<uint64_t[], FreeBytes> starts;
  if (!allocate(&starts, list->count)) return Fault::kScanMemory;
  size_t n = 0;
  for (size_t i = 0; i < list->count; ++i) {
    if (list->entries[i].fault == EntryFault::kNone) starts[n++] = list->entries[i].offset;
  }
  std::sort(starts.get(), starts.get() + n);
  for (size_t i = 0; i < list->count; ++i) {
    ResourceEntry& e = list->entries[i];
    if (e.fault != EntryFault::kNone) continue;
    const uint64_t* next = std::upper_bound(starts.get(), starts.get() + n, e.offset);
    e.size = (next == starts.get() + n ? file_size : *next) - e.offset;
  }
  return Fault::kNone;
}

// A Palm database's header: a NUL-terminated name in its first 32 bytes,
// attributes at 32 (bit 0 marks a resource database), four-character type
// and creator at 60, the list's length at 76. Type and creator are
// printable, which tells a database from other data, such as a few bytes
// that happen to come before a font.
Fault palm_header(const uint8_t* data, size_t size, bool resources, uint16_t* count) {
  ByteCursor c = make_cursor(data, size);
  uint16_t attributes = 0;
  if (!seek(&c, 32) || !read_u16(&c, &attributes) || std::memchr(data, 0, 32) == nullptr ||
      ((attributes & kPrcResourceDbAttr) != 0) != resources || size < 68) {
    return Fault::kScanUnknown;
  }
  for (size_t i = 60; i < 68; ++i) {
    if (data[i] < 0x20 || data[i] > 0x7E) return Fault::kScanUnknown;
  }
  return seek(&c, 76) && read_u16(&c, count) ? Fault::kNone : Fault::kScanDamaged;
}

// Both Palm databases: the header, then a list of count entries, each with
// a 4-byte offset; an entry ends where the next begins. A resource
// database's entries are type, id, offset (10 bytes); a record database's
// offset, attributes and unique id (8 bytes).
Fault scan_palm(const Prefix& prefix, uint64_t size, bool resources, ResourceList* list) {
  const uint8_t* data = prefix.bytes.get();
  uint16_t count = 0;
  if (const Fault err = palm_header(data, prefix.size, resources, &count); err != Fault::kNone) return err;
  const size_t entry_bytes = resources ? 10 : 8;
  const size_t table_end = kPrcHeaderBytes + entry_bytes * count;
  if (table_end > prefix.size) return Fault::kScanDamaged;
  if (!allocate(&list->entries, count)) return Fault::kScanMemory;
  list->count = count;
  list->records = !resources;
  ByteCursor c = make_cursor(data, prefix.size);
  seek(&c, kPrcHeaderBytes);
  // The whole list was checked to fit, so its reads cannot fail.
  for (uint16_t i = 0; i < count; ++i) {
    ResourceEntry& e = list->entries[i];
    uint16_t id = i;
    uint32_t offset = 0;
    if (resources) {
      read_bytes(&c, e.type, 4);
      read_u16(&c, &id);
      read_u32(&c, &offset);
    } else {
      read_u32(&c, &offset);
      skip(&c, 4);
    }
    e.id = id;
    e.offset = offset;
    if (offset > size) e.fault = EntryFault::kOutside;
    if (offset < table_end) e.fault = EntryFault::kInsideList;
  }
  return size_by_next_offset(list, size);
}

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
Fault scan_fork(const ByteSource& file, uint64_t base, uint64_t size, ResourceList* list) {
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

// MacBinary: a 128-byte header, the data fork, then the resource fork,
// each fork padded to a multiple of 128 bytes. Returns Fault::kScanUnknown when
// the header is not MacBinary's or there is no resource fork.
Fault macbinary_fork(const Prefix& prefix, uint64_t size, uint64_t* fork_at, uint64_t* fork_size) {
  const uint8_t* data = prefix.bytes.get();
  ByteCursor c = make_cursor(data, prefix.size);
  uint32_t data_length = 0, resource_length = 0;
  if (prefix.size < kMacBinaryHeaderBytes || data[0] != 0 || data[1] < 1 || data[1] > 63 || data[74] != 0 ||
      data[82] != 0 || !seek(&c, 83) || !read_u32(&c, &data_length) || !read_u32(&c, &resource_length) ||
      resource_length == 0) {
    return Fault::kScanUnknown;
  }
  *fork_at = kMacBinaryHeaderBytes + (uint64_t{data_length} + 127) / 128 * 128;
  *fork_size = resource_length;
  return *fork_at <= size && resource_length <= size - *fork_at ? Fault::kNone : Fault::kScanDamaged;
}

}  // namespace

bool is_font_type(const char type[4]) { return std::memcmp(type, "NFNT", 4) == 0 || std::memcmp(type, "nfnt", 4) == 0; }

bool is_little_endian_font_type(const char type[4]) {
  return std::memcmp(type, "afnt", 4) == 0 || std::memcmp(type, "afnx", 4) == 0;
}

// Each kind is tried in turn and the first that reads cleanly wins, so a
// resource fork is not mistaken for a damaged database or the other way
// round; a file no kind reads is damaged if any kind recognised it, and is
// then listed as the first such kind.
Fault scan_resources(const ByteSource& file, bool dfont_name, ResourceList* list) {
  Prefix prefix{nullptr, static_cast<size_t>(std::min<uint64_t>(file.size, kPalmPrefixBytes))};
  if (!allocate(&prefix.bytes, prefix.size)) return Fault::kScanMemory;
  if (read_at(file, 0, prefix.bytes.get(), prefix.size) != Fault::kNone) return Fault::kInputRead;
  const char* damaged_kind = nullptr;
  const auto done = [&](Fault err) {
    if (err == Fault::kScanDamaged && damaged_kind == nullptr) damaged_kind = list->kind;
    if (err != Fault::kNone) list->count = 0;
    return err == Fault::kNone || err == Fault::kScanMemory;
  };
  list->count = 0;
  list->records = false;
  list->kind = "Palm resource database";
  if (const Fault err = scan_palm(prefix, file.size, true, list); done(err)) return err;
  uint64_t fork_at = 0, fork_size = 0;
  Fault err = macbinary_fork(prefix, file.size, &fork_at, &fork_size);
  list->kind = "MacBinary file, resource fork";
  if (err == Fault::kNone) err = scan_fork(file, fork_at, fork_size, list);
  if (done(err)) return err;
  list->kind = dfont_name ? "Macintosh data-fork suitcase (.dfont)" : "Macintosh resource fork";
  if (const Fault err2 = scan_fork(file, 0, file.size, list); done(err2)) return err2;
  // Tried last: its header is the least distinctive.
  list->kind = "Palm record database";
  if (const Fault err2 = scan_palm(prefix, file.size, false, list); done(err2)) return err2;
  list->records = false;
  list->kind = damaged_kind;
  return damaged_kind != nullptr ? Fault::kScanDamaged : Fault::kScanUnknown;
}
