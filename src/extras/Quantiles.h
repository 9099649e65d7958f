#pragma once
// Quantiles of the t and beta distributions, from Boost.Math. Arguments
// outside a distribution's domain give NaN, never an exception.
namespace mirto::extras {

// The p-quantile of Student's t with `df` degrees of freedom (df > 0, may be fractional).
double StudentQuantile(double df, double p);
// The p-quantile of the beta distribution with shapes a, b > 0.
double BetaQuantile(double a, double b, double p);

}  // namespace mirto::extras
