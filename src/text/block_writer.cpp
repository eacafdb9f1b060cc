#include "text/block_writer.h"

#include "font/large_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

bool write_all(int fd, const char* p, size_t n) {
  while (n > 0) {
    const ssize_t done = write(fd, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    p += done;
    n -= static_cast<size_t>(done);
  }
  return true;
}

char* block(const BlockWriter* w, int i) { return w->ring + static_cast<size_t>(i) * kBlockBytes; }

// Writes the blocks handed over, in order, until the text ends. After a
// failed write the rest are dropped unwritten, so the caller never waits.
void* write_blocks(void* arg) {
  auto* w = static_cast<BlockWriter*>(arg);
  pthread_mutex_lock(&w->lock);
  for (;;) {
    while (w->full == 0 && !w->ended) pthread_cond_wait(&w->filled, &w->lock);
    if (w->full == 0) break;
    const int i = w->nextToWrite;
    const size_t n = w->lengths[i];
    const bool skip = w->writeFailed;
    pthread_mutex_unlock(&w->lock);
    const bool ok = skip || write_all(w->fd, block(w, i), n);
    pthread_mutex_lock(&w->lock);
    w->writeFailed = w->writeFailed || !ok;
    w->nextToWrite = (i + 1) % kRingBlocks;
    // The caller waits for half the ring, not for each block, so that the
    // two threads wake each other a few times per ring, not per block.
    if (--w->full == kRingBlocks / 2) pthread_cond_signal(&w->emptied);
  }
  pthread_mutex_unlock(&w->lock);
  return nullptr;
}

// Two threads that share one CPU take turns instead of overlapping, and
// the scheduler tends to put them together; so the caller is kept to the
// first CPU it may use and the writer to the second. With one CPU, or when
// the ring or the thread cannot be had, there is nothing to gain.
bool start_thread(BlockWriter* w) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2) return false;
  w->ring = static_cast<char*>(allocate_large(kBlockBytes * kRingBlocks));
  if (w->ring == nullptr) return false;
  int cpus[2] = {-1, -1};
  for (int cpu = 0, found = 0; cpu < CPU_SETSIZE && found < 2; ++cpu) {
    if (CPU_ISSET(cpu, &allowed)) cpus[found++] = cpu;
  }
  cpu_set_t writer_cpu, caller_cpu;
  CPU_ZERO(&writer_cpu);
  CPU_SET(cpus[1], &writer_cpu);
  CPU_ZERO(&caller_cpu);
  CPU_SET(cpus[0], &caller_cpu);
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  pthread_attr_setaffinity_np(&attr, sizeof writer_cpu, &writer_cpu);
  const bool started = pthread_create(&w->thread, &attr, write_blocks, w) == 0;
  pthread_attr_destroy(&attr);
  if (!started) {
    std::free(w->ring);
    w->ring = nullptr;
    return false;
  }
  w->callerCpus = allowed;
  sched_setaffinity(0, sizeof caller_cpu, &caller_cpu);
  return true;
}

}  // namespace

bool open_block_writer(BlockWriter* w, int fd, bool threads) {
  w->fd = fd;
  w->mayStartThread = threads;
  w->threaded = false;
  w->failed = false;
  w->filling = 0;
  w->used = 0;
  w->nextToWrite = 0;
  w->full = 0;
  w->ended = false;
  w->writeFailed = false;
  pthread_mutex_init(&w->lock, nullptr);
  pthread_cond_init(&w->filled, nullptr);
  pthread_cond_init(&w->emptied, nullptr);
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
    w->failed = w->failed || !write_all(w->fd, w->current, w->used);
    w->used = 0;
    if (w->threaded) w->current = block(w, w->filling);
    return;
  }
  pthread_mutex_lock(&w->lock);
  w->lengths[w->filling] = w->used;
  ++w->full;
  pthread_cond_signal(&w->filled);
  // The block after this one is free once fewer than all are waiting; a
  // full ring is left to drain to half before filling goes on.
  if (w->full == kRingBlocks) {
    while (w->full > kRingBlocks / 2) pthread_cond_wait(&w->emptied, &w->lock);
  }
  w->failed = w->writeFailed;
  pthread_mutex_unlock(&w->lock);
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
    pthread_mutex_lock(&w->lock);
    w->ended = true;
    pthread_cond_signal(&w->filled);
    pthread_mutex_unlock(&w->lock);
    pthread_join(w->thread, nullptr);
    w->failed = w->writeFailed;
    sched_setaffinity(0, sizeof w->callerCpus, &w->callerCpus);
  }
  pthread_cond_destroy(&w->emptied);
  pthread_cond_destroy(&w->filled);
  pthread_mutex_destroy(&w->lock);
  std::free(w->ring);
  std::free(w->first);
  w->ring = w->first = w->current = nullptr;
  return !w->failed;
}
