// Failures made through the interface's table of calls, in-process, so
// that they run on every system: a rename that fails after another output
// went into place, and a strip that cannot be allocated.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/export_font.h"
#include "font_builder.h"
#include "os/os.h"

namespace {

OsCalls real;
int renames;

TEST(OsCallsTest, FailuresLeaveTheOldFiles) {
  const std::vector<uint8_t> font = encode_font(make_extended(make_font(65, 65, 1, {{65, {"#-#"}}}), {72, 144}));
  ASSERT_TRUE(write_file("calls.nfnt", font));
  real = os_calls;
  const struct {
    const char* name;
    OsCalls calls;
    const char* message;
  } kCases[] = {
      {"the second rename fails",
       {real.write_all, [](const char* from, const char* to) { return ++renames != 2 && real.replace(from, to); },
        real.allocate_large},
       "Could not write output file."},
      {"no memory for the strip", {real.write_all, real.replace, [](size_t) -> void* { return nullptr; }},
       "Not enough memory for the font image."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    for (const char* path : {"calls.txt", "calls-144.txt"}) ASSERT_TRUE(write_file(path, {'o', 'l', 'd'}));
    renames = 0;
    os_calls = c.calls;
    const char* err = export_font("calls.nfnt", "calls.txt", 0);
    os_calls = real;
    EXPECT_STREQ(err, c.message);
    EXPECT_EQ(read_file("calls.txt"), "old");
    EXPECT_EQ(read_file("calls-144.txt"), "old");
  }
  for (const char* path : {"calls.nfnt", "calls.txt", "calls-144.txt"}) std::remove(path);
}

}  // namespace
