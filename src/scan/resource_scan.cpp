#include "scan/resource_scan.h"

#include <algorithm>
#include <cstring>

#include "font/byte_cursor.h"

const char kErrScanUnknown[] = "Not a Palm resource database or a Macintosh resource fork.";
const char kErrScanDamaged[] = "The resource table does not fit in the file.";

namespace {

constexpr size_t kPrcHeaderBytes = 78;
constexpr uint16_t kPrcResourceDbAttr = 0x0001;
constexpr size_t kForkHeaderBytes = 16;
constexpr size_t kMacBinaryHeaderBytes = 128;

// Palm database: the resource list follows the 78-byte header; a resource
// ends where the next one (by offset) begins, the last at the end of file.
const char* scan_prc(const uint8_t* data, size_t size, ResourceList* list) {
  ByteCursor c = MakeCursor(data, size);
  uint16_t attributes = 0, count = 0;
  if (!Seek(&c, 32) || !ReadU16(&c, &attributes) || !Seek(&c, 76) || !ReadU16(&c, &count)) {
    return kErrScanUnknown;
  }
  // The name is NUL-terminated within its 32 bytes; bit 0 marks resources.
  if (std::memchr(data, 0, 32) == nullptr || (attributes & kPrcResourceDbAttr) == 0) return kErrScanUnknown;
  const size_t table_end = kPrcHeaderBytes + size_t{10} * count;
  if (table_end > size) return kErrScanDamaged;
  // The whole list was checked to fit, so its reads cannot fail.
  for (uint16_t i = 0; i < count; ++i) {
    ResourceEntry e{};
    uint16_t id = 0;
    uint32_t offset = 0;
    ReadBytes(&c, e.type, 4);
    ReadU16(&c, &id);
    ReadU32(&c, &offset);
    if (offset < table_end || offset > size) return kErrScanDamaged;
    e.id = id;
    e.offset = offset;
    list->entries.push_back(e);
  }
  for (ResourceEntry& e : list->entries) {
    uint64_t end = size;
    for (const ResourceEntry& other : list->entries) {
      if (other.offset > e.offset) end = std::min(end, other.offset);
    }
    e.size = end - e.offset;
  }
  return nullptr;
}

// One resource fork: its bytes, where it starts in the file, and where its
// data area lies within it.
struct Fork {
  ByteCursor bytes;
  uint64_t base;
  uint64_t data_begin;
  uint64_t data_end;
};

// A reference: id, name offset, attributes and a 3-byte data offset, handle.
// The data offset leads to a 4-byte length and then the resource's bytes.
bool read_reference(ByteCursor* refs, const Fork& fork, const char type[4], ResourceList* list) {
  int16_t id = 0;
  uint32_t attributes_and_offset = 0;
  if (!ReadS16(refs, &id) || !Skip(refs, 2) || !ReadU32(refs, &attributes_and_offset) || !Skip(refs, 4)) {
    return false;
  }
  const uint64_t at = fork.data_begin + (attributes_and_offset & 0xFFFFFF);
  ByteCursor data = fork.bytes;
  uint32_t length = 0;
  if (at + 4 > fork.data_end || !Seek(&data, at) || !ReadU32(&data, &length)) return false;
  if (length > fork.data_end - at - 4) return false;
  ResourceEntry e{};
  std::memcpy(e.type, type, 4);
  e.id = id;
  e.offset = fork.base + at + 4;
  e.size = length;
  list->entries.push_back(e);
  return true;
}

// The map: a copy of the header, 8 bytes, file attributes, then the offset
// of the type list. Type entries are type, count - 1 and the offset of their
// reference list, both offsets counted from the type list.
const char* scan_fork(const uint8_t* bytes, size_t size, uint64_t base, ResourceList* list) {
  ByteCursor c = MakeCursor(bytes, size);
  uint32_t data_offset = 0, map_offset = 0, data_length = 0, map_length = 0;
  if (!ReadU32(&c, &data_offset) || !ReadU32(&c, &map_offset) || !ReadU32(&c, &data_length) ||
      !ReadU32(&c, &map_length)) {
    return kErrScanUnknown;
  }
  // The header's four numbers alone tell a resource fork from other data.
  if (data_offset < kForkHeaderBytes || map_length < 30 || uint64_t{data_offset} + data_length > size ||
      uint64_t{map_offset} + map_length > size) {
    return kErrScanUnknown;
  }
  const Fork fork{MakeCursor(bytes, size), base, data_offset, uint64_t{data_offset} + data_length};
  // Nothing of the map is read outside it.
  ByteCursor map = MakeCursor(bytes, uint64_t{map_offset} + map_length);
  uint16_t type_list = 0, last_type = 0;
  if (!Seek(&map, map_offset + 24) || !ReadU16(&map, &type_list) || !Seek(&map, map_offset + type_list) ||
      !ReadU16(&map, &last_type)) {
    return kErrScanDamaged;
  }
  const size_t types_at = map_offset + type_list;
  const unsigned types = (last_type + 1u) & 0xFFFF;  // 0xFFFF stands for none
  for (unsigned t = 0; t < types; ++t) {
    char type[4];
    uint16_t last_ref = 0, ref_list = 0;
    if (!ReadBytes(&map, type, 4) || !ReadU16(&map, &last_ref) || !ReadU16(&map, &ref_list)) return kErrScanDamaged;
    ByteCursor refs = map;
    if (!Seek(&refs, types_at + ref_list)) return kErrScanDamaged;
    for (unsigned r = 0; r <= last_ref; ++r) {
      if (!read_reference(&refs, fork, type, list)) return kErrScanDamaged;
    }
  }
  return nullptr;
}

// MacBinary: a 128-byte header, the data fork, then the resource fork,
// each fork padded to a multiple of 128 bytes.
bool macbinary_fork(const uint8_t* data, size_t size, uint64_t* fork_at, uint64_t* fork_size) {
  ByteCursor c = MakeCursor(data, size);
  uint32_t data_length = 0, resource_length = 0;
  if (size < kMacBinaryHeaderBytes || data[0] != 0 || data[1] < 1 || data[1] > 63 || data[74] != 0 ||
      data[82] != 0 || !Seek(&c, 83) || !ReadU32(&c, &data_length) || !ReadU32(&c, &resource_length)) {
    return false;
  }
  *fork_at = kMacBinaryHeaderBytes + (uint64_t{data_length} + 127) / 128 * 128;
  *fork_size = resource_length;
  return resource_length > 0 && *fork_at <= size && resource_length <= size - *fork_at;
}

}  // namespace

bool is_font_type(const char type[4]) { return std::memcmp(type, "NFNT", 4) == 0 || std::memcmp(type, "nfnt", 4) == 0; }

// Each kind is tried in turn and the first that reads cleanly wins, so a
// resource fork is not mistaken for a damaged database or the other way
// round; a file no kind reads is damaged if any kind recognised it.
const char* scan_resources(const uint8_t* data, size_t size, bool dfont_name, ResourceList* list) {
  bool recognised = false;
  const auto done = [&](const char* err) {
    recognised = recognised || err == kErrScanDamaged;
    if (err != nullptr) list->entries.clear();
    return err == nullptr;
  };
  list->entries.clear();
  list->kind = "Palm resource database";
  if (done(scan_prc(data, size, list))) return nullptr;
  uint64_t fork_at = 0, fork_size = 0;
  if (macbinary_fork(data, size, &fork_at, &fork_size)) {
    list->kind = "MacBinary file, resource fork";
    if (done(scan_fork(data + fork_at, fork_size, fork_at, list))) return nullptr;
  }
  list->kind = dfont_name ? "Macintosh data-fork suitcase (.dfont)" : "Macintosh resource fork";
  if (done(scan_fork(data, size, 0, list))) return nullptr;
  return recognised ? kErrScanDamaged : kErrScanUnknown;
}
