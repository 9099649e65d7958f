#pragma once
// The figures each benchmark compares with its target, printed together at
// the end of the run.
#include <functional>
#include <string>

namespace mirto::bench {

// `value` against `target`; `atMost` says which side of the target is good.
void RecordRatio(const std::string& name, double value, double target, bool atMost, const std::string& unit = "");

// A target that could not be measured in this run, and why.
void RecordUnmeasured(const std::string& name, const std::string& why);

// A scratch folder for the benchmarks' files ($TMPDIR or /tmp), removed at exit.
const std::string& ScratchDir();

// `value` / 10^decimals written with `decimals` decimals ("1234.5" for 12345, 1).
void AppendDecimal(std::string& text, long value, int decimals);

// The peak resident size `run` adds to the process, in bytes; -1 when it
// fails or /proc/self/status cannot tell.
long long PeakAdded(const std::function<bool()>& run);

}  // namespace mirto::bench
