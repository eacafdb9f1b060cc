// What the Palm character codes of a font stand for, as Unicode: one table
// per character set, the one place the outputs that name characters (BDF,
// the page's captions) take them from.
#ifndef GLYFEX_FONT_CHARSET_H
#define GLYFEX_FONT_CHARSET_H

#include <cstdint>

enum class Charset { kLatin, kPalm, kSymbol, kSymbol11, kSymbol7, kLed, kSjis };

// The code of no character.
constexpr int32_t kNoCharacter = -1;

// The replacement character, which stands for the missing-character glyph.
constexpr int32_t kReplacementCharacter = 0xFFFD;

// The charset called name (latin, palm, symbol, symbol11, symbol7, led,
// sjis); false for any other name.
bool charset_by_name(const char* name, Charset* charset);

const char* charset_name(Charset charset);

// True for the sets that map codes to Unicode; palm keeps the Palm codes.
inline bool charset_is_unicode(Charset charset) { return charset != Charset::kPalm; }

// The Unicode character code stands for, or kNoCharacter. Palm Latin is
// CP1252 with Palm's own codes (the card suits still drawn at 0x8D to 0x90,
// the figure space at 0x19); where two codes draw one character, the CP1252
// position keeps it. The symbol and LED sets give each glyph the nearest
// character, or none. sjis is a Japanese single-byte font's: ASCII with
// the yen sign at 0x5C, the half-width katakana of JIS X 0201 at 0xA1 to
// 0xDF, Palm's own codes as in Palm Latin, and no character for a byte
// that leads a two-byte code. For palm, the code itself.
int32_t charset_unicode(Charset charset, int code);

#endif
