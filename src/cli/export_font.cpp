#include "cli/export_font.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/messages.h"
#include "font/font_image.h"
#include "text/text_font.h"

namespace {

// Opening a FIFO for reading waits for a writer, and a socket cannot be
// read as a file; both are refused before fopen could hang on them.
bool is_stream_special(const char* path) {
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(path, ec);
  return !ec && (std::filesystem::is_fifo(st) || std::filesystem::is_socket(st));
}

const char* read_input(const char* infile, long offset, FontImage* image) {
  if (is_stream_special(infile)) return kErrInputRead;
  FILE* in = std::fopen(infile, "rb");
  if (!in) return kErrInputOpen;
  const char* err = read_font_resource(in, offset, image);
  std::fclose(in);
  return err;
}

const char* write_output(const char* outfile, const FontImage& image) {
  FILE* out = std::fopen(outfile, "w");
  if (!out) return kErrOutputOpen;
  const char* err = write_text_font(out, image);
  // Closing flushes the buffer, so a full disk may show only here.
  if (std::fclose(out) != 0 && !err) err = kErrOutputWrite;
  return err;
}

}  // namespace

const char* export_font(const char* infile, const char* outfile, long offset) {
  FontImage image;
  if (const char* err = read_input(infile, offset, &image)) return err;
  if (const char* err = write_output(outfile, image)) return err;
  std::printf("%d glyphs exported.\n\n", image.rangeCount);
  return nullptr;
}
