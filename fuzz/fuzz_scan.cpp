// libFuzzer target over the resource scanner: the input is the file.
#include <cstddef>
#include <cstdint>

#include "scan/resource_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResourceList list;
  if (scan_resources(data, size, false, &list) == nullptr) {
    for (const ResourceEntry& e : list.entries) {
      if (e.offset > size || e.size > size - e.offset) __builtin_trap();  // every entry lies in the file
    }
  }
  return 0;
}
