// Palm databases: resource databases (.prc, .ro) and record databases
// (.pdb), which share one header and differ in their entries.
#include <cstring>

#include "container/container_kind.h"
#include "font/byte_cursor.h"

namespace {

constexpr size_t kPrcHeaderBytes = 78;  // of either Palm database
constexpr uint16_t kPrcResourceDbAttr = 0x0001;

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
Fault read_palm(const ContainerInput& in, bool resources, ResourceList* list) {
  const uint8_t* data = in.prefix;
  const uint64_t size = in.file->size;
  uint16_t count = 0;
  if (const Fault err = palm_header(data, in.prefixSize, resources, &count); err != Fault::kNone) return err;
  const size_t entry_bytes = resources ? 10 : 8;
  const size_t table_end = kPrcHeaderBytes + entry_bytes * count;
  if (table_end > in.prefixSize) return Fault::kScanDamaged;
  if (!allocate(&list->entries, count)) return Fault::kScanMemory;
  list->count = count;
  list->records = !resources;
  ByteCursor c = make_cursor(data, in.prefixSize);
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

}  // namespace

Fault read_palm_resource_database(const ContainerInput& in, ResourceList* list) {
  list->kind = "Palm resource database";
  return read_palm(in, true, list);
}

Fault read_palm_record_database(const ContainerInput& in, ResourceList* list) {
  list->kind = "Palm record database";
  return read_palm(in, false, list);
}
