#pragma once
// The session as a batch script: a host that passes every form and message
// on to the real one and keeps, for each command, the answers given, so that
// `mirto --batch` on the same starting journal writes the same journal again.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Form.h"
#include "journal/JournalFile.h"

namespace mirto {

class CTervoDoc;

// A form's answer as a statement: "cancel", "ok" (the form as it opened) or
// "ok V1; V2; ..." with its inputs in tab order. A text is written up to
// the first byte the grammar would split or end it at (';', a line end,
// NUL) and without its outer blanks, which reads as the same number.
// Inputs in `fromData` are left out: a script in data mode fills them itself.
std::string AnswerStatement(const Form& opened, const Form& answered, bool ok,
                            const std::vector<std::size_t>& fromData = {});

class SessionRecorder : public FormHost {
 public:
  explicit SessionRecorder(FormHost& host) : m_host(host) {}

  bool ShowForm(Form& form) override;
  void Message(std::string_view text) override { m_host.Message(text); }
  // The host may answer a loop's forms from a table; each answer is still kept as its own statement.
  void BeginEntryLoop(const EntryLoop& loop) override { m_host.BeginEntryLoop(loop); }
  void EndEntryLoop() override { m_host.EndEntryLoop(); }
  std::vector<std::size_t> DataFields() const override { return m_host.DataFields(); }
  std::optional<bool> Ask(std::string_view question) override { return m_host.Ask(question); }
  void OutOfMemory() override { m_host.OutOfMemory(); }

  // Where the session began: a new journal (empty path) or the lines of a
  // file, and whether the additional figures were on (a script starts with them off).
  void Start(std::string journalPath = {}, bool additionalFigures = false);
  // Runs a menu command on `doc` and keeps it when it appended a block, or
  // when it took a form's values before it ended (they stay in the
  // calculator state for later commands). A command cancelled at its first
  // form leaves only the selection codes, which every command writes afresh.
  bool RunCommand(CTervoDoc& doc, int id);
  void NewJournal();
  // View > "Additional figures": switches them on `doc` and keeps the
  // statement that does the same in a script.
  void SwitchAdditionalFigures(CTervoDoc& doc, bool on);
  // File > Open: `complete` false when the file failed part way, whose lines
  // a replay cannot add.
  void OpenedJournal(const std::string& path, bool complete = true);
  // Data > "From data...": the statements that open the same data mode in a
  // script; Data > "Clear data": `use` alone.
  void UsedData(const std::vector<std::string>& statements);
  void ClearedData();
  // A statement beyond forms (a survey design, an estimate, a draw) that the
  // desktop ran after its dialog, under the comment `menuPath`; `appended`
  // when it wrote a block, `step` the document's undo step that holds it (0: none).
  void RanStatements(std::string_view menuPath, const std::vector<std::string>& statements, bool appended,
                     std::uint64_t step = 0);
  // Edit > Undo and Redo on `doc`: the script leaves out what was undone
  // (the step's command, and the commands after it that only stored values,
  // whose values go back with it) and takes it in again on Redo.
  bool Undo(CTervoDoc& doc);
  bool Redo(CTervoDoc& doc);

  int Calculations() const { return m_calculations; }
  // The script, one statement or comment per line.
  std::vector<std::string> ScriptLines() const;

 private:
  FormHost& m_host;
  std::string m_start;
  bool m_startAdditional = false;
  std::vector<std::string> m_lines;  // statements and comments after the heading
  // The command running: where its lines begin, and whether a form took values.
  bool m_running = false;
  bool m_tookValues = false;
  bool m_population = false, m_pairs = false;  // a replay's data mode may hold such a file
  int m_calculations = 0;
  // The commands kept: their lines, their undo step (0: none) and the step
  // whose undoing leaves them out (0: in the script).
  struct Kept {
    std::size_t begin, end;
    std::uint64_t step;
    bool appended;
    std::uint64_t undoneBy = 0;
  };
  std::vector<Kept> m_kept;
};

// Saves the script as File > Save saves a journal: the old file stays whole
// unless every line was written.
FileResult WriteScript(const std::vector<std::string>& lines, const std::string& path);

}  // namespace mirto
