#include "cli/export_font.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "cli/messages.h"
#include "cli/output_file.h"
#include "font/font_image.h"
#include "text/text_font.h"

namespace {

// The input is opened without waiting (a FIFO would wait for a writer) and
// then judged by what was opened, not by its path: only regular files and
// block devices have a size and can be read at an offset.
const char* read_input(const char* infile, const char* outfile, long offset, FontImage* image) {
  const int fd = open(infile, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  // A socket cannot be opened at all; it is no file to read.
  if (fd < 0) return errno == ENXIO ? kErrInputRead : kErrInputOpen;
  struct stat st;
  const char* err = nullptr;
  if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    err = kErrInputRead;
  } else if (same_file(outfile, st)) {
    err = kErrSameFile;
  }
  FILE* in = err == nullptr ? fdopen(fd, "rb") : nullptr;
  if (in == nullptr) {
    close(fd);
    return err != nullptr ? err : kErrInputRead;
  }
  err = read_font_resource(in, offset, image);
  std::fclose(in);
  return err;
}

const char* write_output(const char* outfile, const FontImage& image) {
  OutputFile out;
  if (const char* err = open_output(outfile, &out)) return err;
  if (const char* err = close_output(&out, write_text_font(out.fd, image))) return err;
  return commit_output(&out);
}

}  // namespace

const char* export_font(const char* infile, const char* outfile, long offset) {
  FontImage image;
  if (const char* err = read_input(infile, outfile, offset, &image)) return err;
  if (const char* err = write_output(outfile, image)) return err;
  std::printf("%d glyphs exported.\n\n", image.rangeCount);
  return nullptr;
}
