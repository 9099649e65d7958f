// The randomization dispatcher: from the selection codes to one routine, with
// the preliminary form that stratified, cluster, two-stage and
// unequal-probability methods ask first. The registry says which.
#include "framework/PreliminaryForms.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"

namespace mirto {

namespace {

// Values outside the domain of the formulas: taken, and pointed out before OK.
constexpr std::string_view kNegativeMargin =
    "The margin is negative: the formula squares it, so the sample size is the one for its absolute value";
constexpr std::string_view kNoMargin =
    "A margin of 0 asks for an exact estimate, which only the whole population gives";
constexpr std::string_view kBudgetBelowCost =
    "c_0 is larger than C: what is left for sampling, C - c_0, is negative, and so are the sample sizes";

Control Margin(std::string_view label, int maxLength) {
  return Field(label, maxLength).AtLeast(0, kNegativeMargin).Above(0, kNoMargin);
}

}  // namespace

const FormTemplate kGroupCountForm{156, "Stratified sampling", {Digits("Enter the number of groups (strata):", 10)}};

const FormTemplate kGroupCountLevelForm{
    159,
    "Stratified sampling",
    {Digits("Enter the number of groups (strata):", 15), LevelList("Select confidence level:")}};

const FormTemplate kMeanAccuracyForm{
    164,
    "Stratified sampling",
    {Digits("Enter the number of groups (strata):", 10), Radio("Special target:", {"Mean", "Total"}, 1),
     Group("Sample accuracy requirements", 2), Margin("Margin:", 15), LevelList("Probability:")}};

const FormTemplate kPropAccuracyForm{
    167,
    "Stratified sampling",
    {Digits("Enter the number of groups (strata):", 5), Radio("Special target:", {"Proportion", "Number"}, 1),
     Group("Sample accuracy requirements", 2), Margin("Margin:", 10), LevelList("Probability:")}};

const FormTemplate kBudgetForm{
    170,
    "Stratified sampling",
    {Digits("Enter the number of groups (strata):", 5), Field("Enter the sampling budget, C:", 15),
     Field("Enter the fixed cost of sampling, c_0:", 15)
         .AtMostField("Enter the sampling budget, C:", kBudgetBelowCost)}};

const FormTemplate kClusterSizesForm{
    173,
    "Cluster & Two-stage sampling",
    {Static("Enter the following:"), WholeField("Number of elements in population, N:", 15),
     WholeField("Number of groups in population, M:", 15), WholeField("Number of sampled groups, m:", 15)}};

const FormTemplate kClusterSizesLevelForm{
    177,
    "Cluster and Two-stage sampling",
    {Static("Enter the following:"), WholeField("Number of elements in population, N:", 15),
     WholeField("Number of groups in population, M:", 15), WholeField("Number of sampled groups, m:", 15),
     LevelList("Select confidence level:").Right()}};

const FormTemplate kUnequalSizesForm{182,
                                     "Sampling with unequal probabilities",
                                     {Static("Enter the following information:"), WholeField("Population size, N:", 10),
                                      WholeField("Sample size, n:", 10)}};

const FormTemplate kUnequalSizesLevelForm{185,
                                          "Sampling with unequal probabilities",
                                          {Static("Enter the following:"), WholeField("Population size, N:", 10),
                                           WholeField("Sample size, n:", 10), LevelList("Select confidence level:")}};

const FormTemplate kUnequalSizesMeanForm{
    186,
    "Unequal probabilities, with replacement",
    {Static("Enter the following information:"), WholeField("Population size, N:", 10),
     WholeField("Sample size, n:", 10), Field("Population mean or population proportion:", 10)}};

const FormTemplate kPopSizeForm{
    189, "Unequal probabilities, without replacement", {WholeField("Enter the population size, N:", 10)}};

namespace {

using D = CalculatorState;

bool GroupCountOk(CalculatorState& d) { return d.m_nGroups >= 0; }

bool ClusterSizesOk(CalculatorState& d) {
  return d.m_nGroups > 0 && d.m_nSampledGroups > 0 && d.m_nSampledGroups <= d.m_nGroups && d.m_dPopSize > 0.0;
}

bool PopSizeOk(CalculatorState& d) {
  if (d.m_nPopSize <= 0) return false;
  d.m_dPopSize = d.m_nPopSize;
  return true;
}

constexpr Item<D> kGroups = WholeItem(&D::m_nGroups);
constexpr Item<D> kLevel = LevelItem(&D::m_dLevel, &D::m_dZ);
constexpr Item<D> kPopSize = WholeItem(&D::m_nPopSize);
constexpr Item<D> kSampleSize = WholeItem(&D::m_nSampleSize);

constexpr Item<D> kGroupCountItems[] = {kGroups};
constexpr Item<D> kGroupCountLevelItems[] = {kGroups, kLevel};
constexpr Item<D> kAccuracyItems[] = {kGroups, ChoiceItem(&D::m_nSpecialTarget), RealItem(&D::m_dMargin), kLevel};
constexpr Item<D> kBudgetItems[] = {kGroups, RealItem(&D::m_dBudget), RealItem(&D::m_dFixedCost)};
// N, then M and m, each also as a double.
constexpr Item<D> kClusterItems[] = {WholeAsRealItem(&D::m_dPopSize), WholeItem(&D::m_nGroups, &D::m_dGroups),
                                     WholeItem(&D::m_nSampledGroups, &D::m_dSampledGroups)};
constexpr Item<D> kClusterLevelItems[] = {kClusterItems[0], kClusterItems[1], kClusterItems[2], kLevel};
constexpr Item<D> kUnequalItems[] = {kPopSize, kSampleSize};
constexpr Item<D> kUnequalLevelItems[] = {kPopSize, kSampleSize, kLevel};
constexpr Item<D> kUnequalMeanItems[] = {kPopSize, kSampleSize, RealItem(&D::m_dPopMean)};
constexpr Item<D> kPopSizeItems[] = {kPopSize};

}  // namespace

bool AcceptSampleSizes(CalculatorState& d) {
  if (!(d.m_nPopSize > 0 && d.m_nSampleSize <= d.m_nPopSize && d.m_nSampleSize > 0)) return false;
  d.m_dPopSize = d.m_nPopSize;
  d.m_dSampleSize = d.m_nSampleSize;
  return true;
}

const PreliminaryStep kGroupCountStep{&kGroupCountForm, kGroupCountItems, GroupCountOk};
const PreliminaryStep kGroupCountLevelStep{&kGroupCountLevelForm, kGroupCountLevelItems, GroupCountOk};
const PreliminaryStep kMeanAccuracyStep{&kMeanAccuracyForm, kAccuracyItems, GroupCountOk};
const PreliminaryStep kPropAccuracyStep{&kPropAccuracyForm, kAccuracyItems, GroupCountOk};
const PreliminaryStep kBudgetStep{&kBudgetForm, kBudgetItems, GroupCountOk};
const PreliminaryStep kClusterSizesStep{&kClusterSizesForm, kClusterItems, ClusterSizesOk};
const PreliminaryStep kClusterSizesLevelStep{&kClusterSizesLevelForm, kClusterLevelItems, ClusterSizesOk};
const PreliminaryStep kUnequalSizesStep{&kUnequalSizesForm, kUnequalItems, AcceptSampleSizes};
const PreliminaryStep kUnequalSizesLevelStep{&kUnequalSizesLevelForm, kUnequalLevelItems, AcceptSampleSizes};
const PreliminaryStep kUnequalSizesMeanStep{&kUnequalSizesMeanForm, kUnequalMeanItems, AcceptSampleSizes};
const PreliminaryStep kPopSizeStep{&kPopSizeForm, kPopSizeItems, PopSizeOk};

int CTervoDoc::DispatchRandomization() {
  const Route route = FindRoute(m_nMethod, m_nTarget, m_nObjective, m_nEstimator);
  if (route.step && !RunPreliminaryStep(*this, *route.step, FormContext{})) return 0;
  if (!route.command) return SelectionNotCoded();
  return RunRoutine(*route.command, route.command->routine);
}

}  // namespace mirto
