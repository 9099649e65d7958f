// The per-group forms of stratified sampling and, for each routine, what its
// form fills and how its block is headed and tabulated.
#include "framework/FormCatalog.h"
#include "stratified/Stratified.h"

namespace mirto {
namespace {

constexpr std::string_view kEnterGroup = "Enter the following data for group (stratum) no.:";
constexpr std::string_view kNextGroup = "Press OK for the next group or Cancel to abort.";

Control Elements() { return Digits("Number of elements, N_i:", 15); }
Control Sampled(int maxLength) { return Digits("Number of sampled elements, n_i:", maxLength); }
Control SigmaGuess() { return Field("Guesstimate of std. deviation of variable, sigma_i:", 15); }
Control PiGuess() { return Field("Guesstimate of proportion in category, pi_i:", 15); }
Control Share() { return Field("Proportion of sample allocated to group, v_i:", 15); }
Control Cost() { return Field("Cost of sampling one element, c_i:", 15); }

// The frame every per-group form shares, then its data fields.
FormTemplate GroupForm(int id, std::string_view title, int numberLength, std::vector<Control> data) {
  std::vector<Control> controls{Static(kEnterGroup), RowNumber("", numberLength), Static(kNextGroup)};
  controls.insert(controls.end(), data.begin(), data.end());
  return FormTemplate{id, title, std::move(controls)};
}

const FormTemplate kMeanPointForm = GroupForm(157, "Stratified sampling, point estimates, mean and total", 10,
                                              {Elements(), Field("Sample mean of variable, barY_i:", 15)});
const FormTemplate kProportionPointForm = GroupForm(158, "Stratified sampling, point estimates, proportion and number",
                                                    5, {Elements(), Field("Sample proportion in category, P_i:", 10)});
const FormTemplate kMeanIntervalForm =
    GroupForm(160, "Stratified sampling, confidence intervals, mean and total", 5,
              {Elements(), Sampled(10), Field("Sample mean of variable, barY_i:", 15),
               Field("Sample std. deviation of variable, S_i:", 15)});
const FormTemplate kProportionIntervalForm =
    GroupForm(161, "Stratified sampling, confidence intervals, proportion and number", 5,
              {Elements(), Sampled(15), Field("Sample proportion in category, P_i:", 15)});
const FormTemplate kMeanSdForm = GroupForm(162, "Stratified sampling, sd. deviation of estimators of  mean and total",
                                           5, {Elements(), Sampled(15), SigmaGuess()});
const FormTemplate kProportionSdForm =
    GroupForm(163, "Stratified sampling, std. deviation of estimator, proportion and number", 5,
              {Elements(), Sampled(10), Field("Guesstimate of population proportion in category, pi_i:", 10)});
const FormTemplate kMeanSizeForm = GroupForm(165, "Stratified sampling, sample size, mean or total of variable", 15,
                                             {Elements(), Share(), SigmaGuess()});
const FormTemplate kProportionSizeForm =
    GroupForm(166, "Stratified sampling, sample size, proportion or number", 5, {Elements(), Share(), PiGuess()});
const FormTemplate kMeanOptimalForm =
    GroupForm(168, "Stratified sampling, mean and total, optimal allocation", 5, {Elements(), SigmaGuess()});
const FormTemplate kProportionOptimalForm =
    GroupForm(169, "Stratified sampling, proportion and number, optimal allocation", 5, {Elements(), PiGuess()});
const FormTemplate kMeanCostForm =
    GroupForm(171, "Stratified sampling, mean and total, min. cost allocation", 5, {Elements(), SigmaGuess(), Cost()});
const FormTemplate kProportionCostForm = GroupForm(
    172, "Stratified sampling, proportion and total, min. cost allocation", 5, {Elements(), PiGuess(), Cost()});

}  // namespace

std::vector<const FormTemplate*> StratifiedFormTemplates() {
  return {&kMeanPointForm,   &kProportionPointForm,   &kMeanIntervalForm, &kProportionIntervalForm,
          &kMeanSdForm,      &kProportionSdForm,      &kMeanSizeForm,     &kProportionSizeForm,
          &kMeanOptimalForm, &kProportionOptimalForm, &kMeanCostForm,     &kProportionCostForm};
}

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
