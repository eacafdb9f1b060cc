// Allocation of the large buffers a conversion runs through: the strips
// and the writer's blocks.
#ifndef GLYFEX_FONT_LARGE_BUFFER_H
#define GLYFEX_FONT_LARGE_BUFFER_H

#include <cstddef>

// bytes of memory, released with free(), or nullptr. A buffer of 1 MiB or
// more is rounded up to whole 2 MiB huge pages, lies on their boundaries
// and asks the kernel for them: one page fault instead of 512 when a page
// is filled, and one TLB entry for what the renderer reads row by row.
void* allocate_large(size_t bytes);

#endif
