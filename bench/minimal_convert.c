/* The least a program can do to turn a version 1 font resource into the
 * same text as glyfex: read the file, decode, print with stdio. It checks
 * nothing, so it is only for timing against glyfex on a sound font.
 * Usage: minimal_convert infile outfile offset */
#include <stdio.h>
#include <stdlib.h>

static int be16(const unsigned char* p) { return (short)(p[0] << 8 | p[1]); }
static int s8(unsigned char b) { return b < 128 ? b : b - 256; }

static void glyph(FILE* out, const unsigned char* f, const unsigned char* loc, const unsigned char* ow, int i,
                  int name, int height, int row_bytes) {
  int start = (unsigned short)be16(loc + 2 * i), end = (unsigned short)be16(loc + 2 * i + 2);
  int offset = s8(ow[2 * i]), width = s8(ow[2 * i + 1]);
  if (name >= 33 && name <= 126 && name != '\'' && name != '\\') {
    fprintf(out, "GLYPH '%c'\n", name);
  } else {
    fprintf(out, "GLYPH %d\n", name);
  }
  if (width != end - start) fprintf(out, "WIDTH %d\n", width);
  if (offset != 0) fprintf(out, "OFFSET %d\n", offset);
  for (int r = 0; r < height; ++r) {
    const unsigned char* row = f + 26 + r * row_bytes;
    for (int x = start; x < end; ++x) putc(x < row_bytes * 8 && (row[x >> 3] & (0x80 >> (x & 7))) ? '#' : '-', out);
    putc('\n', out);
  }
  putc('\n', out);
}

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  FILE* in = fopen(argv[1], "rb");
  if (!in) return 1;
  static unsigned char data[1 << 20];
  size_t size = fread(data, 1, sizeof data, in);
  fclose(in);
  const unsigned char* f = data + strtol(argv[3], NULL, 10);
  int first = be16(f + 2), last = be16(f + 4), height = be16(f + 14), row_bytes = 2 * be16(f + 24);
  const unsigned char* loc = f + 26 + height * row_bytes;
  const unsigned char* ow = f + 16 + 2 * be16(f + 16);
  int count = last - first + 1;
  int missing = ow == loc + 2 * (count + 2) && ow + 2 * count + 2 <= data + size;
  FILE* out = fopen(argv[2], "w");
  if (!out) return 1;
  fprintf(out, "fontType %u\nmaxWidth %d\nkernMax %d\nnDescent %d\nfRectWidth %d\nfRectHeight %d\nascent %d\n"
          "descent %d\nleading %d\n\n", (unsigned)(unsigned short)be16(f), be16(f + 6), be16(f + 8), be16(f + 10),
          be16(f + 12), height, be16(f + 18), be16(f + 20), be16(f + 22));
  for (int i = 0; i < count; ++i) {
    if ((unsigned short)be16(loc + 2 * i) < (unsigned short)be16(loc + 2 * i + 2)) {
      glyph(out, f, loc, ow, i, first + i, height, row_bytes);
    }
  }
  if (missing && (unsigned short)be16(loc + 2 * count) < (unsigned short)be16(loc + 2 * count + 2)) {
    glyph(out, f, loc, ow, count, -1, height, row_bytes);
  }
  printf("%d glyphs exported.\n\n", count);
  return fclose(out) == 0 ? 0 : 1;
}
