// Hands text to a file in blocks of one fixed size: the caller fills the
// block, which is written whenever it lacks room for what comes next and
// once at the end. One block, reused, stays in the processor's cache; a
// small text costs one write.
#ifndef GLYFEX_TEXT_BLOCK_WRITER_H
#define GLYFEX_TEXT_BLOCK_WRITER_H

#include <cstddef>

#include "os/os.h"

// A block holds more than the widest glyph row at 144 dpi (131070 columns
// and a line feed).
constexpr size_t kBlockBytes = 256 * 1024;

// Bytes after the block that the renderer may scribble on: it writes a
// short row as one wide store and lets the next row overwrite the rest.
constexpr size_t kBlockSlack = 64;

struct BlockWriter {
  OsFile file;
  bool failed;  // a write failed: the caller may stop filling the block
  char* block;  // kBlockBytes and the slack
  size_t used;  // bytes of it filled
};

// Allocates the block; false when there is no memory for it.
bool open_block_writer(BlockWriter* w, OsFile file);

// Room for n more bytes (n <= kBlockBytes) in the block, writing it out
// first when it lacks the room.
char* reserve_bytes(BlockWriter* w, size_t n);

// The room left in the block.
inline size_t room_left(const BlockWriter& w) { return kBlockBytes - w.used; }

// Writes out what the block holds.
void hand_over(BlockWriter* w);

// Writes what is left and frees the block. Returns true when every write
// succeeded.
bool close_block_writer(BlockWriter* w);

#endif
