// Linear calibration (GREG): g = 1 + x'lambda with sum d g x equal to the
// totals, x the terms as R's model matrix has them: a constant where there
// is a categorical variable (its total the population's size), each numeric
// variable, and the indicators of all categories but the first of each
// categorical variable. (The same space, other coordinates, would give the
// same calibration but not the same last step where bounds cannot be met.)
// Without bounds lambda solves T lambda = t - S,
// T = sum d x x', S = sum d x; with bounds, R survey's grake for the linear
// distance: Newton steps with g held at the bounds, one pass over the units
// each. The residuals are those of the projection on x with the design
// weights, as R's svyrecvar takes them.
#include <algorithm>
#include <cmath>
#include <limits>

#include "data/DataSession.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"
#include "survey/CalibrationSteps.h"
#include "survey/Dense.h"

namespace mirto::survey::steps {

using data::DataProblem;

LinearMoments::LinearMoments(const Calibration& c) : m_columns(c.replicates + 1), m_term(c.variables.size()) {
  m_constant = NewTerm();
  for (std::size_t i = 0; i < c.variables.size(); ++i) {
    m_numeric.push_back(c.variables[i].numeric);
    if (c.variables[i].numeric) m_term[i] = {NewTerm()};
  }
}

std::uint32_t LinearMoments::NewTerm() {
  const auto t = static_cast<std::uint32_t>(m_cross.size());
  m_cross.emplace_back((t + 1) * m_columns);
  m_sums.resize(m_sums.size() + m_columns);
  return t;
}

void LinearMoments::Add(const Calibration::Place& place, double d, std::span<const double> replicates) {
  m_row.clear();
  m_row.emplace_back(m_constant, 1.0);
  for (std::size_t i = 0; i < m_term.size(); ++i) {
    if (m_numeric[i]) {
      m_row.emplace_back(m_term[i][0], place.value[i]);
      continue;
    }
    std::vector<std::uint32_t>& terms = m_term[i];
    const std::size_t k = place.category[i];
    if (terms.size() <= k) terms.resize(k + 1, kNoCoordinate);
    if (terms[k] == kNoCoordinate) terms[k] = NewTerm();
    m_row.emplace_back(terms[k], 1.0);
  }
  for (std::size_t i = 0; i < m_row.size(); ++i) {
    const auto [a, xa] = m_row[i];
    Wide* sums = &m_sums[a * m_columns];
    Accrue(sums[0], d * xa);
    for (std::size_t r = 1; r < m_columns; ++r) Accrue(sums[r], replicates[r - 1] * xa);
    for (std::size_t j = 0; j <= i; ++j) {
      const auto [b, xb] = m_row[j];
      const double x = xa * xb;
      Wide* cross = &m_cross[std::max(a, b)][std::min(a, b) * m_columns];
      Accrue(cross[0], d * x);
      for (std::size_t r = 1; r < m_columns; ++r) Accrue(cross[r], replicates[r - 1] * x);
    }
  }
}

std::uint32_t LinearMoments::Term(std::size_t variable, std::size_t category) const {
  const std::vector<std::uint32_t>& terms = m_term[variable];
  return category < terms.size() ? terms[category] : kNoCoordinate;
}

Wide LinearMoments::Cross(std::uint32_t a, std::uint32_t b, std::size_t r) const {
  return m_cross[std::max(a, b)][std::min(a, b) * m_columns + r];
}

namespace {

// The residuals: B = T^-1 m, T from the design weights.
class Projection final : public Residuals {
 public:
  Projection(Cholesky t, std::size_t p) : m_t(std::move(t)), m_p(p) {}
  std::size_t Coordinates() const override { return m_p; }
  std::vector<double> Coefficients(std::vector<double> m) const override { return m_t.Solve(m); }

 private:
  Cholesky m_t;
  std::size_t m_p;
};

constexpr std::size_t kIntercept = ~std::size_t{0};

// The coordinates of the terms, each with its variable (kIntercept: the
// constant), category, raw term and total.
struct Basis {
  struct Coordinate {
    std::size_t variable, category;
    std::uint32_t term;
    double total;
  };
  std::vector<Coordinate> coordinates;
  std::size_t size() const { return coordinates.size(); }
};

Basis MakeBasis(Calibration& c, const LinearMoments& moments) {
  Basis basis;
  c.intercept.clear();
  c.interceptCoordinate = kNoCoordinate;
  for (const CalibrationVariable& v : c.variables) {
    if (v.numeric) continue;
    Wide size;
    for (double t : v.totals) size = size + Exact(t);
    c.interceptCoordinate = 0;
    c.intercept.assign(c.replicates + 1, 0.0);
    basis.coordinates.push_back({kIntercept, 0, moments.Constant(), Rounded(size)});
    break;
  }
  for (std::size_t i = 0; i < c.variables.size(); ++i) {
    CalibrationVariable& v = c.variables[i];
    auto add = [&](std::size_t k) {
      v.coordinate[k] = static_cast<std::uint32_t>(basis.size());
      basis.coordinates.push_back({i, k, moments.Term(i, k), v.totals[k]});
    };
    if (v.numeric) {
      v.coordinate = {0};
      add(0);
      continue;
    }
    v.coordinate.assign(v.categories.size(), kNoCoordinate);
    const std::vector<std::size_t> sorted = v.categories.Sorted();
    for (std::size_t s = 1; s < sorted.size(); ++s) add(sorted[s]);
  }
  return basis;
}

// lambda of the full sample (r = 0) or replicate r into the variables.
void Store(Calibration& c, const Basis& basis, std::size_t r, const std::vector<double>& lambda) {
  const std::size_t columns = c.replicates + 1;
  for (CalibrationVariable& v : c.variables) v.lambda.resize((v.numeric ? 1 : v.categories.size()) * columns, 0.0);
  for (std::size_t j = 0; j < basis.size(); ++j) {
    const Basis::Coordinate& x = basis.coordinates[j];
    if (x.variable == kIntercept)
      c.intercept[r] = lambda[j];
    else
      c.variables[x.variable].lambda[x.category * columns + r] = lambda[j];
  }
}

// The categorical variable whose totals give the population's size.
const CalibrationVariable& FirstCategorical(const Calibration& c) {
  for (const CalibrationVariable& v : c.variables)
    if (!v.numeric) return v;
  return c.variables.front();
}

std::string Described(const Calibration& c, const Basis::Coordinate& x) {
  if (x.variable == kIntercept)
    return "the population's size (the sum of the totals of " + FirstCategorical(c).name + ")";
  const CalibrationVariable& v = c.variables[x.variable];
  return v.numeric ? "the total of " + v.name : "the category \"" + Excerpt(v.categories.Name(x.category)) + "\"";
}

// The system of replicate r (0: the full sample): T and t - S.
struct System {
  std::vector<Wide> T;
  std::vector<double> T0, rhs, S;
};

System SystemOf(const Basis& basis, const LinearMoments& moments, std::size_t r) {
  const std::size_t p = basis.size();
  System s;
  s.T.resize(p * p);
  s.T0.resize(p * p);
  for (std::size_t i = 0; i < p; ++i) {
    const Basis::Coordinate& x = basis.coordinates[i];
    const Wide sum = moments.Sum(x.term, r);
    s.S.push_back(Rounded(sum));
    s.rhs.push_back(Rounded(Exact(x.total) - sum));
    for (std::size_t j = 0; j < p; ++j) {
      s.T[i * p + j] = moments.Cross(x.term, basis.coordinates[j].term, r);
      s.T0[i * p + j] = Rounded(s.T[i * p + j]);
    }
  }
  return s;
}

// T lambda = t - S, refined twice against T in double-double.
std::vector<double> Solved(const Cholesky& chol, const System& s) {
  const std::size_t p = s.rhs.size();
  std::vector<double> x = chol.Solve(s.rhs), residual(p);
  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = 0; i < p; ++i) {
      Wide rest = Exact(s.rhs[i]);
      for (std::size_t j = 0; j < p; ++j) rest = rest - s.T[i * p + j] * Exact(x[j]);
      residual[i] = Rounded(rest);
    }
    const std::vector<double> dx = chol.Solve(residual);
    for (std::size_t i = 0; i < p; ++i) x[i] += dx[i];
  }
  return x;
}

// Where the weights are all 0 on a term, or the terms are collinear.
DataProblem Unsolvable(const Calibration& c, const Names& names, const Basis& basis, const System& s, std::size_t r) {
  if (r > 0)
    return DataProblem{names.data, 0, names.replicates[r - 1],
                       "with the replicate's weights the terms of linear= are collinear; it cannot be calibrated"};
  for (std::size_t j = 0; j < basis.size(); ++j) {
    if (s.T0[j * basis.size() + j] > 0) continue;
    const Basis::Coordinate& x = basis.coordinates[j];
    if (x.variable == kIntercept)
      return DataProblem{names.data, 0, c.variables[0].name, "every unit has weight 0; no total can be met"};
    const CalibrationVariable& v = c.variables[x.variable];
    return DataProblem{names.data, v.numeric ? 0 : v.categories.FirstRow(x.category), v.name,
                       v.numeric ? "the variable is 0 on every unit weighted above 0; its total cannot be met"
                                 : "the units of " + Described(c, x) + " all have weight 0; it cannot reach its total"};
  }
  return DataProblem{names.data, 0, c.variables.back().name,
                     "the terms of linear= are collinear in the sample; their totals do not give one calibration"};
}

// R's grake for the linear distance, every replicate with the full sample.
class Bounded {
 public:
  Bounded(Calibration& c, const Basis& basis, const UnitSource& units) : m_c(c), m_basis(basis), m_units(units) {}

  std::optional<DataProblem> Run(const std::vector<System>& systems) {
    const std::size_t p = m_basis.size();
    m_c.low = m_c.request.bounds->first;
    m_c.high = m_c.request.bounds->second;
    m_c.scales.assign(systems.size(), 1.0);
    m_state.resize(systems.size());
    for (std::size_t r = 0; r < systems.size(); ++r) {
      // Weights far below the totals are scaled up first, as grake does.
      double least = std::numeric_limits<double>::infinity(), mean = 0;
      for (std::size_t j = 0; j < p; ++j) {
        const double scale = m_basis.coordinates[j].total / systems[r].S[j];
        least = std::min(least, scale);
        mean += scale / static_cast<double>(p);
      }
      const double scale = least > 20 ? mean : 1;
      m_c.scales[r] = scale;
      State& s = m_state[r];
      s.eta.assign(p, 0.0);
      s.T.resize(p * p);
      for (std::size_t k = 0; k < p * p; ++k) s.T[k] = systems[r].T0[k] * scale;
      for (std::size_t j = 0; j < p; ++j) s.misfit.push_back(m_basis.coordinates[j].total - systems[r].S[j] * scale);
    }
    m_c.figures.scale = m_c.scales[0];
    for (;;) {
      bool active = false;
      for (std::size_t r = 0; r < m_state.size(); ++r) {
        State& s = m_state[r];
        if (s.done) continue;
        active = true;
        const std::vector<double> inverse = PseudoInverse(s.T, p, 256 * std::numeric_limits<double>::epsilon());
        for (std::size_t i = 0; i < p; ++i)
          for (std::size_t j = 0; j < p; ++j) s.eta[i] += inverse[i * p + j] * s.misfit[j];
        Store(m_c, m_basis, r, s.eta);
      }
      if (!active) break;
      if (auto problem = Pass()) return problem;
      for (std::size_t r = 0; r < m_state.size(); ++r)
        if (auto problem = Check(r)) return problem;
    }
    m_c.figures.iterations = m_state[0].iterations;
    return std::nullopt;
  }

 private:
  struct State {
    std::vector<double> eta, T, misfit;
    int iterations = 1;
    bool done = false;
  };

  // T = sum w x x' over the units within the bounds, and the misfit t - sum w g x.
  std::optional<DataProblem> Pass() {
    const std::size_t p = m_basis.size();
    std::vector<std::vector<Wide>> T(m_state.size()), G(m_state.size());
    for (std::size_t r = 0; r < m_state.size(); ++r)
      if (!m_state[r].done) T[r].assign(p * p, Wide{}), G[r].assign(p, Wide{});
    std::vector<AuxTerm> terms;
    auto visit = [&](const Calibration::Place& place, double d, std::span<const double> reps, long long, long long) {
      m_c.Terms(place, terms);
      for (std::size_t r = 0; r < m_state.size(); ++r) {
        if (m_state[r].done) continue;
        const double w = (r == 0 ? d : reps[r - 1]) * m_c.scales[r], eta = m_c.Eta(place, r);
        const double g = std::clamp(1 + eta, m_c.low, m_c.high);
        const bool inside = eta > m_c.low - 1 && eta < m_c.high - 1;
        for (const AuxTerm& a : terms) {
          Accrue(G[r][a.coordinate], w * g * a.x);
          if (!inside) continue;
          for (const AuxTerm& b : terms) Accrue(T[r][a.coordinate * p + b.coordinate], w * a.x * b.x);
        }
      }
    };
    if (auto problem = m_units(visit)) return problem;
    for (std::size_t r = 0; r < m_state.size(); ++r) {
      State& s = m_state[r];
      if (s.done) continue;
      for (std::size_t k = 0; k < p * p; ++k) s.T[k] = Rounded(T[r][k]);
      for (std::size_t j = 0; j < p; ++j) s.misfit[j] = Rounded(Exact(m_basis.coordinates[j].total) - G[r][j]);
    }
    return std::nullopt;
  }

  std::optional<DataProblem> Check(std::size_t r) {
    State& s = m_state[r];
    if (s.done) return std::nullopt;
    std::size_t worst = 0;
    double achieved = 0;
    for (std::size_t j = 0; j < s.misfit.size(); ++j) {
      const double relative = std::fabs(s.misfit[j]) / (1 + std::fabs(m_basis.coordinates[j].total));
      if (!(relative <= achieved)) achieved = relative, worst = j;
    }
    if (achieved < kEpsilon) {
      s.done = true;
      return std::nullopt;
    }
    if (++s.iterations <= kMaxit) return std::nullopt;
    const std::string bounds = data::ShortestText(m_c.low) + "," + data::ShortestText(m_c.high);
    if (r > 0) {
      // As R's calibrate for replicate designs: the replicate keeps its last step, and the block says so.
      s.done = true;
      m_c.figures.unconverged.push_back(r);
      return std::nullopt;
    }
    const Basis::Coordinate& x = m_basis.coordinates[worst];
    const CalibrationVariable& v = x.variable == kIntercept ? FirstCategorical(m_c) : m_c.variables[x.variable];
    return DataProblem{
        m_c.totalsFile, x.variable == kIntercept ? v.firstTotalRow : v.totalRows[x.category], v.name,
        Format("bounds=%s cannot be met: after %d iterations %s is still %s away from its total %s", bounds.c_str(),
               kMaxit, Described(m_c, x).c_str(), data::ShortestText(std::fabs(s.misfit[worst])).c_str(),
               data::ShortestText(x.total).c_str())};
  }

  // R's calibrate(): epsilon = 1e-7 on |misfit| / (1 + |total|), maxit = 50.
  static constexpr double kEpsilon = 1e-7;
  static constexpr int kMaxit = 50;

  Calibration& m_c;
  const Basis& m_basis;
  const UnitSource& m_units;
  std::vector<State> m_state;
};

}  // namespace

std::optional<DataProblem> Linear(Calibration& c, const Names& names, const LinearMoments& moments,
                                  const UnitSource& units) {
  const Basis basis = MakeBasis(c, moments);
  const std::size_t p = basis.size();
  std::vector<System> systems;
  std::optional<Cholesky> design;
  for (std::size_t r = 0; r <= c.replicates; ++r) {
    systems.push_back(SystemOf(basis, moments, r));
    const std::optional<Cholesky> chol = Cholesky::Of(systems.back().T0, p);
    if (!chol) return Unsolvable(c, names, basis, systems.back(), r);
    if (r == 0) design = chol;
    if (!c.Bounded()) Store(c, basis, r, Solved(*chol, systems.back()));
  }
  if (c.Bounded())
    if (auto problem = Bounded(c, basis, units).Run(systems)) return problem;
  c.residuals = std::make_unique<Projection>(std::move(*design), p);
  return std::nullopt;
}

}  // namespace mirto::survey::steps
