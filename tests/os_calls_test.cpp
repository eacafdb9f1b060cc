// Every fault of putting texts in place, made in-process through the
// interface's table of calls, so that each runs on every system: writes in
// place failing at each step, a family with one text written in place and
// one renamed, refused hard links, failed put-backs, interrupts that
// cannot be held, and a strip that cannot be allocated. After each, every
// output holds its old text or its whole new one, both texts of the family
// alike, and no temporary file is left but one a message names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "cli/export_font.h"
#include "font_builder.h"
#include "os/os.h"

namespace {

namespace fs = std::filesystem;

enum Call { kNewInOutputs, kNewElsewhere, kHeldWrite, kReserve, kReplace, kLink, kMask, kAllocate, kCalls };

OsCalls real;
int calls[kCalls];
bool held = false;
std::string outputs_folder;
// Whether the nth call (from 1) of a kind fails.
std::function<bool(Call, int)> fails;

bool fail(Call call) { return fails(call, ++calls[call]); }

const OsCalls kFaulty = {
    [](const char* path, OsOpen how, OsFile* file) {
      if (how == OsOpen::kNew) {
        const bool in_outputs = std::strncmp(path, outputs_folder.c_str(), outputs_folder.size()) == 0;
        // A folder that refuses new files, as a folder the user may not write.
        if (fail(in_outputs ? kNewInOutputs : kNewElsewhere)) return OsError::kNoPermission;
      }
      return real.open(path, how, file);
    },
    [](OsFile file, const void* bytes, size_t n) { return !(held && fail(kHeldWrite)) && real.write_all(file, bytes, n); },
    [](OsFile file, uint64_t size) { return !fail(kReserve) && real.reserve(file, size); },
    [](const char* from, const char* to) { return !fail(kReplace) && real.replace(from, to); },
    [](const char* existing, const char* name) { return !fail(kLink) && real.link(existing, name); },
    [](const char* path) { return real.remove(path); },
    [](bool hold) {
      if (hold && fail(kMask)) return false;
      held = hold;
      return real.mask_interrupts(hold);
    },
    [](size_t bytes) { return fail(kAllocate) ? nullptr : real.allocate_large(bytes); },
};

// The temporary files a folder holds.
int temporary_files(const fs::path& folder) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.path().filename().string().rfind(".glyfex-", 0) == 0;
  return n;
}

#ifdef _WIN32
const char kTempVariable[] = "TMP";
void set_temp_folder(const std::string& path) { _putenv_s(kTempVariable, path.c_str()); }
#else
const char kTempVariable[] = "TMPDIR";
void set_temp_folder(const std::string& path) { setenv(kTempVariable, path.c_str(), 1); }
#endif

TEST(OsCallsTest, EveryFaultLeavesOldTextsOrNewOnes) {
  const fs::path base = fs::temp_directory_path() / ("glyfex-calls-" + std::to_string(std::random_device{}()) +
                                                     std::to_string(reinterpret_cast<uintptr_t>(&base) & 0xFFFFF));
  const fs::path tmp = base / "tmp", outs = base / "out";
  fs::create_directories(tmp);
  fs::create_directories(outs);
  const char* before = std::getenv(kTempVariable);
  const std::string temp_before = before != nullptr ? before : "";
  set_temp_folder(tmp.string());
  outputs_folder = outs.string();
  const std::string in = (base / "hd.nfnt").string(), out = (outs / "out.txt").string(),
                    out144 = (outs / "out-144.txt").string();
  const std::vector<uint8_t> font = encode_font(make_extended(make_font(65, 66, 1, {{65, {"#-#"}}, {66, {"##"}}}), {72, 144}));
  ASSERT_TRUE(write_file(in, font));
  std::string new72, new144;
  ASSERT_EQ(convert_bytes(font, 0, &new72, &new144), "");
  real = os_calls;
  const auto nth = [](Call kind, int n) { return [kind, n](Call c, int k) { return c == kind && k == n; }; };
  const auto all = [](Call kind) { return [kind](Call c, int) { return c == kind; }; };
  const auto in_place = [](const std::function<bool(Call, int)>& more) {
    return [more](Call c, int k) { return c == kNewInOutputs || more(c, k); };
  };
  const auto none = [](Call, int) { return false; };
  const Fault kWrite = Fault::kOutputWrite;
  const struct {
    const char* name;
    std::function<bool(Call, int)> fails;
    Fault message;  // kNone: converted
    bool kept;  // the old 72 dpi text is named as kept
  } kCases[] = {
      {"renamed", none, Fault::kNone, false},
      {"the second rename fails", nth(kReplace, 2), kWrite, false},
      {"the second rename and the put-back fail",
       [](Call c, int k) { return c == kReplace && k >= 2; }, kWrite, true},
      {"hard links refused", all(kLink), Fault::kNone, false},
      {"hard links refused, the second rename fails", [](Call c, int k) { return c == kLink || (c == kReplace && k == 4); },
       kWrite, false},
      {"interrupts cannot be held", all(kMask), kWrite, false},
      {"no memory for the strip", all(kAllocate), Fault::kFontMemory, false},
      {"no memory for the text", nth(kAllocate, 3), Fault::kTextMemory, false},
      {"in place", in_place(none), Fault::kNone, false},
      {"in place, no copy of the old text", in_place(all(kNewElsewhere)), kWrite, false},
      {"in place, no room", in_place(nth(kReserve, 2)), kWrite, false},
      {"in place, the first write fails", in_place(nth(kHeldWrite, 1)), kWrite, false},
      {"in place, the second write fails", in_place(nth(kHeldWrite, 2)), kWrite, false},
      {"in place, the write and its put-back fail", in_place([](Call c, int k) { return c == kHeldWrite && k <= 2; }),
       kWrite, true},
      {"one in place, one renamed", nth(kNewInOutputs, 1), Fault::kNone, false},
      {"one in place, one renamed, the write fails",
       [](Call c, int k) { return (c == kNewInOutputs && k == 1) || (c == kHeldWrite && k == 1); }, kWrite, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    for (const std::string& path : {out, out144}) ASSERT_TRUE(write_file(path, {'o', 'l', 'd'}));
    std::fill(calls, calls + kCalls, 0);
    fails = c.fails;
    os_calls = kFaulty;
    KeptTexts kept{};
    Fault err = export_font(in.c_str(), out.c_str(), 0, ExportOptions{false, Charset::kLatin}, &kept);
    EXPECT_EQ(held, c.kept);
    if (c.kept) os_release_interrupts();
    os_calls = real;
    EXPECT_EQ(err, c.message);
    const bool converted = c.message == Fault::kNone;
    EXPECT_EQ(read_file(out144), converted ? new144 : "old");
    ASSERT_EQ(kept.count, c.kept ? 1 : 0);
    if (c.kept) {
      EXPECT_EQ(kept.texts[0].output, out);
      EXPECT_EQ(read_file(kept.texts[0].kept), "old");
      EXPECT_EQ(std::remove(kept.texts[0].kept), 0);
    } else {
      EXPECT_EQ(read_file(out), converted ? new72 : "old");
    }
    EXPECT_EQ(temporary_files(outs), 0);
    EXPECT_EQ(temporary_files(tmp), 0);
  }
  set_temp_folder(temp_before);
  fs::remove_all(base);
}

}  // namespace
