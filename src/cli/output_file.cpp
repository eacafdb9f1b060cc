#include "cli/output_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>


bool same_file(const char* path, const OsFileInfo& input) {
  OsFileInfo info{};
  return os_stat(path, &info) && os_same_file(info, input);
}

bool same_files(const char* a, const char* b) {
  OsFileInfo info{};
  return os_stat(a, &info) && same_file(b, info);
}

bool is_standard_output(const char* path) {
  OsFileInfo console{};
  return os_standard_output_info(&console) && same_file(path, console);
}

bool is_special_file(const char* path) {
  OsFileInfo info{};
  return os_stat(path, &info) && info.kind != OsKind::kRegular;
}

namespace {

constexpr size_t kCopyBytes = 256 * 1024;

// The folder that holds path, as the path names it: where a temporary file
// must lie to be renamed over it.
void folder_of(const char* path, char (&out)[kMaxPath]) {
  std::snprintf(out, sizeof out, "%.*s", os_folder_length(path), path);
}

void forget(char (&name)[kMaxPath], int* slot) {
  os_forget_on_interrupt(*slot);
  *slot = -1;
  name[0] = '\0';
}

// Removes a temporary file and takes back its promise to the handler.
void remove_temp(char (&name)[kMaxPath], int* slot) {
  if (name[0] != '\0') (void)os_remove(name);
  forget(name, slot);
}

// Writes the whole file at from to the file to, from its current position.
bool copy_file(const char* from, OsFile to) {
  OsFile in = kNoFile;
  OsFileInfo info{};
  if (os_open_input(from, &in, &info) != OsError::kNone) return false;
  auto* buffer = static_cast<char*>(std::malloc(kCopyBytes));
  bool ok = buffer != nullptr && info.kind == OsKind::kRegular;
  for (uint64_t pos = 0; ok;) {
    size_t got = 0;
    ok = os_read_at(in, pos, buffer, kCopyBytes, &got);
    if (!ok || got == 0) break;
    ok = os_write_all(to, buffer, got);
    pos += got;
  }
  std::free(buffer);
  os_close(in);
  return ok;
}

// A new file in folder holding a copy of the file at path.
bool copy_to_temp(const char* path, const char* folder, char (&name)[kMaxPath], int* slot) {
  OsFile copy = kNoFile;
  if (os_create_temp(folder, name, &copy, slot) != OsError::kNone) return false;
  const bool copied = copy_file(path, copy);
  if (os_close_written(copy) && copied) return true;
  remove_temp(name, slot);
  return false;
}

// An existing file whose folder takes no new file is written over in
// place at the end. Its new text is made whole first, and its old text
// copied, both in the temporary folder, so that a failed write can be
// undone; without them nothing is changed.
Fault open_in_place(const char* path, uint64_t old_bytes, OutputFile* out) {
  if (os_open(path, OsOpen::kExisting, &out->place) != OsError::kNone) return Fault::kOutputOpen;
  out->kind = OutputKind::kInPlace;
  out->oldBytes = old_bytes;
  char folder[kMaxPath];
  if (!os_temp_folder(folder) || !copy_to_temp(path, folder, out->old, &out->oldSlot) ||
      os_create_temp(folder, out->temp, &out->file, &out->tempSlot) != OsError::kNone) {
    discard_output(out);
    return Fault::kOutputWrite;
  }
  return Fault::kNone;
}

}  // namespace

Fault open_output(const char* path, uint64_t bytes, OutputFile* out) {
  out->path = path;
  out->kind = OutputKind::kDirect;
  out->file = out->place = kNoFile;
  out->bytes = bytes;
  out->oldBytes = 0;
  out->oldAway = out->placed = false;
  out->target[0] = out->temp[0] = out->old[0] = '\0';
  out->tempSlot = out->oldSlot = -1;
  if (is_standard_output(path)) {
    // The text joins standard output after what was printed so far.
    std::fflush(stdout);
    out->file = os_standard_output();
    out->kind = OutputKind::kStdout;
    return Fault::kNone;
  }
  OsFileInfo info{};
  const bool exists = os_stat(path, &info);
  if (exists && info.kind != OsKind::kRegular) {
    // Devices and FIFOs cannot be replaced; they are written as they are.
    return os_open(path, OsOpen::kDevice, &out->file) == OsError::kNone ? Fault::kNone : Fault::kOutputOpen;
  }
  // A file the user may not write is not theirs to replace either.
  if (exists && !os_may_write(path)) return Fault::kOutputOpen;
  if (!os_follow_links(path, out->target)) return Fault::kOutputOpen;
  if (exists && !os_may_replace(out->target, info)) return open_in_place(path, info.size, out);
  char folder[kMaxPath];
  folder_of(out->target, folder);
  const OsError err = os_create_temp(folder, out->temp, &out->file, &out->tempSlot);
  if (err == OsError::kNone) {
    out->kind = OutputKind::kReplace;
    os_take_owner_and_mode(out->file, exists ? &info : nullptr);
    return Fault::kNone;
  }
  out->temp[0] = '\0';
  // A folder that refuses new files for want of permission leaves the file
  // itself to be written; one without room for them refuses the text, as
  // writing over the old file would only risk it.
  if (!exists) return Fault::kOutputOpen;
  if (err == OsError::kNoPermission) return open_in_place(path, info.size, out);
  return Fault::kOutputWrite;
}

Fault close_output(OutputFile* out, Fault write_err) {
  Fault err = write_err;
  if (out->kind == OutputKind::kStdout) return err;
  const bool closed = os_close_written(out->file);
  out->file = kNoFile;
  if (err == Fault::kNone && !closed) err = Fault::kOutputWrite;
  if (err != Fault::kNone) discard_output(out);
  return err;
}

namespace {

// Keeps the old file under a second name beside it, so that it can be put
// back. Without hard links (FAT, another user's file under protected
// hard links) the old file itself moves to that name, and the output's
// name is absent until the new text takes it.
bool keep_old(OutputFile* out) {
  char folder[kMaxPath];
  folder_of(out->target, folder);
  OsFile free_name = kNoFile;
  if (os_create_temp(folder, out->old, &free_name, &out->oldSlot) != OsError::kNone) return false;
  // A link needs a name that does not exist; a rename takes it over.
  if (os_close_written(free_name) && os_remove(out->old) && os_link(out->target, out->old)) return true;
  if (os_replace(out->target, out->old)) {
    out->oldAway = true;
    return true;
  }
  remove_temp(out->old, &out->oldSlot);
  return false;
}

bool rename_into_place(OutputFile* out, bool family) {
  OsFileInfo info{};
  if (family && os_stat(out->target, &info) && !keep_old(out)) return false;
  if (!os_replace(out->temp, out->target)) return false;
  // The new file now has the target's name.
  forget(out->temp, &out->tempSlot);
  out->oldAway = out->old[0] != '\0';
  out->placed = true;
  return true;
}

// Writes the file at from over the output, from its start, cut to size.
bool write_over(const char* from, OsFile place, uint64_t size) {
  const bool written = os_reserve(place, size) && copy_file(from, place) && os_set_size(place, size);
  return os_close_written(place) && written;
}

bool write_in_place(OutputFile* out) {
  const bool written = write_over(out->temp, out->place, out->bytes);
  out->place = kNoFile;
  // A write that failed half way left some of the new text in place.
  out->placed = true;
  return written;
}

// The old text back in place: the old file's name again, the copy written
// back, or no file where there was none. Returns false when that failed,
// and the file that holds the old text then stays.
bool put_back(OutputFile* out) {
  if (!out->placed && !out->oldAway) return true;
  if (out->kind == OutputKind::kInPlace) {
    OsFile place = kNoFile;
    return os_open(out->target, OsOpen::kExisting, &place) == OsError::kNone &&
           write_over(out->old, place, out->oldBytes);
  }
  if (out->old[0] == '\0') return os_remove(out->target);
  if (!os_replace(out->old, out->target)) return false;
  forget(out->old, &out->oldSlot);
  return true;
}

}  // namespace

Fault place_outputs(OutputFile* outs, int n, KeptTexts* kept) {
  kept->count = 0;
  if (!os_hold_interrupts()) {
    for (int i = 0; i < n; ++i) discard_output(&outs[i]);
    return Fault::kOutputWrite;
  }
  // New files are renamed over their targets first; texts written over in
  // place, which take longest, last. With more than one output the old
  // files are kept until every text is in place.
  bool ok = true;
  for (int i = 0; i < n && ok; ++i) {
    if (outs[i].kind == OutputKind::kReplace) ok = rename_into_place(&outs[i], n > 1);
  }
  for (int i = 0; i < n && ok; ++i) {
    if (outs[i].kind == OutputKind::kInPlace) ok = write_in_place(&outs[i]);
  }
  for (int i = 0; i < n && !ok; ++i) {
    if (put_back(&outs[i]) || outs[i].old[0] == '\0') continue;
    KeptText& k = kept->texts[kept->count++];
    k.output = outs[i].path;
    std::memcpy(k.kept, outs[i].old, sizeof k.kept);
    forget(outs[i].old, &outs[i].oldSlot);
  }
  for (int i = 0; i < n; ++i) discard_output(&outs[i]);
  // An interrupt that came meanwhile waits until the kept files are named.
  if (kept->count == 0) os_release_interrupts();
  return ok ? Fault::kNone : Fault::kOutputWrite;
}

void discard_output(OutputFile* out) {
  if (out->kind != OutputKind::kStdout) {
    os_close(out->file);
    os_close(out->place);
  }
  out->file = out->place = kNoFile;
  remove_temp(out->temp, &out->tempSlot);
  remove_temp(out->old, &out->oldSlot);
}
