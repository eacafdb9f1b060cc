#include "fault/fault.h"

#include <cstdio>
#include <cstring>

namespace {

// In the order of the enum.
const char* const kTexts[] = {
    "",
    "Could not open input file.",
    "Could not read input file.",
    "Could not open output file.",
    "Could not write output file.",
    "Input and output are the same file.",
    "Output and its 144 dpi file are the same file.",
    "Output and its 108 dpi file are the same file.",
    "Its 108 dpi and 144 dpi files are the same file.",
    "Could not write standard output.",
    "The temporary file %s could not be removed.",
    "Font resource lies outside the input file.",
    "Font header is out of range.",
    "Font density is not supported.",
    "Font ascent and descent do not make up its height, which a 108 dpi image needs.",
    "A font map combines several fonts: write it with --bdf.",
    "The fonts of this font map are not in the file.",
    "Font location table is damaged.",
    "Font offset/width table is damaged.",
    "Not enough memory for the font image.",
    "Not enough memory to write the text.",
    "The font has no glyph to write as BDF.",
    "Not a Palm resource database or a Macintosh resource fork.",
    "The resource table does not fit in the file.",
    "Not enough memory for the file.",
    "Not a Palm resource database or a Macintosh resource fork, and no font was found in its contents.",
    ("A file name holds a character cmd.exe cannot pass safely (%, !, ^, \", a C0 or C1 control, or a byte that is "
     "not UTF-8)."),
    "Too deep below the folder named; not searched.",
};

static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<int>(Fault::kTooDeep) + 1, "one text per fault");

}  // namespace

const char* fault_text(Fault fault) { return kTexts[static_cast<int>(fault)]; }

void print_message(Fault fault, const char* name) {
  const char* text = fault_text(fault);
  const char* at = std::strstr(text, "%s");
  if (at == nullptr) {
    std::printf("%s\n", text);
    return;
  }
  std::printf("%.*s%s%s\n", static_cast<int>(at - text), text, name, at + 2);
}
