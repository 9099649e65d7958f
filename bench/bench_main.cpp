// Runs the benchmarks, then prints every target with its measured figure.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "Ratios.h"

namespace mirto::bench {
namespace {

struct Measure {
  double value = 0, target = 0;
  bool atMost = true, measured = true;
  std::string unit, why;
};

std::map<std::string, Measure>& Measures() {
  static std::map<std::string, Measure> figures;
  return figures;
}

class Scratch {
 public:
  Scratch() {
    const char* base = std::getenv("TMPDIR");
    m_dir = std::string(base && *base ? base : "/tmp") + "/mirto-bench.XXXXXX";
    if (!::mkdtemp(m_dir.data())) {
      std::perror("mirto_bench: cannot make a scratch folder");
      std::exit(1);
    }
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  const std::string& Dir() const { return m_dir; }

 private:
  std::string m_dir;
};

}  // namespace

void RecordRatio(const std::string& name, double value, double target, bool atMost, const std::string& unit) {
  Measures()[name] = Measure{value, target, atMost, true, unit, ""};
}

void RecordUnmeasured(const std::string& name, const std::string& why) {
  Measure f;
  f.measured = false;
  f.why = why;
  Measures()[name] = f;
}

const std::string& ScratchDir() {
  static Scratch scratch;
  return scratch.Dir();
}

namespace {

// The resident size in bytes: now, and at its peak since the peak was last reset.
long long Resident(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::string(field).size())) * 1024;
  return -1;
}

}  // namespace

void AppendDecimal(std::string& text, long value, int decimals) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  const std::size_t whole = static_cast<std::size_t>(end - digits) - static_cast<std::size_t>(decimals);
  text.append(digits, whole);
  text += '.';
  text.append(digits + whole, static_cast<std::size_t>(decimals));
}

long long PeakAdded(const std::function<bool()>& run) {
  ::malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  const long long before = Resident("VmRSS:");
  if (before < 0 || !run()) return -1;
  const long long peak = Resident("VmHWM:");
  return peak < 0 ? -1 : peak - before;
}

}  // namespace mirto::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::printf("\n%-66s %14s %14s  %s\n", "target", "measured", "limit", "");
  for (const auto& [name, f] : mirto::bench::Measures()) {
    if (!f.measured) {
      std::printf("%-66s %14s %14s  not measured: %s\n", name.c_str(), "-", "-", f.why.c_str());
      continue;
    }
    const bool met = f.atMost ? f.value <= f.target : f.value >= f.target;
    const double margin = f.atMost ? f.target / f.value : f.value / f.target;
    char by[32] = "";  // none for a target of 0 met
    if (std::isfinite(margin)) std::snprintf(by, sizeof by, " (x%.2f)", margin);
    std::printf("%-66s %14.3f %s%13.3f  %s%s%s%s\n", name.c_str(), f.value, f.atMost ? "<=" : ">=", f.target,
                met ? "met" : "NOT MET", by, f.unit.empty() ? "" : "  ", f.unit.c_str());
  }
  return 0;
}
