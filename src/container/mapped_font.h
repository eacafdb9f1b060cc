// A font map's fonts, found where the map lies: the database (or ROM
// database) that holds it, that database's font index, and each font the
// map names there. The BDF of a mapped font is written from what this
// reads, as any font's is from the font reader's image.
#ifndef GLYFEX_CONTAINER_MAPPED_FONT_H
#define GLYFEX_CONTAINER_MAPPED_FONT_H

#include <cstdint>

#include "container/container.h"
#include "font/font_map.h"

// Reads the map at offset in the file and every font it names: probed
// only, or with their strips loaded when load is set. Returns Fault::kNone,
// kFontMapFonts when the file holds no container with the map in it, no
// font index beside it or no single-byte font, or a fault of reading.
// Fonts the map names that the file lacks or that are damaged are left
// out, and said in the font's missing list.
Fault read_mapped_font(const ByteSource& file, int64_t offset, bool load, MappedFont* font);

// The same for a map of a listed file, whose resources are already known.
Fault read_mapped_font(const ByteSource& file, const ResourceList& list, int64_t offset, bool load, MappedFont* font);

#endif
