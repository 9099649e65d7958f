// Cluster and two-stage results without any text, and what a block's record
// names under each method. Expected figures by hand and in exact rational
// arithmetic (python3, fractions).
#include <gtest/gtest.h>

#include <cmath>

#include "cluster/Cluster.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

using namespace cluster;

// M = 10, m = 2, N = 100; (N_i, barY_i, S_i) = (10, 5, 1) and (20, 8, 2), every element sampled.
ClusterInput TwoSelectedGroups(Method method) {
  ClusterInput in;
  in.form = &kMeanIntervalForm;
  in.method = method;
  in.groups = 10;
  in.sampled = 2;
  in.N = 100;
  in.M = 10;
  in.m = 2;
  in.z = 1.96;
  in.probability = 0.95;
  in.rows = {{.N = 10, .n = 10, .value = 5, .spread = 1}, {.N = 20, .n = 20, .value = 8, .spread = 2}};
  return in;
}

TEST(ClusterResults, IntervalFromGroupsWithoutText) {
  // Group totals 50 and 160: C = 2 * 55^2, v = 10 * 8 * 6050 / (2 * 1 * 100^2) = 24.2.
  const ClusterInterval cluster = ComputeInterval(TwoSelectedGroups(Method::Cluster));
  EXPECT_DOUBLE_EQ(cluster.estimate, 10.5);
  EXPECT_DOUBLE_EQ(cluster.total, 1050);
  EXPECT_DOUBLE_EQ(cluster.sd, std::sqrt(24.2));
  EXPECT_DOUBLE_EQ(cluster.totalLow, 100 * (10.5 - 1.96 * std::sqrt(24.2)));
  EXPECT_TRUE(cluster.warning);  // m <= 50
  ASSERT_EQ(cluster.w.size(), 2u);
  EXPECT_EQ(cluster.w[1], 0.2);
  // Two-stage sampling of every element: no within-group term, the same deviation.
  EXPECT_EQ(ComputeInterval(TwoSelectedGroups(Method::TwoStage)).sd, cluster.sd);
}

TEST(ClusterResults, RecordHoldsTheSampledElementsOnlyUnderTwoStageSampling) {
  const std::string groups = "ok 100; 3; 2\nok 30; 10; 4; 1\nok 40; 10; 5; 2\nok 30; 15; 6; 1.5\n";
  test::Session s;
  s.Run("command Two-stage > Mean/total of variable > Th. std. dev. of estimator\n" + groups);
  s.Run(
      "command Cluster > Mean/total of variable > Th. std. dev. of estimator\nok 100; 3; 2\nok 30; 4; 1\n"
      "ok 40; 5; 2\nok 30; 6; 1.5\n");
  ASSERT_EQ(s.doc.Blocks().size(), 2u);
  const Record& twoStage = s.doc.Blocks()[0].record;
  // V = 21331 / 60320 for these groups (N' = 100).
  EXPECT_NEAR(twoStage.Get("sd_mean"), 0.59466850984794422, 1e-15);
  EXPECT_NEAR(twoStage.Get("sd_total"), 59.466850984794422, 1e-13);
  EXPECT_EQ(twoStage.Get("groups"), 3);
  EXPECT_EQ(twoStage.Get("selected_groups"), 2);
  ASSERT_EQ(twoStage.tables().size(), 1u);
  EXPECT_EQ(twoStage.tables()[0].columns(), (std::vector<std::string_view>{"N_i", "n_i", "mu_i", "sigma_i"}));
  EXPECT_EQ(twoStage.tables()[0].at(2, 1), 15);
  const Record& cluster = s.doc.Blocks()[1].record;
  EXPECT_EQ(cluster.tables()[0].columns(), (std::vector<std::string_view>{"N_i", "mu_i", "sigma_i"}));
  EXPECT_EQ(cluster.tables()[0].rows(), 3u);
}

}  // namespace
}  // namespace mirto
