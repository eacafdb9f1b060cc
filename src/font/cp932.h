// Microsoft's code page 932 (Shift-JIS, as Windows and Palm OS use it):
// the character of each two-byte code, a table generated from Python's
// cp932 codec by make_cp932_table.py.
#ifndef GLYFEX_FONT_CP932_H
#define GLYFEX_FONT_CP932_H

#include <cstdint>

// Lead bytes 0x81 to 0x9F and 0xE0 to 0xFC; trail bytes 0x40 to 0xFC.
constexpr int kCp932Leads = 60;
constexpr int kCp932Trails = 189;
constexpr int kCp932DuplicateCount = 398;

extern const uint16_t kCp932[kCp932Leads][kCp932Trails];
extern const uint16_t kCp932Duplicates[kCp932DuplicateCount];

// True for a byte that leads a two-byte code.
inline bool is_cp932_lead(int byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

// The character of the code lead, trail, or -1 for none.
int32_t cp932_unicode(int lead, int trail);

// False for a second code of a character, which cp932 encodes as another
// code: a form keyed by character keeps only the first.
bool cp932_canonical(int lead, int trail);

#endif
