// Hands text to a file in whole blocks of one fixed size at offsets that
// are multiples of it (the last block excepted): the kernel takes aligned
// whole blocks at less cost. The caller fills the block and may run past
// its end by up to one line; when the block is full it is written and
// what ran past is carried to the start of the next. One block, reused,
// stays in the processor's cache; a small text costs one write.
#ifndef GLYFEX_TEXT_BLOCK_WRITER_H
#define GLYFEX_TEXT_BLOCK_WRITER_H

#include <cstddef>
#include <cstdint>

#include "os/os.h"

constexpr size_t kBlockBytes = 256 * 1024;

// Room past a block's end for the line that crosses it: more than the
// widest glyph row at 144 dpi (131070 columns and a line feed) and the
// renderer's scribbles.
constexpr size_t kLineRoom = 128 * 1024 + 64;

// Room past the end of a block sized to a small text: its longest line
// (the metrics block) and the renderer's scribbles.
constexpr size_t kSmallRoom = 512;

// The bytes past what it writes that the renderer may scribble on.
constexpr size_t kScribble = 64;

// A text whose size was not counted: it is written in whole blocks.
constexpr uint64_t kSizeUnknown = UINT64_MAX;

struct BlockWriter {
  OsFile file;
  bool failed;  // a write failed, or the text is not the size counted
  char* block;
  size_t size;  // the bytes of each write but the last
  size_t room;  // the block's bytes, size and the room past it
  size_t used;  // bytes of it filled, less than size between calls
  uint64_t expected;  // the text's counted size, or kSizeUnknown
  uint64_t written;
};

// Allocates the block for a text of bytes bytes (or kSizeUnknown): one
// block as large as a small text, else kBlockBytes. False when there is
// no memory for it.
bool open_block_writer(BlockWriter* w, OsFile file, uint64_t bytes);

// The most bytes a caller puts at once, but for lines_to_put's lines.
constexpr size_t kPutBytes = 256;

// Where the next bytes go: there is room for kPutBytes of them.
inline char* next_bytes(BlockWriter* w) { return w->block + w->used; }

// The bytes left before the block's end (at least one).
inline size_t room_left(const BlockWriter& w) { return w.size - w.used; }

// How many of rows lines of line bytes to put next: enough to reach the
// block's end, or all of them, as far as the room past it takes; 0 when
// not even one fits, which only a text longer than counted can need.
size_t lines_to_put(const BlockWriter& w, size_t line, size_t rows);

// Takes n bytes put at next_bytes: a full block is written, and what ran
// past its end is carried to the start.
void add_bytes(BlockWriter* w, size_t n);

// Writes what is left and frees the block. Returns true when every write
// succeeded and the text had the size counted.
bool close_block_writer(BlockWriter* w);

#endif
