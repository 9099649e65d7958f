#include "data/DataHost.h"

#include <algorithm>

#include "framework/Form.h"
#include "framework/Registry.h"

namespace mirto::data {

bool TakesData(const Command& command) { return command.figures != nullptr; }

std::vector<std::string> ScriptStatements(const DataChoice& choice) {
  std::vector<std::string> lines = {"data " + choice.file};
  if (!choice.population.empty()) lines.push_back("population " + choice.population);
  if (!choice.pairs.empty()) lines.push_back("pairs " + choice.pairs);
  std::string use = "use";
  for (std::size_t r = 0; r < kRoles; ++r) {
    if (choice.variables[r].empty()) continue;
    const std::string role(RoleName(static_cast<Role>(r)));
    if (const std::optional<std::string> name = ScriptName(choice.variables[r]))
      use += " " + role + "=" + *name;
    else
      lines.push_back("# " + role + "=" + NoteName(choice.variables[r]) + " left out: no script can write its name");
  }
  lines.push_back(use);
  return lines;
}

std::optional<DataProblem> DataRun::Begin(const DataSession& session, int id) {
  End();
  const Command* command = FindCommand(id);
  if (!session.Active() || !command || !TakesData(*command)) return std::nullopt;
  std::optional<DataProblem> problem = m_answers.Prepare(session, *command);
  if (problem) End();
  return problem;
}

void DataRun::End() {
  m_answers = {};
  m_filled.clear();
}

std::optional<std::string> DataRun::Refusal(const Form& form, Front front) const {
  if (m_answers.NotFromData(form))
    return "this road of the command does not take its figures from data (" + kEndDataMode.For(front) + ")";
  if (const auto undefined = m_answers.Undefined(form)) return undefined->Describe(front);
  return std::nullopt;
}

const std::vector<std::size_t>& DataRun::Fill(Form& form, long long row) {
  m_filled = m_answers.Fill(form, row);
  return m_filled;
}

bool DataRun::Whole(const Form& form) const {
  if (m_filled.empty()) return false;
  const std::vector<std::size_t> inputs = form.Inputs();
  return std::all_of(inputs.begin(), inputs.end(),
                     [&](std::size_t i) { return std::find(m_filled.begin(), m_filled.end(), i) != m_filled.end(); }) &&
         !RefusalOnOk(form, m_filled);
}

}  // namespace mirto::data
