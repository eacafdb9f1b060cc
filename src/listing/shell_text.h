// Printing file names and resource types where a terminal or a shell reads
// them: nothing that a terminal would take as a command reaches it raw.
#ifndef GLYFEX_LISTING_SHELL_TEXT_H
#define GLYFEX_LISTING_SHELL_TEXT_H

#include <cstddef>
#include <cstdio>
#include <cstring>

// Where the text goes: bytes handed to a function, such as one that
// escapes them again for a page.
struct TextSink {
  void (*write)(void* context, const char* bytes, size_t n);
  void* context;
};

TextSink file_sink(FILE* out);

// The length of the printable character at s[i] (of n bytes): printable
// ASCII, or a whole, shortest UTF-8 sequence of a code point from U+00A0
// on that is no surrogate; 0 when the byte is none of these.
size_t printable_at(const char* s, size_t n, size_t i);

// True when s holds a byte that is neither printable ASCII nor part of a
// printable character in valid UTF-8: a control (C0, DEL, C1 in any form)
// or a byte a terminal might take as the start of one.
bool has_control(const char* s, size_t n);

// Prints n bytes of s with every such byte written as a backslash and three
// octal digits, and so a backslash before such a byte (\134), which would
// read as part of its escape.
void put_escaped(const TextSink& out, const char* s, size_t n);
inline void put_escaped(FILE* out, const char* s, size_t n) { put_escaped(file_sink(out), s, n); }
// The same for a whole string.
inline void put_escaped(FILE* out, const char* s) { put_escaped(out, s, std::strlen(s)); }

// The columns put_type_code takes for type: 4 to 16.
int type_code_width(const char type[4]);

// Prints s as one shell word: as it stands when it is made of harmless
// characters, else between apostrophes. Controls are escaped as above, so
// a word that has any is for reading, not for running.
void put_shell_word(const TextSink& out, const char* s);
inline void put_shell_word(FILE* out, const char* s) { put_shell_word(file_sink(out), s); }

// Prints s as one word for cmd.exe: in double quotes, the backslashes
// that end it doubled (the Windows rules for command lines read \" as a
// quote). Controls are escaped as above, so a word that has any is for
// reading; cmd_safe tells whether cmd passes the word as it stands.
void put_cmd_word(const TextSink& out, const char* s);
inline void put_cmd_word(FILE* out, const char* s) { put_cmd_word(file_sink(out), s); }

// False for a word holding what cmd.exe gives a meaning even inside quotes
// (%, ! with delayed expansion, ^), a quote, a C0 or C1 control, or a byte
// that is not UTF-8.
bool cmd_safe(const char* s);

// Prints a four-character type code with every byte outside printable
// ASCII escaped as above: a Mac type may hold any byte.
void put_type_code(const TextSink& out, const char type[4]);
inline void put_type_code(FILE* out, const char type[4]) { put_type_code(file_sink(out), type); }

// Prints a shell assignment that gives the variable the exact bytes of s,
// controls included, without writing one of them raw:
//   name=$(printf 'bytes_'); name=${name%_}
// (the _ keeps a trailing line feed from being cut off).
void put_shell_assignment(FILE* out, const char* name, const char* s);

#endif
