// Files built to make glyfex-scan work hard: entries that share one font
// or one strip, inkless headers after many short zero runs, and ROM images
// that name things twice, loop or overflow. The tests build them small;
// the benchmark builds them at the sizes that once took minutes.
#ifndef GLYFEX_TESTS_HOSTILE_FILES_H
#define GLYFEX_TESTS_HOSTILE_FILES_H

#include <cstddef>
#include <cstdint>
#include <vector>

// A Palm resource database of entries NFNT resources that all lie at one
// font whose strip takes strip_bytes (distinct: each entry its own
// extended font header, all pointing at one strip after them, with
// vary_reach each reaching one column further). The font has ink in its
// glyphs and a set pixel past the last one.
std::vector<uint8_t> shared_strip_prc(int entries, size_t strip_bytes, bool distinct, bool vary_reach = false);

// A file of no known kind: three inkless fonts whose strips leave many
// one-byte runs of zeros between set bytes outside their glyphs, then
// headers inkless extended headers whose strips all lie at one zero strip
// of strip_bytes, then one real font.
std::vector<uint8_t> zero_memo_file(int headers, size_t strip_bytes, size_t short_runs);

// The real font the last two end with: two glyphs, ink in both.
std::vector<uint8_t> inked_font();

#endif
