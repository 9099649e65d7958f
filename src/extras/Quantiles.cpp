#include "extras/Quantiles.h"

#include <boost/math/distributions/beta.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>

namespace mirto::extras {
namespace {

namespace bmp = boost::math::policies;
// Degenerate figures reach here from unguarded reports: NaN, not a throw.
using Quiet = bmp::policy<bmp::domain_error<bmp::ignore_error>, bmp::pole_error<bmp::ignore_error>,
                          bmp::overflow_error<bmp::ignore_error>, bmp::evaluation_error<bmp::ignore_error>>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Probability(double p) { return p >= 0.0 && p <= 1.0; }

}  // namespace

double StudentQuantile(double df, double p) {
  if (!(df > 0.0) || !Probability(p)) return kNaN;
  return boost::math::quantile(boost::math::students_t_distribution<double, Quiet>(df), p);
}

double BetaQuantile(double a, double b, double p) {
  if (!(a > 0.0 && b > 0.0 && std::isfinite(a) && std::isfinite(b)) || !Probability(p)) return kNaN;
  // Shapes near 1e39 (a proportion whose variance is at rounding level) leave
  // the root search without a root, whatever the policy says.
  try {
    return boost::math::quantile(boost::math::beta_distribution<double, Quiet>(a, b), p);
  } catch (const boost::math::evaluation_error&) {
    return kNaN;
  }
}

}  // namespace mirto::extras
