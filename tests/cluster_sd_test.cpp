// Cluster and two-stage sampling: theoretical standard deviations, and the
// per-group forms.
#include <gtest/gtest.h>

#include <string>

#include "framework/FormCatalog.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::Lines;
using test::RunScript;

// The population behind these figures, five groups of units:
//   1 3 | 2 2 6 6 | 1 1 1 3 3 3 | 3 3 9 9 | 0 4
// mu_i are the group means, sigma_i the group deviations over N_i. The
// expected deviations are the exact ones over every possible sample (m = 2
// groups, then n_i = 1, 2, 3, 2, 1 units, or whole groups), enumerated apart
// from the program (python3). N' = 18; the document's N = 20 scales the total.
TEST(ClusterSd, TwoStageMeanMatchesTheVarianceOverAllSamples) {
  auto r = RunScript(
      "command Two-stage > Mean/total of variable > Th. std. dev. of estimator\n"
      "ok 20; 5; 2\nok 2; 1; 2; 1\nok 4; 2; 4; 2\nok 6; 3; 2; 1\nok 4; 2; 6; 3\nok 2; 1; 2; 2\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Two-stage random sampling
Objective: Theoretical std. deviation of estimator
Estimator: Two-stage
Population size, N= 20
Number of groups, M= 5
Number of selected groups, m= 2
 Group no.        N_i        n_i       mu_i    sigma_i
         1          2          1   2.000000   1.000000
         2          4          2   4.000000   2.000000
         3          6          3   2.000000   1.000000
         4          4          2   6.000000   3.000000
         5          2          1   2.000000   2.000000
Std. deviation of estimator of pop. mean: 1.552908
Std. deviation of estimator of pop. total: 31.058156)"));
}

TEST(ClusterSd, ClusterMeanMatchesTheVarianceOverAllSamples) {
  auto r = RunScript(
      "command Cluster > Mean/total of variable > Th. std. dev. of estimator\n"
      "ok 20; 5; 2\nok 2; 2; 1\nok 4; 4; 2\nok 6; 2; 1\nok 4; 6; 3\nok 2; 2; 2\n");
  ASSERT_EQ(r.appended.size(), 16u);
  EXPECT_EQ(r.appended[8], " Group no.    n_i=N_i       mu_i    sigma_i");
  EXPECT_EQ(r.appended[9], "         1          2   2.000000   1.000000");
  EXPECT_EQ(r.appended[14], "Std. deviation of estimator of pop. mean: 1.290994");
  EXPECT_EQ(r.appended[15], "Std. deviation of estimator of pop. total: 25.819889");
}

// Units 1 0 | 1 1 0 0 | 1 1 1 0 0 0 | 0 0 0 1 | 1 1; m = 3, n_i = 1, 2, 3, 2, 1.
TEST(ClusterSd, TwoStageProportionMatchesTheVarianceOverAllSamples) {
  auto r = RunScript(
      "command Two-stage > Proportion/number in category > Th. std. dev. of estimator\n"
      "ok 18; 5; 3\nok 2; 1; 0.5\nok 4; 2; 0.5\nok 6; 3; 0.5\nok 4; 2; 0.25\nok 2; 1; 1\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Two-stage random sampling
Objective: Theoretical std. deviation of estimator
Estimator: Two-stage
Population size, N= 18
Number of groups, M= 5
Number of selected groups, m= 3
 Group no.        N_i        n_i       pi_i
         1          2          1   0.500000
         2          4          2   0.500000
         3          6          3   0.500000
         4          4          2   0.250000
         5          2          1   1.000000
Std. deviation of estimator of pop. proportion: 0.183324
Std. deviation of estimator of pop. number: 3.299832)"));
}

TEST(ClusterSd, EveryGroupSampledGivesZeroUnderClusterSampling) {
  auto mean = RunScript(
      "command Cluster > Mean/total of variable > Th. std. dev. of estimator\n"
      "ok 100; 3; 3\nok 10; 5; 1\nok 50; 8; 2\nok 40; 1; 3\n");
  ASSERT_EQ(mean.appended.size(), 14u);
  EXPECT_EQ(mean.appended[12], "Std. deviation of estimator of pop. mean: 0.000000");
  EXPECT_EQ(mean.appended[13], "Std. deviation of estimator of pop. total: 0.000000");

  auto proportion = RunScript(
      "command Cluster > Proportion/number in category > Th. std. dev. of estimator\n"
      "ok 100; 2; 2\nok 30; 0.2\nok 70; 0.9\n");
  ASSERT_EQ(proportion.appended.size(), 13u);
  EXPECT_EQ(proportion.appended[11], "Std. deviation of estimator of pop. proportion: 0.000000");
  EXPECT_EQ(proportion.appended[12], "Std. deviation of estimator of pop. number: 0.000000");
}

TEST(ClusterSd, OneGroupHasNoFiniteDeviation) {
  auto r = RunScript(
      "command Cluster > Proportion/number in category > Th. std. dev. of estimator\n"
      "ok 100; 1; 1\nok 100; 0.3\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Cluster random sampling
Objective: Theoretical std. deviation of estimator
Estimator: Two-stage
Population size, N= 100
Number of groups, M= 1
Number of selected groups, m= 1
 Group no.    n_i=N_i       pi_i
         1        100   0.300000
Std. deviation of estimator of pop. proportion: nan
Std. deviation of estimator of pop. number: nan)"));
}

// n_i is asked only under two-stage sampling, on the desktop and in batch alike.
TEST(ClusterForms, SampledElementsFieldFollowsTheMethod) {
  for (int id : {174, 175, 176, 178, 179, 180}) {
    SCOPED_TRACE(id);
    const FormTemplate* tmpl = FindFormTemplate(id);
    ASSERT_NE(tmpl, nullptr);
    const Form cluster(*tmpl, FormContext{.method = Method::Cluster}),
        twoStage(*tmpl, FormContext{.method = Method::TwoStage});
    const bool asksSampled = id >= 176;
    EXPECT_EQ(twoStage.Inputs().size(), cluster.Inputs().size() + (asksSampled ? 1 : 0));
    for (std::size_t i = 0; i < tmpl->controls.size(); ++i) {
      if (tmpl->controls[i].label != "Number of sampled elements, n_i:") continue;
      EXPECT_FALSE(cluster.Enabled(i));
      EXPECT_TRUE(twoStage.Enabled(i));
    }
  }
}

TEST(ClusterForms, ClusterSamplingRefusesAnNiValue) {
  auto r = RunScript(
      "command Cluster > Mean/total of variable > Interval estimates\n"
      "ok 100; 10; 2; 95%\nok 10; 10; 5; 1\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.appended.empty());
}

}  // namespace
}  // namespace mirto
