// Holding interrupts back: holds nest, and only the outermost one changes
// what the system delivers.
#include "os/os.h"

namespace {
int depth = 0;
}  // namespace

bool os_hold_interrupts() {
  if (depth == 0 && !os_calls.mask_interrupts(true)) return false;
  ++depth;
  return true;
}

void os_release_interrupts() {
  if (depth > 0 && --depth == 0) (void)os_calls.mask_interrupts(false);
}
