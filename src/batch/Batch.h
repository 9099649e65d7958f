#pragma once
// `mirto --batch`: a script plays the user, choosing commands and answering
// the forms they open, on the same document operations as the desktop program.
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Form.h"

namespace mirto {

class CTervoDoc;

enum BatchStatus { kBatchOk = 0, kBatchFileError = 1, kBatchScriptError = 2 };

struct Statement {
  int line = 0;
  std::string_view verb;  // "ok", "command", ...
  std::string_view rest;  // what follows the verb, trimmed
};

// Reads a script statement by statement, skipping blank lines and comments.
class ScriptSource {
 public:
  ScriptSource(std::istream& in, std::string name) : m_in(in), m_name(std::move(name)) {}
  bool Next(Statement& statement);
  const std::string& Name() const { return m_name; }
  int LastLine() const { return m_line; }

 private:
  std::istream& m_in;
  std::string m_name;
  std::string m_text;
  int m_line = 0;
};

// Answers forms from the script; messages go to `err` as "message: TEXT".
class BatchHost : public FormHost {
 public:
  BatchHost(ScriptSource& source, std::ostream& err) : m_source(source), m_err(err) {}
  bool ShowForm(Form& form) override;
  void Message(std::string_view text) override;

  // The first error ends the run: the form open then is cancelled, and every
  // later form is cancelled at once.
  void Fail(int status, int line, const std::string& text, const Form* form = nullptr);
  int Status() const { return m_status; }

 private:
  bool Fill(Form& form, const Statement& statement);

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

// `mirto` options that need no window: --batch, --help, --list-commands.
// Returns -1 when the arguments are for the desktop program.
int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace mirto
