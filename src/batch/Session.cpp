#include "batch/Session.h"

#include <algorithm>

#include "framework/Registry.h"
#include "journal/CTervoDoc.h"
#include "journal/Excerpt.h"

namespace mirto {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view ScriptText(std::string_view text) {
  text = text.substr(0, text.find_first_of(std::string_view(";\n\r\0", 4)));
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The value input `i` holds, as a script names it.
std::string_view Value(const Form& form, std::size_t i) {
  const Control& c = form.ControlAt(i);
  const int selection = form.Selection(i);
  switch (c.kind) {
    case ControlKind::List: return selection >= 0 && selection < 6 ? kConfidenceTable[selection].text : "";
    case ControlKind::Radio:
      return selection >= 1 && static_cast<std::size_t>(selection) <= c.buttons.size()
                 ? c.buttons[static_cast<std::size_t>(selection) - 1]
                 : "";
    default: return ScriptText(form.Text(i));
  }
}

std::string_view MenuPath(int id) {
  const Command* command = FindCommand(id);
  return command ? command->path : "(a command without a menu item)";
}

// A path the `open` statement reads back as it is.
bool Nameable(std::string_view path) {
  return !path.empty() && !IsBlank(path.front()) && !IsBlank(path.back()) &&
         path.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

}  // namespace

std::string AnswerStatement(const Form& opened, const Form& answered, bool ok,
                            const std::vector<std::size_t>& fromData) {
  if (!ok) return "cancel";
  // The inputs a script fills are those of the form as it opened.
  std::vector<std::size_t> inputs = opened.Inputs();
  std::erase_if(inputs,
                [&](std::size_t i) { return std::find(fromData.begin(), fromData.end(), i) != fromData.end(); });
  bool asOpened = true;
  for (std::size_t i : inputs) asOpened = asOpened && Value(opened, i) == Value(answered, i);
  if (asOpened) return "ok";
  std::string statement = "ok";
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    statement += k == 0 ? " " : "; ";
    statement += Value(answered, inputs[k]);
  }
  while (statement.back() == ' ') statement.pop_back();  // "ok 1; " would end in a blank
  return statement;
}

bool SessionRecorder::ShowForm(Form& form) {
  if (!m_running) return m_host.ShowForm(form);
  const Form opened = form;
  const bool ok = m_host.ShowForm(form);
  m_tookValues = m_tookValues || ok;
  const std::vector<std::size_t> fromData = m_host.DataFields();
  const std::vector<std::size_t> inputs = opened.Inputs();
  const bool whole = !fromData.empty() && std::all_of(inputs.begin(), inputs.end(), [&](std::size_t i) {
    return std::find(fromData.begin(), fromData.end(), i) != fromData.end();
  });
  // A script's data mode answers such a form itself, with no statement.
  if (!(whole && ok)) m_lines.push_back(AnswerStatement(opened, form, ok, fromData));
  return ok;
}

void SessionRecorder::Start(std::string journalPath, bool additionalFigures) {
  m_start = std::move(journalPath);
  m_startAdditional = additionalFigures;
  m_lines.clear();
  m_kept.clear();
  m_calculations = 0;
  m_population = m_pairs = false;
}

bool SessionRecorder::RunCommand(CTervoDoc& doc, int id) {
  const std::size_t mark = m_lines.size();
  m_lines.push_back("");
  m_lines.push_back("# " + std::string(MenuPath(id)));
  m_lines.push_back("command " + std::to_string(id));
  const std::size_t before = doc.GetJournal().size();
  const std::uint64_t stepBefore = doc.UndoStep();
  m_running = true;
  m_tookValues = false;
  const bool known = doc.OnCommand(id);
  m_running = false;
  const bool appended = doc.GetJournal().size() > before;
  if (appended) {
    ++m_calculations;
  } else if (known && m_tookValues) {
    m_lines[mark + 1] += " (nothing appended; kept for the values it stored)";
  } else {
    m_lines.resize(mark);
    return known;
  }
  const std::uint64_t step = doc.UndoStep();
  m_kept.push_back({mark, m_lines.size(), appended && step != stepBefore ? step : 0, appended});
  return known;
}

void SessionRecorder::NewJournal() {
  m_lines.push_back("");
  m_lines.push_back("# File > New");
  m_lines.push_back("new");
}

void SessionRecorder::SwitchAdditionalFigures(CTervoDoc& doc, bool on) {
  if (doc.AdditionalFigures() == on) return;
  doc.SetAdditionalFigures(on);
  m_lines.push_back("");
  m_lines.push_back("# View > Additional figures");
  m_lines.push_back(on ? "extras on" : "extras off");
}

void SessionRecorder::OpenedJournal(const std::string& path, bool complete) {
  m_lines.push_back("");
  if (!complete || !Nameable(path)) {
    m_lines.push_back("# File > Open of " + PathExcerpt(path) +
                      (complete ? ": its name cannot be written in a script" : ": it failed part way") +
                      "; the lines it added are not repeated");
    return;
  }
  m_lines.push_back("# File > Open");
  m_lines.push_back("open " + path);
}

void SessionRecorder::UsedData(const std::vector<std::string>& statements) {
  m_lines.push_back("");
  m_lines.push_back("# Data > From data...");
  const auto gives = [&](std::string_view verb) {
    return std::any_of(statements.begin(), statements.end(), [&](const std::string& s) {
      return s.starts_with(verb) && s.size() > verb.size() && s[verb.size()] == ' ';
    });
  };
  // The dialog's choice is whole, where a script keeps the files given before.
  if (m_population && !gives("population")) m_lines.push_back("population");
  if (m_pairs && !gives("pairs")) m_lines.push_back("pairs");
  m_population = gives("population");
  m_pairs = gives("pairs");
  m_lines.insert(m_lines.end(), statements.begin(), statements.end());
}

void SessionRecorder::ClearedData() {
  m_lines.push_back("");
  m_lines.push_back("# Data > Clear data");
  m_lines.push_back("use");
}

void SessionRecorder::RanStatements(std::string_view menuPath, const std::vector<std::string>& statements,
                                    bool appended, std::uint64_t step) {
  m_lines.push_back("");
  m_lines.push_back("# " + std::string(menuPath));
  const std::size_t begin = m_lines.size();
  m_lines.insert(m_lines.end(), statements.begin(), statements.end());
  if (!appended) return;
  ++m_calculations;
  m_kept.push_back({begin - 2, m_lines.size(), step, true});
}

bool SessionRecorder::Undo(CTervoDoc& doc) {
  const std::uint64_t step = doc.UndoStep();
  if (!doc.Undo()) return false;
  const auto at = std::find_if(m_kept.begin(), m_kept.end(), [&](const Kept& k) { return k.step == step; });
  for (auto k = at; k != m_kept.end(); ++k) {
    if (k->undoneBy != 0 || (k != at && k->appended)) continue;
    k->undoneBy = step;
    if (k->appended) --m_calculations;
  }
  return true;
}

bool SessionRecorder::Redo(CTervoDoc& doc) {
  const std::uint64_t step = doc.RedoStep();
  if (!doc.Redo()) return false;
  for (Kept& k : m_kept) {
    if (k.undoneBy != step) continue;
    k.undoneBy = 0;
    if (k.appended) ++m_calculations;
  }
  return true;
}

std::vector<std::string> SessionRecorder::ScriptLines() const {
  std::vector<std::string> lines = {
      "# Mirto session: every calculation of this run, as statements that repeat it.",
      m_start.empty() ? "# It began with a new journal. Replay: mirto --batch SCRIPT -o JOURNAL"
                      : "# It began with the lines of " + PathExcerpt(m_start) +
                            ". Replay: mirto --batch SCRIPT --journal FILE -o JOURNAL",
  };
  if (m_startAdditional) lines.insert(lines.end(), {"", "# View > Additional figures was on", "extras on"});
  std::size_t from = 0;
  for (const Kept& k : m_kept) {
    if (k.undoneBy == 0) continue;
    lines.insert(lines.end(), m_lines.begin() + static_cast<std::ptrdiff_t>(from),
                 m_lines.begin() + static_cast<std::ptrdiff_t>(k.begin));
    from = k.end;
  }
  lines.insert(lines.end(), m_lines.begin() + static_cast<std::ptrdiff_t>(from), m_lines.end());
  return lines;
}

FileResult WriteScript(const std::vector<std::string>& lines, const std::string& path) {
  Journal text;
  for (const std::string& line : lines) text.push_back(line);
  return WriteJournalFile(text, path);
}

}  // namespace mirto
