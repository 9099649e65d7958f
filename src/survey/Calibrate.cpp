// The calibration's reading: the variables and the kind of each term from
// the totals file, one pass over the design's weights and the variables
// (sums per cell, or the cross-products of linear calibration), the totals
// matched to the sample's categories, the method, and the figures of the
// block (from the cells, or from more passes where linear calibration has
// numeric terms).
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>

#include "data/DataFormats.h"
#include "data/DataSession.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"
#include "survey/CalibrationSteps.h"

namespace mirto::survey {

using data::DataFile;
using data::DataProblem;
using data::Value;

namespace steps {

namespace {

std::uint64_t OrderKey(double v) {
  const auto b = std::bit_cast<std::uint64_t>(v + 0.0);
  return b >> 63 ? ~b : b | (std::uint64_t{1} << 63);
}

double FromKey(std::uint64_t k) { return std::bit_cast<double>(k >> 63 ? k & ~(std::uint64_t{1} << 63) : ~k); }

constexpr std::size_t kBuckets = 1 << 16;

}  // namespace

OrderStatistics::OrderStatistics(std::vector<long long> ranks) {
  for (long long rank : ranks) m_targets.push_back({rank, 0, 0, std::vector<long long>(kBuckets, 0)});
}

bool OrderStatistics::Done() const {
  return std::all_of(m_targets.begin(), m_targets.end(), [](const Target& t) { return t.bits == 64; });
}

void OrderStatistics::Add(double value, long long count) {
  const std::uint64_t key = OrderKey(value);
  for (Target& t : m_targets) {
    if (t.bits == 64 || (t.bits > 0 && key >> (64 - t.bits) != t.prefix)) continue;
    t.counts[(key >> (48 - t.bits)) & (kBuckets - 1)] += count;
  }
}

void OrderStatistics::EndPass() {
  for (Target& t : m_targets) {
    if (t.bits == 64) continue;
    for (std::size_t b = 0; b < kBuckets; ++b) {
      if (t.rank < t.counts[b]) {
        t.prefix = (t.prefix << 16) | b;
        t.bits += 16;
        break;
      }
      t.rank -= t.counts[b];
    }
    std::fill(t.counts.begin(), t.counts.end(), 0);
    if (t.bits == 64) t.counts = {};
  }
}

double OrderStatistics::Value(std::size_t i) const { return FromKey(m_targets[i].prefix); }

}  // namespace steps

namespace {

using steps::UnitVisit;

// A line of the totals file names a variable by its name in the statement or in the file.
bool Names(const std::string& text, const CalibrationVariable& v, const std::string& requested) {
  return text == requested || text == v.name;
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return std::string(text);
}

std::vector<std::string> StarParts(std::string_view text) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t star = text.find('*', start);
    parts.push_back(Trimmed(text.substr(start, star == std::string_view::npos ? star : star - start)));
    if (star == std::string_view::npos) return parts;
    start = star + 1;
  }
}

// The category a totals line names: by number where it reads as one, else
// by its label or text.
std::size_t CategoryNamed(const Codes& codes, std::string_view text) {
  data::Value v = data::ReadCell(text);
  v.missing = false;
  if (const std::size_t k = codes.Find(v); k != Codes::kNone) return k;
  for (std::size_t k = 0; k < codes.size(); ++k)
    if (codes.Name(k) == text) return k;
  return Codes::kNone;
}

class Calibrator {
 public:
  Calibrator(const DataFile& file, const Design& design, const CalibrateRequest& request, const Totals& totals)
      : m_file(file), m_d(design), m_totals(totals) {
    m_c.request = request;
    m_c.totalsFile = totals.file;
    m_c.replicates = design.replicates ? design.replicates->columns.size() : 0;
    m_names.data = design.file;
    if (design.replicates) m_names.replicates = design.replicates->names;
  }

  std::optional<DataProblem> Run() {
    if (auto p = Resolve()) return p;
    if (auto p = FirstPass()) return p;
    if (auto p = m_c.request.method == CalibrationMethod::PostStrata ? MatchCells() : MatchMargins()) return p;
    if (auto p = Agree()) return p;
    std::optional<DataProblem> p;
    switch (m_c.request.method) {
      case CalibrationMethod::PostStrata: p = steps::PostStratify(m_c, m_names); break;
      case CalibrationMethod::Rake: p = steps::Rake(m_c, m_names); break;
      case CalibrationMethod::Linear: p = steps::Linear(m_c, m_names, *m_moments, Units()); break;
    }
    if (p) return p;
    return Figures();
  }

  Calibration Take() { return std::move(m_c); }

 private:
  DataProblem InData(long long row, const std::string& variable, std::string text) const {
    return {m_d.file, row, variable, std::move(text)};
  }
  DataProblem InTotals(long long row, const std::string& variable, std::string text) const {
    return {m_totals.file, row, variable, std::move(text)};
  }
  bool Crossed() const { return m_c.request.method == CalibrationMethod::PostStrata; }

  std::optional<DataProblem> Resolve() {
    m_c.stamp = FileStamp(m_file);
    if (m_c.stamp != m_d.stamp)
      return DataProblem{m_d.file, 0, {}, "the file changed since the design was read; give design again"};
    for (const std::string& name : m_c.request.variables) {
      const std::optional<std::size_t> column = m_file.Find(name);
      if (!column) return InData(0, name, "no such variable in the file");
      CalibrationVariable& v = m_c.variables.emplace_back();
      v.name = m_file.Variables()[*column].name;
      v.column = *column;
    }
    if (!Crossed())
      for (std::size_t i = 0; i < m_c.variables.size(); ++i)
        if (auto p = Kind(i)) return p;
    m_c.Prepare();
    return std::nullopt;
  }

  // A linear term is numeric where its total has the category empty; a
  // margin of raking has totals by category.
  std::optional<DataProblem> Kind(std::size_t i) {
    CalibrationVariable& v = m_c.variables[i];
    const TotalLine *numeric = nullptr, *category = nullptr;
    for (const TotalLine& line : m_totals.lines) {
      if (!Names(line.variable, v, m_c.request.variables[i])) continue;
      if (line.category.empty() && !numeric) numeric = &line;
      if (!line.category.empty() && !category) category = &line;
    }
    if (!numeric && !category) return InTotals(0, v.name, "no line of the totals file gives this variable's totals");
    if (numeric && m_c.request.method != CalibrationMethod::Linear)
      return InTotals(numeric->row, v.name, "the category is empty; a margin takes a total for each category");
    if (numeric && category)
      return InTotals(std::max(numeric->row, category->row), v.name,
                      Format("a total with the category empty (a numeric term) at row %lld and totals by category "
                             "at row %lld; a term is one or the other",
                             numeric->row, category->row));
    v.numeric = numeric != nullptr;
    if (v.numeric) {
      if (!IsVariableNumeric(m_file, v.column))
        return InData(0, v.name,
                      "the variable is not numeric; its total with the category empty makes it a numeric term");
      v.totals = {numeric->total};
      v.totalRows = {numeric->row};
      v.firstTotalRow = numeric->row;
    }
    return std::nullopt;
  }

  std::vector<std::size_t> Scanned() const {
    std::vector<std::size_t> columns{m_d.weight};
    if (m_d.replicates) columns.insert(columns.end(), m_d.replicates->columns.begin(), m_d.replicates->columns.end());
    for (std::size_t c : m_c.Columns()) columns.push_back(c);
    return columns;
  }

  std::optional<DataProblem> FirstPass() {
    const std::size_t R = m_c.replicates;
    if (m_c.Linear()) m_moments.emplace(m_c);
    std::vector<double> reps(R);
    Calibration::Place place;
    std::optional<DataProblem> bad;
    auto row = [&](long long r, std::span<const Value> v) -> std::optional<DataProblem> {
      const std::string& weight = m_file.Variables()[m_d.weight].name;
      if (v[0].missing) return InData(r, weight, "the weight is missing");
      if (!v[0].numeric) return InData(r, weight, NotANumber(v[0].text));
      if (v[0].number < 0) return InData(r, weight, "the weight " + data::ShortestText(v[0].number) + " is negative");
      for (std::size_t k = 0; k < R; ++k) {
        if (v[1 + k].missing) return InData(r, m_names.replicates[k], "the replicate weight is missing");
        if (!v[1 + k].numeric) return InData(r, m_names.replicates[k], NotANumber(v[1 + k].text));
        reps[k] = v[1 + k].number;
      }
      const double d = v[0].number;
      if (auto fault = m_c.Learn(v.subspan(1 + R), r, place))
        return InData(r, m_c.variables[fault->first].name, fault->second);
      if (m_c.hasCells) {
        Cell& cell = m_c.cells[place.cell];
        cell.design = cell.design + Exact(d);
        for (std::size_t k = 0; k < R; ++k) Accrue(cell.replicates[k], reps[k]);
        ++cell.rows;
        cell.positive += d > 0;
      }
      if (m_moments) m_moments->Add(place, d, reps);
      ++m_c.figures.units;
      m_sumBefore = m_sumBefore + Exact(d);
      return std::nullopt;
    };
    if (auto p = m_file.Scan(Scanned(), [&](long long r, std::span<const Value> v) { return !(bad = row(r, v)); }))
      return p;
    if (bad) return bad;
    if (m_c.figures.units == 0) return DataProblem{m_d.file, 0, {}, "the file has no data rows"};
    m_c.figures.sumBefore = Rounded(m_sumBefore);
    return std::nullopt;
  }

  // Post-stratification: each line names a cell of crossed categories.
  std::optional<DataProblem> MatchCells() {
    const std::size_t K = m_c.variables.size();
    std::string joined;
    for (std::size_t i = 0; i < K; ++i) joined += (i ? "*" : "") + m_c.variables[i].name;
    std::vector<long long> given(m_c.cells.size(), 0);
    for (const TotalLine& line : m_totals.lines) {
      const std::vector<std::string> names = StarParts(line.variable);
      if (names.size() != K) continue;
      bool ours = true;
      for (std::size_t i = 0; i < K; ++i) ours = ours && Names(names[i], m_c.variables[i], m_c.request.variables[i]);
      if (!ours) continue;
      if (line.category.empty())
        return InTotals(line.row, joined, "the category is empty; post-strata take a total for each cell");
      const std::vector<std::string> parts =
          K == 1 ? std::vector<std::string>{line.category} : StarParts(line.category);
      if (parts.size() != K)
        return InTotals(line.row, joined,
                        Format("\"%s\" is not %zu categories joined by *", Excerpt(line.category).c_str(), K));
      Calibration::Place place;
      place.category.resize(K);
      bool found = true;
      for (std::size_t i = 0; i < K && found; ++i) {
        const std::size_t k = CategoryNamed(m_c.variables[i].categories, parts[i]);
        found = k != Codes::kNone;
        place.category[i] = static_cast<std::uint32_t>(found ? k : 0);
      }
      const std::size_t cell = found ? CellOf(place) : Codes::kNone;
      if (cell == Codes::kNone) {
        if (line.total == 0) continue;
        return InTotals(line.row, joined,
                        "no unit of the sample is in the cell \"" + Excerpt(line.category) + "\" (an empty cell)");
      }
      if (given[cell])
        return InTotals(line.row, joined, Format("the cell is given a total at row %lld too", given[cell]));
      given[cell] = line.row;
      m_c.cells[cell].total = line.total;
      m_c.cells[cell].totalRow = line.row;
    }
    for (std::size_t c = 0; c < m_c.cells.size(); ++c) {
      const Cell& cell = m_c.cells[c];
      if (!given[c])
        return InData(cell.firstRow, joined,
                      "the cell \"" + steps::CellName(m_c, cell) + "\" has no total in " + m_totals.file);
      if (!(cell.total > 0))
        return InTotals(cell.totalRow, joined, "the total of a cell that has units must be above 0");
    }
    return std::nullopt;
  }

  std::size_t CellOf(const Calibration::Place& place) const {
    std::vector<Value> values;
    for (std::size_t i = 0; i < m_c.variables.size(); ++i) {
      const Codes& codes = m_c.variables[i].categories;
      const std::size_t k = place.category[i];
      values.push_back({false, codes.Numeric(k), codes.Number(k), codes.Name(k)});
    }
    Calibration::Place found;
    return m_c.Locate(values, found) ? found.cell : Codes::kNone;
  }

  // Raking and linear calibration: a total per category of each margin.
  std::optional<DataProblem> MatchMargins() {
    for (std::size_t i = 0; i < m_c.variables.size(); ++i) {
      CalibrationVariable& v = m_c.variables[i];
      if (v.numeric) continue;
      const std::size_t n = v.categories.size();
      v.totals.assign(n, 0.0);
      v.totalRows.assign(n, 0);
      for (const TotalLine& line : m_totals.lines) {
        if (!Names(line.variable, v, m_c.request.variables[i])) continue;
        if (!v.firstTotalRow) v.firstTotalRow = line.row;
        const std::size_t k = CategoryNamed(v.categories, line.category);
        if (k == Codes::kNone) {
          if (line.total == 0) continue;
          return InTotals(line.row, v.name,
                          "no unit of the sample has the category \"" + Excerpt(line.category) + "\" (an empty cell)");
        }
        if (v.totalRows[k])
          return InTotals(line.row, v.name,
                          Format("the category \"%s\" is given a total at row %lld too", Excerpt(line.category).c_str(),
                                 v.totalRows[k]));
        v.totals[k] = line.total;
        v.totalRows[k] = line.row;
      }
      for (std::size_t k = 0; k < n; ++k) {
        if (!v.totalRows[k])
          return InData(v.categories.FirstRow(k), v.name,
                        "the category \"" + Excerpt(v.categories.Name(k)) + "\" has no total in " + m_totals.file);
        if (!m_c.Linear() && !(v.totals[k] > 0))
          return InTotals(v.totalRows[k], v.name, "the total of a category that has units must be above 0");
      }
    }
    return std::nullopt;
  }

  // Margins that add up to different population sizes cannot all be met.
  std::optional<DataProblem> Agree() {
    if (Crossed()) return std::nullopt;
    const CalibrationVariable* first = nullptr;
    double firstSum = 0;
    const bool rake = m_c.request.method == CalibrationMethod::Rake;
    m_c.figures.tolerance = m_c.request.epsilon < 1 ? m_c.request.epsilon * m_c.figures.sumBefore : m_c.request.epsilon;
    for (const CalibrationVariable& v : m_c.variables) {
      if (v.numeric) continue;
      Wide sum;
      for (double t : v.totals) sum = sum + Exact(t);
      if (!first) {
        first = &v;
        firstSum = Rounded(sum);
        continue;
      }
      const double difference = std::fabs(Rounded(sum) - firstSum);
      const double tolerance = rake ? m_c.figures.tolerance : 1e-7 * (1 + std::fabs(firstSum));
      if (difference > tolerance)
        return InTotals(v.firstTotalRow, v.name,
                        Format("its totals add up to %s and those of %s to %s; the margins must agree (within %s)",
                               data::ShortestText(Rounded(sum)).c_str(), first->name.c_str(),
                               data::ShortestText(firstSum).c_str(), data::ShortestText(tolerance).c_str()));
    }
    return std::nullopt;
  }

  // The units from the cells where there are cells, else from the file again.
  steps::UnitSource Units() const {
    if (m_c.hasCells)
      return [this](const UnitVisit& visit) -> std::optional<DataProblem> {
        Calibration::Place place;
        std::vector<double> reps(m_c.replicates);
        for (std::size_t c = 0; c < m_c.cells.size(); ++c) {
          const Cell& cell = m_c.cells[c];
          place.cell = c;
          place.category.assign(cell.categories.begin(), cell.categories.end());
          place.value.assign(m_c.variables.size(), 0.0);
          for (std::size_t k = 0; k < reps.size(); ++k) reps[k] = Rounded(cell.replicates[k]);
          visit(place, Rounded(cell.design), reps, cell.rows, cell.positive);
        }
        return std::nullopt;
      };
    return [this](const UnitVisit& visit) -> std::optional<DataProblem> {
      const std::size_t R = m_c.replicates;
      std::vector<double> reps(R);
      Calibration::Place place;
      std::optional<DataProblem> bad;
      auto problem = m_file.Scan(Scanned(), [&](long long row, std::span<const Value> v) {
        for (std::size_t k = 0; k < R; ++k) reps[k] = v[1 + k].number;
        if (!m_c.Locate(v.subspan(1 + R), place)) {
          bad = InData(row, {}, "the file changed while it was read; give design again");
          return false;
        }
        visit(place, v[0].number, reps, 1, v[0].number > 0);
        return true;
      });
      return problem ? problem : bad;
    };
  }

  std::optional<DataProblem> Figures();

  const DataFile& m_file;
  const Design& m_d;
  const Totals& m_totals;
  Calibration m_c;
  steps::Names m_names;
  std::optional<steps::LinearMoments> m_moments;
  Wide m_sumBefore;
};

}  // namespace

std::size_t GBin(double g, double low, double high, std::size_t bins) {
  if (!(high > low) || bins < 2) return 0;
  const double at = std::floor((g - low) / (high - low) * static_cast<double>(bins));
  if (!(at > 0)) return 0;
  return at >= static_cast<double>(bins - 1) ? bins - 1 : static_cast<std::size_t>(at);
}

namespace {

// The type 7 quantile (R's default) from the order statistics at (n - 1) p.
double Quantile(const steps::OrderStatistics& order, std::size_t at, double index) {
  const double lo = order.Value(at), hi = order.Value(at + 1), h = index - std::floor(index);
  return h > 0 && hi != lo ? (1 - h) * lo + h * hi : lo;
}

std::optional<DataProblem> Calibrator::Figures() {
  CalibrationFigures& f = m_c.figures;
  const steps::UnitSource units = Units();
  const auto n = static_cast<double>(f.units);
  const double probabilities[] = {0.25, 0.5, 0.75};
  std::vector<long long> ranks;
  for (double p : probabilities) {
    const double index = (n - 1) * p;
    ranks.push_back(static_cast<long long>(std::floor(index)));
    ranks.push_back(static_cast<long long>(std::ceil(index)));
  }
  steps::OrderStatistics order(ranks);
  std::vector<std::vector<Wide>> before(m_c.variables.size()), after(m_c.variables.size());
  for (std::size_t i = 0; i < m_c.variables.size(); ++i) {
    const std::size_t size = m_c.variables[i].numeric ? 1 : m_c.variables[i].categories.size();
    before[i].resize(size);
    after[i].resize(size);
  }
  Wide sumAfter;
  f.gMin = std::numeric_limits<double>::infinity();
  f.gMax = -f.gMin;
  auto first = [&](const Calibration::Place& place, double d, std::span<const double>, long long rows,
                   long long positive) {
    const double g = m_c.G(place);
    const Wide w = Product(d, g);
    sumAfter = sumAfter + w;
    if (g < 0) f.negative += positive;
    f.gMin = std::min(f.gMin, g);
    f.gMax = std::max(f.gMax, g);
    order.Add(g, rows);
    for (std::size_t i = 0; i < m_c.variables.size(); ++i) {
      if (m_c.variables[i].numeric) {
        before[i][0] = before[i][0] + Product(d, place.value[i]);
        after[i][0] = after[i][0] + w * Exact(place.value[i]);
      } else {
        before[i][place.category[i]] = before[i][place.category[i]] + Exact(d);
        after[i][place.category[i]] = after[i][place.category[i]] + w;
      }
    }
  };
  if (auto p = units(first)) return p;
  order.EndPass();
  // The bins need the range, so they fill on the second pass, which the quantiles usually need anyway.
  const std::size_t bins = f.units > 0 && f.gMax > f.gMin ? kGBins : 1;
  f.gCounts.assign(f.units > 0 ? bins : 0, 0);
  bool binned = f.units == 0;
  while (!order.Done() || !binned) {
    auto again = [&](const Calibration::Place& place, double, std::span<const double>, long long rows, long long) {
      const double g = m_c.G(place);
      if (!order.Done()) order.Add(g, rows);
      if (!binned) f.gCounts[GBin(g, f.gMin, f.gMax, bins)] += rows;
    };
    if (auto p = units(again)) return p;
    if (!order.Done()) order.EndPass();
    binned = true;
  }
  f.gQ1 = Quantile(order, 0, (n - 1) * 0.25);
  f.gMedian = Quantile(order, 2, (n - 1) * 0.5);
  f.gQ3 = Quantile(order, 4, (n - 1) * 0.75);
  f.sumAfter = Rounded(sumAfter);
  // The table: a row per cell of crossed post-strata, else per category of each variable.
  f.totals.clear();
  if (Crossed()) {
    std::string joined;
    for (std::size_t i = 0; i < m_c.variables.size(); ++i) joined += (i ? "*" : "") + m_c.variables[i].name;
    std::vector<std::vector<std::size_t>> rank(m_c.variables.size());
    for (std::size_t i = 0; i < m_c.variables.size(); ++i) {
      const std::vector<std::size_t> sorted = m_c.variables[i].categories.Sorted();
      rank[i].resize(sorted.size());
      for (std::size_t r = 0; r < sorted.size(); ++r) rank[i][sorted[r]] = r;
    }
    std::vector<std::size_t> listed(m_c.cells.size());
    std::iota(listed.begin(), listed.end(), std::size_t{0});
    std::sort(listed.begin(), listed.end(), [&](std::size_t a, std::size_t b) {
      for (std::size_t i = 0; i < rank.size(); ++i) {
        const std::size_t x = rank[i][m_c.cells[a].categories[i]], y = rank[i][m_c.cells[b].categories[i]];
        if (x != y) return x < y;
      }
      return false;
    });
    for (std::size_t c : listed) {
      const Cell& cell = m_c.cells[c];
      const double design = Rounded(cell.design);
      f.totals.push_back(
          {joined, steps::CellName(m_c, cell), cell.total, design, Rounded(Product(design, cell.g)), cell.totalRow});
    }
  } else {
    for (std::size_t i = 0; i < m_c.variables.size(); ++i) {
      const CalibrationVariable& v = m_c.variables[i];
      if (v.numeric) {
        f.totals.push_back({v.name, "", v.totals[0], Rounded(before[i][0]), Rounded(after[i][0]), v.totalRows[0]});
        continue;
      }
      for (std::size_t k : v.categories.Sorted())
        f.totals.push_back(
            {v.name, v.categories.Name(k), v.totals[k], Rounded(before[i][k]), Rounded(after[i][k]), v.totalRows[k]});
    }
  }
  f.largestDifference = 0;
  for (const TotalFigure& t : f.totals)
    f.largestDifference = std::max(f.largestDifference, std::fabs(t.after - t.total));
  return std::nullopt;
}

}  // namespace

std::variant<Calibration, DataProblem> Calibrate(const DataFile& file, const Design& design,
                                                 const CalibrateRequest& request, const Totals& totals) {
  Calibrator calibrator(file, design, request, totals);
  if (auto problem = calibrator.Run()) return *problem;
  return calibrator.Take();
}

}  // namespace mirto::survey
