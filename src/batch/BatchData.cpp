// Data mode in a script: `data PATH`, `use ROLE=VARIABLE ...` (alone: data
// mode ends), `population PATH` and `pairs PATH` (alone: none). While it is on, the fields the data
// supply are filled before the form takes its statement, and `ok` gives the
// others; a form the data fill whole takes no statement.
#include <unistd.h>

#include <algorithm>

#include "batch/Batch.h"
#include "journal/CTervoDoc.h"
#include "journal/Excerpt.h"

namespace mirto {

bool BatchHost::IsDataStatement(std::string_view verb) {
  return verb == "data" || verb == "use" || verb == "population" || verb == "pairs";
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A variable's name at the start of `text`: up to a blank, or between double
// quotes with a quote in it doubled (`"Revenu mensuel (€)"`). What follows
// it; nullopt, with `name` saying why, when a quote is not closed.
std::optional<std::string_view> ReadName(std::string_view text, std::string& name) {
  name.clear();
  if (text.empty() || text.front() != '"') {
    const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
    name = text.substr(0, end);
    return text.substr(end);
  }
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '"') {
      name += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '"') {
      name += '"', ++i;
    } else if (i + 1 < text.size() && !IsBlank(text[i + 1])) {
      name = Excerpt(text.substr(0, i + 2)) + ": a blank must follow the closing quote";
      return std::nullopt;
    } else {
      return text.substr(i + 1);
    }
  }
  name = Excerpt(text) + ": the quote is not closed";
  return std::nullopt;
}

// "ROLE=VARIABLE ..." into pairs; the text of the first bad word, if any.
std::optional<std::string> ParseRoles(std::string_view rest, std::vector<std::pair<data::Role, std::string>>& roles) {
  std::string name;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
    const std::size_t eq = rest.substr(0, end).find('=');
    const std::optional<data::Role> role =
        eq == std::string_view::npos ? std::nullopt : data::RoleNamed(rest.substr(0, eq));
    if (!role || eq + 1 == end)
      return "\"" + Excerpt(rest.substr(0, end)) +
             "\" is not ROLE=VARIABLE (roles: y, x, y1, y2, stratum, group, size, prob)";
    const std::optional<std::string_view> after = ReadName(rest.substr(eq + 1), name);
    if (!after) return name;
    for (const auto& [seen, known] : roles)
      if (seen == *role) return "the role " + std::string(data::RoleName(*role)) + " is given twice";
    roles.emplace_back(*role, name);
    rest = *after;
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  }
  return std::nullopt;
}

}  // namespace

void BatchHost::DataStatement(const Statement& s) {
  std::optional<data::DataProblem> problem;
  int status = kBatchScriptError;
  if (s.verb == "use") {
    std::vector<std::pair<data::Role, std::string>> roles;
    if (auto bad = ParseRoles(s.rest, roles)) return Fail(kBatchScriptError, s.line, *bad);
    if (roles.empty()) return m_data.EndUse();
    problem = m_data.Use(roles);
  } else if (s.rest.empty() && s.verb != "data") {
    return s.verb == "pairs" ? m_data.DropPairs() : m_data.DropPopulation();  // alone: none from now on
  } else if (s.rest.empty()) {
    return Fail(kBatchScriptError, s.line, "data needs the path of a file");
  } else if (s.verb == "data") {
    problem = m_data.Open(std::string(s.rest), PathExcerpt(s.rest));
    // A file that cannot be read at all is a file error; one that reads as no data file, bad input.
    status = problem && ::access(std::string(s.rest).c_str(), R_OK) != 0 ? kBatchFileError : kBatchScriptError;
  } else if (s.verb == "pairs") {
    problem = m_data.LoadPairs(std::string(s.rest), PathExcerpt(s.rest));
  } else {
    problem = m_data.LoadPopulation(std::string(s.rest), PathExcerpt(s.rest));
  }
  if (problem) Fail(status, s.line, problem->Describe());
}

bool BatchHost::BeforeCommand(CTervoDoc& doc, int id, int line) {
  m_filled.clear();
  if (auto problem = m_run.Begin(m_data, id)) {
    Fail(kBatchScriptError, line, problem->Describe());
    return false;
  }
  if (m_run.Ready()) doc.SetNote(m_run.Note(), m_run.GroupNames());
  return true;
}

void BatchHost::AfterCommand() {
  m_run.End();
  m_filled.clear();
}

bool BatchHost::AnswerFromData(Form& form) {
  if (!m_run.Ready()) return false;
  if (auto refusal = m_run.Refusal(form, data::Front::Script)) {
    Fail(kBatchScriptError, m_source.LastLine(), *refusal, &form);
    return false;
  }
  m_filled = m_run.Fill(form, InLoop(form) ? m_shown : 0);
  return m_run.Whole(form);
}

bool BatchHost::CancelAhead() {
  Statement next;
  if (!m_source.Peek(next) || next.verb != "cancel" || !next.rest.empty()) return false;
  return m_source.Next(next);
}

void BatchHost::Remaining(const Form& form, std::vector<std::size_t>& inputs) const {
  form.Inputs(inputs);
  std::erase_if(inputs,
                [&](std::size_t i) { return std::find(m_filled.begin(), m_filled.end(), i) != m_filled.end(); });
}

}  // namespace mirto
