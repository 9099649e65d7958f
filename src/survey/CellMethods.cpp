// Post-stratification and raking: a factor g per cell of crossed categories,
// for the design weights and for each replicate weight, and the residuals R
// survey's svyrecvar takes for each: the weighted mean of the cell taken off
// (post-stratification), or ten rounds of taking off each margin's plain mean
// (raking).
#include <cmath>

#include "data/DataSession.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"
#include "survey/CalibrationSteps.h"

namespace mirto::survey::steps {

using data::DataProblem;

std::string CellName(const Calibration& c, const Cell& cell) {
  std::string name;
  for (std::size_t i = 0; i < cell.categories.size(); ++i)
    name += (i ? "*" : "") + c.variables[i].categories.Name(cell.categories[i]);
  return name;
}

namespace {

// Post-stratification: B_c = m_c / (sum of the design weights of cell c).
class CellMeans final : public Residuals {
 public:
  explicit CellMeans(std::vector<double> design) : m_design(std::move(design)) {}
  std::size_t Coordinates() const override { return m_design.size(); }
  std::vector<double> Coefficients(std::vector<double> m) const override {
    for (std::size_t c = 0; c < m.size(); ++c) m[c] /= m_design[c];
    return m;
  }

 private:
  std::vector<double> m_design;
};

// Raking: the units' values L (their sums m_c per cell) less, ten times over
// the margins in turn, the plain mean over the margin's category of the
// values as weighted by the margin's step (x / psw in R).
class RakeRounds final : public Residuals {
 public:
  explicit RakeRounds(const Calibration& c) : m_margins(c.variables.size()) {
    for (const Cell& cell : c.cells) {
      m_cells.push_back({cell.categories, cell.g, cell.steps, static_cast<double>(cell.positive)});
    }
    m_units.resize(m_margins);
    for (std::size_t m = 0; m < m_margins; ++m) {
      m_units[m].assign(c.variables[m].categories.size(), 0.0);
      for (const CellOf& cell : m_cells) m_units[m][cell.categories[m]] += cell.units;
    }
  }
  std::size_t Coordinates() const override { return m_cells.size(); }
  std::vector<double> Coefficients(std::vector<double> m) const override {
    std::vector<std::vector<double>> A(m_margins);
    for (std::size_t j = 0; j < m_margins; ++j) A[j].assign(m_units[j].size(), 0.0);
    std::vector<double> sums;
    for (int round = 0; round < 10; ++round)
      for (std::size_t j = 0; j < m_margins; ++j) {
        sums.assign(m_units[j].size(), 0.0);
        for (std::size_t c = 0; c < m_cells.size(); ++c) {
          const CellOf& cell = m_cells[c];
          double taken = 0;
          for (std::size_t k = 0; k < m_margins; ++k) taken += cell.steps[k] * A[k][cell.categories[k]];
          sums[cell.categories[j]] += (cell.g * m[c] - cell.units * taken) / cell.steps[j];
        }
        for (std::size_t k = 0; k < sums.size(); ++k)
          if (m_units[j][k] > 0) A[j][k] += sums[k] / m_units[j][k];
      }
    std::vector<double> B(m_cells.size());
    for (std::size_t c = 0; c < m_cells.size(); ++c) {
      const CellOf& cell = m_cells[c];
      double taken = 0;
      for (std::size_t k = 0; k < m_margins; ++k) taken += cell.steps[k] * A[k][cell.categories[k]];
      B[c] = taken / cell.g;
    }
    return B;
  }

 private:
  struct CellOf {
    std::vector<std::uint32_t> categories;
    double g;
    std::vector<double> steps;
    double units;  // weighted above 0
  };
  std::size_t m_margins;
  std::vector<CellOf> m_cells;
  std::vector<std::vector<double>> m_units;  // by margin, by category
};

std::string ReplicateName(const Names& names, std::size_t r) { return names.replicates[r - 1]; }

// The weights' sums per cell: the design weights (r = 0) or replicate r.
std::vector<double> CellSums(const Calibration& c, std::size_t r) {
  std::vector<double> sums;
  for (const Cell& cell : c.cells) sums.push_back(Rounded(r == 0 ? cell.design : cell.replicates[r - 1]));
  return sums;
}

// A category of a margin with no weight cannot be brought to its total.
std::optional<DataProblem> Weighted(const Calibration& c, const Names& names, std::size_t r,
                                    const std::vector<double>& sums) {
  for (std::size_t m = 0; m < c.variables.size(); ++m) {
    const CalibrationVariable& v = c.variables[m];
    std::vector<Wide> category(v.categories.size());
    for (std::size_t i = 0; i < c.cells.size(); ++i) {
      const std::uint32_t k = c.cells[i].categories[m];
      category[k] = category[k] + Exact(sums[i]);
    }
    for (std::size_t k = 0; k < category.size(); ++k) {
      if (Rounded(category[k]) > 0) continue;
      const std::string what = "\"" + Excerpt(v.categories.Name(k)) + "\" of " + v.name;
      if (r == 0)
        return DataProblem{names.data, v.categories.FirstRow(k), v.name,
                           "the units of the category " + what + " all have weight 0; it cannot reach its total"};
      return DataProblem{names.data, 0, ReplicateName(names, r),
                         "the replicate has no weight in the category " + what + "; it cannot be calibrated"};
    }
  }
  return std::nullopt;
}

// Iterative proportional fitting of the cells' sums to the margins, as R
// survey's rake: each sweep post-stratifies on every margin in turn, until no
// cell changes by `tolerance` (or, for a replicate, for the full sample's
// number of sweeps).
struct Fit {
  std::vector<double> g;
  std::vector<std::vector<double>> steps;  // by margin: g after its step in the last sweep
  int sweeps = 0;
  double change = 0;
  bool converged = false;
};

Fit Ipf(const Calibration& c, const std::vector<double>& sums, int maxit, double tolerance, bool fixed) {
  const std::size_t M = c.variables.size();
  Fit fit;
  fit.g.assign(sums.size(), 1.0);
  fit.steps.resize(M);
  std::vector<double> old = sums;
  std::vector<Wide> category;
  while (fit.sweeps < maxit) {
    for (std::size_t m = 0; m < M; ++m) {
      const CalibrationVariable& v = c.variables[m];
      category.assign(v.categories.size(), Wide{});
      for (std::size_t i = 0; i < sums.size(); ++i) {
        const std::uint32_t k = c.cells[i].categories[m];
        category[k] = category[k] + Product(sums[i], fit.g[i]);
      }
      for (std::size_t i = 0; i < sums.size(); ++i) {
        const std::uint32_t k = c.cells[i].categories[m];
        fit.g[i] *= v.totals[k] / Rounded(category[k]);
      }
      fit.steps[m] = fit.g;
    }
    ++fit.sweeps;
    fit.change = 0;
    for (std::size_t i = 0; i < sums.size(); ++i) {
      const double now = sums[i] * fit.g[i];
      fit.change = std::max(fit.change, std::fabs(now - old[i]));
      old[i] = now;
    }
    if (!fixed && fit.change < tolerance) {
      fit.converged = true;
      break;
    }
  }
  return fit;
}

}  // namespace

std::optional<DataProblem> PostStratify(Calibration& c, const Names& names) {
  std::vector<double> design = CellSums(c, 0);
  for (std::size_t r = 0; r <= c.replicates; ++r) {
    const std::vector<double> sums = r == 0 ? design : CellSums(c, r);
    for (std::size_t i = 0; i < c.cells.size(); ++i) {
      Cell& cell = c.cells[i];
      if (!(sums[i] > 0)) {
        const std::string what = "\"" + Excerpt(CellName(c, cell)) + "\"";
        if (r == 0)
          return DataProblem{names.data, cell.firstRow, c.variables.back().name,
                             "the units of the cell " + what + " all have weight 0; it cannot reach its total"};
        return DataProblem{names.data, 0, ReplicateName(names, r),
                           "the replicate has no weight in the cell " + what + "; it cannot be post-stratified"};
      }
      const double g = cell.total / sums[i];
      if (r == 0)
        cell.g = g;
      else
        cell.replicateG.push_back(g);
    }
  }
  c.residuals = std::make_unique<CellMeans>(std::move(design));
  return std::nullopt;
}

std::optional<DataProblem> Rake(Calibration& c, const Names& names) {
  CalibrationFigures& f = c.figures;
  const std::vector<double> design = CellSums(c, 0);
  if (auto p = Weighted(c, names, 0, design)) return p;
  Fit fit = Ipf(c, design, c.request.maxit, f.tolerance, false);
  f.iterations = fit.sweeps;
  f.lastChange = fit.change;
  for (std::size_t i = 0; i < c.cells.size(); ++i) {
    c.cells[i].g = fit.g[i];
    c.cells[i].steps.clear();
    for (const std::vector<double>& step : fit.steps) c.cells[i].steps.push_back(step[i]);
  }
  if (!fit.converged) {
    // The margin furthest from its totals names the row.
    const CalibrationVariable* worst = nullptr;
    std::size_t worstCategory = 0;
    double largest = -1;
    for (std::size_t m = 0; m < c.variables.size(); ++m) {
      std::vector<Wide> after(c.variables[m].categories.size());
      for (std::size_t i = 0; i < c.cells.size(); ++i) {
        const std::uint32_t k = c.cells[i].categories[m];
        after[k] = after[k] + Product(design[i], fit.g[i]);
      }
      for (std::size_t k = 0; k < after.size(); ++k)
        if (const double d = std::fabs(Rounded(after[k]) - c.variables[m].totals[k]); d > largest)
          largest = d, worst = &c.variables[m], worstCategory = k;
    }
    return DataProblem{
        c.totalsFile, worst->totalRows[worstCategory], worst->name,
        Format("raking did not converge within maxit=%d iterations: a cell still changed by %s in the last "
               "(epsilon allows %s); the total of \"%s\" is still %s away; give a larger maxit= or "
               "epsilon=",
               fit.sweeps, data::ShortestText(fit.change).c_str(), data::ShortestText(f.tolerance).c_str(),
               Excerpt(worst->categories.Name(worstCategory)).c_str(), data::ShortestText(largest).c_str())};
  }
  for (std::size_t r = 1; r <= c.replicates; ++r) {
    const std::vector<double> sums = CellSums(c, r);
    if (auto p = Weighted(c, names, r, sums)) return p;
    const Fit replicate = Ipf(c, sums, fit.sweeps, 0, true);
    for (std::size_t i = 0; i < c.cells.size(); ++i) c.cells[i].replicateG.push_back(replicate.g[i]);
  }
  c.residuals = std::make_unique<RakeRounds>(c);
  return std::nullopt;
}

}  // namespace mirto::survey::steps
