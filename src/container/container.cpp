// The table of file kinds, tried in turn, and what their readers share.
#include "container/container.h"

#include <algorithm>
#include <cstring>

#include "container/container_kind.h"

// The offsets are sorted once for all the entries.
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

bool is_font_type(const char type[4]) {
  return std::memcmp(type, "NFNT", 4) == 0 || std::memcmp(type, "nfnt", 4) == 0 || std::memcmp(type, "afnx", 4) == 0;
}

bool is_font_index_type(const char type[4]) { return std::memcmp(type, "fnti", 4) == 0 || std::memcmp(type, "afti", 4) == 0; }

bool is_font_map_type(const char type[4]) { return std::memcmp(type, "fntm", 4) == 0; }

bool is_unread_font_type(const char type[4]) { return std::memcmp(type, "afnt", 4) == 0; }

const RomRegion* region_at(const ResourceList& list, uint64_t offset) {
  const RomRegion* begin = list.regions.get();
  const RomRegion* end = begin + list.regionCount;
  const RomRegion* r =
      std::upper_bound(begin, end, offset, [](uint64_t o, const RomRegion& x) { return o < x.offset; });
  if (r == begin) return nullptr;
  --r;
  return offset < r->offset + r->size ? r : nullptr;
}

namespace {

// The kinds, tried in turn: the first that reads the file cleanly wins, so
// a resource fork is not mistaken for a damaged database or the other way
// round. A record database comes last: its header is the least distinctive.
// A ROM image comes first: two signatures make it the most distinctive.
const ContainerReader kKinds[] = {read_palm_rom, read_palm_resource_database, read_macbinary, read_resource_fork,
                                  read_palm_record_database};

}  // namespace

// A file no kind reads is damaged if any kind recognised it, and is then
// listed as the first such kind.
Fault scan_resources(const ByteSource& file, bool dfont_name, ResourceList* list) {
  std::unique_ptr<uint8_t[], FreeBytes> prefix;
  const auto prefix_size = static_cast<size_t>(std::min<uint64_t>(file.size, kPrefixBytes));
  if (!allocate(&prefix, prefix_size)) return Fault::kScanMemory;
  if (read_at(file, 0, prefix.get(), prefix_size) != Fault::kNone) return Fault::kInputRead;
  const ContainerInput in{&file, prefix.get(), prefix_size, dfont_name};
  const char* damaged_kind = nullptr;
  for (const ContainerReader read : kKinds) {
    *list = ResourceList{};
    const Fault err = read(in, list);
    if (err == Fault::kNone || err == Fault::kScanMemory) return err;
    if (err == Fault::kScanDamaged && damaged_kind == nullptr) damaged_kind = list->kind;
  }
  *list = ResourceList{};
  list->kind = damaged_kind;
  return damaged_kind != nullptr ? Fault::kScanDamaged : Fault::kScanUnknown;
}
