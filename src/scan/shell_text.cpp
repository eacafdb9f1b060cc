#include "scan/shell_text.h"

#include <cstring>

namespace {

// Length of the control sequence at s[i], or 0: one byte for C0 and DEL,
// two for U+0080..U+009F in UTF-8 (C2 80..C2 9F).
size_t control_at(const char* s, size_t n, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x20 || b == 0x7F) return 1;
  if (b == 0xC2 && i + 1 < n) {
    const auto next = static_cast<unsigned char>(s[i + 1]);
    if (next >= 0x80 && next <= 0x9F) return 2;
  }
  return 0;
}

void put_octal(FILE* out, char ch) { std::fprintf(out, "\\%03o", static_cast<unsigned char>(ch)); }

}  // namespace

bool has_control(const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (control_at(s, n, i) != 0) return true;
  }
  return false;
}

void put_escaped(FILE* out, const char* s, size_t n) {
  for (size_t i = 0; i < n;) {
    size_t k = control_at(s, n, i);
    if (k == 0) {
      std::fputc(s[i++], out);
      continue;
    }
    for (; k > 0 && i < n; --k) put_octal(out, s[i++]);
  }
}

void put_type_code(FILE* out, const char type[4]) {
  for (int i = 0; i < 4; ++i) {
    const auto b = static_cast<unsigned char>(type[i]);
    if (b >= 0x20 && b < 0x7F) {
      std::fputc(b, out);
    } else {
      put_octal(out, type[i]);
    }
  }
}

void put_shell_word(FILE* out, const char* s) {
  const size_t n = std::strlen(s);
  static const char kHarmless[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._/+-";
  if (n > 0 && std::strspn(s, kHarmless) == n) {
    std::fputs(s, out);
    return;
  }
  std::fputc('\'', out);
  for (size_t i = 0; i < n;) {
    const size_t next = i + 1 + std::strcspn(s + i + 1, "'");
    if (s[i] == '\'') {
      std::fputs("'\\''", out);
      ++i;
      continue;
    }
    put_escaped(out, s + i, next - i);
    i = next;
  }
  std::fputc('\'', out);
}

void put_shell_assignment(FILE* out, const char* name, const char* s) {
  std::fprintf(out, "%s=$(printf '", name);
  const size_t n = std::strlen(s);
  for (size_t i = 0; i < n; ++i) {
    // Inside apostrophes only the apostrophe is special to the shell;
    // printf's format gives % and \ their meaning, and takes \ooo.
    if (s[i] == '\'') {
      std::fputs("'\\''", out);
    } else if (s[i] == '%') {
      std::fputs("%%", out);
    } else if (s[i] == '\\') {
      std::fputs("\\\\", out);
    } else if (control_at(s, n, i) != 0 || static_cast<unsigned char>(s[i]) >= 0x80 || (i == 0 && s[i] == '-')) {
      // A leading - would read as an option of printf.
      put_octal(out, s[i]);
    } else {
      std::fputc(s[i], out);
    }
  }
  std::fprintf(out, "_'); %s=${%s%%_}\n", name, name);
}
