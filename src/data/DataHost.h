#pragma once
// What a host of forms does in data mode around one command: works out the
// command's figures before it runs, fills each form's data fields, and says
// when the data answer a form whole.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "data/Figures.h"

namespace mirto {
struct Command;
}

namespace mirto::data {

// Whether data mode answers the command: the estimation commands, whose rows
// name their figures (the point and interval estimates, and prediction).
// Planning commands take guesses and run as typed.
bool TakesData(const Command& command);

// A desktop's choice of data mode: the files as paths and each role's
// variable (empty: none).
struct DataChoice {
  std::string file, population, pairs;
  std::array<std::string, kRoles> variables;
};

// The script statements that set the same data mode: data, population,
// pairs, use.
std::vector<std::string> ScriptStatements(const DataChoice& choice);

class DataRun {
 public:
  // Works out the figures of command `id` when `session` is active and the
  // command takes data; the problem when the data cannot answer it.
  std::optional<DataProblem> Begin(const DataSession& session, int id);
  void End();
  bool Ready() const { return m_answers.Ready(); }
  // The lines the journal gets before the command's block.
  const std::vector<std::string>& Note() const { return m_answers.Note(); }
  const std::vector<std::string>& GroupNames() const { return m_answers.GroupNames(); }
  // Why `form` cannot be shown in data mode, when it begins a road of the
  // command that the data cannot answer; the command then ends.
  std::optional<std::string> Refusal(const Form& form, Front front) const;
  // Fills the fields of `form` the data supply (`row`: 1-based row of an
  // entry loop, 0 otherwise); the control indices filled.
  const std::vector<std::size_t>& Fill(Form& form, long long row);
  // Whether the fields filled last are every input of `form` and OK takes them.
  bool Whole(const Form& form) const;

 private:
  DataAnswers m_answers;
  std::vector<std::size_t> m_filled;
};

}  // namespace mirto::data
