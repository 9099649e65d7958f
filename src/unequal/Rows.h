#pragma once
// What the with- and without-replacement entry loops share: the rows their
// forms hold, read the one way every family reads a form, and the loop over
// sampled elements.
#include <vector>

#include "unequal/Unequal.h"

namespace mirto::unequal {

struct ElementRow {
  double y = 0.0, p = 0.0;
};
struct PairRow {
  double p = 0.0;
};

ElementRow ReadElement(const Form& form);
PairRow ReadPair(const Form& form);

// The form's own row check refuses the row.
bool Refused(const Form& form);

// No pair is drawn more often than either of its elements: a joint
// probability above p_i or p_j is refused ("Illegal entry").
inline bool JointWithin(double pij, double pi, double pj) { return pij <= pi && pij <= pj; }

// Sampled elements: Y and a probability the form's check accepts. Keeps
// sumRatio (sum of Y/p).
bool EnterSampledElements(FormHost& host, const FormTemplate& form, FormContext context, double* y, double* p,
                          long long count, double& sumRatio);

// The sum of (u_i - mean u)^2 over u_i = Y_i / (N p_i), the sampled
// elements' share of N: what an interval's variance is made of.
double SquaredDeviationsOfShares(const double* y, const double* p, long long count, double N);

// Rows 1..count of the value and probability arrays.
std::vector<Element> Elements(const double* y, const double* p, long long count);

// An interval result from the estimates and the estimated deviation of the
// mean: the bounds, and the warning for a small sample or remainder.
UnequalInterval IntervalFrom(Method method, Target target, double N, double n, double z, double level,
                             std::vector<Element> elements, double mean, double total, double sd);

}  // namespace mirto::unequal
