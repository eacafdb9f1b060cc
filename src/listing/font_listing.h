// The listing of a file, computed once, from which every output of
// glyfex-scan is written: its entries, and for every font glyfex's own
// verdict on it, the name of the texts its command writes, the densities of
// its family and the id PilRC builds it with.
#ifndef GLYFEX_LISTING_FONT_LISTING_H
#define GLYFEX_LISTING_FONT_LISTING_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "font/charset.h"
#include "font/font_image.h"
#include "container/container.h"

constexpr size_t kNoPartner = static_cast<size_t>(-1);

// How many glyphs of its sample line the page's contents show of each
// font.
constexpr int kGlimpseGlyphs = 12;

// Room for a text's name: a ROM database's name, a type, an id, an offset.
constexpr size_t kNameBytes = 96;

// What the listing says of an entry.
enum class Verdict {
  kNoFont,  // an entry that holds no font
  kConverts,  // glyfex converts the font: the line has a command
  kRefused,  // glyfex refuses the font, with the message in refusal
  kOutside,  // the entry's bytes lie outside the file
  kInsideList,  // the entry points into the database's own list
  kLittleEndian,  // a font made for ARM devices
  kLittleEndianInRom,  // the same in a ROM image, which is read all the same
};

struct ListingLine {
  size_t entry;  // the resource or record the line is about
  uint64_t offset;
  uint64_t size;
  Verdict verdict;
  Fault refusal;  // why glyfex refuses it, for kRefused
  bool hasDensity[kDensities];  // the densities of this font
  ByteOrder byteOrder;
  bool familyDensity[kDensities];  // with those of the font sharing its name
  int rangeCount;  // the codes in the font's range
  Charset charset;  // what its codes stand for
  int height;  // fRectHeight
  // A glimpse of the font for the page's contents: the glyphs of the
  // start of its sample line, set at the first density it has, each at its
  // pen position.
  int glimpseDensity;
  int glimpseRows;  // of the image at that density
  int glimpseCount;
  int16_t glimpseCodes[kGlimpseGlyphs];  // -1 for the missing-character glyph
  int16_t glimpseX[kGlimpseGlyphs];
  int16_t glimpseLeft, glimpseRight;
  uint64_t inkOutside[kDensities];  // set pixels in no glyph's columns
  bool inkCounted;  // false when counting would have cost too much
  // What the font is, whatever entry leads to it: its header, tables and
  // where its strips lie; the first line of the same font, or kNoPartner.
  uint64_t identity;
  size_t sameAs;
  char name[kNameBytes];  // the text is name.txt, its 144 dpi text name-144.txt
  size_t partner;  // the line sharing the name (the other density), or kNoPartner
  long fontId;  // the id of its FONT line or FONTFAMILY block
  bool idReplaced;  // fontId replaces an id PilRC cannot take
  // A font map, written as one BDF font: how many fonts it names and
  // characters its BDF holds, and where the ids of those fonts lie in the
  // listing's mapIds.
  bool map;
  int mapFonts, mapCharacters;
  size_t mapIdsAt;
  // A piece of a font map: the lead byte of a subfont (-1 for none), and
  // what the listing calls it (its map's font and lead byte).
  int lead;
  char pieceLabel[24];
};

// What the listings of one run of many files share.
struct ListingRun {
  size_t files;  // listed or failed so far
  bool failed;  // a file could not be listed
  size_t noFont;  // files found by walking a folder that hold no font
  int nextFontId;  // --rcp: the next PilRC font id
  std::unique_ptr<long[], FreeBytes> usedIds;  // --rcp: resource ids given, sorted
  size_t usedCount;
  size_t usedCapacity;
};

struct Listing {
  const char* program;  // the glyfex the commands run
  const char* file;  // the file as named on the command line
  bool bdf;  // the commands make BDF fonts, not texts
  ListingRun* run;  // one of many files, or nullptr for a file alone
  size_t index;  // its place in the run
  const char* textFolder;  // where its texts go ("mulg.prc.fonts/"), or nullptr
  Fault fault;  // why the file could not be listed, in a run
  bool noFont;  // of no known kind and no font, found by walking a folder
  ByteSource source;  // the file, for outputs that draw the fonts
  // Told of each font an output that reads the fonts again (the page)
  // could no longer read, as when the file changed meanwhile; or nullptr.
  void (*unreadable)(const Listing& listing, const ListingLine& line, Fault err);
  ReadCache cache;  // the source's windows for small reads, while it is open
  std::unique_ptr<uint8_t[], FreeBytes> cacheBytes;
  ResourceList resources;  // kind nullptr: no known kind, searched by contents
  Fault damage;  // why the kind's table could not be read, or nullptr
  size_t tableEntries;  // the entries of the file's table; found fonts follow
  bool searched;  // the contents were searched
  std::unique_ptr<ListingLine[], FreeLarge> lines;  // on huge pages where there are many
  size_t count;
  std::unique_ptr<long[], FreeBytes> mapIds;  // the fonts of every font map, map after map
  size_t mapIdCount, mapIdCapacity;
};

// The words the listing shows for a verdict: nullptr for a font glyfex
// converts, "" for an entry that holds none.
const char* verdict_text(const ListingLine& line);

// The words the listing shows for an entry whose bytes cannot be had.
const char* entry_fault_text(EntryFault fault);

inline bool has_command(const ListingLine& line) { return line.verdict == Verdict::kConverts; }

// True for a line of a font found by its contents.
bool found_by_contents(const Listing& listing, const ListingLine& line);

// A name made safe for a file, at most room bytes with its end: letters,
// digits, '.' and '-' stay (and '/' between folders, where folders), every
// other byte becomes '_'.
void put_safe_name(char* out, size_t room, const char* name, bool folders);

// How many lines are of fonts found by their contents.
size_t fonts_found_by_contents(const Listing& listing);

// One line per entry, and a second line for a record whose font is
// followed, inside the record, by another font glyfex converts (FontForge
// stores a 72 dpi font and its 144 dpi font so). Each font is probed by
// glyfex's reader in the whole file, as glyfex would read it. Takes over
// the resource list.
Fault list_fonts(ResourceList resources, Listing* listing);

#endif
