#include "extras/Charts.h"

#include <cctype>
#include <cmath>

#include "framework/Format.h"
#include "framework/Registry.h"
#include "srs/Srs.h"
#include "stratified/Stratified.h"

namespace mirto::extras {
namespace {

constexpr int kCurvePoints = 31;

const Table* FindTable(const Record& record, Section section, std::string_view key) {
  for (const Table& t : record.tables())
    if (t.section() == section && t.key() == key) return &t;
  return nullptr;
}

std::optional<std::size_t> Column(const Table& table, std::string_view name) {
  for (std::size_t c = 0; c < table.columns().size(); ++c)
    if (table.columns()[c] == name) return c;
  return std::nullopt;
}

bool Finite(const ChartInterval& i) {
  return std::isfinite(i.estimate) && std::isfinite(i.low) && std::isfinite(i.high);
}

// A table of domains with "estimate", "low" and "high", named by its text columns.
std::optional<ChartData> DomainIntervals(const Table& table) {
  const auto estimate = Column(table, "estimate"), low = Column(table, "low"), high = Column(table, "high");
  if (!estimate || !low || !high) return std::nullopt;
  ChartData chart{.title = "Estimates by domain", .valueName = "estimate"};
  for (std::size_t r = 0; r < table.rows(); ++r) {
    std::string label;
    for (std::size_t c = 0; table.IsText(c); ++c) label += (c ? ", " : "") + table.text(r, c);
    chart.intervals.push_back({label, table.at(r, *estimate), table.at(r, *low), table.at(r, *high)});
  }
  return chart;
}

// Each group's interval as a simple random sample of its own, then the
// population's from the record. A group with every element observed (cluster
// sampling, or n_i = N_i) has its value without sampling error.
std::optional<ChartData> GroupIntervals(const Command& command, const Record& record, std::string_view key,
                                        const std::string& group) {
  const Table* groups = FindTable(record, Section::Inputs, key);
  const bool mean = command.target == Target::MeanTotal;
  if (!groups) return std::nullopt;
  const auto N = Column(*groups, "N_i"), n = Column(*groups, "n_i");
  const auto value = Column(*groups, mean ? "barY_i" : "P_i"), sd = Column(*groups, "S_i");
  if (!N || !value || (n && mean && !sd)) return std::nullopt;
  ChartData chart{.title = "Intervals by " + group, .valueName = mean ? "mean" : "proportion"};
  for (std::size_t r = 0; r < groups->rows(); ++r) {
    // The data's own name where they give one other than the number.
    const std::string number = std::to_string(r + 1);
    const bool named = groups->IsText(0) && !groups->text(r, 0).empty() && groups->text(r, 0) != number;
    const std::string label =
        named ? groups->text(r, 0) : (char)std::toupper(group[0]) + group.substr(1) + " " + number;
    srs::SrsInput in;
    in.N = groups->at(r, *N);
    in.n = n ? groups->at(r, *n) : in.N;
    in.z = record.Get("z");
    (mean ? in.barY : in.P) = groups->at(r, *value);
    if (in.n >= in.N) {
      chart.intervals.push_back({label, groups->at(r, *value), groups->at(r, *value), groups->at(r, *value)});
      continue;
    }
    if (mean) in.s = groups->at(r, *sd);
    const srs::SrsInterval i = srs::ComputeInterval(in, command.target);
    chart.intervals.push_back({label, i.estimate, i.low, i.high});
  }
  const char* estimate = mean ? "mean" : "proportion";
  chart.intervals.push_back({"Population", record.Get(estimate), record.Get(mean ? "mean_low" : "proportion_low"),
                             record.Get(mean ? "mean_high" : "proportion_high")});
  return chart;
}

// The sensitivity table: a line per level through its margins, the entered
// margin's n at 95% marked.
std::optional<ChartData> SensitivityLines(const Record& record) {
  const Table* sizes = FindTable(record, Section::Results, "sample_sizes");
  const Table* levels = FindTable(record, Section::Inputs, "levels");
  if (!sizes || !levels || sizes->rows() == 0 || levels->rows() + 1 != sizes->columns().size()) return std::nullopt;
  ChartData chart{.kind = ChartData::Kind::SampleSize,
                  .title = "Required sample size by margin and probability",
                  .valueName = "margin"};
  const double entered = record.Get("margin");
  for (std::size_t level = 0; level < levels->rows(); ++level) {
    const double probability = levels->at(level, 0);
    ChartSeries line{Format("%g%%", probability * 100), {}};
    for (std::size_t r = 0; r < sizes->rows(); ++r) {
      line.points.emplace_back(sizes->at(r, 0), sizes->at(r, level + 1));
      if (sizes->at(r, 0) == entered && probability == 0.95) chart.entered = line.points.back();
    }
    chart.series.push_back(std::move(line));
  }
  return chart;
}

// The calibration's g factors: the units in each bin.
std::optional<ChartData> GHistogram(const Table& table) {
  const auto low = Column(table, "low"), high = Column(table, "high"), units = Column(table, "units");
  if (!low || !high || !units || table.rows() == 0) return std::nullopt;
  ChartData chart{.kind = ChartData::Kind::Histogram, .title = "Units by g factor", .valueName = "g"};
  for (std::size_t r = 0; r < table.rows(); ++r) {
    chart.bins.push_back({table.at(r, *low), table.at(r, *high), table.at(r, *units)});
    if (!std::isfinite(chart.bins.back().low) || !std::isfinite(chart.bins.back().high)) return std::nullopt;
  }
  return chart;
}

// The required n for margins from half to twice the block's own, by `required(margin)`.
template <typename Required>
std::optional<ChartData> Curve(const Record& record, Required required) {
  const double entered = record.Get("margin");
  if (!(entered > 0) || !std::isfinite(entered)) return std::nullopt;
  ChartData chart{
      .kind = ChartData::Kind::SampleSize, .title = "Required sample size by margin", .valueName = "margin"};
  chart.entered = {entered, record.Get("required_sample_size")};
  ChartSeries& line = chart.series.emplace_back();
  for (int k = 0; k < kCurvePoints; ++k) {
    const double margin = entered * (0.5 + 1.5 * k / (kCurvePoints - 1));
    const double n = required(margin);
    if (!std::isfinite(n)) return std::nullopt;
    line.points.emplace_back(margin, n);
  }
  return chart;
}

std::optional<ChartData> SrsSampleSize(const Command& command, const Record& record) {
  srs::SrsInput in;
  in.N = record.Get("population_size");
  const bool mean = command.target == Target::MeanTotal;
  (mean ? in.sigma : in.pi) = record.Get(mean ? "population_sd" : "population_proportion");
  in.probability = record.Get("probability");
  in.z = record.Get("z");
  in.specialTarget = static_cast<SpecialTarget>(static_cast<int>(record.Get("special_target")));
  return Curve(record, [&](double margin) {
    in.margin = margin;
    return srs::ComputeSampleSize(in, command.target).required;
  });
}

// The strata as entered: N_i, v_i and the guessed sigma_i or pi_i.
std::optional<ChartData> StrataSampleSize(const Command& command, const Record& record) {
  const Table* strata = FindTable(record, Section::Inputs, "strata");
  const bool mean = command.target == Target::MeanTotal;
  if (!strata) return std::nullopt;
  const auto N = Column(*strata, "N_i"), v = Column(*strata, "v_i"),
             spread = Column(*strata, mean ? "sigma_i" : "pi_i");
  if (!N || !v || !spread) return std::nullopt;
  stratified::StratifiedInput in;
  in.layout = mean ? &stratified::kMeanSize : &stratified::kProportionSize;
  for (std::size_t r = 0; r < strata->rows(); ++r) {
    stratified::Stratum s;
    s.N = strata->at(r, *N);
    s.v = strata->at(r, *v);
    (mean ? s.sigma : s.pi) = strata->at(r, *spread);
    in.strata.push_back(s);
  }
  in.N = record.Get("population_size");
  in.z = record.Get("z");
  in.probability = record.Get("probability");
  in.specialTarget = static_cast<SpecialTarget>(static_cast<int>(record.Get("special_target")));
  return Curve(record, [&](double margin) {
    in.margin = margin;
    return stratified::ComputeSampleSize(in).required;
  });
}

}  // namespace

std::optional<ChartData> ChartFor(const Command& command, const Record& record) {
  const bool interval = command.objective == Objective::Interval;
  std::optional<ChartData> chart;
  if (const Table* domains = FindTable(record, Section::Results, "estimates"))
    chart = DomainIntervals(*domains);
  else if (const Table* g = FindTable(record, Section::Results, "g_histogram"))
    chart = GHistogram(*g);
  else if (command.method == Method::Stratified && interval)
    chart = GroupIntervals(command, record, "strata", "stratum");
  else if ((command.method == Method::Cluster || command.method == Method::TwoStage) && interval)
    chart = GroupIntervals(command, record, "clusters", "cluster");
  else if (command.objective == Objective::Sensitivity)
    chart = SensitivityLines(record);
  else if (command.method == Method::Simple && command.objective == Objective::SampleSize &&
           command.estimator == Estimator::Simple && command.target != Target::RatioOfMeans)
    chart = SrsSampleSize(command, record);
  else if (command.method == Method::Stratified && command.objective == Objective::SampleSize)
    chart = StrataSampleSize(command, record);
  if (!chart) return chart;
  for (const ChartInterval& i : chart->intervals)
    if (!Finite(i)) return std::nullopt;
  for (const ChartSeries& line : chart->series)
    for (const auto& [x, y] : line.points)
      if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  if (chart->kind == ChartData::Kind::Intervals && chart->intervals.empty()) return std::nullopt;
  return chart;
}

}  // namespace mirto::extras
