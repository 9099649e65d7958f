#include "journal/CTervoDoc.h"

#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <new>
#include <optional>
#include <utility>

#include "framework/Catalogue.h"
#include "framework/Format.h"
#include "framework/Registry.h"
#include "journal/Excerpt.h"

namespace mirto {

CTervoDoc::CTervoDoc(FormHost& host) : m_host(host) { m_szLine.reserve(512); }

CTervoDoc::~CTervoDoc() { m_journal.clear(); }

bool CTervoDoc::OnNewDocument() {
  m_strPathName.clear();
  EndSteps();
  SetModifiedFlag(false);
  m_journal.clear();
  m_blocks.clear();
  m_journal.push_back("Program Mirto, journal of calculations.");
  m_journal.push_back("To start program, click on `Select approach:'.");
  UpdateAllViews();
  return true;
}

namespace {

// A file that is plainly not text: the question the desktop asks, and what
// a script is told instead.
std::string NotTextQuestion(const std::string& path, const char* why, const char* question) {
  return PathExcerpt(path) + " is not a text file (" + why + ").\n" + question;
}

std::string NotTextRefusal(const char* cannot, const std::string& path, const char* why, const char* verb) {
  return std::string(cannot) + " " + PathExcerpt(path) + ": it is not a text file (" + why +
         "); only the desktop program " + verb + " one, after asking";
}

}  // namespace

FileResult CTervoDoc::Confirm(const std::string& question, const std::string& refusal) {
  const std::optional<bool> yes = m_host.Ask(question);
  if (!yes) return {false, refusal};
  return *yes ? FileResult{} : FileResult{false, {}, true};
}

FileResult CTervoDoc::ReadJournal(const std::string& path, ReadFn read) {
  bool refused = false;
  const std::size_t before = m_journal.size();
  FileResult result = ReadJournalFile(path, m_journal, read, [&](const char* why) {
    FileResult answer = Confirm(NotTextQuestion(path, why, "Append its lines to the journal all the same?"),
                                NotTextRefusal("Cannot open", path, why, "appends"));
    refused = !answer.ok;
    return answer;
  });
  if (m_journal.size() != before) EndSteps();
  if (refused) return result;  // nothing was read: the file is neither read nor unread
  if (const auto id = IdentifyFile(path)) {
    std::erase(m_notRead, *id);
    if (!result.ok) m_notRead.push_back(*id);
  }
  return result;
}

FileResult CTervoDoc::WriteJournal(const std::string& path, const FileOps& ops) {
  const auto id = IdentifyFile(path);
  if (id && std::find(m_notRead.begin(), m_notRead.end(), *id) != m_notRead.end())
    return {false, "Cannot save " + PathExcerpt(path) +
                       ": it was not read completely, and saving would replace the lines that were not read"};
  if (const char* why = FileNotTextReason(path)) {
    FileResult answer = Confirm(NotTextQuestion(path, why, "Replace it with the journal?"),
                                NotTextRefusal("Cannot save to", path, why, "replaces"));
    if (!answer.ok) return answer;
  }
  FileResult result = WriteJournalFile(m_journal, path, ops);
  if (result.ok) SetModifiedFlag(false);
  return result;
}

FileResult CTervoDoc::OnOpenDocument(const std::string& path, ReadFn read) {
  const std::size_t before = m_journal.size();
  FileResult result = ReadJournal(path, read);
  if (result.ok) {
    SetModifiedFlag(false);
    m_strPathName = path;
  }
  if (m_journal.size() != before) UpdateAllViews();
  return result;
}

FileResult CTervoDoc::OnSaveDocument(const std::string& path, const FileOps& ops) {
  FileResult result = WriteJournal(path, ops);
  if (result.ok) m_strPathName = path;
  return result;
}

void CTervoDoc::SetModifiedFlag(bool modified) {
  if (!modified) m_clean = Version();
  const bool changed = modified != m_bModified;
  m_bModified = modified;
  if (changed && m_modifiedChanged) m_modifiedChanged(modified);
}

void CTervoDoc::UpdateAllViews() {
  if (m_viewUpdate) m_viewUpdate();
}

void CTervoDoc::AppendLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatInto(m_szLine, format, args);
  va_end(args);
  m_journal.push_back(m_szLine);
}

void CTervoDoc::AppendSeparator() {
  m_blockNote = std::exchange(m_note, {});
  m_blockNames = std::exchange(m_names, {});
  m_blockStart = m_journal.size();
  m_noteAt.reset();
  m_blockWarning = false;
  m_journal.push_back("*********");
}

void CTervoDoc::AppendNote() {
  if (m_noteAt) return;
  m_noteAt = m_journal.size();
  for (const std::string& line : m_blockNote) m_journal.push_back(line);
}

void CTervoDoc::AppendWarning() {
  m_blockWarning = true;
  AppendLine("Warning: Small sample or remainder.");
}

void CTervoDoc::AppendIntervals(IntervalOf what, Wording wording, double probability, double N, double low,
                                double high) {
  const bool mean = what == IntervalOf::MeanTotal;
  if (wording == Wording::Population && mean) {
    AppendLine("Approx. %.2f confidence interval for population mean is from %f to %f", probability, low, high);
    AppendLine("Approx. %.2f confidence interval for population total is from %f to %f", probability, N * low,
               N * high);
  } else if (wording == Wording::Population) {
    AppendLine("Approx. %.2f confidence interval for population proportion is from %f to %f", probability, low, high);
    AppendLine("Approx. %.2f confidence interval for population number is from %.0f to %.0f", probability, N * low,
               N * high);
  } else if (mean) {
    AppendLine("Approx. %.2f confidence interval for pop. mean is from %f to %f", probability, low, high);
    AppendLine("Approx. %.2f confidence interval for pop. total is from %f to %f", probability, N * low, N * high);
  } else {
    AppendLine("Approx. %.2f confidence interval for pop. proportion is from %f to %f", probability, low, high);
    AppendLine("Approx. %.2f confidence interval for pop. number is from %.0f to %.0f", probability, N * low, N * high);
  }
}

void CTervoDoc::EndBlock(Record record) {
  // The note inside the block: everything from one separator to the next is one calculation.
  AppendNote();
  CompletedBlock block{m_blockStart, *m_noteAt - m_blockStart, m_running, m_blockWarning, std::move(record)};
  block.ownExtraLines = m_journal.size() - *m_noteAt - m_blockNote.size();
  block.note = std::exchange(m_blockNote, {});
  block.names = std::exchange(m_blockNames, {});
  if (m_bAdditional && block.command) AppendAdditional(block);
  m_blocks.push_back(std::move(block));
  if (!m_inStep) EndSteps();
  UpdateAllViews();
  SetModifiedFlag(true);
}

// The additional figures go after the block, not into it: its lines and its
// record stay as they are with the switch off.
void CTervoDoc::AppendAdditional(CompletedBlock& block) {
  const auto following = CommandCatalogue().additionalFigures;
  if (!following) return;
  FollowingLines added = following(*block.command, block.record);
  if (added.lines.empty()) return;
  for (const std::string& line : added.lines) m_journal.push_back(line);
  block.extraLines = added.lines.size();
  block.extras = std::move(added.figures);
}

int CTervoDoc::RunRoutine(const Command& command, const std::function<int(CTervoDoc&)>& routine) {
  const Command* outer = m_running;
  m_running = &command;
  m_nLastResult = routine(*this);
  m_running = outer;
  return m_nLastResult;
}

DoubleArray CTervoDoc::AllocArray(long long count) {
  if (count < 0) count = 0;
  // Never more than the machine holds: a typed count must not exhaust memory
  // or overflow the size computation.
  static const unsigned long long physical =
      static_cast<unsigned long long>(sysconf(_SC_PHYS_PAGES)) * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
  const unsigned long long elements = static_cast<unsigned long long>(count) + 1;
  DoubleArray block;
  if (elements <= physical / sizeof(double)) block.reset(new (std::nothrow) double[elements]);
  if (!block) m_host.Message(kNoMemory);
  return block;
}

int CTervoDoc::SelectionNotCoded() {
  m_host.Message(kNotCoded);
  return 0;
}

bool CTervoDoc::OnCommand(int id) {
  const Journal::Mark mark = m_journal.GetMark();
  const std::size_t blocks = m_blocks.size();
  try {
    bool known = false;
    RunUndoable([&] { known = RunCommand(id); });
    return known;
  } catch (const std::bad_alloc&) {
    // Nothing half-written: the block in progress goes, as after Cancel.
    m_journal.Rollback(mark);
    m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(blocks), m_blocks.end());
    m_note.clear();
    m_blockNote.clear();
    m_names.clear();
    m_blockNames.clear();
    m_running = nullptr;
    UpdateAllViews();
    m_host.OutOfMemory();
    return true;
  }
}

bool CTervoDoc::RunCommand(int id) {
  if (id == kRepeatRandomization) {
    DispatchRandomization();
    return true;
  }
  const Command* command = id == kRepeatPrediction ? PredictionCommand() : FindCommand(id);
  if (!command) return false;
  if (command->approach == Approach::Prediction) {
    command->routine(*this);
    m_note.clear();
    m_names.clear();
    return true;
  }
  m_nApproach = Approach::Randomization;
  m_nMethod = command->method;
  m_nTarget = command->target;
  m_nObjective = command->objective;
  m_nEstimator = command->estimator;
  DispatchRandomization();
  m_note.clear();
  m_names.clear();
  return true;
}

void CTervoDoc::EndSteps() {
  m_undo.clear();
  m_redo.clear();
  m_base = m_nextStep++;
  UndoChanged();
}

void CTervoDoc::UndoChanged() {
  if (m_undoChanged) m_undoChanged();
}

void CTervoDoc::RunUndoable(const std::function<void()>& run) { RunUndoable(run, {}); }

void CTervoDoc::RunUndoable(const std::function<void()>& run, std::function<void(bool undone)> restore) {
  if (m_inStep) return run();  // a step within a step is part of it
  m_redo.clear();
  Step step{0, m_journal.GetMark(), 0, m_blocks.size(), *this, {}, std::move(restore)};
  struct InStep {
    bool& on;
    explicit InStep(bool& flag) : on(flag) { on = true; }
    ~InStep() { on = false; }
  } inStep(m_inStep);
  run();
  if (m_journal.size() != step.mark.count) {
    step.id = m_nextStep++;
    step.end = m_journal.size();
    if (m_undo.size() == kUndoSteps) m_undo.pop_front();
    m_undo.push_back(std::move(step));
  }
  inStep.on = false;
  UndoChanged();
}

// Only the last step, and only while nothing else came after it.
bool CTervoDoc::CanUndo() const { return !m_inStep && !m_undo.empty() && m_undo.back().end == m_journal.size(); }

bool CTervoDoc::CanRedo() const { return !m_inStep && !m_redo.empty() && m_redo.back().mark.count == m_journal.size(); }

bool CTervoDoc::Undo() {
  if (!CanUndo()) return false;
  Step& step = m_undo.back();
  // Everything that can fail comes before the first change.
  std::vector<std::string> lines;
  lines.reserve(step.end - step.mark.count);
  for (std::size_t i = step.mark.count; i < step.end; ++i) lines.emplace_back(m_journal[i]);
  const auto first = m_blocks.begin() + static_cast<std::ptrdiff_t>(step.firstBlock);
  std::vector<CompletedBlock> blocks(std::make_move_iterator(first), std::make_move_iterator(m_blocks.end()));
  m_redo.reserve(m_redo.size() + 1);
  m_blocks.erase(first, m_blocks.end());
  step.lines = std::move(lines);
  step.blocks = std::move(blocks);
  step.after = *this;
  static_cast<CalculatorState&>(*this) = step.before;
  m_journal.Rollback(step.mark);
  if (step.restore) step.restore(true);
  m_redo.push_back(std::move(step));
  m_undo.pop_back();
  UpdateAllViews();
  SetModifiedFlag(Version() != m_clean);
  UndoChanged();
  return true;
}

bool CTervoDoc::Redo() {
  if (!CanRedo()) return false;
  Step& step = m_redo.back();
  const Journal::Mark mark = m_journal.GetMark();
  try {
    m_blocks.reserve(m_blocks.size() + step.blocks.size());
    for (const std::string& line : step.lines) m_journal.push_back(line);
  } catch (const std::bad_alloc&) {
    m_journal.Rollback(mark);
    throw;
  }
  step.mark = mark;
  std::move(step.blocks.begin(), step.blocks.end(), std::back_inserter(m_blocks));
  step.blocks.clear();
  step.lines.clear();
  static_cast<CalculatorState&>(*this) = step.after;
  if (step.restore) step.restore(false);
  if (m_undo.size() == kUndoSteps) m_undo.pop_front();
  m_undo.push_back(std::move(step));
  m_redo.pop_back();
  UpdateAllViews();
  SetModifiedFlag(Version() != m_clean);
  UndoChanged();
  return true;
}

}  // namespace mirto
