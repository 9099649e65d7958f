#pragma once
// Sums that do not cancel. A sum of squares minus a square of sums (or the
// like) loses every digit when the two are nearly equal, and can even come
// out negative where the exact value is 0. The functions here give the same
// algebra from deviations about the mean over the values themselves, and,
// where only summary figures are at hand, in twice the working precision.
#include <cmath>
#include <span>

namespace mirto {

// Sum of (u_i - mean)^2, by two passes with the first pass's rounding
// corrected: never negative.
double SquaredDeviations(std::span<const double> u);
// Sum of (x_i - mean x)(y_i - mean y); x and y of the same length.
double CrossDeviations(std::span<const double> x, std::span<const double> y);

// A double-double number: the unevaluated sum hi + lo, about 32 digits.
struct Wide {
  double hi = 0.0, lo = 0.0;
};
Wide Exact(double a);
Wide Quotient(double a, double b);

// Inline: a scan of a data file adds a product per unit.
namespace sums {
// Infinities and NaN go on as in plain arithmetic, without a low part.
inline bool Plain(double r) { return !std::isfinite(r); }
// a + b as hi + lo, for |a| >= |b|.
inline Wide FastSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}
}  // namespace sums

inline Wide Sum(double a, double b) {
  const double s = a + b;
  if (sums::Plain(s)) return {s, 0.0};
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}
inline Wide Product(double a, double b) {
  const double p = a * b;
  if (sums::Plain(p)) return {p, 0.0};
  return {p, std::fma(a, b, -p)};
}
inline Wide operator+(Wide a, Wide b) {
  const Wide s = Sum(a.hi, b.hi);
  if (sums::Plain(s.hi)) return s;
  const Wide t = Sum(a.lo, b.lo);
  const Wide u = sums::FastSum(s.hi, s.lo + t.hi);
  return sums::FastSum(u.hi, u.lo + t.lo);
}
Wide operator-(Wide a, Wide b);
Wide operator*(Wide a, Wide b);
inline double Rounded(Wide a) { return a.hi + a.lo; }

// var Y - 2 R cov + R^2 var X, the variance of Y - R X, to about 32 digits:
// below 0 only where the figures make it so (a correlation beyond 1), not
// by the cancellation of its terms.
double VarianceOfDifference(Wide varY, Wide cov, Wide varX, Wide R);

}  // namespace mirto
