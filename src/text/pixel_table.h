// The characters of every strip byte's eight pixels, '#' for a set bit and
// '-' for a clear one, the most significant bit first.
#ifndef GLYFEX_TEXT_PIXEL_TABLE_H
#define GLYFEX_TEXT_PIXEL_TABLE_H

// pixels holds the eight characters; rows holds them followed by a line
// feed, sixteen bytes in all, for a row of a narrow glyph written in one
// store.
struct PixelTable {
  char pixels[256][8];
  alignas(16) char rows[256][16];
};

constexpr PixelTable make_pixel_table() {
  PixelTable t{};
  for (int byte = 0; byte < 256; ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      t.pixels[byte][bit] = t.rows[byte][bit] = (byte & (0x80 >> bit)) != 0 ? '#' : '-';
    }
    t.rows[byte][8] = '\n';
  }
  return t;
}

inline constexpr PixelTable kPixelTable = make_pixel_table();

#endif
