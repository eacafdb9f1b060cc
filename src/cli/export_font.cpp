#include "cli/export_font.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "cli/messages.h"
#include "cli/output_file.h"
#include "font/font_image.h"
#include "text/text_font.h"

namespace {

// The input is opened without waiting (a FIFO would wait for a writer) and
// then judged by what was opened, not by its path: only regular files and
// block devices have a size and can be read at an offset.
const char* read_input(const char* infile, const char* outfile, long offset, FontImage* image, struct stat* st) {
  const int fd = open(infile, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  // A socket cannot be opened at all; it is no file to read.
  if (fd < 0) return errno == ENXIO ? kErrInputRead : kErrInputOpen;
  const char* err = nullptr;
  if (fstat(fd, st) != 0 || !(S_ISREG(st->st_mode) || S_ISBLK(st->st_mode))) {
    err = kErrInputRead;
  } else if (same_file(outfile, *st)) {
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

// Writes the text of every density the font has, each to its own file, and
// puts them in place only when all were written.
const char* write_outputs(const char* const (&paths)[kDensities], const FontImage& image) {
  OutputFile outs[kDensities];
  bool written[kDensities] = {};
  const char* err = nullptr;
  for (int d = 0; d < kDensities && err == nullptr; ++d) {
    if (!image.hasDensity[d]) continue;
    err = open_output(paths[d], &outs[d]);
    if (err == nullptr) err = close_output(&outs[d], write_text_font(outs[d].fd, image, d));
    written[d] = err == nullptr;
  }
  for (int d = 0; d < kDensities; ++d) {
    if (!written[d]) continue;
    if (err != nullptr) {
      discard_output(&outs[d]);
    } else {
      err = commit_output(&outs[d]);
    }
  }
  return err;
}

}  // namespace

const char* export_font(const char* infile, const char* outfile, long offset) {
  FontImage image;
  struct stat input;
  if (const char* err = read_input(infile, outfile, offset, &image, &input)) return err;
  // The 144 dpi text goes beside a text file; an output that is no file
  // (/dev/null, standard output, a FIFO) takes it after the 72 dpi text,
  // instead of a new file beside it such as /dev/null-144.
  char outfile144[PATH_MAX];
  const char* path144 = outfile;
  struct stat out_st;
  if (image.hasDensity[kDensity144] && (stat(outfile, &out_st) != 0 || S_ISREG(out_st.st_mode))) {
    if (!density_path(outfile, outfile144)) return kErrOutputOpen;
    if (same_file(outfile144, input)) return kErrSameFile;
    path144 = outfile144;
  }
  const char* const paths[kDensities] = {outfile, path144};
  if (const char* err = write_outputs(paths, image)) return err;
  if (image.hasDensity[kDensity144]) std::printf("Wrote the 144 dpi image to %s.\n", path144);
  std::printf("%d glyphs exported.\n\n", image.rangeCount);
  return nullptr;
}
