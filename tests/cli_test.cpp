// The glyfex command run as a real process: console texts, exit status,
// which files it touches, and every refusal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/messages.h"
#include "font_builder.h"
#include "font/charset.h"
#include "text/text_font.h"

namespace {

struct Outcome {
  int status;
  std::string out;
};

// Runs glyfex with args, never longer than 20 s, and with no allocation over
// limit_mib when a limit is given. A wrapper, if given, is a command glyfex
// runs under.
Outcome run_glyfex(const std::vector<std::string>& args, long limit_mib = 0, const char* wrapper = "") {
  std::string cmd = limit_mib ? memory_limit(limit_mib) : "";
  cmd += std::string("timeout 20 ") + wrapper + " " GLYFEX_EXE;
  for (const std::string& a : args) cmd += " '" + a + "'";
  Outcome r{0, ""};
  r.out = run_shell(cmd, &r.status);
  return r;
}

// One scratch folder per test process, removed when the process ends.
std::string dir() {
  static const std::string d = [] {
    char tmpl[] = "/tmp/glyfex-cli-XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  // Registered after d is made, so it runs before d is destroyed.
  static const bool cleanup = std::atexit([] { std::filesystem::remove_all(d); }) == 0;
  (void)cleanup;
  return d;
}

std::string error_text(Fault fault) { return std::string(kBanner) + "ERROR: " + fault_text(fault) + "\n\n"; }

std::vector<uint8_t> small_font(size_t prefix = 0) {
  // With a missing-character glyph, whose entries come last: cutting them
  // off must be refused like any other truncation.
  FontModel m = make_font(65, 67, 2, {{65, {"#-", "-#"}}, {67, {"###", "#-#"}}, {-1, {"#", "#"}}});
  m.prefix.assign(prefix, 0x11);
  return encode_font(m);
}

TEST(CliTest, UsageForWrongArgumentCount) {
  // Options come first: one glyfex does not know, a charset without --bdf
  // or of no known name, or a file after them missing, get the usage too.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"a"}, {"a", "b", "0", "d"}, {"--text", "a", "b"}, {"--charset", "palm", "a", "b"},
        {"--bdf", "--charset", "klingon", "a", "b"}, {"--bdf", "--bdf", "a", "b"}, {"--bdf", "a"}, {"--", "a"}}) {
    const Outcome r = run_glyfex(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, std::string(kBanner) + kUsage);
  }
}

// --bdf writes BDF to the output, and a high-density font's 144 dpi image
// beside it; -- ends the options, so a file may start with --.
TEST(CliTest, BdfOptions) {
  const std::string base = dir() + "/bdf";
  mkdir(base.c_str(), 0700);
  const std::vector<uint8_t> hd = encode_font(make_extended(make_font(65, 65, 1, {{65, {"#-#"}}}), {72, 144}));
  write_file(base + "/--hd.nfnt", hd);
  std::string bdf72, bdf144;
  ASSERT_EQ(convert_bdf(hd, 0, Charset::kSymbol, &bdf72, &bdf144, "hd"), "");
  int status = 0;
  const std::string out =
      run_shell("cd " + base + " && " GLYFEX_EXE " --bdf --charset symbol -- --hd.nfnt hd.bdf", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, kBanner + std::string("Wrote the 144 dpi image to hd-144.bdf.\n1 glyphs exported.\n\n"));
  EXPECT_EQ(read_file(base + "/hd.bdf"), bdf72);
  EXPECT_EQ(read_file(base + "/hd-144.bdf"), bdf144);
}

TEST(CliTest, ConvertsAndCountsTheWholeRange) {
  const std::string in = dir() + "/ok.bin", out = dir() + "/ok.txt";
  write_file(in, small_font());
  std::string expected;
  ASSERT_EQ(convert_bytes(small_font(), 0, &expected), "");
  write_file(out, std::vector<uint8_t>(5000, 'x'));  // truncated, not appended to
  const Outcome r = run_glyfex({in, out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string(kBanner) + "3 glyphs exported.\n\n");
  EXPECT_EQ(read_file(out), expected);
}

TEST(CliTest, OffsetArgumentReadLikeAtolOrHex) {
  const std::string at12 = dir() + "/at12.bin", at0 = dir() + "/at0.bin", at114 = dir() + "/at114.bin",
                    out = dir() + "/off.txt";
  write_file(at12, small_font(12));
  write_file(at0, small_font());
  write_file(at114, small_font(114));
  const struct {
    std::string file, offset;
    int status;
  } kCases[] = {{at12, "12", 0},     {at12, "  12abc", 0}, {at12, "+12", 0},  {at0, "abc", 0},
                {at0, "", 0},        {at0, "-5", 1},       {at0, "99999999999999999999999", 1},
                {at114, "0x72", 0},  {at114, "0X72", 0},   {at114, " +0x72z", 0}, {at0, "-0x10", 1},
                {at0, "0x", 0},      {at0, "0xg", 0},      {at0, "0x7fffffffffffffffff", 1}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.offset);
    std::remove(out.c_str());
    const Outcome r = run_glyfex({c.file, out, c.offset});
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.status ? error_text(Fault::kFontOutsideFile) : std::string(kBanner) + "3 glyphs exported.\n\n");
  }
}

TEST(CliTest, OpenFailures) {
  const std::string in = dir() + "/open.bin", out = dir() + "/open.txt";
  write_file(in, small_font());
  write_file(out, {'k', 'e', 'e', 'p'});
  Outcome r = run_glyfex({dir() + "/missing.bin", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, error_text(Fault::kInputOpen));
  EXPECT_EQ(read_file(out), "keep");
  r = run_glyfex({in, dir() + "/no/such/dir.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, error_text(Fault::kOutputOpen));
}

struct Refusal {
  const char* name;
  std::function<std::vector<uint8_t>()> bytes;
  const char* offset;
  Fault message;
};

std::vector<uint8_t> patched(int field, int value) {
  std::vector<uint8_t> b = small_font();
  put16(&b, 2 * field, value);
  return b;
}

std::vector<uint8_t> cut(size_t drop) {
  std::vector<uint8_t> b = small_font();
  b.resize(b.size() - drop);
  return b;
}

// Header field numbers in file order.
enum { kType, kFirst, kLast, kHeight = 7, kOwTLoc, kRowWords = 12 };

const Refusal kRefusals[] = {
    {"negative offset", [] { return small_font(); }, "-1", Fault::kFontOutsideFile},
    {"offset past the end", [] { return small_font(); }, "1000", Fault::kFontOutsideFile},
    {"short header", [] { return std::vector<uint8_t>(25, 0); }, "0", Fault::kFontOutsideFile},
    {"short offset/width table", [] { return cut(1); }, "0", Fault::kFontOutsideFile},
    {"short strip", [] { return patched(kHeight, 40); }, "0", Fault::kFontOutsideFile},
    {"offset/width table after the end", [] { return patched(kOwTLoc, 400); }, "0", Fault::kFontOutsideFile},
    {"offset/width table before the start", [] { return patched(kOwTLoc, -9); }, "0", Fault::kFontOutsideFile},
    {"2 GiB strip in a tiny file",
     [] {
       std::vector<uint8_t> b = patched(kHeight, 32767);
       put16(&b, 2 * kRowWords, 32767);
       return b;
     },
     "0", Fault::kFontOutsideFile},
    {"firstChar negative", [] { return patched(kFirst, -1); }, "0", Fault::kFontHeaderRange},
    {"lastChar past 255", [] { return patched(kLast, 256); }, "0", Fault::kFontHeaderRange},
    {"lastChar below firstChar - 1", [] { return patched(kLast, 63); }, "0", Fault::kFontHeaderRange},
    {"fRectHeight negative", [] { return patched(kHeight, -1); }, "0", Fault::kFontHeaderRange},
    {"rowWords negative", [] { return patched(kRowWords, -32768); }, "0", Fault::kFontHeaderRange},
    {"extended font of an unknown version", [] { return patched(kType, 0x9200); }, "0", Fault::kFontHeaderRange},
};

TEST(CliTest, RefusalsLeaveTheOutputAlone) {
  const std::string in = dir() + "/bad.bin", out = dir() + "/bad.txt";
  for (const Refusal& c : kRefusals) {
    SCOPED_TRACE(c.name);
    write_file(in, c.bytes());
    write_file(out, {'o', 'l', 'd'});
    const Outcome r = run_glyfex({in, out, c.offset}, 64);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, error_text(c.message));
    EXPECT_EQ(read_file(out), "old");
  }
}

TEST(CliTest, EveryTruncationIsRefused) {
  const std::string in = dir() + "/cut.bin", out = dir() + "/cut.txt";
  const std::vector<uint8_t> full = small_font();
  write_file(out, {'o', 'l', 'd'});
  for (size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE(n);
    write_file(in, std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)));
    const Outcome r = run_glyfex({in, out});
    EXPECT_EQ(r.out, error_text(Fault::kFontOutsideFile));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(out), "old");
  }
  write_file(in, full);  // nothing after the resource, and it converts
  EXPECT_EQ(run_glyfex({in, out}).status, 0);
}

TEST(CliTest, InputsThatAreNotFiles) {
  const std::string fifo = dir() + "/fifo", out = dir() + "/special.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  write_file(out, {'o', 'l', 'd'});
  // A directory, and a FIFO nobody writes to.
  for (const std::string& in : {dir(), fifo}) {
    SCOPED_TRACE(in);
    const Outcome r = run_glyfex({in, out});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, error_text(Fault::kInputRead));
    EXPECT_EQ(read_file(out), "old");
  }
  // A file without read permission; root reads anything, so root drops to nobody.
  const std::string locked = dir() + "/locked.bin";
  write_file(locked, small_font());
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  const char* nobody = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
  const Outcome r = run_glyfex({locked, out}, 0, nobody);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, error_text(Fault::kInputOpen));
  EXPECT_EQ(read_file(out), "old");
}

// A sparse file holding a font of 16384 rows of 64 KiB: its offset/width
// table first, the header at 64, the location table after the strip, and
// one glyph 'A' of the given width at column 0.
bool write_tall_font(const std::string& path, int width) {
  std::vector<uint8_t> head(64 + 26, 0);
  put16(&head, 0, width);  // offset 0, width byte (low byte) when it fits
  for (int field : {kFirst, kLast}) put16(&head, 64 + 2 * field, 65);
  put16(&head, 64 + 2 * kHeight, 16384);
  put16(&head, 64 + 2 * kOwTLoc, -40);  // back to byte 0
  put16(&head, 64 + 2 * kRowWords, 32767);
  std::vector<uint8_t> tail(4, 0);
  put16(&tail, 2, width);
  if (!write_file(path, head) || truncate(path.c_str(), 64 + 26 + 16384L * 65534) != 0) return false;
  FILE* f = std::fopen(path.c_str(), "ab");
  const bool ok = f != nullptr && std::fwrite(tail.data(), 1, tail.size(), f) == tail.size();
  return f != nullptr && std::fclose(f) == 0 && ok;
}

TEST(CliTest, MemoryAndWriteFailures) {
  const std::string out = dir() + "/fail.txt";
  write_file(out, {'o', 'l', 'd'});
  Outcome r{0, ""};

  // Only the row bytes the glyphs reach are read: narrow glyphs in rows of
  // 64 KiB cost what they draw, wide ones what they draw too.
  const std::string big = dir() + "/big.bin";
  ASSERT_TRUE(write_tall_font(big, 8));
  r = run_glyfex({big, out, "64"}, 64);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read_file(out).size(), 115u + 16384 * 9);
  ASSERT_TRUE(write_tall_font(big, 65535));
  write_file(out, {'o', 'l', 'd'});
  r = run_glyfex({big, out, "64"}, 64);
  unlink(big.c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, error_text(Fault::kFontMemory));
  EXPECT_EQ(read_file(out), "old");

  const std::string in = dir() + "/full.bin";
  write_file(in, small_font());
  r = run_glyfex({in, "/dev/full"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, error_text(Fault::kOutputWrite));
}

// The input named again as the output, in every form that reaches it.
TEST(CliTest, SameFileIsRefused) {
  const std::string in = dir() + "/same.bin";
  write_file(in, small_font());
  const std::string before = read_file(in);
  unlink((dir() + "/same-hard.bin").c_str());
  unlink((dir() + "/same-soft.bin").c_str());
  ASSERT_EQ(link(in.c_str(), (dir() + "/same-hard.bin").c_str()), 0);
  ASSERT_EQ(symlink(in.c_str(), (dir() + "/same-soft.bin").c_str()), 0);
  for (const std::string& out : {in, dir() + "/./same.bin", dir() + "/same-hard.bin", dir() + "/same-soft.bin"}) {
    SCOPED_TRACE(out);
    const Outcome r = run_glyfex({in, out});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, error_text(Fault::kSameFile));
    EXPECT_EQ(read_file(in), before);
  }
}

std::string sh(const std::string& command, int* status) { return run_shell("timeout 20 sh -c '" + command + "'", status); }

// The text replaces an existing file only once it was written whole: the
// file keeps its mode, a symbolic link stays a link, and a failed write
// leaves the old text and no temporary file.
TEST(CliTest, OutputReplacedOnlyWhenWritten) {
  const std::string in = dir() + "/repl.bin", target = dir() + "/repl-target.txt", link_path = dir() + "/repl-link.txt";
  write_file(in, small_font());
  std::string expected;
  ASSERT_EQ(convert_bytes(small_font(), 0, &expected), "");
  write_file(target, {'o', 'l', 'd'});
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  unlink(link_path.c_str());
  ASSERT_EQ(symlink("repl-target.txt", link_path.c_str()), 0);
  EXPECT_EQ(run_glyfex({in, link_path}).status, 0);
  struct stat st;
  ASSERT_EQ(lstat(link_path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(read_file(target), expected);

  // A filesystem too small for the text, with no inode left either: the
  // text cannot go to a new file, and the old one is not written over.
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small filesystem needs root";
  const std::string small = dir() + "/small";
  mkdir(small.c_str(), 0700);
  int status = 0;
  sh("mount -t tmpfs -o size=64k,nr_inodes=4 tmpfs " + small, &status);
  if (status != 0) GTEST_SKIP() << "tmpfs could not be mounted";
  FontModel big = make_font(0, 0, 4000, {{0, std::vector<std::string>(4000, std::string(40, '#'))}});
  write_file(in, encode_font(big));
  write_file(small + "/out.txt", {'o', 'l', 'd'});
  sh("cd " + small + " && cat /dev/zero > fill 2>/dev/null; touch a b c 2>/dev/null", &status);
  const Outcome r = run_glyfex({in, small + "/out.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, error_text(Fault::kOutputWrite));
  EXPECT_EQ(read_file(small + "/out.txt"), "old");
  EXPECT_EQ(sh("ls -A " + small + " | grep -c glyfex-", &status), "0\n");
  sh("umount " + small, &status);
}

// Run as nobody (root only): a file the user may not write is refused, one
// whose folder refuses new files is written over in place, the two texts
// of an extended font are opened before either is written, and another
// user's files that may not be hard linked (protected_hardlinks) are kept
// by renaming them instead.
TEST(CliTest, OutputPermissions) {
  if (geteuid() != 0) GTEST_SKIP() << "changing to another user needs root";
  const std::string base = dir() + "/perm", in = base + "/in.nfnt", hd = base + "/hd.nfnt", tmp = base + "/tmp";
  const std::string nobody = "env TMPDIR=" + tmp + " setpriv --reuid=65534 --regid=65534 --clear-groups";
  mkdir(base.c_str(), 0755);
  mkdir(tmp.c_str(), 0777);
  chmod(tmp.c_str(), 01777);
  ASSERT_EQ(chmod(dir().c_str(), 0755), 0);
  write_file(in, small_font());
  const std::vector<uint8_t> hd_font = encode_font(make_extended(make_font(65, 65, 1, {{65, {"#-#"}}}), {72, 144}));
  write_file(hd, hd_font);
  std::string text, hd72, hd144;
  ASSERT_EQ(convert_bytes(small_font(), 0, &text), "");
  ASSERT_EQ(convert_bytes(hd_font, 0, &hd72, &hd144), "");
  int status = 0;
  const bool protected_links = sh("cat /proc/sys/fs/protected_hardlinks", &status) == "1\n";
  // The fields in the order a case reads, not packed.
  const struct {  // NOLINT(clang-analyzer-optin.performance.Padding)
    const char* name;
    const char* setup;  // run in base; out.txt (and out-144.txt) the output
    bool family;  // hd.nfnt, else in.nfnt
    Fault message;  // kNone: converted
    const char* listing;  // what d holds afterwards
    bool bare = false;  // named out.txt from inside d
  } kCases[] = {
      {"read-only file", "mkdir d; chown nobody d; echo old > d/out.txt; chmod 444 d/out.txt; chown nobody d/out.txt",
       false, Fault::kOutputOpen, "out.txt\n"},
      {"another's file", "mkdir -m 777 d; echo old > d/out.txt", false, Fault::kOutputOpen, "out.txt\n"},
      {"own file, folder closed", "mkdir -m 755 d; echo old > d/out.txt; chown nobody d/out.txt", false, Fault::kNone,
       "out.txt\n"},
      {"writable file in a sticky folder", "mkdir -m 1777 d; echo old > d/out.txt; chmod 666 d/out.txt", false, Fault::kNone,
       "out.txt\n"},
      {"writable texts in a sticky folder, named bare",
       "mkdir -m 1777 d; for f in out out-144; do echo old > d/$f.txt; chmod 666 d/$f.txt; done", true, Fault::kNone,
       "out-144.txt\nout.txt\n", true},
      {"second text cannot be created", "mkdir -m 755 d; echo old > d/out.txt; chown nobody d/out.txt", true,
       Fault::kOutputOpen, "out.txt\n"},
      {"both texts in place", "mkdir -m 755 d; for f in out out-144; do echo old > d/$f.txt; chown nobody d/$f.txt; done",
       true, Fault::kNone, "out-144.txt\nout.txt\n"},
      {"another's texts, no hard links", "mkdir -m 777 d; for f in out out-144; do echo old > d/$f.txt; chmod 662 d/$f.txt; done",
       true, Fault::kNone, "out-144.txt\nout.txt\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name).find("hard links") != std::string::npos && !protected_links) continue;
    sh(std::string("cd ") + base + " && rm -rf d && " + c.setup, &status);
    ASSERT_EQ(status, 0);
    std::string inside = nobody;
    inside.append(" sh -c 'cd ").append(base).append("/d && exec \"$0\" \"$@\"'");
    const Outcome r = run_glyfex({c.family ? hd : in, c.bare ? "out.txt" : base + "/d/out.txt"}, 0,
                                 (c.bare ? inside : nobody).c_str());
    EXPECT_EQ(r.status, c.message == Fault::kNone ? 0 : 1);
    if (c.message != Fault::kNone) {
      EXPECT_EQ(r.out, error_text(c.message));
      EXPECT_EQ(read_file(base + "/d/out.txt"), "old\n");
    } else {
      EXPECT_EQ(read_file(base + "/d/out.txt"), c.family ? hd72 : text);
      if (c.family) {
        EXPECT_EQ(read_file(base + "/d/out-144.txt"), hd144);
      }
    }
    EXPECT_EQ(sh("ls -A " + base + "/d", &status), c.listing);
    EXPECT_EQ(sh("ls -A " + tmp, &status), "");
  }
}

// On a file system that reserves no room (ext2, loop-mounted; root only),
// a text written over in place is written without reserving, and the copy
// of the old text goes away.
TEST(CliTest, InPlaceWhereNoRoomCanBeReserved) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a file system needs root";
  const std::string base = dir() + "/ext2", image = base + ".img", tmp = dir() + "/ext2-tmp", in = dir() + "/ext2.nfnt";
  int status = 0;
  mkdir(base.c_str(), 0755);
  mkdir(tmp.c_str(), 0777);
  chmod(tmp.c_str(), 01777);
  chmod(dir().c_str(), 0755);
  sh("truncate -s 4M " + image + " && mkfs.ext2 -q -F " + image + " && mount -o loop " + image + " " + base, &status);
  if (status != 0) GTEST_SKIP() << "an ext2 image could not be mounted";
  // Unmounted on every way out of the test.
  struct Unmount {
    std::string path;
    ~Unmount() {
      int ignored = 0;
      sh("umount " + path + " && rm -f " + path + ".img", &ignored);
    }
  } unmount{base};
  write_file(in, small_font());
  std::string text;
  ASSERT_EQ(convert_bytes(small_font(), 0, &text), "");
  sh("cd " + base + " && echo old > out.txt && chown nobody out.txt && chmod 755 .", &status);
  const Outcome r = run_glyfex({in, base + "/out.txt"}, 0,
                               ("env TMPDIR=" + tmp + " setpriv --reuid=65534 --regid=65534 --clear-groups").c_str());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, kBanner + std::string("3 glyphs exported.\n\n"));
  EXPECT_EQ(read_file(base + "/out.txt"), text);
  EXPECT_EQ(sh("ls -A " + tmp, &status), "");
}

// Standard output named as the output file, and standard output failing.
TEST(CliTest, StandardOutput) {
  const std::string in = dir() + "/stdout.bin", out = dir() + "/stdout.txt", err = dir() + "/stderr.txt";
  write_file(in, small_font());
  std::string text;
  ASSERT_EQ(convert_bytes(small_font(), 0, &text), "");
  int status = 0;
  sh(GLYFEX_EXE " " + in + " /dev/stdout > " + out, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read_file(out), kBanner + text + "3 glyphs exported.\n\n");

  for (const std::string& args : {std::string(in).append(" ").append(out), std::string()}) {
    SCOPED_TRACE(args);
    sh(std::string(GLYFEX_EXE " ").append(args).append(" > /dev/full 2> ").append(err), &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(read_file(err), std::string("glyfex: ") + fault_text(Fault::kStdout) + "\n");
  }
  EXPECT_EQ(read_file(out), text);
}

// An extended font's two texts go in place together or not at all.
TEST(CliTest, ExtendedFontWritesBothTexts) {
  FontModel m = make_font(65, 65, 1, {{65, {"#-#"}}});
  const std::string in = dir() + "/hd.nfnt", out = dir() + "/hd.txt", out144 = dir() + "/hd-144.txt";
  write_file(in, encode_font(make_extended(m, {72, 144})));
  std::string text72, text144;
  ASSERT_EQ(convert_bytes(encode_font(make_extended(m, {72, 144})), 0, &text72, &text144), "");
  Outcome r = run_glyfex({in, out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kBanner + ("Wrote the 144 dpi image to " + out144 + ".\n1 glyphs exported.\n\n"));
  EXPECT_EQ(read_file(out), text72);
  EXPECT_EQ(read_file(out144), text144);

  // The 144 dpi text cannot be written: the 72 dpi one stays as it was too.
  int status = 0;
  write_file(out, {'o', 'l', 'd'});
  unlink(out144.c_str());
  ASSERT_EQ(mkdir(out144.c_str(), 0700), 0);
  r = run_glyfex({in, out});
  EXPECT_EQ(r.out, error_text(Fault::kOutputOpen));
  EXPECT_EQ(read_file(out), "old");
  rmdir(out144.c_str());

  // The two texts would end as one file, whatever leads there: nothing is
  // written, and every link stays as it was.
  const struct {
    const char* name;
    const char* setup;  // run in the folder of hd.txt
  } kLinks[] = {
      {"144 -> 72", "ln -s hd.txt hd-144.txt"},
      {"144 -> 72, dangling", "rm hd.txt; ln -s hd.txt hd-144.txt"},
      {"72 -> 144, dangling", "rm hd.txt; ln -s hd-144.txt hd.txt"},
      {"a hard link", "ln hd.txt hd-144.txt"},
      {"through a folder's link", "rm hd.txt; mkdir -p real; ln -s real via; ln -s via/../real/x.txt hd.txt; "
                                  "ln -s real/x.txt hd-144.txt"},
  };
  for (const auto& c : kLinks) {
    SCOPED_TRACE(c.name);
    write_file(out, {'o', 'l', 'd'});
    sh("cd " + dir() + " && rm -rf hd-144.txt real via && " + c.setup, &status);
    ASSERT_EQ(status, 0);
    const std::string before = sh("cd " + dir() + " && ls -l hd.txt hd-144.txt | cut -c1-10,40-", &status);
    r = run_glyfex({in, out});
    EXPECT_EQ(r.out, error_text(Fault::kSameOutputs));
    EXPECT_EQ(sh("cd " + dir() + " && ls -l hd.txt hd-144.txt | cut -c1-10,40-", &status), before);
    EXPECT_EQ(sh("cd " + dir() + " && ls -A real 2>/dev/null; cat hd.txt 2>/dev/null", &status),
              std::string(c.setup).find("rm hd.txt") == std::string::npos ? "old" : "");
    sh("cd " + dir() + " && rm -rf hd.txt hd-144.txt real via", &status);
  }
  // Three densities: the message names the two texts that would be one.
  const std::string three = dir() + "/three.nfnt";
  write_file(three, encode_font(make_extended(m, {72, 108, 144})));
  const struct {
    const char* setup;
    Fault message;
  } kThree[] = {{"ln -s hd.txt hd-108.txt", Fault::kSameOutputs108},
                {"ln -s hd-108.txt hd-144.txt", Fault::kSameOutputs108And144},
                {"ln -s hd.txt hd-144.txt", Fault::kSameOutputs}};
  for (const auto& c : kThree) {
    SCOPED_TRACE(c.setup);
    sh("cd " + dir() + " && rm -f hd.txt hd-108.txt hd-144.txt && " + c.setup, &status);
    r = run_glyfex({three, out});
    EXPECT_EQ(r.out, error_text(c.message));
  }
  sh("cd " + dir() + " && rm -f hd.txt hd-108.txt hd-144.txt", &status);
  std::string t72, t108, t144;
  ASSERT_EQ(convert_bytes(encode_font(make_extended(m, {72, 108, 144})), 0, &t72, &t144, &t108), "");
  r = run_glyfex({three, out});
  EXPECT_EQ(r.out, kBanner + ("Wrote the 108 dpi image to " + dir() + "/hd-108.txt.\nWrote the 144 dpi image to " + out144 +
                              ".\n1 glyphs exported.\n\n"));
  EXPECT_EQ(read_file(dir() + "/hd-108.txt"), t108);
  EXPECT_EQ(read_file(out144), t144);
  sh("cd " + dir() + " && rm -f hd.txt hd-108.txt hd-144.txt", &status);

  // An output that is no file takes both texts, one after the other, through
  // one descriptor: standard output as a pipe or a file, and a FIFO whose
  // reader would see the end of the text if it were opened twice.
  const std::string all = kBanner + text72 + text144 + "Wrote the 144 dpi image to /dev/stdout.\n1 glyphs exported.\n\n";
  r = run_glyfex({in, "/dev/stdout"});
  EXPECT_EQ(r.out, all);
  sh(GLYFEX_EXE " " + in + " /dev/stdout > " + out, &status);
  EXPECT_EQ(read_file(out), all);
  EXPECT_NE(access("/dev/stdout-144", F_OK), 0);
  const std::string fifo = dir() + "/hd.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  sh("cat " + fifo + " > " + out + " & " GLYFEX_EXE " " + in + " " + fifo + " > /dev/null; wait", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read_file(out), text72 + text144);

  // When the second text cannot be renamed into place (a mount point), the
  // first is put back as it was, or removed when there was none.
  if (geteuid() == 0 && sh("touch " + out144 + " " + out144 + ".src && mount --bind " + out144 + ".src " + out144, &status) == "" && status == 0) {
    for (const bool had_old : {true, false}) {
      if (had_old) write_file(out, {'o', 'l', 'd'});
      if (!had_old) unlink(out.c_str());
      r = run_glyfex({in, out});
      EXPECT_EQ(r.out, error_text(Fault::kOutputWrite));
      EXPECT_EQ(read_file(out), had_old ? "old" : "");
      EXPECT_EQ(access(out.c_str(), F_OK) == 0, had_old);
      EXPECT_EQ(sh("ls -A " + dir() + " | grep -c glyfex-", &status), "0\n");
    }
    sh("umount " + out144 + "; rm " + out144 + ".src", &status);
  }

  // Nor may the 144 dpi text be the input.
  const std::string named = dir() + "/hd-144.nfnt";
  write_file(named, encode_font(make_extended(m, {144})));
  r = run_glyfex({named, dir() + "/hd.nfnt"});
  EXPECT_EQ(r.out, error_text(Fault::kSameFile));
}

// A font whose one glyph is 16000 columns by 2048 rows: 33 MB of text,
// long enough to be interrupted. Its offset/width table comes first, and
// the header at 2.
bool write_wide_font(const std::string& path) {
  std::vector<uint8_t> bytes(2 + 26, 0);
  for (int field : {kFirst, kLast}) put16(&bytes, 2 + 2 * field, 65);
  put16(&bytes, 2 + 2 * kHeight, 2048);
  put16(&bytes, 2 + 2 * kOwTLoc, -9);  // back to byte 0
  put16(&bytes, 2 + 2 * kRowWords, 1000);
  bytes.resize(bytes.size() + size_t{2048} * 2000, 0x5A);
  bytes.insert(bytes.end(), {0, 0, 0x3E, 0x80});  // locations 0 and 16000
  return write_file(path, bytes);
}

// Signals of every kind that ends a process: the common ones, others the
// system defines, a real-time one and faults sent with kill.
const int kInterrupts[] = {SIGINT,   SIGTERM,   SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ, SIGALRM, SIGUSR1,
                           SIGUSR2,  SIGVTALRM, SIGPROF, SIGPWR, SIGIO,   SIGSYS,  SIGABRT, SIGBUS,
                           SIGTRAP,  SIGSEGV,   SIGRTMIN + 1, SIGRTMAX};

// Starts argv with every interrupt at its default action and standard
// output going nowhere, sends sig after the time given and returns how the
// process ended.
int run_interrupted(const std::vector<std::string>& args, useconds_t after, int sig) {
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : kInterrupts) sigaddset(&defaults, s);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (spawned != 0) return -1;
  usleep(after);
  kill(pid, sig);
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// Interrupted at two moments by every signal that ends a process and can
// be caught, a conversion leaves the old output, or the whole new one when
// it finished first, and never a temporary file; the process ends by the
// signal. So do a file size limit and a FIFO companion whose reader leaves.
TEST(CliTest, InterruptedConversionLeavesNoTemporaryFile) {
  const std::string base = dir() + "/interrupt", in = base + "/wide.bin", out = base + "/out.txt";
  mkdir(base.c_str(), 0700);
  ASSERT_TRUE(write_wide_font(in));
  // SIGQUIT and SIGXFSZ would dump core.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  int interrupted = 0;
  for (const int sig : kInterrupts) {
    // The sanitizer reports SIGSEGV, SIGBUS and SIGFPE itself.
    if ((sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE) && sanitizer_handles_faults()) continue;
    for (const useconds_t after : {2000u, 8000u}) {
      SCOPED_TRACE(std::to_string(sig) + " after " + std::to_string(after) + " us");
      write_file(out, {'o', 'l', 'd'});
      const int status = run_interrupted({GLYFEX_EXE, in, out, "2"}, after, sig);
      interrupted += WIFSIGNALED(status) && WTERMSIG(status) == sig ? 1 : 0;
      EXPECT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == sig : WEXITSTATUS(status) == 0);
      struct stat st {};
      ASSERT_EQ(stat(out.c_str(), &st), 0);
      EXPECT_TRUE(st.st_size == 3 || st.st_size == 103 + 10 + 8 + 2048 * 16001 + 1) << st.st_size;
      int ls = 0;
      EXPECT_EQ(run_shell("ls -A " + base, &ls), "out.txt\nwide.bin\n");
    }
  }
  EXPECT_GT(interrupted, 0);

  // Its 144 dpi text is larger than a pipe holds.
  const std::string hd = base + "/hd.nfnt", fifo = base + "/out-144.txt";
  FontModel square = make_font(65, 65, 300, {{65, std::vector<std::string>(300, std::string(300, '#'))}});
  write_file(hd, encode_font(make_extended(square, {72, 144})));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    const char* name;
    std::string command;
    int signal;
  } kCases[] = {
      {"a file size limit", "ulimit -f 1000; exec " GLYFEX_EXE " " + in + " " + out + " 2", SIGXFSZ},
      {"a FIFO companion's reader leaves", "(exec 3<" + fifo + ") & " GLYFEX_EXE " " + hd + " " + out, SIGPIPE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    write_file(out, {'o', 'l', 'd'});
    int status = 0;
    run_shell("timeout 20 sh -c '" + c.command + "' > /dev/null 2>&1", &status);
    EXPECT_EQ(status, 128 + c.signal);
    EXPECT_EQ(read_file(out), "old");
    EXPECT_EQ(run_shell("ls -A " + base, &status), "hd.nfnt\nout-144.txt\nout.txt\nwide.bin\n");
  }
}

// Killed at any moment while its two texts are written over in place (root
// only: run as nobody in a folder nobody may not write), a conversion
// leaves both old texts or both whole new ones, and no temporary file in
// the folder or the temporary folder.
TEST(CliTest, InterruptedInPlaceKeepsTheFamilyTogether) {
  if (geteuid() != 0) GTEST_SKIP() << "changing to another user needs root";
  const std::string base = dir() + "/in-place", tmp = base + "/tmp", in = base + "/hd.nfnt";
  mkdir(base.c_str(), 0755);
  mkdir(tmp.c_str(), 0777);
  chmod(tmp.c_str(), 01777);
  chmod(dir().c_str(), 0755);
  FontModel m = make_font(65, 65, 1000, {{65, std::vector<std::string>(1000, std::string(4000, '#'))}});
  write_file(in, encode_font(make_extended(m, {72, 144})));
  const std::string out = base + "/out.txt", out144 = base + "/out-144.txt";
  int interrupted = 0, status = 0;
  ASSERT_EQ(run_glyfex({in, out}).status, 0);
  const off_t new72 = static_cast<off_t>(read_file(out).size()), new144 = static_cast<off_t>(read_file(out144).size());
  for (const useconds_t after : {3000u, 10000u, 20000u, 40000u, 80000u}) {
    SCOPED_TRACE(after);
    sh("cd " + base + " && for f in out out-144; do echo old > $f.txt; chown nobody $f.txt; done", &status);
    const int ended = run_interrupted({"env", "TMPDIR=" + tmp, "setpriv", "--reuid=65534", "--regid=65534",
                                       "--clear-groups", GLYFEX_EXE, in, out},
                                      after, SIGTERM);
    interrupted += WIFSIGNALED(ended) ? 1 : 0;
    struct stat a {}, b {};
    ASSERT_EQ(stat(out.c_str(), &a), 0);
    ASSERT_EQ(stat(out144.c_str(), &b), 0);
    EXPECT_TRUE((a.st_size == 4 && b.st_size == 4) || (a.st_size == new72 && b.st_size == new144))
        << a.st_size << " " << b.st_size;
    EXPECT_EQ(sh("ls -A " + base, &status), "hd.nfnt\nout-144.txt\nout.txt\ntmp\n");
    EXPECT_EQ(sh("ls -A " + tmp, &status), "");
  }
  EXPECT_GT(interrupted, 0);
}

TEST(CliTest, ShippedExamplesConvertToTheirTexts) {
  for (const char* name : {"sample", "sample-hd"}) {
    SCOPED_TRACE(name);
    const std::string out = dir() + "/" + name + ".txt";
    const Outcome r = run_glyfex({std::string(EXAMPLES_DIR "/") + name + ".nfnt", out});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(kBanner, 0), 0u);
    EXPECT_EQ(read_file(out), read_file(std::string(EXAMPLES_DIR "/") + name + ".txt"));
  }
  EXPECT_EQ(read_file(dir() + "/sample-hd-144.txt"), read_file(EXAMPLES_DIR "/sample-hd-144.txt"));
}

}  // namespace
