// Stratified sample size, optimal allocation and minimum-cost allocation.
#include <gtest/gtest.h>

#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::Lines;
using test::RunScript;

constexpr const char* kMeanSize = "command Stratified > Mean/total of variable > Sample size\n";
constexpr const char* kTwoMeanGroups = "ok 600; 0.5; 10\nok 400; 0.5; 20\n";

TEST(StratifiedPlanning, SampleSizeForTheMeanOrTotal) {
  auto r = RunScript(std::string(kMeanSize) + "ok 2; Mean; 1; 95%\n" + kTwoMeanGroups);
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean of variable
Method: Stratified random sampling
Objective: Sample size calculation
Estimator: Stratified
 Group no.       N_i       w_i      v_i    sigma_i
         1        600     0.6000     0.5000  10.000000
         2        400     0.4000     0.5000  20.000000
Population size, N= 1000
Accuracy requirements, margin: 1.000000
Accuracy requirements, probability: 0.950000
Required sample size is 416)"));

  // A margin of 1000 on the total is a margin of 1 on each of 1000 elements.
  auto total = RunScript(std::string(kMeanSize) + "ok 2; Total; 1000; 95%\n" + kTwoMeanGroups);
  ASSERT_EQ(total.appended.size(), 12u);
  EXPECT_EQ(total.appended[1], "Target: Total of variable");
  EXPECT_EQ(total.appended[9], "Accuracy requirements, margin: 1000.000000");
  EXPECT_EQ(total.appended[11], "Required sample size is 416");
}

TEST(StratifiedPlanning, SampleSizeWarnsAfterItsLine) {
  struct Case {
    const char* answers;
    const char* size;
  } cases[] = {
      {"ok 2; Mean; 5; 95%\nok 600; 0.5; 10\nok 400; 0.5; 20\n", "Required sample size is 30"},  // n <= 50
      {"ok 1; Mean; 1; 95%\nok 100; 1; 10\n", "Required sample size is 79"},                     // N - n <= 50
  };
  for (const Case& c : cases) {
    auto r = RunScript(std::string(kMeanSize) + c.answers);
    ASSERT_GE(r.appended.size(), 2u);
    EXPECT_EQ(r.appended[r.appended.size() - 2], c.size);
    EXPECT_EQ(r.appended.back(), "Warning: Small sample or remainder.");
  }
}

TEST(StratifiedPlanning, SampleSizeForAProportionOrNumber) {
  const std::string command = "command Stratified > Proportion/number in category > Sample size\n";
  const std::string groups = "ok 600; 0.6; 0.3\nok 400; 0.4; 0.6\n";
  auto proportion = RunScript(command + "ok 2; Proportion; 0.05; 95%\n" + groups);
  EXPECT_EQ(proportion.appended, Lines(R"(*********
Target: Proportion in category
Method: Stratified random sampling
Objective: Sample size calculation
Estimator: Stratified
 Group no.       N_i       w_i      v_i       pi_i
         1        600     0.6000     0.6000   0.300000
         2        400     0.4000     0.4000   0.600000
Population size, N= 1000
Accuracy requirements, margin: 0.050000
Accuracy requirements, probability: 0.950000
Required sample size is 254)"));
  auto number = RunScript(command + "ok 2; Number; 50; 95%\n" + groups);
  ASSERT_EQ(number.appended.size(), 12u);
  EXPECT_EQ(number.appended[1], "Target: Number in category");
  EXPECT_EQ(number.appended[11], "Required sample size is 254");
}

TEST(StratifiedPlanning, OptimalAllocationFollowsSizeTimesSpread) {
  auto mean = RunScript(
      "command Stratified > Mean/total of variable > Optimal allocation\n"
      "ok 2\nok 600; 10\nok 400; 20\n");
  EXPECT_EQ(mean.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Stratified random sampling
Objective: Optimal percentage allocation
Estimator: Stratified
 Group no.        N_i        w_i    sigma_i Opt. alloc.
         1        600     0.6000    10.0000     0.4286
         2        400     0.4000    20.0000     0.5714
Population size, N= 1000)"));
  auto proportion = RunScript(
      "command Stratified > Proportion/number in category > Optimal allocation\n"
      "ok 2\nok 600; 0.3\nok 400; 0.6\n");
  EXPECT_EQ(proportion.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Stratified random sampling
Objective: Optimal percentage allocation
Estimator: Stratified
 Group no.        N_i        w_i       pi_i Opt. alloc.
         1        600     0.6000     0.3000     0.5839
         2        400     0.4000     0.6000     0.4161
Population size, N= 1000)"));
}

TEST(StratifiedPlanning, MinimumCostAllocationWithinTheBudget) {
  mirto::test::Session s;
  auto r = s.Run(
      "command Stratified > Mean/total of variable > Min. cost allocation\n"
      "ok 2; 1000; 100\nok 600; 10; 1\nok 400; 20; 4\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Stratified random sampling
Objective: Minimum cost allocation
Estimator: Stratified
 Group no.        N_i        w_i    sigma_i        c_i Min. cost alloc.
         1        600     0.6000    10.0000     1.0000     0.6000
         2        400     0.4000    20.0000     4.0000     0.4000
Population size, N= 1000
Optimal sample size, n= 409)"));
  EXPECT_EQ(s.doc.m_dBudget, 1000.0);
  EXPECT_EQ(s.doc.m_dFixedCost, 100.0);

  auto proportion = RunScript(
      "command Stratified > Proportion/number in category > Min. cost allocation\n"
      "ok 2; 1000; 100\nok 600; 0.3; 1\nok 400; 0.6; 4\n");
  ASSERT_EQ(proportion.appended.size(), 10u);
  EXPECT_EQ(proportion.appended[1], "Target: Proportion and number in category");
  EXPECT_EQ(proportion.appended[5], " Group no.        N_i        w_i       pi_i        c_i Min. cost alloc.");
  EXPECT_EQ(proportion.appended[6], "         1        600     0.6000     0.3000     1.0000     0.7373");
  EXPECT_EQ(proportion.appended[7], "         2        400     0.4000     0.6000     4.0000     0.2627");
  EXPECT_EQ(proportion.appended[9], "Optimal sample size, n= 503");
}

TEST(StratifiedPlanning, EqualCostsGiveTheOptimalAllocation) {
  auto cost = RunScript(
      "command Stratified > Mean/total of variable > Min. cost allocation\n"
      "ok 2; 1000; 100\nok 600; 10; 2.5\nok 400; 20; 2.5\n");
  auto optimal = RunScript(
      "command Stratified > Mean/total of variable > Optimal allocation\n"
      "ok 2\nok 600; 10\nok 400; 20\n");
  ASSERT_EQ(cost.appended.size(), 10u);
  ASSERT_EQ(optimal.appended.size(), 9u);
  for (int row : {6, 7}) {
    const std::string& c = cost.appended[row];
    const std::string& o = optimal.appended[row];
    EXPECT_EQ(c.substr(c.size() - 10), o.substr(o.size() - 10));
  }
  EXPECT_EQ(cost.appended[6].substr(55), "    0.4286");
  EXPECT_EQ(cost.appended[9], "Optimal sample size, n= 360");  // the budget buys 900 / 2.5
}

TEST(StratifiedPlanning, NoGroupsStillAppendABlock) {
  struct Case {
    const char* script;
    std::vector<std::string> results;
  } cases[] = {
      {"command Stratified > Mean/total of variable > Sample size\nok 0; Mean; 1; 95%\n",
       {"Accuracy requirements, margin: 1.000000", "Accuracy requirements, probability: 0.950000",
        "Required sample size is nan", "Warning: Small sample or remainder."}},
      {"command Stratified > Proportion/number in category > Sample size\nok 0; Number; 10; 90%\n",
       {"Accuracy requirements, margin: 10.000000", "Accuracy requirements, probability: 0.900000",
        "Required sample size is nan", "Warning: Small sample or remainder."}},
      {"command Stratified > Mean/total of variable > Optimal allocation\nok 0\n", {}},
      {"command Stratified > Proportion/number in category > Optimal allocation\nok 0\n", {}},
      {"command Stratified > Mean/total of variable > Min. cost allocation\nok 0; 1000; 100\n",
       {"Optimal sample size, n= nan"}},
      {"command Stratified > Proportion/number in category > Min. cost allocation\nok 0; 1000; 100\n",
       {"Optimal sample size, n= nan"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    auto r = RunScript(c.script);
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.appended.size(), 7 + c.results.size());
    EXPECT_EQ(r.appended[5].rfind(" Group no.", 0), 0u);
    EXPECT_EQ(r.appended[6], "Population size, N= 0");
    EXPECT_EQ(std::vector<std::string>(r.appended.begin() + 7, r.appended.end()), c.results);
  }
}

}  // namespace
}  // namespace mirto
