// Temporary files, made the same way on every system through the table of
// calls: a new name in the folder, created only if it does not exist, and
// promised to the interrupt handler while interrupts are held, before it
// is created, so that no interrupt falls between the file's creation and
// that promise.
#include <cstdio>
#include <cstring>

#include "os/os.h"

namespace {

constexpr int kAttempts = 100;

// Six letters or digits, from a generator seeded by the clock and where the
// stack lies; a name taken by another file is simply tried again.
void next_suffix(char (&suffix)[7]) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static uint64_t seed = 0;
  if (seed == 0) {
    const double now = os_seconds();
    uint64_t bits = 0;
    std::memcpy(&bits, &now, sizeof bits);
    seed = bits ^ reinterpret_cast<uintptr_t>(&suffix) ^ 0x9E3779B97F4A7C15u;
  }
  for (int i = 0; i < 6; ++i) {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    suffix[i] = kLetters[(seed >> 33) % (sizeof kLetters - 1)];
  }
  suffix[6] = '\0';
}

}  // namespace

OsError os_create_temp(const char* folder, char (&name)[kMaxPath], OsFile* file, int* slot) {
  *slot = -1;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    char suffix[7];
    next_suffix(suffix);
    if (std::snprintf(name, sizeof name, "%s.glyfex-%s", folder, suffix) >= static_cast<int>(sizeof name)) {
      return OsError::kTooLong;
    }
    // Promised before it exists: a fault, which is not held back, that
    // comes between the creation and the promise would leave it behind.
    if (!os_hold_interrupts()) return OsError::kOther;
    *slot = os_remove_on_interrupt(name);
    const OsError err = *slot >= 0 ? os_open(name, OsOpen::kNew, file) : OsError::kOther;
    if (err != OsError::kNone && *slot >= 0) {
      os_forget_on_interrupt(*slot);
      *slot = -1;
    }
    os_release_interrupts();
    if (err == OsError::kNone) return OsError::kNone;
    if (err != OsError::kExists) return err;
  }
  return OsError::kOther;
}
