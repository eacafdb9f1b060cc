#include "text/block_writer.h"

#include <cstdlib>

bool open_block_writer(BlockWriter* w, OsFile file) {
  w->file = file;
  w->failed = false;
  w->used = 0;
  w->block = static_cast<char*>(os_allocate_large(kBlockBytes + kBlockSlack));
  return w->block != nullptr;
}

void hand_over(BlockWriter* w) {
  if (w->used == 0) return;
  w->failed = w->failed || !os_write_all(w->file, w->block, w->used);
  w->used = 0;
}

char* reserve_bytes(BlockWriter* w, size_t n) {
  if (room_left(*w) < n) hand_over(w);
  return w->block + w->used;
}

bool close_block_writer(BlockWriter* w) {
  if (w->block != nullptr) hand_over(w);
  os_free_large(w->block);
  w->block = nullptr;
  return !w->failed;
}
