// The whole glyfex process, timed as a user meets it, beside what the same
// bytes cost without it: large fonts against cat copying glyfex's output to
// a new file and against one write(2) per 256 KiB from a ready buffer (the
// floor), and a small font against a minimal C program that prints the same
// text; and glyfex-scan searching 256 MiB of random bytes, zeros and text
// for the fonts in it, against md5sum hashing the same file. Runs
// alternate, each pair in turn order; reported are medians of times and of
// the ratios within each pair (which a machine that slows down or speeds up
// between pairs does not move), and peak resident memory.
//   process_bench DIR [RUNS [ROWS]]  (DIR is scratch space; RUNS defaults to
//   9; ROWS is a list of tall, wide, narrow, square, small, search, by
//   default all; or sweepA-B, the glyph widths A to B, 1-255 by default; or
//   hostile, the files made to cost glyfex-scan more than they are worth; or
//   map, a font map's BDF against a font's)
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "font_builder.h"
#include "hostile_files.h"
#include "large_font.h"

namespace {

struct Sample {
  double ms;
  long max_rss_kib;
};

double now_ms() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs argv with standard output going to stdout_path. posix_spawn shares
// this process's memory until the exec, so starting costs the same however
// large this process is; but then the child's peak resident memory counts
// this process's too, so measure_rss starts a copy by fork instead, while
// this process holds nothing large.
Sample run(const std::vector<std::string>& args, const std::string& stdout_path, bool measure_rss = false) {
  std::vector<char*> argv(args.size() + 1, nullptr);
  std::transform(args.begin(), args.end(), argv.begin(), [](const std::string& a) { return const_cast<char*>(a.c_str()); });
  const double start = now_ms();
  pid_t pid = -1;
  if (measure_rss) {
    malloc_trim(0);  // what the font builder freed goes back to the system
    pid = fork();
    if (pid == 0) {
      const int fd = open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, STDOUT_FILENO);
      execv(argv[0], argv.data());
      _exit(127);
    }
  } else {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  int status = 0;
  rusage usage{};
  if (pid > 0) wait4(pid, &status, 0, &usage);
  const double ms = now_ms() - start;
  if (pid <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "failed: %s\n", args[0].c_str());
  return {ms, usage.ru_maxrss};
}

// One write(2) per 256 KiB of bytes already in memory, into a new file.
Sample write_floor(const std::string& text_path, const std::string& path) {
  const std::string bytes = read_file(text_path);
  unlink(path.c_str());
  const double start = now_ms();
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (size_t at = 0; at < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + at, std::min<size_t>(256 * 1024, bytes.size() - at));
    if (n <= 0) break;
    at += static_cast<size_t>(n);
  }
  close(fd);
  return {now_ms() - start, 0};
}

// A copy of glyfex's text for cat to read, written plainly in 256 KiB
// writes: how the file was made changes the cost of copying it (one
// glyfex reserved whole is cheaper to read than one written bit by bit),
// and cat must read the same file whichever glyfex is timed.
std::string plain_copy(const std::string& text_path, const std::string& path) {
  write_floor(text_path, path);
  return path;
}

Sample median(std::vector<Sample> s) {
  std::sort(s.begin(), s.end(), [](const Sample& a, const Sample& b) { return a.ms < b.ms; });
  return s[s.size() / 2];
}

// The median of a[i] / b[i].
double paired(const std::vector<Sample>& a, const std::vector<Sample>& b) {
  std::vector<Sample> ratios;
  for (size_t i = 0; i < a.size(); ++i) ratios.push_back({a[i].ms / b[i].ms, 0});
  return median(ratios).ms;
}

// Writes the font; returns the offset of its header.
long write_font(const std::string& path, int glyphs, int columns, int rows) {
  const FontModel m = large_font(glyphs, columns, rows);
  write_file(path, encode_font(m));
  return font_offset(m);
}

// An application's small font: the digits and a colon, 11 rows high, and
// the box drawn for missing codes.
void write_small_font(const std::string& path) {
  std::vector<GlyphModel> glyphs;
  for (int c = '0'; c <= ':'; ++c) {
    std::vector<std::string> rows(11);
    for (int r = 0; r < 11; ++r) rows[r] = std::string(6, ((r + c) % 3 != 0) ? '#' : '-');
    glyphs.push_back({c, rows, -1, 7, 0});
  }
  glyphs.push_back({-1, std::vector<std::string>(11, "#---#"), -1, 6, 0});
  write_file(path, encode_font(make_font('0', ':', 11, glyphs)));
}

// Runs a and b in alternating pairs, each pair in turn order, and returns
// both sample sets; a run that creates a file removes it first itself.
void alternate(int runs, const std::function<Sample()>& a, const std::function<Sample()>& b, std::vector<Sample>* as,
               std::vector<Sample>* bs) {
  for (int i = 0; i < runs; ++i) {
    if (i % 2 == 0) as->push_back(a());
    bs->push_back(b());
    if (i % 2 == 1) as->push_back(a());
  }
}

void report(const char* row, const char* name, const std::vector<Sample>& g, const std::vector<Sample>& c) {
  std::printf("  %-18s glyfex %6.1f ms  cat %6.1f ms  glyfex/cat %.2f\n", row, median(g).ms, median(c).ms, paired(g, c));
  (void)name;
}

// glyfex against cat of its text: to a new file, over an existing one, to
// /dev/null (the cost of rendering against the cost of reading the same
// bytes), and to a new file with both kept to one CPU.
void large(const std::string& dir, const char* name, int glyphs, int columns, int rows, int runs) {
  const std::string in = dir + "/" + name + ".bin", out = dir + "/" + name + ".txt", copy = dir + "/copy.txt";
  const std::string offset = std::to_string(write_font(in, glyphs, columns, rows));
  const std::vector<std::string> glyfex = {GLYFEX_EXE, in, out, offset};
  run(glyfex, "/dev/null");  // the input and the binary in the page cache
  const std::string source = plain_copy(out, dir + "/" + name + "-cat.txt");
  const std::vector<std::string> one_cpu = {"/usr/bin/taskset", "-c", "0"};
  const auto on_one_cpu = [&](std::vector<std::string> args) {
    args.insert(args.begin(), one_cpu.begin(), one_cpu.end());
    return args;
  };
  std::vector<Sample> g, c, f;
  for (int i = 0; i < runs; ++i) {
    const auto run_glyfex = [&] {
      unlink(out.c_str());
      g.push_back(run(glyfex, "/dev/null"));
    };
    if (i % 2 == 0) run_glyfex();
    unlink(copy.c_str());
    c.push_back(run({"/bin/cat", source}, copy));
    f.push_back(write_floor(out, copy));
    if (i % 2 == 1) run_glyfex();
  }
  const long rss = run(glyfex, "/dev/null", true).max_rss_kib;
  std::printf("%-4s %dx%dx%d %5.1f MB  floor %5.1f ms  floor/cat %.2f  glyfex/floor %.2f  peak RSS %.1f MiB\n", name,
              glyphs, columns, rows, static_cast<double>(read_file(out).size()) / 1e6, median(f).ms, paired(f, c),
              paired(g, f), static_cast<double>(rss) / 1024.0);
  report("new file", name, g, c);
  // Over the text of the run before: glyfex renames its new text over it,
  // cat opens it truncating.
  std::vector<Sample> eg, ec;
  alternate(
      runs, [&] { return run(glyfex, "/dev/null"); }, [&] { return run({"/bin/cat", source}, copy); }, &eg, &ec);
  report("existing file", name, eg, ec);
  std::vector<Sample> rg, rc;
  alternate(
      runs, [&] { return run({GLYFEX_EXE, in, "/dev/null", offset}, "/dev/null"); },
      [&] { return run({"/bin/cat", source}, "/dev/null"); }, &rg, &rc);
  report("render (/dev/null)", name, rg, rc);
  std::vector<Sample> og, oc;
  alternate(
      runs,
      [&] {
        unlink(out.c_str());
        return run(on_one_cpu(glyfex), "/dev/null");
      },
      [&] {
        unlink(copy.c_str());
        return run(on_one_cpu({"/bin/cat", source}), copy);
      },
      &og, &oc);
  report("one CPU, new file", name, og, oc);
}

void small(const std::string& dir, int runs) {
  const std::string in = dir + "/small.bin";
  write_small_font(in);
  const std::vector<std::string> glyfex = {GLYFEX_EXE, in, dir + "/small.txt", "0"};
  const std::vector<std::string> minimal = {MINIMAL_EXE, in, dir + "/small-minimal.txt", "0"};
  run(glyfex, "/dev/null");
  run(minimal, "/dev/null");
  if (read_file(dir + "/small.txt") != read_file(dir + "/small-minimal.txt")) std::printf("texts differ!\n");
  std::vector<Sample> g, m;
  alternate(
      runs, [&] { return run(glyfex, "/dev/null"); }, [&] { return run(minimal, "/dev/null"); }, &g, &m);
  const Sample mg = median(g), mm = median(m);
  std::printf("small: 11 glyphs  glyfex %.3f ms  minimal C %.3f ms  glyfex/minimal %.2f\n", mg.ms, mm.ms,
              paired(g, m));
}

// 256 MiB in eight parts, each a third random bytes, a third zeros and a
// third text, with a font at the start of each part.
void write_search_file(const std::string& path) {
  const size_t part = size_t{32} << 20;
  std::string bytes(part * 8, '\0');
  uint64_t x = 88172645463325252u;
  const char text[] = "The quick brown fox jumps over the lazy dog. 0123456789\n";
  for (size_t p = 0; p < 8; ++p) {
    char* base = &bytes[p * part];
    for (size_t i = 0; i < part / 3; ++i) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      base[i] = static_cast<char>(x);
    }
    for (size_t i = 2 * (part / 3); i < part; ++i) base[i] = text[i % (sizeof text - 1)];
    FontModel m = large_font(96, 8, 12);
    m.owBeforeHeader = false;  // small enough for its tables to follow the strip
    m.header.fontType = static_cast<int16_t>(0x9000);  // as compilers write it
    const std::vector<uint8_t> font = encode_font(m);
    std::copy(font.begin(), font.end(), base + part / 3 + 4096 + p);
  }
  write_file(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void search(const std::string& dir, int runs) {
  const std::string in = dir + "/search.bin";
  write_search_file(in);
  const std::vector<std::string> scan = {GLYFEX_SCAN_EXE, in}, md5 = {"/usr/bin/md5sum", in};
  run(scan, dir + "/search.txt");
  run(md5, "/dev/null");
  std::vector<Sample> g, m;
  alternate(
      runs, [&] { return run(scan, "/dev/null"); }, [&] { return run(md5, "/dev/null"); }, &g, &m);
  const Sample mg = median(g), mm = median(m);
  const long rss = run(scan, "/dev/null", true).max_rss_kib;
  std::printf("search: 256 MiB  glyfex-scan %.1f ms  md5sum %.1f ms  glyfex-scan/md5sum %.2f  peak RSS %.1f MiB\n",
              mg.ms, mm.ms, paired(g, m), static_cast<double>(rss) / 1024.0);
}

// A font of 256 glyphs of one width, about 32 MB of text (at most 32767
// rows), written directly: the offset/width table, the header, the strip
// of pseudo-random bits and the location table.
long write_width_font(const std::string& path, int width) {
  const int rows = std::min(32767, static_cast<int>(32000000 / (256 * (width + 1))));
  const int row_words = (256 * width + 15) / 16;
  const size_t prefix = 256 * 2;
  std::vector<uint8_t> bytes(prefix + 26 + static_cast<size_t>(rows) * row_words * 2 + 257 * 2, 0);
  for (int c = 0; c < 256; ++c) put16(&bytes, 2 * c, width < 128 ? width : 0);
  const int fields[13] = {0x9000, 0, 255, width, 0, 0, width, rows, static_cast<int>(-(prefix + 16) / 2), rows, 0, 0,
                          row_words};
  for (int f = 0; f < 13; ++f) put16(&bytes, prefix + 2 * f, fields[f]);
  uint64_t x = 88172645463325252u;
  const size_t strip = prefix + 26, strip_size = static_cast<size_t>(rows) * row_words * 2;
  for (size_t i = 0; i < strip_size; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    bytes[strip + i] = static_cast<uint8_t>(x);
  }
  for (int c = 0; c <= 256; ++c) put16(&bytes, strip + strip_size + 2 * c, c * width);
  write_file(path, bytes);
  return static_cast<long>(prefix);
}

// For every glyph width from first to last, the medians of glyfex / cat
// of its text, paired: to /dev/null, to a new file, to a new file with
// both on one CPU, and over an existing file. One line a width,
// tab-separated, for the plot.
void sweep(const std::string& dir, int runs, int first, int last) {
  const std::string in = dir + "/sweep.bin", out = dir + "/sweep.txt", copy = dir + "/sweep-copy.txt";
  std::printf("# width\trender/cat\tnew file/cat\tone CPU/cat\texisting/cat\n");
  for (int width = first; width <= last; ++width) {
    const std::string offset = std::to_string(write_width_font(in, width));
    run({GLYFEX_EXE, in, out, offset}, "/dev/null");
    const std::string source = plain_copy(out, dir + "/sweep-cat.txt");
    std::vector<Sample> rg, rc, ng, nc, og, oc, eg, ec;
    alternate(
        runs, [&] { return run({GLYFEX_EXE, in, "/dev/null", offset}, "/dev/null"); },
        [&] { return run({"/bin/cat", source}, "/dev/null"); }, &rg, &rc);
    alternate(
        runs,
        [&] {
          unlink(copy.c_str());
          return run({GLYFEX_EXE, in, copy, offset}, "/dev/null");
        },
        [&] {
          unlink(copy.c_str());
          return run({"/bin/cat", source}, copy);
        },
        &ng, &nc);
    alternate(
        runs,
        [&] {
          unlink(copy.c_str());
          return run({"/usr/bin/taskset", "-c", "0", GLYFEX_EXE, in, copy, offset}, "/dev/null");
        },
        [&] {
          unlink(copy.c_str());
          return run({"/usr/bin/taskset", "-c", "0", "/bin/cat", source}, copy);
        },
        &og, &oc);
    alternate(
        runs, [&] { return run({GLYFEX_EXE, in, copy, offset}, "/dev/null"); },
        [&] { return run({"/bin/cat", source}, copy); }, &eg, &ec);
    std::printf("%d\t%.3f\t%.3f\t%.3f\t%.3f\n", width, paired(rg, rc), paired(ng, nc), paired(og, oc), paired(eg, ec));
    std::fflush(stdout);
  }
  unlink(in.c_str());
  unlink(out.c_str());
  unlink((dir + "/sweep-cat.txt").c_str());
  unlink(copy.c_str());
}

// A ROM image of one database, damaged or bulked as the row asks.
std::vector<uint8_t> hostile_rom(size_t entries, size_t databases, const std::function<void(RomModel*)>& shape) {
  RomModel m;
  std::vector<ResourceModel> resources(entries, ResourceModel{"tSTR", 1, {'x', 0}});
  resources.push_back({"NFNT", 10000, inked_font()});
  m.big.push_back({"System", "rsrc", "psys", false, resources});
  for (size_t i = 1; i < databases; ++i) m.big.push_back({"Empty " + std::to_string(i), "rsrc", "psys", false, {}});
  shape(&m);
  return encode_rom(m);
}

// Files made to cost glyfex-scan far more than they are worth, each listed
// plain, as JSON and as a page: the time against md5sum reading the file
// plus cat copying the output, paired, and the peak memory.
void hostile(const std::string& dir, int runs) {
  const struct {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
  } kShapes[] = {
      {"65535 entries, one font", [] { return shared_strip_prc(65535, size_t{4} << 20, false); }},
      {"65535 headers, one strip", [] { return shared_strip_prc(65535, size_t{4} << 20, true); }},
      {"zero memo filled", [] { return zero_memo_file(20000, size_t{4} << 20, 66000); }},
      {"database named 40 times", [] { return hostile_rom(65535, 1, [](RomModel* m) { m->directoryRepeats = 40; }); }},
      {"entry list loops", [] { return hostile_rom(65535, 1, [](RomModel* m) { m->loopEntries = true; }); }},
      {"directory loops", [] { return hostile_rom(0, 16000, [](RomModel* m) { m->loopDirectory = true; }); }},
      {"heap named once, small chunks", [] { return hostile_rom(0, 1, [](RomModel* m) { m->emptyChunks = 2000000; }); }},
      {"heap named 64 times", [] {
         return hostile_rom(0, 1, [](RomModel* m) {
           m->emptyChunks = 2000000;
           m->heapRepeats = 64;
         });
       }},
      {"card address overflows", [] {
         return hostile_rom(0, 1, [](RomModel* m) {
           m->address = 0xFFFFF000u;
           m->emptyChunks = 1000;
         });
       }},
  };
  const std::string in = dir + "/hostile.bin", out = dir + "/hostile.out", copy = dir + "/hostile.copy";
  std::printf("%-30s %-6s %9s %9s %9s %8s %9s %9s\n", "shape", "form", "size MB", "scan ms", "md5 ms", "cat ms",
              "scan/both", "peak MiB");
  for (const auto& shape : kShapes) {
    write_file(in, shape.make());
    const double size = static_cast<double>(read_file(in).size()) / 1e6;
    for (const char* form : {"", "--json", "--html"}) {
      std::vector<std::string> scan = {GLYFEX_SCAN_EXE, in};
      if (*form != '\0') scan.insert(scan.begin() + 1, form);
      run(scan, out);
      std::vector<Sample> g, m, c;
      for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) g.push_back(run(scan, out));
        m.push_back(run({"/usr/bin/md5sum", in}, "/dev/null"));
        unlink(copy.c_str());
        c.push_back(run({"/bin/cat", out}, copy));
        if (i % 2 == 1) g.push_back(run(scan, out));
      }
      std::vector<Sample> both;
      both.reserve(static_cast<size_t>(runs));
      for (int i = 0; i < runs; ++i) both.push_back({m[i].ms + c[i].ms, 0});
      const long rss = run(scan, out, true).max_rss_kib;
      std::printf("%-30s %-6s %9.1f %9.1f %9.1f %8.1f %9.2f %9.1f\n", shape.name, *form ? form + 2 : "plain", size,
                  median(g).ms, median(m).ms, median(c).ms, paired(g, both), static_cast<double>(rss) / 1024.0);
      std::fflush(stdout);
    }
  }
  unlink(in.c_str());
  unlink(out.c_str());
  unlink(copy.c_str());
}

// A font map of 40 subfonts of 188 glyphs of 9 x 11 pixels (7,520 of
// them), written as one BDF, against a single font's BDF of about the same
// size (256 glyphs of 128 x 110), paired: the time a megabyte of each.
void map_bdf(const std::string& dir, int runs) {
  std::vector<ResourceModel> resources;
  FontMapModel map;
  std::vector<int> ids = {32000};
  std::vector<GlyphModel> single;
  for (int c = 0x20; c < 0x7F; ++c) single.push_back({c, std::vector<std::string>(11, std::string(6, c % 3 ? '#' : '-'))});
  FontModel s = make_font(0x20, 0x7E, 11, single);
  resources.push_back({"NFNT", 32000, encode_font(s)});
  for (int b = 0; b < 256; ++b) map.state[b] = 1;
  for (int k = 0; k < 40; ++k) {
    const int lead = 0x88 + k % 24 + (k >= 24 ? 0xE0 - 0x88 - 24 + 24 : 0);
    std::vector<GlyphModel> glyphs;
    for (int t = 0x40; t <= 0xFC; ++t) {
      if (t == 0x7F) continue;
      std::vector<std::string> rows(11);
      for (int r = 0; r < 11; ++r) {
        for (int x = 0; x < 9; ++x) rows[r] += (x * 5 + r * 3 + t + k) % 4 < 2 ? '#' : '-';
      }
      glyphs.push_back({t, rows});
    }
    resources.push_back({"NFNT", 32001 + k, encode_font(make_font(0x40, 0xFC, 11, glyphs))});
    map.state[lead] = 2;
    map.value[lead] = static_cast<uint16_t>(ids.size());
    ids.push_back(32001 + k);
  }
  resources.insert(resources.begin(), {"fntm", 32000, encode_font_map(map)});
  resources.insert(resources.begin(), {"fnti", 32000, encode_font_index({{"fntm", 32000}}, ids)});
  const std::string rom = dir + "/map.rom", single_font = dir + "/single.bin", out = dir + "/out.bdf";
  const std::vector<uint8_t> bytes = encode_rom(RomModel{{}, {{"ShiftJIS Locale Module", "locm", "psys", false, resources}}});
  write_file(rom, bytes);
  const std::vector<uint8_t> map_bytes = resources[1].bytes;
  const auto at = std::search(bytes.begin(), bytes.end(), map_bytes.begin(), map_bytes.end()) - bytes.begin();
  std::vector<GlyphModel> big;
  for (int c = 0; c < 256; ++c) {
    std::vector<std::string> rows(110);
    for (int r = 0; r < 110; ++r) {
      for (int x = 0; x < 128; ++x) rows[r] += (x * 5 + r * 3 + c) % 4 < 2 ? '#' : '-';
    }
    big.push_back({c, rows});
  }
  FontModel big_font = make_font(0, 255, 110, big);
  big_font.owBeforeHeader = true;  // its strip is too long for the table to follow it
  write_file(single_font, encode_font(big_font));
  const std::vector<std::string> map_run = {GLYFEX_EXE, "--bdf", rom, out, std::to_string(at)};
  const std::vector<std::string> single_run = {GLYFEX_EXE, "--bdf", single_font, out, std::to_string(font_offset(big_font))};
  run(map_run, "/dev/null");
  const double map_mb = static_cast<double>(read_file(out).size()) / 1e6;
  run(single_run, "/dev/null");
  const double single_mb = static_cast<double>(read_file(out).size()) / 1e6;
  std::vector<Sample> m, f;
  alternate(
      runs, [&] { return run(map_run, "/dev/null"); }, [&] { return run(single_run, "/dev/null"); }, &m, &f);
  std::vector<Sample> per_mb_m, per_mb_f;
  for (size_t i = 0; i < m.size(); ++i) {
    per_mb_m.push_back({m[i].ms / map_mb, 0});
    per_mb_f.push_back({f[i].ms / single_mb, 0});
  }
  std::printf("map BDF: %.1f MB in %.1f ms; a font's BDF: %.1f MB in %.1f ms; time a MB, map/font %.2f\n", map_mb,
              median(m).ms, single_mb, median(f).ms, paired(per_mb_m, per_mb_f));
}

bool wanted(const char* rows, const char* row) { return rows == nullptr || std::strstr(rows, row) != nullptr; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: process_bench DIR [RUNS]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int runs = argc > 2 ? static_cast<int>(std::strtol(argv[2], nullptr, 10)) : 9;
  const char* rows = argc > 3 ? argv[3] : nullptr;
  if (wanted(rows, "tall")) large(dir, "tall", 256, 64, 2048, runs);
  if (wanted(rows, "wide")) large(dir, "wide", 1, 65535, 255, runs);
  if (wanted(rows, "narrow")) large(dir, "narrow", 256, 8, 8192, runs);
  // 255 columns: every glyph but the first starts inside a strip byte.
  if (wanted(rows, "square")) large(dir, "square", 256, 255, 255, runs);
  if (wanted(rows, "small")) small(dir, runs * 11);
  if (wanted(rows, "search")) search(dir, runs);
  // Only when asked for: the hostile files take a minute, every width a few
  // seconds.
  if (rows != nullptr && std::strcmp(rows, "hostile") == 0) hostile(dir, runs);
  if (rows != nullptr && std::strcmp(rows, "map") == 0) map_bdf(dir, runs);
  if (rows != nullptr && std::strncmp(rows, "sweep", 5) == 0) {
    char* end = nullptr;
    const long first = std::strtol(rows + 5, &end, 10);
    const long last = *end == '-' ? std::strtol(end + 1, nullptr, 10) : 255;
    sweep(dir, runs, static_cast<int>(std::clamp(first, 1L, 255L)), static_cast<int>(std::clamp(last, 1L, 255L)));
  }
  return 0;
}
