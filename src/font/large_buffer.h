// Allocation of the large buffers a conversion runs through: the strips
// and the writer's blocks.
#ifndef GLYFEX_FONT_LARGE_BUFFER_H
#define GLYFEX_FONT_LARGE_BUFFER_H

#include <cstddef>

// bytes of memory, released with free(), or nullptr. A buffer of 2 MiB or
// more lies on 2 MiB boundaries and asks the kernel for huge pages: one
// page fault instead of 512 when it is filled, and one TLB entry for what
// the renderer reads row by row.
void* allocate_large(size_t bytes);

#endif
