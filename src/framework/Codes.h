#pragma once
// The selection codes a command writes and the dispatchers read, with the
// values the document stores. One enumeration per code.
namespace mirto {

enum class Approach : int { Randomization = 1, Prediction };

enum class Method : int { Simple = 1, Stratified, Cluster, TwoStage, WithReplacement, WithoutReplacement };

enum class Target : int { MeanTotal = 1, ProportionNumber, RatioOfMeans };

// Under the prediction approach the same code holds Point, Interval or
// ThStdDev (there: the theoretical error variance).
enum class Objective : int { Point = 1, Interval, ThStdDev, SampleSize, OptimalAllocation, MinCostAllocation };

enum class Estimator : int { Simple = 1, Ratio, Regression, Stratified, TwoStage, Hte, Hhe, Special };

// The accuracy group's radio pair: the first button ("Mean", "Proportion")
// or the second ("Total", "Number").
enum class SpecialTarget : int { MeanOrProportion = 1, TotalOrNumber };

enum class PredictionModel : int { A = 1, B, C, D, E };

}  // namespace mirto
