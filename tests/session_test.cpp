// The session recorded as a batch script: what it writes, and that running
// it again on the same starting journal writes the same journal.
#include "batch/Session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <sstream>

#include "batch/Batch.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"
#include "journal/Excerpt.h"
#include "support/Files.h"
#include "support/RecordCheck.h"
#include "survey/Statements.h"

namespace mirto::test {
namespace {

// A person at the forms: each answer fills the inputs in tab order as typed
// (lists and buttons by their text), or cancels.
class Person : public FormHost {
 public:
  void Answer(std::vector<std::string> values) { m_answers.push_back(std::move(values)); }
  void Cancel() { m_answers.push_back(std::nullopt); }
  bool ShowForm(Form& form) override {
    if (m_answers.empty()) return false;
    const auto answer = std::move(m_answers.front());
    m_answers.pop_front();
    if (!answer) return false;
    const std::vector<std::size_t> inputs = form.Inputs();
    for (std::size_t k = 0; k < answer->size() && k < inputs.size(); ++k) Fill(form, inputs[k], (*answer)[k]);
    return true;
  }
  void Message(std::string_view text) override { messages.emplace_back(text); }
  std::size_t Pending() const { return m_answers.size(); }
  std::vector<std::string> messages;

 private:
  static void Fill(Form& form, std::size_t i, const std::string& value) {
    const Control& c = form.ControlAt(i);
    if (c.kind == ControlKind::Text) return form.SetText(i, value);
    if (c.kind == ControlKind::List)
      for (int row = 0; row < 6; ++row)
        if (kConfidenceTable[row].text == value) form.SetSelection(i, row);
    if (c.kind == ControlKind::Radio)
      for (std::size_t b = 0; b < c.buttons.size(); ++b)
        if (c.buttons[b] == value) form.Choose(i, static_cast<int>(b) + 1);
  }
  std::deque<std::optional<std::vector<std::string>>> m_answers;
};

struct Desktop {
  Person person;
  SessionRecorder recorder{person};
  CTervoDoc doc{recorder};
  Desktop() {
    doc.OnNewDocument();
    recorder.Start();
  }
  void Run(const char* path) { recorder.RunCommand(doc, FindCommandId(path)); }
  // The exported script run by `mirto --batch` on a new journal: what it wrote, or why it stopped.
  std::string Replayed(const TempDir& dir) const {
    const std::string path = dir / "session.mirto", replayed = dir / "replay.txt";
    if (!WriteScript(recorder.ScriptLines(), path).ok) return "not written";
    const char* args[] = {path.c_str(), "-o", replayed.c_str()};
    std::ostringstream out, err;
    if (BatchMain(3, args, out, err) != 0) return err.str();
    return ReadBytes(replayed);
  }
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

constexpr const char* kMeanPoint = "Simple > Mean/total of variable > Point estimates > Simple";
constexpr const char* kMeanInterval = "Simple > Mean/total of variable > Interval estimates > Simple";
constexpr const char* kStratifiedInterval = "Stratified > Mean/total of variable > Interval estimates";

TEST(Session, ScriptNamesEachCommandAndItsAnswers) {
  Desktop d;
  d.person.Answer({"1000", "25.5"});
  d.Run(kMeanPoint);
  d.person.Cancel();  // cancelled at once: nothing to repeat
  d.Run(kMeanInterval);
  d.person.Answer({"2", "95%"});  // values taken, then cancelled
  d.person.Cancel();
  d.Run(kStratifiedInterval);
  d.person.Answer({"Model A", "Point estimate"});
  d.person.Answer({"10", "2", "30"});
  d.person.Answer({" 1 ", "2;5"});
  d.person.Answer({"3", ""});
  d.Run("Prediction");
  EXPECT_EQ(d.recorder.Calculations(), 2);
  EXPECT_EQ(Joined(d.recorder.ScriptLines()),
            "# Mirto session: every calculation of this run, as statements that repeat it.\n"
            "# It began with a new journal. Replay: mirto --batch SCRIPT -o JOURNAL\n"
            "\n"
            "# Simple > Mean/total of variable > Point estimates > Simple\n"
            "command 32804\n"
            "ok 1000; 25.5\n"
            "\n"
            "# Stratified > Mean/total of variable > Interval estimates (nothing appended; kept for the values it "
            "stored)\n"
            "command 32853\n"
            "ok 2; 95%\n"
            "cancel\n"
            "\n"
            "# Prediction\n"
            "command 32772\n"
            "ok Model A; Point estimate\n"
            "ok 10; 2; 30\n"
            "ok 1; 2\n"
            "ok 3;\n");
}

// The data dialog's choice is whole; a script keeps a population or pairs
// file until it is dropped: the script drops it where the choice has none.
TEST(Session, DataChoicesWithoutAFileDropTheOneBefore) {
  Desktop d;
  d.recorder.UsedData({"data a.csv", "population n.csv", "pairs p.csv", "use y=y"});
  d.recorder.UsedData({"data a.csv", "pairs q.csv", "use y=y"});
  d.recorder.ClearedData();
  d.recorder.UsedData({"data b.csv", "use y=y"});
  d.recorder.UsedData({"data b.csv", "use y=y"});
  const std::string lines = Joined(d.recorder.ScriptLines());
  EXPECT_NE(lines.find("# Data > From data...\ndata a.csv\npopulation n.csv\npairs p.csv\nuse y=y\n\n"
                       "# Data > From data...\npopulation\ndata a.csv\npairs q.csv\nuse y=y\n\n"
                       "# Data > Clear data\nuse\n\n"
                       "# Data > From data...\npairs\ndata b.csv\nuse y=y\n\n"
                       "# Data > From data...\ndata b.csv\nuse y=y\n"),
            std::string::npos)
      << lines;
}

// A session of every kind of step, replayed on a new journal and on a file.
TEST(Session, ReplayWritesTheSameJournal) {
  TempDir dir;
  WriteBytes(dir / "more.txt", "a line of a saved journal\n\n*********\n");
  WriteBytes(dir / "start.txt", "Program Mirto, journal of calculations.\nstarted from a file\n");
  for (const bool fromFile : {false, true}) {
    SCOPED_TRACE(fromFile ? "from a file" : "new journal");
    Person person;
    SessionRecorder recorder(person);
    CTervoDoc doc(recorder);
    if (fromFile) {
      ASSERT_TRUE(doc.OnOpenDocument(dir / "start.txt").ok);
      recorder.Start(dir / "start.txt");
    } else {
      doc.OnNewDocument();
      recorder.Start();
    }
    auto run = [&](const char* path) { recorder.RunCommand(doc, FindCommandId(path)); };
    if (!fromFile) {
      person.Answer({"2000", "1.25"});
      run(kMeanPoint);
      doc.OnNewDocument();
      recorder.NewJournal();
    }
    // A level taken by a stratified form that is then cancelled is the one a
    // later interval uses when its own list is left without a selection.
    person.Answer({"2", "90%"});
    person.Cancel();
    run(kStratifiedInterval);
    person.Answer({"1000", "100", "  50.5 ", "10", ""});
    run(kMeanInterval);
    person.Answer({"-3", "95%"});  // refused with "Illegal entry"
    run(kStratifiedInterval);
    person.Answer({"Model E", ""});
    person.Answer({"500", "4.5", "1"});
    person.Answer({"0.5", "2", "1.5"});
    run("Prediction");
    ASSERT_TRUE(doc.OnOpenDocument(dir / "more.txt").ok);
    recorder.OpenedJournal(dir / "more.txt");
    person.Answer({"1000", "25.5"});
    run(kMeanPoint);
    ASSERT_EQ(person.Pending(), 0u);
    EXPECT_EQ(person.messages, std::vector<std::string>{"Illegal entry"});
    EXPECT_EQ(recorder.Calculations(), fromFile ? 3 : 4);

    ASSERT_TRUE(WriteScript(recorder.ScriptLines(), dir / "session.mirto").ok);
    const std::string script = dir / "session.mirto", start = dir / "start.txt", replayed = dir / "replay.txt";
    std::vector<const char*> args = {script.c_str(), "-o", replayed.c_str()};
    if (fromFile) args.insert(args.end(), {"--journal", start.c_str()});
    std::ostringstream out, err;
    EXPECT_EQ(BatchMain(static_cast<int>(args.size()), args.data(), out, err), 0) << err.str();
    EXPECT_EQ(err.str(), "message: Illegal entry\n");
    EXPECT_EQ(ReadBytes(replayed), Joined(doc.GetJournal().Lines()));
  }
}

// Undo takes a calculation back whole, with the state it changed: a form
// left without a level afterwards uses the level from before it (the rule
// that an unselected list reuses the last level), and the exported script,
// without the undone commands, replays to the same journal.
TEST(Session, UndoneCommandsLeaveTheScriptAndReplayAlike) {
  TempDir dir;
  Desktop d;
  d.recorder.SwitchAdditionalFigures(d.doc, true);  // the block's extra lines go with it
  d.person.Answer({"1000", "100", "50", "10", "90%"});
  d.Run(kMeanInterval);
  const std::vector<std::string> afterFirst = d.doc.GetJournal().Lines();
  d.doc.SetModifiedFlag(false);  // as after a save
  d.person.Answer({"1000", "100", "50", "10", "99%"});
  d.Run(kMeanInterval);
  d.person.Answer({"2", "95%"});  // stores 95%, appends nothing
  d.person.Cancel();
  d.Run(kStratifiedInterval);
  const std::vector<std::string> afterThird = d.doc.GetJournal().Lines();
  EXPECT_TRUE(d.doc.IsModified());

  ASSERT_TRUE(d.recorder.Undo(d.doc));
  EXPECT_EQ(d.doc.GetJournal().Lines(), afterFirst);
  EXPECT_EQ(d.doc.Blocks().size(), 1u);
  EXPECT_FALSE(d.doc.IsModified());
  EXPECT_EQ(d.doc.m_dLevel, 0.90);
  ASSERT_TRUE(d.recorder.Redo(d.doc));
  EXPECT_EQ(d.doc.GetJournal().Lines(), afterThird);
  EXPECT_EQ(d.doc.Blocks().size(), 2u);
  EXPECT_EQ(d.doc.m_dLevel, 0.95);
  EXPECT_TRUE(d.doc.IsModified());
  EXPECT_FALSE(d.doc.CanRedo());

  ASSERT_TRUE(d.recorder.Undo(d.doc));
  d.person.Answer({"1000", "100", "50", "10", ""});  // no level chosen: 0.90 and 1.645 again
  d.Run(kMeanInterval);
  EXPECT_FALSE(d.doc.CanRedo());  // a new calculation ends the redo steps
  const std::string journal = Joined(d.doc.GetJournal().Lines());
  // 50 ± 1.645 · 0.953463 (sd by hand: sqrt(900 · 100 / (1000 · 99)))
  EXPECT_NE(journal.find("Approx. 0.90 confidence interval for population mean is from 48.431554 to 51.568446"),
            std::string::npos)
      << journal;
  EXPECT_EQ(d.recorder.Calculations(), 2);
  const std::string script = Joined(d.recorder.ScriptLines());
  EXPECT_EQ(script.find("99%"), std::string::npos) << script;
  EXPECT_EQ(script.find("command 32853"), std::string::npos) << script;

  EXPECT_EQ(d.Replayed(dir), journal);
}

// Only what this session appended, last first, and at most kUndoSteps of it;
// lines read from a file end the steps before them.
TEST(Session, UndoStopsAtFilesAndAfterItsLastStep) {
  TempDir dir;
  WriteBytes(dir / "saved.txt", "a saved line\n");
  Desktop d;
  EXPECT_FALSE(d.doc.CanUndo());
  d.person.Answer({"1000", "25.5"});
  d.Run(kMeanPoint);
  EXPECT_TRUE(d.doc.CanUndo());
  ASSERT_TRUE(d.doc.OnOpenDocument(dir / "saved.txt").ok);
  EXPECT_FALSE(d.doc.CanUndo());
  EXPECT_FALSE(d.recorder.Undo(d.doc));
  const std::size_t opened = d.doc.GetJournal().size();
  for (std::size_t k = 0; k < CTervoDoc::kUndoSteps + 2; ++k) {
    d.person.Answer({"1000", std::to_string(k)});
    d.Run(kMeanPoint);
  }
  std::size_t undone = 0;
  while (d.recorder.Undo(d.doc)) ++undone;
  EXPECT_EQ(undone, CTervoDoc::kUndoSteps);
  ASSERT_EQ(d.doc.Blocks().size(), 3u);  // the first block and the two oldest after the file
  EXPECT_EQ(d.doc.GetJournal().size(), opened + 2 * d.doc.Blocks()[2].lines);
}

// Undo of a calibration puts back the design weights, so that an estimate
// after it reads as if it had never run; Redo brings the calibration back.
// Figures: block.expected (reference.R) and calibrate.expected (calibrate.R).
TEST(Session, UndoneCalibrationGivesTheDesignWeightsBack) {
  TempDir dir;
  Desktop d;
  const std::string folder = TestSourceDir() + "/scripts/survey/";
  survey::Statements survey;
  survey.DataOpened(folder + "small.csv", PathExcerpt(folder + "small.csv"));
  // As the desktop's survey dialogs run their statements.
  const auto run = [&](std::vector<std::string> statements) {
    const std::size_t before = d.doc.GetJournal().size();
    for (const std::string& s : statements) {
      if (s.starts_with("data ")) continue;
      const std::size_t blank = s.find(' ');
      const auto failure = survey.RunStep(d.doc, s.substr(0, blank), s.substr(blank + 1));
      ASSERT_FALSE(failure) << failure->text;
    }
    const bool appended = d.doc.GetJournal().size() > before;
    d.recorder.RanStatements("Data", statements, appended, appended ? d.doc.UndoStep() : 0);
  };
  const std::string design = "design weight=w strata=st psu=psu nest lonely=adjust";
  const std::string designA = " a      5        0  5.119403    0.887294  3.380338  6.858468  17.331988  0.986864";
  const std::string calibratedA = " a      5        0  5.119682    1.408169  2.359721  7.879643  27.505015  2.476224";
  const auto count = [&](const std::string& row) {
    const std::vector<std::string> lines = d.doc.GetJournal().Lines();
    return std::count(lines.begin(), lines.end(), row);
  };
  run({"data " + folder + "small.csv", design});
  run({"calibrate rake=d,c totals=" + folder + "totals.csv"});
  run({"estimate mean y by=d"});
  const std::vector<std::string> calibrated = d.doc.GetJournal().Lines();
  ASSERT_EQ(count(calibratedA), 1);

  ASSERT_TRUE(d.recorder.Undo(d.doc));
  ASSERT_TRUE(d.recorder.Undo(d.doc));
  EXPECT_EQ(survey.Calibrated(), nullptr);
  ASSERT_TRUE(d.recorder.Redo(d.doc));
  ASSERT_TRUE(d.recorder.Redo(d.doc));
  EXPECT_EQ(d.doc.GetJournal().Lines(), calibrated);
  run({"estimate mean y by=d"});
  EXPECT_EQ(count(calibratedA), 2);

  for (int k = 0; k < 3; ++k) ASSERT_TRUE(d.recorder.Undo(d.doc));
  EXPECT_FALSE(d.doc.CanUndo());  // the design came before: no step
  run({"estimate mean y by=d"});
  EXPECT_EQ(count(calibratedA), 0);
  EXPECT_EQ(count(designA), 1);
  run({design});  // a design that is read again cannot be undone
  EXPECT_FALSE(d.doc.CanUndo());

  const std::string script = Joined(d.recorder.ScriptLines());
  EXPECT_EQ(script.find("calibrate"), std::string::npos) << script;
  EXPECT_EQ(d.Replayed(dir), Joined(d.doc.GetJournal().Lines()));
}

}  // namespace
}  // namespace mirto::test
