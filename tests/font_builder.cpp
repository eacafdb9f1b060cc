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

std::vector<uint8_t> encode_font(const FontModel& m) {
  const FontHeader& h = m.header;
  const bool extended = !m.densities.empty();
  std::vector<uint8_t> ow_table;
  for (OffsetWidth ow : m.offsetWidths) {
    ow_table.push_back(static_cast<uint8_t>(ow.offset));
    ow_table.push_back(static_cast<uint8_t>(ow.width));
  }
  std::vector<uint8_t> strip;  // after the header, or the extended font's strips
  append_strip(&strip, m.strip);
  // What lies between owTLoc's own field and the location table.
  const size_t before_locations = extended ? 14 + 6 * m.densities.size() : 10 + strip.size();
  const long ow_tloc = m.owBeforeHeader ? -(font_offset(m) + 16) / 2
                                        : static_cast<long>((before_locations + m.locations.size() * 2) / 2) + m.owGapWords;
  std::vector<uint8_t> out = m.owBeforeHeader ? ow_table : std::vector<uint8_t>();
  out.insert(out.end(), m.prefix.begin(), m.prefix.end());
  const int16_t font_type = static_cast<int16_t>(extended ? h.fontType | kFontTypeExtended : h.fontType);
  for (int v : {font_type, h.firstChar, h.lastChar, h.maxWidth, h.kernMax, h.nDescent, h.fRectWidth,
                h.fRectHeight, static_cast<int16_t>(ow_tloc), h.ascent, h.descent, h.leading, h.rowWords}) {
    append16(&out, v);
  }
  if (extended) {
    // Version, density count and list; the strips follow the tables, in
    // the order of the list, 72 dpi from m.strip and 144 dpi from m.strip144.
    append16(&out, m.version);
    append16(&out, static_cast<int>(m.densities.size()));
    const size_t tables = m.locations.size() * 2 + 2 * m.owGapWords + (m.owBeforeHeader ? 0 : ow_table.size());
    size_t bits = 30 + 6 * m.densities.size() + tables;
    strip.clear();
    for (int density : m.densities) {
      append16(&out, density);
      append16(&out, static_cast<int>(bits >> 16));
      append16(&out, static_cast<int>(bits & 0xFFFF));
      const size_t before = strip.size();
      append_strip(&strip, density == 144 ? m.strip144 : m.strip);
      bits += strip.size() - before;
    }
  } else {
    out.insert(out.end(), strip.begin(), strip.end());
  }
  for (uint16_t loc : m.locations) append16(&out, loc);
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
  const size_t reach = m.locations.empty() ? 0 : 2 * size_t{*std::max_element(m.locations.begin(), m.locations.end())};
  for (size_t r = 0; r < 2 * m.strip.size(); ++r) {
    std::string row;
    for (char pixel : m.strip[r / 2]) row += std::string(2, pixel);
    // Every other pixel of the bottom row of each pair flips, so that the
    // 144 dpi image is not the 72 dpi one scaled.
    if (r % 2 == 1) {
      for (size_t x = 1; x < row.size() && x < reach; x += 4) row[x] = row[x] == '#' ? '-' : '#';
    }
    m.strip144.push_back(row);
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
// The text of one density, through a file as glyfex writes one.
std::string write_density(const FontImage& image, int density, std::string* text) {
  text->clear();
  if (!image.hasDensity[density]) return "";
  Fault err = Fault::kNone;
  *text = text_written([&](OsFile file) { return write_text_font(file, image, density); }, &err);
  if (err != Fault::kNone) return fault_text(err);
  // Every text converted in the tests checks the count made beforehand.
  return text->size() != text_font_bytes(image, density) ? "text size differs from its count" : "";
}
// The BDF of one density, through a file as glyfex writes one.
std::string write_bdf_density(const FontImage& image, int density, Charset charset, const char* family,
                              std::string* bdf) {
  bdf->clear();
  if (!image.hasDensity[density]) return "";
  const BdfOptions options{charset, family};
  Fault err = Fault::kNone;
  *bdf = text_written([&](OsFile file) { return write_bdf_font(file, image, density, options); }, &err);
  if (err != Fault::kNone) return fault_text(err);
  return bdf->size() != bdf_font_bytes(image, density, options) ? "BDF size differs from its count" : "";
}
}  // namespace

std::string convert_bdf(const std::vector<uint8_t>& bytes, long offset, Charset charset, std::string* bdf72,
                        std::string* bdf144, const char* family) {
  FontImage image;
  const Fault err = read_font_resource(memory_source(bytes.data(), bytes.size()), offset, &image);
  bdf72->clear();
  if (bdf144 != nullptr) bdf144->clear();
  if (err != Fault::kNone) return fault_text(err);
  std::string message = write_bdf_density(image, kDensity72, charset, family, bdf72);
  if (message.empty() && bdf144 != nullptr) message = write_bdf_density(image, kDensity144, charset, family, bdf144);
  return message;
}

std::string convert_bytes(const std::vector<uint8_t>& bytes, long offset, std::string* text, std::string* text144) {
  FontImage image;
  const Fault err = read_font_resource(memory_source(bytes.data(), bytes.size()), offset, &image);
  text->clear();
  if (text144 != nullptr) text144->clear();
  if (err != Fault::kNone) return fault_text(err);
  std::string message = write_density(image, kDensity72, text);
  if (message.empty() && text144 != nullptr) message = write_density(image, kDensity144, text144);
  return message;
}
