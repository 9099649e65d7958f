// Tokenizing delimited data, the tokenizer alone (no summary built yet):
// 5,000,000 rows of y and a stratum, and 1,000,000 rows of 80 numbers, each
// against `wc -l` on the same file (the whole process, as a user would run
// it) and against libcsv with callbacks that do nothing. The files are mapped;
// numbers are read as the data reader reads them (ReadCellFast).
#include <benchmark/benchmark.h>
#include <csv.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "Ratios.h"
#include "data/CellNumbers.h"
#include "data/DelimitedTokenizer.h"

namespace mirto::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr long kRows = 5'000'000, kWideRows = 1'000'000;
constexpr int kStrata = 40, kWide = 80;

// y with three decimals and a stratum name: about 26 bytes a row.
const std::string& StrataFile() {
  static const std::string path = [] {
    std::string text = "y,stratum\n";
    text.reserve(static_cast<std::size_t>(kRows) * 27);
    for (long i = 0; i < kRows; ++i) {
      AppendDecimal(text, 100'000 + i * 7919 % 9'900'000, 3);
      text += ",Stratum ";
      text += std::to_string(10 + i % kStrata);
      text += '\n';
    }
    const std::string p = ScratchDir() + "/strata.csv";
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }();
  return path;
}

// 80 weights with two decimals: about 560 bytes a row.
const std::string& WideFile() {
  static const std::string path = [] {
    std::string text;
    for (int j = 0; j < kWide; ++j) text += (j ? ",w" : "w") + std::to_string(j + 1);
    text += '\n';
    text.reserve(static_cast<std::size_t>(kWideRows) * 570);
    for (long i = 0; i < kWideRows; ++i) {
      for (int j = 0; j < kWide; ++j) {
        if (j) text += ',';
        AppendDecimal(text, 10'000 + (i * 31 + j * 7919) % 90'000, 2);
      }
      text += '\n';
    }
    const std::string p = ScratchDir() + "/wide.csv";
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }();
  return path;
}

class Mapped {
 public:
  explicit Mapped(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_size > 0) {
      m_size = static_cast<std::size_t>(st.st_size);
      m_data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (m_data == MAP_FAILED) m_data = nullptr;
    }
    if (fd >= 0) ::close(fd);
  }
  ~Mapped() {
    if (m_data) ::munmap(m_data, m_size);
  }
  Mapped(const Mapped&) = delete;
  Mapped& operator=(const Mapped&) = delete;
  std::string_view Bytes() const { return m_data ? std::string_view(static_cast<const char*>(m_data), m_size) : ""; }

 private:
  void* m_data = nullptr;
  std::size_t m_size = 0;
};

std::size_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
}

// The best of the runs of `once`, which returns false when it failed.
template <typename Once>
double Best(benchmark::State& state, Once once) {
  double best = 1e9;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    if (!once()) {
      state.SkipWithError("the file was not read as expected");
      return 1e9;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    state.SetIterationTime(seconds);
    best = std::min(best, seconds);
  }
  return best;
}

bool WcLines(const std::string& path) { return std::system(("wc -l < '" + path + "' > /dev/null").c_str()) == 0; }

bool LibcsvAlone(const std::string& path, long rows) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  csv_parser parser{};
  csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
  std::vector<char> buffer(1 << 16);
  long seen = 0;
  const auto field = [](void*, std::size_t, void*) {};
  const auto row = [](int, void* count) { ++*static_cast<long*>(count); };
  ssize_t n;
  while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
    csv_parse(&parser, buffer.data(), static_cast<std::size_t>(n), field, row, &seen);
  csv_fini(&parser, field, row, &seen);
  csv_free(&parser);
  ::close(fd);
  return seen == rows + 1;
}

// y read as a number, and (`stratum`) the stratum handed over too.
bool Strata(const std::string& path, bool stratum) {
  const Mapped file(path);
  data::DelimitedTokenizer t(file.Bytes(), {});
  const std::size_t columns[] = {0, 1};
  t.Want(std::span(columns, stratum ? 2 : 1));
  double sum = 0;
  std::size_t named = 0;
  long rows = -1;
  while (t.Next()) {
    sum += data::ReadCellFast(t.Field(0)).number;
    if (stratum) named += t.Field(1).size();
    ++rows;
  }
  benchmark::DoNotOptimize(sum);
  return !t.Error() && rows == kRows && (!stratum || named > 0);
}

// Every number of the rows in [begin, stop): their sum and count.
struct Part {
  double sum = 0;
  long rows = 0, numbers = 0;
  std::size_t end = 0;
  bool failed = false;
};
Part WideRange(std::string_view bytes, std::size_t begin, std::size_t stop) {
  data::DelimitedTokenizer t(bytes, {.separator = ','}, begin, stop);
  Part part;
  while (t.Next()) {
    for (std::size_t i = 0; i < t.Wanted(); ++i) {
      const data::Value v = data::ReadCellFast(t.Field(i));
      part.sum += v.number;
      part.numbers += v.numeric;
    }
    ++part.rows;
  }
  part.end = t.Offset();
  part.failed = t.Error().has_value();
  return part;
}

// The rows after the header, on `threads` threads: each range on its own,
// then checked in order (a range that started inside a quoted field is read
// again from where the range before it ended).
bool Wide(const std::string& path, std::size_t threads) {
  const Mapped file(path);
  const std::string_view bytes = file.Bytes();
  const std::size_t header = bytes.find('\n') + 1;
  const std::vector<std::size_t> starts = data::SplitAtLines(bytes, header, threads);
  const auto stop = [&](std::size_t k) { return k + 1 < starts.size() ? starts[k + 1] : bytes.size(); };
  std::vector<Part> parts(starts.size());
  {
    std::vector<std::jthread> pool;
    for (std::size_t k = 1; k < starts.size(); ++k)
      pool.emplace_back([&, k] { parts[k] = WideRange(bytes, starts[k], stop(k)); });
    parts[0] = WideRange(bytes, starts[0], stop(0));
  }
  long rows = 0, numbers = 0;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k > 0 && parts[k - 1].end != starts[k]) parts[k] = WideRange(bytes, parts[k - 1].end, stop(k));
    if (parts[k].failed) return false;
    rows += parts[k].rows;
    numbers += parts[k].numbers;
  }
  return rows == kWideRows && numbers == kWideRows * kWide;
}

double g_wcStrata = 0, g_libcsvStrata = 0, g_libcsvWide = 0;

void BM_TokStrataWc(benchmark::State& state) {
  g_wcStrata = Best(state, [] { return WcLines(StrataFile()); });
}
BENCHMARK(BM_TokStrataWc)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_TokStrataLibcsv(benchmark::State& state) {
  g_libcsvStrata = Best(state, [] { return LibcsvAlone(StrataFile(), kRows); });
}
BENCHMARK(BM_TokStrataLibcsv)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void Against(const char* name, double best, double wc, double target, double libcsv) {
  if (wc > 0 && best < 1e9) RecordRatio(name, best / wc, target, true, "times wc -l's time (tokenizer alone)");
  if (libcsv > 0 && best < 1e9)
    RecordRatio(std::string(name) + ", against libcsv", best / libcsv, 1, true, "times libcsv's time");
}

void BM_TokStrataBoth(benchmark::State& state) {
  Against("Tokenizer a. 5,000,000 rows: y read, stratum handed over",
          Best(state, [] { return Strata(StrataFile(), true); }), g_wcStrata, 10, g_libcsvStrata);
}
BENCHMARK(BM_TokStrataBoth)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_TokStrataY(benchmark::State& state) {
  Against("Tokenizer b. 5,000,000 rows: y alone read", Best(state, [] { return Strata(StrataFile(), false); }),
          g_wcStrata, 6, g_libcsvStrata);
}
BENCHMARK(BM_TokStrataY)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_TokWideWc(benchmark::State& state) {
  Best(state, [] { return WcLines(WideFile()); });
}
BENCHMARK(BM_TokWideWc)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_TokWideLibcsv(benchmark::State& state) {
  g_libcsvWide = Best(state, [] { return LibcsvAlone(WideFile(), kWideRows); });
}
BENCHMARK(BM_TokWideLibcsv)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// MB/s over the file's size (10^6 bytes).
void Rate(benchmark::State& state, const char* name, std::size_t threads, double target) {
  const double best = Best(state, [threads] { return Wide(WideFile(), threads); });
  if (best >= 1e9) return;
  const double rate = static_cast<double>(FileSize(WideFile())) / 1e6 / best;
  state.counters["MB_per_s"] = rate;
  RecordRatio(name, rate, target, false, "MB/s (tokenizer alone, every number read)");
  if (threads == 1 && g_libcsvWide > 0)
    RecordRatio("Tokenizer c. 80 numbers a row, against libcsv", best / g_libcsvWide, 1, true, "times libcsv's time");
}

void BM_TokWideOneCore(benchmark::State& state) {
  Rate(state, "Tokenizer c. 1,000,000 rows of 80 numbers, one core", 1, 500);
}
BENCHMARK(BM_TokWideOneCore)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_TokWideTwoCores(benchmark::State& state) {
  Rate(state, "Tokenizer d. 1,000,000 rows of 80 numbers, two cores", 2, 900);
}
BENCHMARK(BM_TokWideTwoCores)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
