// What the readers of each kind of container share: what they are given,
// and the helpers that bound every list by the bytes that hold it.
#ifndef GLYFEX_CONTAINER_CONTAINER_KIND_H
#define GLYFEX_CONTAINER_CONTAINER_KIND_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "container/container.h"

// The file and its first bytes, where every kind's header lies.
struct ContainerInput {
  const ByteSource* file;
  const uint8_t* prefix;
  size_t prefixSize;
  bool dfontName;  // the file is named .dfont
};

// The first bytes read: as many as the largest Palm database's header and
// list take (65535 entries of 10 bytes).
constexpr size_t kPrefixBytes = 78 + 10 * 65535;

// A kind's reader: Fault::kNone when the file is of its kind and listed,
// kScanUnknown when it is not, kScanDamaged when it is but its tables do
// not fit, or kScanMemory. It names the kind in list->kind whenever it
// recognises the file.
using ContainerReader = Fault (*)(const ContainerInput& in, ResourceList* list);

Fault read_palm_rom(const ContainerInput& in, ResourceList* list);
Fault read_palm_resource_database(const ContainerInput& in, ResourceList* list);
Fault read_palm_record_database(const ContainerInput& in, ResourceList* list);
Fault read_macbinary(const ContainerInput& in, ResourceList* list);
Fault read_resource_fork(const ContainerInput& in, ResourceList* list);

// The resource fork that starts at base and takes size bytes of the file.
Fault read_fork_at(const ByteSource& file, uint64_t base, uint64_t size, ResourceList* list);

// Room for n entries, allocated once: every n is bounded by the bytes that
// hold the entries, so a small file cannot ask for a huge list.
template <typename T>
bool allocate(std::unique_ptr<T[], FreeBytes>* array, size_t n) {
  array->reset(static_cast<T*>(std::calloc(n == 0 ? 1 : n, sizeof(T))));
  return *array != nullptr;
}

// Sets each entry's size: it ends where the next one (by offset) begins,
// the last at the end of the file.
Fault size_by_next_offset(ResourceList* list, uint64_t file_size);

#endif
