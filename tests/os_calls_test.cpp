// Every fault of putting texts in place, made in-process through the
// interface's table of calls, so that each runs on every system: writes in
// place failing at each step, a family with one text written in place and
// one renamed, refused hard links, failed put-backs, interrupts that
// cannot be held, and a strip that cannot be allocated. After each, every
// output holds its old text or its whole new one, both texts of the family
// alike, and no temporary file is left but one a message names.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

enum Call {
  kNewInOutputs,
  kNewElsewhere,
  kStatOutput,
  kHeldStat,
  kHeldWrite,
  kReserve,
  kSizeNewFile,
  kReplace,
  kLink,
  kRemove,
  kMask,
  kAllocate,
  kCalls
};

OsCalls real;
int calls[kCalls];
bool held = false;
std::string outputs_folder;
// Whether the nth call (from 1) of a kind fails.
std::function<bool(Call, int)> fails;
// The signal raised before the call of that number (of every kind, from
// 1), or 0.
int raise_signal = 0, raise_at = 0, steps = 0;

bool fail(Call call) {
  if (raise_signal != 0 && ++steps == raise_at) raise(raise_signal);
  return fails(call, ++calls[call]);
}

bool in_outputs(const char* path) { return std::strncmp(path, outputs_folder.c_str(), outputs_folder.size()) == 0; }

const OsCalls kFaulty = {
    [](const char* path, OsOpen how, OsFile* file) {
      // A folder that refuses new files, as a folder the user may not write.
      if (how == OsOpen::kNew && fail(in_outputs(path) ? kNewInOutputs : kNewElsewhere)) return OsError::kNoPermission;
      return real.open(path, how, file);
    },
    [](const char* path, OsFileInfo* info) {
      // A disk that cannot be read where an output lies.
      if (in_outputs(path) && fail(held ? kHeldStat : kStatOutput)) return OsError::kOther;
      return real.stat(path, info);
    },
    [](OsFile file, const void* bytes, size_t n) { return !(held && fail(kHeldWrite)) && real.write_all(file, bytes, n); },
    [](OsFile file, uint64_t size) { return !fail(kReserve) && real.reserve(file, size); },
    // Failing, it leaves the file half its size, as a full disk might.
    [](OsFile file, uint64_t size) {
      if (!fail(kSizeNewFile)) return real.allocate(file, size);
      real.allocate(file, size / 2);
      return false;
    },
    [](const char* from, const char* to) { return !fail(kReplace) && real.replace(from, to); },
    [](const char* existing, const char* name) { return !fail(kLink) && real.link(existing, name); },
    [](const char* path) { return fail(kRemove) ? OsError::kOther : real.remove(path); },
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
// An empty path takes the variable away.
void set_temp_folder(const std::string& path) {
  if (path.empty()) {
    unsetenv(kTempVariable);
  } else {
    setenv(kTempVariable, path.c_str(), 1);
  }
}
#endif

// The folders and fonts both tests use: the outputs in a folder of their
// own, the temporary folder apart, and a font with two densities.
struct Scene {
  fs::path base, tmp, outs;
  std::string in, out, out144, new72, new144, tempBefore;
};

void set_up(Scene* s) {
  s->base = fs::temp_directory_path() / ("glyfex-calls-" + std::to_string(std::random_device{}()) +
                                         std::to_string(reinterpret_cast<uintptr_t>(s) & 0xFFFFF));
  s->tmp = s->base / "tmp";
  s->outs = s->base / "out";
  fs::create_directories(s->tmp);
  fs::create_directories(s->outs);
  const char* before = std::getenv(kTempVariable);
  s->tempBefore = before != nullptr ? before : "";
  set_temp_folder(s->tmp.string());
  outputs_folder = s->outs.string();
  s->in = (s->base / "hd.nfnt").string();
  s->out = (s->outs / "out.txt").string();
  s->out144 = (s->outs / "out-144.txt").string();
  const std::vector<uint8_t> font = encode_font(make_extended(make_font(65, 66, 1, {{65, {"#-#"}}, {66, {"##"}}}), {72, 144}));
  ASSERT_TRUE(write_file(s->in, font));
  ASSERT_EQ(convert_bytes(font, 0, &s->new72, &s->new144), "");
  real = os_calls;
}

void tear_down(const Scene& s) {
  set_temp_folder(s.tempBefore);
  fs::remove_all(s.base);
}

Fault convert(const Scene& s, KeptTexts* kept) {
  return export_font(s.in.c_str(), s.out.c_str(), 0, ExportOptions{false, Charset::kLatin, -1}, kept);
}

const auto nth = [](Call kind, int n) { return [kind, n](Call c, int k) { return c == kind && k == n; }; };
const auto all = [](Call kind) { return [kind](Call c, int) { return c == kind; }; };
const auto in_place = [](const std::function<bool(Call, int)>& more) {
  return [more](Call c, int k) { return c == kNewInOutputs || more(c, k); };
};
const auto none = [](Call, int) { return false; };

TEST(OsCallsTest, EveryFaultLeavesOldTextsOrNewOnes) {
  Scene s;
  set_up(&s);
  const Fault kWrite = Fault::kOutputWrite;
  const struct {
    const char* name;
    std::function<bool(Call, int)> fails;
    Fault message;  // kNone: converted
    bool kept;  // the old 72 dpi text is named as kept
    int left;  // temporary files named as left behind
    bool fresh = false;  // no outputs before
  } kCases[] = {
      {"renamed", none, Fault::kNone, false, 0},
      {"the second rename fails", nth(kReplace, 2), kWrite, false, 0},
      {"the second rename and the put-back fail", [](Call c, int k) { return c == kReplace && k >= 2; }, kWrite, true, 0},
      {"hard links refused", all(kLink), Fault::kNone, false, 0},
      {"hard links refused, the second rename fails", [](Call c, int k) { return c == kLink || (c == kReplace && k == 4); },
       kWrite, false, 0},
      {"interrupts cannot be held", all(kMask), kWrite, false, 0},
      {"no memory for the strip", all(kAllocate), Fault::kFontMemory, false, 0},
      {"no memory for the text", nth(kAllocate, 3), Fault::kTextMemory, false, 0},
      {"an output cannot be looked at", all(kStatOutput), Fault::kOutputOpen, false, 0},
      {"a target cannot be looked at while placing", all(kHeldStat), kWrite, false, 0},
      {"the second target cannot be looked at while placing", nth(kHeldStat, 2), kWrite, false, 0},
      {"the old texts' second names cannot be removed", [](Call c, int k) { return c == kRemove && k >= 3; },
       Fault::kNone, false, 2},
      {"in place", in_place(none), Fault::kNone, false, 0},
      {"in place, no copy of the old text", in_place(all(kNewElsewhere)), kWrite, false, 0},
      {"in place, no room", in_place(nth(kReserve, 2)), kWrite, false, 0},
      {"in place, the first write fails", in_place(nth(kHeldWrite, 1)), kWrite, false, 0},
      {"in place, the second write fails", in_place(nth(kHeldWrite, 2)), kWrite, false, 0},
      {"in place, the write and its put-back fail", in_place([](Call c, int k) { return c == kHeldWrite && k <= 2; }),
       kWrite, true, 0},
      {"in place, the temporary files cannot be removed", in_place(all(kRemove)), Fault::kNone, false, 4},
      {"one in place, one renamed", nth(kNewInOutputs, 1), Fault::kNone, false, 0},
      {"one in place, one renamed, the write fails",
       [](Call c, int k) { return (c == kNewInOutputs && k == 1) || (c == kHeldWrite && k == 1); }, kWrite, false, 0},
      {"new outputs", none, Fault::kNone, false, 0, true},
      {"new outputs, no room reserved for them", all(kSizeNewFile), Fault::kNone, false, 0, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    for (const std::string& path : {s.out, s.out144}) {
      std::remove(path.c_str());
      if (!c.fresh) {
        ASSERT_TRUE(write_file(path, {'o', 'l', 'd'}));
      }
    }
    std::fill(calls, calls + kCalls, 0);
    fails = c.fails;
    os_calls = kFaulty;
    KeptTexts kept{};
    const Fault err = convert(s, &kept);
    EXPECT_EQ(held, c.kept);
    if (c.kept) os_release_interrupts();
    os_calls = real;
    EXPECT_EQ(err, c.message);
    EXPECT_EQ(calls[kSizeNewFile], c.fresh ? 2 : 0);
    const bool converted = c.message == Fault::kNone;
    EXPECT_EQ(read_file(s.out144), converted ? s.new144 : "old");
    ASSERT_EQ(kept.count, c.kept ? 1 : 0);
    if (c.kept) {
      EXPECT_EQ(kept.texts[0].output, s.out);
      EXPECT_EQ(read_file(kept.texts[0].kept), "old");
      EXPECT_EQ(std::remove(kept.texts[0].kept), 0);
    } else {
      EXPECT_EQ(read_file(s.out), converted ? s.new72 : "old");
    }
    // A file named as left behind is there, and goes now.
    ASSERT_EQ(kept.leftCount, c.left);
    for (int i = 0; i < kept.leftCount; ++i) EXPECT_EQ(std::remove(kept.left[i]), 0) << kept.left[i];
    EXPECT_EQ(temporary_files(s.outs), 0);
    EXPECT_EQ(temporary_files(s.tmp), 0);
  }
  tear_down(s);
}

#ifndef _WIN32

// A signal raised before every call the conversion makes, in a child
// process: whether it is held back (asynchronous, real-time) or not (a
// fault), the outputs hold their old texts or their whole new ones, the
// family alike, and no temporary file is left. The sanitizer reports the
// faults it handles itself, so those are left out under it.
TEST(OsCallsTest, EverySignalAtEveryStepLeavesOldTextsOrNewOnes) {
  Scene s;
  set_up(&s);
  std::vector<int> signals = {SIGTERM, SIGRTMIN + 2, SIGRTMAX, SIGPWR, SIGSYS, SIGABRT, SIGILL, SIGTRAP};
  if (!sanitizer_handles_faults()) signals.insert(signals.end(), {SIGSEGV, SIGBUS, SIGFPE});
  const struct {
    const char* name;
    std::function<bool(Call, int)> fails;
    bool new144;  // no 144 dpi text before
  } kScenes[] = {
      {"renamed", none, false},
      {"hard links refused", all(kLink), false},
      {"a new 144 dpi text", none, true},
      {"in place", in_place(none), false},
      {"one in place, one renamed", nth(kNewInOutputs, 1), false},
  };
  for (const auto& scene : kScenes) {
    fails = scene.fails;
    // The steps of the whole conversion, counted once.
    const auto prepare = [&] {
      write_file(s.out, {'o', 'l', 'd'});
      if (scene.new144) {
        std::remove(s.out144.c_str());
      } else {
        write_file(s.out144, {'o', 'l', 'd'});
      }
      std::fill(calls, calls + kCalls, 0);
      steps = 0;
    };
    prepare();
    raise_signal = SIGTERM;
    raise_at = -1;
    os_calls = kFaulty;
    KeptTexts kept{};
    ASSERT_EQ(convert(s, &kept), Fault::kNone) << scene.name;
    os_calls = real;
    const int total = steps;
    for (const int sig : signals) {
      for (int at = 1; at <= total; ++at) {
        SCOPED_TRACE(std::string(scene.name) + ", signal " + std::to_string(sig) + " before call " + std::to_string(at));
        prepare();
        raise_signal = sig;
        raise_at = at;
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
          const rlimit no_core{0, 0};
          setrlimit(RLIMIT_CORE, &no_core);
          os_calls = kFaulty;
          _exit(convert(s, &kept) == Fault::kNone ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        const std::string now72 = read_file(s.out), now144 = read_file(s.out144);
        const bool was_old = now72 == "old" && now144 == (scene.new144 ? "" : "old") &&
                             fs::exists(s.out144) == !scene.new144;
        EXPECT_TRUE(was_old || (now72 == s.new72 && now144 == s.new144)) << now72 << " / " << now144;
        EXPECT_EQ(temporary_files(s.outs), 0);
        EXPECT_EQ(temporary_files(s.tmp), 0);
        if (HasFailure()) break;
      }
    }
  }
  raise_signal = 0;
  tear_down(s);
}

#endif

}  // namespace
