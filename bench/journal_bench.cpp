// Reading, saving and holding a journal of a million lines (about 60 MB),
// each measured against the plain work it cannot avoid, on the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Ratios.h"
#include "framework/Format.h"
#include "journal/Journal.h"
#include "journal/JournalFile.h"

namespace mirto::bench {
namespace {

constexpr std::size_t kLines = 1'000'000;
constexpr std::size_t kIoBlock = 1 << 20;

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

[[noreturn]] void Die(const char* what) {
  std::perror(what);
  std::exit(1);
}

// Report lines as the calculations write them, about 60 bytes a line with its newline.
std::string MakeJournalText() {
  std::string text;
  text.reserve(kLines * 62);
  std::uint32_t r = 12345;
  for (std::size_t i = 0; i < kLines; ++i) {
    r = r * 1664525u + 1013904223u;
    const double a = (r >> 8) % 100000 / 7.0, b = (r >> 4) % 1000 / 3.0;
    std::string line;
    switch (i % 8) {
      case 0:
        line = i % 64 ? Format("Std. deviation of estimator of pop. mean, Sd(barY_hh): %f", b) : "*********";
        break;
      case 1: line = "Method: Unequal probabilities, without replacement"; break;
      case 2: line = Format("Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is %f ", b); break;
      case 3:
        line = Format("Approx. %.2f confidence interval for pop. mean is from %f to %f", 0.95, a - b, a + b);
        break;
      case 4:
        line = Format("Approx. %.2f confidence interval for pop. total is from %f to %f", 0.95, a * 9, b * 9);
        break;
      case 5: line = Format("%10d %10.0f %10.4f %10f", static_cast<int>(i % 1000), a, b / 1000, a); break;
      case 6: line = Format("%3d %10f %10f ", static_cast<int>(i % 1000), a, b); break;
      default: line = Format("Estimate of population proportion in category: %f", b / 1000); break;
    }
    text += line;
    text += '\n';
  }
  return text;
}

void WriteWhole(const std::string& path, const std::string& text) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) Die(path.c_str());
  ::close(fd);
}

struct Data {
  std::string text = MakeJournalText();
  std::string path = ScratchDir() + "/journal.txt";
  Data() { WriteWhole(path, text); }
};

const Data& TheData() {
  static const Data data;
  return data;
}

// The floor for reading: the file's bytes, split at newlines.
std::size_t ReadAndSplit(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Die(path.c_str());
  auto buffer = std::make_unique_for_overwrite<char[]>(kIoBlock);
  std::size_t lines = 0;
  for (ssize_t n; (n = ::read(fd, buffer.get(), kIoBlock)) > 0;) {
    const char* p = buffer.get();
    const char* end = p + n;
    while (const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
      ++lines;
      p = static_cast<const char*>(nl) + 1;
    }
  }
  ::close(fd);
  return lines;
}

// The floor for saving: the same bytes to a temporary file, flushed, renamed over the target.
void WriteFlushRename(const std::string& text, const std::string& target) {
  std::string temp = target + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) Die("mkstemp");
  for (std::size_t at = 0; at < text.size();) {
    ssize_t n = ::write(fd, text.data() + at, std::min(kIoBlock, text.size() - at));
    if (n <= 0) Die("write");
    at += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), target.c_str()) != 0) Die("save");
}

// What holding `bytes` of new memory costs by itself: the system hands out
// each page zeroed on first touch, which no reader of a journal can avoid.
double TouchFreshMemory(std::size_t bytes) {
  const auto t0 = Clock::now();
  std::vector<std::unique_ptr<char[]>> blocks;
  for (std::size_t at = 0; at < bytes; at += kIoBlock) {
    blocks.push_back(std::make_unique_for_overwrite<char[]>(kIoBlock));
    for (std::size_t page = 0; page < kIoBlock; page += 4096) blocks.back()[page] = 1;
  }
  benchmark::DoNotOptimize(blocks.data());
  return Seconds(Clock::now() - t0);
}

void BM_ReadJournal(benchmark::State& state) {
  const Data& data = TheData();
  double floor = 0, ours = 0, fresh = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    const std::size_t split = ReadAndSplit(data.path);
    auto t1 = Clock::now();
    std::size_t held = 0;
    {
      Journal journal;
      FileResult result = ReadJournalFile(data.path, journal);
      const auto t2 = Clock::now();
      if (!result.ok || journal.size() != kLines || split != kLines) {
        state.SkipWithError("the journal did not read back whole");
        return;
      }
      floor += Seconds(t1 - t0);
      ours += Seconds(t2 - t1);
      state.SetIterationTime(Seconds(t2 - t1));
      held = journal.MemoryUsed();
    }
    fresh += TouchFreshMemory(held);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["read_split_ms"] = 1000 * floor / n;
  state.counters["journal_ms"] = 1000 * ours / n;
  state.counters["fresh_memory_ms"] = 1000 * fresh / n;
  state.counters["ratio"] = ours / floor;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.text.size()));
  RecordRatio("1. read 1M lines / read+split at newlines", ours / floor, 1.5, true);
  // The same with the cost of the memory the lines need counted in the floor.
  RecordRatio("1b. read 1M lines / (read+split + touching as much new memory)", ours / (floor + fresh), 1.5, true);
}
BENCHMARK(BM_ReadJournal)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

void BM_SaveJournal(benchmark::State& state) {
  const Data& data = TheData();
  Journal journal;
  if (!ReadJournalFile(data.path, journal).ok) Die("read");
  const std::string floorTarget = ScratchDir() + "/floor.txt", ourTarget = ScratchDir() + "/saved.txt";
  WriteWhole(floorTarget, data.text);
  WriteWhole(ourTarget, data.text);
  double floor = 0, ours = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    WriteFlushRename(data.text, floorTarget);
    auto t1 = Clock::now();
    FileResult result = WriteJournalFile(journal, ourTarget);
    auto t2 = Clock::now();
    if (!result.ok) {
      state.SkipWithError(result.message.c_str());
      return;
    }
    floor += Seconds(t1 - t0);
    ours += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  state.counters["write_flush_rename_ms"] = 1000 * floor / static_cast<double>(state.iterations());
  state.counters["journal_ms"] = 1000 * ours / static_cast<double>(state.iterations());
  state.counters["ratio"] = ours / floor;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.text.size()));
  RecordRatio("2. save 1M lines / write+flush+rename", ours / floor, 1.5, true);
}
BENCHMARK(BM_SaveJournal)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_JournalMemory(benchmark::State& state) {
  const Data& data = TheData();
  double ratio = 0;
  for (auto _ : state) {
    Journal journal;
    if (!ReadJournalFile(data.path, journal).ok) Die("read");
    ratio = static_cast<double>(journal.MemoryUsed()) / static_cast<double>(data.text.size());
  }
  state.counters["file_MB"] = static_cast<double>(data.text.size()) / 1e6;
  state.counters["memory_per_file_byte"] = ratio;
  RecordRatio("3. journal memory / file size", ratio, 2.0, true);
}
BENCHMARK(BM_JournalMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirto::bench
