#include "batch/Batch.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <new>
#include <optional>
#include <vector>

#include "framework/Format.h"
#include "framework/Registry.h"
#include "framework/Results.h"
#include "journal/CTervoDoc.h"
#include "journal/Excerpt.h"
#include "journal/Fd.h"
#include "mirto/Version.h"
#include "select/Script.h"
#include "survey/Statements.h"

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

bool IsFormAnswer(std::string_view verb) { return verb == "ok" || verb == "cancel" || verb == "rows"; }

// Script text in a message.
std::string Quoted(std::string_view text) { return "\"" + Excerpt(text) + "\""; }

// A statement that is unknown, or a known one without what it needs.
std::string Misuse(const Statement& s) {
  if (s.verb == "open" && s.rest.empty()) return "open needs the path of a journal file";
  if (s.verb == "save" && s.rest.empty()) return "save needs the path of a file";
  if (s.verb == "command" && s.rest.empty()) return "command needs a command id or a menu path";
  if (s.verb == "new" && !s.rest.empty()) return "new takes nothing after it, found " + Quoted(s.rest);
  if (s.verb == "extras")
    return s.rest.empty() ? "extras needs on or off" : "extras takes on or off, found " + Quoted(s.rest);
  return "unknown statement " + Quoted(s.verb);
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

ScriptFile::int_type ScriptFile::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  while (m_error == 0) {
    const ssize_t n = m_read(m_fd, m_buffer.data(), m_buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) m_error = errno != 0 ? errno : EIO;
    if (n <= 0) break;
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + n);
    return traits_type::to_int_type(*gptr());
  }
  return traits_type::eof();
}

bool ScriptSource::ReadFailed() const { return m_in.bad() || (m_file && m_file->Error() != 0); }

std::string ScriptSource::ReadError() const {
  return std::string("cannot read the script: ") + std::strerror(m_file && m_file->Error() ? m_file->Error() : EIO);
}

bool ScriptSource::Peek(Statement& statement) {
  if (!m_peeked && !Next(m_ahead)) return false;
  m_peeked = true;
  statement = m_ahead;
  return true;
}

bool ScriptSource::Next(Statement& statement) {
  if (m_peeked) {
    m_peeked = false;
    statement = m_ahead;
    return true;
  }
  while (!m_failed && std::getline(m_in, m_text) && !ReadFailed()) {
    ++m_line;
    std::string_view text = m_text;
    if (m_line == 1 && text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    text = Trim(text);
    if (text.empty() || text.front() == '#') continue;
    std::size_t blank = 0;
    while (blank < text.size() && !IsBlank(text[blank])) ++blank;
    statement.line = m_line;
    statement.verb = text.substr(0, blank);
    statement.rest = Trim(text.substr(blank));
    return true;
  }
  m_failed = m_failed || ReadFailed();
  return false;
}

void BatchHost::Message(std::string_view text) {
  m_err << "message: " << text;
  if (const std::string detail = RowsDetail(); !detail.empty()) m_err << " (" << detail << ')';
  m_err << '\n';
}

void BatchHost::EndOfScript(const Form* form) {
  if (m_source.Failed())
    Fail(kBatchFileError, m_source.LastLine() + 1, m_source.ReadError());
  else if (form)
    Fail(kBatchScriptError, m_source.LastLine(), "the script ends while a form is open", form);
}

void BatchHost::Fail(int status, int line, const std::string& text, const Form* form) {
  if (m_status != kBatchOk) return;
  m_status = status;
  m_err << m_source.Name() << ':' << line << ": error: " << text;
  if (form) {
    m_err << "; the form \"" << form->Template().title << "\" takes";
    std::vector<std::size_t> inputs;
    Remaining(*form, inputs);
    if (inputs.empty()) m_err << " no values";
    for (std::size_t k = 0; k < inputs.size(); ++k) m_err << (k ? "; " : ": ") << InputName(*form, inputs[k]);
  }
  m_err << '\n';
}

bool BatchHost::Fill(Form& form, const Statement& statement) {
  Remaining(form, m_inputs);
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
      // Text that is not wholly a number is refused as on the desktop, but a script is not there to correct it.
      if (std::optional<std::string> misread = form.Misread(i)) {
        if (misread->ends_with('.')) misread->pop_back();
        Fail(kBatchScriptError, statement.line, *misread, &form);
        return false;
      }
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
      Fail(kBatchScriptError, statement.line, Quoted(value) + " is not an item of " + InputName(form, i), &form);
      return false;
    }
  }
  return true;
}

bool BatchHost::ShowForm(Form& form) {
  if (m_status != kBatchOk) return false;
  if (InLoop(form)) ++m_shown;
  m_filled.clear();
  if (AnswerFromRows(form)) return true;
  // A form the data fill whole takes no statement, unless the next is cancel: the desktop's user may cancel it.
  if (AnswerFromData(form)) return !CancelAhead();
  if (m_status != kBatchOk) return false;
  Statement statement;
  for (;;) {
    if (!m_source.Next(statement)) {
      EndOfScript(&form);
      return false;
    }
    if (statement.verb == "cancel") {
      if (!statement.rest.empty()) {
        Fail(kBatchScriptError, statement.line, "cancel takes no values", &form);
        return false;
      }
      return false;
    }
    if (statement.verb == "rows") {
      if (!LoadRows(form, statement)) return false;
      if (AnswerFromRows(form)) return true;
      continue;  // a file of no rows: the next statement answers
    }
    if (statement.verb != "ok") {
      Fail(kBatchScriptError, statement.line,
           Quoted(statement.verb) + " while a form is open; expected ok" +
               (InLoop(form) ? ", cancel or rows" : " or cancel"),
           &form);
      return false;
    }
    if (!Fill(form, statement)) return false;
    if (auto refusal = data::RefusalOnOk(form, m_filled)) {
      Message(*refusal);  // the form stays open for the next statement
      continue;
    }
    Advise(form);
    return true;
  }
}

void BatchHost::Advise(const Form& form) {
  for (const FieldNote& note : form.Advice())
    if (std::find(m_filled.begin(), m_filled.end(), note.control) == m_filled.end()) Message(note.text);
}

void BatchHost::OutOfMemory() { Fail(kBatchFileError, m_source.LastLine(), std::string(kNoMemory)); }

namespace {

// What the statements beyond forms keep from one statement to the next.
struct ScriptStatements {
  select::ScriptDraws draws;
  survey::Statements survey;  // the survey design in effect, on the file `data` opened
};

void RunStatement(CTervoDoc& doc, BatchHost& host, ScriptStatements& st, const Statement& s) {
  if (s.verb == "new" && s.rest.empty()) {
    doc.OnNewDocument();
  } else if (s.verb == "open" && !s.rest.empty()) {
    FileResult r = doc.OnOpenDocument(std::string(s.rest));
    if (!r.ok) host.Fail(kBatchFileError, s.line, r.message);
  } else if (s.verb == "save" && !s.rest.empty()) {
    for (const ReservedFile& file : host.Reserved())
      if (!file.journal && SameFile(std::string(s.rest), file.path))
        return host.Fail(kBatchScriptError, s.line, "save: " + PathExcerpt(s.rest) + " is " + file.what);
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
    if (id && !host.BeforeCommand(doc, id, line)) return;
    const bool ran = id && doc.OnCommand(id);
    host.AfterCommand();
    if (!ran) host.Fail(kBatchScriptError, line, "no command " + Quoted(what));
  } else if (s.verb == "extras" && (s.rest == "on" || s.rest == "off")) {
    doc.SetAdditionalFigures(s.rest == "on");
  } else if (BatchHost::IsDataStatement(s.verb)) {
    host.DataStatement(s);
    if (s.verb == "data" && host.Status() == kBatchOk) st.survey.DataOpened(std::string(s.rest), PathExcerpt(s.rest));
  } else if (select::IsStatement(s.verb)) {
    if (auto failure = st.draws.Run(doc, s.verb, s.rest)) host.Fail(failure->status, s.line, failure->message);
  } else if (survey::Statements::Handles(s.verb)) {
    if (auto failure = st.survey.Run(doc, s.verb, s.rest))
      host.Fail(failure->file ? kBatchFileError : kBatchScriptError, s.line, failure->text);
  } else if (IsFormAnswer(s.verb)) {
    host.Fail(kBatchScriptError, s.line, std::string(s.verb) + " with no form open");
  } else {
    host.Fail(kBatchScriptError, s.line, Misuse(s));
  }
}

}  // namespace

int RunScript(CTervoDoc& doc, ScriptSource& source, BatchHost& host) {
  Statement s;
  ScriptStatements statements;
  statements.draws.Reserve(host.Reserved());
  statements.survey.Reserve(host.Reserved());
  while (host.Status() == kBatchOk && source.Next(s)) {
    // A command takes back its own block (CTervoDoc::OnCommand); memory that
    // runs out in reading data or in working out a command's figures ends here.
    try {
      RunStatement(doc, host, statements, s);
    } catch (const std::bad_alloc&) {
      host.AfterCommand();
      host.Fail(kBatchFileError, s.line, std::string(kNoMemory));
    }
  }
  if (host.Status() == kBatchOk) host.EndOfScript(nullptr);
  return host.Status();
}

namespace {

// Why the script file open as `fd` cannot be run; empty when it can.
std::string RefusedScript(int fd) {
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "it is a folder, not a script";
  // A device such as /dev/zero never ends and would fill the memory.
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "it is a device, not a script";
  return {};
}

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
    "       mirto --version                    print the version\n"
    "       mirto --help\n";

}  // namespace

namespace {

// A file the run reads or writes, as the arguments name it.
struct RunFile {
  std::string what;  // "-o OUT", "the script s.mirto", ...
  std::optional<FileId> id;
  bool output;
  bool journal;  // the --journal file: read whole before -o is written, so it may be -o
};

// Why the run must not start: an output that is another output or an input.
std::string SameFile(const std::vector<RunFile>& files) {
  for (std::size_t j = 0; j < files.size(); ++j)
    for (std::size_t i = 0; i < j; ++i) {
      const RunFile &a = files[i], &b = files[j];
      if (!a.id || !b.id || *a.id != *b.id || !(a.output || b.output)) continue;
      if ((a.journal && b.what.starts_with("-o ")) || (b.journal && a.what.starts_with("-o "))) continue;
      return b.what + " is the same file as " + a.what;
    }
  return {};
}

struct Arguments {
  std::string script, journal, output, results;
};

std::vector<RunFile> FilesOf(const Arguments& a, bool toStandardOutput) {
  std::vector<RunFile> files;
  if (a.script == "-")
    files.push_back({"the script (standard input)", IdentifyFile(0), false, false});
  else
    files.push_back({"the script " + PathExcerpt(a.script), IdentifyFile(a.script), false, false});
  if (!a.journal.empty())
    files.push_back({"--journal " + PathExcerpt(a.journal), IdentifyFile(a.journal), false, true});
  if (!a.output.empty()) files.push_back({"-o " + PathExcerpt(a.output), IdentifyFile(a.output), true, false});
  if (a.output.empty() && toStandardOutput) files.push_back({"standard output", IdentifyFile(1), true, false});
  if (!a.results.empty())
    files.push_back({"--results " + PathExcerpt(a.results), IdentifyFile(a.results), true, false});
  return files;
}

// Reads the arguments after "--batch"; the status of an error in them, or -1.
int ReadArguments(int argc, const char* const* argv, Arguments& args, std::ostream& err) {
  bool haveScript = false;
  for (int i = 0; i < argc; ++i) {
    std::string_view a = argv[i];
    if ((a == "--journal" || a == "-o" || a == "--results") && i + 1 < argc) {
      std::string& value = a == "-o" ? args.output : a == "--journal" ? args.journal : args.results;
      if (!value.empty()) {
        err << "mirto: " << a << " is given twice\n" << kUsage;
        return kBatchScriptError;
      }
      value = argv[++i];
    } else if (!haveScript && (a == "-" || a.substr(0, 1) != "-")) {
      args.script = argv[i];
      haveScript = true;
    } else {
      err << "mirto: unexpected argument " << Quoted(a) << "\n" << kUsage;
      return kBatchScriptError;
    }
  }
  if (!haveScript) {
    err << "mirto: --batch needs a script\n" << kUsage;
    return kBatchScriptError;
  }
  return -1;
}

int RunBatch(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  Arguments args;
  if (const int status = ReadArguments(argc, argv, args, err); status >= 0) return status;
  if (const std::string same = SameFile(FilesOf(args, &out == &std::cout)); !same.empty()) {
    err << "mirto: " << same << "; nothing was written\n";
    return kBatchScriptError;
  }
  const std::string& script = args.script;
  Fd fd(script == "-" ? -1 : ::open(script.c_str(), O_RDONLY | O_CLOEXEC));
  if (const std::string why = script == "-" ? std::string() : RefusedScript(fd.get()); !why.empty()) {
    err << PathExcerpt(script) << ": error: cannot read the script: " << why << "; no journal was written\n";
    return kBatchFileError;
  }
  ScriptFile file(script == "-" ? 0 : fd.get());
  ScriptSource source(file, script == "-" ? "<stdin>" : PathExcerpt(script));
  BatchHost host(source, err);
  if (script != "-") host.Reserve({script, "the script"});
  if (!args.journal.empty()) host.Reserve({args.journal, "the --journal file", true});
  if (!args.output.empty()) host.Reserve({args.output, "the journal (-o)", true});
  if (!args.results.empty()) host.Reserve({args.results, "the results file (--results)"});
  CTervoDoc doc(host);
  int status = kBatchOk;
  if (args.journal.empty()) {
    doc.OnNewDocument();
  } else if (FileResult r = doc.OnOpenDocument(args.journal); !r.ok) {
    // What was read must not replace any file, least of all the one it came from.
    err << "mirto: error: " << r.message << (args.output.empty() ? "" : "; no journal was written") << '\n';
    if (!args.output.empty()) return kBatchFileError;
    status = kBatchFileError;
  }
  if (status == kBatchOk) status = RunScript(doc, source, host);
  if (args.output.empty()) {
    errno = 0;
    if (!WriteLines(doc.GetJournal(), out)) {
      err << "mirto: error: cannot write the journal to standard output: "
          << (errno != 0 ? std::strerror(errno) : "write error") << '\n';
      status = kBatchFileError;
    }
  } else if (FileResult r = doc.WriteJournal(args.output); !r.ok) {
    err << "mirto: error: " << r.message << '\n';
    status = kBatchFileError;
  }
  if (!args.results.empty()) {
    if (FileResult r = WriteResults(doc.Blocks(), args.results); !r.ok) {
      err << "mirto: error: " << r.message << '\n';
      status = kBatchFileError;
    }
  }
  return status;
}

}  // namespace

int BatchMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  try {
    return RunBatch(argc, argv, out, err);
  } catch (const std::bad_alloc&) {
    // The last resort: what a statement or a save did not catch.
    err << "mirto: error: " << kNoMemory << '\n';
    return kBatchFileError;
  }
}

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc < 2) return -1;
  std::string_view first = argv[1];
  if (first == "--help" || first == "-h") {
    out << kUsage;
    return 0;
  }
  if (first == "--version") {
    out << "mirto " << MIRTO_VERSION << '\n';
    return 0;
  }
  if (first == "--list-commands") {
    for (const Command& c : Commands()) out << c.id << '\t' << c.path << '\n';
    out << kRepeatRandomization << "\t(no menu item: repeats the last randomization selection)\n";
    out << kRepeatPrediction << "\t(no menu item: as Prediction)\n";
    return 0;
  }
  if (first == "--batch") {
    // A closed standard output fails a write (reported, status 1) rather
    // than ending the run before the journal and results files are written.
    std::signal(SIGPIPE, SIG_IGN);
    return BatchMain(argc - 2, argv + 2, out, err);
  }
  return -1;
}

}  // namespace mirto
