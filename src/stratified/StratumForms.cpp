// The per-group forms of stratified sampling and, for each routine, what its
// form fills and how its block is headed and tabulated.
#include "data/Figures.h"
#include "framework/PreliminaryForms.h"
#include "stratified/Stratified.h"

namespace mirto {
namespace {

constexpr std::string_view kEnterGroup = "Enter the following data for group (stratum) no.:";
constexpr std::string_view kNextGroup = "Press OK for the next group or Cancel to abort.";

// Values outside the domain of the formulas: taken, and pointed out before OK.
constexpr std::string_view kElements = "Number of elements, N_i:";
constexpr std::string_view kNoGroup =
    "N_i is 0 or less: no group is that small, and the figures computed from it mean nothing";
constexpr std::string_view kGroupOfOne =
    "N_i is 1 or less: the group's variance divides by N_i - 1, which gives inf, nan or a negative term";
constexpr std::string_view kSampleAboveGroup =
    "n_i is larger than N_i: the group's finite population correction (N_i - n_i) is negative, and so is its term "
    "of the variance (the standard deviation may show as nan)";
constexpr std::string_view kSampleOfOne =
    "n_i is 1 or less: the group's variance divides by n_i - 1, which gives inf or a negative term";
constexpr std::string_view kNoSample =
    "n_i is 0 or less: the group's variance divides by n_i, which gives inf or a "
    "negative term";
constexpr std::string_view kNegativeSd =
    "A standard deviation is not negative: the formula squares it, so the figures are those of its absolute value";
constexpr std::string_view kNegativeSdAllocation =
    "A standard deviation is not negative: the allocation is proportional to N_i sigma_i, so this group's share "
    "comes out negative";
constexpr std::string_view kProportionOutside =
    "The proportion is outside 0 to 1: p(1 - p) is negative for it, and the figures computed from it mean nothing";
constexpr std::string_view kPointProportionOutside =
    "P_i is outside 0 to 1, where every proportion lies: the estimates take it all the same";
constexpr std::string_view kNoShare =
    "v_i is 0 or less: the sample size divides by it, so it shows as inf or a meaningless figure";
constexpr std::string_view kNoCost =
    "c_i is 0 or less: the allocation divides by its square root, so the report shows inf or nan";

// N_i: 1 or more where a group's variance divides by N_i - 1. n_i: at most
// N_i, and above 1 (above 0) where the variance divides by n_i - 1 (by n_i).
Control Elements(bool ofMany = false) {
  Control c = Digits(kElements, 15).Above(0, kNoGroup);
  return ofMany ? c.Above(1, kGroupOfOne) : c;
}
Control Sampled(int maxLength, bool sampleVariance) {
  return Digits("Number of sampled elements, n_i:", maxLength)
      .AtMostField(kElements, kSampleAboveGroup)
      .Above(sampleVariance ? 1 : 0, sampleVariance ? kSampleOfOne : kNoSample);
}
Control Proportion(std::string_view label, int maxLength, std::string_view advice = kProportionOutside) {
  return Field(label, maxLength).AtLeast(0, advice).AtMost(1, advice);
}
Control Sd(std::string_view label) { return Field(label, 15).AtLeast(0, kNegativeSd); }
Control SigmaGuess(std::string_view advice = kNegativeSd) {
  return Field("Guesstimate of std. deviation of variable, sigma_i:", 15).AtLeast(0, advice);
}
Control PiGuess() { return Proportion("Guesstimate of proportion in category, pi_i:", 15); }
Control Share() { return Field("Proportion of sample allocated to group, v_i:", 15).Above(0, kNoShare); }
Control Cost() { return Field("Cost of sampling one element, c_i:", 15).Above(0, kNoCost); }

// The frame every per-group form shares, then its data fields.
FormTemplate GroupForm(int id, std::string_view title, int numberLength, std::vector<Control> data) {
  std::vector<Control> controls{Static(kEnterGroup), RowNumber("", numberLength), Static(kNextGroup)};
  controls.insert(controls.end(), data.begin(), data.end());
  return FormTemplate{id, title, std::move(controls)};
}

const FormTemplate kMeanPointForm = GroupForm(157, "Stratified sampling, point estimates, mean and total", 10,
                                              {Elements(), Field("Sample mean of variable, barY_i:", 15)});
const FormTemplate kProportionPointForm =
    GroupForm(158, "Stratified sampling, point estimates, proportion and number", 5,
              {Elements(), Proportion("Sample proportion in category, P_i:", 10, kPointProportionOutside)});
const FormTemplate kMeanIntervalForm =
    GroupForm(160, "Stratified sampling, confidence intervals, mean and total", 5,
              {Elements(), Sampled(10, true), Field("Sample mean of variable, barY_i:", 15),
               Sd("Sample std. deviation of variable, S_i:")});
const FormTemplate kProportionIntervalForm =
    GroupForm(161, "Stratified sampling, confidence intervals, proportion and number", 5,
              {Elements(), Sampled(15, true), Proportion("Sample proportion in category, P_i:", 15)});
const FormTemplate kMeanSdForm = GroupForm(162, "Stratified sampling, sd. deviation of estimators of  mean and total",
                                           5, {Elements(true), Sampled(15, false), SigmaGuess()});
const FormTemplate kProportionSdForm = GroupForm(
    163, "Stratified sampling, std. deviation of estimator, proportion and number", 5,
    {Elements(true), Sampled(10, false), Proportion("Guesstimate of population proportion in category, pi_i:", 10)});
const FormTemplate kMeanSizeForm = GroupForm(165, "Stratified sampling, sample size, mean or total of variable", 15,
                                             {Elements(), Share(), SigmaGuess()});
const FormTemplate kProportionSizeForm =
    GroupForm(166, "Stratified sampling, sample size, proportion or number", 5, {Elements(), Share(), PiGuess()});
const FormTemplate kMeanOptimalForm = GroupForm(168, "Stratified sampling, mean and total, optimal allocation", 5,
                                                {Elements(), SigmaGuess(kNegativeSdAllocation)});
const FormTemplate kProportionOptimalForm =
    GroupForm(169, "Stratified sampling, proportion and number, optimal allocation", 5, {Elements(), PiGuess()});
const FormTemplate kMeanCostForm = GroupForm(171, "Stratified sampling, mean and total, min. cost allocation", 5,
                                             {Elements(), SigmaGuess(kNegativeSdAllocation), Cost()});
const FormTemplate kProportionCostForm = GroupForm(
    172, "Stratified sampling, proportion and total, min. cost allocation", 5, {Elements(), PiGuess(), Cost()});

}  // namespace

namespace stratified {
namespace {

constexpr const char* kMeanTarget = "Target: Mean and total of variable";
constexpr const char* kPropTarget = "Target: Proportion and number in category";
constexpr const char* kPointObjective = "Objective: Point estimates";
constexpr const char* kIntervalObjective = "Objective: Confidence intervals";
constexpr const char* kSdObjective = "Objective: Theoretical standard deviation of estimator";
constexpr const char* kSizeObjective = "Objective: Sample size calculation";
constexpr const char* kOptimalObjective = "Objective: Optimal percentage allocation";
constexpr const char* kCostObjective = "Objective: Minimum cost allocation";

constexpr Column kSize{Q::N, Cell::Size}, kWeight{Q::w, Cell::Share}, kSampled{Q::n, Cell::Size},
    kAllocation{Q::A, Cell::Share};

}  // namespace

const StrataLayout kMeanPoint{
    .form = &kMeanPointForm,
    .fields = {Q::N, Q::BarY},
    .target = kMeanTarget,
    .objective = kPointObjective,
    .header = " Group no.       N_i       w_i     barY_i",
    .columns = {kSize, kWeight, {Q::BarY, Cell::Value}},
};
const StrataLayout kProportionPoint{
    .form = &kProportionPointForm,
    .fields = {Q::N, Q::P},
    .target = kPropTarget,
    .objective = kPointObjective,
    .header = " Group no.       N_i       w_i        P_i",
    .columns = {kSize, kWeight, {Q::P, Cell::Value}},
    .proportion = true,
};
const StrataLayout kMeanInterval{
    .form = &kMeanIntervalForm,
    .fields = {Q::N, Q::n, Q::BarY, Q::S},
    .target = kMeanTarget,
    .objective = kIntervalObjective,
    .header = " Group no.       N_i       w_i      n_i     barY_i      S_i",
    .columns = {kSize, kWeight, kSampled, {Q::BarY, Cell::Value}, {Q::S, Cell::Value}},
    .spread = Q::S,
};
const StrataLayout kProportionInterval{
    .form = &kProportionIntervalForm,
    .fields = {Q::N, Q::n, Q::P},
    .target = "Target: Proportion and number in a category",
    .objective = kIntervalObjective,
    .header = " Group no.       N_i       w_i      n_i        P_i",
    .columns = {kSize, kWeight, kSampled, {Q::P, Cell::Value}},
    .spread = Q::P,
    .proportion = true,
};
const StrataLayout kMeanSd{
    .form = &kMeanSdForm,
    .fields = {Q::N, Q::n, Q::Sigma},
    .target = kMeanTarget,
    .objective = kSdObjective,
    .header = " Group no.       N_i         w_i        n_i    sigma_i",
    .columns = {kSize, kWeight, kSampled, {Q::Sigma, Cell::Value}},
};
const StrataLayout kProportionSd{
    .form = &kProportionSdForm,
    .fields = {Q::N, Q::n, Q::Pi},
    .target = kPropTarget,
    .objective = kSdObjective,
    .header = " Group no.       N_i         w_i        n_i       pi_i",
    .columns = {kSize, kWeight, kSampled, {Q::Pi, Cell::Value}},
    .spread = Q::Pi,
    .proportion = true,
};
const StrataLayout kMeanSize{
    .form = &kMeanSizeForm,
    .fields = {Q::N, Q::V, Q::Sigma},
    .target = "Target: Mean of variable",
    .totalTarget = "Target: Total of variable",
    .objective = kSizeObjective,
    .header = " Group no.       N_i       w_i      v_i    sigma_i",
    .columns = {kSize, kWeight, {Q::V, Cell::Share}, {Q::Sigma, Cell::Value}},
};
const StrataLayout kProportionSize{
    .form = &kProportionSizeForm,
    .fields = {Q::N, Q::V, Q::Pi},
    .target = "Target: Proportion in category",
    .totalTarget = "Target: Number in category",
    .objective = kSizeObjective,
    .header = " Group no.       N_i       w_i      v_i       pi_i",
    .columns = {kSize, kWeight, {Q::V, Cell::Share}, {Q::Pi, Cell::Value}},
    .spread = Q::Pi,
    .proportion = true,
};
const StrataLayout kMeanOptimal{
    .form = &kMeanOptimalForm,
    .fields = {Q::N, Q::Sigma},
    .target = kMeanTarget,
    .objective = kOptimalObjective,
    .header = " Group no.        N_i        w_i    sigma_i Opt. alloc.",
    .columns = {kSize, kWeight, {Q::Sigma, Cell::Share}, kAllocation},
};
const StrataLayout kProportionOptimal{
    .form = &kProportionOptimalForm,
    .fields = {Q::N, Q::Pi},
    .target = kPropTarget,
    .objective = kOptimalObjective,
    .header = " Group no.        N_i        w_i       pi_i Opt. alloc.",
    .columns = {kSize, kWeight, {Q::Pi, Cell::Share}, kAllocation},
    .spread = Q::Pi,
    .proportion = true,
};
const StrataLayout kMeanCost{
    .form = &kMeanCostForm,
    .fields = {Q::N, Q::Sigma, Q::C},
    .target = kMeanTarget,
    .objective = kCostObjective,
    .header = " Group no.        N_i        w_i    sigma_i        c_i Min. cost alloc.",
    .columns = {kSize, kWeight, {Q::Sigma, Cell::Share}, {Q::C, Cell::Share}, kAllocation},
};
const StrataLayout kProportionCost{
    .form = &kProportionCostForm,
    .fields = {Q::N, Q::Pi, Q::C},
    .target = kPropTarget,
    .objective = kCostObjective,
    .header = " Group no.        N_i        w_i       pi_i        c_i Min. cost alloc.",
    .columns = {kSize, kWeight, {Q::Pi, Cell::Share}, {Q::C, Cell::Share}, kAllocation},
    .spread = Q::Pi,
    .proportion = true,
};

}  // namespace stratified
}  // namespace mirto

// ---- The commands ---------------------------------------------------------------------

namespace mirto::stratified {
namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

// Data mode: K is the number of strata in the data, N_i comes from the
// population file, and n_i, barY_i (or P_i) and S_i from each stratum's
// units. The interval divides S_i^2 by n_i - 1 itself, so S_i is the
// deviation with divisor n_i.
using S = data::FieldSource;
const data::ScanPlan kY{.numeric = {data::Role::Y}, .by = data::Role::Stratum, .zeroOne = false};
const data::ScanPlan kZeroOne{.numeric = {data::Role::Y}, .by = data::Role::Stratum, .zeroOne = true};
const data::CommandFigures kMeanPointFigures{
    kY,
    {{&kGroupCountForm, false, {{"Enter the number of groups (strata):", S::Groups}}},
     {&kMeanPointForm,
      true,
      {{"Number of elements, N_i:", S::GroupSize}, {"Sample mean of variable, barY_i:", S::MeanY}}}}};
const data::CommandFigures kProportionPointFigures{
    kZeroOne,
    {{&kGroupCountForm, false, {{"Enter the number of groups (strata):", S::Groups}}},
     {&kProportionPointForm,
      true,
      {{"Number of elements, N_i:", S::GroupSize}, {"Sample proportion in category, P_i:", S::MeanY}}}}};
const data::CommandFigures kMeanIntervalFigures{
    kY,
    {{&kGroupCountLevelForm, false, {{"Enter the number of groups (strata):", S::Groups}}},
     {&kMeanIntervalForm,
      true,
      {{"Number of elements, N_i:", S::GroupSize},
       {"Number of sampled elements, n_i:", S::Count},
       {"Sample mean of variable, barY_i:", S::MeanY},
       {"Sample std. deviation of variable, S_i:", S::SdYByN}}}}};
const data::CommandFigures kProportionIntervalFigures{
    kZeroOne,
    {{&kGroupCountLevelForm, false, {{"Enter the number of groups (strata):", S::Groups}}},
     {&kProportionIntervalForm,
      true,
      {{"Number of elements, N_i:", S::GroupSize},
       {"Number of sampled elements, n_i:", S::Count},
       {"Sample proportion in category, P_i:", S::MeanY}}}}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"Point estimates, mean and total",
       {&kMeanPointForm},
       "For each group: **Number of elements, N_i:** its size and **Sample mean of variable, barY_i:** the "
       "mean of its sampled values. The estimate of the mean is the sum of w_i · barY_i."},
      {"Point estimates, proportion and number",
       {&kProportionPointForm},
       "**Number of elements, N_i:** and **Sample proportion in category, P_i:** (a fraction)."},
      {"Interval estimates, mean and total",
       {&kMeanIntervalForm},
       "**Number of elements, N_i:**, **Number of sampled elements, n_i:**, **Sample mean of variable, "
       "barY_i:** and **Sample std. deviation of variable, S_i:** with divisor n_i: as in simple random "
       "sampling, Mirto divides S_i² by n_i − 1 itself; the variance is the sum of w_i² · S_i² · (N_i − n_i) "
       "/ (N_i · (n_i − 1))."},
      {"Interval estimates, proportion and number",
       {&kProportionIntervalForm},
       "**Number of elements, N_i:**, **Number of sampled elements, n_i:** and **Sample proportion in "
       "category, P_i:**; the variance is the sum of w_i² · P_i(1 − P_i) · (N_i − n_i) / (N_i · (n_i − 1))."},
      {"Theoretical standard deviation, mean and total",
       {&kMeanSdForm},
       "**Number of elements, N_i:**, **Number of sampled elements, n_i:** (planned) and **Guesstimate of std. "
       "deviation of variable, sigma_i:** a guess of the group's standard deviation with divisor N_i; the "
       "variance is the sum of w_i² · sigma_i² · (N_i − n_i) / (n_i · (N_i − 1))."},
      {"Theoretical standard deviation, proportion and number",
       {&kProportionSdForm},
       "**Number of elements, N_i:**, **Number of sampled elements, n_i:** and **Guesstimate of population "
       "proportion in category, pi_i:**."},
      {"Sample size, mean or total",
       {&kMeanSizeForm},
       "**Number of elements, N_i:**; **Proportion of sample allocated to group, v_i:** the share of the "
       "sample the group gets (the shares should add up to 1; N_i / N gives proportional allocation); "
       "**Guesstimate of std. deviation of variable, sigma_i:** here the group's S_i with divisor N_i − 1. "
       "The size is the sum of N_i² · sigma_i² / v_i divided by N² · e² plus the sum of N_i · sigma_i², e "
       "being the margin (divided by N for the total) over z.",
       "Two groups (N_i, sigma_i, v_i) = (600, 10, 0.5) and (400, 20, 0.5), margin 1 and probability 0.95: the sum of "
       "N_i² · sigma_i² / v_i is 200000000, the sum of N_i · sigma_i² is 220000, and the size is 200000000 / (1000² · "
       "(1 / 1.96)² + 220000) = 416.4, printed 416."},
      {"Sample size, proportion or number",
       {&kProportionSizeForm},
       "**Number of elements, N_i:**, **Proportion of sample allocated to group, v_i:** and **Guesstimate of "
       "proportion in category, pi_i:** (its variance pi_i(1 − pi_i) takes the place of sigma_i²)."},
      {"Optimal allocation",
       {&kMeanOptimalForm, &kProportionOptimalForm},
       "**Number of elements, N_i:** and, for a mean, **Guesstimate of std. deviation of variable, sigma_i:** "
       "(for a proportion **Guesstimate of proportion in category, pi_i:**, with sigma_i = sqrt(pi_i(1 − "
       "pi_i))). Each group gets the share N_i · sigma_i / (sum of N_j · sigma_j) of the sample, printed as a "
       "fraction.",
       "Groups (N_i, sigma_i) = (600, 10) and (400, 20): N_i · sigma_i is 6000 and 8000, so the shares are 0.4286 and "
       "0.5714."},
      {"Minimum-cost allocation",
       {&kMeanCostForm, &kProportionCostForm},
       "**Number of elements, N_i:**, **Guesstimate of std. deviation of variable, sigma_i:** (or "
       "**Guesstimate of proportion in category, pi_i:**) and **Cost of sampling one element, c_i:**. The "
       "sample size the budget affords is (C − c_0) times the sum of N_i · sigma_i / sqrt(c_i) over the sum "
       "of N_i · sigma_i · sqrt(c_i); each group's share is proportional to N_i · sigma_i / sqrt(c_i).",
       "The same groups with c_i = 1 and 4, C 1000 and c_0 100: N_i · sigma_i / sqrt(c_i) is 6000 and 4000, the shares "
       "0.6000 and 0.4000, and the size 900 · 10000 / (6000 + 16000) = 409."},
  };
}

constexpr Command kCommands[] = {
    Leaf("stratified.mean.point", 32852, "Stratified > Mean/total of variable > Point estimates",
         {M::Stratified, T::MeanTotal, O::Point, E::Stratified}, "M: Stratified, T:Mean/total, O: Point, E: Stratified",
         &kGroupCountStep, &StratifiedMeanPoint, {&kMeanPointForm}, &kMeanPointFigures),
    Leaf("stratified.mean.interval", 32853, "Stratified > Mean/total of variable > Interval estimates",
         {M::Stratified, T::MeanTotal, O::Interval, E::Stratified},
         "M: Stratified, T: Mean/total, O: IntervalEst, E: Stratified", &kGroupCountLevelStep, &StratifiedMeanInterval,
         {&kMeanIntervalForm}, &kMeanIntervalFigures),
    Leaf("stratified.mean.sd", 32854, "Stratified > Mean/total of variable > Th. std. dev. of estimator",
         {M::Stratified, T::MeanTotal, O::ThStdDev, E::Stratified},
         "M: Stratified, T: Mean/total, O: ThStdDevEst, E: Stratified", &kGroupCountStep, &StratifiedMeanSd,
         {&kMeanSdForm}),
    Leaf("stratified.mean.size", 32855, "Stratified > Mean/total of variable > Sample size",
         {M::Stratified, T::MeanTotal, O::SampleSize, E::Stratified},
         "M: Stratified, T: Mean/total, O: SampleSize, E: Stratified", &kMeanAccuracyStep, &StratifiedMeanSampleSize,
         {&kMeanSizeForm}),
    Leaf("stratified.mean.optimal-allocation", 32856, "Stratified > Mean/total of variable > Optimal allocation",
         {M::Stratified, T::MeanTotal, O::OptimalAllocation, E::Stratified},
         "M: Stratified, T: Mean/total, O: OptAllocation, E: Stratified", &kGroupCountStep,
         &StratifiedMeanOptimalAllocation, {&kMeanOptimalForm}),
    Leaf("stratified.mean.min-cost-allocation", 32857, "Stratified > Mean/total of variable > Min. cost allocation",
         {M::Stratified, T::MeanTotal, O::MinCostAllocation, E::Stratified},
         "M: Stratified, T: Mean/total, O: MinCostAllocation, E: Stratified", &kBudgetStep,
         &StratifiedMeanMinCostAllocation, {&kMeanCostForm}),
    Leaf("stratified.proportion.point", 32845, "Stratified > Proportion/number in category > Point estimates",
         {M::Stratified, T::ProportionNumber, O::Point, E::Stratified},
         "M: Stratified, T: Proportion/number, O: Point, E: Stratified", &kGroupCountStep, &StratifiedProportionPoint,
         {&kProportionPointForm}, &kProportionPointFigures),
    Leaf("stratified.proportion.interval", 32846, "Stratified > Proportion/number in category > Interval estimates",
         {M::Stratified, T::ProportionNumber, O::Interval, E::Stratified},
         "M: Stratified, T: Proportion/number, O: IntervalEst, E: Stratified", &kGroupCountLevelStep,
         &StratifiedProportionInterval, {&kProportionIntervalForm}, &kProportionIntervalFigures),
    Leaf("stratified.proportion.sd", 32847, "Stratified > Proportion/number in category > Th. std. dev. of estimator",
         {M::Stratified, T::ProportionNumber, O::ThStdDev, E::Stratified},
         "M: Stratified, T: Proportion/number, O: ThStdDevEst, E: Stratified", &kGroupCountStep,
         &StratifiedProportionSd, {&kProportionSdForm}),
    Leaf("stratified.proportion.size", 32848, "Stratified > Proportion/number in category > Sample size",
         {M::Stratified, T::ProportionNumber, O::SampleSize, E::Stratified},
         "M: Stratified, T: Proportion/number, O:SampleSize, E: Stratified", &kPropAccuracyStep,
         &StratifiedProportionSampleSize, {&kProportionSizeForm}),
    Leaf("stratified.proportion.optimal-allocation", 32849,
         "Stratified > Proportion/number in category > Optimal allocation",
         {M::Stratified, T::ProportionNumber, O::OptimalAllocation, E::Stratified},
         "M: Stratified, T: Proportion/number, O: OptAllocation, E: Stratified", &kGroupCountStep,
         &StratifiedProportionOptimalAllocation, {&kProportionOptimalForm}),
    Leaf("stratified.proportion.min-cost-allocation", 32850,
         "Stratified > Proportion/number in category > Min. cost allocation",
         {M::Stratified, T::ProportionNumber, O::MinCostAllocation, E::Stratified},
         "M: Stratified, T: Proportion/number, O: MinCostAllocation, E: Stratified", &kBudgetStep,
         &StratifiedProportionMinCostAllocation, {&kProportionCostForm}),
};

}  // namespace

FormHelpFamily FamilyHelp() {
  return {"stratified",
          "Stratified sampling",
          {"A first form asks the number of groups and what the whole calculation needs; then one form per group "
           "(stratum) asks its figures, numbered 1 to K. The weights are w_i = N_i / N with N the sum of the group "
           "sizes entered. Cancel on any group form abandons the calculation."},
          {
              {"The first form",
               {&kGroupCountForm, &kGroupCountLevelForm, &kMeanAccuracyForm, &kPropAccuracyForm, &kBudgetForm},
               "**Enter the number of groups (strata):** K (0 is accepted and asks no group). With interval estimates, "
               "**Select confidence level:**. With a sample size, **Special target:** (**Mean** or **Total**, "
               "**Proportion** or **Number**), **Margin:** in the units of that estimate, and **Probability:**. With "
               "the minimum-cost allocation, **Enter the sampling budget, C:** and **Enter the fixed cost of sampling, "
               "c_0:**, the part of the budget that does not depend on the sample size."},
          }};
}

const CommandTable kTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::stratified
