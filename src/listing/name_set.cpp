#include "listing/name_set.h"

#include <cstdlib>
#include <cstring>

#include "listing/file_walk.h"

namespace {

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t hash_name(const char* name) {
  uint64_t h = 0xcbf29ce484222325u;
  for (const char* p = name; *p != '\0'; ++p) h = (h ^ static_cast<unsigned char>(fold(*p))) * 0x100000001b3u;
  return static_cast<size_t>(h ^ (h >> 32));
}

bool same_name(const char* a, const char* b) {
  for (; *a != '\0' && fold(*a) == fold(*b); ++a, ++b) {
  }
  return *a == '\0' && *b == '\0';
}

// The slot that holds name, or the free one where it goes.
char** slot_of(const NameSet& set, const char* name) {
  const size_t mask = set.capacity - 1;
  for (size_t i = hash_name(name) & mask;; i = (i + 1) & mask) {
    if (set.names[i] == nullptr || same_name(set.names[i], name)) return &set.names[i];
  }
}

// Twice the room, at most half of it used.
bool grow_names(NameSet* set) {
  NameSet grown{};
  grown.capacity = set->capacity == 0 ? 64 : set->capacity * 2;
  grown.names.reset(static_cast<char**>(std::calloc(grown.capacity, sizeof(char*))));
  if (!grown.names) return false;
  for (size_t i = 0; i < set->capacity; ++i) {
    if (set->names[i] != nullptr) *slot_of(grown, set->names[i]) = set->names[i];
  }
  set->names = static_cast<std::unique_ptr<char*[], FreeBytes>&&>(grown.names);
  set->capacity = grown.capacity;
  return true;
}

}  // namespace

bool has_name(const NameSet& set, const char* name) { return set.capacity > 0 && *slot_of(set, name) != nullptr; }

const char* add_name(NameSet* set, const char* name) {
  if (2 * (set->count + 1) > set->capacity && !grow_names(set)) return nullptr;
  char** slot = slot_of(*set, name);
  if (*slot != nullptr) return *slot;
  *slot = copy_text(name);
  if (*slot != nullptr) ++set->count;
  return *slot;
}

void free_names(NameSet* set) {
  for (size_t i = 0; i < set->capacity; ++i) std::free(set->names[i]);
  set->names.reset();
  set->capacity = set->count = 0;
}
