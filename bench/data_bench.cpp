// Reading unit-level data: 1,000,000 rows scanned for y and the stratum,
// against the bare parser reading the same file: libcsv with callbacks that
// do nothing for a CSV file (which our own reader must beat: below 1), and
// ReadStat with handlers that do nothing for an SPSS file (at most twice its
// time). The visitor here only adds y up; summaries built on the scan take
// its place.
#include <benchmark/benchmark.h>
#include <csv.h>
#include <fcntl.h>
#include <readstat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <vector>

#include "Ratios.h"
#include "data/DataFile.h"
#include "data/DataSession.h"
#include "framework/Format.h"

namespace mirto::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 1'000'000;
constexpr int kStrata = 12;

// In 64 bits: i * 7919 overflows an int, and the loop that relies on it may then never end.
double Y(int i) { return 1000 + (static_cast<long long>(i) * 7919 % 100'003) / 8.0; }

const std::string& CsvFile() {
  static const std::string path = [] {
    const std::string p = ScratchDir() + "/units.csv";
    std::string text = "id,region,y,x\n";
    for (int i = 0; i < kRows; ++i) text += Format("%d,Region %d,%.3f,%d\n", i + 1, i % kStrata, Y(i), i % 977);
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }();
  return path;
}

const std::string& SavFile() {
  static const std::string path = [] {
    const std::string p = ScratchDir() + "/units.sav";
    std::string out;
    readstat_writer_t* w = readstat_writer_init();
    readstat_set_data_writer(w, [](const void* data, std::size_t size, void* stream) {
      static_cast<std::string*>(stream)->append(static_cast<const char*>(data), size);
      return static_cast<ssize_t>(size);
    });
    readstat_label_set_t* labels = readstat_add_label_set(w, READSTAT_TYPE_INT32, "regions");
    for (int s = 0; s < kStrata; ++s) readstat_label_int32_value(labels, s, Format("Region %d", s).c_str());
    readstat_variable_t* id = readstat_add_variable(w, "id", READSTAT_TYPE_INT32, 0);
    readstat_variable_t* region = readstat_add_variable(w, "region", READSTAT_TYPE_INT32, 0);
    readstat_variable_set_label_set(region, labels);
    readstat_variable_t* y = readstat_add_variable(w, "y", READSTAT_TYPE_DOUBLE, 0);
    readstat_variable_t* x = readstat_add_variable(w, "x", READSTAT_TYPE_DOUBLE, 0);
    readstat_begin_writing_sav(w, &out, kRows);
    for (int i = 0; i < kRows; ++i) {
      readstat_begin_row(w);
      readstat_insert_int32_value(w, id, i + 1);
      readstat_insert_int32_value(w, region, i % kStrata);
      readstat_insert_double_value(w, y, Y(i));
      readstat_insert_double_value(w, x, i % 977);
      readstat_end_row(w);
    }
    readstat_end_writing(w);
    readstat_writer_free(w);
    std::ofstream(p, std::ios::binary) << out;
    return p;
  }();
  return path;
}

// The best of the runs of `once`, which returns false when it failed.
template <typename Once>
double Best(benchmark::State& state, Once once) {
  double best = 1e9;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    if (!once()) {
      state.SkipWithError("the file could not be read");
      return 1e9;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    state.SetIterationTime(seconds);
    best = std::min(best, seconds);
  }
  state.counters["rows_per_s"] = kRows / best;
  return best;
}

// OpenDataFile and a scan of y and region; false unless every row came with its y.
bool Scanned(const std::string& path) {
  std::optional<data::DataProblem> problem;
  const auto file = data::OpenDataFile(path, problem);
  if (!file) return false;
  const std::size_t columns[] = {*file->Find("y"), *file->Find("region")};
  double sum = 0;
  long long rows = 0, named = 0;
  problem = file->Scan(columns, [&](long long, std::span<const data::Value> values) {
    sum += values[0].number;
    named += !values[1].text.empty();
    ++rows;
    return true;
  });
  benchmark::DoNotOptimize(sum);
  return !problem && rows == kRows && named == kRows;
}

// What a stratified command reads: y by stratum, in one scan, moments per
// stratum; or (`ratio`) what a ratio estimator reads: y and x, their moments
// and cross products.
bool Summarized(const std::string& path, bool ratio = false) {
  data::DataSession session;
  const std::pair<data::Role, std::string> roles[] = {
      {data::Role::Y, "y"},
      ratio ? std::pair(data::Role::X, std::string("x")) : std::pair(data::Role::Stratum, std::string("region"))};
  if (session.Open(path, path) || session.Use(roles)) return false;
  data::ScanPlan plan;
  plan.numeric = {data::Role::Y};
  if (ratio)
    plan.numeric.push_back(data::Role::X);
  else
    plan.by = data::Role::Stratum;
  data::Scan scan;
  return !session.Run(plan, scan) && scan.used == kRows && scan.groups.size() == (ratio ? 0 : kStrata);
}

bool LibcsvAlone(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  csv_parser parser{};
  csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
  std::vector<char> buffer(1 << 16);
  long rows = 0;
  const auto field = [](void*, std::size_t, void*) {};
  const auto row = [](int, void* count) { ++*static_cast<long*>(count); };
  ssize_t n;
  while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
    csv_parse(&parser, buffer.data(), static_cast<std::size_t>(n), field, row, &rows);
  csv_fini(&parser, field, row, &rows);
  csv_free(&parser);
  ::close(fd);
  return rows == kRows + 1;
}

bool ReadStatAlone(const std::string& path) {
  readstat_parser_t* parser = readstat_parser_init();
  long values = 0;
  readstat_set_variable_handler(parser, [](int, readstat_variable_t*, const char*, void*) { return 0; });
  readstat_set_value_handler(parser, [](int, readstat_variable_t*, readstat_value_t, void* count) {
    ++*static_cast<long*>(count);
    return 0;
  });
  const readstat_error_t error = readstat_parse_sav(parser, path.c_str(), &values);
  readstat_parser_free(parser);
  return error == READSTAT_OK && values == 4L * kRows;
}

double g_libcsv = 0, g_readstat = 0;

void BM_CsvLibcsvAlone(benchmark::State& state) {
  g_libcsv = Best(state, [] { return LibcsvAlone(CsvFile()); });
}
BENCHMARK(BM_CsvLibcsvAlone)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The best time of `once` as a ratio to the reference's, recorded against `limit`.
template <typename Once>
void Against(benchmark::State& state, Once once, double reference, const char* target, const char* unit, double limit) {
  const double best = Best(state, once);
  if (reference > 0 && best < 1e9) RecordRatio(target, best / reference, limit, true, unit);
}

void BM_CsvScan(benchmark::State& state) {
  Against(
      state, [] { return Scanned(CsvFile()); }, g_libcsv,
      "Data a. 1,000,000 CSV rows scanned for y and stratum, against libcsv alone", "times libcsv's time", 1.0);
}
BENCHMARK(BM_CsvScan)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_CsvSummary(benchmark::State& state) {
  Against(
      state, [] { return Summarized(CsvFile()); }, g_libcsv,
      "Data c. 1,000,000 CSV rows summarized by stratum, against libcsv alone", "times libcsv's time", 1.0);
}
BENCHMARK(BM_CsvSummary)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_CsvRatioSummary(benchmark::State& state) {
  Against(
      state, [] { return Summarized(CsvFile(), true); }, g_libcsv,
      "Data e. 1,000,000 CSV rows summarized for y and x, against libcsv alone", "times libcsv's time", 1.0);
}
BENCHMARK(BM_CsvRatioSummary)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SavReadStatAlone(benchmark::State& state) {
  g_readstat = Best(state, [] { return ReadStatAlone(SavFile()); });
}
BENCHMARK(BM_SavReadStatAlone)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SavScan(benchmark::State& state) {
  Against(
      state, [] { return Scanned(SavFile()); }, g_readstat,
      "Data b. 1,000,000 SPSS rows scanned for y and stratum, against ReadStat alone", "times ReadStat's time", 2.0);
}
BENCHMARK(BM_SavScan)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SavSummary(benchmark::State& state) {
  Against(
      state, [] { return Summarized(SavFile()); }, g_readstat,
      "Data d. 1,000,000 SPSS rows summarized by stratum, against ReadStat alone", "times ReadStat's time", 2.0);
}
BENCHMARK(BM_SavSummary)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
