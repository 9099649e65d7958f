#pragma once
// The running totals behind the estimates, one kind per variance method, and
// the variances worked out from them at the end of the pass. Every estimate
// is a total or a quotient of two: theta = shift + N / D, each of N and D a
// weighted total of a slot (a value of the unit, or the indicator of one
// category), so that its linearized value is z = w (n - theta' d) / D.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "framework/Sums.h"
#include "survey/Design.h"

namespace mirto::survey {

// A slot: a fixed one (the unit's values v[0], v[1]) or a category's indicator.
struct Slot {
  bool category = false;
  std::size_t index = 0;
};

struct Estimand {
  Slot num, den;
  bool quotient = true;  // false: a total, theta = N
  double shift = 0;      // the mean's: the values were taken less it
  double theta = 0;
};

// A coordinate of a unit's auxiliary terms x under a calibration, and its value.
struct AuxTerm {
  std::uint32_t coordinate;
  double x;
};

// What one unit with its analysis values brings.
struct Unit {
  double w = 0;
  std::size_t stratum = 0, psu = 0, domain = 0;
  double v[2] = {0, 0};
  std::size_t category = 0;
  std::span<const double> replicates;  // the replicate weights, in a replicate design
  std::span<const AuxTerm> aux;        // calibrated weights: the unit's auxiliary terms
  double a = 0;                        // and its weight in the moments of the residuals
};

// Calibrated weights give the Taylor variance of the residuals: each unit's
// linearized value w L / D less w x'B / D, x its auxiliary terms and B worked
// out from the domain's moments m = sum a x L (L = D times the linearized
// value) as R survey's svyrecvar has it for each method.
class Residuals {
 public:
  virtual ~Residuals() = default;
  virtual std::size_t Coordinates() const = 0;
  // B from the moments m, by coordinate.
  virtual std::vector<double> Coefficients(std::vector<double> moments) const = 0;
};

struct Variance {
  double v = 0, logit = 0;  // the estimate's variance, and that of its logit (proportions)
  long long dropped = 0;    // replicates left out: no weight in the domain
};

class Accumulator {
 public:
  virtual ~Accumulator() = default;
  virtual void Add(const Unit& unit) = 0;
  // Every unit of the file, in a domain or not, with the analysis value or
  // not: what calibration residuals take from each PSU.
  virtual void Background(const Unit&) {}
  // The full-sample total of a slot in a domain.
  virtual Wide Total(std::size_t domain, Slot slot) const = 0;
  // The variance of each estimand of a domain (their theta set).
  virtual void Variances(std::size_t domain, std::span<const Estimand> estimands, std::span<Variance> out) = 0;
};

// `slots` fixed slots per unit; `categories` whether units also have one.
// Taylor linearization (Taylor.cpp), of the residuals of a calibration where
// `residuals` is given, and replicate weights (Replicate.cpp).
std::unique_ptr<Accumulator> MakeTaylorSums(const Design& design, std::size_t slots, bool categories,
                                            const Residuals* residuals = nullptr);
std::unique_ptr<Accumulator> MakeReplicateSums(const Design& design, std::size_t slots, bool categories);

// s + x in double-double, without the branches of a general sum: the inner
// loop of every accumulation.
inline void Accrue(Wide& s, double x) {
  const double t = s.hi + x, back = t - s.hi;
  s.lo += (s.hi - (t - back)) + (x - back);
  s.hi = t;
}

// A stratum's part of a variance: the sum of squared deviations of its PSUs'
// linearized totals about their mean (over all its PSUs, those without units
// of the domain at 0), and its single PSU's total where it has one.
struct StratumPart {
  std::size_t stratum = 0;
  double squares = 0, lone = 0;
};

// The variance from the parts of the strata that have units of the domain:
// each times (1 - f_h) n_h / (n_h - 1), single-PSU strata as the design's rule
// says (R survey's survey.lonely.psu), strata taken whole adding nothing.
double CombineStrata(const Design& design, std::span<const StratumPart> parts);

}  // namespace mirto::survey
