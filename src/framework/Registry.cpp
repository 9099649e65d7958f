#include "framework/Registry.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "extras/Commands.h"
#include "framework/PreliminaryForms.h"
#include "journal/CTervoDoc.h"
#include "prediction/PredictionForms.h"

namespace mirto {
namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

constexpr Command Leaf(int id, std::string_view path, Method m, Target t, Objective o, Estimator e,
                       std::string_view prompt, const PreliminaryStep* step, Routine routine) {
  return {id, path, Approach::Randomization, m, t, o, e, prompt, step, routine, HelpFor(m, t, o, e)};
}

#define MEAN "Mean/total of variable"
#define PROP "Proportion/number in category"
#define RATIO "Ratio of means/totals"
#define PT "Point estimates"
#define IV "Interval estimates"
#define TH "Th. std. dev. of estimator"
#define SS "Sample size"
// The added commands (src/extras).
#define ADJ "Sample size with adjustments"
#define GIVEN "Allocation of a given n"
#define JOINT "Interval estimates (joint probabilities)"

// One row per menu command, in menu order.
constexpr Command kCommands[] = {
    Leaf(32804, "Simple > " MEAN " > " PT " > Simple", M::Simple, T::MeanTotal, O::Point, E::Simple,
         "M: Simple, T: Mean/variable, O: Point; E: Simple", nullptr, &Op<&CTervoDoc::SrsMeanPoint>),
    Leaf(32805, "Simple > " MEAN " > " PT " > Ratio", M::Simple, T::MeanTotal, O::Point, E::Ratio,
         "M: Simple, T: Mean/total, O: Point, E: Ratio", nullptr, &Op<&CTervoDoc::SrsAuxPoint>),
    Leaf(32806, "Simple > " MEAN " > " PT " > Regression", M::Simple, T::MeanTotal, O::Point, E::Regression,
         "M: Simple, T: Mean/total, O: Point, E: Regression", nullptr, &Op<&CTervoDoc::SrsAuxPoint>),
    Leaf(32810, "Simple > " MEAN " > " IV " > Simple", M::Simple, T::MeanTotal, O::Interval, E::Simple,
         "M: Simple, T: Mean/total, O: IntervalEst, E: Simple", nullptr, &Op<&CTervoDoc::SrsMeanInterval>),
    Leaf(32811, "Simple > " MEAN " > " IV " > Ratio", M::Simple, T::MeanTotal, O::Interval, E::Ratio,
         "M: Simple, T: Mean/total, O: IntervalEst, E: Ratio", nullptr, &Op<&CTervoDoc::SrsAuxInterval>),
    Leaf(32812, "Simple > " MEAN " > " IV " > Regression", M::Simple, T::MeanTotal, O::Interval, E::Regression,
         "M: Simple, T: Mean/total, O: IntervalEst, E: Regression", nullptr, &Op<&CTervoDoc::SrsAuxInterval>),
    Leaf(32814, "Simple > " MEAN " > " TH " > Simple", M::Simple, T::MeanTotal, O::ThStdDev, E::Simple,
         "M: Simple, T: Mean/total, O: ThStdDevEst, E: Simple", nullptr, &Op<&CTervoDoc::SrsMeanSd>),
    Leaf(32815, "Simple > " MEAN " > " TH " > Ratio", M::Simple, T::MeanTotal, O::ThStdDev, E::Ratio,
         "M: Simple, T: Mean/total, O: ThStdDevEst, E: Ratio", nullptr, &Op<&CTervoDoc::SrsAuxSd>),
    Leaf(32816, "Simple > " MEAN " > " TH " > Regression", M::Simple, T::MeanTotal, O::ThStdDev, E::Regression,
         "M: Simple, T: Mean/total, O: ThStdDevEst, E: Regression", nullptr, &Op<&CTervoDoc::SrsAuxSd>),
    Leaf(32818, "Simple > " MEAN " > " SS " > Simple", M::Simple, T::MeanTotal, O::SampleSize, E::Simple,
         "M: Simple, T: Mean/total, O: SampleSize, E: Simple", nullptr, &Op<&CTervoDoc::SrsMeanSampleSize>),
    Leaf(32819, "Simple > " MEAN " > " SS " > Ratio", M::Simple, T::MeanTotal, O::SampleSize, E::Ratio,
         "M: Simple, T: Mean/total, O: SampleSize, E: Ratio", nullptr, &Op<&CTervoDoc::SrsAuxSampleSize>),
    Leaf(32820, "Simple > " MEAN " > " SS " > Regression", M::Simple, T::MeanTotal, O::SampleSize, E::Regression,
         "M: Simple, T: Mean/total, O: SampleSize, E: Regression", nullptr, &Op<&CTervoDoc::SrsAuxSampleSize>),
    Leaf(32950, "Simple > " MEAN " > " ADJ, M::Simple, T::MeanTotal, O::AdjustedSampleSize, E::Simple,
         "M: Simple, T: Mean/total, O: SampleSizeAdjusted, E: Simple", nullptr, &extras::SrsMeanAdjustedSampleSize),
    Leaf(32822, "Simple > " PROP " > " PT " > Simple", M::Simple, T::ProportionNumber, O::Point, E::Simple,
         "M: Simple, T: Proportion/number, O: Point, E: Simple", nullptr, &Op<&CTervoDoc::SrsProportionPoint>),
    Leaf(32826, "Simple > " PROP " > " IV " > Simple", M::Simple, T::ProportionNumber, O::Interval, E::Simple,
         "M: Simple, T: Proportion/number, O: IntervalEst, E: Simple", nullptr, &Op<&CTervoDoc::SrsProportionInterval>),
    Leaf(32831, "Simple > " PROP " > " TH " > Simple", M::Simple, T::ProportionNumber, O::ThStdDev, E::Simple,
         "M: Simple, T: Proportion/number, O: ThStdDevEst, E: Simple", nullptr, &Op<&CTervoDoc::SrsProportionSd>),
    Leaf(32835, "Simple > " PROP " > " SS " > Simple", M::Simple, T::ProportionNumber, O::SampleSize, E::Simple,
         "M: Simple, T: Proportion/number, O: SampleSize, E: Simple", nullptr,
         &Op<&CTervoDoc::SrsProportionSampleSize>),
    Leaf(32951, "Simple > " PROP " > " ADJ, M::Simple, T::ProportionNumber, O::AdjustedSampleSize, E::Simple,
         "M: Simple, T: Proportion/number, O: SampleSizeAdjusted, E: Simple", nullptr,
         &extras::SrsProportionAdjustedSampleSize),
    Leaf(32839, "Simple > " RATIO " > " PT, M::Simple, T::RatioOfMeans, O::Point, E::Special,
         "M: Simple, T: Ratio; O: Point, E: Special", nullptr, &Op<&CTervoDoc::SrsMeansRatioPoint>),
    Leaf(32840, "Simple > " RATIO " > " IV, M::Simple, T::RatioOfMeans, O::Interval, E::Special,
         "M: Simple, T: Ratio, O: IntervalEst, E: Special", nullptr, &Op<&CTervoDoc::SrsMeansRatioInterval>),
    Leaf(32841, "Simple > " RATIO " > " TH, M::Simple, T::RatioOfMeans, O::ThStdDev, E::Special,
         "M: Simple, T: Ratio, O: ThStdDevEst, E: Special", nullptr, &Op<&CTervoDoc::SrsMeansRatioSd>),
    Leaf(32842, "Simple > " RATIO " > " SS, M::Simple, T::RatioOfMeans, O::SampleSize, E::Special,
         "M: Simple, T: Ratio, O: SampleSize, E: Special", nullptr, &Op<&CTervoDoc::SrsMeansRatioSampleSize>),
    Leaf(32852, "Stratified > " MEAN " > " PT, M::Stratified, T::MeanTotal, O::Point, E::Stratified,
         "M: Stratified, T:Mean/total, O: Point, E: Stratified", &kGroupCountStep,
         &Op<&CTervoDoc::StratifiedMeanPoint>),
    Leaf(32853, "Stratified > " MEAN " > " IV, M::Stratified, T::MeanTotal, O::Interval, E::Stratified,
         "M: Stratified, T: Mean/total, O: IntervalEst, E: Stratified", &kGroupCountLevelStep,
         &Op<&CTervoDoc::StratifiedMeanInterval>),
    Leaf(32854, "Stratified > " MEAN " > " TH, M::Stratified, T::MeanTotal, O::ThStdDev, E::Stratified,
         "M: Stratified, T: Mean/total, O: ThStdDevEst, E: Stratified", &kGroupCountStep,
         &Op<&CTervoDoc::StratifiedMeanSd>),
    Leaf(32855, "Stratified > " MEAN " > " SS, M::Stratified, T::MeanTotal, O::SampleSize, E::Stratified,
         "M: Stratified, T: Mean/total, O: SampleSize, E: Stratified", &kMeanAccuracyStep,
         &Op<&CTervoDoc::StratifiedMeanSampleSize>),
    Leaf(32856, "Stratified > " MEAN " > Optimal allocation", M::Stratified, T::MeanTotal, O::OptimalAllocation,
         E::Stratified, "M: Stratified, T: Mean/total, O: OptAllocation, E: Stratified", &kGroupCountStep,
         &Op<&CTervoDoc::StratifiedMeanOptimalAllocation>),
    Leaf(32857, "Stratified > " MEAN " > Min. cost allocation", M::Stratified, T::MeanTotal, O::MinCostAllocation,
         E::Stratified, "M: Stratified, T: Mean/total, O: MinCostAllocation, E: Stratified", &kBudgetStep,
         &Op<&CTervoDoc::StratifiedMeanMinCostAllocation>),
    Leaf(32952, "Stratified > " MEAN " > " GIVEN, M::Stratified, T::MeanTotal, O::GivenAllocation, E::Stratified,
         "M: Stratified, T: Mean/total, O: AllocationOfN, E: Stratified", &extras::kGivenAllocationStep,
         &extras::StratifiedMeanGivenAllocation),
    Leaf(32845, "Stratified > " PROP " > " PT, M::Stratified, T::ProportionNumber, O::Point, E::Stratified,
         "M: Stratified, T: Proportion/number, O: Point, E: Stratified", &kGroupCountStep,
         &Op<&CTervoDoc::StratifiedProportionPoint>),
    Leaf(32846, "Stratified > " PROP " > " IV, M::Stratified, T::ProportionNumber, O::Interval, E::Stratified,
         "M: Stratified, T: Proportion/number, O: IntervalEst, E: Stratified", &kGroupCountLevelStep,
         &Op<&CTervoDoc::StratifiedProportionInterval>),
    Leaf(32847, "Stratified > " PROP " > " TH, M::Stratified, T::ProportionNumber, O::ThStdDev, E::Stratified,
         "M: Stratified, T: Proportion/number, O: ThStdDevEst, E: Stratified", &kGroupCountStep,
         &Op<&CTervoDoc::StratifiedProportionSd>),
    Leaf(32848, "Stratified > " PROP " > " SS, M::Stratified, T::ProportionNumber, O::SampleSize, E::Stratified,
         "M: Stratified, T: Proportion/number, O:SampleSize, E: Stratified", &kPropAccuracyStep,
         &Op<&CTervoDoc::StratifiedProportionSampleSize>),
    Leaf(32849, "Stratified > " PROP " > Optimal allocation", M::Stratified, T::ProportionNumber, O::OptimalAllocation,
         E::Stratified, "M: Stratified, T: Proportion/number, O: OptAllocation, E: Stratified", &kGroupCountStep,
         &Op<&CTervoDoc::StratifiedProportionOptimalAllocation>),
    Leaf(32850, "Stratified > " PROP " > Min. cost allocation", M::Stratified, T::ProportionNumber,
         O::MinCostAllocation, E::Stratified,
         "M: Stratified, T: Proportion/number, O: MinCostAllocation, E: Stratified", &kBudgetStep,
         &Op<&CTervoDoc::StratifiedProportionMinCostAllocation>),
    Leaf(32953, "Stratified > " PROP " > " GIVEN, M::Stratified, T::ProportionNumber, O::GivenAllocation, E::Stratified,
         "M: Stratified, T: Proportion/number, O: AllocationOfN, E: Stratified", &extras::kGivenAllocationStep,
         &extras::StratifiedProportionGivenAllocation),
    Leaf(32863, "Cluster > " MEAN " > " PT, M::Cluster, T::MeanTotal, O::Point, E::TwoStage,
         "M: Cluster, T: Mean/total, O: Point, E: Two-stage", &kClusterSizesStep, &Op<&CTervoDoc::ClusterMeanPoint>),
    Leaf(32864, "Cluster > " MEAN " > " IV, M::Cluster, T::MeanTotal, O::Interval, E::TwoStage,
         "M: Cluster, T: Mean/total, O: IntervalEst, E: Two-stage", &kClusterSizesLevelStep,
         &Op<&CTervoDoc::ClusterMeanInterval>),
    Leaf(32865, "Cluster > " MEAN " > " TH, M::Cluster, T::MeanTotal, O::ThStdDev, E::TwoStage,
         "M: Cluster, T: Mean/total, O: ThStdDevEst, E: Two-stage", &kClusterSizesStep, &Op<&CTervoDoc::ClusterMeanSd>),
    Leaf(32867, "Cluster > " PROP " > " PT, M::Cluster, T::ProportionNumber, O::Point, E::TwoStage,
         "M: Cluster, T: Proportion/number, O: Point, E: Two-stage", &kClusterSizesStep,
         &Op<&CTervoDoc::ClusterProportionPoint>),
    Leaf(32868, "Cluster > " PROP " > " IV, M::Cluster, T::ProportionNumber, O::Interval, E::TwoStage,
         "M: Cluster, T: Proportion/number, O: IntervalEst, E: Two-stage", &kClusterSizesLevelStep,
         &Op<&CTervoDoc::ClusterProportionInterval>),
    Leaf(32869, "Cluster > " PROP " > " TH, M::Cluster, T::ProportionNumber, O::ThStdDev, E::TwoStage,
         "M: Cluster, T: Proportion/number, O: ThStdDevEst, E: Two-stage", &kClusterSizesStep,
         &Op<&CTervoDoc::ClusterProportionSd>),
    Leaf(32877, "Two-stage > " MEAN " > " PT, M::TwoStage, T::MeanTotal, O::Point, E::TwoStage,
         "M: Two-stage, T: Mean/total, O: Point, E: Two-stage", &kClusterSizesStep, &Op<&CTervoDoc::ClusterMeanPoint>),
    Leaf(32921, "Two-stage > " MEAN " > " IV, M::TwoStage, T::MeanTotal, O::Interval, E::TwoStage,
         "M: Two-stage, T: Mean/total, O: IntervalEst, E: Two-stage", &kClusterSizesLevelStep,
         &Op<&CTervoDoc::ClusterMeanInterval>),
    Leaf(32920, "Two-stage > " MEAN " > " TH, M::TwoStage, T::MeanTotal, O::ThStdDev, E::TwoStage,
         "M: Two-stage, T: Mean/total, O: ThStdDevEst, E: Two-stage", &kClusterSizesStep,
         &Op<&CTervoDoc::ClusterMeanSd>),
    Leaf(32927, "Two-stage > " PROP " > " PT, M::TwoStage, T::ProportionNumber, O::Point, E::TwoStage,
         "M: Two-stage, T: Proportion/number, O: Point, E: Two-stage", &kClusterSizesStep,
         &Op<&CTervoDoc::ClusterProportionPoint>),
    Leaf(32925, "Two-stage > " PROP " > " IV, M::TwoStage, T::ProportionNumber, O::Interval, E::TwoStage,
         "M: Two-stage, T: Proportion/number, O: IntervalEst, E: Two-stage", &kClusterSizesLevelStep,
         &Op<&CTervoDoc::ClusterProportionInterval>),
    Leaf(32926, "Two-stage > " PROP " > " TH, M::TwoStage, T::ProportionNumber, O::ThStdDev, E::TwoStage,
         "M: Two-stage, T: Proportion/number, O: ThStdDevEst, E: Two-stage", &kClusterSizesStep,
         &Op<&CTervoDoc::ClusterProportionSd>),
    Leaf(32896, "Un.Prob.WithRepl. > " MEAN " > " PT, M::WithReplacement, T::MeanTotal, O::Point, E::Hhe,
         "M: UnProbWithRepl, T: Mean/total, O: Point; E: HHE", &kUnequalSizesStep, &Op<&CTervoDoc::HheMeanPoint>),
    Leaf(32928, "Un.Prob.WithRepl. > " MEAN " > " IV, M::WithReplacement, T::MeanTotal, O::Interval, E::Hhe,
         "M: UnProbWithRepl, T: Mean/total, O: IntervalEst,  E: HHE", &kUnequalSizesLevelStep,
         &Op<&CTervoDoc::HheMeanInterval>),
    Leaf(32929, "Un.Prob.WithRepl. > " MEAN " > " TH, M::WithReplacement, T::MeanTotal, O::ThStdDev, E::Hhe,
         "M: UnProbWithRepl, T: Mean/total, O: ThStdDevEst,  E: HHE", &kUnequalSizesMeanStep,
         &Op<&CTervoDoc::HheMeanSd>),
    Leaf(32931, "Un.Prob.WithRepl. > " PROP " > " PT, M::WithReplacement, T::ProportionNumber, O::Point, E::Hhe,
         "M: UnProbWithRepl, T: Proportion/number, O: Point; E: HHE", &kUnequalSizesStep,
         &Op<&CTervoDoc::HheProportionPoint>),
    Leaf(32932, "Un.Prob.WithRepl. > " PROP " > " IV, M::WithReplacement, T::ProportionNumber, O::Interval, E::Hhe,
         "M: UnProbWithRepl, T: Proportion/number, O: IntervalEst; E: HHE", &kUnequalSizesLevelStep,
         &Op<&CTervoDoc::HheProportionInterval>),
    Leaf(32933, "Un.Prob.WithRepl. > " PROP " > " TH, M::WithReplacement, T::ProportionNumber, O::ThStdDev, E::Hhe,
         "M: UnProbWithRepl, T: Proportion/number, O: ThStdDevEst, E: HHE", &kUnequalSizesMeanStep,
         &Op<&CTervoDoc::HheProportionSd>),
    Leaf(32892, "Un.Prob.WithoutRepl. > " MEAN " > " PT, M::WithoutReplacement, T::MeanTotal, O::Point, E::Hte,
         "M: UnPrWithoutRepl, T: Mean/total, O: Point, E: HTE", &kUnequalSizesStep, &Op<&CTervoDoc::HteMeanPoint>),
    Leaf(32934, "Un.Prob.WithoutRepl. > " MEAN " > " IV, M::WithoutReplacement, T::MeanTotal, O::Interval, E::Hte,
         "M: UnPrWithoutRepl, T: Mean/total, O: IntervalEst, E: HTE", &kUnequalSizesLevelStep,
         &Op<&CTervoDoc::HteMeanInterval>),
    Leaf(32935, "Un.Prob.WithoutRepl. > " MEAN " > " TH, M::WithoutReplacement, T::MeanTotal, O::ThStdDev, E::Hte,
         "M: UnPrWithoutRepl, T: Mean/total, O: ThStdDevEst, E: HTE", &kPopSizeStep, &Op<&CTervoDoc::HteMeanSd>),
    Leaf(32954, "Un.Prob.WithoutRepl. > " MEAN " > " JOINT, M::WithoutReplacement, T::MeanTotal, O::JointInterval,
         E::Hte, "M: UnPrWithoutRepl, T: Mean/total, O: IntervalEstJoint, E: HTE", &kUnequalSizesLevelStep,
         &extras::HteMeanJointInterval),
    Leaf(32937, "Un.Prob.WithoutRepl. > " PROP " > " PT, M::WithoutReplacement, T::ProportionNumber, O::Point, E::Hte,
         "M: UnPrWithoutRepl, T: Proportion/number, O: IntervalEst, E: HTE", &kUnequalSizesStep,
         &Op<&CTervoDoc::HteProportionPoint>),
    Leaf(32938, "Un.Prob.WithoutRepl. > " PROP " > " IV, M::WithoutReplacement, T::ProportionNumber, O::Interval,
         E::Hte, "M: UnPrWithoutRepl, T: Proportion/number, O: IntervalEst, E: HTE", &kUnequalSizesLevelStep,
         &Op<&CTervoDoc::HteProportionInterval>),
    Leaf(32939, "Un.Prob.WithoutRepl. > " PROP " > Th. std.dev. of estimator", M::WithoutReplacement,
         T::ProportionNumber, O::ThStdDev, E::Hte, "M: UnPrWithoutRepl, T: Proportion/number, O: ThStdDevEst, E: HTE",
         &kPopSizeStep, &Op<&CTervoDoc::HteProportionSd>),
    Leaf(32955, "Un.Prob.WithoutRepl. > " PROP " > " JOINT, M::WithoutReplacement, T::ProportionNumber,
         O::JointInterval, E::Hte, "M: UnPrWithoutRepl, T: Proportion/number, O: IntervalEstJoint, E: HTE",
         &kUnequalSizesLevelStep, &extras::HteProportionJointInterval),
    {kPredictionCommand, kPredictionMenu, Approach::Prediction, M{}, T{}, O{}, E{}, "Prediction approach", nullptr,
     &Op<&CTervoDoc::PredictionDispatch>, CommandHelp{.approach = &kPredictionTopic}},
};

#define TARGET_PROMPT "Target population characteristic"
#define OBJECTIVE_PROMPT "Objective of calculations"
#define ESTIMATOR_PROMPT "Available estimators"

constexpr LabelItem kLabels[] = {
    {32940, "Method:", "", ""},
    {32802, "Target:", "Simple", TARGET_PROMPT},
    {32843, "Target:", "Stratified", TARGET_PROMPT},
    {32858, "Target:", "Cluster", TARGET_PROMPT},
    {32870, "Target:", "Two-stage", TARGET_PROMPT},
    {32880, "Target:", "Un.Prob.WithRepl.", TARGET_PROMPT},
    {32885, "Target:", "Un.Prob.WithoutRepl.", TARGET_PROMPT},
    {32803, "Objective:", "Simple > " MEAN, OBJECTIVE_PROMPT},
    {32809, "Objective:", "Simple > " PROP, OBJECTIVE_PROMPT},
    {32838, "Objective:", "Simple > " RATIO, OBJECTIVE_PROMPT},
    {32851, "Objective:", "Stratified > " MEAN, OBJECTIVE_PROMPT},
    {32844, "Objective:", "Stratified > " PROP, OBJECTIVE_PROMPT},
    {32862, "Objective:", "Cluster > " MEAN, OBJECTIVE_PROMPT},
    {32866, "Objective:", "Cluster > " PROP, OBJECTIVE_PROMPT},
    {32872, "Objective:", "Two-stage > " MEAN, OBJECTIVE_PROMPT},
    {32876, "Objective:", "Two-stage > " PROP, OBJECTIVE_PROMPT},
    {32895, "Objective:", "Un.Prob.WithRepl. > " MEAN, OBJECTIVE_PROMPT},
    {32881, "Objective:", "Un.Prob.WithRepl. > " PROP, OBJECTIVE_PROMPT},
    {32891, "Objective:", "Un.Prob.WithoutRepl. > " MEAN, OBJECTIVE_PROMPT},
    {32887, "Objective:", "Un.Prob.WithoutRepl. > " PROP, OBJECTIVE_PROMPT},
    {32807, "Estimator:", "Simple > " MEAN " > " PT, ESTIMATOR_PROMPT},
    {32813, "Estimator:", "Simple > " MEAN " > " IV, ESTIMATOR_PROMPT},
    {32817, "Estimator:", "Simple > " MEAN " > " TH, ESTIMATOR_PROMPT},
    {32821, "Estimator:", "Simple > " MEAN " > " SS, ESTIMATOR_PROMPT},
    {32825, "Estimator:", "Simple > " PROP " > " PT, ESTIMATOR_PROMPT},
    {32829, "Estimator:", "Simple > " PROP " > " IV, ESTIMATOR_PROMPT},
    {32830, "Estimator:", "Simple > " PROP " > " TH, ESTIMATOR_PROMPT},
    {32834, "Estimator:", "Simple > " PROP " > " SS, ESTIMATOR_PROMPT},
};

constexpr PredictionRoute kPredictionRoutes[] = {
    {false, O::Point, &kPredictionPointStep, &Op<&CTervoDoc::PredictPoint>},
    {false, O::Interval, &kPredictionIntervalStep, &Op<&CTervoDoc::PredictInterval>},
    {false, O::ThStdDev, &kPredictionVarianceStep, &Op<&CTervoDoc::PredictErrorVariance>},
    {true, O::Point, &kPredictionModelEStep, &Op<&CTervoDoc::PredictModelE>},
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Segments(std::string_view path) {
  std::vector<std::string_view> out;
  for (;;) {
    std::size_t gt = path.find('>');
    out.push_back(Trim(path.substr(0, gt)));
    if (gt == std::string_view::npos) return out;
    path.remove_prefix(gt + 1);
  }
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool SamePath(std::string_view a, std::string_view b) {
  auto sa = Segments(a), sb = Segments(b);
  return std::equal(sa.begin(), sa.end(), sb.begin(), sb.end(), SameText);
}

bool IsRandomization(const Command& c) { return c.approach == Approach::Randomization; }

}  // namespace

std::span<const Command> Commands() { return kCommands; }
std::span<const LabelItem> LabelItems() { return kLabels; }
std::span<const PredictionRoute> PredictionRoutes() { return kPredictionRoutes; }

const Command* FindCommand(int id) {
  for (const Command& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

int FindCommandId(std::string_view path) {
  for (const Command& c : kCommands)
    if (SamePath(path, c.path)) return c.id;
  return 0;
}

Route FindRoute(Method method, Target target, Objective objective, Estimator estimator) {
  const bool byEstimator = method == Method::Simple;
  for (const Command& c : kCommands) {
    if (IsRandomization(c) && c.method == method && c.target == target && c.objective == objective &&
        (!byEstimator || c.estimator == estimator))
      return {&c, c.step};
  }
  if (byEstimator) return {nullptr, nullptr};
  // No routine for the target: the form the objective shows for every target, if they agree.
  const PreliminaryStep* shared = nullptr;
  bool found = false;
  for (const Command& c : kCommands) {
    if (!IsRandomization(c) || c.method != method || c.objective != objective) continue;
    if (found && c.step != shared) return {nullptr, nullptr};
    shared = c.step;
    found = true;
  }
  return {nullptr, shared};
}

const PredictionRoute* FindPredictionRoute(PredictionModel model, Objective objective) {
  const bool modelE = !(model >= PredictionModel::A && model <= PredictionModel::D);
  for (const PredictionRoute& r : kPredictionRoutes)
    if (r.modelE == modelE && r.objective == objective) return &r;
  return nullptr;
}

bool RunPreliminaryStep(CTervoDoc& doc, const PreliminaryStep& step, FormContext context) {
  bool accepted;
  {
    Form form(*step.form, context);
    if (!doc.Host().ShowForm(form)) return false;
    ReadItems<CTervoDoc>(form, doc, step.items);
    accepted = step.accept(doc);
  }
  if (!accepted) doc.Host().Message(kIllegalEntry);
  return accepted;
}

}  // namespace mirto
