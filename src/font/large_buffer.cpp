#include "font/large_buffer.h"

#include <sys/mman.h>

#include <cstdlib>

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

void* allocate_large(size_t bytes) {
  if (bytes < kHugePage / 2) return std::malloc(bytes);
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
  // Only advice: where huge pages are off, the buffer works as it is.
  if (p != nullptr) madvise(p, rounded, MADV_HUGEPAGE);
#endif
  return p;
}
