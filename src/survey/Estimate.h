#pragma once
// The estimates of a design: one pass over the file for a mean, a total, the
// proportion of every category of a variable, or a ratio of two totals, for
// the whole sample or a row per domain. A domain is estimated from the
// whole design, the units outside it contributing zero; units without the
// analysis value are treated the same way and counted.
#include <string>
#include <variant>
#include <vector>

#include "data/DataFile.h"
#include "survey/Design.h"
#include "survey/Request.h"

namespace mirto::survey {

// One row of the estimates: a domain (and a category of a proportion). A
// figure that is not defined is NaN, and `undefined` says why.
struct EstimateRow {
  std::vector<std::string> domain;  // the by variables' values, named as the file names them
  std::string category;             // proportions
  double estimate = 0, se = 0, low = 0, high = 0, cv = 0, deff = 0;
  long long units = 0, missing = 0;  // units with the value, and without it, in the domain
  // The additional figures.
  double tLow = 0, tHigh = 0;
  double nEff = 0, logitLow = 0, logitHigh = 0, wilsonLow = 0, wilsonHigh = 0, exactLow = 0, exactHigh = 0;
  long long droppedReplicates = 0;  // replicates without weight in the domain, left out
};

struct Estimates {
  EstimateRequest request;
  std::vector<std::string> variables;  // as the file names them: the variable (and denominator), then by
  std::vector<EstimateRow> rows;
  long long used = 0, missing = 0, noDomain = 0;  // units
  double confidence = 0, z = 0, t = 0;            // t: the quantile with the design's degrees of freedom
};

class Calibration;

// With a calibration, the weights are the calibrated ones and the variance
// that of the calibrated estimator.
std::variant<Estimates, data::DataProblem> Estimate(const data::DataFile& file, const Design& design,
                                                    const EstimateRequest& request,
                                                    const Calibration* calibration = nullptr);

// The p-quantile of the standard normal distribution.
double NormalQuantile(double p);

}  // namespace mirto::survey
