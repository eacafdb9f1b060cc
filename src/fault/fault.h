// Every fault a conversion or a listing can end with, as one value; the
// message a person reads is made from it at the edge, by one table.
#ifndef GLYFEX_FAULT_FAULT_H
#define GLYFEX_FAULT_FAULT_H

enum class Fault {
  kNone,
  // Files
  kInputOpen,
  kInputRead,
  kOutputOpen,
  kOutputWrite,
  kSameFile,
  kSameOutputs,
  kSameOutputs108,
  kSameOutputs108And144,
  kStdout,
  kTempLeft,
  // The font
  kFontOutsideFile,
  kFontHeaderRange,
  kFontDensity,
  kFontHeight108,
  kFontMap,
  kFontMapFonts,
  kFontLocations,
  kFontOffsetWidths,
  kFontMemory,
  kTextMemory,
  kBdfNoGlyph,
  // Containers and listings
  kScanUnknown,
  kScanDamaged,
  kScanMemory,
  kScanNoFont,
  kCmdName,
  kTooDeep,
};

// The message for the fault, word for word as the user sees it.
const char* fault_text(Fault fault);

// Prints the fault's message on standard output, a line, with name in
// place of its %s.
void print_message(Fault fault, const char* name);

#endif
