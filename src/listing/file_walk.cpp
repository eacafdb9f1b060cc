#include "listing/file_walk.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "os/os.h"

char* copy_text(const char* text) {
  const size_t n = std::strlen(text) + 1;
  auto* out = static_cast<char*>(std::malloc(n));
  if (out != nullptr) std::memcpy(out, text, n);
  return out;
}

namespace {

bool add(FileSet* set, const char* path, const char* label, uint64_t size, Fault fault) {
  if (!grow(&set->files, set->count, &set->capacity)) return false;
  WalkedFile f{copy_text(path), copy_text(label), size, fault};
  if (f.path == nullptr || f.label == nullptr) {
    std::free(f.path);
    std::free(f.label);
    return false;
  }
  set->files[set->count++] = f;
  set->bytes += size;
  return true;
}

// A folder's entries, gathered to be walked in name order.
struct Entries {
  char** names;
  OsEntryKind* kinds;
  size_t count, capacity;
  bool failed;
};

void gather(void* context, const char* name, OsEntryKind kind) {
  auto* e = static_cast<Entries*>(context);
  if (e->failed) return;
  if (e->count == e->capacity) {
    const size_t more = e->capacity == 0 ? 32 : e->capacity * 2;
    auto* names = static_cast<char**>(std::realloc(e->names, more * sizeof(char*)));
    if (names != nullptr) e->names = names;
    auto* kinds = static_cast<OsEntryKind*>(std::realloc(e->kinds, more * sizeof(OsEntryKind)));
    if (kinds != nullptr) e->kinds = kinds;
    if (names == nullptr || kinds == nullptr) {
      e->failed = true;
      return;
    }
    e->capacity = more;
  }
  e->names[e->count] = copy_text(name);
  e->kinds[e->count] = kind;
  e->failed = e->names[e->count] == nullptr;
  e->count += e->failed ? 0 : 1;
}

bool walk_folder(const char* path, const char* label, FileSet* set, int depth) {
  Entries e{nullptr, nullptr, 0, 0, false};
  if (!os_list_folder(path, gather, &e)) return add(set, path, label, 0, Fault::kInputRead);
  // Name order, by bytes; the kinds move with their names.
  size_t* order = static_cast<size_t*>(std::malloc((e.count + 1) * sizeof(size_t)));
  bool ok = !e.failed && order != nullptr;
  for (size_t i = 0; ok && i < e.count; ++i) order[i] = i;
  if (ok) std::sort(order, order + e.count, [&](size_t a, size_t b) { return std::strcmp(e.names[a], e.names[b]) < 0; });
  for (size_t k = 0; ok && k < e.count; ++k) {
    const size_t i = order[k];
    char child[kMaxPath], child_label[kMaxPath];
    if (std::snprintf(child, sizeof child, "%s%c%s", path, os_separator(), e.names[i]) >= static_cast<int>(sizeof child) ||
        std::snprintf(child_label, sizeof child_label, "%s/%s", label, e.names[i]) >= static_cast<int>(sizeof child_label)) {
      ok = add(set, path, label, 0, Fault::kInputOpen);
      continue;
    }
    if (e.kinds[i] == OsEntryKind::kFolder && depth < 64) {
      ok = walk_folder(child, child_label, set, depth + 1);
    } else if (e.kinds[i] == OsEntryKind::kFile) {
      OsFileInfo info{};
      ok = add(set, child, child_label, os_stat(child, &info) ? info.size : 0, Fault::kNone);
    }
  }
  for (size_t i = 0; i < e.count; ++i) std::free(e.names[i]);
  std::free(e.names);
  std::free(e.kinds);
  std::free(order);
  return ok;
}

}  // namespace

bool walk_path(const char* path, FileSet* set) {
  OsFileInfo info{};
  const bool exists = os_stat(path, &info);
  if (exists && info.kind == OsKind::kDirectory) {
    set->folders = true;
    // The folder's own name, without the separators that may end it.
    char name[kMaxPath];
    std::snprintf(name, sizeof name, "%s", path);
    size_t n = std::strlen(name);
    while (n > 1 && (name[n - 1] == '/' || name[n - 1] == os_separator())) name[--n] = '\0';
    return walk_folder(path, name + os_folder_length(name), set, 0);
  }
  return add(set, path, path + os_folder_length(path), exists ? info.size : 0, Fault::kNone);
}

void free_file_set(FileSet* set) {
  for (size_t i = 0; i < set->count; ++i) {
    std::free(set->files[i].path);
    std::free(set->files[i].label);
  }
  set->files.reset();
  set->count = set->capacity = 0;
}
