#pragma once
// CTervoDoc: Mirto's one document. Start here.
//
// The document owns the Journal (the lines of every report so far), the
// calculator state (CalculatorState.h: selection codes and the figures the
// commands hand on) and the command handlers. A calculation is one command,
// run start to end on one thread:
//
//   menu / batch script / test -> OnCommand(id): writes the five selection codes
//   -> DispatchRandomization (or the prediction command's dispatcher): the
//      route the command registry (framework/Registry.h) gives for the codes:
//      preliminary form, checks, calculator state
//   -> one routine, a free function of its family taking the document:
//      form -> work record (framework/Entry.h) -> compute -> result -> writer
//      (framework/Routine.h), the block written through AppendLine ...
//   -> EndBlock: the block and its result record kept (Blocks), views
//      updated, document marked modified.
//
// Each family (src/srs, src/stratified, ...) describes its commands in rows
// at the end of its files; src/catalogue lists the families.
//
// Forms and message boxes reach a person only through the FormHost given at
// construction: the desktop dialogs, the batch script host, or a test's host.
// Cancel or a refused entry returns 0 with nothing appended.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/Form.h"
#include "framework/Record.h"
#include "journal/CalculatorState.h"
#include "journal/CompletedBlock.h"
#include "journal/Journal.h"
#include "journal/JournalFile.h"

namespace mirto {

using DoubleArray = std::unique_ptr<double[]>;

struct Command;

class CTervoDoc : public CalculatorState {
 public:
  explicit CTervoDoc(FormHost& host);
  ~CTervoDoc();
  CTervoDoc(const CTervoDoc&) = delete;
  CTervoDoc& operator=(const CTervoDoc&) = delete;

  // ---- Document and journal file -------------------------------------------
  // A new journal: the two heading lines. Codes and calculator state stay.
  bool OnNewDocument();
  // Appends the file's lines (File > Open, or a file named at start-up). A
  // file that is plainly not text (JournalFile.h) is read only when the host's
  // person says so: in a script it is refused, nothing appended.
  FileResult ReadJournal(const std::string& path, ReadFn read = &SystemRead);
  // Saves the Journal; the old file stays whole unless every line was written.
  // A file that failed to read is never saved over: its unread lines would go.
  // A file that is plainly not text is replaced only when the person says so.
  FileResult WriteJournal(const std::string& path, const FileOps& ops = SystemFileOps());
  // The framework's open and save: path name, modified flag and views as well.
  FileResult OnOpenDocument(const std::string& path, ReadFn read = &SystemRead);
  FileResult OnSaveDocument(const std::string& path, const FileOps& ops = SystemFileOps());

  const Journal& GetJournal() const { return m_journal; }
  bool IsModified() const { return m_bModified; }
  void SetModifiedFlag(bool modified = true);
  const std::string& GetPathName() const { return m_strPathName; }
  void SetPathName(std::string path) { m_strPathName = std::move(path); }

  // The one view (or anything else) that redraws when the Journal changes.
  void SetViewUpdate(std::function<void()> update) { m_viewUpdate = std::move(update); }
  void SetModifiedChanged(std::function<void(bool)> changed) { m_modifiedChanged = std::move(changed); }
  // Called when what Undo or Redo can do may have changed.
  void SetUndoChanged(std::function<void()> changed) { m_undoChanged = std::move(changed); }
  void UpdateAllViews();
  FormHost& Host() { return m_host; }

  // ---- Commands ----------------------------------------------------------------
  // Runs a command by id: a menu leaf of the registry, "Prediction" (32772), or
  // one of the two ids without a menu item (32773, 32774). Returns false when
  // no such command exists. When memory runs out, what the command appended
  // is taken back and the host told (FormHost::OutOfMemory).
  bool OnCommand(int id);
  int DispatchRandomization();
  // Runs `routine` as the calculation of `command`: the block it completes
  // carries the command's id and path.
  int RunRoutine(const Command& command, const std::function<int(CTervoDoc&)>& routine);

  // ---- Report blocks -------------------------------------------------------------
  [[gnu::format(printf, 2, 3)]] void AppendLine(const char* format, ...);
  void AppendSeparator();
  // The data note of the next block (data/DataSession.h), written after its
  // own lines, and the names of its strata or groups; dropped when the
  // command ends without a block.
  void SetNote(std::vector<std::string> lines, std::vector<std::string> names = {}) {
    m_note = std::move(lines);
    m_names = std::move(names);
  }
  // Writes the block's data note now: a block that adds figures of its own
  // puts the note before them, as the document does with its additional figures.
  void AppendNote();
  void AppendWarning();
  // The two closing interval lines of a block: for the mean (or proportion)
  // from low to high, for the total (or number) from N·low to N·high.
  enum class IntervalOf { MeanTotal, ProportionNumber };
  enum class Wording { Population, Pop };  // "population mean" or "pop. mean"
  void AppendIntervals(IntervalOf what, Wording wording, double probability, double N, double low, double high);
  // Closing steps of a completed block: its result record kept with it,
  // views updated, document modified.
  void EndBlock(Record record);
  // The blocks completed since the journal was last new, in order.
  const std::vector<CompletedBlock>& Blocks() const { return m_blocks; }
  // View > "Additional figures" (batch: `extras on`): each block that has
  // them is followed by its additional figures (the catalogue's, from
  // src/extras). Off until switched on, so that every block reads as it always has.
  void SetAdditionalFigures(bool on) { m_bAdditional = on; }
  bool AdditionalFigures() const { return m_bAdditional; }

  // ---- Undo and redo ------------------------------------------------------------
  // A step is everything one command appended (its data note, its block, its
  // additional figures) with the calculator state from before it. Undo takes
  // the last step back whole, state included, so that a form opens and a
  // chained command reads as if it had never run; Redo puts it back with the
  // state as Undo found it. Commands that only stored values after the step
  // go back with it. Lines from a file, and anything appended outside a step,
  // end the steps before them: lines are never taken from the middle.
  static constexpr std::size_t kUndoSteps = 50;
  bool CanUndo() const;
  bool CanRedo() const;
  bool Undo();
  bool Redo();
  // The step Undo (Redo) would take back (put back); 0: none.
  std::uint64_t UndoStep() const { return CanUndo() ? m_undo.back().id : 0; }
  std::uint64_t RedoStep() const { return CanRedo() ? m_redo.back().id : 0; }
  // Runs `run` as one step; what it appends can be undone. Any command run
  // this way, even one cancelled, ends the redo steps.
  void RunUndoable(const std::function<void()>& run);
  // The same for a command that changes what the document does not hold:
  // `restore(true)` after Undo has put the lines and state back, `restore(false)`
  // after Redo.
  void RunUndoable(const std::function<void()>& run, std::function<void(bool undone)> restore);
  // Something changed that no step can take back: the steps before it end.
  void EndSteps();

  // count + 1 doubles, entries 1..count used; empty (after the message) when
  // the reservation cannot be made.
  DoubleArray AllocArray(long long count);
  int SelectionNotCoded();

 private:
  bool RunCommand(int id);
  // Asks the host; without a person to ask, the refusal.
  FileResult Confirm(const std::string& question, const std::string& refusal);
  void AppendAdditional(CompletedBlock& block);
  void UndoChanged();
  std::uint64_t Version() const { return m_undo.empty() ? m_base : m_undo.back().id; }

  struct Step {
    std::uint64_t id;
    Journal::Mark mark;  // where the Journal stood before the step
    std::size_t end;     // its line count after the step
    std::size_t firstBlock;
    CalculatorState before, after;
    std::function<void(bool undone)> restore;
    // While undone: what the step had appended.
    std::vector<std::string> lines = {};
    std::vector<CompletedBlock> blocks = {};
  };

  FormHost& m_host;
  Journal m_journal;
  std::string m_szLine;  // the report line buffer
  bool m_bModified = false;
  std::string m_strPathName;
  // Files whose last reading failed.
  std::vector<FileId> m_notRead;
  std::function<void()> m_viewUpdate;
  std::function<void(bool)> m_modifiedChanged;
  std::function<void()> m_undoChanged;
  std::vector<CompletedBlock> m_blocks;
  std::size_t m_blockStart = 0;
  std::optional<std::size_t> m_noteAt;  // where the block's note was written, if it was
  bool m_blockWarning = false;
  const Command* m_running = nullptr;
  bool m_bAdditional = false;
  std::vector<std::string> m_note, m_blockNote, m_names, m_blockNames;
  std::deque<Step> m_undo;
  std::vector<Step> m_redo;
  std::uint64_t m_nextStep = 1;
  std::uint64_t m_base = 0;   // the version with no step to undo
  std::uint64_t m_clean = 0;  // the version last saved, opened or new
  bool m_inStep = false;
};

// The small-sample rule: warn unless both the sample and the remainder exceed
// 50 (a value that is not a number warns too).
inline bool IsSmallSample(double n, double N) { return !(n > 50.0 && N - n > 50.0); }

}  // namespace mirto
