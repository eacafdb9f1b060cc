// libFuzzer target over the resource scanner: the input is the file.
#include <cstddef>
#include <cstdint>

#include "scan/resource_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResourceList list;
  if (scan_resources(data, size, false, &list) == nullptr) {
    for (size_t i = 0; i < list.count; ++i) {
      const ResourceEntry& e = list.entries[i];
      // Every entry without a fault lies in the file.
      if (e.fault == nullptr && (e.offset > size || e.size > size - e.offset)) __builtin_trap();
    }
  }
  return 0;
}
