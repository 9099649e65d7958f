// `mirto --batch` speed in form statements per second, on the two longest
// entry loops there are: the with-replacement theoretical deviation over a
// million elements, and the without-replacement one over 2,000 elements with
// their 1,999,000 pairs. The scripts run through the in-process batch runner.
#include <benchmark/benchmark.h>

#include <chrono>
#include <sstream>
#include <string>

#include "Ratios.h"
#include "batch/Batch.h"
#include "framework/Form.h"
#include "framework/Format.h"
#include "journal/CTervoDoc.h"

namespace mirto::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Script {
  std::string text;
  std::size_t formStatements = 0;
  void Line(const std::string& line) {
    text += line;
    text += '\n';
    formStatements += line.rfind("ok", 0) == 0;
  }
};

// Values that vary but keep within the 10-character fields.
std::string Value(std::size_t i) { return Format("%zu.%zu", 10 + i % 997, i % 10); }

Script WithReplacementScript(std::size_t N) {
  Script s;
  s.text.reserve(N * 20);
  s.Line("command Un.Prob.WithRepl. > Mean/total of variable > Th. std. dev. of estimator");
  s.Line(Format("ok %zu; 100; 500.5", N));
  const std::string q = Format("%.6f", 1.0 / static_cast<double>(N));
  for (std::size_t i = 1; i <= N; ++i) s.Line("ok " + Value(i) + "; " + q);
  return s;
}

Script WithoutReplacementScript(std::size_t N) {
  Script s;
  s.text.reserve(N * N * 6);
  s.Line("command Un.Prob.WithoutRepl. > Mean/total of variable > Th. std. dev. of estimator");
  s.Line(Format("ok %zu", N));
  for (std::size_t i = 1; i <= N; ++i) s.Line("ok " + Value(i) + "; 0.05");
  for (std::size_t i = 1; i < N; ++i)
    for (std::size_t j = i + 1; j <= N; ++j) s.Line((i + j) % 2 ? "ok 0.0024" : "ok 0.0025");
  return s;
}

// Runs a script on a new journal; the error text when it appended no report block.
std::string RunOnce(const Script& script, double& seconds) {
  std::istringstream in(script.text);
  std::ostringstream err;
  ScriptSource source(in, "bench");
  BatchHost host(source, err);
  CTervoDoc doc(host);
  doc.OnNewDocument();
  const auto t0 = Clock::now();
  const int status = RunScript(doc, source, host);
  seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  const Journal& journal = doc.GetJournal();
  const bool block = journal.size() > 3 && journal[2] == "*********" &&
                     journal[journal.size() - 1].rfind("Std. deviation of estimator of pop. total", 0) == 0;
  if (status == kBatchOk && block) return "";
  std::string why = err.str();
  if (why.size() > 300) why.resize(300);
  return "the run appended no report block (status " + std::to_string(status) + "): " + why;
}

void RunBatch(benchmark::State& state, const Script& script, const std::string& name) {
  double total = 0;
  for (auto _ : state) {
    double seconds = 0;
    const std::string error = RunOnce(script, seconds);
    if (!error.empty()) {
      state.SkipWithError(error.c_str());
      RecordUnmeasured(name, error.substr(0, error.find('\n')));
      return;
    }
    state.SetIterationTime(seconds);
    total += seconds;
  }
  const double rate = static_cast<double>(script.formStatements * state.iterations()) / total;
  state.counters["form_statements"] = static_cast<double>(script.formStatements);
  state.counters["statements_per_s"] = rate;
  RecordRatio(name, rate, 1e6, false, "statements/s");
}

void BM_BatchWithReplacement(benchmark::State& state) {
  static const Script script = WithReplacementScript(1'000'000);
  RunBatch(state, script, "5a. batch, with replacement, N=1,000,000");
}
BENCHMARK(BM_BatchWithReplacement)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BatchWithoutReplacement(benchmark::State& state) {
  static const Script script = WithoutReplacementScript(2'000);
  RunBatch(state, script, "5b. batch, without replacement, N=2,000 and pairs");
}
BENCHMARK(BM_BatchWithoutReplacement)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// A stand-in with the shape of an element loop (number, value, probability,
// one table row per element), so the shared path (statement reader, batch
// host, forms, number reading, report lines) is measured before the family
// that owns the real loops is in the tree.
const FormTemplate kStandInElementForm{
    9183,
    "Stand-in element form",
    {RowNumber("Enter the following data for element no.:", 10), Field("Y-value of element:", 10),
     Field("Selection probability:", 10), Static("Press OK for the next element or Cancel to abort.")}};

int StandInElementLoop(CTervoDoc& doc, long long N) {
  DoubleArray values = doc.AllocArray(N), probabilities = doc.AllocArray(N);
  if (!values || !probabilities) return 0;
  double sum = 0;
  const bool ok = RunEntryLoop(doc.Host(), kStandInElementForm, {}, N, [&](const Form& form, long long i) {
    FormReader r(form);
    values[i] = r.Real();
    probabilities[i] = r.Real();
    if (!(probabilities[i] > 0)) return false;
    sum += values[i] * values[i] / probabilities[i];
    return true;
  });
  if (!ok) return 0;
  doc.AppendSeparator();
  doc.AppendLine(" i        Y_i       q_i ");
  for (long long i = 1; i <= N; ++i) doc.AppendLine("%3d %10f %10f ", static_cast<int>(i), values[i], probabilities[i]);
  doc.AppendLine("Std. deviation of estimator of pop. total: %f", sum);
  doc.EndBlock(Record{});
  return 1;
}

void BM_BatchSharedPathStandIn(benchmark::State& state) {
  constexpr std::size_t N = 1'000'000;
  static const Script script = [] {
    Script s;
    for (std::size_t i = 1; i <= N; ++i) s.Line("ok " + Value(i) + "; 0.000001");
    return s;
  }();
  double total = 0;
  for (auto _ : state) {
    std::istringstream in(script.text);
    std::ostringstream err;
    ScriptSource source(in, "bench");
    BatchHost host(source, err);
    CTervoDoc doc(host);
    doc.OnNewDocument();
    const auto t0 = Clock::now();
    const int result = StandInElementLoop(doc, N);
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    if (result != 1 || doc.GetJournal().size() != N + 5) {
      state.SkipWithError(("the stand-in loop failed: " + err.str().substr(0, 200)).c_str());
      return;
    }
    state.SetIterationTime(seconds);
    total += seconds;
  }
  const double rate = static_cast<double>(script.formStatements * state.iterations()) / total;
  state.counters["statements_per_s"] = rate;
  RecordRatio("5s. shared batch path, stand-in element loop", rate, 1e6, false, "statements/s");
}
BENCHMARK(BM_BatchSharedPathStandIn)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
