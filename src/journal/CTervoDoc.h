#pragma once
// CTervoDoc: Mirto's one document. Start here.
//
// The document owns the Journal (the lines of every report so far) and the
// calculator state (selection codes and the figures the commands hand on).
// A calculation is one command, run start to end on one thread:
//
//   menu / batch script / test -> OnCommand(id): writes the five selection codes
//   -> DispatchRandomization (or PredictionDispatch): the route the command
//      registry (framework/Registry.h) gives for the codes: preliminary form,
//      checks, calculator state -> one routine: arrays (AllocArray), its forms
//      or entry loop (framework/Entry.h), a result computed from the inputs,
//      one report block written from it (AppendLine ...)
//   -> EndBlock: the block and its result record kept (Blocks), views
//      updated, document marked modified.
//
// The routines are operations of this class, each defined in its family's
// folder (src/srs, src/stratified, ...).
//
// Forms and message boxes reach a person only through the FormHost given at
// construction: the desktop dialogs, the batch script host, or a test's host.
// Cancel or a refused entry returns 0 with nothing appended.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/Codes.h"
#include "framework/Form.h"
#include "framework/Record.h"
#include "journal/Journal.h"
#include "journal/JournalFile.h"

namespace mirto {

using DoubleArray = std::unique_ptr<double[]>;

struct Command;

// A report block completed since the journal was new: its lines, the command
// that wrote it and, for a family that writes one, its result record.
struct CompletedBlock {
  std::size_t firstLine;  // the separator's index in the Journal
  std::size_t lines;
  const Command* command;  // nullptr for a routine run outside any command
  bool warning;            // the block holds the small-sample warning
  std::optional<Record> record;
  // With additional figures on: the lines of their block right after this
  // one (0: none) and the figures by key.
  std::size_t extraLines = 0;
  std::optional<Record> extras = std::nullopt;
  // The data note written just before the block, when its figures came from data.
  std::vector<std::string> note = {};
};

class CTervoDoc {
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
  // Lines that go into the Journal just before the next separator, outside
  // any block (the data note of data/DataSession.h); dropped when the
  // command ends without a block.
  void SetNote(std::vector<std::string> lines) { m_note = std::move(lines); }
  void AppendWarning();
  // The two closing interval lines of a block: for the mean (or proportion)
  // from low to high, for the total (or number) from N·low to N·high.
  enum class IntervalOf { MeanTotal, ProportionNumber };
  enum class Wording { Population, Pop };  // "population mean" or "pop. mean"
  void AppendIntervals(IntervalOf what, Wording wording, double probability, double N, double low, double high);
  // Closing steps of a completed block: views updated, document modified. A
  // routine whose family writes result records hands the block's record here.
  void EndBlock();
  void EndBlock(Record record);
  // The blocks completed since the journal was last new, in order.
  const std::vector<CompletedBlock>& Blocks() const { return m_blocks; }
  // View > "Additional figures" (batch: `extras on`): each block that has
  // them is followed by its additional figures (extras/Additional.h). Off
  // until switched on, so that every block reads as it always has.
  void SetAdditionalFigures(bool on) { m_bAdditional = on; }
  bool AdditionalFigures() const { return m_bAdditional; }
  // count + 1 doubles, entries 1..count used; empty (after the message) when
  // the reservation cannot be made.
  DoubleArray AllocArray(long long count);
  int SelectionNotCoded();

  // ---- Calculator state (values at construction as the comments say) --------------------------
  double m_dDevVar = 0.0;  // prediction: variance of deviations sigma^2
  double m_dSumX2 = 0.0;   // prediction: population sum of squared X
  double m_dSumX = 0.0;    // prediction: population sum of X
  PredictionModel m_nModel = PredictionModel::A;
  double m_dPopMean = 0.0;        // with replacement, theoretical sd: population mean or proportion
  double m_dSampledGroups = 0.0;  // m as a double
  int m_nSampledGroups = 0;       // m
  int m_nExplanatory = 0;         // Model E: k
  double m_dGroups = 0.0;         // M as a double
  double m_dFixedCost = 0.0;      // c_0
  double m_dBudget = 0.0;         // C
  int m_nGroups = 0;              // strata K, or groups M
  int m_nPopSize = 0;             // N as an integer
  int m_nSampleSize = 0;          // n as an integer
  Estimator m_nEstimator = Estimator::Simple;
  Objective m_nObjective = Objective::Point;
  Method m_nMethod = Method::Simple;
  Target m_nTarget = Target::MeanTotal;
  std::string m_szLine;  // the report line buffer
  double m_dPopSize = 0.0;
  double m_dSampleSize = 0.0;
  double m_dSampleMean = 0.0;
  double m_dSampleProp = 0.0;
  double m_dSampleSd = 0.0;
  double m_dZ = 0.0;
  double m_dLevel = 0.0;
  double m_dSigma = 0.0;
  double m_dPi = 0.0;
  double m_dMargin = 0.0;
  double m_dPopMeanX = 0.0;
  double m_dPopMeanY = 0.0;
  double m_dSampleMeanX = 0.0;
  double m_dSlope = 0.0;
  double m_dResidSd = 0.0;
  double m_dSigmaX = 0.0;
  double m_dSigmaY = 0.0;
  double m_dRhoXY = 0.0;
  double m_dSampleMean1 = 0.0;
  double m_dSampleMean2 = 0.0;
  double m_dSampleVar1 = 0.0;
  double m_dSampleVar2 = 0.0;
  double m_dSampleCov12 = 0.0;
  double m_dPopMean1 = 0.0;
  double m_dPopMean2 = 0.0;
  double m_dPopVar1 = 0.0;
  double m_dPopVar2 = 0.0;
  double m_dPopCov12 = 0.0;
  SpecialTarget m_nSpecialTarget = SpecialTarget::MeanOrProportion;
  int m_nLastResult = 0;
  Approach m_nApproach = Approach::Randomization;
  int m_nAllocationSize = 0;     // allocation of a given n: n
  int m_nAllocationMinimum = 0;  // allocation of a given n: the least a group gets

 private:
  bool RunCommand(int id);
  void CloseBlock(std::optional<Record> record);
  // Asks the host; without a person to ask, the refusal.
  FileResult Confirm(const std::string& question, const std::string& refusal);
  void AppendAdditional(CompletedBlock& block);

  FormHost& m_host;
  Journal m_journal;
  bool m_bModified = false;
  std::string m_strPathName;
  // Files whose last reading failed.
  std::vector<FileId> m_notRead;
  std::function<void()> m_viewUpdate;
  std::function<void(bool)> m_modifiedChanged;
  std::vector<CompletedBlock> m_blocks;
  std::size_t m_blockStart = 0;
  bool m_blockWarning = false;
  const Command* m_running = nullptr;
  bool m_bAdditional = false;
  std::vector<std::string> m_note, m_blockNote;
};

// The small-sample rule: warn unless both the sample and the remainder exceed
// 50 (a value that is not a number warns too).
inline bool IsSmallSample(double n, double N) { return !(n > 50.0 && N - n > 50.0); }

}  // namespace mirto
