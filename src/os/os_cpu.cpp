// What the processor runs, asked of the processor itself. Each question
// may trap to a hypervisor and cost microseconds, so only the two that
// decide are asked, without first asking which it can answer: a processor
// with AVX answers the second.
#include "os/os.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>

bool os_runs_avx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid(1, a, b, c, d);
  const unsigned kOsSaves = 1u << 27, kAvx = 1u << 28;
  if ((c & kOsSaves) == 0 || (c & kAvx) == 0) return false;
  // The system saves the vector registers AVX uses.
  unsigned low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  const unsigned kSseAndAvxState = 6;
  if ((low & kSseAndAvxState) != kSseAndAvxState) return false;
  __cpuid_count(7, 0, a, b, c, d);
  const unsigned kAvx2 = 1u << 5;
  return (b & kAvx2) != 0;
}

#else

bool os_runs_avx2() { return false; }

#endif
