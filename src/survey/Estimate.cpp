#include "survey/Estimate.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

#include "data/DataSession.h"
#include "extras/Additional.h"
#include "extras/Quantiles.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"
#include "survey/Accumulate.h"
#include "survey/Calibration.h"
#include "survey/Recent.h"

namespace mirto::survey {

using data::DataFile;
using data::DataProblem;
using data::Value;

double NormalQuantile(double p) {
  if (!(p > 0 && p < 1)) return std::numeric_limits<double>::quiet_NaN();
  return boost::math::quantile(boost::math::normal_distribution<double>(), p);
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// How far the levels of a variable with too many are counted, to say how many.
constexpr std::size_t kLevelsCounted = 100'000;

// Weighted sums of the analysis values for the design effect: the spread
// about the domain's estimate under simple random sampling. The values are
// taken less the domain's first, so that the sums of squares less the square
// of the sum keep their digits.
struct Spread {
  Wide w, wy, wyy, wx, wxx, wxy;
  double shift = 0, shiftX = 0;
  void Add(double weight, double y, double x, bool ratio) {
    const double a = y - shift, wa = weight * a;
    Accrue(w, weight);
    Accrue(wy, wa);
    Accrue(wyy, wa * a);
    if (!ratio) return;
    const double b = x - shiftX, wb = weight * b;
    Accrue(wx, wb);
    Accrue(wxx, wb * b);
    Accrue(wxy, wb * a);
  }
  // Sum of w (y - mean y)^2.
  double Deviations() const { return Rounded(wyy - wy * wy * Exact(1 / Rounded(w))); }
  // Sum of w (y - R x)^2: with y = a + s, x = b + t, of w (a - R b + k)^2, k = s - R t.
  double Residuals(double R) const {
    const double k = shift - R * shiftX;
    return Rounded(wyy - wxy * Exact(2 * R) + wxx * Exact(R * R) + wy * Exact(2 * k) - wx * Exact(2 * R * k) +
                   w * Exact(k * k));
  }
};

struct Domain {
  long long units = 0, positive = 0, missing = 0;
  bool seen = false;
  Spread spread;
};

// A variable of the file that names levels (a domain, a category), with the
// most it may have.
struct Levels {
  std::size_t column = 0, at = 0;  // in the file, in the scan
  std::size_t limit = 0;
  Codes codes;
};

class Pass {
 public:
  Pass(const DataFile& file, const Design& design, const EstimateRequest& request, const Calibration* calibration)
      : m_file(file), m_d(design), m_q(request), m_cal(calibration) {}

  std::optional<DataProblem> Resolve();
  std::optional<DataProblem> Run();
  Estimates Finish();

 private:
  DataProblem Problem(long long row, std::size_t column, std::string text) const {
    return {m_d.file, row, m_file.Variables()[column].name, std::move(text)};
  }
  bool Ratio() const { return m_q.statistic == Statistic::Ratio; }
  bool Proportion() const { return m_q.statistic == Statistic::Proportion; }
  std::size_t Slots() const { return Ratio() || m_q.statistic == Statistic::Mean ? 2 : 1; }
  std::optional<DataProblem> Row(long long row, std::span<const Value> v);
  std::size_t DomainOf(long long row, std::span<const Value> v);  // Codes::kNone: in none
  bool Overflowing(long long row, std::span<const Value> v);
  std::optional<DataProblem> Overflow() const;
  std::vector<std::size_t> DomainOrder() const;
  std::vector<Estimand> Estimands(std::size_t domain) const;
  void Figures(const Estimand& e, const Variance& var, std::size_t domain, EstimateRow& row) const;

  std::optional<DataProblem> Calibrate(long long row, std::span<const Value> v, Unit& u);

  const DataFile& m_file;
  const Design& m_d;
  const EstimateRequest& m_q;
  const Calibration* m_cal;
  Calibration::Place m_place;
  std::vector<AuxTerm> m_terms;
  std::size_t m_calAt = 0;                   // where its variables are in the scan
  std::vector<std::size_t> m_columns;        // the scan's
  std::size_t m_y = 0, m_x = 0, m_reps = 0;  // where in the scan
  std::optional<std::size_t> m_strata, m_psu;
  std::vector<Levels> m_by;
  std::optional<Levels> m_categories;
  PairIndex m_cross;  // (level of A, level of B) -> domain
  std::vector<std::pair<std::size_t, std::size_t>> m_crossLevels;
  std::vector<Domain> m_domains;
  std::vector<double> m_weights;  // the row's replicate weights
  std::unique_ptr<Accumulator> m_acc;
  Levels* m_overflow = nullptr;  // a variable found with too many levels
  long long m_overflowRow = 0;
  Estimates m_out;
};

std::optional<DataProblem> Pass::Resolve() {
  if (FileStamp(m_file) != m_d.stamp)
    return DataProblem{m_d.file, 0, {}, "the file changed since the design was read; give design again"};
  auto find = [&](const std::string& name, bool numeric, std::size_t& column) -> std::optional<DataProblem> {
    const std::optional<std::size_t> found = m_file.Find(name);
    if (!found) return DataProblem{m_d.file, 0, name, "no such variable in the file"};
    if (numeric && !IsVariableNumeric(m_file, *found))
      return Problem(0, *found,
                     "the variable is not numeric; a " + std::string(StatisticName(m_q.statistic)) + " needs numbers");
    column = *found;
    return std::nullopt;
  };
  m_columns = {m_d.weight};
  if (m_d.Taylor() && m_d.strata) m_strata = m_columns.size(), m_columns.push_back(*m_d.strata);
  if (m_d.psu) m_psu = m_columns.size(), m_columns.push_back(*m_d.psu);
  std::size_t column = 0;
  if (auto problem = find(m_q.variable, !Proportion(), column)) return problem;
  m_y = m_columns.size(), m_columns.push_back(column);
  m_out.variables.push_back(m_file.Variables()[column].name);
  if (Proportion()) m_categories.emplace(Levels{column, m_y, kMaxCategories, {}});
  if (Ratio()) {
    if (auto problem = find(m_q.denominator, true, column)) return problem;
    m_x = m_columns.size(), m_columns.push_back(column);
    m_out.variables.push_back(m_file.Variables()[column].name);
  }
  for (const std::string& name : m_q.by) {
    if (auto problem = find(name, false, column)) return problem;
    m_by.push_back(Levels{column, m_columns.size(), kMaxDomainLevels, {}});
    m_columns.push_back(column);
    m_out.variables.push_back(m_file.Variables()[column].name);
  }
  m_reps = m_columns.size();
  if (m_d.replicates) {
    m_columns.insert(m_columns.end(), m_d.replicates->columns.begin(), m_d.replicates->columns.end());
    m_weights.resize(m_d.replicates->columns.size());
  }
  if (m_cal) {
    if (m_cal->stamp != m_d.stamp)
      return DataProblem{m_d.file, 0, {}, "the file changed since the calibration; give design and calibrate again"};
    m_calAt = m_columns.size();
    for (std::size_t c : m_cal->Columns()) m_columns.push_back(c);
  }
  const Residuals* residuals = m_cal ? m_cal->residuals.get() : nullptr;
  m_acc = m_d.Taylor() ? MakeTaylorSums(m_d, Slots(), Proportion(), residuals)
                       : MakeReplicateSums(m_d, Slots(), Proportion());
  return std::nullopt;
}

std::optional<DataProblem> Pass::Run() {
  std::optional<DataProblem> bad;
  auto visit = [&](long long row, std::span<const Value> v) {
    if (m_overflow) return Overflowing(row, v);
    bad = Row(row, v);
    return !bad;
  };
  if (auto problem = m_file.Scan(m_columns, visit)) return problem;
  if (bad) return bad;
  if (m_overflow) return Overflow();
  if (m_out.used == 0) return DataProblem{m_d.file, 0, m_out.variables[0], "no unit has a value of the variable"};
  return std::nullopt;
}

// A variable with too many levels: the rest of the file only counts them.
bool Pass::Overflowing(long long row, std::span<const Value> v) {
  const Value& value = v[m_overflow->at];
  if (!value.missing) m_overflow->codes.Add(value, row);
  return m_overflow->codes.size() <= kLevelsCounted;
}

std::optional<DataProblem> Pass::Overflow() const {
  const std::size_t n = m_overflow->codes.size();
  const std::string count = n > kLevelsCounted ? Format("more than %zu", kLevelsCounted) : Format("%zu", n);
  const char* what = m_overflow == &*m_categories ? "a proportion's variable" : "a domain variable";
  return Problem(m_overflowRow, m_overflow->column,
                 Format("%s levels, the one past %zu here; %s takes at most %zu", count.c_str(), m_overflow->limit,
                        what, m_overflow->limit));
}

std::size_t Pass::DomainOf(long long row, std::span<const Value> v) {
  std::size_t level[2] = {0, 0};
  for (std::size_t i = 0; i < m_by.size(); ++i) {
    Levels& by = m_by[i];
    const Value& value = v[by.at];
    if (value.missing) return Codes::kNone;
    level[i] = by.codes.Add(value, row);
    if (by.codes.size() > by.limit) {
      m_overflow = &by;
      m_overflowRow = row;
      return Codes::kNone;
    }
  }
  std::size_t d = level[0];
  if (m_by.size() == 2) {
    const auto [number, added] = m_cross.Of(level[0], level[1]);
    if (added) m_crossLevels.emplace_back(level[0], level[1]);
    d = number;
  }
  if (d >= m_domains.size()) m_domains.resize(d + 1);
  return d;
}

std::optional<DataProblem> Pass::Row(long long row, std::span<const Value> v) {
  if (v[0].missing || !v[0].numeric || v[0].number < 0)
    return Problem(row, m_d.weight,
                   v[0].missing    ? "the weight is missing"
                   : !v[0].numeric ? NotANumber(v[0].text)
                                   : "the weight is negative");
  constexpr const char* kChanged = "not in the file when the design was read; give design again";
  Unit u;
  u.w = v[0].number;
  u.stratum = m_d.StratumOf(m_strata ? &v[*m_strata] : nullptr);
  if (u.stratum == Codes::kNone) return Problem(row, *m_d.strata, "the stratum is " + std::string(kChanged));
  if (m_psu) {
    u.psu = m_d.PsuOf(u.stratum, v[*m_psu]);
    if (u.psu == Codes::kNone) return Problem(row, *m_d.psu, "the PSU is " + std::string(kChanged));
  }
  if (m_cal)
    if (auto problem = Calibrate(row, v, u)) return problem;
  u.domain = DomainOf(row, v);
  if (u.domain == Codes::kNone) return ++m_out.noDomain, std::nullopt;
  Domain& domain = m_domains[u.domain];
  const Value& y = v[m_y];
  if (y.missing || (Ratio() && v[m_x].missing)) return ++domain.missing, ++m_out.missing, std::nullopt;
  if (!Proportion() && !y.numeric) return Problem(row, m_columns[m_y], NotANumber(y.text));
  if (Ratio() && !v[m_x].numeric) return Problem(row, m_columns[m_x], NotANumber(v[m_x].text));
  for (std::size_t r = 0; r < m_weights.size(); ++r) {
    const Value& w = v[m_reps + r];
    if (w.missing || !w.numeric)
      return Problem(row, m_columns[m_reps + r], w.missing ? "the replicate weight is missing" : NotANumber(w.text));
    m_weights[r] = m_cal ? w.number * m_cal->G(m_place, r + 1) : w.number;
  }
  u.replicates = m_weights;
  if (Proportion()) {
    u.category = m_categories->codes.Add(y, row);
    if (m_categories->codes.size() > m_categories->limit) {
      m_overflow = &*m_categories;
      m_overflowRow = row;
      return std::nullopt;
    }
  }
  const double yv = y.numeric ? y.number : 0, xv = Ratio() ? v[m_x].number : 0;
  if (!domain.seen) domain.spread.shift = yv, domain.spread.shiftX = xv, domain.seen = true;
  switch (m_q.statistic) {
    case Statistic::Mean: u.v[0] = yv - domain.spread.shift, u.v[1] = 1; break;
    case Statistic::Total: u.v[0] = yv; break;
    case Statistic::Ratio: u.v[0] = yv, u.v[1] = xv; break;
    case Statistic::Proportion: u.v[0] = 1; break;
  }
  m_acc->Add(u);
  ++domain.units;
  domain.positive += u.w != 0;
  if (!Proportion())
    domain.spread.Add(u.w, yv, xv, Ratio());
  else
    domain.spread.w = domain.spread.w + Exact(u.w);
  ++m_out.used;
  return std::nullopt;
}

// The calibrated weight, and for a Taylor variance every unit's part of the
// residuals, in a domain or not.
std::optional<DataProblem> Pass::Calibrate(long long row, std::span<const Value> v, Unit& u) {
  if (!m_cal->Locate(v.subspan(m_calAt, m_cal->variables.size()), m_place))
    return DataProblem{
        m_d.file, row, {}, "a value not in the file when the calibration was made; give calibrate again"};
  u.w *= m_cal->G(m_place);
  if (!m_d.Taylor()) return std::nullopt;
  m_cal->Terms(m_place, m_terms);
  u.aux = m_terms;
  u.a = m_cal->MomentWeight(v[0].number);
  m_acc->Background(u);
  return std::nullopt;
}

std::vector<std::size_t> Pass::DomainOrder() const {
  if (m_by.empty()) return m_domains.empty() ? std::vector<std::size_t>{} : std::vector<std::size_t>{0};
  if (m_by.size() == 1) return m_by[0].codes.Sorted();
  // The pairs that occur, by the first variable's order, then the second's.
  std::vector<std::size_t> rank[2];
  for (std::size_t i = 0; i < 2; ++i) {
    const std::vector<std::size_t> sorted = m_by[i].codes.Sorted();
    rank[i].resize(sorted.size());
    for (std::size_t r = 0; r < sorted.size(); ++r) rank[i][sorted[r]] = r;
  }
  std::vector<std::size_t> order(m_crossLevels.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
    const auto &a = m_crossLevels[x], &b = m_crossLevels[y];
    return std::pair(rank[0][a.first], rank[1][a.second]) < std::pair(rank[0][b.first], rank[1][b.second]);
  });
  return order;
}

std::vector<Estimand> Pass::Estimands(std::size_t domain) const {
  std::vector<Estimand> out;
  const double shift = m_q.statistic == Statistic::Mean ? m_domains[domain].spread.shift : 0;
  if (Proportion()) {
    for (std::size_t k : m_categories->codes.Sorted()) out.push_back({{true, k}, {false, 0}, true, 0, 0});
  } else {
    out.push_back({{false, 0}, {false, 1}, m_q.statistic != Statistic::Total, shift, 0});
  }
  for (Estimand& e : out) {
    const double n = Rounded(m_acc->Total(domain, e.num));
    e.theta = e.quotient ? e.shift + n / Rounded(m_acc->Total(domain, e.den)) : n;
    if (!std::isfinite(e.theta)) e.theta = kNaN;
  }
  return out;
}

// The variance under simple random sampling without replacement of the
// same number of units from a population of the domain's sum of weights, as
// R survey's deff = TRUE has it.
double SrsVariance(Statistic statistic, const Spread& s, double n, double theta, double denominator) {
  const double W = Rounded(s.w);
  if (!(n >= 2) || !(W > n)) return kNaN;
  double squares = 0;  // sum of w (value - estimate)^2, over W
  switch (statistic) {
    case Statistic::Proportion: squares = theta * (1 - theta); break;
    case Statistic::Ratio: squares = s.Residuals(theta) / (denominator * denominator) / W; break;
    default: squares = s.Deviations() / W;
  }
  const double v = n / (n - 1) * squares * (W - n) / (W * n);
  return statistic == Statistic::Total || statistic == Statistic::Ratio ? v * W * W : v;
}

void Pass::Figures(const Estimand& e, const Variance& var, std::size_t domain, EstimateRow& row) const {
  const Domain& dom = m_domains[domain];
  const double theta = e.theta, v = var.v >= 0 ? var.v : kNaN, se = std::sqrt(v);
  row.estimate = theta;
  row.se = se;
  row.low = theta - m_out.z * se;
  row.high = theta + m_out.z * se;
  row.cv = theta != 0 ? 100 * se / std::fabs(theta) : kNaN;
  const auto n = static_cast<double>(m_d.Taylor() ? dom.positive : dom.units);
  const double denominator = Ratio() ? Rounded(m_acc->Total(domain, e.den)) : 1;
  const double srs = SrsVariance(m_q.statistic, dom.spread, n, theta, denominator);
  row.deff = srs > 0 ? v / srs : kNaN;
  row.units = dom.units;
  row.missing = dom.missing;
  row.tLow = theta - m_out.t * se;
  row.tHigh = theta + m_out.t * se;
  row.droppedReplicates = var.dropped;
  if (!Proportion()) return;
  const bool inside = theta > 0 && theta < 1 && v > 0;
  row.nEff = inside ? theta * (1 - theta) / v : kNaN;
  const extras::Bounds none{kNaN, kNaN};
  const extras::Bounds wilson = inside ? extras::WilsonInterval(theta, row.nEff, m_out.z) : none;
  const extras::Bounds exact = inside ? extras::ClopperPearsonInterval(theta, row.nEff, m_out.confidence) : none;
  const double centre = std::log(theta / (1 - theta)), half = m_out.t * std::sqrt(var.logit);
  auto back = [](double x) { return 1 / (1 + std::exp(-x)); };
  const bool logit = inside && std::isfinite(half);
  row.wilsonLow = wilson.low, row.wilsonHigh = wilson.high;
  row.exactLow = exact.low, row.exactHigh = exact.high;
  row.logitLow = logit ? back(centre - half) : kNaN;
  row.logitHigh = logit ? back(centre + half) : kNaN;
}

Estimates Pass::Finish() {
  m_out.request = m_q;
  m_out.confidence = m_q.level / 100;
  m_out.z = NormalQuantile(0.5 + m_out.confidence / 2);
  m_out.t = m_d.df >= 1 ? extras::StudentQuantile(m_d.df, 0.5 + m_out.confidence / 2) : kNaN;
  std::vector<Variance> variances;
  for (std::size_t d : DomainOrder()) {
    const std::vector<Estimand> estimands = Estimands(d);
    variances.assign(estimands.size(), Variance{});
    m_acc->Variances(d, estimands, variances);
    for (std::size_t i = 0; i < estimands.size(); ++i) {
      EstimateRow& row = m_out.rows.emplace_back();
      if (m_by.size() == 1) row.domain = {m_by[0].codes.Name(d)};
      if (m_by.size() == 2)
        row.domain = {m_by[0].codes.Name(m_crossLevels[d].first), m_by[1].codes.Name(m_crossLevels[d].second)};
      if (Proportion()) row.category = m_categories->codes.Name(estimands[i].num.index);
      Figures(estimands[i], variances[i], d, row);
    }
  }
  return std::move(m_out);
}

}  // namespace

std::variant<Estimates, DataProblem> Estimate(const DataFile& file, const Design& design,
                                              const EstimateRequest& request, const Calibration* calibration) {
  Pass pass(file, design, request, calibration);
  if (auto problem = pass.Resolve()) return *problem;
  if (auto problem = pass.Run()) return *problem;
  return pass.Finish();
}

}  // namespace mirto::survey
