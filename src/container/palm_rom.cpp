// Palm OS ROM images, read by their own structure: one or two cards (a
// small ROM and a big ROM), each a card header, a storage header, a heap
// list, heaps of chunks, a database directory and a header per database
// with its resource or record list. Addresses are the device's bus
// addresses; a chunk is known by the address of its data. 68k ROMs are
// big-endian and packed to two bytes; the Palm OS 5 simulator's ARM ROM is
// little-endian and aligned. Every count and address is checked against
// the file before it is followed, and every chain is bounded.
#include <algorithm>
#include <cstring>

#include "container/container_kind.h"

namespace {

constexpr uint32_t kCardSignature = 0xFEEDBEEF;
constexpr uint32_t kStoreSignature = 0xFEEDFACE;
constexpr size_t kCardBytes = 0x200;  // the card header and the storage header
constexpr int kMaxCards = 2;
constexpr uint16_t kMaxHeaps = 64;

// A chunk's data: its address, its length, the card that holds it, and
// whether something has named it yet. Eight bytes, as a ROM of small
// chunks has millions.
struct Chunk {
  uint32_t address;
  uint32_t bits;  // the length (24 bits), the card (bit 24), named (bit 31)
};

constexpr uint32_t kChunkSize = 0xFFFFFF;
constexpr uint32_t kChunkCard = 1u << 24;
constexpr uint32_t kChunkNamed = 1u << 31;

// Where the heaps are read from: a megabyte of the file at a time, as a
// heap of small chunks takes one read of a few bytes per chunk.
constexpr size_t kWindowBytes = size_t{1} << 20;

struct Rom {
  const ByteSource* file;
  bool little;
  std::unique_ptr<Chunk[], FreeBytes> chunks;  // of every card, sorted by address
  size_t chunkCount;
  size_t chunkCapacity;
  uint64_t cardOffset[kMaxCards];
  uint32_t cardAddress[kMaxCards];
  std::unique_ptr<uint8_t[], FreeBytes> window;
  uint64_t windowAt;
  size_t windowBytes;
};

uint16_t u16(const Rom& rom, const uint8_t* p) {
  return rom.little ? static_cast<uint16_t>(p[0] | p[1] << 8) : static_cast<uint16_t>(swap16(p));
}

uint32_t u32(const Rom& rom, const uint8_t* p) {
  return rom.little ? (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]) : swap32(p);
}

// A four-character code, stored as a number in the image's byte order.
void four_cc(const Rom& rom, const uint8_t* p, char (&out)[4]) {
  const uint32_t v = u32(rom, p);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(v >> (24 - 8 * i));
}

bool read(const Rom& rom, uint64_t pos, void* dst, size_t n) {
  return fits(*rom.file, static_cast<int64_t>(pos), n) && read_at(*rom.file, static_cast<int64_t>(pos), dst, n) == Fault::kNone;
}

// The n bytes at pos (n at most a few), from the window, which moves on
// when they lie outside it; nullptr when they lie outside the file.
const uint8_t* window_at(Rom* rom, uint64_t pos, size_t n) {
  if (pos >= rom->windowAt && pos - rom->windowAt + n <= rom->windowBytes) return rom->window.get() + (pos - rom->windowAt);
  if (!fits(*rom->file, static_cast<int64_t>(pos), n)) return nullptr;
  if (!rom->window) {
    rom->window.reset(static_cast<uint8_t*>(std::malloc(kWindowBytes)));
    if (!rom->window) return nullptr;
  }
  rom->windowAt = pos;
  rom->windowBytes = static_cast<size_t>(std::min<uint64_t>(kWindowBytes, rom->file->size - pos));
  if (read_at(*rom->file, static_cast<int64_t>(pos), rom->window.get(), rom->windowBytes) != Fault::kNone) {
    rom->windowBytes = 0;
    return nullptr;
  }
  return rom->window.get();
}

// The file offset of an address on the card at card_offset, whose address
// is card_address; false when it lies outside the file.
bool offset_of(const Rom& rom, uint32_t address, uint32_t card_address, uint64_t card_offset, uint64_t* offset) {
  if (address < card_address) return false;
  *offset = card_offset + (address - card_address);
  return *offset < rom.file->size;
}

uint32_t chunk_size(const Chunk& c) { return c.bits & kChunkSize; }

uint64_t chunk_offset(const Rom& rom, const Chunk& c) {
  const int card = (c.bits & kChunkCard) != 0 ? 1 : 0;
  return rom.cardOffset[card] + (c.address - rom.cardAddress[card]);
}

bool add_chunk(Rom* rom, const Chunk& c) {
  if (!grow(&rom->chunks, rom->chunkCount, &rom->chunkCapacity, 1024)) return false;
  rom->chunks[rom->chunkCount++] = c;
  return true;
}

// The chunk whose data lies at address, claimed for the one thing that
// names it: nullptr when there is none, or when something named it
// before (a database, list or resource named twice, a chain that comes
// back to where it has been), which is damage.
Chunk* claim(Rom* rom, uint32_t address) {
  Chunk* begin = rom->chunks.get();
  Chunk* end = begin + rom->chunkCount;
  Chunk* c = std::lower_bound(begin, end, address, [](const Chunk& x, uint32_t a) { return x.address < a; });
  if (c == end || c->address != address || (c->bits & kChunkNamed) != 0) return nullptr;
  c->bits |= kChunkNamed;
  return c;
}

// Walks one heap's chunks, which must add up to exactly its size: the
// first test that the card address and the heap are what they seem. An
// address past the bus's 32 bits is damage too.
Fault walk_heap(Rom* rom, uint64_t heap, int card, uint64_t* heap_end) {
  const uint32_t card_address = rom->cardAddress[card];
  const uint64_t card_offset = rom->cardOffset[card];
  uint8_t head[20];
  if (!read(*rom, heap, head, sizeof head)) return Fault::kScanDamaged;
  const uint16_t flags = u16(*rom, head);
  // Versions 2 to 4; version 1 heaps (Palm OS 1 and 2) are not read.
  if ((flags & 0xE000) == 0) return Fault::kScanDamaged;
  const bool v2 = (flags & 0x8000) != 0;
  size_t header = v2 ? 12 : 16;
  uint32_t size = u32(*rom, head + 2);
  uint16_t entries = u16(*rom, head + (v2 ? 6 : 10));
  if (rom->little) {
    header = 20;
    size = u32(*rom, head + 4);
    entries = u16(*rom, head + 16);
  }
  const uint64_t end = heap + size;
  if (end > rom->file->size) return Fault::kScanDamaged;
  *heap_end = std::max(*heap_end, end);
  uint64_t pos = heap + header + 4u * entries;
  // Each chunk takes at least 8 bytes, so the walk is bounded by the size.
  for (;;) {
    const uint8_t* word = pos + 4 <= end ? window_at(rom, pos, 4) : nullptr;
    if (word == nullptr) return Fault::kScanDamaged;
    const uint32_t first = u32(*rom, word);
    const uint32_t chunk = first & 0xFFFFFF;
    if (chunk == 0) return pos + 4 == end ? Fault::kNone : Fault::kScanDamaged;
    const uint32_t adjust = (first >> 24) & 0xF;
    if (chunk < 8 || chunk - 8 < adjust || chunk > end - pos) return Fault::kScanDamaged;
    const bool free = (first & 0x80000000u) != 0;
    const uint64_t data = pos + 8;
    if (!free) {
      const uint64_t address = card_address + (data - card_offset);
      if (address > 0xFFFFFFFFu) return Fault::kScanDamaged;
      const uint32_t bits = (chunk - 8 - adjust) | (card == 1 ? kChunkCard : 0);
      if (!add_chunk(rom, Chunk{static_cast<uint32_t>(address), bits})) return Fault::kScanMemory;
    }
    pos += chunk;
  }
}

// The heaps of the card, its offset and address set: each heap at most
// once, as one named twice would list its chunks twice.
Fault walk_heaps(Rom* rom, uint32_t heap_list, int card, uint64_t* heap_end) {
  uint64_t at = 0;
  uint8_t count[2];
  const uint32_t card_address = rom->cardAddress[card];
  const uint64_t card_offset = rom->cardOffset[card];
  if (!offset_of(*rom, heap_list, card_address, card_offset, &at) || !read(*rom, at, count, 2)) {
    return Fault::kScanDamaged;
  }
  const uint16_t heaps = u16(*rom, count);
  if (heaps < 1 || heaps > kMaxHeaps) return Fault::kScanDamaged;
  const size_t first = rom->little ? 4 : 2;
  uint64_t walked[kMaxHeaps];
  for (uint16_t i = 0; i < heaps; ++i) {
    uint8_t entry[4];
    uint64_t heap = 0;
    if (!read(*rom, at + first + 4u * i, entry, 4) ||
        !offset_of(*rom, u32(*rom, entry), card_address, card_offset, &heap) ||
        std::find(walked, walked + i, heap) != walked + i) {
      return Fault::kScanDamaged;
    }
    walked[i] = heap;
    if (const Fault err = walk_heap(rom, heap, card, heap_end); err != Fault::kNone) return err;
  }
  return Fault::kNone;
}

// What a card's headers say, once they passed the checks that make a file a
// ROM image.
struct Card {
  uint64_t offset;
  uint32_t address;
  uint32_t bigRom;  // bigROMOffset: the big ROM's address
  uint32_t directory;  // databaseDirID
};

// The card at offset: both signatures, a header version from 1 to 255, not
// RAM-only, and (68k) an initial stack below 1 MiB; then the first card
// address under which its heaps add up, and an image size that ends where
// they do.
Fault read_card(Rom* rom, uint64_t offset, int index, Card* card) {
  uint8_t h[kCardBytes];
  if (!read(*rom, offset, h, sizeof h)) return Fault::kScanUnknown;
  const uint32_t signature = swap32(h + 8);
  if (signature != kCardSignature && signature != 0xEFBEEDFE) return Fault::kScanUnknown;
  rom->little = signature != kCardSignature;
  const uint16_t version = u16(*rom, h + 0x0C), flags = u16(*rom, h + 0x0E);
  const uint32_t stack = u32(*rom, h);
  if (u32(*rom, h + 0x100) != kStoreSignature || version < 1 || version > 255 || (flags & 1) != 0 ||
      (!rom->little && (stack == 0 || stack > 0xFFFFF))) {
    return Fault::kScanUnknown;
  }
  const uint32_t block_list = u32(*rom, h + 0x58), heap_list = u32(*rom, h + 0x100 + 0x30);
  card->offset = offset;
  card->bigRom = version >= 2 ? u32(*rom, h + 0x68) : 0;
  card->directory = u32(*rom, h + 0x100 + 0x3C);
  const uint32_t image = u32(*rom, h + 0x6C);
  const uint32_t candidates[] = {card->bigRom, block_list - 0x200, heap_list - 0x208};
  const size_t chunks_before = rom->chunkCount;
  rom->cardOffset[index] = offset;
  for (int i = version >= 2 ? 0 : 1; i < 3; ++i) {
    rom->chunkCount = chunks_before;
    card->address = rom->cardAddress[index] = candidates[i];
    uint64_t heap_end = 0;
    const Fault err = walk_heaps(rom, heap_list, index, &heap_end);
    if (err == Fault::kScanMemory) return err;
    // The image ends where its heaps do.
    if (err == Fault::kNone && (version < 2 || heap_end - offset == image)) return Fault::kNone;
  }
  rom->chunkCount = chunks_before;
  return Fault::kScanDamaged;
}

struct Lists {
  ResourceList* list;
  size_t entryCapacity, databaseCapacity, regionCapacity;
};

// One database: its header, then its entry lists, chained; every chunk
// named once.
Fault read_database(Rom* rom, const Chunk& header, Lists* l) {
  const size_t first = rom->little ? 0x50 : 0x4E;
  uint8_t h[0x50];
  const uint64_t header_at = chunk_offset(*rom, header);
  if (chunk_size(header) < first || !read(*rom, header_at, h, first)) return Fault::kScanDamaged;
  ResourceList* list = l->list;
  if (!grow(&list->databases, list->databaseCount, &l->databaseCapacity)) return Fault::kScanMemory;
  RomDatabase& db = list->databases[list->databaseCount++];
  std::memcpy(db.name, h, 32);
  db.name[32] = '\0';
  four_cc(*rom, h + 0x3C, db.type);
  four_cc(*rom, h + 0x40, db.creator);
  const auto number = static_cast<uint32_t>(list->databaseCount);
  const bool resources = (u16(*rom, h + 0x20) & 1) != 0;
  const size_t entry_bytes = resources ? (rom->little ? 12 : 10) : 8;
  uint32_t next = u32(*rom, h + 0x48);
  uint16_t count = u16(*rom, h + 0x4C);
  uint64_t at = header_at + first;
  uint64_t available = chunk_size(header) - first;
  long index = 0;
  for (;;) {
    if (uint64_t{count} * entry_bytes > available) return Fault::kScanDamaged;
    for (uint16_t i = 0; i < count; ++i, ++index) {
      uint8_t e[12];
      if (!read(*rom, at + i * entry_bytes, e, entry_bytes)) return Fault::kScanDamaged;
      RomRegion r{0, 0, number, {}, index};
      uint32_t id_at = resources ? 6 : 0;
      if (resources) {
        four_cc(*rom, e, r.type);
        r.id = u16(*rom, e + 4);
        id_at = rom->little ? 8 : 6;
      }
      const uint32_t local = u32(*rom, e + id_at);
      if (local == 0) continue;
      const Chunk* c = claim(rom, local);
      if (c == nullptr) return Fault::kScanDamaged;
      r.offset = chunk_offset(*rom, *c);
      r.size = chunk_size(*c);
      if (!grow(&list->regions, list->regionCount, &l->regionCapacity)) return Fault::kScanMemory;
      list->regions[list->regionCount++] = r;
      if (!resources || !(is_font_type(r.type) || is_unread_font_type(r.type) || is_font_index_type(r.type) ||
                         is_font_map_type(r.type))) {
        continue;
      }
      if (!grow(&list->entries, list->count, &l->entryCapacity)) return Fault::kScanMemory;
      ResourceEntry& entry = list->entries[list->count++];
      entry = ResourceEntry{{}, r.id, r.offset, r.size, EntryFault::kNone, false, number, nullptr};
      std::memcpy(entry.type, r.type, 4);
    }
    // More entries in another chunk: a next id, a count, the entries.
    if (next == 0) return Fault::kNone;
    const Chunk* more = claim(rom, next);
    uint8_t m[6];
    if (more == nullptr || chunk_size(*more) < 6 || !read(*rom, chunk_offset(*rom, *more), m, 6)) {
      return Fault::kScanDamaged;
    }
    next = u32(*rom, m);
    count = u16(*rom, m + 4);
    at = chunk_offset(*rom, *more) + 6;
    available = chunk_size(*more) - 6;
  }
}

// The database directory: a next id, a count and the databases' header
// ids, chained; every chunk named once.
Fault read_directory(Rom* rom, uint32_t directory, Lists* l) {
  const size_t first = rom->little ? 8 : 6;
  while (directory != 0) {
    const Chunk* dir = claim(rom, directory);
    uint8_t h[8];
    if (dir == nullptr || chunk_size(*dir) < first || !read(*rom, chunk_offset(*rom, *dir), h, first)) {
      return Fault::kScanDamaged;
    }
    directory = u32(*rom, h);
    const uint16_t count = u16(*rom, h + 4);
    if (first + 4u * count > chunk_size(*dir)) return Fault::kScanDamaged;
    const uint64_t ids = chunk_offset(*rom, *dir) + first;
    for (uint16_t i = 0; i < count; ++i) {
      uint8_t id[4];
      if (!read(*rom, ids + 4u * i, id, 4)) return Fault::kScanDamaged;
      const Chunk* header = claim(rom, u32(*rom, id));
      if (header == nullptr) return Fault::kScanDamaged;
      if (const Fault err = read_database(rom, *header, l); err != Fault::kNone) return err;
    }
  }
  return Fault::kNone;
}

// The system fonts' names, in FontID order.
const char* const kSystemFonts[] = {"stdFont",      "boldFont",     "largeFont", "symbolFont",
                                    "symbol11Font", "symbol7Font",  "ledFont",   "largeBoldFont"};

// The map from FontID to resource (fnti, or afti in an ARM ROM): a count,
// then (type, id) pairs in FontID order, each padded in the ARM form.
// Names the fonts it maps.
void name_system_fonts(const Rom& rom, ResourceList* list) {
  for (size_t m = 0; m < list->count; ++m) {
    const ResourceEntry& map = list->entries[m];
    if (!is_font_index_type(map.type) || map.size < 2) continue;
    uint8_t bytes[4 + 12 * 8] = {};
    const size_t n = std::min<uint64_t>(map.size, sizeof bytes);
    if (!read(rom, map.offset, bytes, n)) continue;
    const size_t first = rom.little ? 4 : 2, pair = rom.little ? 8 : 6;
    const size_t count = std::min<size_t>(u16(rom, bytes), sizeof kSystemFonts / sizeof kSystemFonts[0]);
    for (size_t f = 0; f < count && first + pair * (f + 1) <= n; ++f) {
      char type[4];
      four_cc(rom, bytes + first + pair * f, type);
      const long id = u16(rom, bytes + first + pair * f + 4);
      for (size_t i = 0; i < list->count; ++i) {
        ResourceEntry& e = list->entries[i];
        if (e.id == id && std::memcmp(e.type, type, 4) == 0) e.fontName = kSystemFonts[f];
      }
    }
  }
}

}  // namespace

Fault read_palm_rom(const ContainerInput& in, ResourceList* list) {
  Rom rom{in.file, false, nullptr, 0, 0, {}, {}, nullptr, 0, 0};
  Card cards[kMaxCards];
  // The kind says the image's byte order, which its fonts share.
  const Fault card = read_card(&rom, 0, 0, &cards[0]);
  if (card != Fault::kScanUnknown) list->kind = rom.little ? "Palm OS ROM image, little-endian" : "Palm OS ROM image, big-endian";
  if (card != Fault::kNone) return card;
  int count = 1;
  // A small ROM leads to the big ROM, a card of its own further on.
  if (cards[0].bigRom != cards[0].address && cards[0].bigRom > cards[0].address) {
    const uint64_t big = cards[0].bigRom - cards[0].address;
    if (const Fault err = read_card(&rom, big, 1, &cards[1]); err != Fault::kNone) {
      return err == Fault::kScanMemory ? err : Fault::kScanDamaged;
    }
    count = 2;
  }
  std::sort(rom.chunks.get(), rom.chunks.get() + rom.chunkCount,
            [](const Chunk& a, const Chunk& b) { return a.address < b.address; });
  Lists lists{list, 0, 0, 0};
  for (int c = 0; c < count; ++c) {
    if (const Fault err = read_directory(&rom, cards[c].directory, &lists); err != Fault::kNone) return err;
  }
  // A ROM's databases are listed, even when it has none.
  if (!list->databases && !allocate(&list->databases, 0)) return Fault::kScanMemory;
  name_system_fonts(rom, list);
  // The maps name fonts; they are none themselves.
  size_t kept = 0;
  for (size_t i = 0; i < list->count; ++i) {
    if (!is_font_index_type(list->entries[i].type)) list->entries[kept++] = list->entries[i];
  }
  list->count = kept;
  std::sort(list->regions.get(), list->regions.get() + list->regionCount,
            [](const RomRegion& a, const RomRegion& b) { return a.offset < b.offset; });
  list->searchContents = true;
  return Fault::kNone;
}
