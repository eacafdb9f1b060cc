// Where a text goes and how it replaces what was there. Every rule comes
// down to one: an output holds its old text or its whole new text, and the
// texts of one font go into place together or not at all.
//
// A regular file gets its text in a new file beside it, renamed over it
// when every text was written. An existing file whose folder refuses new
// files gets its text in a new file in the temporary folder, beside a copy
// of its old text, and is then written over in place. Standard output's
// own file goes through standard output; devices and FIFOs are written
// directly. Putting texts in place runs with interrupts held back, and a
// file not yet in place is removed when the process is interrupted.
#ifndef GLYFEX_CLI_OUTPUT_FILE_H
#define GLYFEX_CLI_OUTPUT_FILE_H

#include <cstdint>

#include "fault/fault.h"
#include "font/font_image.h"
#include "os/os.h"

enum class OutputKind { kStdout, kDirect, kReplace, kInPlace };

// An output's temporary files: its new text and its old one.
constexpr int kLeftPerOutput = 2;

// The fields a conversion always sets come first and the names after, so
// that the pages of names never written are never touched.
struct OutputFile {
  const char* path;  // as named, for messages
  OutputKind kind;
  OsFile file;  // where the text is written: the output itself, or temp
  uint64_t bytes;  // the text's size
  int tempSlot;  // what removes temp on an interrupt, or -1
  int oldSlot;  // what acts on old on an interrupt, or -1
  bool oldAway;  // the old file no longer has the target's name
  bool placed;  // the new text is in place
  OsFile place;  // kInPlace: the output, opened to be written over
  uint64_t oldBytes;  // kInPlace: the old text's size
  int leftCount;
  char target[kMaxPath];  // the output path with symbolic links followed
  char temp[kMaxPath];  // the new text until it is in place, or ""
  // The old text while it may be needed again: a second name of the old
  // file or the old file renamed (kReplace), a copy (kInPlace); or "".
  char old[kMaxPath];
  // Temporary files that could not be removed, to be named.
  char left[kLeftPerOutput][kMaxPath];
};

// An old text that could not be put back, and the file that holds it.
struct KeptText {
  const char* output;
  char kept[kMaxPath];
};

struct KeptTexts {
  int count;
  int leftCount;
  KeptText texts[kDensities];
  // Temporary files that could not be removed.
  char left[kDensities * kLeftPerOutput][kMaxPath];
};

// What an output's path names, looked at once for every decision made
// about it: whether it exists, what it is, whether it is standard output.
struct OutputLook {
  OsError looked;  // kNone, kNotFound, or why it could not be looked at
  OsFileInfo info;  // when looked is kNone
  bool isStdout;  // the file standard output is
};

OutputLook look_at_output(const char* path);

// True when the output is the file described by input.
bool is_file(const OutputLook& look, const OsFileInfo& input);

// True when the output is standard output's file, or exists and is no
// regular file (a device, a FIFO): such an output is written as it is and
// cannot be replaced.
bool is_special(const OutputLook& look);

// Opens path, as look found it, for a text of bytes bytes; nothing is
// written to it yet, and an existing file is not changed. A new file gets
// its size and room at once where the system can, so that the writes
// that fill it need not find room block by block. Returns Fault::kNone,
// kOutputOpen (no permission, no such folder, a file the user may not
// write) or Fault::kOutputWrite (no room for the text, no copy of the old
// text).
Fault open_output(const char* path, const OutputLook& look, uint64_t bytes, OutputFile* out);

// Ends the writing of the text: write_err is the writer's result; after
// any failure the output is discarded. Returns the first failure.
Fault close_output(OutputFile* out, Fault write_err);

// Puts the written texts of all n outputs in place, with interrupts held
// back throughout, or, when any step fails, gives every output its old
// text again; an old text that cannot be put back stays where kept says.
// The temporary files are gone afterwards, but for those kept names; when
// there are any, interrupts stay held until the caller has said where they
// are and calls os_release_interrupts.
Fault place_outputs(OutputFile* outs, int n, KeptTexts* kept);

// Removes what open_output made; the output is as it was.
void discard_output(OutputFile* out);

#endif
