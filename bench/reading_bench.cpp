// Reading delimited data as a user meets it. `mirto --batch` on a
// 5,000,000-row CSV of y and a stratum, summarized by stratum and for y
// alone, against `wc -l` on the same file in the same run (whole processes;
// the best of several runs, wall time, the processor time beside it); a
// 1,000,000-row CSV of 80 numbers a row scanned whole through the data
// reader on one and two threads; the peak memory of the summary on 500,000
// and 5,000,000 rows; and the journals of one and two threads, which must
// not differ in a digit.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <charconv>
#include <chrono>
#include <fstream>
#include <sstream>
#include <vector>

#include "Ratios.h"
#include "data/DataFile.h"
#include "data/DataSession.h"
#include "data/InOrder.h"
#include "framework/Format.h"

extern char** environ;

namespace mirto::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr long kRows = 5'000'000, kFewRows = 500'000, kWideRows = 1'000'000;
constexpr int kStrata = 40, kWide = 80;

// y with three decimals and one of 40 strata: about 20 bytes a row.
std::string StrataFile(long rows) {
  const std::string path = ScratchDir() + Format("/strata-%ld.csv", rows);
  std::ofstream out(path, std::ios::binary);
  std::string text = "y,stratum\n";
  for (long i = 0; i < rows; ++i) {
    AppendDecimal(text, 100'000 + i * 7919 % 9'900'000, 3);
    text += ",Stratum " + std::to_string(10 + i % kStrata) + "\n";
    if (text.size() > (1 << 20)) out << text, text.clear();
  }
  out << text;
  return path;
}

// 80 weights with two decimals: about 560 bytes a row.
const std::string& WideFile() {
  static const std::string path = [] {
    const std::string p = ScratchDir() + "/wide.csv";
    std::ofstream out(p, std::ios::binary);
    std::string text;
    for (int j = 0; j < kWide; ++j) text += (j ? ",w" : "w") + std::to_string(j + 1);
    text += '\n';
    for (long i = 0; i < kWideRows; ++i) {
      for (int j = 0; j < kWide; ++j) {
        if (j) text += ',';
        AppendDecimal(text, 10'000 + (i * 31 + j * 7919) % 90'000, 2);
      }
      text += '\n';
      if (text.size() > (1 << 20)) out << text, text.clear();
    }
    out << text;
    return p;
  }();
  return path;
}

// A script for `mirto --batch`: the stratified point estimate (one scan of y
// and the stratum) or the simple interval of y alone.
std::string Script(const std::string& data, bool byStratum) {
  const std::string path = data + (byStratum ? ".strata.mirto" : ".y.mirto");
  std::ofstream sizes(data + ".sizes.csv");
  sizes << "stratum,size\n";
  for (int s = 0; s < kStrata; ++s) sizes << "Stratum " << 10 + s << ",1000000\n";
  std::ofstream script(path);
  script << "data " << data << "\n";
  if (byStratum)
    script << "population " << data << ".sizes.csv\nuse y=y stratum=stratum\n"
           << "command Stratified > Mean/total of variable > Point estimates\n";
  else
    script << "use y=y\ncommand Simple > Mean/total of variable > Interval estimates > Simple\nok 50000000; 95%\n";
  return path;
}

struct Run {
  double wall = 0, processor = 0;  // seconds
  bool ok = false;
};

// One process, its standard output to `out`; `threads` > 0 sets MIRTO_THREADS.
Run Spawn(const std::vector<std::string>& args, const std::string& out, unsigned threads = 0) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (!std::string_view(*e).starts_with("MIRTO_THREADS=")) env.emplace_back(*e);
  if (threads > 0) env.push_back("MIRTO_THREADS=" + std::to_string(threads));
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  Run run;
  pid_t pid = 0;
  const auto t0 = Clock::now();
  const bool spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!spawned) return run;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  run.wall = std::chrono::duration<double>(Clock::now() - t0).count();
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  run.processor = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// The best wall and processor times of `runs` runs (each best on its own).
Run Best(benchmark::State& state, const std::vector<std::string>& args, unsigned threads = 0) {
  Run best{1e9, 1e9, true};
  for (auto _ : state) {
    const Run run = Spawn(args, ScratchDir() + "/out.txt", threads);
    if (!run.ok) {
      state.SkipWithError("the process failed");
      return Run{};
    }
    state.SetIterationTime(run.wall);
    best.wall = std::min(best.wall, run.wall);
    best.processor = std::min(best.processor, run.processor);
  }
  return best;
}

std::string ReadAll(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

const std::string& BigFile() {
  static const std::string path = StrataFile(kRows);
  return path;
}

Run g_wc;

void BM_ReadWc(benchmark::State& state) { g_wc = Best(state, {"wc", "-l", BigFile()}); }
BENCHMARK(BM_ReadWc)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

void AgainstWc(benchmark::State& state, bool byStratum, const char* name, double target) {
  const Run run = Best(state, {MIRTO_PROGRAM, "--batch", Script(BigFile(), byStratum)});
  if (!run.ok || !g_wc.ok) return RecordUnmeasured(name, "mirto or wc -l failed");
  state.counters["cpu_ms"] = run.processor * 1e3;
  RecordRatio(name, run.wall / g_wc.wall, target, true,
              Format("times wc -l's wall time (%.0f ms, processor %.0f ms; wc -l %.0f ms)", run.wall * 1e3,
                     run.processor * 1e3, g_wc.wall * 1e3));
}

void BM_ReadByStratum(benchmark::State& state) {
  AgainstWc(state, true, "Reading a. mirto --batch, 5,000,000 rows summarized by stratum, against wc -l", 10);
}
BENCHMARK(BM_ReadByStratum)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ReadYAlone(benchmark::State& state) {
  AgainstWc(state, false, "Reading b. mirto --batch, 5,000,000 rows, y alone, against wc -l", 6);
}
BENCHMARK(BM_ReadYAlone)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Every number of every row through the data reader; false unless all were numbers.
bool ScanWide(const data::DataFile& file) {
  std::vector<std::size_t> columns(file.Variables().size());
  for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = i;
  double sum = 0;
  long numbers = 0;
  const auto problem = file.Scan(columns, [&](long long, std::span<const data::Value> values) {
    for (const data::Value& v : values) sum += v.number, numbers += v.numeric;
    return true;
  });
  benchmark::DoNotOptimize(sum);
  return !problem && numbers == kWideRows * kWide;
}

void Wide(benchmark::State& state, unsigned threads, const char* name, double target) {
  const data::ReadSettings saved = data::CurrentReadSettings();
  data::SetReadSettings({threads, saved.blockBytes});
  std::optional<data::DataProblem> problem;
  const auto file = data::OpenDataFile(WideFile(), problem);
  double best = 1e9;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    if (!file || !ScanWide(*file)) {
      state.SkipWithError("the file was not read as expected");
      break;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    state.SetIterationTime(seconds);
    best = std::min(best, seconds);
  }
  data::SetReadSettings(saved);
  struct stat st {};
  if (best >= 1e9 || ::stat(WideFile().c_str(), &st) != 0) return RecordUnmeasured(name, "the scan failed");
  const double rate = static_cast<double>(st.st_size) / 1e6 / best;
  state.counters["MB_per_s"] = rate;
  RecordRatio(name, rate, target, false, "MB/s (the data reader, every number read)");
}

void BM_ReadWideOneThread(benchmark::State& state) {
  Wide(state, 1, "Reading c. 1,000,000 rows of 80 numbers, one thread", 500);
}
BENCHMARK(BM_ReadWideOneThread)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ReadWideTwoThreads(benchmark::State& state) {
  Wide(state, 2, "Reading d. 1,000,000 rows of 80 numbers, two threads", 900);
}
BENCHMARK(BM_ReadWideTwoThreads)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// What the summary by stratum holds at its peak, in bytes: the data reader's
// blocks and the moments.
long long SummaryPeak(const std::string& path) {
  return PeakAdded([&] {
    data::DataSession session;
    const std::pair<data::Role, std::string> roles[] = {{data::Role::Y, "y"}, {data::Role::Stratum, "stratum"}};
    data::Scan scan;
    return !session.Open(path, path) && !session.Use(roles) &&
           !session.Run({.numeric = {data::Role::Y}, .by = data::Role::Stratum}, scan) && scan.used > 0;
  });
}

// Bytes of peak memory per row from 500,000 rows to 5,000,000.
void BM_ReadMemory(benchmark::State& state) {
  const char* name = "Reading e. peak memory of the summary by stratum, growth per row";
  const std::string few = StrataFile(kFewRows);
  for (auto _ : state) {
    const long long small = SummaryPeak(few), large = SummaryPeak(BigFile());
    if (small < 0 || large < 0) return RecordUnmeasured(name, "the summary failed, or no /proc/self/status");
    const double perRow = static_cast<double>(large - small) / (kRows - kFewRows);
    state.counters["peak_bytes"] = static_cast<double>(large);
    RecordRatio(name, perRow, 0.5, true,
                Format("bytes per row (%.1f MB at the peak)", static_cast<double>(large) / 1e6));
  }
}
BENCHMARK(BM_ReadMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// The journals of one and of two threads, line by line.
void BM_ReadSameDigits(benchmark::State& state) {
  const char* name = "Reading f. journals of one and two threads, lines that differ";
  for (auto _ : state) {
    long differ = 0;
    for (const bool byStratum : {true, false}) {
      const std::string script = Script(BigFile(), byStratum), one = ScratchDir() + "/one.txt",
                        two = ScratchDir() + "/two.txt";
      if (!Spawn({MIRTO_PROGRAM, "--batch", script}, one, 1).ok ||
          !Spawn({MIRTO_PROGRAM, "--batch", script}, two, 2).ok)
        return RecordUnmeasured(name, "mirto failed");
      std::istringstream a(ReadAll(one)), b(ReadAll(two));
      std::string x, y;
      long lines = 0;
      for (;;) {
        const bool more = static_cast<bool>(std::getline(a, x)), also = static_cast<bool>(std::getline(b, y));
        if (!more && !also) break;
        differ += !more || !also || x != y;
        ++lines;
      }
      if (lines < 10) return RecordUnmeasured(name, "the journals are empty");
    }
    RecordRatio(name, static_cast<double>(differ), 0, true, "lines");
  }
}
BENCHMARK(BM_ReadSameDigits)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
