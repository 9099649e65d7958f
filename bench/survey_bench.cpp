// Survey designs: an estimate's pass over a file against the project's reader
// scanning the same columns (a mean by domain of 3,000,000 rows with 60
// strata and 120 PSUs; a mean of 1,300,000 rows with 80 replicate weights),
// the peak memory of the whole program on the first, and R survey on a
// 500,000-row stratified file, both from the file to the estimate. Then
// calibration of the first design on two margins of 100 cells against one
// estimate's pass over the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <variant>

#include "Ratios.h"
#include "data/DataFile.h"
#include "framework/Format.h"
#include "survey/Calibration.h"
#include "survey/Design.h"
#include "survey/Estimate.h"
#include "survey/Parse.h"
#include "survey/Totals.h"

extern char** environ;

namespace mirto::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr long kRows = 3'000'000, kReplicateRows = 1'300'000, kRRows = 500'000;
constexpr int kStrata = 60, kPsus = 120, kDomains = 10, kReplicates = 80;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The process's processor time: the machine is shared, and the reading of a
// file the page cache holds is work of the processor.
double CpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Rows in stratum and PSU order, as survey files come; the domains mixed
// within PSUs, and a second variable of 10 levels (r) crossing them.
void WriteStratified(const std::string& path, long rows) {
  std::ofstream out(path, std::ios::binary);
  out << "st,psu,w,y,d,r\n";
  std::string chunk;
  for (long i = 0; i < rows; ++i) {
    const long psu = i * kPsus / rows;
    chunk += Format("%ld,%ld,%.1f,%.3f,D%ld,R%ld\n", psu / 2, psu, 10 + (i * 7 % 13) * 0.5,
                    1000 + static_cast<double>(i * 7919 % 100'003) / 8.0, i * 31 % kDomains, i * 17 / 7 % 10);
    if (chunk.size() > (1 << 20)) out << chunk, chunk.clear();
  }
  out << chunk;
}

// Full weights and 80 replicate weights, each 0 or twice the full weight by
// half-sample, as balanced repeated replication has them.
void WriteReplicated(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "w,y,d";
  for (int r = 1; r <= kReplicates; ++r) out << ",r" << r;
  out << '\n';
  std::string chunk;
  for (long i = 0; i < kReplicateRows; ++i) {
    const double w = 10 + static_cast<double>(i * 7 % 13) * 0.5;
    chunk += Format("%.1f,%.3f,D%ld", w, 1000 + static_cast<double>(i * 7919 % 100'003) / 8.0, i * 31 % kDomains);
    const long half = i * 2 * kReplicates / kReplicateRows;
    for (int r = 0; r < kReplicates; ++r) chunk += ((half >> (r % 7)) + r) % 2 ? Format(",%.1f", 2 * w) : ",0";
    chunk += '\n';
    if (chunk.size() > (1 << 20)) out << chunk, chunk.clear();
  }
  out << chunk;
}

const std::string& StratifiedFile() {
  static const std::string path = [] {
    const std::string p = ScratchDir() + "/survey.csv";
    WriteStratified(p, kRows);
    return p;
  }();
  return path;
}

const std::string& ReplicatedFile() {
  static const std::string path = [] {
    const std::string p = ScratchDir() + "/replicates.csv";
    WriteReplicated(p);
    return p;
  }();
  return path;
}

std::unique_ptr<data::DataFile> Open(const std::string& path) {
  std::optional<data::DataProblem> problem;
  return data::OpenDataFile(path, problem);
}

// The reader alone on `names`: every value looked at, numbers added up.
bool Scan(const data::DataFile& file, const std::vector<std::string>& names, long rows) {
  std::vector<std::size_t> columns;
  for (const std::string& name : names) columns.push_back(*file.Find(name));
  double sum = 0;
  long seen = 0, texts = 0;
  const auto problem = file.Scan(columns, [&](long long, std::span<const data::Value> values) {
    for (const data::Value& v : values) v.numeric ? sum += v.number : texts += !v.text.empty();
    ++seen;
    return true;
  });
  benchmark::DoNotOptimize(sum);
  return !problem && seen == rows;
}

std::optional<survey::Design> ReadDesign(const data::DataFile& file, const std::string& text) {
  auto request = survey::ParseDesign(text);
  auto design = survey::ReadDesign(file, "bench", std::get<survey::DesignRequest>(request));
  if (std::holds_alternative<data::DataProblem>(design)) return std::nullopt;
  return std::get<survey::Design>(std::move(design));
}

bool Estimated(const data::DataFile& file, const survey::Design& design, const std::string& text, long rows) {
  const auto estimates = survey::Estimate(file, design, std::get<survey::EstimateRequest>(survey::ParseEstimate(text)));
  return std::holds_alternative<survey::Estimates>(estimates) && std::get<survey::Estimates>(estimates).used == rows;
}

// The scan and `once` in turn, so that both meet the same state of a shared
// machine; the best time of each.
template <typename Once>
std::pair<double, double> Alternating(benchmark::State& state, const std::function<bool()>& scan, Once once) {
  double bestScan = 1e9, best = 1e9;
  for (auto _ : state) {
    double t0 = CpuSeconds();
    const bool scanned = scan();
    bestScan = std::min(bestScan, CpuSeconds() - t0);
    t0 = CpuSeconds();
    if (!scanned || !once()) {
      state.SkipWithError("the run failed");
      return {0, 0};
    }
    const double s = CpuSeconds() - t0;
    state.SetIterationTime(s);
    best = std::min(best, s);
  }
  state.counters["scan_ms"] = bestScan * 1e3;
  return {bestScan, best};
}

void BM_SurveyMeanByDomain(benchmark::State& state) {
  const auto file = Open(StratifiedFile());
  const auto design = file ? ReadDesign(*file, "weight=w strata=st psu=psu") : std::nullopt;
  if (!design) return state.SkipWithError("no design");
  const auto scan = [&] { return Scan(*file, {"w", "st", "psu", "y", "d"}, kRows); };
  const auto [reference, best] =
      Alternating(state, scan, [&] { return Estimated(*file, *design, "mean y by=d", kRows); });
  if (reference > 0)
    RecordRatio("Survey a. 3,000,000 rows, mean by 10 domains, 60 strata, 120 PSUs, against the scan", best / reference,
                1.5, true, "times the scan's time");
}
BENCHMARK(BM_SurveyMeanByDomain)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SurveyDesignPass(benchmark::State& state) {
  const auto file = Open(StratifiedFile());
  if (!file) return state.SkipWithError("no file");
  const auto scan = [&] { return Scan(*file, {"w", "st", "psu"}, kRows); };
  const auto [reference, best] =
      Alternating(state, scan, [&] { return ReadDesign(*file, "weight=w strata=st psu=psu").has_value(); });
  if (reference > 0)
    RecordRatio("Survey b. the design's own pass over those rows, against the scan of its columns", best / reference,
                1.5, true, "times the scan's time");
}
BENCHMARK(BM_SurveyDesignPass)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// The design and the estimate in a process of their own: its peak resident memory.
void BM_SurveyPeakMemory(benchmark::State& state) {
  double megabytes = 0;
  for (auto _ : state) {
    const char* argv[] = {SURVEY_MEMORY, StratifiedFile().c_str(), "weight=w strata=st psu=psu", "mean y by=d",
                          nullptr};
    const std::string out = ScratchDir() + "/peak.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, SURVEY_MEMORY, &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      state.SkipWithError("the estimate could not be started");
      return;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::string field;
    long kilobytes = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !(std::ifstream(out) >> field >> kilobytes)) {
      state.SkipWithError("the estimate failed");
      return;
    }
    megabytes = static_cast<double>(kilobytes) / 1024;
  }
  state.counters["peak_MB"] = megabytes;
  RecordRatio("Survey c. peak memory of the design and the estimate on those rows", megabytes, 64, true, "MB");
}
BENCHMARK(BM_SurveyPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

std::vector<std::string> ReplicateColumns() {
  std::vector<std::string> names{"w", "y", "d"};
  for (int r = 1; r <= kReplicates; ++r) names.push_back("r" + std::to_string(r));
  return names;
}

void BM_SurveyReplicateMean(benchmark::State& state) {
  const auto file = Open(ReplicatedFile());
  const auto design = file ? ReadDesign(*file, "weight=w replicates=r* type=BRR") : std::nullopt;
  if (!design) return state.SkipWithError("no design");
  const auto scan = [&] { return Scan(*file, ReplicateColumns(), kReplicateRows); };
  const auto [reference, best] =
      Alternating(state, scan, [&] { return Estimated(*file, *design, "mean y by=d", kReplicateRows); });
  if (reference > 0)
    RecordRatio("Survey d. 1,300,000 rows, 80 replicate weights, mean by 10 domains, against the scan",
                best / reference, 2.0, true, "times the scan's time");
}
BENCHMARK(BM_SurveyReplicateMean)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_SurveyReplicateDesign(benchmark::State& state) {
  const auto file = Open(ReplicatedFile());
  if (!file) return state.SkipWithError("no file");
  std::vector<std::string> columns = ReplicateColumns();
  columns.erase(columns.begin() + 1, columns.begin() + 3);  // the weights alone
  const auto scan = [&] { return Scan(*file, columns, kReplicateRows); };
  const auto [reference, best] =
      Alternating(state, scan, [&] { return ReadDesign(*file, "weight=w replicates=r* type=BRR").has_value(); });
  if (reference > 0)
    RecordRatio("Survey e. the replicate design's own pass (checks, rank), against the scan of its columns",
                best / reference, 2.0, true, "times the scan's time");
}
BENCHMARK(BM_SurveyReplicateDesign)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// R survey and Mirto, each from the file to the stratified mean, once.
void BM_SurveyAgainstR(benchmark::State& state) {
  const std::string path = ScratchDir() + "/survey-r.csv";
  WriteStratified(path, kRRows);
  const std::string r = ScratchDir() + "/survey.R";
  std::ofstream(r) << "suppressMessages(library(survey))\nt0 <- proc.time()\nd <- read.csv('" << path
                   << "')\ns <- svydesign(ids = ~psu, strata = ~st, weights = ~w, data = d)\n"
                      "m <- svymean(~y, s)\ncat((proc.time() - t0)[['elapsed']], '\\n')\n";
  double rSeconds = 0, mirto = 1e9;
  for (auto _ : state) {
    FILE* pipe = ::popen(("Rscript " + r + " 2>/dev/null").c_str(), "r");
    if (!pipe || std::fscanf(pipe, "%lf", &rSeconds) != 1) rSeconds = 0;
    if (pipe) ::pclose(pipe);
    const auto t0 = Clock::now();
    const auto file = Open(path);
    const auto design = file ? ReadDesign(*file, "weight=w strata=st psu=psu") : std::nullopt;
    if (design && Estimated(*file, *design, "mean y", kRRows)) mirto = Seconds(t0);  // elapsed, as R's
    state.SetIterationTime(mirto);
  }
  if (rSeconds <= 0)
    return RecordUnmeasured("Survey f. R survey on 500,000 rows, times Mirto's time",
                            "Rscript with survey did not run");
  state.counters["R_seconds"] = rSeconds;
  RecordRatio("Survey f. R survey on 500,000 rows, times Mirto's time (read, design, mean)", rSeconds / mirto, 1.0,
              false, Format("times (R %.2f s)", rSeconds));
}
BENCHMARK(BM_SurveyAgainstR)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Population totals of the margins d and r: the sample's weighted counts, a tenth larger.
std::string WriteTotals() {
  const std::string path = ScratchDir() + "/survey-totals.csv";
  std::vector<double> d(kDomains, 0.0), r(10, 0.0);
  for (long i = 0; i < kRows; ++i) {
    const double w = 10 + static_cast<double>(i * 7 % 13) * 0.5;
    d[static_cast<std::size_t>(i * 31 % kDomains)] += w;
    r[static_cast<std::size_t>(i * 17 / 7 % 10)] += w;
  }
  std::ofstream out(path);
  out << "variable,category,total\n";
  for (std::size_t k = 0; k < d.size(); ++k) out << Format("d,D%zu,%.1f\n", k, d[k] * 1.1);
  for (std::size_t k = 0; k < r.size(); ++k) out << Format("r,R%zu,%.1f\n", k, r[k] * 1.1);
  return path;
}

std::optional<survey::Calibration> Calibrated(const data::DataFile& file, const survey::Design& design,
                                              const std::string& text) {
  const auto request = survey::ParseCalibrate(text);
  if (!std::holds_alternative<survey::CalibrateRequest>(request)) return std::nullopt;
  const auto& q = std::get<survey::CalibrateRequest>(request);
  const auto totals = survey::ReadTotals(q.totals, q.totals);
  if (!std::holds_alternative<survey::Totals>(totals)) return std::nullopt;
  auto calibration = survey::Calibrate(file, design, q, std::get<survey::Totals>(totals));
  if (!std::holds_alternative<survey::Calibration>(calibration)) return std::nullopt;
  return std::get<survey::Calibration>(std::move(calibration));
}

// Raking on d and r (10 levels each, 100 cells): one pass for the sums per
// cell, the fitting on the cells; against one estimate's pass.
void BM_SurveyCalibration(benchmark::State& state) {
  const auto file = Open(StratifiedFile());
  const auto design = file ? ReadDesign(*file, "weight=w strata=st psu=psu") : std::nullopt;
  if (!design) return state.SkipWithError("no design");
  const std::string totals = WriteTotals();
  const auto estimate = [&] { return Estimated(*file, *design, "mean y by=d", kRows); };
  const auto [reference, best] = Alternating(state, estimate, [&] {
    const auto c = Calibrated(*file, *design, "rake=d,r totals=" + totals);
    return c && c->figures.units == kRows;
  });
  if (reference > 0)
    RecordRatio("Survey g. 3,000,000 rows raked on two margins of 100 cells, against one estimate's pass",
                best / reference, 3.0, true, "times the estimate's time");
}
BENCHMARK(BM_SurveyCalibration)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// The estimate with calibrated weights (the residuals' sums per PSU and cell)
// against the same estimate with the design weights.
void BM_SurveyCalibratedEstimate(benchmark::State& state) {
  const auto file = Open(StratifiedFile());
  const auto design = file ? ReadDesign(*file, "weight=w strata=st psu=psu") : std::nullopt;
  const auto calibration = design ? Calibrated(*file, *design, "rake=d,r totals=" + WriteTotals()) : std::nullopt;
  if (!calibration) return state.SkipWithError("no calibration");
  const auto request = std::get<survey::EstimateRequest>(survey::ParseEstimate("mean y by=d"));
  const auto [reference, best] = Alternating(
      state, [&] { return Estimated(*file, *design, "mean y by=d", kRows); },
      [&] {
        const auto e = survey::Estimate(*file, *design, request, &*calibration);
        return std::holds_alternative<survey::Estimates>(e) && std::get<survey::Estimates>(e).used == kRows;
      });
  if (reference > 0)
    RecordRatio("Survey h. the estimate of g with raked weights, against the same with the design weights",
                best / reference, 2.0, true, "times the estimate's time");
}
BENCHMARK(BM_SurveyCalibratedEstimate)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
