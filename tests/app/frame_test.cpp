// The application and its main window: start-up, the save prompts before a
// journal is replaced, saving, the recent files, help and the About box.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextStream>
#include <QWhatsThis>

#include "AppTest.h"
#include "app/CFormDialog.h"
#include "app/CMainFrame.h"
#include "app/CTervoApp.h"
#include "app/CTervoView.h"
#include "app/JournalPrinter.h"
#include "support/MemoryLimit.h"

using namespace mirto;

namespace {

const QStringList kHeading = {"Program Mirto, journal of calculations.",
                              "To start program, click on `Select approach:'."};

QStringList JournalLines(const CTervoDoc& doc) {
  QStringList lines;
  for (std::size_t i = 0; i < doc.GetJournal().size(); ++i) lines << QString::fromLatin1(doc.GetJournal()[i]);
  return lines;
}

QStringList FileLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {"cannot open " + path};
  QStringList lines = QString::fromLatin1(file.readAll()).split('\n');
  if (lines.value(lines.size() - 1).isEmpty()) lines.removeLast();
  return lines;
}

void WriteFile(const QString& path, const QStringList& lines) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  for (const QString& line : lines) file.write(line.toLatin1() + '\n');
}

// Answers the point-estimate form of simple random sampling.
test::ModalWatchdog::Handler FillMeanPoint(const QString& N, const QString& mean) {
  return [N, mean](QWidget* w) {
    auto* form = qobject_cast<CFormDialog*>(w);
    QVERIFY(form);
    form->Edit(1)->setText(N);
    form->Edit(2)->setText(mean);
    form->accept();
  };
}

struct Started {
  test::ModalWatchdog watchdog;
  CTervoApp app;
  QTemporaryDir dir;
  explicit Started(const QStringList& args = {}) { started = app.InitInstance(args); }
  ~Started() {
    QCOMPARE(watchdog.Pending(), 0);
    QVERIFY2(watchdog.Unexpected().isEmpty(), qPrintable(watchdog.Unexpected().join("; ")));
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;
  bool started;
  CMainFrame& frame() { return *app.Frame(); }
  // A calculation, so that the journal is modified.
  void Calculate() {
    watchdog.Expect(FillMeanPoint("1000", "25.5"));
    app.Document().OnCommand(32804);
  }
};

}  // namespace

class FrameTest : public QObject {
  Q_OBJECT
 private slots:
  void startsWithANewJournal() {
    Started s;
    QVERIFY(s.started);
    QVERIFY(s.frame().isVisible());
    QCOMPARE(JournalLines(s.app.Document()), kHeading);
    QCOMPARE(s.frame().windowTitle(), QString("Untitled[*] - Mirto"));
    QVERIFY(!s.frame().isWindowModified());
    QCOMPARE(s.frame().statusBar()->currentMessage(), QString("For Help, Press F1"));
    QCOMPARE(s.frame().View()->windowTitle(), QString("Window Mirto"));
  }

  void startsWithTheFileNamed() {
    QTemporaryDir dir;
    const QString path = dir.filePath("start.txt");
    WriteFile(path, kHeading);
    Started s({path});
    QVERIFY(s.started);
    QCOMPARE(JournalLines(s.app.Document()), kHeading);  // no heading lines of a new journal first
    QCOMPARE(s.frame().windowTitle(), QString("start.txt[*] - Mirto"));
    QCOMPARE(s.app.RecentFiles().Files().value(0), path);
  }

  void aFileThatCannotBeOpenedEndsTheStart() {
    test::ModalWatchdog watchdog;
    QString message;
    watchdog.Expect(test::AnswerMessage(&message, QMessageBox::Ok));
    CTervoApp app;
    QVERIFY(!app.InitInstance({"/nonexistent/journal.txt"}));
    QVERIFY(!app.Frame());
    QVERIFY2(message.contains("/nonexistent/journal.txt"), qPrintable(message));
    QVERIFY(watchdog.Unexpected().isEmpty());
  }

  void calculationAppendsItsReportAndMarksTheJournal() {
    Started s;
    s.Calculate();
    QCOMPARE(JournalLines(s.app.Document()).mid(2),
             (QStringList{"*********", "Target: Mean and total of variable", "Method: Simple random sampling",
                          "Objective: Point estimates", "Estimator: Simple", "Population size, N= 1000",
                          "Estimate of population mean: 25.500000", "Estimate of population total: 25500.000000"}));
    QVERIFY(s.frame().isWindowModified());
  }

  void newAsksToSaveAModifiedJournal() {
    Started s;
    s.Calculate();
    const QStringList before = JournalLines(s.app.Document());
    QString prompt;
    s.watchdog.Expect(test::AnswerMessage(&prompt, QMessageBox::Cancel));
    s.frame().Action(FrameCommand::New)->trigger();
    QCOMPARE(prompt, QString("Save changes to Untitled?"));
    QCOMPARE(JournalLines(s.app.Document()), before);
    QVERIFY(s.app.Document().IsModified());

    s.watchdog.Expect(test::AnswerMessage(&prompt, QMessageBox::No));
    s.frame().Action(FrameCommand::New)->trigger();
    QCOMPARE(JournalLines(s.app.Document()), kHeading);
    QVERIFY(!s.app.Document().IsModified());
    QVERIFY(s.watchdog.Unexpected().isEmpty());
  }

  void yesSavesBeforeTheNewJournal() {
    Started s;
    s.Calculate();
    const QStringList before = JournalLines(s.app.Document());
    const QString path = s.dir.filePath("kept.txt");
    s.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::Yes));
    s.watchdog.Expect(test::ChooseFile(path));
    s.frame().Action(FrameCommand::New)->trigger();
    QCOMPARE(FileLines(path), before);
    QCOMPARE(JournalLines(s.app.Document()), kHeading);
    QCOMPARE(s.frame().windowTitle(), QString("Untitled[*] - Mirto"));
    QCOMPARE(s.watchdog.Pending(), 0);
  }

  void openAsksAfterTheFileDialogAndAppends() {
    Started s;
    const QString path = s.dir.filePath("other.txt");
    WriteFile(path, {"line one", "line two"});
    s.Calculate();
    const QStringList before = JournalLines(s.app.Document());
    s.watchdog.Expect(test::ChooseFile(path));
    s.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::Cancel));
    s.frame().Action(FrameCommand::Open)->trigger();
    QCOMPARE(JournalLines(s.app.Document()), before);

    s.watchdog.Expect(test::ChooseFile(path));
    s.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::No));
    s.frame().Action(FrameCommand::Open)->trigger();
    QCOMPARE(JournalLines(s.app.Document()), before + QStringList({"line one", "line two"}));
    QVERIFY(!s.app.Document().IsModified());
    QCOMPARE(s.frame().windowTitle(), QString("other.txt[*] - Mirto"));
    QCOMPARE(s.frame().RecentFileActions().value(0)->text(), QString("&1 other.txt"));
    QCOMPARE(s.frame().RecentFileActions().value(0)->statusTip(), path);
    QVERIFY(s.watchdog.Unexpected().isEmpty());
  }

  // The calculation on screen survives an open that runs out of memory.
  void openingWithoutEnoughMemoryKeepsTheJournal() {
    Started s;
    const QString path = s.dir.filePath("large.txt");
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      const QByteArray lines = QByteArray("Estimate of population mean: 25.500000\n").repeated(100'000);
      for (int i = 0; i < 20; ++i) file.write(lines);
    }
    s.Calculate();
    const QStringList before = JournalLines(s.app.Document());
    QString message;
    s.watchdog.Expect(test::ChooseFile(path));
    s.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::No));
    s.watchdog.Expect(test::AnswerMessage(&message, QMessageBox::Ok));
    // Windows of earlier tests still waiting to be deleted would free room under the limit.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    {
      test::MemoryLimit limit(64 << 20);
      s.frame().Action(FrameCommand::Open)->trigger();
      QCOMPARE(message, "Cannot open " + path + ": Memory allocation failure.");
      QCOMPARE(JournalLines(s.app.Document()), before);
      s.Calculate();  // the program goes on
    }
    QCOMPARE(JournalLines(s.app.Document()).size(), before.size() + 8);
  }

  // A file that is not text is appended, and replaced by Save, only when the person says so.
  void aFileThatIsNotTextIsAskedAbout() {
    Started s;
    const QString path = s.dir.filePath("picture.bin");
    QByteArray binary(1 << 20, '\0');
    for (int i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 2654435761u) >> 13);
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(binary);
    }
    const QStringList before = JournalLines(s.app.Document());
    const QString notText = path + " is not a text file (it holds NUL bytes).\n";
    QString question;
    s.watchdog.Expect(test::ChooseFile(path));
    s.watchdog.Expect(test::AnswerMessage(&question, QMessageBox::No));
    s.frame().Action(FrameCommand::Open)->trigger();
    QCOMPARE(question, notText + "Append its lines to the journal all the same?");
    QCOMPARE(JournalLines(s.app.Document()), before);
    QCOMPARE(s.app.Document().GetPathName(), std::string());

    s.watchdog.Expect(test::ChooseFile(path));
    s.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::Yes));
    s.frame().Action(FrameCommand::Open)->trigger();
    QVERIFY(JournalLines(s.app.Document()).size() > before.size());
    QCOMPARE(s.app.Document().GetPathName(), path.toStdString());

    s.watchdog.Expect(test::AnswerMessage(&question, QMessageBox::No));
    s.frame().Action(FrameCommand::Save)->trigger();
    QCOMPARE(question, notText + "Replace it with the journal?");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == binary);
    file.close();
    s.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::Yes));
    s.frame().Action(FrameCommand::Save)->trigger();
    QCOMPARE(FileLines(path), JournalLines(s.app.Document()));
  }

  void exitAsksToSaveAModifiedJournal() {
    Started s;
    s.Calculate();
    s.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::Cancel));
    s.frame().Action(FrameCommand::Exit)->trigger();
    QVERIFY(s.frame().isVisible());
    s.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::No));
    s.frame().close();
    QVERIFY(!s.frame().isVisible());
    QCOMPARE(s.watchdog.Pending(), 0);
  }

  void saveWritesTheJournalAndRemembersTheFile() {
    Started s;
    s.Calculate();
    s.frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.frame()));  // accelerators reach the active window
    const QString path = s.dir.filePath("saved.txt");
    s.watchdog.Expect(test::ChooseFile(path));
    QTest::keySequence(&s.frame(), QKeySequence("Ctrl+S"));
    QCOMPARE(FileLines(path), JournalLines(s.app.Document()));
    QCOMPARE(s.frame().windowTitle(), QString("saved.txt[*] - Mirto"));
    QVERIFY(!s.frame().isWindowModified());
    QCOMPARE(AppSettings().LoadRecentFiles().value(0), path);

    // Saving again goes to the same file without a dialog.
    s.Calculate();
    s.frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.frame()));
    QTest::keySequence(&s.frame(), QKeySequence("Ctrl+S"));
    QCOMPARE(FileLines(path), JournalLines(s.app.Document()));
    QVERIFY(s.watchdog.Unexpected().isEmpty());
  }

  void aFailedSaveKeepsTheJournalModified() {
    Started s;
    s.Calculate();
    const std::string path = s.dir.filePath("missing/x.txt").toStdString();
    s.app.Document().SetPathName(path);
    QString message;
    s.watchdog.Expect(test::AnswerMessage(&message, QMessageBox::Ok));
    s.frame().Action(FrameCommand::Save)->trigger();
    QVERIFY2(message.contains("missing/x.txt"), qPrintable(message));
    QVERIFY(s.app.Document().IsModified());
    QVERIFY(s.frame().isWindowModified());
    QVERIFY(!QFile::exists(QString::fromStdString(path)));
  }

  void aRecentFileThatFailsLeavesTheList() {
    Started s;
    const QString path = s.dir.filePath("gone.txt");
    WriteFile(path, {"x"});
    s.app.RecentFiles().Add(path);
    s.frame().UpdateRecentFiles();
    QFile::remove(path);
    QString message;
    s.watchdog.Expect(test::AnswerMessage(&message, QMessageBox::Ok));
    s.frame().RecentFileActions().value(0)->trigger();
    QVERIFY2(message.contains("gone.txt"), qPrintable(message));
    QVERIFY(!s.app.RecentFiles().Files().contains(path));
    QVERIFY(!AppSettings().LoadRecentFiles().contains(path));
    for (QAction* a : s.frame().RecentFileActions()) QVERIFY(!a->text().endsWith(path));
    QCOMPARE(JournalLines(s.app.Document()), kHeading);
  }

  void helpAboutAndContextHelp() {
    Started s;
    s.frame().Action(FrameCommand::HelpTopics)->trigger();
    QVERIFY(s.frame().Help() && s.frame().Help()->isVisible());
    const QString help = s.frame().Help()->Browser()->toPlainText();
    for (const char* topic : {"Stratified", "Interval estimates", "Regression", "Prediction", "Margin:"})
      QVERIFY2(help.contains(topic), topic);
    // Every key that does something is told, and the contents lead to their sections.
    using enum FrameCommand;
    for (FrameCommand c : {New, Open, Save, Print, Copy, SelectAll, HelpTopics, ContextHelp})
      for (const QKeySequence& key : s.frame().Action(c)->shortcuts())
        QVERIFY2(help.contains(key.toString()), qPrintable(key.toString()));
    QTextBrowser* browser = s.frame().Help()->Browser();
    QVERIFY(browser->toHtml().contains("href=\"#keys\""));
    browser->verticalScrollBar()->setValue(0);
    browser->setSource(QUrl("#keys"));
    QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);

    QString caption, text;
    s.watchdog.Expect([&](QWidget* w) {
      caption = w->windowTitle();
      for (QLabel* label : w->findChildren<QLabel*>()) text += label->text();
      qobject_cast<QDialog*>(w)->accept();
    });
    s.frame().Action(FrameCommand::About)->trigger();
    QCOMPARE(caption, QString("About Tervo"));
    QVERIFY(text.contains("Mirto Version 2.0"));
    QVERIFY(text.contains("GNU General Public License</a>, version 3 or (at your option) any later version"));

    s.frame().Action(FrameCommand::ContextHelp)->trigger();
    QVERIFY(QWhatsThis::inWhatsThisMode());
    QCOMPARE(s.frame().statusBar()->currentMessage(), QString("Select an object on which to get Help"));
    QWhatsThis::leaveWhatsThisMode();
    QTRY_COMPARE(s.frame().statusBar()->currentMessage(), QString("For Help, Press F1"));
  }

  // The print dialog offers the pages of the document's Journal; preview opens on it too.
  void printAndPreviewOpenOnTheJournal() {
    Started s;
    QPrinter& printer = s.frame().Printing().Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(s.dir.filePath("print.pdf"));
    const int pages = JournalPrinter::PageCount(s.app.Document().GetJournal(), printer);
    int maxPage = 0;
    s.watchdog.Expect([&maxPage](QWidget* w) {
      auto* dialog = qobject_cast<QPrintDialog*>(w);
      QVERIFY(dialog);
      maxPage = dialog->maxPage();
      dialog->accept();
    });
    s.frame().Action(FrameCommand::Print)->trigger();
    QCOMPARE(maxPage, pages);
    QVERIFY(QFile(s.dir.filePath("print.pdf")).size() > 0);
    bool preview = false;
    s.watchdog.Expect([&preview](QWidget* w) {
      preview = qobject_cast<QPrintPreviewDialog*>(w) != nullptr;
      qobject_cast<QDialog*>(w)->reject();
    });
    s.frame().Action(FrameCommand::PrintPreview)->trigger();
    QVERIFY(preview);
  }

  // After a page range was printed, and after File > New, the preview shows
  // every page of the journal as it is now.
  void previewShowsTheWholeCurrentJournal() {
    QTemporaryDir dir;
    const QString path = dir.filePath("long.txt");
    QStringList lines;
    for (int i = 0; i < 1000; ++i) lines << QString("line %1").arg(i);
    WriteFile(path, lines);
    Started s({path});
    QPrinter& printer = s.frame().Printing().Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("print.pdf"));
    const int pages = JournalPrinter::PageCount(s.app.Document().GetJournal(), printer);
    QVERIFY(pages >= 4);
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    s.watchdog.Expect([](QWidget* w) { qobject_cast<QDialog*>(w)->accept(); });
    s.frame().Action(FrameCommand::Print)->trigger();
    for (const int expected : {pages, 1}) {
      int shown = -1;
      s.watchdog.Expect([&shown](QWidget* w) {
        if (auto* preview = w->findChild<QPrintPreviewWidget*>()) shown = preview->pageCount();
        qobject_cast<QDialog*>(w)->reject();
      });
      s.frame().Action(FrameCommand::PrintPreview)->trigger();
      QCOMPARE(shown, expected);
      s.frame().Action(FrameCommand::New)->trigger();
    }
  }

  // "&" is no mnemonic in a file name; a long path shows as its name, in full
  // in the status bar.
  void recentFilesShowNamesAndTheirPathsInTheStatusBar() {
    Started s;
    const QString deep = "/" + QString("very long folder name/").repeated(12) + "study.txt";
    s.app.RecentFiles().SetFiles({"/home/me/R&D notes", deep});
    s.frame().UpdateRecentFiles();
    const QList<QAction*> items = s.frame().RecentFileActions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->text(), QString("&1 R&&D notes"));
    QCOMPARE(items[0]->statusTip(), QString("/home/me/R&D notes"));
    QCOMPARE(items[1]->text(), QString("&2 study.txt"));
    QCOMPARE(items[1]->statusTip(), deep);
  }

  // Shortcuts work without a click: the journal has the keyboard at start and
  // again when a dialog closes.
  void theJournalHasTheKeyboardAtStartAndAfterDialogs() {
    Started s;
    QVERIFY(QTest::qWaitForWindowActive(&s.frame()));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(s.frame().View()));
    s.Calculate();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&s.frame()));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(s.frame().View()));
    s.watchdog.Expect([](QWidget* w) { qobject_cast<QDialog*>(w)->accept(); });
    s.frame().Action(FrameCommand::About)->trigger();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&s.frame()));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(s.frame().View()));
  }
};

MIRTO_APP_TEST(FrameTest);
#include "frame_test.moc"
