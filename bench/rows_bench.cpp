// Many rows at once, against the same rows typed as `ok` lines: 100,000
// elements of the with-replacement theoretical deviation, pasted into the
// table of their entry loop (read, checked) and fed to the loop as the
// desktop program feeds it; and read by `rows` from a file. Each run is the
// whole command, from its first form to the appended block.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Ratios.h"
#include "batch/Batch.h"
#include "data/EntryTable.h"
#include "framework/Format.h"
#include "journal/CTervoDoc.h"

namespace mirto::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kRows = 100'000;

const std::string kCommand = "command Un.Prob.WithRepl. > Mean/total of variable > Th. std. dev. of estimator\n" +
                             Format("ok %zu; 100; 500.5\n", kRows);

std::string Value(std::size_t i) { return Format("%zu.%zu", 10 + i % 997, i % 10); }

// The rows as a spreadsheet copies them, and as `ok` lines.
std::string Rows(const char* before, const char* between) {
  std::string text;
  text.reserve(kRows * 24);
  const std::string q = Format("%.6f", 1.0 / static_cast<double>(kRows));
  for (std::size_t i = 1; i <= kRows; ++i) text += before + Value(i) + between + q + "\n";
  return text;
}

// The desktop host without its windows: the preliminary form from the script,
// the loop's rows from a pasted table, as the table dialog leaves them.
class TableHost : public FormHost {
 public:
  TableHost(BatchHost& batch, std::string paste) : m_batch(batch), m_paste(std::move(paste)) {}
  bool ShowForm(Form& form) override {
    if (!m_table || &form.Template() != m_table->Loop().tmpl) return m_batch.ShowForm(form);
    if (m_next >= m_table->Rows()) return false;
    m_table->Answer(m_next++, form);
    return true;
  }
  void Message(std::string_view text) override { m_batch.Message(text); }
  void BeginEntryLoop(const EntryLoop& loop) override {
    m_table = std::make_unique<data::EntryTable>(loop);
    if (m_table->Paste(0, 1, m_paste) || m_table->Blocking() != 0) m_table.reset();  // then the script answers
  }
  void EndEntryLoop() override { m_table.reset(); }

 private:
  BatchHost& m_batch;
  std::string m_paste;
  std::unique_ptr<data::EntryTable> m_table;
  long long m_next = 0;
};

// One whole command; its time, or an error when no block was appended.
std::string RunOnce(const std::string& script, const std::string* paste, double& seconds) {
  std::istringstream in(script);
  std::ostringstream err;
  ScriptSource source(in, "bench");
  BatchHost batch(source, err);
  TableHost table(batch, paste ? *paste : std::string());
  CTervoDoc doc(paste ? static_cast<FormHost&>(table) : batch);
  doc.OnNewDocument();
  const auto t0 = Clock::now();
  const int status = RunScript(doc, source, batch);
  seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  if (status == kBatchOk && doc.GetJournal().size() == kRows + 13) return "";
  return "no report block (status " + std::to_string(status) + "): " + err.str().substr(0, 200);
}

double g_typedSeconds = 0;

void Measure(benchmark::State& state, const std::string& script, const std::string* paste, double& best) {
  best = 1e9;
  for (auto _ : state) {
    double seconds = 0;
    if (const std::string error = RunOnce(script, paste, seconds); !error.empty()) {
      state.SkipWithError(error.c_str());
      return;
    }
    state.SetIterationTime(seconds);
    best = std::min(best, seconds);
  }
  state.counters["rows_per_s"] = static_cast<double>(kRows) / best;
}

void BM_RowsTyped(benchmark::State& state) {
  static const std::string script = kCommand + Rows("ok ", "; ");
  Measure(state, script, nullptr, g_typedSeconds);
}
BENCHMARK(BM_RowsTyped)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_RowsPastedIntoTheTable(benchmark::State& state) {
  static const std::string paste = Rows("", "\t");
  double best = 0;
  Measure(state, kCommand, &paste, best);
  if (g_typedSeconds > 0 && best < 1e9)
    RecordRatio("6a. 100,000 rows pasted, checked and fed, against ok lines", best / g_typedSeconds, 3.0, true,
                "times the batch time");
}
BENCHMARK(BM_RowsPastedIntoTheTable)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_RowsFromAFile(benchmark::State& state) {
  static const std::string path = ScratchDir() + "/rows.tsv";
  { std::ofstream(path) << Rows("", "\t"); }
  static const std::string script = kCommand + "rows " + path + "\n";
  double best = 0;
  Measure(state, script, nullptr, best);
  if (g_typedSeconds > 0 && best < 1e9)
    RecordRatio("6b. 100,000 rows read by rows PATH, against ok lines", best / g_typedSeconds, 3.0, true,
                "times the batch time");
}
BENCHMARK(BM_RowsFromAFile)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
