#pragma once
// What the desktop's chart draws for a report block, worked out from the
// block's result record and its command, never from the report's text:
// - the intervals by group: a block's table of per-domain estimates with
//   their bounds, or a stratified interval's strata, each with the interval
//   simple random sampling gives within it, then the whole population's;
// - for a sample size of simple random or stratified sampling, the required n
//   over margins from half to twice the one entered, by the block's own formula.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/Record.h"

namespace mirto {
struct Command;
}

namespace mirto::extras {

struct ChartInterval {
  std::string label;
  double estimate, low, high;
};

struct ChartData {
  enum class Kind { Intervals, SampleSize } kind = Kind::Intervals;
  std::string title;
  std::string valueName;                              // the estimated quantity (intervals) or the margin
  std::vector<ChartInterval> intervals = {};          // Intervals
  std::vector<std::pair<double, double>> curve = {};  // SampleSize: (margin, required n), margins rising
  std::pair<double, double> entered{0, 0};            // SampleSize: the block's own margin and n
};

// Nothing for a block with no chart, or one whose figures are not all finite.
std::optional<ChartData> ChartFor(const Command& command, const Record& record);

}  // namespace mirto::extras
