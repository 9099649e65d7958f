// The sensitivity table of the simple sample size.
#include "extras/Sensitivity.h"

#include <cmath>

#include "srs/Srs.h"

namespace mirto::extras {

SensitivityTable ComputeSensitivity(double margin, const std::function<double(double margin, double z)>& size) {
  SensitivityTable t;
  for (double factor : kMarginFactors) {
    t.margins.push_back(margin * factor);
    std::array<double, 3> row{};
    for (std::size_t k = 0; k < kSensitivityLevels.size(); ++k)
      row[k] = size(t.margins.back(), kSensitivityLevels[k].z);
    t.n.push_back(row);
  }
  return t;
}

SensitivityTable SrsSensitivity(const srs::SrsInput& in, Target target) {
  const double D = srs::ElementVariance(in, target);
  return ComputeSensitivity(in.margin, [&](double margin, double z) {
    srs::SrsInput cell = in;
    cell.margin = margin;
    cell.z = z;
    return srs::RequiredSampleSize(cell, D);
  });
}

std::optional<std::string> SrsSensitivityFault(const srs::SrsInput& in, Target target) {
  auto refusal = [&](const char* field, const char* why) {
    return std::string("Illegal entry: Sensitivity of n, \"") + field + "\" " + why + ".";
  };
  // A population of one with no spread leaves 0/0 in every cell.
  if (!(in.N >= 2.0 && std::isfinite(in.N))) return refusal("Population size, N:", "must be 2 or more");
  if (target == Target::MeanTotal) {
    if (!(in.sigma >= 0.0 && std::isfinite(in.sigma)))
      return refusal("Guesstimate of population std. deviation of variable, sigma:", "cannot be negative");
  } else if (!(in.pi >= 0.0 && in.pi <= 1.0)) {
    return refusal("Guesstimate of population proportion in category, pi:", "must lie between 0 and 1");
  }
  if (!(in.margin > 0.0 && std::isfinite(in.margin))) return refusal("Margin:", "must be greater than 0");
  return std::nullopt;
}

}  // namespace mirto::extras
