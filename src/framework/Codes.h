#pragma once
// The selection codes a command writes and the dispatchers read, with the
// values the document stores. One enumeration per code.
namespace mirto {

enum class Approach : int { Randomization = 1, Prediction };

enum class Method : int { Simple = 1, Stratified, Cluster, TwoStage, WithReplacement, WithoutReplacement };

enum class Target : int { MeanTotal = 1, ProportionNumber, RatioOfMeans };

// Under the prediction approach the same code holds Point, Interval or
// ThStdDev (there: the theoretical error variance). The rest are the
// added commands (src/extras): a sample size for a design effect and a
// response rate, the allocation of a given n in whole numbers, intervals
// from the joint inclusion probabilities of the sample, and the sample size
// that meets the margins of several variables; then the planning commands:
// clusters from ICC and costs, the allocation for several variables, the
// sensitivity of n, and clusters from a design effect or for a budget.
enum class Objective : int {
  Point = 1,
  Interval,
  ThStdDev,
  SampleSize,
  OptimalAllocation,
  MinCostAllocation,
  AdjustedSampleSize,
  GivenAllocation,
  JointInterval,
  SeveralSampleSize,
  ClusterPlanning,
  SeveralAllocation,
  Sensitivity,
  ClusterPlanningDeff,
  ClusterBudget
};

enum class Estimator : int { Simple = 1, Ratio, Regression, Stratified, TwoStage, Hte, Hhe, Special };

// The accuracy group's radio pair: the first button ("Mean", "Proportion")
// or the second ("Total", "Number").
enum class SpecialTarget : int { MeanOrProportion = 1, TotalOrNumber };

enum class PredictionModel : int { A = 1, B, C, D, E };

}  // namespace mirto
