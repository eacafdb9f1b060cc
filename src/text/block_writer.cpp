#include "text/block_writer.h"

#include <cstdlib>

namespace {

char* block(const BlockWriter* w, int i) { return w->ring + static_cast<size_t>(i) * kBlockBytes; }

// Writes the blocks handed over, in order, until the text ends. After a
// failed write the rest are dropped unwritten, so the caller never waits.
void* write_blocks(void* arg) {
  auto* w = static_cast<BlockWriter*>(arg);
  os_lock(&w->lock);
  for (;;) {
    while (w->full == 0 && !w->ended) os_wait(&w->filled, &w->lock);
    if (w->full == 0) break;
    const int i = w->nextToWrite;
    const size_t n = w->lengths[i];
    const bool skip = w->writeFailed;
    os_unlock(&w->lock);
    const bool ok = skip || os_write_all(w->file, block(w, i), n);
    os_lock(&w->lock);
    w->writeFailed = w->writeFailed || !ok;
    w->nextToWrite = (i + 1) % kRingBlocks;
    // The caller waits for half the ring, not for each block, so that the
    // two threads wake each other a few times per ring, not per block.
    if (--w->full == kRingBlocks / 2) os_signal(&w->emptied);
  }
  os_unlock(&w->lock);
  return nullptr;
}

// With one CPU, or when the ring or the thread cannot be had, there is
// nothing to gain.
bool start_thread(BlockWriter* w) {
  if (os_cpus_allowed() < 2) return false;
  w->ring = static_cast<char*>(os_allocate_large(kBlockBytes * kRingBlocks));
  if (w->ring == nullptr) return false;
  if (!os_start_thread(&w->thread, write_blocks, w)) {
    os_free_large(w->ring);
    w->ring = nullptr;
    return false;
  }
  return true;
}

}  // namespace

bool open_block_writer(BlockWriter* w, OsFile file, bool threads) {
  w->file = file;
  w->mayStartThread = threads;
  w->threaded = false;
  w->failed = false;
  w->filling = 0;
  w->used = 0;
  w->nextToWrite = 0;
  w->full = 0;
  w->ended = false;
  w->writeFailed = false;
  os_lock_init(&w->lock);
  os_condition_init(&w->filled);
  os_condition_init(&w->emptied);
  w->ring = nullptr;
  w->first = static_cast<char*>(std::malloc(kBlockBytes));
  w->current = w->first;
  return w->first != nullptr;
}

void hand_over(BlockWriter* w) {
  if (w->used == 0) return;
  if (!w->threaded) {
    // Small texts never fill a block and so never start a thread. The
    // first block is written here; the ring takes the rest.
    const bool start = w->mayStartThread;
    w->mayStartThread = false;
    w->threaded = start && start_thread(w);
    w->failed = w->failed || !os_write_all(w->file, w->current, w->used);
    w->used = 0;
    if (w->threaded) w->current = block(w, w->filling);
    return;
  }
  os_lock(&w->lock);
  w->lengths[w->filling] = w->used;
  ++w->full;
  os_signal(&w->filled);
  // The block after this one is free once fewer than all are waiting; a
  // full ring is left to drain to half before filling goes on.
  if (w->full == kRingBlocks) {
    while (w->full > kRingBlocks / 2) os_wait(&w->emptied, &w->lock);
  }
  w->failed = w->writeFailed;
  os_unlock(&w->lock);
  w->filling = (w->filling + 1) % kRingBlocks;
  w->current = block(w, w->filling);
  w->used = 0;
}

char* reserve_bytes(BlockWriter* w, size_t n) {
  if (room_left(*w) < n) hand_over(w);
  return w->current + w->used;
}

bool close_block_writer(BlockWriter* w) {
  if (w->current != nullptr) {
    // The last block is written on this thread when no thread was started.
    w->mayStartThread = false;
    hand_over(w);
  }
  if (w->threaded) {
    os_lock(&w->lock);
    w->ended = true;
    os_signal(&w->filled);
    os_unlock(&w->lock);
    os_join_thread(&w->thread);
    w->failed = w->writeFailed;
  }
  os_condition_destroy(&w->emptied);
  os_condition_destroy(&w->filled);
  os_lock_destroy(&w->lock);
  os_free_large(w->ring);
  std::free(w->first);
  w->ring = w->first = w->current = nullptr;
  return !w->failed;
}
