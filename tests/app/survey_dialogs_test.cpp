// The Data menu's survey dialogs and the sample draw: each appends what the
// statement a user would write appends in a batch run, and the exported
// session replays to the same journal. The figures themselves are checked
// against R in tests/scripts/survey and tests/scripts/select.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "AppTest.h"
#include "app/CalibrateDialog.h"
#include "app/ChartDock.h"
#include "app/ChartView.h"
#include "app/DataDialog.h"
#include "app/DrawDialog.h"
#include "app/EstimateDialog.h"
#include "app/SurveyDesignDialog.h"
#include "app/TotalsDialog.h"

using namespace mirto;
using mirto::test::Batch;
using mirto::test::Lines;

namespace {

const QString kSurvey = QString(MIRTO_DATA_DIR) + "/../survey";

// Works in dialog `D` once the watchdog has let go of it; it is rejected if still open.
template <typename D>
test::ModalWatchdog::Handler In(std::function<void(D&)> work) {
  return [work](QWidget* w) {
    auto* dialog = qobject_cast<D*>(w);
    QVERIFY2(dialog, qPrintable(w->objectName()));
    QTimer::singleShot(0, dialog, [work, dialog] {
      work(*dialog);
      if (dialog->isVisible()) dialog->reject();
    });
  };
}

template <typename T>
T* Child(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(name);
  if (!child) qFatal("no %s", name);
  return child;
}

void SetFile(QWidget& dialog, const char* name, const QString& path) {
  Child<QLineEdit>(dialog, name)->setText(path);
  emit Child<QLineEdit>(dialog, name)->editingFinished();
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string Replayed(test::AppFixture& f) {
  std::string session;
  for (const std::string& line : f.app.Session().ScriptLines()) session += line + "\n";
  return session;
}

}  // namespace

class SurveyDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void designEstimateCalibrationAndWeightsMatchTheirStatements() {
    test::AppFixture f;
    QTemporaryDir dir;
    const QString weights = dir.filePath("weights.csv");
    CMainFrame& frame = *f.app.Frame();
    QVERIFY(!frame.Action(FrameCommand::Estimate)->isEnabled());
    f.watchdog.Expect(In<SurveyDesignDialog>([](SurveyDesignDialog& d) {
      SetFile(d, "file", kSurvey + "/small.csv");
      Child<QComboBox>(d, "weight")->setCurrentText("w");
      Child<QComboBox>(d, "strata")->setCurrentText("st");
      Child<QComboBox>(d, "psu")->setCurrentText("psu");
      Child<QCheckBox>(d, "nest")->setChecked(true);
      Child<QComboBox>(d, "lonely")->setCurrentText("adjust");
      d.Check();
      // By hand from small.csv: strata 1, 2, 3 hold PSUs {1,2}, {3,4,5}, {6}; the weights sum to 119.
      const QString found = Child<QPlainTextEdit>(d, "found")->toPlainText();
      QVERIFY2(found.contains("Strata: 3; PSUs: 6; units: 9; sum of weights: 119"), qPrintable(found));
      QVERIFY2(found.contains("Strata with a single PSU, lonely=adjust: 3"), qPrintable(found));
      d.accept();
    }));
    frame.Action(FrameCommand::SurveyDesign)->trigger();
    QCOMPARE(frame.DesignLabel()->text(), QString("Design: weight=w strata=st psu=psu nest lonely=adjust"));
    QVERIFY(frame.Action(FrameCommand::Estimate)->isEnabled());

    f.watchdog.Expect(In<EstimateDialog>([](EstimateDialog& d) {
      Child<QComboBox>(d, "variable")->setCurrentText("y");
      Child<QComboBox>(d, "by")->setCurrentText("d");
      d.accept();
    }));
    frame.Action(FrameCommand::Estimate)->trigger();

    f.watchdog.Expect(In<CalibrateDialog>([&](CalibrateDialog& d) {
      Child<QComboBox>(d, "method")->setCurrentIndex(1);  // raking
      for (const char* margin : {"d", "c"})
        d.Variables()->findItems(margin, Qt::MatchExactly).value(0)->setCheckState(Qt::Checked);
      SetFile(d, "totals", kSurvey + "/totals.csv");
      QVERIFY(d.Calibrate());
      QVERIFY(Child<QLabel>(d, "summary")->text().startsWith("g factors (calibrated over design weight): minimum "));
      // The histogram of g from the block's record: 20 bins holding the 9 units of small.csv.
      const std::optional<extras::ChartData>& g = Child<ChartView>(d, "histogram")->Chart();
      QVERIFY(g && g->kind == extras::ChartData::Kind::Histogram);
      QCOMPARE(g->bins.size(), std::size_t{20});
      double units = 0;
      for (const extras::ChartBin& bin : g->bins) units += bin.count;
      QCOMPARE(units, 9.0);
      f.watchdog.Expect(test::ChooseFile(weights));
      Child<QPushButton>(d, "writeWeights")->click();
    }));
    frame.Action(FrameCommand::Calibrate)->trigger();
    QVERIFY(frame.DesignLabel()->text().endsWith(", calibrated"));
    frame.Action(FrameCommand::ToggleChart)->trigger();  // the newest block: the calibration's
    QVERIFY(frame.Charts()->Chart()->Chart()->kind == extras::ChartData::Kind::Histogram);
    frame.Action(FrameCommand::ToggleChart)->trigger();
    f.watchdog.Expect(
        In<SurveyDesignDialog>([](SurveyDesignDialog& d) { Child<QPushButton>(d, "endDesign")->click(); }));
    frame.Action(FrameCommand::SurveyDesign)->trigger();
    QVERIFY(frame.DesignLabel()->isHidden());
    QVERIFY(!frame.Action(FrameCommand::Calibrate)->isEnabled());
    const QByteArray written = Contents(weights);
    QVERIFY(written.startsWith("st,psu,w,y,x,d,c,f,"));

    // The statements of tests/scripts/survey/calibrate.mirto, with an estimate before the calibration.
    const std::string data = kSurvey.toStdString() + "/";
    const std::string script = "data " + data + "small.csv\ndesign weight=w strata=st psu=psu nest lonely=adjust\n" +
                               "estimate mean y by=d\ncalibrate rake=d,c totals=" + data +
                               "totals.csv\nweights out=" + weights.toStdString() + "\ndesign\n";
    QVERIFY(QFile::remove(weights));
    QCOMPARE(Lines(f.doc), Batch(script));
    QCOMPARE(Contents(weights), written);
    QVERIFY(Lines(f.doc).size() > 20);
    QVERIFY(QFile::remove(weights));
    QCOMPARE(Lines(f.doc), Batch(Replayed(f)));
    QCOMPARE(Contents(weights), written);
    QCOMPARE(f.app.Session().Calculations(), 2);
  }

  // A refused design appends nothing, keeps the dialog open and writes no statement;
  // replicate columns are proposed from their names.
  void refusalsAndProposals() {
    test::AppFixture f;
    const std::vector<std::string> before = f.app.Session().ScriptLines();
    QString refusal;
    f.watchdog.Expect(In<SurveyDesignDialog>([&](SurveyDesignDialog& d) {
      SetFile(d, "file", kSurvey + "/replicates.csv");
      QCOMPARE(Child<QLineEdit>(d, "prefix")->text(), QString("r"));  // r1 .. r4
      Child<QComboBox>(d, "weight")->setCurrentText("nosuch");
      f.watchdog.Expect(test::AnswerMessage(&refusal, QMessageBox::Ok));
      d.accept();
      QVERIFY(d.isVisible());
    }));
    f.app.Frame()->Action(FrameCommand::SurveyDesign)->trigger();
    QVERIFY2(refusal.contains("nosuch") && refusal.contains("replicates.csv"), qPrintable(refusal));
    QVERIFY(f.app.Frame()->DesignLabel()->isHidden());
    QCOMPARE(f.app.Session().ScriptLines(), before);
    QCOMPARE(Lines(f.doc), Batch(""));
  }

  // Totals typed in the dialog go to a file, which the session's statement names.
  void typedTotals() {
    test::AppFixture f;
    QTemporaryDir dir;
    const QString typed = dir.filePath("typed.csv");
    const std::string data = kSurvey.toStdString() + "/small.csv";
    survey::DesignRequest weighted;
    weighted.weight = "w";
    QVERIFY(f.app.Frame()->Survey().UseDesign(data, weighted));
    f.watchdog.Expect(In<CalibrateDialog>([&](CalibrateDialog& d) {
      d.Variables()->findItems("d", Qt::MatchExactly).value(0)->setCheckState(Qt::Checked);
      f.watchdog.Expect(In<TotalsDialog>([&](TotalsDialog& t) {
        const char* cells[2][3] = {{"d", "a", "70"}, {"d", "b", "60"}};
        for (int r = 0; r < 2; ++r)
          for (int c = 0; c < 3; ++c) t.Table()->setItem(r, c, new QTableWidgetItem(cells[r][c]));
        f.watchdog.Expect(test::ChooseFile(typed));
        t.accept();
      }));
      Child<QPushButton>(d, "typeTotals")->click();
      QCOMPARE(Child<QLineEdit>(d, "totals")->text(), typed);
      QVERIFY(d.Calibrate());
    }));
    f.app.Frame()->Action(FrameCommand::Calibrate)->trigger();
    QCOMPARE(Contents(typed), QByteArray("variable,category,total\nd,a,70\nd,b,60\n"));
    QCOMPARE(Lines(f.doc),
             Batch("data " + data + "\ndesign weight=w\ncalibrate poststrata=d totals=" + typed.toStdString() + "\n"));
    QCOMPARE(Lines(f.doc), Batch(Replayed(f)));

    // Undo takes the calibration back with its block: the design weights are in effect again.
    CMainFrame& frame = *f.app.Frame();
    const auto calibrated = Lines(f.doc);
    frame.Action(FrameCommand::Undo)->trigger();
    QVERIFY(!frame.Survey().Calibrated());
    QVERIFY(!frame.DesignLabel()->text().endsWith(", calibrated"));
    QCOMPARE(Lines(f.doc), Batch("data " + data + "\ndesign weight=w\n"));
    QCOMPARE(Lines(f.doc), Batch(Replayed(f)));
    frame.Action(FrameCommand::Redo)->trigger();
    QVERIFY(frame.DesignLabel()->text().endsWith(", calibrated"));
    QCOMPARE(Lines(f.doc), calibrated);
  }

  // The design reads data mode's file; another file ends data mode, as `data` does in a script.
  void designOnTheDataModeFile() {
    test::AppFixture f;
    CMainFrame& frame = *f.app.Frame();
    f.watchdog.Expect(In<DataDialog>([](DataDialog& d) {
      QVERIFY(d.OpenFile(kSurvey + "/small.csv"));
      d.RoleBox(data::Role::Y)->setCurrentText("y");
      d.OkButton()->click();
    }));
    frame.ChooseData();
    const auto design = [&](const QString& file, const QString& weight) {
      f.watchdog.Expect(In<SurveyDesignDialog>([=](SurveyDesignDialog& d) {
        if (!file.isEmpty()) SetFile(d, "file", file);
        Child<QComboBox>(d, "weight")->setCurrentText(weight);
        d.accept();
      }));
      frame.Action(FrameCommand::SurveyDesign)->trigger();
      f.watchdog.Expect(In<EstimateDialog>([](EstimateDialog& d) {
        Child<QComboBox>(d, "statistic")->setCurrentText("total");
        Child<QComboBox>(d, "variable")->setCurrentText("y");
        d.accept();
      }));
      frame.Action(FrameCommand::Estimate)->trigger();
    };
    design({}, "w");  // the file of data mode, as the dialog opens
    QVERIFY(!frame.DataLabel()->isHidden());
    design(kSurvey + "/replicates.csv", "w");
    QVERIFY(frame.DataLabel()->isHidden());
    const std::string session = Replayed(f);
    QVERIFY2(session.find("small.csv\nuse y=y\n\n# Data > Survey design...\ndesign weight=w\n") != std::string::npos,
             session.c_str());
    QCOMPARE(Lines(f.doc), Batch(session));
  }

  void drawMatchesItsStatement() {
    test::AppFixture f;
    QTemporaryDir dir;
    const QString out = dir.filePath("sample.csv");
    f.watchdog.Expect(In<DrawDialog>([&](DrawDialog& d) {
      SetFile(d, "frame", kSurvey + "/small.csv");
      Child<QSpinBox>(d, "n")->setValue(4);
      const QString clock = Child<QLineEdit>(d, "seed")->text();
      QVERIFY(!clock.isEmpty());
      Child<QLineEdit>(d, "seed")->setText("2027");
      Child<QLineEdit>(d, "out")->setText(out);
      d.accept();
    }));
    f.app.Frame()->Action(FrameCommand::DrawSample)->trigger();
    const QByteArray sample = Contents(out);
    QCOMPARE(sample.count('\n'), 5);  // the header and n = 4 units

    const QStringList desktop = Lines(f.doc);
    const std::string script =
        "frame " + kSurvey.toStdString() + "/small.csv\ndraw srs n=4 seed=2027 out=" + out.toStdString() + "\n";
    QVERIFY(QFile::remove(out));
    QCOMPARE(desktop, Batch(script));
    QCOMPARE(Contents(out), sample);
    QVERIFY(QFile::remove(out));
    QCOMPARE(desktop, Batch(Replayed(f)));
    QCOMPARE(Contents(out), sample);
  }
};

MIRTO_APP_TEST(SurveyDialogsTest);
#include "survey_dialogs_test.moc"
