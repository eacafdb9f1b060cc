#include "listing/shell_text.h"

#include <cstdint>
#include <cstring>

// Everything printable_at does not accept (C0 and C1 controls, DEL, stray
// or cut-off bytes) is escaped byte by byte.
size_t printable_at(const char* s, size_t n, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) return b >= 0x20 && b != 0x7F ? 1 : 0;
  const size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
  if (len == 0 || b > 0xF4 || n - i < len) return 0;
  uint32_t cp = b & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (c & 0x3F);
  }
  const uint32_t shortest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < shortest[len] || cp < 0xA0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
  return len;
}

namespace {

void put_bytes(const TextSink& out, const char* s, size_t n) { out.write(out.context, s, n); }

void put_octal(const TextSink& out, char ch) {
  char text[5];
  std::snprintf(text, sizeof text, "\\%03o", static_cast<unsigned char>(ch));
  put_bytes(out, text, 4);
}

void write_file(void* context, const char* bytes, size_t n) { std::fwrite(bytes, 1, n, static_cast<FILE*>(context)); }

// True for a backslash that would read as part of an escape: one before
// a byte that is escaped. It is escaped itself.
bool ambiguous_backslash(const char* s, size_t n, size_t i) {
  return s[i] == '\\' && i + 1 < n && printable_at(s, n, i + 1) == 0;
}

}  // namespace

TextSink file_sink(FILE* out) { return TextSink{write_file, out}; }

bool has_control(const char* s, size_t n) {
  for (size_t i = 0; i < n;) {
    const size_t k = printable_at(s, n, i);
    if (k == 0) return true;
    i += k;
  }
  return false;
}

void put_escaped(const TextSink& out, const char* s, size_t n) {
  for (size_t i = 0; i < n;) {
    // Printable characters go out together, a control byte by byte, and
    // so does a backslash that would read as an escape.
    size_t run = i;
    for (size_t k = 0; run < n && !ambiguous_backslash(s, n, run) && (k = printable_at(s, n, run)) > 0;) run += k;
    if (run > i) {
      put_bytes(out, s + i, run - i);
      i = run;
    } else {
      put_octal(out, s[i++]);
    }
  }
}

int type_code_width(const char type[4]) {
  int width = 0;
  for (int i = 0; i < 4; ++i) width += printable_at(type + i, 1, 0) == 1 ? 1 : 4;
  return width;
}

void put_type_code(const TextSink& out, const char type[4]) {
  // Byte by byte: a type is four single bytes, not UTF-8 text.
  for (int i = 0; i < 4; ++i) put_escaped(out, type + i, 1);
}

void put_shell_word(const TextSink& out, const char* s) {
  const size_t n = std::strlen(s);
  static const char kHarmless[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._/+-";
  if (n > 0 && std::strspn(s, kHarmless) == n) {
    put_bytes(out, s, n);
    return;
  }
  put_bytes(out, "'", 1);
  for (size_t i = 0; i < n;) {
    const size_t next = i + 1 + std::strcspn(s + i + 1, "'");
    if (s[i] == '\'') {
      put_bytes(out, "'\\''", 4);
      ++i;
      continue;
    }
    put_escaped(out, s + i, next - i);
    i = next;
  }
  put_bytes(out, "'", 1);
}

void put_cmd_word(const TextSink& out, const char* s) {
  const size_t n = std::strlen(s);
  size_t stem = n;
  while (stem > 0 && s[stem - 1] == '\\') --stem;
  put_bytes(out, "\"", 1);
  put_escaped(out, s, n);
  // Each backslash before the closing quote is doubled.
  for (size_t i = stem; i < n; ++i) put_bytes(out, "\\", 1);
  put_bytes(out, "\"", 1);
}

bool cmd_safe(const char* s) { return std::strpbrk(s, "%!^\"") == nullptr && !has_control(s, std::strlen(s)); }

void put_shell_assignment(FILE* file, const char* name, const char* s) {
  const TextSink out = file_sink(file);
  std::fprintf(file, "%s=$(printf '", name);
  const size_t n = std::strlen(s);
  for (size_t i = 0; i < n; ++i) {
    // Inside apostrophes only the apostrophe is special to the shell;
    // printf's format gives % and \ their meaning, and takes \ooo.
    if (s[i] == '\'') {
      std::fputs("'\\''", file);
    } else if (s[i] == '%') {
      std::fputs("%%", file);
    } else if (s[i] == '\\') {
      std::fputs("\\\\", file);
    } else if (static_cast<unsigned char>(s[i]) < 0x20 || static_cast<unsigned char>(s[i]) >= 0x7F ||
               (i == 0 && s[i] == '-')) {
      // A leading - would read as an option of printf.
      put_octal(out, s[i]);
    } else {
      std::fputc(s[i], file);
    }
  }
  std::fprintf(file, "_'); %s=${%s%%_}\n", name, name);
}
