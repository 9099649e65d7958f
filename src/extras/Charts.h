#pragma once
// What the desktop's chart draws for a report block, worked out from the
// block's result record and its command, never from the report's text:
// - the intervals by group: a block's table of per-domain estimates with
//   their bounds, or a stratified interval's strata, each with the interval
//   simple random sampling gives within it, then the whole population's;
// - for a sample size of simple random or stratified sampling, the required n
//   over margins from half to twice the one entered, by the block's own formula;
// - the sensitivity of n: a line per level through the table's margins;
// - a calibration: the units by g factor, binned.
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

// A line of (x, y) points, x rising, with its name in the legend (none for a lone line).
struct ChartSeries {
  std::string name;
  std::vector<std::pair<double, double>> points;
};

struct ChartBin {
  double low, high, count;
};

struct ChartData {
  enum class Kind { Intervals, SampleSize, Histogram } kind = Kind::Intervals;
  std::string title;
  std::string valueName;                      // the estimated quantity (intervals), the margin or the binned figure
  std::vector<ChartInterval> intervals = {};  // Intervals
  std::vector<ChartSeries> series = {};       // SampleSize: required n by margin, a line per level
  std::pair<double, double> entered{0, 0};    // SampleSize: the block's own margin and n
  std::vector<ChartBin> bins = {};            // Histogram: counts of units, bins rising
};

// Nothing for a block with no chart, or one whose figures are not all finite.
std::optional<ChartData> ChartFor(const Command& command, const Record& record);

}  // namespace mirto::extras
