// Speed of the text writer and the resource reader on large fonts, beside a
// baseline that writes the same bytes with one fwrite per row; of rendering
// alone, with the portable and the vector loops; and of the scanner on a
// full database. The whole process is process_bench's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "font_builder.h"
#include "large_font.h"
#include "container/container.h"
#include "text/glyph_render.h"
#include "text/text_font.h"

namespace {

struct Shape {
  int glyphs, columns, rows;
};

// One file per shape, built once: the encoded font and its header's offset.
const std::string& font_file(const Shape& s) {
  static std::map<std::string, std::string> files;
  const std::string key = std::to_string(s.glyphs) + "x" + std::to_string(s.columns) + "x" + std::to_string(s.rows);
  auto it = files.find(key);
  if (it != files.end()) return it->second;
  const std::string path = "/tmp/glyfex-bench-" + key + ".bin";
  write_file(path, encode_font(large_font(s.glyphs, s.columns, s.rows)));
  return files[key] = path;
}

long header_offset(const Shape& s) { return 2L * s.glyphs; }

// The glyph rows' share of the text: what all three benchmarks count.
long text_bytes(const Shape& s) { return (s.columns + 1L) * s.rows * s.glyphs; }

Shape shape_of(const benchmark::State& state) {
  return {static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2))};
}

bool read_font(const Shape& s, FontImage* image) {
  OsFile file = kNoFile;
  OsFileInfo info{};
  ByteSource source{};
  const bool opened = os_open_input(font_file(s).c_str(), &file, &info) == OsError::kNone;
  Fault err = opened && file_source(file, &source) ? read_font_resource(source, header_offset(s), image) : Fault::kInputOpen;
  os_close(file);
  return err == Fault::kNone;
}

// Both write a new file, as glyfex does (truncating one the filesystem has
// not written out yet makes ext4 write it out first). The baseline gets a
// 256 KiB stream buffer, the best case for one fwrite per row.
const char kOutput[] = "/tmp/glyfex-bench-out.txt";

FILE* open_output(size_t buffer) {
  unlink(kOutput);
  FILE* out = std::fopen(kOutput, "w");
  if (out) std::setvbuf(out, nullptr, _IOFBF, buffer);
  return out;
}

void BM_Writer(benchmark::State& state) {
  FontImage image;
  if (!read_font(shape_of(state), &image)) return state.SkipWithError("font not read");
  for (auto _ : state) {
    unlink(kOutput);
    const int out = open(kOutput, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // A benchmark of this build only: the file is the descriptor it opened.
    write_text_font(OsFile{out}, image, kDensity72);
    close(out);
  }
  state.SetBytesProcessed(state.iterations() * text_bytes(shape_of(state)));
}

// The writer into /dev/null, which takes the bytes without copying them:
// what rendering alone costs, with the portable loops (vector 0) and with
// the vector ones (1).
void BM_Render(benchmark::State& state) {
  const bool vector = state.range(3) != 0;
  if (use_vector_rendering(vector) != vector) return state.SkipWithError("no vector loops on this processor");
  FontImage image;
  if (!read_font(shape_of(state), &image)) return state.SkipWithError("font not read");
  const int out = open("/dev/null", O_WRONLY);
  for (auto _ : state) write_text_font(OsFile{out}, image, kDensity72);
  close(out);
  use_vector_rendering(true);
  state.SetBytesProcessed(state.iterations() * text_bytes(shape_of(state)));
}

// The same number of rows and bytes as the writer's glyph rows, each row
// already in memory and handed over whole.
void BM_Baseline(benchmark::State& state) {
  const Shape s = shape_of(state);
  const std::string line = std::string(s.columns, '#') + '\n';
  for (auto _ : state) {
    FILE* out = open_output(256 * 1024);
    for (int g = 0; g < s.glyphs; ++g) {
      for (int r = 0; r < s.rows; ++r) std::fwrite(line.data(), 1, line.size(), out);
    }
    std::fclose(out);
  }
  state.SetBytesProcessed(state.iterations() * text_bytes(s));
}

void BM_Reader(benchmark::State& state) {
  const Shape s = shape_of(state);
  for (auto _ : state) {
    FontImage image;
    if (!read_font(s, &image)) return state.SkipWithError("font not read");
    benchmark::DoNotOptimize(image.strips[kDensity72].get());
  }
  state.SetBytesProcessed(state.iterations() * text_bytes(s));
}

// A database of 65535 resources, the most its list can hold: sizing them
// sorts the offsets once.
void BM_ScanLargeDatabase(benchmark::State& state) {
  std::vector<ResourceModel> resources(65535, ResourceModel{"tSTR", 0, {'x', 0}});
  for (size_t i = 0; i < resources.size(); ++i) resources[i].id = static_cast<int>(i);
  const std::vector<uint8_t> file = encode_prc(resources);
  for (auto _ : state) {
    ResourceList list{};
    if (scan_resources(memory_source(file.data(), file.size()), false, &list) != Fault::kNone) return state.SkipWithError("not listed");
    benchmark::DoNotOptimize(list.entries.get());
  }
}
BENCHMARK(BM_ScanLargeDatabase)->Unit(benchmark::kMillisecond);

// {glyphs, columns, rows}: the two large shapes, then each with rows or
// columns doubled from a half-size start.
void Shapes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"glyphs", "cols", "rows"});
  b->Args({256, 64, 2048})->Args({1, 65535, 255});
  b->Args({256, 64, 1024})->Args({256, 32, 2048})->Args({1, 32767, 255})->Args({1, 65535, 127});
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The large shapes, a narrow one and one whose glyphs start inside strip
// bytes, each with both loops.
void RenderShapes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"glyphs", "cols", "rows", "vector"});
  for (int vector : {0, 1}) {
    b->Args({256, 64, 2048, vector})->Args({1, 65535, 255, vector})->Args({256, 8, 8192, vector});
    b->Args({256, 255, 255, vector});
  }
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_Render)->Apply(RenderShapes);
BENCHMARK(BM_Writer)->Apply(Shapes);
BENCHMARK(BM_Baseline)->Apply(Shapes);
BENCHMARK(BM_Reader)->Apply(Shapes);

// Prints the results, then writer time / baseline time for every shape that
// both ran for (with --benchmark_repetitions, of the medians).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // A ratio of medians, or of single runs; one of spreads means nothing.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      times_[run.run_name.function_name][run.run_name.args] = run.GetAdjustedRealTime();
    }
  }
  void PrintRatios() {
    std::printf("\nwriter / baseline (medians when repeated)\n");
    for (const auto& [shape, writer] : times_["BM_Writer"]) {
      const auto baseline = times_["BM_Baseline"].find(shape);
      if (baseline != times_["BM_Baseline"].end()) std::printf("  %-45s %.2f\n", shape.c_str(), writer / baseline->second);
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
