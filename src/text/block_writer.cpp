#include "text/block_writer.h"

#include <cstring>

bool open_block_writer(BlockWriter* w, OsFile file, uint64_t bytes) {
  w->file = file;
  w->failed = false;
  w->used = 0;
  w->expected = bytes;
  w->written = 0;
  // A small text takes no more memory than it needs: no mapping of a
  // quarter of a megabyte for a font of a few hundred bytes.
  const bool small = bytes != kSizeUnknown && bytes > 0 && bytes < kBlockBytes;
  w->size = small ? static_cast<size_t>(bytes) : kBlockBytes;
  w->room = w->size + (small ? kSmallRoom : kLineRoom);
  w->block = static_cast<char*>(os_allocate_large(w->room));
  // A whole block's pages in one call, not one fault a page as they fill.
  if (w->block != nullptr && !small) os_prefault(w->block, w->size);
  return w->block != nullptr;
}

size_t lines_to_put(const BlockWriter& w, size_t line, size_t rows) {
  // The renderer writes a short row as one wide store, and the next row
  // overwrites the rest: its scribbles past the last line stay inside.
  const size_t free = w.room - w.used - kScribble;
  const size_t fit = free / line;
  const size_t reach = (room_left(w) + line - 1) / line;
  const size_t n = reach < rows ? reach : rows;
  return n < fit ? n : fit;
}

namespace {

void write_out(BlockWriter* w, size_t n) {
  w->failed = w->failed || !os_write_all(w->file, w->block, n);
  w->written += n;
}

}  // namespace

void add_bytes(BlockWriter* w, size_t n) {
  w->used += n;
  // More than one block only where the text is longer than counted.
  while (w->used >= w->size) {
    write_out(w, w->size);
    w->used -= w->size;
    std::memmove(w->block, w->block + w->size, w->used);
  }
}

bool close_block_writer(BlockWriter* w) {
  if (w->block != nullptr && w->used > 0) write_out(w, w->used);
  w->used = 0;
  os_free_large(w->block);
  w->block = nullptr;
  return !w->failed && (w->expected == kSizeUnknown || w->written == w->expected);
}
