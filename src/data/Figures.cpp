#include "data/Figures.h"

#include <algorithm>
#include <cmath>

#include "framework/Form.h"
#include "framework/Format.h"
#include "framework/Registry.h"

namespace mirto::data {
namespace {

// The fewest units each sample (or group) needs for its figures: a
// deviation needs two, a regression's residual deviation three.
long long FewestUnits(const Command& c, const CommandFigures& d) {
  if (Uses(d, FieldSource::RegressResidSd)) return 3;
  if (c.objective == Objective::Interval && c.method != Method::Cluster) return 2;
  return 1;
}

// The fewest groups: the cluster interval's deviation is between groups.
std::size_t FewestGroups(const Command& c, const CommandFigures& d) {
  return c.objective == Objective::Interval && d.plan.by == Role::Group ? 2 : 1;
}

bool Takes(const FormFigures& f, FieldSource source) {
  return std::any_of(f.fields.begin(), f.fields.end(), [&](const DataField& field) { return field.source == source; });
}

}  // namespace

bool Uses(const CommandFigures& d, FieldSource source) {
  return std::any_of(d.forms.begin(), d.forms.end(), [&](const FormFigures& f) { return Takes(f, source); });
}

std::optional<FieldSource> SourceOf(const FormFigures& form, std::string_view key) {
  for (const DataField& field : form.fields)
    if (field.field == key) return field.source;
  return std::nullopt;
}

std::optional<DataProblem> DataAnswers::Prepare(const DataSession& session, const Command& command) {
  m_definition = nullptr;
  m_command = nullptr;
  const CommandFigures* definition = command.figures;
  if (!definition) return session.Problem("this command does not take its figures from data", kEndDataMode);
  if (auto problem = session.Run(definition->plan, m_scan)) return problem;
  m_command = &command;
  m_definition = definition;
  m_file = session.FileName();
  m_x = session.Variable(Role::X);
  if (auto problem = Check(session)) {
    m_definition = nullptr;
    return problem;
  }
  m_note = session.Note(m_scan, definition->plan, m_fromPopulation, !m_joint.empty());
  if (const auto counted = CountedSizes()) m_note.insert(m_note.end() - 1, *counted);
  return std::nullopt;
}

std::optional<DataProblem> DataAnswers::CheckPairs(const DataSession& session) {
  m_joint.clear();
  if (!Uses(*m_definition, FieldSource::PairProb)) return std::nullopt;
  if (!session.HasPairs())
    return session.Problem("the joint inclusion probabilities come from a pairs file",
                           {"give pairs PATH first", "choose it in Data > From data..."});
  const auto bad = [&](std::string text, long long line) {
    return DataProblem{session.PairsName(), 0, {}, std::move(text), line};
  };
  for (const JointProbability& pair : session.Pairs())
    if (pair.b > m_scan.Rows())
      return bad(
          Format("row %u is not a data row of %s, which has %lld", pair.b, session.FileName().c_str(), m_scan.Rows()),
          pair.line);
  const std::vector<long long>& rows = m_scan.elementRows;
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = i + 1; j < rows.size(); ++j) {
      const JointProbability* pair = session.Pair(rows[i], rows[j]);
      if (!pair)
        return bad(Format("no joint probability for the units of data rows %lld and %lld of %s", rows[i], rows[j],
                          session.FileName().c_str()),
                   0);
      // No pair is drawn more often than either of its units.
      for (const std::size_t k : {i, j})
        if (pair->p > m_scan.elements[k].second)
          return bad("the joint probability " + ShortestText(pair->p) +
                         Format(" of rows %lld and %lld is above the inclusion probability ", rows[i], rows[j]) +
                         ShortestText(m_scan.elements[k].second) + Format(" of row %lld", rows[k]),
                     pair->line);
      m_joint.push_back(pair->p);
    }
  return std::nullopt;
}

std::optional<DataProblem> DataAnswers::Check(const DataSession& session) {
  if (auto problem = CheckPairs(session)) return problem;
  const ScanPlan& plan = m_definition->plan;
  const long long fewest = FewestUnits(*m_command, *m_definition);
  if (!plan.by) {
    if (m_scan.used < fewest)
      return session.Problem(Format("%lld unit%s with every variable present; the calculation needs at least %lld",
                                    m_scan.used, m_scan.used == 1 ? "" : "s", fewest));
    return CheckDefined(session);
  }
  const Role by = *plan.by;
  if (m_scan.groups.size() < FewestGroups(*m_command, *m_definition))
    return session.Problem(Format("%zu group%s with units; the deviation between groups needs at least 2",
                                  m_scan.groups.size(), m_scan.groups.size() == 1 ? "" : "s"));
  for (std::size_t g = 0; g < m_scan.groups.size(); ++g)
    if (m_scan.byGroup[g].n < fewest)
      return session.Problem(
          m_scan.firstRow[g], by,
          Quoted(m_scan.groups[g]) + Format(" has %lld unit%s, where its deviation needs at least %lld",
                                            m_scan.byGroup[g].n, m_scan.byGroup[g].n == 1 ? "" : "s", fewest));
  if (auto problem = CheckSizes(session)) return problem;
  return CheckDefined(session);
}

std::optional<DataProblem> DataAnswers::CheckSizes(const DataSession& session) {
  m_sizes.clear();
  m_fromPopulation = m_counted = false;
  if (!Uses(*m_definition, FieldSource::GroupSize)) return std::nullopt;
  const Role by = *m_definition->plan.by;
  if (!m_scan.sizes.empty()) {
    m_sizes = m_scan.sizes;
    for (std::size_t g = 0; g < m_sizes.size(); ++g)
      if (static_cast<double>(m_scan.byGroup[g].n) > m_sizes[g])
        return session.Problem(
            m_scan.firstRow[g], Role::Size,
            Quoted(m_scan.groups[g]) + Format(" has %lld units with every variable present, more than its size %s",
                                              m_scan.byGroup[g].n, WholeText(m_sizes[g]).c_str()));
    return std::nullopt;
  }
  if (!session.HasPopulation()) {
    // Every element of a sampled cluster is observed: its size is its count.
    if (m_command->method == Method::Cluster) {
      for (const Moments& m : m_scan.byGroup) m_sizes.push_back(static_cast<double>(m.n));
      m_counted = true;
      return std::nullopt;
    }
    return session.Problem("the group sizes N_i come from a population file or a size variable",
                           {"population PATH, or use size=VARIABLE", "choose one in Data > From data..."});
  }
  m_fromPopulation = true;
  const std::string where = session.FileName() + " (variable " + Quoted(session.Variable(by)) + ")";
  for (std::size_t g = 0; g < m_scan.groups.size(); ++g) {
    const PopulationSize* size = session.Population(m_scan.groups[g]);
    if (!size)
      return session.Problem(m_scan.firstRow[g], by,
                             Quoted(m_scan.groups[g]) + " is not in the population file " + session.PopulationName());
    if (static_cast<double>(m_scan.byGroup[g].n) > size->size)
      return DataProblem{session.PopulationName(),
                         0,
                         {},
                         Quoted(size->name) +
                             Format(" has %lld units with every variable present in ", m_scan.byGroup[g].n) + where +
                             ", more than its size " + WholeText(size->size),
                         size->line};
    m_sizes.push_back(size->size);
  }
  // Every stratum is sampled; a cluster population file may list groups not drawn.
  if (by != Role::Stratum) return std::nullopt;
  const std::vector<PopulationSize>& entries = session.Population();
  std::vector<bool> seen(entries.size());
  for (const std::string& group : m_scan.groups) seen[session.Population(group) - entries.data()] = true;
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (!seen[k])
      return DataProblem{
          session.PopulationName(), 0, {}, Quoted(entries[k].name) + " has no units in " + where, entries[k].line};
  return std::nullopt;
}

double DataAnswers::Number(FieldSource source, std::size_t group, bool perGroup) const {
  if (source == FieldSource::ElementY) return m_scan.elements[group].first;
  if (source == FieldSource::ElementProb || source == FieldSource::ElementX) return m_scan.elements[group].second;
  if (source == FieldSource::PairProb) return m_joint[group];
  const Moments& m = perGroup && !m_definition->plan.elements ? m_scan.byGroup[group] : m_scan.all;
  const double n = static_cast<double>(m.n);
  switch (source) {
    case FieldSource::Count: return n;
    case FieldSource::MeanY: return m.MeanY();
    case FieldSource::MeanX: return m.MeanX();
    case FieldSource::SdYByN: return m.SdY(n);
    case FieldSource::VarYByN: return m.VarY(n);
    case FieldSource::VarXByN: return m.VarX(n);
    case FieldSource::CovByN: return m.Cov(n);
    case FieldSource::Slope: return m.Slope();
    case FieldSource::RatioResidSd: return m.ResidualSd(false, n - 1);
    case FieldSource::RegressResidSd: return m.ResidualSd(true, n - 2);
    case FieldSource::Groups: return static_cast<double>(m_scan.groups.size());
    case FieldSource::GroupSize: return m_sizes[group];
    case FieldSource::ElementY:
    case FieldSource::ElementX:
    case FieldSource::ElementProb:
    case FieldSource::PairProb: break;
  }
  return 0;
}

std::string DataAnswers::Text(FieldSource source, std::size_t group, bool perGroup) const {
  const double number = Number(source, group, perGroup);
  // Counts go in whole: "1e+05" would read as 1 in a whole-number field.
  const bool count = source == FieldSource::Count || source == FieldSource::Groups || source == FieldSource::GroupSize;
  return count ? WholeText(number) : ShortestText(number);
}

std::vector<std::size_t> DataAnswers::Fill(Form& form, long long row) const {
  std::vector<std::size_t> filled;
  if (!m_definition) return filled;
  for (const FormFigures& f : m_definition->forms) {
    if (f.form != &form.Template()) continue;
    const std::size_t group = row > 0 ? static_cast<std::size_t>(row - 1) : 0;
    const std::size_t rows = Takes(f, FieldSource::PairProb) ? m_joint.size()
                             : m_definition->plan.elements   ? m_scan.elements.size()
                                                             : m_scan.groups.size();
    if (f.perGroup && group >= rows) return filled;
    for (std::size_t i = 0; i < form.size(); ++i) {
      if (!TakesValue(form.ControlAt(i))) continue;
      if (const std::optional<FieldSource> source = SourceOf(f, form.ControlAt(i).Key())) {
        form.SetText(i, Text(*source, group, f.perGroup));
        filled.push_back(i);
      }
    }
    return filled;
  }
  return filled;
}

bool DataAnswers::NotFromData(const Form& form) const {
  return m_definition && std::find(m_definition->notFromData.begin(), m_definition->notFromData.end(),
                                   &form.Template()) != m_definition->notFromData.end();
}

std::optional<std::string> RefusalOnOk(const Form& form, std::span<const std::size_t> filled) {
  if (filled.empty()) return form.RefusalOnOk();
  Form typed = form;
  for (std::size_t i : filled) typed.SetText(i, {});
  return typed.RefusalOnOk();
}

}  // namespace mirto::data
