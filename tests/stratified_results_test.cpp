// Stratified results without any text: the plans from groups built by hand,
// and what a block's record names. Expected figures by hand and in exact
// rational arithmetic (python3, fractions).
#include <gtest/gtest.h>

#include "stratified/Stratified.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

using namespace stratified;

// (N_i, sigma_i, v_i, c_i) = (600, 10, 0.5, 1) and (400, 20, 0.5, 4), C = 1000, c_0 = 100.
StratifiedInput TwoGroups(const StrataLayout& layout) {
  StratifiedInput in;
  in.layout = &layout;
  in.strata = {{.N = 600, .w = 0.6, .sigma = 10, .v = 0.5, .c = 1},
               {.N = 400, .w = 0.4, .sigma = 20, .v = 0.5, .c = 4}};
  in.N = 1000;
  in.z = 1.96;
  in.probability = 0.95;
  in.margin = 1;
  in.budget = 1000;
  in.fixedCost = 100;
  return in;
}

TEST(StratifiedResults, PlansFromGroupsWithoutText) {
  // A = 2e8, B = 220000: n = A / (N^2 (1 / 1.96)^2 + B).
  const StratifiedSampleSize mean = ComputeSampleSize(TwoGroups(kMeanSize));
  EXPECT_NEAR(mean.required, 416.3992993531156, 1e-10);
  EXPECT_FALSE(mean.warning);
  // A margin of 1000 on the total is a margin of 1 on each of 1000 elements.
  StratifiedInput total = TwoGroups(kMeanSize);
  total.specialTarget = SpecialTarget::TotalOrNumber;
  total.margin = 1000;
  EXPECT_NEAR(ComputeSampleSize(total).required, mean.required, 1e-10);

  // S = 6000 + 8000: shares 3/7 and 4/7.
  const StratifiedAllocation optimal = ComputeOptimalAllocation(TwoGroups(kMeanOptimal));
  ASSERT_EQ(optimal.allocation.size(), 2u);
  EXPECT_NEAR(optimal.allocation[0], 3.0 / 7, 1e-15);
  EXPECT_NEAR(optimal.allocation[1], 4.0 / 7, 1e-15);

  // P = 6000 + 4000, Q = 6000 + 16000: n = 900 P / Q, shares 0.6 and 0.4.
  const StratifiedAllocation cost = ComputeMinCostAllocation(TwoGroups(kMeanCost));
  EXPECT_NEAR(cost.n, 409.09090909090907, 1e-10);
  EXPECT_NEAR(cost.allocation[0], 0.6, 1e-15);
  EXPECT_NEAR(cost.allocation[1], 0.4, 1e-15);
}

TEST(StratifiedResults, RecordNamesTheGroupsAndTheInterval) {
  test::Session s;
  s.Run(
      "command Stratified > Mean/total of variable > Interval estimates\n"
      "ok 2; 95%\nok 120; 60; 10; 3\nok 180; 60; 20; 4\n");
  ASSERT_EQ(s.doc.Blocks().size(), 1u);
  const Record& rec = s.doc.Blocks().back().record;
  // s^2 = 0.4^2 9 60 / (120 59) + 0.6^2 16 120 / (180 59); the mean is 16.
  EXPECT_EQ(rec.Get("population_size"), 300);
  EXPECT_EQ(rec.Get("mean"), 16);
  EXPECT_NEAR(rec.Get("sd_mean"), 0.27800743801779898, 1e-15);
  EXPECT_NEAR(rec.Get("mean_low"), 15.455105421485114, 1e-13);
  EXPECT_NEAR(rec.Get("total_high"), 300 * 16.544894578514886, 1e-10);
  EXPECT_EQ(rec.Get("confidence"), 0.95);
  ASSERT_EQ(rec.tables().size(), 2u);
  const Table& entered = rec.tables()[0];
  EXPECT_EQ(entered.section(), Section::Inputs);
  EXPECT_EQ(entered.columns(), (std::vector<std::string_view>{"N_i", "n_i", "barY_i", "S_i"}));
  ASSERT_EQ(entered.rows(), 2u);
  EXPECT_EQ(entered.at(1, 0), 180);
  EXPECT_EQ(entered.at(1, 3), 4);
  const Table& weights = rec.tables()[1];
  EXPECT_EQ(weights.section(), Section::Results);
  EXPECT_EQ(weights.columns(), (std::vector<std::string_view>{"w_i"}));
  EXPECT_EQ(weights.at(0, 0), 0.4);
  EXPECT_EQ(weights.at(1, 0), 0.6);
}

}  // namespace
}  // namespace mirto
