// Planning beyond one number: cluster sizes from ICC and costs, the
// sensitivity table of n, and allocations for several variables. Expected
// figures from planning_reference.py (50-digit arithmetic; the allocation by
// bisection on the multipliers, not by the program's iteration) or by hand.
#include <gtest/gtest.h>

#include "extras/ClusterPlanning.h"
#include "extras/MultiAllocation.h"
#include "extras/Sensitivity.h"
#include "srs/Srs.h"

namespace mirto::test {
namespace {

using extras::ClusterPlanInput;

// The worked example of the command (rho 0.05, C1 400, C2 20, CV 0, S 10, e 1,
// 95%) and a plan whose optimum is below one element.
TEST(ClusterPlanning, Plans) {
  struct Case {
    ClusterPlanInput in;
    double optimal, size, deff, clusters, cost;
  };
  const Case cases[] = {{{0.05, 400, 20, 0, 10, 1, 0.95, 1.96}, 19.493588689617928, 19, 1.9, 39, 30420},
                        {{0.9, 1, 10, 0, 10, 1, 0.95, 1.96}, 0.10540925533894598, 1, 1, 385, 4235}};
  for (const Case& c : cases) {
    ASSERT_FALSE(extras::ClusterPlanFault(c.in));
    const extras::ClusterPlan p = extras::ComputeClusterPlan(c.in);
    EXPECT_NEAR(p.optimalSize, c.optimal, 1e-13);
    EXPECT_EQ(p.size, c.size);
    EXPECT_NEAR(p.deff, c.deff, 1e-15);
    EXPECT_EQ(p.clusters, c.clusters);
    EXPECT_EQ(p.cost, c.cost);
  }
}

// By hand: 1 + 0.05 (18 + 19 x 0.25) = 2.1375; (1.9 - 1) / 18 = 0.05. The
// margin 30420 buys at m̄ 19 (reference script): 0.99248457974199328.
TEST(ClusterPlanning, DesignEffectBothWaysAndBudget) {
  EXPECT_NEAR(extras::ClusterDesignEffect(0.05, 19, 0.5), 2.1375, 1e-15);
  EXPECT_NEAR(*extras::RhoFromDesignEffect(1.9, 19, 0), 0.05, 1e-16);
  EXPECT_FALSE(extras::RhoFromDesignEffect(1.9, 1, 0));
  EXPECT_NEAR(extras::MarginForBudget(30420, 400, 20, 19, 1.9, 10, 1.96), 0.99248457974199328, 1e-14);
}

// Whole clusters a budget buys, by hand: 0.7 / (0.05 + 0.05) = 7 (the double
// quotient falls a hair short), 30000 / 780 = 38.46 -> 38.
TEST(ClusterPlanning, ClustersABudgetBuys) {
  EXPECT_EQ(extras::ClustersForBudget(0.7, 0.05, 0.05, 1), 7);
  EXPECT_EQ(extras::ClustersForBudget(30000, 400, 20, 19), 38);
}

TEST(ClusterPlanning, RefusesNamingTheField) {
  const ClusterPlanInput ok{0.05, 400, 20, 0, 10, 1, 0.95, 1.96};
  struct Case {
    double ClusterPlanInput::*field;
    double value;
    const char* label;
  };
  const Case cases[] = {{&ClusterPlanInput::rho, -0.1, "\"Intraclass correlation, rho:\""},
                        {&ClusterPlanInput::rho, 1, "\"Intraclass correlation, rho:\""},
                        {&ClusterPlanInput::rho, 0, "\"Intraclass correlation, rho:\""},
                        {&ClusterPlanInput::c1, 0, "\"Cost per cluster, C1:\""},
                        {&ClusterPlanInput::c2, -5, "\"Cost per element, C2:\""},
                        {&ClusterPlanInput::cv, -1, "\"CV of cluster sizes:\""},
                        {&ClusterPlanInput::S, 0, "\"Element std. deviation, S:\""},
                        {&ClusterPlanInput::margin, 0, "\"Margin for the mean:\""}};
  for (const Case& c : cases) {
    ClusterPlanInput in = ok;
    in.*c.field = c.value;
    const auto fault = extras::ClusterPlanFault(in);
    ASSERT_TRUE(fault) << c.label << " " << c.value;
    EXPECT_NE(fault->find("Cluster planning from ICC and costs"), std::string::npos);
    EXPECT_NE(fault->find(c.label), std::string::npos) << *fault;
  }
}

// n = N D / ((N - 1)(e/z)^2 + D) at e x (0.5 .. 2) and z 1.645, 1.96, 2.576 (reference script):
// a mean (N 1000, sigma 10, e 1) and a total with the margin N times as large; a proportion (N 500, pi 0.5, e 0.05).
TEST(Sensitivity, GridOfSimpleSampleSize) {
  const double mean[6][3] = {{520.03689806429296, 606.01662696597309, 726.5493783391633},
                             {325.03243087419223, 406.04694547866367, 541.46831809742695},
                             {213.1395456451921, 277.7408253564302, 399.1257911811154},
                             {147.74588597573627, 197.50166765419214, 298.30213335031981},
                             {107.45219344789897, 145.962437925309, 227.9295535136616},
                             {63.423414766198632, 87.704558737580362, 142.41153532886758}};
  const double proportion[6][3] = {{342.22940287464984, 377.43412391189012, 420.8768029940852},
                                   {245.4266357089735, 288.90835868375831, 351.3725118083894},
                                   {175.80666642844845, 217.49173422709362, 285.39066983571677},
                                   {128.82275371564044, 165.03880448254604, 229.88763464175778},
                                   {97.104824514973777, 127.46613931820746, 185.73793519173079},
                                   {59.693417791606601, 80.700457112126916, 124.75244189152443}};
  srs::SrsInput m, total, p;
  m.N = total.N = 1000, m.sigma = total.sigma = 10, m.margin = 1, total.margin = 1000;
  total.specialTarget = SpecialTarget::TotalOrNumber;
  p.N = 500, p.pi = 0.5, p.margin = 0.05;
  const struct {
    const srs::SrsInput& in;
    Target target;
    const double (&want)[6][3];
  } cases[] = {
      {m, Target::MeanTotal, mean}, {total, Target::MeanTotal, mean}, {p, Target::ProportionNumber, proportion}};
  for (const auto& c : cases) {
    const extras::SensitivityTable t = extras::SrsSensitivity(c.in, c.target);
    ASSERT_EQ(t.n.size(), 6u);
    EXPECT_EQ(t.margins[0], c.in.margin * 0.5);
    for (int i = 0; i < 6; ++i)
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(t.n[i][k], c.want[i][k], 1e-10 * c.want[i][k]) << i << "," << k;
  }
}

TEST(Sensitivity, RefusesNamingTheField) {
  srs::SrsInput in;
  in.N = 1000, in.sigma = 10, in.pi = 0.5, in.margin = 1;
  EXPECT_FALSE(extras::SrsSensitivityFault(in, Target::MeanTotal));
  const struct {
    double srs::SrsInput::*field;
    double value;
    Target target;
    const char* label;
  } cases[] = {{&srs::SrsInput::N, 1, Target::MeanTotal, "Population size, N:"},
               {&srs::SrsInput::sigma, -1, Target::MeanTotal, "sigma:"},
               {&srs::SrsInput::pi, 1.5, Target::ProportionNumber, "pi:"},
               {&srs::SrsInput::margin, 0, Target::ProportionNumber, "\"Margin:\""}};
  for (const auto& c : cases) {
    srs::SrsInput bad = in;
    bad.*c.field = c.value;
    const auto fault = extras::SrsSensitivityFault(bad, c.target);
    ASSERT_TRUE(fault) << c.label;
    EXPECT_NE(fault->find(c.label), std::string::npos) << *fault;
  }
}

extras::PlanStratum Stratum(double N, double cost, std::vector<double> value, std::vector<double> sd) {
  return {N, cost, std::move(value), std::move(sd)};
}

// One variable: the classical least-cost allocation, n_h = (W_h S_h / sqrt c_h)
// sum W S sqrt c / (V + sum W S^2 / N) = 6 x 22 / 0.480308... and 4 x 22 / 0.480308...
// Two variables, both binding, the third stratum capped at N_h = 20 (reference script).
// Three small strata whose rounding to a total of 4 misses the target (one of
// them would get no element): raised to 5 (the reference script's rule).
TEST(MultiAllocation, LeastCostMeetsEveryTarget) {
  extras::MultiAllocationInput one{{Stratum(600, 1, {0}, {10}), Stratum(400, 4, {0}, {20})},
                                   {{false, false, 1, 1.96, 0.95}}};
  extras::MultiAllocationInput two{
      {Stratum(100, 4, {50, 0.2}, {15, 0}), Stratum(500, 1, {40, 0.5}, {8, 0}), Stratum(20, 2, {200, 0.1}, {600, 0})},
      {{false, true, 0.01, 0, 0}, {true, false, 0.04, 1.96, 0.95}},
      2};
  extras::MultiAllocationInput small{{Stratum(240, 2, {0}, {2}), Stratum(107, 2, {0}, {2}), Stratum(40, 2, {0}, {2})},
                                     {{false, false, 2, 1.96, 0.95}}};
  const struct {
    const extras::MultiAllocationInput& in;
    std::vector<double> exact, whole, cv;
  } cases[] = {
      {small, {2.3589710000163749, 1.0517079041739671, 0.39316183333606246}, {3, 1, 1}, {}},

      {one, {274.82353757305632, 183.2156917153709}, {275, 184}, {}},
      {two, {29.838739277418452, 253.1859119250391, 20}, {30, 254, 20}, {0.0099637945047317765, 0.046360868623563858}}};
  for (const auto& c : cases) {
    ASSERT_FALSE(extras::MultiAllocationFault(c.in));
    const extras::MultiAllocation r = extras::ComputeMultiAllocation(c.in);
    for (std::size_t h = 0; h < c.exact.size(); ++h) EXPECT_NEAR(r.exact[h], c.exact[h], 1e-9 * c.exact[h]) << h;
    EXPECT_EQ(r.whole, c.whole);
    for (std::size_t j = 0; j < c.cv.size(); ++j) EXPECT_NEAR(r.cv[j], c.cv[j], 1e-12) << j;
    for (std::size_t j = 0; j < r.allowed.size(); ++j) EXPECT_LE(r.sd[j] * r.sd[j], r.allowed[j]) << j;
  }
  // A lone target the minimum already meets: every stratum at its minimum.
  extras::MultiAllocationInput loose = one;
  loose.variables[0].target = 100, loose.minimum = 5;
  EXPECT_EQ(extras::ComputeMultiAllocation(loose).whole, (std::vector<double>{5, 5}));
}

// The stratified sample size with v_h = W_h: (600, 10), (400, 20) at margin 1,
// and P (0.3, 0.5) at margin 0.05, 95% (reference script).
TEST(MultiAllocation, ProportionalSizes) {
  const extras::MultiAllocationInput in{{Stratum(600, 1, {0, 0.3}, {10, 0}), Stratum(400, 1, {0, 0.5}, {20, 0})},
                                        {{false, false, 1, 1.96, 0.95}, {true, false, 0.05, 1.96, 0.95}}};
  const extras::ProportionalSizes r = extras::ComputeProportionalSizes(in);
  EXPECT_NEAR(r.n[0], 458.03922928842719, 1e-10);
  EXPECT_NEAR(r.n[1], 257.76414333393821, 1e-10);
  EXPECT_EQ(r.required, r.n[0]);
}

TEST(MultiAllocation, RefusesNamingTheField) {
  const extras::MultiAllocationInput ok{{Stratum(600, 1, {5, 0.3}, {10, 0}), Stratum(400, 4, {8, 0.5}, {20, 0})},
                                        {{false, true, 0.05, 0, 0}, {true, false, 0.05, 1.96, 0.95}}};
  ASSERT_FALSE(extras::MultiAllocationFault(ok));
  auto none = ok, target = ok, cost = ok, pi = ok, mean = ok;
  none.variables.clear(), none.strata.clear();
  target.variables[1].target = 0;
  cost.strata[1].cost = 0;
  pi.strata[0].value[1] = 1.2;
  mean.strata[0].value[0] = mean.strata[1].value[0] = 0;
  const struct {
    const extras::MultiAllocationInput& in;
    const char* where;
  } cases[] = {{none, "\"Number of variables:\""},
               {target, "variable 2, \"Target CV or margin:\""},
               {cost, "group 2, \"Cost of sampling one element, c_i:\""},
               {pi, "group 1, variable 2, \"Guesstimate of proportion in category, pi_i:\""},
               {mean, "variable 1, \"Target CV or margin:\" is a CV"}};
  for (const auto& c : cases) {
    const auto fault = extras::MultiAllocationFault(c.in);
    ASSERT_TRUE(fault) << c.where;
    EXPECT_NE(fault->find(c.where), std::string::npos) << *fault;
  }
}

}  // namespace
}  // namespace mirto::test
