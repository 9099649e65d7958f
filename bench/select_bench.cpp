// Drawing from a 10,000,000-unit frame (CSV: id, stratum, size, y): simple
// random, systematic and systematic PPS draws, sample file written, against
// the project's own scan of the size column (OpenDataFile and Scan); and the
// memory Sampford's and Brewer's methods and a sorted systematic PPS draw
// take per frame unit, from the process's peak resident size. bench/select-vs-r times the same draws
// against R's sampling package.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include "Ratios.h"
#include "data/DataFile.h"
#include "select/Draw.h"
#include "select/Parse.h"

namespace mirto::bench {
namespace {

constexpr long long kUnits = 10'000'000;

std::string WriteFrame(const std::string& name, long long units) {
  const std::string p = ScratchDir() + "/" + name;
  std::FILE* f = std::fopen(p.c_str(), "w");
  std::fputs("id,stratum,size,y\n", f);
  for (long long i = 0; i < units; ++i)
    std::fprintf(f, "%lld,%lld,%lld,%.2f\n", i + 1, i % 12, 1 + i * 7919 % 1000, static_cast<double>(i % 100'003) / 8);
  std::fclose(f);
  return p;
}

const std::string& Frame() {
  static const std::string path = WriteFrame("frame.csv", kUnits);
  return path;
}

// The same frame's first 100,000 units: what a draw takes whatever the frame's size.
constexpr long long kFewUnits = 100'000;
const std::string& FewUnits() {
  static const std::string path = WriteFrame("few.csv", kFewUnits);
  return path;
}

// The process's processor time: the machine may be shared, and a draw runs on one thread.
double Seconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

template <typename Once>
double Best(benchmark::State& state, Once once) {
  double best = 1e9;
  for (auto _ : state) {
    const double t0 = Seconds();
    if (!once()) {
      state.SkipWithError("failed");
      return 1e9;
    }
    const double seconds = Seconds() - t0;
    state.SetIterationTime(seconds);
    best = std::min(best, seconds);
  }
  return best;
}

bool ScanSize() {
  std::optional<data::DataProblem> problem;
  const auto file = data::OpenDataFile(Frame(), problem);
  if (!file) return false;
  const std::size_t size[] = {*file->Find("size")};
  double sum = 0;
  problem = file->Scan(size, [&](long long, std::span<const data::Value> v) {
    sum += v[0].number;
    return true;
  });
  benchmark::DoNotOptimize(sum);
  return !problem;
}

// `statement`: what follows `draw` in a script.
bool Draw(const std::string& statement, const std::string& frame = Frame()) {
  select::DrawRequest request;
  request.frame = frame;
  if (auto bad = select::ParseDraw(statement + " seed=1 out=" + ScratchDir() + "/sample.csv", request)) {
    std::fprintf(stderr, "%s\n", bad->c_str());
    return false;
  }
  select::DrawResult result;
  if (auto problem = select::RunDraw(request, {}, result)) {
    std::fprintf(stderr, "%s\n", problem->Describe().c_str());
    return false;
  }
  return true;
}

void BM_SelectScanOfTheSizeColumn(benchmark::State& state) { Best(state, ScanSize); }
BENCHMARK(BM_SelectScanOfTheSizeColumn)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Each draw beside a scan of its own, in turn, so that a machine that slows
// for a while slows both: the best of each.
void Against(benchmark::State& state, const std::string& statement, const char* target) {
  double scan = 1e9, draw = 1e9;
  for (auto _ : state) {
    const double t0 = Seconds();
    const bool scanned = ScanSize();
    const double t1 = Seconds();
    if (!scanned || !Draw(statement)) {
      state.SkipWithError("failed");
      return;
    }
    const double t2 = Seconds();
    state.SetIterationTime(t2 - t1);
    scan = std::min(scan, t1 - t0);
    draw = std::min(draw, t2 - t1);
  }
  state.counters["scan_ms"] = scan * 1e3;
  RecordRatio(target, draw / scan, 1.5, true, "times the scan of size");
}

void BM_SelectSrs(benchmark::State& state) {
  Against(state, "srs n=10000", "Select a. 10,000,000-unit frame, srs n=10,000, against the scan of size");
}
BENCHMARK(BM_SelectSrs)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_SelectSystematic(benchmark::State& state) {
  Against(state, "systematic n=10000",
          "Select b. 10,000,000-unit frame, systematic n=10,000, against the scan of size");
}
BENCHMARK(BM_SelectSystematic)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_SelectSystematicPps(benchmark::State& state) {
  Against(state, "pps size=size method=systematic n=10000",
          "Select c. 10,000,000-unit frame, systematic PPS n=10,000, against the scan of size");
}
BENCHMARK(BM_SelectSystematicPps)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// The peak resident size a draw adds, in bytes.
long long PeakOf(const std::string& statement, const std::string& frame) {
  return PeakAdded([&] { return Draw(statement, frame); });
}

// Bytes per frame unit: the growth of the peak from 100,000 units to 10,000,000.
void Memory(benchmark::State& state, const std::string& statement, const char* target) {
  for (auto _ : state) {
    const long long few = PeakOf(statement, FewUnits()), many = PeakOf(statement, Frame());
    if (few < 0 || many < 0) {
      state.SkipWithError("failed");
      RecordUnmeasured(target, "the draw failed, or no /proc/self/status");
      return;
    }
    const double perUnit = static_cast<double>(many - few) / static_cast<double>(kUnits - kFewUnits);
    state.counters["bytes_per_unit"] = perUnit;
    state.counters["fixed_bytes"] = static_cast<double>(few);
    RecordRatio(target, perUnit, 16, true, "bytes per frame unit");
  }
}

void BM_SelectSampfordMemory(benchmark::State& state) {
  Memory(state, "pps size=size method=sampford n=1000",
         "Select d. Sampford's method, memory per frame unit (10,000,000 units)");
}
BENCHMARK(BM_SelectSampfordMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SelectBrewerMemory(benchmark::State& state) {
  Memory(state, "pps size=size method=brewer n=1000",
         "Select e. Brewer's method, memory per frame unit (10,000,000 units)");
}
BENCHMARK(BM_SelectBrewerMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SelectSortedPpsMemory(benchmark::State& state) {
  Memory(state, "pps size=size method=systematic n=1000 sort=y",
         "Select f. Systematic PPS with sort=, memory per frame unit (10,000,000 units)");
}
BENCHMARK(BM_SelectSortedPpsMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
