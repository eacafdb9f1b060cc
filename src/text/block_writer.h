// Hands text to a file in fixed-size blocks. The first block is filled
// alone; once it is full, and when the process may run on two CPUs, a
// second thread writes the finished blocks of a ring while the caller fills
// the next ones; otherwise the caller writes each block as it fills. A
// small text thus costs one block.
#ifndef GLYFEX_TEXT_BLOCK_WRITER_H
#define GLYFEX_TEXT_BLOCK_WRITER_H

#include <cstddef>

#include "os/os.h"

// A block holds more than the widest glyph row at 144 dpi (131070 columns
// and a line feed); the ring is one huge page.
constexpr size_t kBlockBytes = 256 * 1024;
constexpr int kRingBlocks = 8;

struct BlockWriter {
  OsFile file;
  bool mayStartThread;
  bool threaded;  // the writer thread runs
  bool failed;  // a write failed: the caller may stop filling blocks
  char* first;  // the first block, and the only one without the thread
  char* ring;  // kRingBlocks blocks of kBlockBytes, once the thread runs
  char* current;  // the block being filled
  int filling;  // its place in the ring
  size_t used;  // bytes of it filled
  // Shared with the writer thread, under lock.
  OsThread thread;
  OsLock lock;
  OsCondition filled;  // a block was handed over, or the text ended
  OsCondition emptied;  // a block was written
  size_t lengths[kRingBlocks];
  int nextToWrite;
  int full;  // blocks handed over and not yet written
  bool ended;
  bool writeFailed;
};

// Allocates the first block; false when there is no memory for it.
// threads false keeps everything on the caller's thread (for tests).
bool open_block_writer(BlockWriter* w, OsFile file, bool threads);

// Room for n more bytes (n <= kBlockBytes) in the block being filled,
// handing the block over first when it lacks the room.
char* reserve_bytes(BlockWriter* w, size_t n);

// The room left in the block being filled.
inline size_t room_left(const BlockWriter& w) { return kBlockBytes - w.used; }

// Hands over the block being filled, even when it has room left.
void hand_over(BlockWriter* w);

// Writes what is left, waits for the writer thread and frees the blocks.
// Returns true when every write succeeded.
bool close_block_writer(BlockWriter* w);

#endif
