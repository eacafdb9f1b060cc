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

bool add(FileSet* set, const char* path, const char* label, uint64_t size, Fault fault, bool walked = false) {
  if (!grow(&set->files, set->count, &set->capacity)) return false;
  WalkedFile f{copy_text(path), copy_text(label), size, fault, walked};
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

// A folder the walk does not go into, to be said.
bool note_too_deep(FileSet* set, const char* path) {
  if (!grow(&set->tooDeep, set->tooDeepCount, &set->tooDeepCapacity, 8)) return false;
  set->tooDeep[set->tooDeepCount] = copy_text(path);
  return set->tooDeep[set->tooDeepCount++] != nullptr;
}

// A child's path: the folder, a separator unless the folder ends with one
// (a root, C:\) or is a bare drive (C:), the name.
bool child_path(const char* folder, const char* name, char (&out)[kMaxPath]) {
  const size_t n = std::strlen(folder);
  const bool ends = n > 0 && (folder[n - 1] == '/' || folder[n - 1] == os_separator() || folder[n - 1] == ':');
  return std::snprintf(out, sizeof out, "%s%s%s", folder, ends ? "" : (os_separator() == '/' ? "/" : "\\"), name) <
         static_cast<int>(sizeof out);
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
    if (!child_path(path, e.names[i], child) ||
        std::snprintf(child_label, sizeof child_label, "%s/%s", label, e.names[i]) >= static_cast<int>(sizeof child_label)) {
      ok = add(set, path, label, 0, Fault::kInputOpen);
      continue;
    }
    if (e.kinds[i] == OsEntryKind::kFolder && depth >= kMaxFolderDepth) {
      ok = note_too_deep(set, child);
    } else if (e.kinds[i] == OsEntryKind::kFolder) {
      ok = walk_folder(child, child_label, set, depth + 1);
    } else if (e.kinds[i] == OsEntryKind::kFile) {
      OsFileInfo info{};
      ok = add(set, child, child_label, os_stat(child, &info) ? info.size : 0, Fault::kNone, true);
    }
  }
  for (size_t i = 0; i < e.count; ++i) std::free(e.names[i]);
  std::free(e.names);
  std::free(e.kinds);
  std::free(order);
  return ok;
}

// What a file or folder named on the command line is called in labels:
// the last part of its path, or of its absolute path where that part is .
// or .. or nothing (a root, a bare drive); a root is called by
// os_root_name.
void label_of(const char* path, char (&out)[kMaxPath]) {
  char name[kMaxPath];
  std::snprintf(name, sizeof name, "%s", path);
  size_t n = std::strlen(name);
  // Without the separators that may end it.
  while (n > 1 && (name[n - 1] == '/' || name[n - 1] == os_separator())) name[--n] = '\0';
  const char* last = name + os_folder_length(name);
  const bool real = std::strcmp(last, ".") != 0 && std::strcmp(last, "..") != 0 && *last != '\0' &&
                    std::strcmp(last, "/") != 0 && !(last[0] == os_separator() && last[1] == '\0');
  if (real) {
    std::snprintf(out, sizeof out, "%s", last);
    return;
  }
  char full[kMaxPath];
  if (!os_full_path(path, full)) std::snprintf(full, sizeof full, "%s", path);
  n = std::strlen(full);
  while (n > 0 && (full[n - 1] == '/' || full[n - 1] == os_separator())) full[--n] = '\0';
  const char* full_last = full + os_folder_length(full);
  if (*full_last == '\0' || full_last[std::strlen(full_last) - 1] == ':') {
    os_root_name(full, out);
  } else {
    std::snprintf(out, sizeof out, "%s", full_last);
  }
}

}  // namespace

bool walk_path(const char* path, FileSet* set) {
  OsFileInfo info{};
  const bool exists = os_stat(path, &info);
  char label[kMaxPath];
  label_of(path, label);
  if (exists && info.kind == OsKind::kDirectory) {
    set->folders = true;
    return walk_folder(path, label, set, 0);
  }
  return add(set, path, label, exists ? info.size : 0, Fault::kNone);
}

void free_file_set(FileSet* set) {
  for (size_t i = 0; i < set->count; ++i) {
    std::free(set->files[i].path);
    std::free(set->files[i].label);
  }
  for (size_t i = 0; i < set->tooDeepCount; ++i) std::free(set->tooDeep[i]);
  set->files.reset();
  set->tooDeep.reset();
  set->count = set->capacity = set->tooDeepCount = set->tooDeepCapacity = 0;
}
