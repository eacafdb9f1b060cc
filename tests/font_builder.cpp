#include "font_builder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "bdf/bdf_font.h"
#include "text/text_font.h"

FontModel make_font(int first, int last, int height, const std::vector<GlyphModel>& glyphs) {
  FontModel m;
  m.header.firstChar = static_cast<int16_t>(first);
  m.header.lastChar = static_cast<int16_t>(last);
  m.header.fRectHeight = static_cast<int16_t>(height);
  m.strip.assign(height, "");
  m.locations.assign(1, 0);
  const bool has_missing = std::any_of(glyphs.begin(), glyphs.end(), [](const GlyphModel& g) { return g.code == -1; });
  // The missing-character glyph, code -1, follows the range in both tables.
  for (int index = first; index <= last + (has_missing ? 1 : 0); ++index) {
    const int code = index > last ? -1 : index;
    int columns = 0;
    OffsetWidth ow{0, 0};
    for (const GlyphModel& g : glyphs) {
      if (g.code != code) continue;
      columns = g.rows.empty() ? g.columns : static_cast<int>(g.rows[0].size());
      for (int r = 0; r < height; ++r) m.strip[r] += g.rows[r];
      ow.offset = static_cast<int8_t>(g.offsetByte);
      ow.width = static_cast<int8_t>(g.widthByte == -1000 ? columns : g.widthByte);
    }
    m.locations.push_back(static_cast<uint16_t>(m.locations.back() + columns));
    m.offsetWidths.push_back(ow);
  }
  const size_t columns = m.locations.back();
  m.header.rowWords = static_cast<int16_t>((columns + 15) / 16);
  for (std::string& row : m.strip) row.resize(m.header.rowWords * 16, '-');
  m.header.maxWidth = 8;
  m.header.ascent = static_cast<int16_t>(height);
  m.header.fRectWidth = 8;
  return m;
}

void put16(std::vector<uint8_t>* bytes, size_t pos, int value) {
  (*bytes)[pos] = static_cast<uint8_t>((value >> 8) & 0xFF);
  (*bytes)[pos + 1] = static_cast<uint8_t>(value & 0xFF);
}

namespace {
void append16(std::vector<uint8_t>* bytes, int value) {
  bytes->resize(bytes->size() + 2);
  put16(bytes, bytes->size() - 2, value);
}
}  // namespace

long font_offset(const FontModel& m) {
  return static_cast<long>(m.prefix.size() + (m.owBeforeHeader ? m.offsetWidths.size() * 2 : 0));
}

namespace {
void append_strip(std::vector<uint8_t>* out, const std::vector<std::string>& strip) {
  for (const std::string& row : strip) {
    for (size_t x = 0; x < row.size(); x += 8) {
      uint8_t byte = 0;
      for (size_t b = 0; b < 8 && x + b < row.size(); ++b) {
        if (row[x + b] == '#') byte |= static_cast<uint8_t>(0x80 >> b);
      }
      out->push_back(byte);
    }
  }
}
}  // namespace

const std::vector<std::string>& model_strip(const FontModel& m, int dpi) {
  return dpi == 144 ? m.strip144 : dpi == 108 ? m.strip108 : m.strip;
}

std::vector<uint8_t> encode_font(const FontModel& m) {
  const FontHeader& h = m.header;
  const bool extended = !m.densities.empty();
  const bool little = m.little;
  // The list's entries: 6 bytes big-endian, 8 little-endian, after a list
  // start of 30 or 32.
  const size_t list_at = little ? 32 : 30, entry_bytes = little ? 8 : 6;
  const auto add16 = [little](std::vector<uint8_t>* out, int value) {
    if (little) {
      out->push_back(static_cast<uint8_t>(value & 0xFF));
      out->push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    } else {
      append16(out, value);
    }
  };
  std::vector<uint8_t> ow_table;
  for (OffsetWidth ow : m.offsetWidths) {
    ow_table.push_back(static_cast<uint8_t>(ow.offset));
    ow_table.push_back(static_cast<uint8_t>(ow.width));
  }
  std::vector<uint8_t> strip;  // after the header, or the extended font's strips
  append_strip(&strip, m.strip);
  // What lies between owTLoc's own field and the location table.
  const size_t before_locations = extended ? list_at - 16 + entry_bytes * m.densities.size() : 10 + strip.size();
  const long ow_tloc = m.owBeforeHeader ? -(font_offset(m) + 16) / 2
                                        : static_cast<long>((before_locations + m.locations.size() * 2) / 2) + m.owGapWords;
  std::vector<uint8_t> out = m.owBeforeHeader ? ow_table : std::vector<uint8_t>();
  out.insert(out.end(), m.prefix.begin(), m.prefix.end());
  const int16_t font_type = static_cast<int16_t>(extended ? h.fontType | kFontTypeExtended : h.fontType);
  for (int v : {font_type, h.firstChar, h.lastChar, h.maxWidth, h.kernMax, h.nDescent, h.fRectWidth,
                h.fRectHeight, static_cast<int16_t>(ow_tloc), h.ascent, h.descent, h.leading, h.rowWords}) {
    add16(&out, v);
  }
  if (extended) {
    // Version, density count and list; the strips follow the tables, in
    // the order of the list.
    add16(&out, m.version);
    add16(&out, static_cast<int>(m.densities.size()));
    if (little) add16(&out, 0);
    const size_t tables = m.locations.size() * 2 + 2 * m.owGapWords + (m.owBeforeHeader ? 0 : ow_table.size());
    size_t bits = list_at + entry_bytes * m.densities.size() + tables;
    strip.clear();
    for (int density : m.densities) {
      add16(&out, density);
      if (little) {
        add16(&out, 0);
        add16(&out, static_cast<int>(bits & 0xFFFF));
        add16(&out, static_cast<int>(bits >> 16));
      } else {
        append16(&out, static_cast<int>(bits >> 16));
        append16(&out, static_cast<int>(bits & 0xFFFF));
      }
      const size_t before = strip.size();
      append_strip(&strip, model_strip(m, density));
      bits += strip.size() - before;
    }
  } else {
    out.insert(out.end(), strip.begin(), strip.end());
  }
  for (uint16_t loc : m.locations) add16(&out, loc);
  if (!m.owBeforeHeader) {
    out.resize(out.size() + 2 * m.owGapWords, 0xA5);
    out.insert(out.end(), ow_table.begin(), ow_table.end());
  }
  if (extended) out.insert(out.end(), strip.begin(), strip.end());
  out.insert(out.end(), m.suffix.begin(), m.suffix.end());
  return out;
}

FontModel make_extended(FontModel m, const std::vector<int>& densities) {
  m.densities = densities;
  // Only columns some glyph covers flip: the others hold no ink.
  const size_t reach = m.locations.empty() ? 0 : size_t{*std::max_element(m.locations.begin(), m.locations.end())};
  for (size_t r = 0; r < 2 * m.strip.size(); ++r) {
    std::string row;
    for (char pixel : m.strip[r / 2]) row += std::string(2, pixel);
    // Every other pixel of the bottom row of each pair flips, so that the
    // 144 dpi image is not the 72 dpi one scaled.
    if (r % 2 == 1) {
      for (size_t x = 1; x < row.size() && x < 2 * reach; x += 4) row[x] = row[x] == '#' ? '-' : '#';
    }
    m.strip144.push_back(row);
  }
  const FontHeader& h = m.header;
  const size_t rows108 = static_cast<size_t>(std::max(0, h.ascent * 3 / 2 + h.descent * 3 / 2));
  const size_t columns108 = 16 * static_cast<size_t>((h.rowWords * 3 + 1) / 2);
  for (size_t r = 0; r < rows108; ++r) {
    std::string row(columns108, '-');
    for (size_t x = 0; x < columns108 && x < reach * 3 / 2 && !m.strip.empty(); ++x) {
      const std::string& from = m.strip[std::min(r * 2 / 3, m.strip.size() - 1)];
      row[x] = x * 2 / 3 < from.size() ? from[x * 2 / 3] : '-';
      if ((r + x) % 5 == 0) row[x] = row[x] == '#' ? '-' : '#';
    }
    m.strip108.push_back(row);
  }
  if (std::find(densities.begin(), densities.end(), 72) == densities.end()) m.strip.clear();
  return m;
}

namespace {
void append32(std::vector<uint8_t>* bytes, uint32_t value) {
  append16(bytes, static_cast<int>(value >> 16));
  append16(bytes, static_cast<int>(value & 0xFFFF));
}

void append_type(std::vector<uint8_t>* bytes, const std::string& type) { bytes->insert(bytes->end(), type.begin(), type.end()); }
}  // namespace

std::vector<uint8_t> encode_prc(const std::vector<ResourceModel>& resources) {
  std::vector<uint8_t> out(78, 0);
  const char name[] = "Glyfex test";
  std::copy(name, name + sizeof name, out.begin());
  out[33] = 0x01;  // resource database
  std::copy_n("rsrcGLFX", 8, out.begin() + 60);
  put16(&out, 76, static_cast<int>(resources.size()));
  uint32_t offset = static_cast<uint32_t>(78 + 10 * resources.size() + 2);
  for (const ResourceModel& r : resources) {
    append_type(&out, r.type);
    append16(&out, r.id);
    append32(&out, offset);
    offset += static_cast<uint32_t>(r.bytes.size());
  }
  out.resize(out.size() + 2, 0);
  for (const ResourceModel& r : resources) out.insert(out.end(), r.bytes.begin(), r.bytes.end());
  return out;
}

std::vector<uint8_t> encode_pdb(const std::vector<std::vector<uint8_t>>& records) {
  std::vector<uint8_t> out(78, 0);
  const char name[] = "Glyfex fonts";
  std::copy(name, name + sizeof name, out.begin());
  std::copy_n("FontGLFX", 8, out.begin() + 60);
  put16(&out, 76, static_cast<int>(records.size()));
  uint32_t offset = static_cast<uint32_t>(78 + 8 * records.size() + 2);
  for (size_t i = 0; i < records.size(); ++i) {
    append32(&out, offset);
    append32(&out, static_cast<uint32_t>(i));  // attributes 0, unique id i
    offset += static_cast<uint32_t>(records[i].size());
  }
  out.resize(out.size() + 2, 0);
  for (const std::vector<uint8_t>& r : records) out.insert(out.end(), r.begin(), r.end());
  return out;
}

std::vector<uint8_t> encode_resource_fork(const std::vector<ResourceModel>& resources) {
  std::vector<std::string> types;
  for (const ResourceModel& r : resources) {
    if (std::find(types.begin(), types.end(), r.type) == types.end()) types.push_back(r.type);
  }
  std::vector<uint8_t> data, refs;
  std::vector<uint8_t> map(28, 0);  // header copy, handle, file ref, attributes, list offsets
  append16(&map, static_cast<int>(types.size()) - 1);
  const size_t refs_start = 2 + 8 * types.size();  // from the type list
  for (const std::string& type : types) {
    int count = 0;
    const size_t ref_offset = refs_start + refs.size();
    for (const ResourceModel& r : resources) {
      if (r.type != type) continue;
      ++count;
      append16(&refs, r.id);
      append16(&refs, 0xFFFF);  // no name
      append32(&refs, static_cast<uint32_t>(data.size()));  // attributes 0, then the offset
      append32(&refs, 0);
      append32(&data, static_cast<uint32_t>(r.bytes.size()));
      data.insert(data.end(), r.bytes.begin(), r.bytes.end());
    }
    append_type(&map, type);
    append16(&map, count - 1);
    append16(&map, static_cast<int>(ref_offset));
  }
  map.insert(map.end(), refs.begin(), refs.end());
  put16(&map, 24, 28);
  put16(&map, 26, static_cast<int>(map.size()));
  std::vector<uint8_t> out;
  for (uint32_t v : {256u, static_cast<uint32_t>(256 + data.size()), static_cast<uint32_t>(data.size()),
                     static_cast<uint32_t>(map.size())}) {
    append32(&out, v);
  }
  std::copy(out.begin(), out.end(), map.begin());
  out.resize(256, 0);
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), map.begin(), map.end());
  return out;
}

std::vector<uint8_t> encode_macbinary(const std::vector<uint8_t>& fork) {
  std::vector<uint8_t> out(128 + fork.size(), 0);
  std::copy(fork.begin(), fork.end(), out.begin() + 128);
  const char name[] = "Glyfex test";
  out[1] = sizeof name - 1;
  std::copy(name, name + sizeof name - 1, out.begin() + 2);
  std::copy_n("FFILDMOV", 8, out.begin() + 65);
  put16(&out, 87, static_cast<int>(fork.size() >> 16));
  put16(&out, 89, static_cast<int>(fork.size() & 0xFFFF));
  out.resize((out.size() + 127) / 128 * 128, 0);
  return out;
}

#ifndef _WIN32
std::string run_shell(const std::string& command, int* status) {
  FILE* p = popen(command.c_str(), "r");
  std::string out;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int st = pclose(p);
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}
#endif

std::string read_file(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return (std::fclose(f) == 0) && written;
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLYFEX_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GLYFEX_ASAN 1
#endif

bool sanitizer_handles_faults() {
#ifdef GLYFEX_ASAN
  return true;
#else
  return false;
#endif
}

std::string memory_limit(long mib) {
#ifdef GLYFEX_ASAN
  return "ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=" + std::to_string(mib) + " ";
#else
  return "ulimit -v " + std::to_string(mib * 1024) + "; ";
#endif
}

std::string text_written(const std::function<Fault(OsFile)>& write, Fault* err) {
  char name[kMaxPath];
  OsFile file = kNoFile;
  *err = Fault::kOutputOpen;
  int slot = -1;
  char folder[kMaxPath];
  if (!os_temp_folder(folder) || os_create_temp(folder, name, &file, &slot) != OsError::kNone) return "";
  os_forget_on_interrupt(slot);
  *err = write(file);
  os_close_written(file);
  std::string text = read_file(name);
  os_remove(name);
  return text;
}

namespace {

// One card of a ROM image at file offset at, its bus address address.
struct RomWriter {
  std::vector<uint8_t>* out;
  bool little;
  void u16(size_t pos, uint32_t v) {
    (*out)[pos] = static_cast<uint8_t>(little ? v : v >> 8);
    (*out)[pos + 1] = static_cast<uint8_t>(little ? v >> 8 : v);
  }
  void u32(size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*out)[pos + i] = static_cast<uint8_t>(v >> (little ? 8 * i : 24 - 8 * i));
  }
  void code(size_t pos, const std::string& four) {
    u32(pos, static_cast<uint32_t>(static_cast<uint8_t>(four[0])) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(four[1])) << 16 |
                 static_cast<uint32_t>(static_cast<uint8_t>(four[2])) << 8 | static_cast<uint8_t>(four[3]));
  }
  // A chunk holding bytes; returns the address of its data.
  uint32_t chunk(size_t at, uint32_t address, const std::vector<uint8_t>& bytes) {
    const size_t size = 8 + (bytes.size() + 1) / 2 * 2;
    const size_t pos = out->size();
    out->resize(pos + size, 0);
    u32(pos, static_cast<uint32_t>(size) | static_cast<uint32_t>(size - 8 - bytes.size()) << 24);
    u32(pos + 4, 0xF1000000u);
    std::copy(bytes.begin(), bytes.end(), out->begin() + static_cast<long>(pos + 8));
    return address + static_cast<uint32_t>(pos + 8 - at);
  }
};

void write_card(std::vector<uint8_t>* out, size_t at, uint32_t address, uint32_t big, bool little, bool loop, bool bad,
                const std::vector<RomDatabaseModel>& databases, const RomModel& m) {
  out->resize(at + 0x200, 0);
  RomWriter w{out, little};
  const size_t heap_list = at + 0x200, heap = heap_list + 8 + 4 * static_cast<size_t>(m.heapRepeats - 1);
  const size_t heap_header = little ? 20 : 16;
  out->resize(heap + heap_header, 0);
  // The chunks: every entry's data, each database's header, the directory.
  std::vector<uint32_t> headers;
  for (const RomDatabaseModel& db : databases) {
    std::vector<uint32_t> ids;
    for (const ResourceModel& r : db.entries) ids.push_back(w.chunk(at, address, r.bytes));
    const size_t first = little ? 0x50 : 0x4E, entry = db.records ? 8 : (little ? 12 : 10);
    std::vector<uint8_t> h(first + entry * db.entries.size() + 2, 0);
    RomWriter hw{&h, little};
    // The header's own address, where the list's next pointer leads back.
    if (m.loopEntries) hw.u32(0x48, address + static_cast<uint32_t>(out->size() + 8 - at));
    std::copy(db.name.begin(), db.name.end(), h.begin());
    hw.u16(0x20, db.records ? 0 : 1);
    hw.code(0x3C, db.type);
    hw.code(0x40, db.creator);
    hw.u16(0x4C, static_cast<uint32_t>(db.entries.size()));
    for (size_t i = 0; i < db.entries.size(); ++i) {
      const size_t e = first + entry * i;
      if (db.records) {
        hw.u32(e, ids[i]);
      } else {
        hw.code(e, db.entries[i].type);
        hw.u16(e + 4, static_cast<uint32_t>(db.entries[i].id));
        hw.u32(e + (little ? 8 : 6), ids[i]);
      }
    }
    headers.push_back(w.chunk(at, address, h));
  }
  for (size_t i = 0; i < m.emptyChunks; ++i) w.chunk(at, address, {});
  const size_t dir_first = little ? 8 : 6;
  const size_t named = headers.size() * static_cast<size_t>(m.directoryRepeats);
  std::vector<uint8_t> dir(dir_first + 4 * named, 0);
  RomWriter dw{&dir, little};
  dw.u16(4, static_cast<uint32_t>(named));
  for (size_t i = 0; i < named; ++i) dw.u32(dir_first + 4 * i, headers[i % headers.size()]);
  const uint32_t dir_at = address + static_cast<uint32_t>(out->size() + 8 - at);
  if (loop) dw.u32(0, dir_at);
  w.chunk(at, address, dir);
  out->resize(out->size() + 4, 0);  // the terminator
  const size_t heap_size = out->size() - heap;
  // The headers, now that the sizes are known.
  w.u32(at, 0x3FF0);
  (*out)[at + 8] = little ? 0xEF : 0xFE;
  (*out)[at + 9] = little ? 0xBE : 0xED;
  (*out)[at + 10] = little ? 0xED : 0xBE;
  (*out)[at + 11] = little ? 0xFE : 0xEF;
  w.u16(at + 0x0C, 5);
  w.u32(at + 0x58, address + 0x200);
  w.u32(at + 0x68, big);
  w.u32(at + 0x6C, static_cast<uint32_t>(out->size() - at));
  w.u32(at + 0x100, 0xFEEDFACE);
  w.u32(at + 0x100 + 0x30, address + 0x200);
  w.u32(at + 0x100 + 0x3C, bad ? dir_at + 2 : dir_at);
  w.u16(heap_list, static_cast<uint32_t>(m.heapRepeats));
  for (int i = 0; i < m.heapRepeats; ++i) {
    w.u32(heap_list + (little ? 4 : 2) + 4 * static_cast<size_t>(i), address + static_cast<uint32_t>(heap - at));
  }
  w.u16(heap, 0x2001);
  w.u32(heap + (little ? 4 : 2), static_cast<uint32_t>(heap_size));
}

}  // namespace

std::vector<uint8_t> encode_rom(const RomModel& m) {
  std::vector<uint8_t> out;
  const uint32_t address = m.address;
  if (m.small.empty()) {
    write_card(&out, 0, address, address, m.little, m.loopDirectory, m.badDirectory, m.big, m);
  } else {
    write_card(&out, 0, 0x10000000, 0x10008000, false, false, false, m.small, m);
    out.resize(std::max<size_t>(out.size(), 0x8000), 0);
    write_card(&out, 0x8000, 0x10008000, 0x10008000, false, m.loopDirectory, m.badDirectory, m.big, m);
  }
  return out;
}

namespace {
// The text of one density, through a file as glyfex writes one.
std::string write_density(const FontImage& image, int density, std::string* text) {
  text->clear();
  if (!image.hasDensity[density]) return "";
  // Written as glyfex writes it, in a block sized by the count made
  // beforehand, which the writer checks; every text converted in the tests
  // checks the count so.
  Fault err = Fault::kNone;
  const uint64_t counted = text_font_bytes(image, density);
  *text = text_written([&](OsFile file) { return write_text_font(file, image, density, counted); }, &err);
  if (err == Fault::kOutputWrite) {
    *text = text_written([&](OsFile file) { return write_text_font(file, image, density); }, &err);
    if (err == Fault::kNone && text->size() != counted) return "text size differs from its count";
  }
  return err != Fault::kNone ? fault_text(err) : "";
}
// The BDF of one density, through a file as glyfex writes one.
std::string write_bdf_density(const FontImage& image, int density, Charset charset, const char* family,
                              std::string* bdf) {
  bdf->clear();
  if (!image.hasDensity[density]) return "";
  const BdfOptions options{charset, family, -1};
  Fault err = Fault::kNone;
  const uint64_t counted = bdf_font_bytes(image, density, options);
  *bdf = text_written([&](OsFile file) { return write_bdf_font(file, image, density, options, counted); }, &err);
  if (err == Fault::kOutputWrite) {
    *bdf = text_written([&](OsFile file) { return write_bdf_font(file, image, density, options); }, &err);
    if (err == Fault::kNone && bdf->size() != counted) return "BDF size differs from its count";
  }
  return err != Fault::kNone ? fault_text(err) : "";
}
}  // namespace

std::string convert_bdf(const std::vector<uint8_t>& bytes, long offset, Charset charset, std::string* bdf72,
                        std::string* bdf144, const char* family, std::string* bdf108) {
  FontImage image;
  const Fault err = read_font_resource(memory_source(bytes.data(), bytes.size()), offset, &image);
  std::string* bdfs[kDensities] = {bdf72, bdf108, bdf144};
  for (std::string* bdf : bdfs) {
    if (bdf != nullptr) bdf->clear();
  }
  if (err != Fault::kNone) return fault_text(err);
  std::string message;
  for (int d = 0; d < kDensities && message.empty(); ++d) {
    if (bdfs[d] != nullptr) message = write_bdf_density(image, d, charset, family, bdfs[d]);
  }
  return message;
}

std::string convert_bytes(const std::vector<uint8_t>& bytes, long offset, std::string* text, std::string* text144,
                          std::string* text108) {
  FontImage image;
  const Fault err = read_font_resource(memory_source(bytes.data(), bytes.size()), offset, &image);
  std::string* texts[kDensities] = {text, text108, text144};
  for (std::string* t : texts) {
    if (t != nullptr) t->clear();
  }
  if (err != Fault::kNone) return fault_text(err);
  std::string message;
  for (int d = 0; d < kDensities && message.empty(); ++d) {
    if (texts[d] != nullptr) message = write_density(image, d, texts[d]);
  }
  return message;
}

std::vector<uint8_t> encode_font_map(const FontMapModel& m) {
  std::vector<uint8_t> out;
  for (int v : {0xC000, 0, 0xFFFF, 9, 0, 0, 9, m.height, 0, m.ascent, m.descent, 0, 0}) append16(&out, v);
  for (int b = 0; b < 256; ++b) {
    out.push_back(0);
    out.push_back(m.state[b]);
    append16(&out, m.value[b]);
  }
  return out;
}

std::vector<uint8_t> encode_font_index(const std::vector<std::pair<std::string, int>>& fonts, const std::vector<int>& ids) {
  std::vector<uint8_t> out;
  append16(&out, static_cast<int>(fonts.size()));
  for (const auto& f : fonts) {
    append_type(&out, f.first);
    append16(&out, f.second);
  }
  append16(&out, static_cast<int>(ids.size()));
  for (int id : ids) append16(&out, id);
  return out;
}
