#include "data/Figures.h"

#include <algorithm>
#include <cmath>

#include "framework/Form.h"
#include "framework/Format.h"
#include "framework/Registry.h"

namespace mirto::data {
namespace {

bool Serves(const CommandFigures& f, const Command& c) {
  return f.method == c.method && f.target == c.target && f.objective == c.objective && f.estimator == c.estimator;
}

bool Uses(const CommandFigures& d, Figure figure) {
  return std::any_of(d.forms.begin(), d.forms.end(), [&](const FormFigures& f) {
    return std::find(f.fields.begin(), f.fields.end(), figure) != f.fields.end();
  });
}

// The fewest units each sample (or group) needs for its figures: a
// deviation needs two, a regression's residual deviation three.
long long FewestUnits(const CommandFigures& d) {
  if (Uses(d, Figure::RegressResidSd)) return 3;
  if (d.objective == Objective::Interval && d.method != Method::Cluster) return 2;
  return 1;
}

// The fewest groups: the cluster interval's deviation is between groups.
std::size_t FewestGroups(const CommandFigures& d) {
  return d.objective == Objective::Interval && d.plan.by == Role::Group ? 2 : 1;
}

// sum (y - c x)^2 over the units, c the ratio or the slope: for either the
// sum of (y - barY) - c (x - barX) squared, from the centred sums.
double ResidualSquares(const Moments& m, double c) {
  return std::max(0.0, VarianceOfDifference(m.ssY, m.sxy, m.ssX, Exact(c)));
}

}  // namespace

const CommandFigures* FindFigures(const Command& command) {
  if (command.approach == Approach::Prediction) return &PredictionFigures();
  for (auto table : {SrsFigures(), StratifiedFigures(), ClusterFigures(), UnequalFigures()})
    for (const CommandFigures& f : table)
      if (Serves(f, command)) return &f;
  return nullptr;
}

std::optional<DataProblem> DataAnswers::Prepare(const DataSession& session, const Command& command) {
  m_definition = nullptr;
  const CommandFigures* definition = FindFigures(command);
  if (!definition) return session.Problem("this command does not take its figures from data", kEndDataMode);
  if (auto problem = session.Run(definition->plan, m_scan)) return problem;
  m_definition = definition;
  if (auto problem = Check(session)) {
    m_definition = nullptr;
    return problem;
  }
  m_note = session.Note(m_scan, definition->plan, m_fromPopulation, !m_joint.empty());
  return std::nullopt;
}

std::optional<DataProblem> DataAnswers::CheckPairs(const DataSession& session) {
  m_joint.clear();
  if (!Uses(*m_definition, Figure::PairProb)) return std::nullopt;
  if (!session.HasPairs())
    return session.Problem("the joint inclusion probabilities come from a pairs file",
                           {"give pairs PATH first", "choose it in Data > From data..."});
  const std::vector<long long>& rows = m_scan.elementRows;
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = i + 1; j < rows.size(); ++j) {
      const std::optional<double> p = session.Pair(rows[i], rows[j]);
      if (!p)
        return DataProblem{session.PairsName(),
                           0,
                           {},
                           Format("no joint probability for the units of data rows %lld and %lld of %s", rows[i],
                                  rows[j], session.FileName().c_str())};
      m_joint.push_back(*p);
    }
  return std::nullopt;
}

std::optional<DataProblem> DataAnswers::Check(const DataSession& session) {
  if (auto problem = CheckPairs(session)) return problem;
  const ScanPlan& plan = m_definition->plan;
  const long long fewest = FewestUnits(*m_definition);
  if (!plan.by) {
    if (m_scan.used < fewest)
      return session.Problem(Format("%lld unit%s with every variable present; the calculation needs at least %lld",
                                    m_scan.used, m_scan.used == 1 ? "" : "s", fewest));
    return std::nullopt;
  }
  const Role by = *plan.by;
  if (m_scan.groups.size() < FewestGroups(*m_definition))
    return session.Problem(Format("%zu group%s with units; the deviation between groups needs at least 2",
                                  m_scan.groups.size(), m_scan.groups.size() == 1 ? "" : "s"));
  for (std::size_t g = 0; g < m_scan.groups.size(); ++g)
    if (m_scan.byGroup[g].n < fewest)
      return session.Problem(
          m_scan.firstRow[g], by,
          Format("\"%s\" has %lld unit%s, where its deviation needs at least %lld", m_scan.groups[g].c_str(),
                 m_scan.byGroup[g].n, m_scan.byGroup[g].n == 1 ? "" : "s", fewest));
  m_sizes.clear();
  m_fromPopulation = false;
  if (!Uses(*m_definition, Figure::GroupSize)) return std::nullopt;
  if (!m_scan.sizes.empty()) {
    m_sizes = m_scan.sizes;
    return std::nullopt;
  }
  if (!session.HasPopulation()) {
    // Every element of a sampled cluster is observed: its size is its count.
    if (m_definition->method == Method::Cluster) {
      for (const Moments& m : m_scan.byGroup) m_sizes.push_back(static_cast<double>(m.n));
      return std::nullopt;
    }
    return session.Problem("the group sizes N_i come from a population file or a size variable",
                           {"population PATH, or use size=VARIABLE", "choose one in Data > From data..."});
  }
  m_fromPopulation = true;
  for (std::size_t g = 0; g < m_scan.groups.size(); ++g) {
    const std::optional<double> size = session.PopulationSize(m_scan.groups[g]);
    if (!size)
      return session.Problem(m_scan.firstRow[g], by,
                             "\"" + m_scan.groups[g] + "\" is not in the population file " + session.PopulationName());
    m_sizes.push_back(*size);
  }
  // Every stratum is sampled; a cluster population file may list groups not drawn.
  if (by != Role::Stratum) return std::nullopt;
  for (const auto& entry : session.Population()) {
    const std::string& name = entry.first;
    const bool seen = std::any_of(m_scan.groups.begin(), m_scan.groups.end(),
                                  [&](const std::string& g) { return SameGroup(g, name); });
    if (!seen)
      return DataProblem{
          session.PopulationName(),
          0,
          {},
          "\"" + name + "\" has no units in " + session.FileName() + " (variable \"" + session.Variable(by) + "\")"};
  }
  return std::nullopt;
}

std::optional<std::string> DataAnswers::Text(Figure figure, std::size_t group, bool perGroup) const {
  if (figure == Figure::ElementY) return ShortestText(m_scan.elements[group].first);
  if (figure == Figure::ElementProb || figure == Figure::ElementX) return ShortestText(m_scan.elements[group].second);
  if (figure == Figure::PairProb) return ShortestText(m_joint[group]);
  const Moments& m = perGroup && !m_definition->plan.elements ? m_scan.byGroup[group] : m_scan.all;
  const double n = static_cast<double>(m.n);
  switch (figure) {
    case Figure::Typed: return std::nullopt;
    case Figure::Count: return ShortestText(n);
    case Figure::MeanY: return ShortestText(m.MeanY());
    case Figure::MeanX: return ShortestText(m.MeanX());
    case Figure::SdYByN: return ShortestText(std::sqrt(Rounded(m.ssY) / n));
    case Figure::VarYByN: return ShortestText(Rounded(m.ssY) / n);
    case Figure::VarXByN: return ShortestText(Rounded(m.ssX) / n);
    case Figure::CovByN: return ShortestText(Rounded(m.sxy) / n);
    case Figure::Slope: return ShortestText(Rounded(m.sxy) / Rounded(m.ssX));
    case Figure::RatioResidSd: return ShortestText(std::sqrt(ResidualSquares(m, m.MeanY() / m.MeanX()) / (n - 1)));
    case Figure::RegressResidSd:
      return ShortestText(std::sqrt(ResidualSquares(m, Rounded(m.sxy) / Rounded(m.ssX)) / (n - 2)));
    case Figure::Groups: return ShortestText(static_cast<double>(m_scan.groups.size()));
    case Figure::GroupSize: return ShortestText(m_sizes[group]);
    case Figure::ElementY:
    case Figure::ElementX:
    case Figure::ElementProb:
    case Figure::PairProb: break;
  }
  return std::nullopt;
}

std::vector<std::size_t> DataAnswers::Fill(Form& form, long long row) const {
  std::vector<std::size_t> filled;
  if (!m_definition) return filled;
  for (const FormFigures& f : m_definition->forms) {
    if (f.form != form.Template().id) continue;
    const std::size_t group = row > 0 ? static_cast<std::size_t>(row - 1) : 0;
    const bool pairs = std::find(f.fields.begin(), f.fields.end(), Figure::PairProb) != f.fields.end();
    const std::size_t rows = pairs                         ? m_joint.size()
                             : m_definition->plan.elements ? m_scan.elements.size()
                                                           : m_scan.groups.size();
    if (f.perGroup && group >= rows) return filled;
    std::size_t k = 0;
    for (std::size_t i = 0; i < form.size() && k < f.fields.size(); ++i) {
      if (!TakesValue(form.ControlAt(i))) continue;
      if (std::optional<std::string> text = Text(f.fields[k++], group, f.perGroup)) {
        form.SetText(i, std::move(*text));
        filled.push_back(i);
      }
    }
    return filled;
  }
  return filled;
}

bool DataAnswers::NotFromData(const Form& form) const {
  return m_definition && std::find(m_definition->notFromData.begin(), m_definition->notFromData.end(),
                                   form.Template().id) != m_definition->notFromData.end();
}

std::optional<std::string> RefusalOnOk(const Form& form, std::span<const std::size_t> filled) {
  if (filled.empty()) return form.RefusalOnOk();
  Form typed = form;
  for (std::size_t i : filled) typed.SetText(i, {});
  return typed.RefusalOnOk();
}

}  // namespace mirto::data
