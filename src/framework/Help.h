#pragma once
// The program's help as data: a topic per selection code, the prediction
// topic, the forms of every calculation in prose, the guide (reports, keys,
// files, scripts), and the help document built from them and the command
// registry. The desktop shell only renders it. Text between "**" marks is
// shown in bold (a field's label as the form shows it), and "[text](#anchor)"
// links to the section with that anchor.
#include <string>
#include <string_view>
#include <vector>

#include "framework/Codes.h"

namespace mirto {

struct HelpTopic {
  std::string_view name;
  std::string_view text;
};

inline constexpr HelpTopic kMethodTopics[] = {
    {"Simple", "Simple random sampling: n elements drawn without replacement from a population of N elements."},
    {"Stratified",
     "Stratified random sampling: the population is divided into K groups (strata) and a simple random sample is "
     "drawn in each. After a first form for the number of groups (and, where needed, the confidence level, the "
     "accuracy requirements or the budget), one form per group asks its figures."},
    {"Cluster",
     "Cluster sampling: m of the M groups of the population are drawn and every element of a drawn group is "
     "observed. A first form asks N, M and m; one form per sampled group follows."},
    {"Two-stage",
     "Two-stage sampling: m of the M groups are drawn, then a simple random sample of n_i of the N_i elements of "
     "each drawn group. The per-group forms also ask n_i."},
    {"Un.Prob.WithRepl.",
     "Sampling with unequal probabilities, with replacement: n independent draws, element i being drawn with a "
     "known probability p_i at each draw. The estimator (HHE) expands each drawn value by its probability. One form "
     "per drawn element follows the form for N and n."},
    {"Un.Prob.WithoutRepl.",
     "Sampling with unequal probabilities, without replacement: each element has a known probability of inclusion "
     "in the sample. The estimator (HTE) expands each sampled value by its inclusion probability."},
};

inline constexpr HelpTopic kTargetTopics[] = {
    {"Mean/total of variable", "The population mean of a variable and the population total (N times the mean)."},
    {"Proportion/number in category",
     "The proportion of the population in a category and the number of elements in it."},
    {"Ratio of means/totals", "The ratio of the population means (equal to the ratio of the totals) of two variables."},
};

inline constexpr HelpTopic kObjectiveTopics[] = {
    {"Point estimates", "Estimates of the target from the sample figures you enter."},
    {"Interval estimates",
     "The estimates, their estimated standard deviation and approximate confidence intervals (estimate plus or minus "
     "z times the standard deviation) at the confidence level you select: 99%, 95%, 90%, 80%, 60% or 50%."},
    {"Th. std. dev. of estimator",
     "The theoretical standard deviation of the estimator, from guesses of population figures: what a planned "
     "sample would achieve."},
    {"Sample size",
     "The sample size needed so that the estimate of the mean (or total, proportion, number: the special target) "
     "lies within the margin of the true value with the probability you select."},
    {"Optimal allocation",
     "How a stratified sample is best shared among the groups: each group's share is proportional to its size "
     "times its standard deviation."},
    {"Min. cost allocation",
     "The allocation and total sample size that give the most precise estimate for the sampling budget C, given "
     "the fixed cost c_0 and the cost of sampling one element in each group."},
    {"Sample size with adjustments",
     "The sample size of \"Sample size\" for a design other than simple random sampling and for elements that do "
     "not respond: the variance is multiplied by the design effect deff, and the size divided by the expected "
     "response rate and rounded up. Each step is printed."},
    {"Allocation of a given n",
     "Shares a total sample size n among the groups in whole numbers that add up to n: optimal (Neyman) shares "
     "proportional to N_i times the group's standard deviation, no group above its N_i elements (a group that would "
     "exceed takes all of them and the rest is shared again) and none below the minimum you give (or N_i, if "
     "smaller). The standard deviation of the estimator under that allocation follows the table."},
    {"Interval estimates (joint probabilities)",
     "Intervals from a sample without replacement whose joint inclusion probabilities p_ij are known: the variance "
     "of the estimator of the total in the Sen-Yates-Grundy form, the sum over pairs of (p_i p_j - p_ij) / p_ij "
     "times (Y_i / p_i - Y_j / p_j)^2."},
};

inline constexpr HelpTopic kEstimatorTopics[] = {
    {"Simple", "The sample mean (or proportion), expanded by N for the total (or number)."},
    {"Ratio",
     "Uses an auxiliary variable X whose population mean is known: the sample ratio of Y to X times the population "
     "mean of X."},
    {"Regression",
     "Uses an auxiliary variable X whose population mean is known: the sample mean of Y corrected along the least "
     "squares line of Y on X."},
    {"Stratified", "Group estimates combined with the groups' shares of the population as weights."},
    {"Two-stage", "Group totals estimated within the drawn groups and expanded to the M groups."},
    {"HTE", "Each sampled value divided by its inclusion probability."},
    {"HHE", "Each drawn value divided by its selection probability, averaged over the n draws."},
    {"Special", "The ratio of the two sample means."},
};

inline constexpr HelpTopic kPredictionTopic = {
    "Prediction",
    "The model-based approach: the population total and mean of Y are predicted from the sample and an auxiliary "
    "variable X whose population sum is known (Models A to D), or from the sample mean of Y and k explanatory "
    "variables (Model E). A first form picks the model and the objective: a point prediction, a confidence interval "
    "or the theoretical error variance."};

// The help of one command: a topic per code it writes, or the approach's topic.
struct CommandHelp {
  const HelpTopic* method = nullptr;
  const HelpTopic* target = nullptr;
  const HelpTopic* objective = nullptr;
  const HelpTopic* estimator = nullptr;
  const HelpTopic* approach = nullptr;
};

// The topics of a set of codes; a code without a topic does not compile in a
// registry row. An objective added by a family brings its topic with its row.
// (Two overloads, not a null test: a sanitizer build cannot compare an
// address with null in a constant expression.)
constexpr CommandHelp HelpFor(Method m, Target t, const HelpTopic& objective, Estimator e) {
  return {&kMethodTopics[static_cast<int>(m) - 1], &kTargetTopics[static_cast<int>(t) - 1], &objective,
          &kEstimatorTopics[static_cast<int>(e) - 1], nullptr};
}
constexpr CommandHelp HelpFor(Method m, Target t, Objective o, Estimator e) {
  return HelpFor(m, t, kObjectiveTopics[static_cast<int>(o) - 1], e);
}

// One paragraph of a command's help: "Method: Simple." and its text; the
// approach's topic has no heading.
struct HelpParagraph {
  std::string_view heading;
  const HelpTopic* topic;
};
std::vector<HelpParagraph> Paragraphs(const CommandHelp& help);

// The help document: sections with an anchor, paragraphs, then terms with
// their text, a list of items, or links to other sections.
struct HelpEntry {
  std::string term;
  std::string note;  // after the term, not bold
  std::string text;
};
struct HelpLink {
  std::string_view anchor;
  std::string_view text;
};
struct HelpSection {
  std::string_view anchor;  // "" for none
  std::string_view heading;
  std::vector<std::string_view> paragraphs;
  std::vector<HelpEntry> entries = {};
  std::vector<std::string> items = {};
  std::vector<HelpLink> links = {};
};
struct HelpDocument {
  std::string_view title;
  std::vector<HelpSection> sections;
};

struct FormTemplate;

// The forms of one calculation (or of a family's first step) in prose: the
// templates it describes, and a text that names every field by its label.
struct FormHelp {
  std::string_view calculation;
  std::vector<const FormTemplate*> templates;
  std::string_view text;
  // A short worked example: figures to enter and what the report gives.
  std::string_view example = {};
};
// A family's section of the forms in prose: what they have in common, then
// each calculation's. A family gives the heading, the common text and the
// entries on its first forms; each of its tables adds the entries on its
// commands' forms.
struct FormHelpFamily {
  std::string_view anchor;
  std::string_view heading;
  std::vector<std::string_view> intro;
  std::vector<FormHelp> forms;
};
// Every family's section, in catalogue order.
std::vector<FormHelpFamily> FormHelpFamilies();
// The Data menu: estimates from a data file.
HelpSection DataModeHelp();

// The sections around the forms: the conventions every form shares, how to
// read a report, keys, the journal file, scripts and results.
std::vector<HelpSection> ConventionSections();
std::vector<HelpSection> GuideSections();

HelpDocument HelpTopics();

// Which standard deviation each form wants (divisor n, n − 1, n − 2, N or N − 1).
extern const std::string_view kStandardDeviationHelp;

// What a form's Help button and F1 open: the help of the calculation that
// shows the form, a worked example where there is one, what the family's
// forms have in common and the rule on standard deviations. A form no
// calculation's help describes gets the conventions of all forms.
struct FormTopic {
  std::string title;
  std::vector<std::string> paragraphs;  // "**" marks as in the document
};
FormTopic FormTopicFor(const FormTemplate& form);

// The sections of `doc` (by index) whose heading or text holds `query`,
// ignoring case; every section for an empty query.
std::vector<std::size_t> MatchingSections(const HelpDocument& doc, std::string_view query);
// What the search found: "No topic holds ..." or "3 topics hold ...".
std::string SearchSummary(std::string_view query, std::size_t found);

inline constexpr std::string_view kLabelHelp = "Labels head the choices below them and cannot be chosen.";

}  // namespace mirto
