#include "extras/Charts.h"

#include <cmath>

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

// Each stratum's interval as a simple random sample of its own, then the
// population's from the record.
std::optional<ChartData> StrataIntervals(const Command& command, const Record& record) {
  const Table* strata = FindTable(record, Section::Inputs, "strata");
  const bool mean = command.target == Target::MeanTotal;
  if (!strata) return std::nullopt;
  const auto N = Column(*strata, "N_i"), n = Column(*strata, "n_i");
  const auto value = Column(*strata, mean ? "barY_i" : "P_i"), sd = Column(*strata, "S_i");
  if (!N || !n || !value || (mean && !sd)) return std::nullopt;
  ChartData chart{.title = "Intervals by stratum", .valueName = mean ? "mean" : "proportion"};
  for (std::size_t r = 0; r < strata->rows(); ++r) {
    srs::SrsInput in;
    in.N = strata->at(r, *N);
    in.n = strata->at(r, *n);
    in.z = record.Get("z");
    (mean ? in.barY : in.P) = strata->at(r, *value);
    if (mean) in.s = strata->at(r, *sd);
    const srs::SrsInterval i = srs::ComputeInterval(in, command.target);
    chart.intervals.push_back({"Stratum " + std::to_string(r + 1), i.estimate, i.low, i.high});
  }
  const char* key = mean ? "mean" : "proportion";
  chart.intervals.push_back({"Population", record.Get(key), record.Get(mean ? "mean_low" : "proportion_low"),
                             record.Get(mean ? "mean_high" : "proportion_high")});
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
  for (int k = 0; k < kCurvePoints; ++k) {
    const double margin = entered * (0.5 + 1.5 * k / (kCurvePoints - 1));
    const double n = required(margin);
    if (!std::isfinite(n)) return std::nullopt;
    chart.curve.emplace_back(margin, n);
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
  std::optional<ChartData> chart;
  if (const Table* domains = FindTable(record, Section::Results, "estimates"))
    chart = DomainIntervals(*domains);
  else if (command.method == Method::Stratified && command.objective == Objective::Interval)
    chart = StrataIntervals(command, record);
  else if (command.method == Method::Simple && command.objective == Objective::SampleSize &&
           command.estimator == Estimator::Simple && command.target != Target::RatioOfMeans)
    chart = SrsSampleSize(command, record);
  else if (command.method == Method::Stratified && command.objective == Objective::SampleSize)
    chart = StrataSampleSize(command, record);
  if (chart && chart->kind == ChartData::Kind::Intervals)
    for (const ChartInterval& i : chart->intervals)
      if (!Finite(i)) return std::nullopt;
  if (chart && chart->kind == ChartData::Kind::Intervals && chart->intervals.empty()) return std::nullopt;
  return chart;
}

}  // namespace mirto::extras
