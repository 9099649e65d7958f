// Edit > Undo and Redo in the window, and help where the question arises:
// F1 and the Help button of a form, and the search of Help Topics.
#include <QAction>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include "AppFixture.h"
#include "app/CFormDialog.h"
#include "app/HelpWindow.h"

using namespace mirto;

namespace {

constexpr const char* kMeanPoint = "Simple > Mean/total of variable > Point estimates > Simple";
constexpr const char* kMeanInterval = "Simple > Mean/total of variable > Interval estimates > Simple";

void Type(QWidget* widget, const char* keys) { QTest::keySequence(widget, QKeySequence(keys)); }

}  // namespace

class UndoHelpTest : public QObject {
  Q_OBJECT
 private slots:
  void keysUndoAndRedoTheLastCalculation() {
    test::AppFixture f;
    CMainFrame& frame = *f.app.Frame();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QAction* undo = frame.Action(FrameCommand::Undo);
    QAction* redo = frame.Action(FrameCommand::Redo);
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    const QStringList heading = test::Lines(f.doc);
    f.watchdog.Expect(test::Answer({"1000", "25.5"}));
    f.Run(kMeanPoint);
    const QStringList computed = test::Lines(f.doc);
    QVERIFY(computed.size() > heading.size());
    QVERIFY(undo->isEnabled());
    QVERIFY(frame.isWindowModified());
    QVERIFY(QTest::qWaitForWindowActive(&frame));  // the keyboard is back from the form

    Type(&frame, "Ctrl+Z");
    QCOMPARE(test::Lines(f.doc), heading);
    QVERIFY(!undo->isEnabled() && redo->isEnabled());
    QVERIFY(!frame.isWindowModified());  // back to the new journal
    Type(&frame, "Ctrl+Y");
    QCOMPARE(test::Lines(f.doc), computed);
    QVERIFY(frame.isWindowModified());
    Type(&frame, "Ctrl+Z");
    Type(&frame, "Ctrl+Shift+Z");
    QCOMPARE(test::Lines(f.doc), computed);
    QVERIFY(undo->isEnabled() && !redo->isEnabled());
  }

  // F1 opens the form's topic: its fields, the divisor its standard
  // deviation has, the formula and the worked example; the Help button too.
  void f1AndTheHelpButtonOpenTheFormsTopic() {
    test::AppFixture f;
    QString byKey, byButton;
    f.watchdog.Expect([&](QWidget* w) {
      auto* form = qobject_cast<CFormDialog*>(w);
      QVERIFY(form);
      QTest::keyClick(form, Qt::Key_F1);
      QVERIFY(form->HelpShown() && form->HelpShown()->isVisible());
      byKey = form->HelpShown()->Browser()->toPlainText();
      form->HelpShown()->close();
      form->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
      QVERIFY(form->HelpShown()->isVisible());
      byButton = form->HelpShown()->Browser()->toPlainText();
      form->reject();
    });
    f.Run(kMeanInterval);
    QCOMPARE(byButton, byKey);
    for (const char* text : {"Interval estimates of a mean and total", "Sample std. deviation of variable:",
                             "with divisor n", "sqrt((N − n) · s² / (N · (n − 1)))", "Worked example", "0.953463"})
      QVERIFY2(byKey.contains(QString::fromUtf8(text)), text);
  }

  void helpSearchKeepsTheTopicsThatHoldTheText() {
    test::AppFixture f;
    CMainFrame& frame = *f.app.Frame();
    frame.Action(FrameCommand::HelpTopics)->trigger();
    HelpWindow* help = frame.Help();
    QVERIFY(help && help->isVisible());
    const QString all = help->Browser()->toPlainText();
    QVERIFY(all.contains("Conventions of the forms") && all.contains("Simple random sampling"));
    QTest::keyClicks(help->Search(), "RESIDUALS");
    const QString found = help->Browser()->toPlainText();
    QVERIFY(found.contains("Sample std. deviation of residuals"));
    QVERIFY(!found.contains("Conventions of the forms"));
    QCOMPARE(help->Found()->text(), QString("1 topic holds \"RESIDUALS\""));  // only simple random sampling
    help->Search()->setText("no such words");
    QCOMPARE(help->Found()->text(), QString("No topic holds \"no such words\""));
    QVERIFY(!help->Browser()->toPlainText().contains("Simple random sampling"));
    help->Search()->clear();
    QCOMPARE(help->Browser()->toPlainText(), all);
  }
};

MIRTO_APP_TEST(UndoHelpTest);
#include "undo_help_test.moc"
