#pragma once
// `mirto --batch`: a script plays the user, choosing commands and answering
// the forms they open, on the same document operations as the desktop program.
#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataHost.h"
#include "framework/Form.h"
#include "journal/JournalFile.h"

namespace mirto {

class CTervoDoc;
namespace data {
class EntryTable;
}

enum BatchStatus { kBatchOk = 0, kBatchFileError = 1, kBatchScriptError = 2 };

struct Statement {
  int line = 0;
  std::string_view verb;  // "ok", "command", ...
  std::string_view rest;  // what follows the verb, trimmed
};

// A script read through a file descriptor, so that a read error is told
// apart from the end of the script.
class ScriptFile : public std::streambuf {
 public:
  explicit ScriptFile(int fd, ReadFn read = &SystemRead) : m_fd(fd), m_read(read), m_buffer(1 << 16) {}
  int Error() const { return m_error; }  // errno of the failed read, 0 if none

 protected:
  int_type underflow() override;

 private:
  int m_fd;
  ReadFn m_read;
  std::vector<char> m_buffer;
  int m_error = 0;
};

// Reads a script statement by statement, skipping blank lines, comments and
// a byte-order mark at the start.
class ScriptSource {
 public:
  ScriptSource(std::istream& in, std::string name) : m_in(in), m_name(std::move(name)) {}
  ScriptSource(ScriptFile& file, std::string name)
      : m_own(std::make_unique<std::istream>(&file)), m_in(*m_own), m_file(&file), m_name(std::move(name)) {}
  // False at the end of the script, and when reading it failed.
  bool Next(Statement& statement);
  // The statement Next gives next, left for it.
  bool Peek(Statement& statement);
  const std::string& Name() const { return m_name; }
  int LastLine() const { return m_line; }
  // Reading stopped at an error, not at the end; a line cut short by it is dropped.
  bool Failed() const { return m_failed; }
  std::string ReadError() const;

 private:
  bool ReadFailed() const;

  std::unique_ptr<std::istream> m_own;
  std::istream& m_in;
  const ScriptFile* m_file = nullptr;
  std::string m_name;
  std::string m_text;
  int m_line = 0;
  bool m_failed = false;
  Statement m_ahead;
  bool m_peeked = false;
};

// Answers forms from the script; messages go to `err` as "message: TEXT".
class BatchHost : public FormHost {
 public:
  BatchHost(ScriptSource& source, std::ostream& err);
  ~BatchHost() override;
  bool ShowForm(Form& form) override;
  void Message(std::string_view text) override;
  void BeginEntryLoop(const EntryLoop& loop) override;
  void EndEntryLoop() override;
  // Ends the run with status 1 and "Memory allocation failure.".
  void OutOfMemory() override;

  // The first error ends the run: the form open then is cancelled, and every
  // later form is cancelled at once.
  void Fail(int status, int line, const std::string& text, const Form* form = nullptr);
  int Status() const { return m_status; }
  // The script ended or could not be read further with `form` (or nothing) open.
  void EndOfScript(const Form* form);

  // `data PATH`, `use ROLE=VARIABLE ...`, `population PATH` (BatchData.cpp).
  void DataStatement(const Statement& statement);
  static bool IsDataStatement(std::string_view verb);
  // In data mode, works out the figures of command `id` and gives `doc` the
  // data note; false (after the error) when the data cannot answer it.
  bool BeforeCommand(CTervoDoc& doc, int id, int line);
  void AfterCommand();
  // The run's own files (the script, --journal, -o, --results): `save`,
  // `draw` and `weights out` never write over them.
  void Reserve(ReservedFile file) { m_reserved.push_back(std::move(file)); }
  const std::vector<ReservedFile>& Reserved() const { return m_reserved; }

 private:
  // Fills the fields of `form` the data supply; true when they are all its inputs.
  bool AnswerFromData(Form& form);
  // Takes a plain `cancel` that comes next.
  bool CancelAhead();
  // The inputs an `ok` line gives: those the data do not supply.
  void Remaining(const Form& form, std::vector<std::size_t>& inputs) const;

  bool Fill(Form& form, const Statement& statement);
  // Points out, as messages, the typed values outside the formulas' domain.
  void Advise(const Form& form);
  // `rows PATH [sep=X]`: answers this form of the open entry loop, and the
  // ones after it, from the lines of a file. False after an error.
  bool LoadRows(const Form& form, const Statement& statement);
  bool InLoop(const Form& form) const { return m_loop.tmpl == &form.Template(); }
  // Answers a form of the loop from the next row read, if there is one.
  bool AnswerFromRows(Form& form);
  // Where the row that answered the last form came from, and what the loop's
  // row check says of it; empty when no row answered it.
  std::string RowsDetail() const;

  std::vector<ReservedFile> m_reserved;
  // The entry loop that is open (tmpl null when none) and the forms it has shown.
  EntryLoop m_loop;
  long long m_shown = 0;
  // Rows read by `rows`, the next to answer with, and the one that answered
  // the form shown last (-1 none), with where each came from in its file.
  struct FileRows;
  std::unique_ptr<FileRows> m_rows;

  // Data mode: the file and roles, the running command's figures, and the
  // fields of the open form that they filled.
  data::DataSession m_data;
  data::DataRun m_run;
  std::vector<std::size_t> m_filled;

  ScriptSource& m_source;
  std::ostream& m_err;
  int m_status = kBatchOk;
  // Reused from form to form: a long entry loop allocates nothing per statement.
  std::vector<std::size_t> m_inputs;
  std::vector<std::string_view> m_values;
};

// Runs every statement of the script on `doc`; returns the exit status.
int RunScript(CTervoDoc& doc, ScriptSource& source, BatchHost& host);

// The whole `--batch` run: arguments after "--batch". Writes the journal to
// the output (or `out`) also after an error.
int BatchMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// `mirto` options that need no window: --batch, --help, --list-commands, --version.
// Returns -1 when the arguments are for the desktop program.
int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace mirto
