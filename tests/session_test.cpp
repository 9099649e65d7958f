// The session recorded as a batch script: what it writes, and that running
// it again on the same starting journal writes the same journal.
#include "batch/Session.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <sstream>

#include "batch/Batch.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"
#include "support/Files.h"

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

}  // namespace
}  // namespace mirto::test
