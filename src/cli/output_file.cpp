#include "cli/output_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>


OutputLook look_at_output(const char* path) {
  OutputLook look{};
  look.looked = os_lookup(path, &look.info);
  OsFileInfo console{};
  look.isStdout = look.looked == OsError::kNone && os_standard_output_info(&console) && os_same_file(look.info, console);
  return look;
}

bool is_file(const OutputLook& look, const OsFileInfo& input) {
  return look.looked == OsError::kNone && os_same_file(look.info, input);
}

bool is_special(const OutputLook& look) {
  return look.isStdout || (look.looked == OsError::kNone && look.info.kind != OsKind::kRegular);
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

// Removes a temporary file of the output and takes back its promise to
// the handler; one that cannot be removed is noted, to be named.
void remove_temp(OutputFile* out, char (&name)[kMaxPath], int* slot) {
  if (name[0] != '\0') {
    const OsError err = os_remove(name);
    if (err != OsError::kNone && err != OsError::kNotFound && out->leftCount < kLeftPerOutput) {
      std::memcpy(out->left[out->leftCount++], name, sizeof name);
    }
  }
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

// A new file in folder holding a copy of the file at path: the output's
// old text.
bool copy_to_temp(const char* path, const char* folder, OutputFile* out) {
  OsFile copy = kNoFile;
  if (os_create_temp(folder, out->old, &copy, &out->oldSlot) != OsError::kNone) return false;
  const bool copied = copy_file(path, copy);
  if (os_close_written(copy) && copied) return true;
  remove_temp(out, out->old, &out->oldSlot);
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
  if (!os_temp_folder(folder) || !copy_to_temp(path, folder, out) ||
      os_create_temp(folder, out->temp, &out->file, &out->tempSlot) != OsError::kNone) {
    discard_output(out);
    return Fault::kOutputWrite;
  }
  return Fault::kNone;
}

// A new file takes its whole size at once, so that its writes need not
// find room block by block, and cost the system less. Not a file that will
// replace an old text: the system writes out a file's blocks not yet
// placed when it is renamed over an old one, which keeps the old text
// safe should the machine stop; a file reserved whole has no such blocks
// and would skip that write. Where the room cannot be had, the file is
// left empty and the writes go on, to find room or fail as they would.
Fault size_new_file(OsFile file, uint64_t bytes) {
  if (os_allocate(file, bytes)) return Fault::kNone;
  return os_set_size(file, 0) ? Fault::kNone : Fault::kOutputWrite;
}

}  // namespace

Fault open_output(const char* path, const OutputLook& look, uint64_t bytes, OutputFile* out) {
  out->path = path;
  out->kind = OutputKind::kDirect;
  out->file = out->place = kNoFile;
  out->bytes = bytes;
  out->oldBytes = 0;
  out->oldAway = out->placed = false;
  out->target[0] = out->temp[0] = out->old[0] = '\0';
  out->tempSlot = out->oldSlot = -1;
  out->leftCount = 0;
  if (look.isStdout) {
    // The text joins standard output after what was printed so far.
    std::fflush(stdout);
    out->file = os_standard_output();
    out->kind = OutputKind::kStdout;
    return Fault::kNone;
  }
  // Only a name that is not there is a new file; a file that cannot be
  // looked at may hold a text that must not be lost.
  const OsFileInfo& info = look.info;
  if (look.looked != OsError::kNone && look.looked != OsError::kNotFound) return Fault::kOutputOpen;
  const bool exists = look.looked == OsError::kNone;
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
    if (exists || size_new_file(out->file, bytes) == Fault::kNone) return Fault::kNone;
    discard_output(out);
    return Fault::kOutputWrite;
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
// name is absent until the new text takes it. From the moment the second
// name is free, a fault that ends the process puts the old file back.
bool keep_old(OutputFile* out) {
  char folder[kMaxPath];
  folder_of(out->target, folder);
  OsFile free_name = kNoFile;
  if (os_create_temp(folder, out->old, &free_name, &out->oldSlot) != OsError::kNone) return false;
  // A link needs a name that does not exist; a rename takes it over.
  if (os_close_written(free_name) && os_remove(out->old) == OsError::kNone) {
    os_undo_on_interrupt(out->oldSlot, OsUndo::kPutBack, out->target, 0);
    if (os_link(out->target, out->old)) return true;
    if (os_replace(out->target, out->old)) {
      out->oldAway = true;
      return true;
    }
  }
  remove_temp(out, out->old, &out->oldSlot);
  return false;
}

// In a family a new file where there was none is removed again when a
// fault ends the process before the family is in place; a target that
// cannot be looked at is not replaced.
bool rename_into_place(OutputFile* out, bool family) {
  bool had_none = false;
  if (family) {
    OsFileInfo info{};
    const OsError looked = os_lookup(out->target, &info);
    if (looked == OsError::kNone && !keep_old(out)) return false;
    if (looked != OsError::kNone && looked != OsError::kNotFound) return false;
    had_none = looked == OsError::kNotFound;
    if (had_none) os_undo_on_interrupt(out->tempSlot, OsUndo::kRemoveTarget, out->target, 0);
  }
  if (!os_replace(out->temp, out->target)) return false;
  // The new file now has the target's name; its slot stays while it may
  // have to be removed again.
  if (had_none) {
    out->temp[0] = '\0';
  } else {
    forget(out->temp, &out->tempSlot);
  }
  out->oldAway = out->old[0] != '\0';
  out->placed = true;
  return true;
}

// Writes the file at from over the output, from its start, cut to size.
bool write_over(const char* from, OsFile place, uint64_t size) {
  const bool written = os_reserve(place, size) && copy_file(from, place) && os_set_size(place, size);
  return os_close_written(place) && written;
}

// Room is reserved first: where there is none, the old text stays as it
// was, and only once the writing has begun does it need putting back.
bool write_in_place(OutputFile* out) {
  const bool room = os_reserve(out->place, out->bytes);
  out->placed = room;
  const bool written = room && copy_file(out->temp, out->place) && os_set_size(out->place, out->bytes);
  const bool closed = os_close_written(out->place);
  out->place = kNoFile;
  return written && closed;
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
  if (out->old[0] == '\0') return os_remove(out->target) == OsError::kNone;
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
  // From here until every text is in place, or every old text back, a
  // fault that ends the process undoes what was done.
  os_open_commit();
  for (int i = 0; i < n; ++i) {
    if (outs[i].kind == OutputKind::kInPlace) {
      os_undo_on_interrupt(outs[i].oldSlot, OsUndo::kCopyBack, outs[i].target, outs[i].oldBytes);
    }
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
  os_close_commit();
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
  remove_temp(out, out->temp, &out->tempSlot);
  remove_temp(out, out->old, &out->oldSlot);
}
