// Builds font resources for tests from a readable description.
#ifndef GLYFEX_TESTS_FONT_BUILDER_H
#define GLYFEX_TESTS_FONT_BUILDER_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "font/charset.h"
#include "font/font_image.h"
#include "os/os.h"

// One glyph: its rows drawn with '#' and '-' (all the same length), or, for a
// font with no rows, just its image width. Width and offset bytes default to
// the image width and 0. Code -1 is the missing-character glyph.
struct GlyphModel {
  int code;
  std::vector<std::string> rows;
  int columns = -1;  // image width when rows is empty
  int widthByte = -1000;
  int offsetByte = 0;
};

// Everything the encoder writes, field for field. make_font fills it from
// glyphs; a test may then change any field to damage the resource.
struct FontModel {
  FontHeader header{};
  std::vector<std::string> strip;  // fRectHeight rows, rowWords * 16 columns
  std::vector<uint16_t> locations;  // range count + 1 entries, + 2 with a missing glyph
  std::vector<OffsetWidth> offsetWidths;  // range count entries, + 1 with a missing glyph
  std::vector<uint8_t> prefix;  // bytes before the resource
  std::vector<uint8_t> suffix;  // bytes after it
  int owGapWords = 0;  // words between the location and offset/width tables
  // Puts the offset/width table first in the file, before prefix and header,
  // as a font too large for a positive owTLoc needs. prefix must be even.
  bool owBeforeHeader = false;
  // The extended layout, when densities is not empty: the version, the
  // density list, the tables, then each density's strip in list order.
  std::vector<int> densities;
  int version = 1;
  std::vector<std::string> strip144;  // 2 * fRectHeight rows, rowWords * 32 columns
  // floor(1.5 ascent) + floor(1.5 descent) rows, 16 * ceil(1.5 rowWords)
  // columns.
  std::vector<std::string> strip108;
  // The little-endian layout of Palm OS 5's system fonts: the numbers low
  // byte first, two bytes of padding after the density count and inside
  // each density entry.
  bool little = false;
};

// m in the extended layout with the densities given (72, 108, 144, any of
// them). The 144 dpi strip is m's strip with every pixel doubled, then
// every other pixel of each odd row flipped; the 108 dpi strip has each
// pixel from the 72 dpi pixel two thirds of its row and column in, then
// every fifth along its diagonals flipped, in the columns some glyph
// covers; without 72 m's strip is dropped. Only columns some glyph covers
// flip.
FontModel make_extended(FontModel m, const std::vector<int>& densities);

// The strip of the model at a density (72, 108 or 144).
const std::vector<std::string>& model_strip(const FontModel& m, int dpi);

// Where the header starts in the encoded file.
long font_offset(const FontModel& m);

FontModel make_font(int first, int last, int height, const std::vector<GlyphModel>& glyphs);

// The file: prefix, header (owTLoc computed from the layout), strip,
// location table, gap, offset/width table, suffix.
std::vector<uint8_t> encode_font(const FontModel& m);

void put16(std::vector<uint8_t>* bytes, size_t pos, int value);

// Runs a shell command; returns what it printed and sets *status to its
// exit status (-1 when it did not exit). POSIX only.
std::string run_shell(const std::string& command, int* status);

// A shell prefix that keeps the command's memory under mib MiB: a ulimit,
// or under AddressSanitizer (which reserves far more address space than a
// ulimit allows) its allocator's own limit on each allocation.
std::string memory_limit(long mib);

// True when the build's sanitizer handles SIGSEGV, SIGBUS and SIGFPE
// itself (to report them), so that glyfex leaves them to it.
bool sanitizer_handles_faults();

// Runs write on a new scratch file in the temporary folder and returns what
// it wrote; *err receives write's result.
std::string text_written(const std::function<Fault(OsFile)>& write, Fault* err);

// The whole file at path; empty when it cannot be read.
std::string read_file(const std::string& path);

// Writes bytes to a new file at path; false when that fails.
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);

// A resource for the container builders below.
struct ResourceModel {
  std::string type;  // four characters
  int id;
  std::vector<uint8_t> bytes;
};

// A Palm resource database: header, resource list, two pad bytes, data.
std::vector<uint8_t> encode_prc(const std::vector<ResourceModel>& resources);

// A Palm record database: header, record list, two pad bytes, records.
std::vector<uint8_t> encode_pdb(const std::vector<std::vector<uint8_t>>& records);

// A Macintosh resource fork: header, data (each a length and bytes), map
// with one type entry per type in order of first appearance.
std::vector<uint8_t> encode_resource_fork(const std::vector<ResourceModel>& resources);

// A MacBinary II file with an empty data fork around a resource fork.
std::vector<uint8_t> encode_macbinary(const std::vector<uint8_t>& fork);

// The message a fault prints, "" for none.
inline std::string message_of(Fault fault) { return fault == Fault::kNone ? "" : fault_text(fault); }

// A database of a ROM image: its resources, or its records (when records
// is set, the resources' bytes are the records and their types unused).
struct RomDatabaseModel {
  std::string name;
  std::string type, creator;
  bool records = false;
  std::vector<ResourceModel> entries;
};

// A ROM image: one card, or a small card and a big card at 0x8000; both
// big-endian 68k cards, or one little-endian ARM card. loopDirectory makes
// the directory chain to itself; badDirectory points it at no chunk.
struct RomModel {
  std::vector<RomDatabaseModel> small, big;  // small: the small ROM's, when there are two cards
  bool little = false;
  bool loopDirectory = false;
  bool badDirectory = false;
  // Damage and bulk for the costs a ROM may force: the directory names each
  // database this many times, each entry list's next pointer leads back to
  // its own header, the heap list names the heap this many times, the card
  // lies at this bus address, and this many empty chunks of 8 bytes fill
  // the heap.
  int directoryRepeats = 1;
  bool loopEntries = false;
  int heapRepeats = 1;
  uint32_t address = 0x10C08000;
  size_t emptyChunks = 0;
};

std::vector<uint8_t> encode_rom(const RomModel& m);

// A font map (fntm): its header (fontType 0xC000, codes 0 to 0xFFFF, the
// line's height, ascent and descent), then for each first byte its state
// (1 a whole character, 2 a lead byte) and the place in the font index's
// list of ids of its font.
struct FontMapModel {
  int height = 3, ascent = 2, descent = 1;
  uint8_t state[256] = {};
  uint16_t value[256] = {};
};

std::vector<uint8_t> encode_font_map(const FontMapModel& m);

// A font index (fnti): a (type, id) pair for each FontID, then the ids
// font maps name by their place.
std::vector<uint8_t> encode_font_index(const std::vector<std::pair<std::string, int>>& fonts, const std::vector<int>& ids);

// Runs the reader and the BDF writer with the charset: "" or the message,
// and the BDF of each density ("" for a density the font lacks).
std::string convert_bdf(const std::vector<uint8_t>& bytes, long offset, Charset charset, std::string* bdf72,
                        std::string* bdf144 = nullptr, const char* family = "test", std::string* bdf108 = nullptr);

// Runs the reader and writer in memory. Returns the message or "" and the
// text of each density ("" for a density the font lacks).
std::string convert_bytes(const std::vector<uint8_t>& bytes, long offset, std::string* text,
                          std::string* text144 = nullptr, std::string* text108 = nullptr);

#endif
