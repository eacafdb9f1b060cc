#include "cli/output_file.h"

#include <cstdio>
#include <cstring>

#include "cli/messages.h"
#include "text/text_font.h"

bool density_path(const char* path, char (&out)[kMaxPath]) {
  const char* name = path + os_folder_length(path);
  const char* dot = std::strrchr(name, '.');
  // A leading dot starts a hidden name, not an extension.
  const size_t stem = dot == nullptr || dot == name ? std::strlen(path) : static_cast<size_t>(dot - path);
  return std::snprintf(out, sizeof out, "%.*s-144%s", static_cast<int>(stem), path, path + stem) <
         static_cast<int>(sizeof out);
}

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

// Writes over an existing file whose folder takes no new file. Room for
// the whole text is secured first, so that no full disk leaves half of it
// where the old text was; the old text is cut off only at the end.
const char* open_in_place(const char* path, uint64_t old_bytes, OutputFile* out) {
  if (os_open_existing(path, &out->file) != OsError::kNone) return kErrOutputOpen;
  out->kind = OutputKind::kInPlace;
  out->oldBytes = old_bytes;
  if (!os_reserve(out->file, out->bytes)) {
    discard_output(out);
    return kErrOutputWrite;
  }
  return nullptr;
}

void forget_slot(int* slot) {
  os_forget_on_interrupt(*slot);
  *slot = -1;
}

}  // namespace

const char* open_output(const char* path, uint64_t bytes, OutputFile* out) {
  out->file = kNoFile;
  out->kind = OutputKind::kDirect;
  out->bytes = bytes;
  out->oldBytes = 0;
  out->committed = false;
  out->target[0] = out->temp[0] = out->backup[0] = '\0';
  out->tempSlot = out->backupSlot = -1;
  if (is_standard_output(path)) {
    // The text joins standard output after what was printed so far.
    std::fflush(stdout);
    out->file = os_standard_output();
    out->kind = OutputKind::kStdout;
    return nullptr;
  }
  OsFileInfo info{};
  const bool exists = os_stat(path, &info);
  if (exists && info.kind != OsKind::kRegular) {
    // Devices and FIFOs cannot be replaced; they are written as they are.
    return os_open_device(path, &out->file) == OsError::kNone ? nullptr : kErrOutputOpen;
  }
  // A file the user may not write is not theirs to replace either.
  if (exists && !os_may_write(path)) return kErrOutputOpen;
  if (!os_follow_links(path, out->target)) return kErrOutputOpen;
  if (exists && !os_may_replace(out->target, info)) return open_in_place(path, info.size, out);
  const OsError err = os_create_temp(out->target, exists ? &info : nullptr, out->temp, &out->file, &out->tempSlot);
  if (err == OsError::kNone) {
    out->kind = OutputKind::kReplace;
    return nullptr;
  }
  out->temp[0] = '\0';
  // A folder that refuses new files for want of permission leaves the file
  // itself to be written; one without room for them refuses the text, as
  // truncating the old file would only lose it.
  if (!exists) return kErrOutputOpen;
  if (err == OsError::kNoPermission) return open_in_place(path, info.size, out);
  return kErrOutputWrite;
}

const char* close_output(OutputFile* out, const char* write_err) {
  const char* err = write_err;
  if (out->kind == OutputKind::kStdout) return err;
  if (out->kind == OutputKind::kInPlace && err == nullptr && !os_set_size(out->file, out->bytes)) err = kErrOutputWrite;
  if (err != nullptr) {
    discard_output(out);
  } else if (!os_close_written(out->file)) {
    err = kErrOutputWrite;
    out->file = kNoFile;
    discard_output(out);
  }
  out->file = kNoFile;
  return err;
}

const char* commit_output(OutputFile* out, bool keep_old) {
  if (out->kind != OutputKind::kReplace) return nullptr;
  OsFileInfo old{};
  if (keep_old && os_stat(out->target, &old)) {
    // A free name, then the old file's second name under it; the name is
    // removed on an interrupt from the start.
    OsFile free_name = kNoFile;
    const bool named = os_create_temp(out->target, nullptr, out->backup, &free_name, &out->backupSlot) == OsError::kNone;
    const bool linked =
        named && os_close_written(free_name) && os_remove(out->backup) && os_link(out->target, out->backup);
    if (!linked) {
      if (named) (void)os_remove(out->backup);
      out->backup[0] = '\0';
      forget_slot(&out->backupSlot);
      discard_output(out);
      return kErrOutputWrite;
    }
  }
  if (!os_replace(out->temp, out->target)) {
    drop_backup(out);
    discard_output(out);
    return kErrOutputWrite;
  }
  out->committed = true;
  forget_slot(&out->tempSlot);
  return nullptr;
}

void undo_output(OutputFile* out) {
  if (!out->committed) return;
  if (out->backup[0] != '\0') {
    (void)os_replace(out->backup, out->target);
    out->backup[0] = '\0';
    forget_slot(&out->backupSlot);
  } else {
    (void)os_remove(out->target);
  }
  out->committed = false;
}

void drop_backup(OutputFile* out) {
  if (out->backup[0] != '\0') (void)os_remove(out->backup);
  out->backup[0] = '\0';
  forget_slot(&out->backupSlot);
}

void discard_output(OutputFile* out) {
  if (out->kind == OutputKind::kInPlace && is_open(out->file)) (void)os_set_size(out->file, out->oldBytes);
  if (is_open(out->file) && out->kind != OutputKind::kStdout) os_close(out->file);
  out->file = kNoFile;
  if (out->kind == OutputKind::kReplace && !out->committed && out->temp[0] != '\0') (void)os_remove(out->temp);
  out->temp[0] = '\0';
  forget_slot(&out->tempSlot);
}
