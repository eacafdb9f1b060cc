// glyfex-scan FILE: lists the resources in a Palm resource database or a
// Macintosh resource fork, with a ready glyfex command for every font.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "cli/messages.h"
#include "font/font_image.h"
#include "scan/resource_scan.h"

namespace {

const char kScanUsage[] =
    "Lists the resources of a Palm resource database (.prc, .ro) or a\n"
    "Macintosh resource fork, with the glyfex command for each font.\n\n"
    " usage:  glyfex-scan file\n\n";

struct FileBytes {
  std::unique_ptr<uint8_t[], FreeBytes> data;
  size_t size;
};

// Returns nullptr, or why the file could not be had. Only regular files are
// read: a directory has no size, and opening a FIFO would wait for a writer.
const char* read_whole_file(const char* path, FileBytes* file) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(st)) return kErrInputOpen;
  if (!std::filesystem::is_regular_file(st)) return kErrInputRead;
  FILE* f = std::fopen(path, "rb");
  if (!f) return kErrInputOpen;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  const char* err = size >= 0 && std::fseek(f, 0, SEEK_SET) == 0 ? nullptr : kErrInputRead;
  if (!err) {
    file->size = static_cast<size_t>(size);
    file->data.reset(static_cast<uint8_t*>(std::malloc(file->size + 1)));
    if (!file->data) {
      err = "Not enough memory for the file.";
    } else if (std::fread(file->data.get(), 1, file->size, f) != file->size) {
      err = kErrInputRead;
    }
  }
  std::fclose(f);
  return err;
}

// Quotes a path for the shell unless it is made of harmless characters only.
std::string shell_word(const std::string& s) {
  if (!s.empty() && s.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._/+-") ==
                        std::string::npos) {
    return s;
  }
  std::string q = "'";
  for (char ch : s) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return q + "'";
}

std::string printable_type(const char type[4]) {
  std::string t(type, 4);
  std::replace_if(t.begin(), t.end(), [](char ch) { return ch < 0x20 || ch > 0x7E; }, '.');
  return t;
}

// What glyfex would make of the font: a command, or why it would refuse.
std::string font_note(const FileBytes& bytes, const ResourceEntry& e, const std::string& file) {
  if (e.size < kFontHeaderBytes) return "too short for a font header";
  const int16_t font_type = swap16(bytes.data.get() + e.offset);
  if (font_type & kFontTypeExtended) return "extended font format, not supported";
  return "glyfex " + shell_word(file) + " font-" + std::to_string(e.id) + ".txt " + std::to_string(e.offset);
}

bool ends_with(const std::string& s, const char* tail) {
  const size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs(kScanUsage, stdout);
    return 1;
  }
  const std::string file = argv[1];
  FileBytes bytes{nullptr, 0};
  if (const char* err = read_whole_file(argv[1], &bytes)) {
    std::printf("ERROR: %s\n\n", err);
    return 1;
  }
  ResourceList list;
  if (const char* err = scan_resources(bytes.data.get(), bytes.size, ends_with(file, ".dfont"), &list)) {
    std::printf("ERROR: %s\n\n", err);
    return 1;
  }
  std::printf("%s: %s, %zu resources\n\n", file.c_str(), list.kind, list.entries.size());
  std::printf("%-4s  %6s  %10s  %10s  %s\n", "type", "id", "offset", "size", "font");
  for (const ResourceEntry& e : list.entries) {
    const std::string note = is_font_type(e.type) ? font_note(bytes, e, file) : "";
    std::printf("%-4s  %6ld  %10llu  %10llu%s%s\n", printable_type(e.type).c_str(), e.id,
                static_cast<unsigned long long>(e.offset), static_cast<unsigned long long>(e.size),
                note.empty() ? "" : "  ", note.c_str());
  }
  std::printf("\n");
  return 0;
}
