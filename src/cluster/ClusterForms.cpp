// The per-group forms of cluster and two-stage sampling. The n_i field is
// shown only under two-stage sampling; under cluster sampling every element of
// a group is observed.
#include "cluster/Cluster.h"
#include "data/Figures.h"
#include "framework/PreliminaryForms.h"

namespace mirto {
namespace cluster {
namespace {

constexpr std::string_view kEnterGroup = "Enter the following data for group (stratum) no.:";
constexpr std::string_view kNextGroup = "Press OK for the next group or Cancel to abort.";

// Values outside the domain of the formulas: taken, and pointed out before OK.
constexpr std::string_view kElements = "Number of elements, N_i:";
constexpr std::string_view kNoGroup =
    "N_i is 0 or less: no group is that small, and the figures computed from it mean nothing";
constexpr std::string_view kSampleAboveGroup =
    "n_i is larger than N_i: the group's finite population correction (N_i - n_i) is negative, and so is its term "
    "of the variance (the standard deviation may show as nan)";
constexpr std::string_view kSampleOfOne =
    "n_i is 1 or less: the group's variance divides by n_i - 1, which gives inf or a negative term";
constexpr std::string_view kNoSample =
    "n_i is 0 or less: the group's variance divides by n_i, which gives inf or a negative term";
constexpr std::string_view kNegativeSd =
    "A standard deviation is not negative: the formula squares it, so the figures are those of its absolute value";
constexpr std::string_view kPointProportionOutside =
    "P_i is outside 0 to 1, where every proportion lies: the estimates take it all the same";
constexpr std::string_view kProportionOutside =
    "The proportion is outside 0 to 1: p(1 - p) is negative for it, and the figures computed from it mean nothing";

Control Elements() { return Digits(kElements, 15).Above(0, kNoGroup); }
// n_i (two-stage only): at most N_i, and above 1 (above 0) where the group's
// variance divides by n_i - 1 (by n_i).
Control SampledElements(bool sampleVariance) {
  return Digits("Number of sampled elements, n_i:", 15)
      .EnabledBy(EnableRule::TwoStageMethod)
      .AtMostField(kElements, kSampleAboveGroup)
      .Above(sampleVariance ? 1 : 0, sampleVariance ? kSampleOfOne : kNoSample);
}
Control Proportion(std::string_view label, std::string_view advice = kProportionOutside) {
  return Field(label, 15).AtLeast(0, advice).AtMost(1, advice);
}
Control Sd(std::string_view label) { return Field(label, 15).AtLeast(0, kNegativeSd); }

constexpr Item<Group> kN = WholeAsRealItem(&Group::N);
constexpr Item<Group> kSmallN = WholeAsRealItem(&Group::n);
constexpr Item<Group> kValue = RealItem(&Group::value);
constexpr Item<Group> kSpread = RealItem(&Group::spread);

}  // namespace

const GroupForm kMeanPointForm{{{174,
                                 "Cluster & Two-stage sampling, mean and total of variable, point estimates",
                                 {Static(kEnterGroup), RowNumber("", 15), Static(kNextGroup), Elements(),
                                  Field("Sample mean of variable, barY_i:", 15)}},
                                {kN, kValue}},
                               Target::MeanTotal,
                               Objective::Point};

const GroupForm kProportionPointForm{{{175,
                                       "Cluster & Two-stage sampling, proportion and number, point estimates",
                                       {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(),
                                        Proportion("Sample proportion in category, P_i:", kPointProportionOutside)}},
                                      {kN, kValue}},
                                     Target::ProportionNumber,
                                     Objective::Point};

const GroupForm kMeanIntervalForm{
    {{176,
      "Cluster & Two-stage sampling, mean and total, confidence intervals",
      {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(), SampledElements(true),
       Field("Sample mean of variable, barY_i:", 15), Sd("Sample std. deviation of variable, S_i:")}},
     {kN, kSmallN, kValue, kSpread}},
    Target::MeanTotal,
    Objective::Interval};

const GroupForm kProportionIntervalForm{{{178,
                                          "Cluster and Two-stage sampling, proportion and number, confidence intervals",
                                          {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(),
                                           SampledElements(true), Proportion("Sample proportion in category, P_i:")}},
                                         {kN, kSmallN, kValue}},
                                        Target::ProportionNumber,
                                        Objective::Interval};

const GroupForm kMeanSdForm{{{179,
                              "Cluster & Two-stage sampling, mean and total, th. std. deviation",
                              {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(),
                               SampledElements(false), Field("Guesstimate of  mean of variable, mu_i:", 15),
                               Sd("Guesstimate of  std. deviation of variable, sigma_i:")}},
                             {kN, kSmallN, kValue, kSpread}},
                            Target::MeanTotal,
                            Objective::ThStdDev};

const GroupForm kProportionSdForm{
    {{180,
      "Cluster & Two-stage sampling, proportion and number, th. sd. of estimator",
      {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(), SampledElements(false),
       Proportion("Guesstimate of  proportion in category, pi_i:")}},
     {kN, kSmallN, kValue}},
    Target::ProportionNumber,
    Objective::ThStdDev};

// ---- The commands ---------------------------------------------------------------------

namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

// Data mode: m is the number of groups in the data; N and M are typed. N_i
// comes from a `size` variable, else the population file, else (cluster
// sampling, every element observed) the group's count. The two-stage
// within-group term divides S_i^2 by n_i - 1 itself, so S_i is the deviation
// with divisor n_i. Both methods share the figures; the n_i field differs
// only in that the form enables it for two-stage sampling alone.
using S = data::FieldSource;
const data::ScanPlan kY{.numeric = {data::Role::Y}, .by = data::Role::Group, .zeroOne = false, .sizes = true};
const data::ScanPlan kZeroOne{.numeric = {data::Role::Y}, .by = data::Role::Group, .zeroOne = true, .sizes = true};
const data::CommandFigures kMeanPointFigures{
    kY,
    {{&kClusterSizesForm, false, {{"Number of sampled groups, m:", S::Groups}}},
     {&kMeanPointForm.entry.tmpl,
      true,
      {{"Number of elements, N_i:", S::GroupSize}, {"Sample mean of variable, barY_i:", S::MeanY}}}}};
const data::CommandFigures kProportionPointFigures{
    kZeroOne,
    {{&kClusterSizesForm, false, {{"Number of sampled groups, m:", S::Groups}}},
     {&kProportionPointForm.entry.tmpl,
      true,
      {{"Number of elements, N_i:", S::GroupSize}, {"Sample proportion in category, P_i:", S::MeanY}}}}};
const data::CommandFigures kMeanIntervalFigures{
    kY,
    {{&kClusterSizesLevelForm, false, {{"Number of sampled groups, m:", S::Groups}}},
     {&kMeanIntervalForm.entry.tmpl,
      true,
      {{"Number of elements, N_i:", S::GroupSize},
       {"Number of sampled elements, n_i:", S::Count},
       {"Sample mean of variable, barY_i:", S::MeanY},
       {"Sample std. deviation of variable, S_i:", S::SdYByN}}}}};
const data::CommandFigures kProportionIntervalFigures{
    kZeroOne,
    {{&kClusterSizesLevelForm, false, {{"Number of sampled groups, m:", S::Groups}}},
     {&kProportionIntervalForm.entry.tmpl,
      true,
      {{"Number of elements, N_i:", S::GroupSize},
       {"Number of sampled elements, n_i:", S::Count},
       {"Sample proportion in category, P_i:", S::MeanY}}}}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"Point estimates",
       {&kMeanPointForm.entry.tmpl, &kProportionPointForm.entry.tmpl},
       "For each of the m sampled groups: **Number of elements, N_i:** and **Sample mean of variable, "
       "barY_i:** (or **Sample proportion in category, P_i:**), the mean over the elements observed. The "
       "estimate of the mean is (M / m) times the sum of (N_i / N) · barY_i.",
       "Cluster sampling with M 10, m 2 and N 100, groups (N_i, barY_i) = (10, 5) and (20, 8): the shares w_i are "
       "0.1000 and 0.2000, the mean is 10 / 2 · (0.1 · 5 + 0.2 · 8) = 10.500000 and the total 1050.000000."},
      {"Interval estimates",
       {&kMeanIntervalForm.entry.tmpl, &kProportionIntervalForm.entry.tmpl},
       "**Number of elements, N_i:**; **Number of sampled elements, n_i:** (two-stage only); **Sample mean "
       "of variable, barY_i:** and **Sample std. deviation of variable, S_i:** with divisor n_i, as in "
       "stratified sampling (for a proportion, **Sample proportion in category, P_i:**). The variance adds "
       "the spread of the estimated group totals N_i · barY_i between groups and, for two-stage sampling, "
       "the within-group term."},
      {"Theoretical standard deviation",
       {&kMeanSdForm.entry.tmpl, &kProportionSdForm.entry.tmpl},
       "One form for each of the M groups of the population, not only the sampled ones: **Number of "
       "elements, N_i:**, **Number of sampled elements, n_i:** (two-stage, planned), **Guesstimate of  "
       "mean of variable, mu_i:** and **Guesstimate of  std. deviation of variable, sigma_i:** (divisor "
       "N_i), or **Guesstimate of  proportion in category, pi_i:**."},
  };
}

constexpr Command kCommands[] = {
    Leaf("cluster.mean.point", 32863, "Cluster > Mean/total of variable > Point estimates",
         {M::Cluster, T::MeanTotal, O::Point, E::TwoStage}, "M: Cluster, T: Mean/total, O: Point, E: Two-stage",
         &kClusterSizesStep, &ClusterMeanPoint, {&kMeanPointForm.entry.tmpl}, &kMeanPointFigures),
    Leaf("cluster.mean.interval", 32864, "Cluster > Mean/total of variable > Interval estimates",
         {M::Cluster, T::MeanTotal, O::Interval, E::TwoStage},
         "M: Cluster, T: Mean/total, O: IntervalEst, E: Two-stage", &kClusterSizesLevelStep, &ClusterMeanInterval,
         {&kMeanIntervalForm.entry.tmpl}, &kMeanIntervalFigures),
    Leaf("cluster.mean.sd", 32865, "Cluster > Mean/total of variable > Th. std. dev. of estimator",
         {M::Cluster, T::MeanTotal, O::ThStdDev, E::TwoStage},
         "M: Cluster, T: Mean/total, O: ThStdDevEst, E: Two-stage", &kClusterSizesStep, &ClusterMeanSd,
         {&kMeanSdForm.entry.tmpl}),
    Leaf("cluster.proportion.point", 32867, "Cluster > Proportion/number in category > Point estimates",
         {M::Cluster, T::ProportionNumber, O::Point, E::TwoStage},
         "M: Cluster, T: Proportion/number, O: Point, E: Two-stage", &kClusterSizesStep, &ClusterProportionPoint,
         {&kProportionPointForm.entry.tmpl}, &kProportionPointFigures),
    Leaf("cluster.proportion.interval", 32868, "Cluster > Proportion/number in category > Interval estimates",
         {M::Cluster, T::ProportionNumber, O::Interval, E::TwoStage},
         "M: Cluster, T: Proportion/number, O: IntervalEst, E: Two-stage", &kClusterSizesLevelStep,
         &ClusterProportionInterval, {&kProportionIntervalForm.entry.tmpl}, &kProportionIntervalFigures),
    Leaf("cluster.proportion.sd", 32869, "Cluster > Proportion/number in category > Th. std. dev. of estimator",
         {M::Cluster, T::ProportionNumber, O::ThStdDev, E::TwoStage},
         "M: Cluster, T: Proportion/number, O: ThStdDevEst, E: Two-stage", &kClusterSizesStep, &ClusterProportionSd,
         {&kProportionSdForm.entry.tmpl}),
    Leaf("two-stage.mean.point", 32877, "Two-stage > Mean/total of variable > Point estimates",
         {M::TwoStage, T::MeanTotal, O::Point, E::TwoStage}, "M: Two-stage, T: Mean/total, O: Point, E: Two-stage",
         &kClusterSizesStep, &ClusterMeanPoint, {&kMeanPointForm.entry.tmpl}, &kMeanPointFigures),
    Leaf("two-stage.mean.interval", 32921, "Two-stage > Mean/total of variable > Interval estimates",
         {M::TwoStage, T::MeanTotal, O::Interval, E::TwoStage},
         "M: Two-stage, T: Mean/total, O: IntervalEst, E: Two-stage", &kClusterSizesLevelStep, &ClusterMeanInterval,
         {&kMeanIntervalForm.entry.tmpl}, &kMeanIntervalFigures),
    Leaf("two-stage.mean.sd", 32920, "Two-stage > Mean/total of variable > Th. std. dev. of estimator",
         {M::TwoStage, T::MeanTotal, O::ThStdDev, E::TwoStage},
         "M: Two-stage, T: Mean/total, O: ThStdDevEst, E: Two-stage", &kClusterSizesStep, &ClusterMeanSd,
         {&kMeanSdForm.entry.tmpl}),
    Leaf("two-stage.proportion.point", 32927, "Two-stage > Proportion/number in category > Point estimates",
         {M::TwoStage, T::ProportionNumber, O::Point, E::TwoStage},
         "M: Two-stage, T: Proportion/number, O: Point, E: Two-stage", &kClusterSizesStep, &ClusterProportionPoint,
         {&kProportionPointForm.entry.tmpl}, &kProportionPointFigures),
    Leaf("two-stage.proportion.interval", 32925, "Two-stage > Proportion/number in category > Interval estimates",
         {M::TwoStage, T::ProportionNumber, O::Interval, E::TwoStage},
         "M: Two-stage, T: Proportion/number, O: IntervalEst, E: Two-stage", &kClusterSizesLevelStep,
         &ClusterProportionInterval, {&kProportionIntervalForm.entry.tmpl}, &kProportionIntervalFigures),
    Leaf("two-stage.proportion.sd", 32926, "Two-stage > Proportion/number in category > Th. std. dev. of estimator",
         {M::TwoStage, T::ProportionNumber, O::ThStdDev, E::TwoStage},
         "M: Two-stage, T: Proportion/number, O: ThStdDevEst, E: Two-stage", &kClusterSizesStep, &ClusterProportionSd,
         {&kProportionSdForm.entry.tmpl}),
};

}  // namespace

FormHelpFamily FamilyHelp() {
  return {"cluster",
          "Cluster and two-stage sampling",
          {"The population has N elements in M groups; m groups are drawn. In cluster sampling every element of a "
           "drawn group is observed; in two-stage sampling a simple random sample of n_i of its N_i elements. "
           "The group forms have a field for n_i that is greyed for cluster sampling."},
          {
              {"The first form",
               {&kClusterSizesForm, &kClusterSizesLevelForm},
               "**Number of elements in population, N:**, **Number of groups in population, M:** and **Number of "
               "sampled groups, m:** (M and m above 0, m at most M, N above 0); for intervals also **Select "
               "confidence level:**."},
          }};
}

const CommandTable kTable{kCommands, {}, &FormsHelp};

}  // namespace cluster
}  // namespace mirto
