#include "app/HelpText.h"

#include <QStringList>
#include <string_view>

#include "framework/Commands.h"
#include "framework/FormCatalog.h"

namespace mirto {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toHtmlEscaped(); }

struct Topic {
  int code;
  const char* name;
  const char* text;
};

constexpr Topic kMethods[] = {
    {1, "Simple", "Simple random sampling: n elements drawn without replacement from a population of N elements."},
    {2, "Stratified",
     "Stratified random sampling: the population is divided into K groups (strata) and a simple random sample is "
     "drawn in each. After a first form for the number of groups (and, where needed, the confidence level, the "
     "accuracy requirements or the budget), one form per group asks its figures."},
    {3, "Cluster",
     "Cluster sampling: m of the M groups of the population are drawn and every element of a drawn group is "
     "observed. A first form asks N, M and m; one form per sampled group follows."},
    {4, "Two-stage",
     "Two-stage sampling: m of the M groups are drawn, then a simple random sample of n_i of the N_i elements of "
     "each drawn group. The per-group forms also ask n_i."},
    {5, "Un.Prob.WithRepl.",
     "Sampling with unequal probabilities, with replacement: n independent draws, element i being drawn with a "
     "known probability p_i at each draw. The estimator (HHE) expands each drawn value by its probability. One form "
     "per drawn element follows the form for N and n."},
    {6, "Un.Prob.WithoutRepl.",
     "Sampling with unequal probabilities, without replacement: each element has a known probability of inclusion "
     "in the sample. The estimator (HTE) expands each sampled value by its inclusion probability."},
};

constexpr Topic kTargets[] = {
    {1, "Mean/total of variable", "The population mean of a variable and the population total (N times the mean)."},
    {2, "Proportion/number in category",
     "The proportion of the population in a category and the number of elements in it."},
    {3, "Ratio of means/totals",
     "The ratio of the population means (equal to the ratio of the totals) of two variables."},
};

constexpr Topic kObjectives[] = {
    {1, "Point estimates", "Estimates of the target from the sample figures you enter."},
    {2, "Interval estimates",
     "The estimates, their estimated standard deviation and approximate confidence intervals (estimate plus or minus "
     "z times the standard deviation) at the confidence level you select: 99%, 95%, 90%, 80%, 60% or 50%."},
    {3, "Th. std. dev. of estimator",
     "The theoretical standard deviation of the estimator, from guesses of population figures: what a planned "
     "sample would achieve."},
    {4, "Sample size",
     "The sample size needed so that the estimate of the mean (or total, proportion, number: the special target) "
     "lies within the margin of the true value with the probability you select."},
    {5, "Optimal allocation",
     "How a stratified sample is best shared among the groups: each group's share is proportional to its size "
     "times its standard deviation."},
    {6, "Min. cost allocation",
     "The allocation and total sample size that give the most precise estimate for the sampling budget C, given "
     "the fixed cost c_0 and the cost of sampling one element in each group."},
};

constexpr Topic kEstimators[] = {
    {1, "Simple", "The sample mean (or proportion), expanded by N for the total (or number)."},
    {2, "Ratio",
     "Uses an auxiliary variable X whose population mean is known: the sample ratio of Y to X times the population "
     "mean of X."},
    {3, "Regression",
     "Uses an auxiliary variable X whose population mean is known: the sample mean of Y corrected along the least "
     "squares line of Y on X."},
    {4, "Stratified", "Group estimates combined with the groups' shares of the population as weights."},
    {5, "Two-stage", "Group totals estimated within the drawn groups and expanded to the M groups."},
    {6, "HTE", "Each sampled value divided by its inclusion probability."},
    {7, "HHE", "Each drawn value divided by its selection probability, averaged over the n draws."},
    {8, "Special", "The ratio of the two sample means."},
};

template <std::size_t N>
const Topic* Find(const Topic (&topics)[N], int code) {
  for (const Topic& t : topics)
    if (t.code == code) return &t;
  return nullptr;
}

template <std::size_t N>
QString Section(const char* anchor, const char* heading, const Topic (&topics)[N]) {
  QString html = QString("<h2><a name=\"%1\"></a>%2</h2><dl>").arg(anchor, heading);
  for (const Topic& t : topics) html += QString("<dt><b>%1</b></dt><dd>%2</dd>").arg(Q(t.name), Q(t.text));
  return html + "</dl>";
}

QString FormSection() {
  QString html =
      "<h2><a name=\"forms\"></a>The forms</h2><p>Each calculation asks its figures in small forms. "
      "Press OK to go on or Cancel (Escape) to abandon the calculation; nothing is added to the journal "
      "then. Text that is not a number reads as 0, or as the number it starts with. A confidence list must "
      "have a level selected where the calculation needs one.</p><dl>";
  for (const FormTemplate* t : AllFormTemplates()) {
    QStringList asks;
    for (const Control& c : t->controls)
      if ((c.kind == ControlKind::Text && !c.readOnly) || c.kind == ControlKind::List || c.kind == ControlKind::Radio)
        asks << Q(c.label);
    html += QString("<dt><b>%1</b> (form %2)</dt><dd>%3</dd>").arg(Q(t->title)).arg(t->id).arg(asks.join("; "));
  }
  return html + "</dl>";
}

QString CommandList() {
  QString html = "<h2><a name=\"commands\"></a>The calculations</h2><ul>";
  for (const Command& c : RandomizationCommands()) html += QString("<li>%1</li>").arg(Q(c.path));
  return html + QString("<li>%1</li></ul>").arg(Q(kPredictionMenu));
}

}  // namespace

QString CommandHelp(const Command& c) {
  const Topic* parts[] = {Find(kMethods, c.method), Find(kTargets, c.target), Find(kObjectives, c.objective),
                          Find(kEstimators, c.estimator)};
  const char* headings[] = {"Method", "Target", "Objective", "Estimator"};
  QString html = QString("<p><b>%1</b><br>%2</p>").arg(Q(c.path), Q(c.prompt));
  for (std::size_t i = 0; i < std::size(parts); ++i)
    if (parts[i]) html += QString("<p><i>%1: %2.</i> %3</p>").arg(headings[i], Q(parts[i]->name), Q(parts[i]->text));
  return html;
}

QString LabelHelp(const LabelItem& label) {
  return QString("<p><b>%1</b> %2</p><p>Labels head the choices below them and cannot be chosen.</p>")
      .arg(Q(label.text), Q(label.prompt));
}

QString PredictionHelp() {
  return "<p><b>Prediction</b></p><p>The model-based approach: the population total and mean of Y are predicted "
         "from the sample and an auxiliary variable X whose population sum is known (Models A to D), or from the "
         "sample mean of Y and k explanatory variables (Model E). A first form picks the model and the objective: a "
         "point prediction, a confidence interval or the theoretical error variance.</p>";
}

QString HelpTopicsHtml() {
  QString html =
      "<h1>Mirto</h1><p>Mirto computes survey-sampling estimates, intervals, standard deviations, sample sizes and "
      "allocations. Choose a calculation from the <b>Select approach:</b> menu, answer its forms, and the report is "
      "added to the journal at the bottom of the window. The journal can be saved as a plain text file, reopened "
      "(File &gt; Open adds the file's lines after those already shown), and printed.</p>"
      "<h2>Choosing a calculation</h2><p><b>Random sampling</b> leads through the method, the target, the objective "
      "and, for simple random sampling, the estimator. <b>Prediction</b> starts the model-based approach.</p>";
  html += Section("methods", "Methods", kMethods);
  html += Section("targets", "Targets", kTargets);
  html += Section("objectives", "Objectives", kObjectives);
  html += Section("estimators", "Estimators", kEstimators);
  html += "<h2><a name=\"prediction\"></a>Prediction</h2>" + PredictionHelp();
  html += CommandList();
  html += FormSection();
  html +=
      "<h2>Context help</h2><p>Press Shift+F1 or the help button of the toolbar, then click a menu item, a button or "
      "the journal to read what it does.</p>";
  return html;
}

}  // namespace mirto
