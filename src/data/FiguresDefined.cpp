// What the data leave undefined: figures that divide by a constant x or a
// zero average, that need more units than there are, or whose value lies
// beyond a double. Each is refused before the command shows a form, naming
// the variable and why, rather than entering a form as 0, inf or nan.
#include <algorithm>
#include <cmath>

#include "data/Figures.h"
#include "framework/Form.h"
#include "framework/Format.h"
#include "framework/Registry.h"

namespace mirto::data {
namespace {

// The figure in words, and whether it is of the second variable (x, y2).
struct Named {
  FieldSource source;
  const char* words;
  bool second;
};
constexpr Named kNames[] = {
    {FieldSource::MeanY, "average", false},
    {FieldSource::MeanX, "average", true},
    {FieldSource::SdYByN, "standard deviation", false},
    {FieldSource::VarYByN, "variance", false},
    {FieldSource::VarXByN, "variance", true},
    {FieldSource::CovByN, "covariance", false},
    {FieldSource::Slope, "slope", false},
    {FieldSource::RatioResidSd, "residual standard deviation", false},
    {FieldSource::RegressResidSd, "residual standard deviation", false},
};

const Named& NameOf(FieldSource source) {
  static constexpr Named kOther{FieldSource::Count, "figure", false};
  for (const Named& n : kNames)
    if (n.source == source) return n;
  return kOther;
}

constexpr std::size_t kListed = 5;  // groups the note names at most

}  // namespace

std::optional<DataProblem> DataAnswers::CheckDefined(const DataSession& session) const {
  const CommandFigures& d = *m_definition;
  const ScanPlan& plan = d.plan;
  if (plan.elements) return std::nullopt;  // each element's values go in as they stand
  const Moments& all = m_scan.all;
  if ((m_command->estimator == Estimator::Ratio || m_command->target == Target::RatioOfMeans) && all.MeanX() == 0)
    return session.Problem(0, plan.numeric[1], "its average is 0, and the ratio divides by it: the ratio is undefined");
  if (Uses(d, FieldSource::Slope) && all.VarX(1) == 0)
    return session.Problem(0, plan.numeric[1], "every unit used has the same value, so the slope is undefined");
  for (const FormFigures& f : d.forms) {
    const std::size_t rows = f.perGroup ? m_scan.groups.size() : 1;
    for (std::size_t g = 0; g < rows; ++g)
      for (const DataField& field : f.fields) {
        const double value = Number(field.source, g, f.perGroup);
        if (std::isfinite(value)) continue;
        const Named& named = NameOf(field.source);
        const Role role = plan.numeric[named.second && plan.numeric.size() > 1 ? 1 : 0];
        std::string text = std::string("the ") + named.words;
        if (f.perGroup) text += " of " + Quoted(m_scan.groups[g]);
        text += std::isnan(value) ? " is undefined" : " is beyond the largest number a figure can hold";
        return session.Problem(f.perGroup ? m_scan.firstRow[g] : 0, role, std::move(text));
      }
  }
  return std::nullopt;
}

std::optional<DataProblem> DataAnswers::Undefined(const Form& form) const {
  if (!m_definition) return std::nullopt;
  const auto road = std::find_if(m_definition->forms.begin(), m_definition->forms.end(), [&](const FormFigures& f) {
    return f.form == &form.Template() && f.road != ModelRoad::None;
  });
  if (road == m_definition->forms.end()) return std::nullopt;
  const bool interval = road->road == ModelRoad::Interval;
  const PredictionModel model = form.Context().model;
  const auto problem = [&](long long row, std::string text) { return DataProblem{m_file, row, m_x, std::move(text)}; };
  const auto& elements = m_scan.elements;
  double sumX = 0, sumSquares = 0;
  bool constant = true;
  for (std::size_t k = 0; k < elements.size(); ++k) {
    const double x = elements[k].second;
    const long long row = m_scan.elementRows[k];
    if (model == PredictionModel::C && !(x > 0))
      return problem(row, "x is " + ShortestText(x) + ", and Model C needs every x above 0");
    if (model == PredictionModel::B && interval && x == 0)
      return problem(row, "x is 0, and the error variance of Model B divides by it");
    sumX += x;
    sumSquares += x * x;
    constant = constant && x == elements.front().second;
  }
  if (model == PredictionModel::A && sumSquares == 0)
    return problem(0, "every x is 0: the slope of Model A is undefined");
  if (model == PredictionModel::B && sumX == 0)
    return problem(0, "the values of x add up to 0: the slope of Model B is undefined");
  if (model == PredictionModel::D && constant)
    return problem(0, "every unit used has the same x: the slope of Model D is undefined");
  const long long fewest = !interval ? 1 : model == PredictionModel::D ? 3 : 2;
  if (m_scan.used < fewest)
    return DataProblem{m_file,
                       0,
                       {},
                       Format("%lld unit%s with every variable present; the interval needs at least %lld", m_scan.used,
                              m_scan.used == 1 ? "" : "s", fewest)};
  return std::nullopt;
}

std::optional<std::string> DataAnswers::CountedSizes() const {
  if (!m_counted) return std::nullopt;
  std::string line = "Data group sizes: each N_i counts the group's units used";
  std::unordered_map<std::string, std::size_t> groupOf;
  for (std::size_t g = 0; g < m_scan.groups.size(); ++g) groupOf.emplace(GroupKey(m_scan.groups[g]), g);
  // The groups that lost units, in the order of their first row skipped.
  std::vector<std::pair<long long, std::string>> lost;
  for (const auto& [key, skipped] : m_scan.skippedBy) {
    const auto g = groupOf.find(key);
    const long long used = g == groupOf.end() ? 0 : m_scan.byGroup[g->second].n;
    lost.emplace_back(skipped.firstRow, Quoted(skipped.name) + Format(" (%lld of %lld)", used, used + skipped.rows));
  }
  if (lost.empty()) return line;
  std::sort(lost.begin(), lost.end());
  line += ", fewer than its rows in ";
  for (std::size_t k = 0; k < std::min(lost.size(), kListed); ++k) line += (k ? ", " : "") + lost[k].second;
  if (lost.size() > kListed) line += Format(" and %zu more", lost.size() - kListed);
  return line;
}

}  // namespace mirto::data
