#pragma once
// Sums that do not cancel. A sum of squares minus a square of sums (or the
// like) loses every digit when the two are nearly equal, and can even come
// out negative where the exact value is 0. The functions here give the same
// algebra from deviations about the mean over the values themselves, and,
// where only summary figures are at hand, in twice the working precision.
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
Wide Sum(double a, double b);
Wide Product(double a, double b);
Wide Quotient(double a, double b);
Wide operator+(Wide a, Wide b);
Wide operator-(Wide a, Wide b);
Wide operator*(Wide a, Wide b);
inline double Rounded(Wide a) { return a.hi + a.lo; }

// var Y - 2 R cov + R^2 var X, the variance of Y - R X, to about 32 digits:
// below 0 only where the figures make it so (a correlation beyond 1), not
// by the cancellation of its terms.
double VarianceOfDifference(Wide varY, Wide cov, Wide varX, Wide R);

}  // namespace mirto
