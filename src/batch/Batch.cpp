#include "batch/Batch.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

#include "framework/Format.h"
#include "framework/Registry.h"
#include "framework/Results.h"
#include "journal/CTervoDoc.h"

namespace mirto {
namespace {

// Blanks as the C locale has them, whatever locale the program runs in.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void SplitValues(std::string_view rest, std::vector<std::string_view>& values) {
  values.clear();
  if (rest.empty()) return;
  for (;;) {
    std::size_t semi = rest.find(';');
    values.push_back(Trim(rest.substr(0, semi)));
    if (semi == std::string_view::npos) return;
    rest.remove_prefix(semi + 1);
  }
}

std::string InputName(const Form& form, std::size_t i) {
  const Control& c = form.ControlAt(i);
  std::string name = "\"" + std::string(c.label) + "\"";
  if (c.kind == ControlKind::List) {
    name += " (";
    for (const ConfidenceLevel& level : kConfidenceTable) name += std::string(level.text) + "|";
    name.back() = ')';
  } else if (c.kind == ControlKind::Radio) {
    name += " (";
    for (std::string_view b : c.buttons) name += std::string(b) + "|";
    name.back() = ')';
  }
  return name;
}

bool IsFormAnswer(std::string_view verb) { return verb == "ok" || verb == "cancel"; }

}  // namespace

bool ScriptSource::Next(Statement& statement) {
  while (std::getline(m_in, m_text)) {
    ++m_line;
    std::string_view text = Trim(m_text);
    if (text.empty() || text.front() == '#') continue;
    std::size_t blank = 0;
    while (blank < text.size() && !IsBlank(text[blank])) ++blank;
    statement.line = m_line;
    statement.verb = text.substr(0, blank);
    statement.rest = Trim(text.substr(blank));
    return true;
  }
  return false;
}

void BatchHost::Message(std::string_view text) { m_err << "message: " << text << '\n'; }

void BatchHost::Fail(int status, int line, const std::string& text, const Form* form) {
  if (m_status != kBatchOk) return;
  m_status = status;
  m_err << m_source.Name() << ':' << line << ": error: " << text;
  if (form) {
    m_err << "; the form \"" << form->Template().title << "\" takes";
    std::vector<std::size_t> inputs = form->Inputs();
    if (inputs.empty()) m_err << " no values";
    for (std::size_t k = 0; k < inputs.size(); ++k) m_err << (k ? "; " : ": ") << InputName(*form, inputs[k]);
  }
  m_err << '\n';
}

bool BatchHost::Fill(Form& form, const Statement& statement) {
  form.Inputs(m_inputs);
  SplitValues(statement.rest, m_values);
  const std::vector<std::size_t>& inputs = m_inputs;
  const std::vector<std::string_view>& values = m_values;
  if (values.empty()) return true;
  if (values.size() != inputs.size()) {
    Fail(kBatchScriptError, statement.line,
         Format("%zu value%s given, the form takes %zu", values.size(), values.size() == 1 ? "" : "s", inputs.size()),
         &form);
    return false;
  }
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    const std::size_t i = inputs[k];
    const Control& c = form.ControlAt(i);
    const std::string_view value = values[k];
    if (c.kind == ControlKind::Text) {
      form.SetText(i, std::string(value));
      continue;
    }
    int found = 0;  // list: row + 1; radio: button
    if (c.kind == ControlKind::List) {
      if (value.empty()) {
        form.SetSelection(i, -1);
        continue;
      }
      for (int row = 0; row < 6 && !found; ++row)
        if (SameText(value, kConfidenceTable[row].text)) found = row + 1;
      if (found) form.SetSelection(i, found - 1);
    } else {
      for (std::size_t b = 0; b < c.buttons.size() && !found; ++b)
        if (SameText(value, c.buttons[b]) && form.ButtonEnabled(i, static_cast<int>(b) + 1))
          found = static_cast<int>(b) + 1;
      if (found) form.Choose(i, found);
    }
    if (!found) {
      Fail(kBatchScriptError, statement.line, "\"" + std::string(value) + "\" is not an item of " + InputName(form, i),
           &form);
      return false;
    }
  }
  return true;
}

bool BatchHost::ShowForm(Form& form) {
  if (m_status != kBatchOk) return false;
  Statement statement;
  for (;;) {
    if (!m_source.Next(statement)) {
      Fail(kBatchScriptError, m_source.LastLine(), "the script ends while a form is open", &form);
      return false;
    }
    if (statement.verb == "cancel") {
      if (!statement.rest.empty()) {
        Fail(kBatchScriptError, statement.line, "cancel takes no values", &form);
        return false;
      }
      return false;
    }
    if (statement.verb != "ok") {
      Fail(kBatchScriptError, statement.line,
           "\"" + std::string(statement.verb) + "\" while a form is open; expected ok or cancel", &form);
      return false;
    }
    if (!Fill(form, statement)) return false;
    if (auto refusal = form.RefusalOnOk()) {
      Message(*refusal);  // the form stays open for the next statement
      continue;
    }
    return true;
  }
}

int RunScript(CTervoDoc& doc, ScriptSource& source, BatchHost& host) {
  Statement s;
  while (host.Status() == kBatchOk && source.Next(s)) {
    if (s.verb == "new" && s.rest.empty()) {
      doc.OnNewDocument();
    } else if (s.verb == "open" && !s.rest.empty()) {
      FileResult r = doc.OnOpenDocument(std::string(s.rest));
      if (!r.ok) host.Fail(kBatchFileError, s.line, r.message);
    } else if (s.verb == "save" && !s.rest.empty()) {
      FileResult r = doc.OnSaveDocument(std::string(s.rest));
      if (!r.ok) host.Fail(kBatchFileError, s.line, r.message);
    } else if (s.verb == "command" && !s.rest.empty()) {
      const int line = s.line;
      const std::string what(s.rest);  // the command's forms read further lines
      int id = 0;
      if (std::all_of(what.begin(), what.end(), [](char c) { return c >= '0' && c <= '9'; }))
        id = what.size() <= 9 ? ReadInt(what) : 0;
      else
        id = FindCommandId(what);
      if (!id || !doc.OnCommand(id)) host.Fail(kBatchScriptError, line, "no command \"" + what + "\"");
    } else if (IsFormAnswer(s.verb)) {
      host.Fail(kBatchScriptError, s.line, std::string(s.verb) + " with no form open");
    } else {
      host.Fail(kBatchScriptError, s.line, "unknown statement \"" + std::string(s.verb) + "\"");
    }
  }
  return host.Status();
}

namespace {

bool WriteLines(const Journal& journal, std::ostream& out) {
  for (std::size_t i = 0; i < journal.size(); ++i) out << journal[i] << '\n';
  out.flush();
  return static_cast<bool>(out);
}

constexpr const char* kUsage =
    "usage: mirto [FILE]                      start the desktop program, optionally with a journal\n"
    "       mirto --batch SCRIPT [--journal FILE] [-o OUT] [--results FILE]\n"
    "                                         run a script without a window ('-' reads standard input);\n"
    "                                         --results writes each report's figures (JSON Lines, or CSV\n"
    "                                         for a FILE ending in .csv)\n"
    "       mirto --list-commands              list every calculation command id with its menu path\n"
    "       mirto --help\n";

}  // namespace

int BatchMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  std::string script, journal, output, results;
  bool haveScript = false;
  for (int i = 0; i < argc; ++i) {
    std::string_view a = argv[i];
    if ((a == "--journal" || a == "-o") && i + 1 < argc) {
      (a == "-o" ? output : journal) = argv[++i];
    } else if (a == "--results" && i + 1 < argc) {
      results = argv[++i];
    } else if (!haveScript && (a == "-" || a.substr(0, 1) != "-")) {
      script = argv[i];
      haveScript = true;
    } else {
      err << "mirto: unexpected argument \"" << a << "\"\n" << kUsage;
      return kBatchScriptError;
    }
  }
  if (!haveScript) {
    err << "mirto: --batch needs a script\n" << kUsage;
    return kBatchScriptError;
  }
  std::ifstream file;
  std::istream* in = &std::cin;
  if (script != "-") {
    file.open(script);
    if (!file) {
      err << script << ": error: cannot read the script: " << std::strerror(errno) << '\n';
      return kBatchFileError;
    }
    in = &file;
  }
  ScriptSource source(*in, script == "-" ? "<stdin>" : script);
  BatchHost host(source, err);
  CTervoDoc doc(host);
  int status = kBatchOk;
  if (journal.empty()) {
    doc.OnNewDocument();
  } else if (FileResult r = doc.OnOpenDocument(journal); !r.ok) {
    err << "mirto: error: " << r.message << '\n';
    status = kBatchFileError;
  }
  if (status == kBatchOk) status = RunScript(doc, source, host);
  if (output.empty()) {
    if (!WriteLines(doc.GetJournal(), out)) status = kBatchFileError;
  } else if (FileResult r = WriteJournalFile(doc.GetJournal(), output); !r.ok) {
    err << "mirto: error: " << r.message << '\n';
    status = kBatchFileError;
  }
  if (!results.empty()) {
    if (FileResult r = WriteResults(doc.Blocks(), results); !r.ok) {
      err << "mirto: error: " << r.message << '\n';
      status = kBatchFileError;
    }
  }
  return status;
}

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc < 2) return -1;
  std::string_view first = argv[1];
  if (first == "--help" || first == "-h") {
    out << kUsage;
    return 0;
  }
  if (first == "--list-commands") {
    for (const Command& c : Commands()) out << c.id << '\t' << c.path << '\n';
    out << kRepeatRandomization << "\t(no menu item: repeats the last randomization selection)\n";
    out << kRepeatPrediction << "\t(no menu item: as Prediction)\n";
    return 0;
  }
  if (first == "--batch") return BatchMain(argc - 2, argv + 2, out, err);
  return -1;
}

}  // namespace mirto
