// The "Select approach:" menu against the command table, and the routing of
// every leaf to its calculation.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>

#include "AppTest.h"
#include "app/AppSettings.h"
#include "app/AppStyle.h"
#include "app/CFormDialog.h"
#include "app/CMainFrame.h"
#include "app/QtFormHost.h"
#include "app/RecentFileList.h"
#include "batch/Session.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"

using namespace mirto;

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The submenu reached by following `path` (segments joined by " > ") below `menu`.
QMenu* Submenu(QMenu* menu, const QStringList& path) {
  for (const QString& segment : path) {
    QMenu* next = nullptr;
    for (QAction* a : menu->actions())
      if (a->menu() && a->text() == segment) next = a->menu();
    if (!next) return nullptr;
    menu = next;
  }
  return menu;
}

QAction* MenuItem(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions())
    if (!a->menu() && a->text() == text) return a;
  return nullptr;
}

// The id of the first form a command shows, from a run of the library alone.
int FirstFormId(int command) {
  struct FirstForm : FormHost {
    int id = 0;
    bool ShowForm(Form& form) override {
      if (!id) id = form.Template().id;
      return false;
    }
    void Message(std::string_view) override {}
  } host;
  CTervoDoc doc(host);
  doc.OnCommand(command);
  return host.id;
}

struct Fixture {
  QtFormHost host;
  SessionRecorder session{host};
  CTervoDoc doc{session};
  AppSettings settings;
  RecentFileList recent{kRecentFileCount};
  CMainFrame frame{doc, session, recent, settings};
  Fixture() {
    // As the application object does.
    if (!dynamic_cast<AppStyle*>(QApplication::style())) QApplication::setStyle(new AppStyle);
    host.SetWindow(&frame);
    doc.OnNewDocument();
  }
};

}  // namespace

class MenuTest : public QObject {
  Q_OBJECT
 private slots:
  void menuBarHoldsTheFourMenus() {
    Fixture f;
    QStringList titles;
    for (QAction* a : f.frame.menuBar()->actions()) titles << a->text();
    QCOMPARE(titles, (QStringList{"Select approach:", "&File", "&Edit", "&View", "&Data", "&Help"}));
    QMenu* approach = f.frame.ApproachMenuWidget();
    const QList<QAction*> top = approach->actions();
    QCOMPARE(top.size(), 2);
    QCOMPARE(top[0]->text(), QString("Random sampling"));
    QVERIFY(top[0]->menu());
    QCOMPARE(top[1]->text(), QString("Prediction"));
    QCOMPARE(top[1]->data().toInt(), PredictionCommand()->id);
    QCOMPARE(top[1]->statusTip(), Q(PredictionCommand()->prompt));
  }

  void everyLeafIsPresentWithItsIdAndPrompt() {
    Fixture f;
    QMenu* random = Submenu(f.frame.ApproachMenuWidget(), {"Random sampling"});
    QVERIFY(random);
    for (const Command& c : Commands()) {
      if (c.approach != Approach::Randomization) continue;
      QStringList segments = Q(c.path).split(" > ");
      const QString leaf = segments.takeLast();
      QMenu* menu = Submenu(random, segments);
      QVERIFY2(menu, qPrintable(Q(c.path)));
      QAction* action = MenuItem(menu, leaf);
      QVERIFY2(action, qPrintable(Q(c.path)));
      QCOMPARE(action->data().toInt(), c.id);
      QCOMPARE(action->statusTip(), Q(c.prompt));
      QVERIFY(action->isEnabled());
      QVERIFY(!action->whatsThis().isEmpty());
    }
    // Nothing in the tree that the registry does not have: the leaves and Prediction.
    QCOMPARE(f.frame.CalculationActions()->actions().size(), static_cast<int>(Commands().size()));
  }

  void labelsHeadTheirSubmenusDisabled() {
    Fixture f;
    QMenu* random = Submenu(f.frame.ApproachMenuWidget(), {"Random sampling"});
    for (const LabelItem& label : LabelItems()) {
      const QString path = Q(label.submenu);
      QMenu* menu = path.isEmpty() ? random : Submenu(random, path.split(" > "));
      QVERIFY2(menu, qPrintable(path));
      QAction* first = menu->actions().value(0);
      QVERIFY2(first, qPrintable(path));
      QCOMPARE(first->text(), Q(label.text));
      QCOMPARE(first->data().toInt(), label.id);
      QCOMPARE(first->statusTip(), Q(label.prompt));
      QVERIFY(!first->isEnabled());
    }
    // The odd spelling of one objective is the table's, not a second submenu.
    QVERIFY(MenuItem(Submenu(random, {"Un.Prob.WithoutRepl.", "Proportion/number in category"}),
                     "Th. std.dev. of estimator"));
    // The label, six objectives and the added allocation.
    QVERIFY(Submenu(random, {"Stratified", "Mean/total of variable"})->actions().size() == 8);
  }

  // Through the menu bar as a person goes: a label highlights and shows its prompt.
  void highlightingShowsThePromptInTheStatusBar() {
    Fixture f;
    f.frame.show();
    f.frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.frame));
    QCOMPARE(f.frame.statusBar()->currentMessage(), QString(CMainFrame::kIdlePrompt));
    f.frame.menuBar()->setActiveAction(f.frame.ApproachMenuWidget()->menuAction());
    QMenu* random = Submenu(f.frame.ApproachMenuWidget(), {"Random sampling"});
    QMenu* simple = Submenu(random, {"Simple"});
    QTRY_VERIFY(f.frame.ApproachMenuWidget()->isVisible());
    if (!f.frame.ApproachMenuWidget()->activeAction()) QTest::keyClick(f.frame.ApproachMenuWidget(), Qt::Key_Down);
    QCOMPARE(f.frame.ApproachMenuWidget()->activeAction()->text(), QString("Random sampling"));
    QTest::keyClick(f.frame.ApproachMenuWidget(), Qt::Key_Right);  // opens "Random sampling" at "Method:"
    QTRY_VERIFY(random->isVisible());
    QTest::keyClick(random, Qt::Key_Down);
    QCOMPARE(random->activeAction()->text(), QString("Simple"));
    QTest::keyClick(random, Qt::Key_Right);
    QTRY_VERIFY(simple->isVisible());
    QCOMPARE(simple->activeAction()->text(), QString("Target:"));
    QTRY_COMPARE(f.frame.statusBar()->currentMessage(), QString("Target population characteristic"));
    QTest::keyClick(simple, Qt::Key_Down);
    QTest::keyClick(simple, Qt::Key_Right);
    QMenu* objectives = Submenu(simple, {"Mean/total of variable"});
    QTRY_VERIFY(objectives->isVisible());
    QTest::keyClick(objectives, Qt::Key_Down);
    QTest::keyClick(objectives, Qt::Key_Right);
    QMenu* estimators = Submenu(objectives, {"Point estimates"});
    QTRY_VERIFY(estimators->isVisible());
    QTest::keyClick(estimators, Qt::Key_Down);
    QTRY_COMPARE(f.frame.statusBar()->currentMessage(), QString("M: Simple, T: Mean/variable, O: Point; E: Simple"));
    QTest::keyClick(estimators, Qt::Key_Escape);
    f.frame.ApproachMenuWidget()->hide();
    QTRY_COMPARE(f.frame.statusBar()->currentMessage(), QString(CMainFrame::kIdlePrompt));
  }

  // Every leaf writes its codes and shows the first form of its calculation
  // (cancelled here): the form the library's own run of the command shows first.
  void everyLeafShowsItsFirstForm() {
    Fixture f;
    test::ModalWatchdog watchdog;
    for (QAction* action : f.frame.CalculationActions()->actions()) {
      const int id = action->data().toInt();
      if (id == PredictionCommand()->id) continue;
      QString seen;
      int shownId = 0;
      watchdog.Expect([&seen, &shownId](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
          seen = "message: " + box->text();
          box->accept();
        } else if (auto* form = qobject_cast<CFormDialog*>(w)) {
          seen = "form: " + form->windowTitle();
          shownId = form->Shown().Template().id;
          form->reject();
        }
      });
      const std::size_t before = f.doc.GetJournal().size();
      action->trigger();
      const Command* c = FindCommand(id);
      QVERIFY(c);
      QCOMPARE(f.doc.m_nApproach, Approach::Randomization);
      QCOMPARE(f.doc.m_nMethod, c->method);
      QCOMPARE(f.doc.m_nTarget, c->target);
      QCOMPARE(f.doc.m_nObjective, c->objective);
      QCOMPARE(f.doc.m_nEstimator, c->estimator);
      const int first = FirstFormId(id);
      QVERIFY2(first != 0, qPrintable(Q(c->path)));
      QVERIFY2(shownId == first, qPrintable(Q(c->path) + ": " + seen));
      QCOMPARE(f.doc.GetJournal().size(), before);  // cancelled: nothing appended
    }
    QCOMPARE(watchdog.Pending(), 0);
    QVERIFY2(watchdog.Unexpected().isEmpty(), qPrintable(watchdog.Unexpected().join("; ")));
  }

  // "Prediction" goes to its own dispatcher, which writes no randomization code.
  void predictionReachesItsDispatcher() {
    Fixture f;
    f.doc.m_nMethod = Method::WithoutReplacement;
    f.doc.m_nEstimator = Estimator::Hte;
    test::ModalWatchdog watchdog;
    QString seen;
    watchdog.Expect([&seen](QWidget* w) {
      seen = w->windowTitle() + test::MessageText(w);
      qobject_cast<QDialog*>(w)->reject();
    });
    MenuItem(f.frame.ApproachMenuWidget(), "Prediction")->trigger();
    QVERIFY(!seen.isEmpty());
    QCOMPARE(f.doc.m_nMethod, Method::WithoutReplacement);
    QCOMPARE(f.doc.m_nEstimator, Estimator::Hte);
    QCOMPARE(watchdog.Pending(), 0);
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  void fileViewAndHelpMenus() {
    Fixture f;
    QStringList file;
    for (QAction* a : f.frame.menuBar()->actions()[1]->menu()->actions()) file << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(file, (QStringList{"&New", "&Open...", "&Save", "Save &As...", "&Export", "-", "&Print...",
                                "Print Pre&view", "P&rint Setup...", "-", "Recent File", "-", "E&xit"}));
    QCOMPARE(f.frame.Action(FrameCommand::New)->shortcut(), QKeySequence("Ctrl+N"));
    QCOMPARE(f.frame.Action(FrameCommand::Print)->shortcut(), QKeySequence("Ctrl+P"));
    QCOMPARE(f.frame.Action(FrameCommand::ContextHelp)->shortcut(), QKeySequence("Shift+F1"));
    QCOMPARE(f.frame.Action(FrameCommand::Cut)->shortcuts().size(), 2);
    for (FrameCommand c : {FrameCommand::Cut, FrameCommand::Copy, FrameCommand::Paste})
      QVERIFY(!f.frame.Action(c)->isEnabled());
  }
};

MIRTO_APP_TEST(MenuTest);
#include "menu_test.moc"
