// Selecting and copying journal text in the window, and File > Export: the
// journal as PDF, the session as a batch script that repeats it.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

#include "AppTest.h"
#include "app/CFormDialog.h"
#include "app/CMainFrame.h"
#include "app/CTervoApp.h"
#include "app/CTervoView.h"
#include "app/JournalPrinter.h"
#include "batch/Batch.h"
#include "framework/Results.h"

using namespace mirto;

namespace {

QString JournalText(const CTervoDoc& doc) {
  QString text;
  for (std::size_t i = 0; i < doc.GetJournal().size(); ++i) text += QString::fromLatin1(doc.GetJournal()[i]) + '\n';
  return text;
}

struct Window {
  test::ModalWatchdog watchdog;
  CTervoApp app;
  QTemporaryDir dir;
  Window() {
    QVERIFY(app.InitInstance({}));
    QVERIFY(QTest::qWaitForWindowActive(app.Frame()));
  }
  ~Window() {
    QCOMPARE(watchdog.Pending(), 0);
    QVERIFY2(watchdog.Unexpected().isEmpty(), qPrintable(watchdog.Unexpected().join("; ")));
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  CMainFrame& frame() { return *app.Frame(); }
  CTervoView& view() { return *frame().View(); }
  // Simple > Mean/total > Point estimates > Simple from the menu, as a person would.
  void Calculate(const QString& N, const QString& mean) {
    watchdog.Expect([N, mean](QWidget* w) {
      auto* form = qobject_cast<CFormDialog*>(w);
      form->Edit(1)->setText(N);
      form->Edit(2)->setText(mean);
      form->accept();
    });
    for (QAction* a : frame().CalculationActions()->actions())
      if (a->data().toInt() == 32804) a->trigger();
    QTRY_VERIFY(frame().isActiveWindow());  // shortcuts reach it again
  }
  // File > Export > "Session as batch script...", then `mirto --batch` on
  // it: the journal it writes, and what went to standard error (with the
  // exit status, when not 0).
  std::pair<QString, QString> ReplayedSession() {
    const QString path = dir.filePath("session.mirto");
    watchdog.Expect(test::ChooseFile(path));
    frame().Action(FrameCommand::ExportSession)->trigger();
    const std::string script = path.toStdString();
    const char* args[] = {script.c_str()};
    std::ostringstream out, err;
    const int status = BatchMain(1, args, out, err);
    return {QString::fromStdString(out.str()),
            QString::fromStdString(err.str()) + (status ? QString("status %1").arg(status) : QString())};
  }
  // The middle of character cell `column` of line `line`, in the viewport.
  QPoint Cell(std::size_t line, std::size_t column) {
    const qreal advance = QFontMetricsF(view().Font(), view().viewport()).horizontalAdvance(QLatin1Char('x'));
    const auto x = static_cast<int>((2.0 + static_cast<qreal>(column)) * advance + 0.3 * advance);
    const auto y = static_cast<int>(static_cast<long long>(line) * view().LineHeight() - view().TopOffset());
    return {x, y + view().LineHeight() / 2};
  }
};

}  // namespace

class CopyExportTest : public QObject {
  Q_OBJECT
 private slots:
  void mouseAndKeysSelectAndCopyTakesTheText() {
    Window w;
    w.Calculate("1000", "25.5");
    QAction* copy = w.frame().Action(FrameCommand::Copy);
    QVERIFY(!copy->isEnabled());
    QWidget* port = w.view().viewport();
    // Line 8 is "Estimate of population mean: 25.500000".
    QTest::mousePress(port, Qt::LeftButton, {}, w.Cell(8, 12));
    QTest::mouseMove(port, w.Cell(9, 8));
    QTest::mouseRelease(port, Qt::LeftButton, {}, w.Cell(9, 8));
    QCOMPARE(w.view().SelectedText(), QString("population mean: 25.500000\nEstimate"));
    QVERIFY(copy->isEnabled());
    QTest::keySequence(&w.frame(), QKeySequence("Ctrl+C"));
    QCOMPARE(QApplication::clipboard()->text(), QString("population mean: 25.500000\nEstimate"));

    QTest::mouseDClick(port, Qt::LeftButton, {}, w.Cell(8, 31));
    QCOMPARE(w.view().SelectedText(), QString("25.500000"));
    QTest::mouseClick(port, Qt::LeftButton, {}, w.Cell(8, 31));
    QCOMPARE(w.view().SelectedText(), QString("Estimate of population mean: 25.500000\n"));

    QTest::mouseClick(port, Qt::LeftButton, {}, w.Cell(7, 0));
    QVERIFY(!copy->isEnabled());
    QTest::keyClick(&w.view(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&w.view(), Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(w.view().SelectedText(), QString("Population size, N= 1000\nEstimate of population mean: 25.500000"));
    QTest::keySequence(&w.frame(), QKeySequence("Ctrl+Ins"));
    QCOMPARE(QApplication::clipboard()->text(), w.view().SelectedText());

    QTest::keySequence(&w.frame(), QKeySequence("Ctrl+A"));
    QTest::keySequence(&w.frame(), QKeySequence("Ctrl+C"));
    QCOMPARE(QApplication::clipboard()->text() + '\n', JournalText(w.app.Document()));
    QVERIFY(!w.frame().Action(FrameCommand::Cut)->isEnabled());
    QVERIFY(!w.frame().Action(FrameCommand::Paste)->isEnabled());
  }

  // The context menu copies the selection or the whole block under the pointer.
  void contextMenuCopiesTheBlockUnderThePointer() {
    Window w;
    w.Calculate("1000", "25.5");
    w.Calculate("2000", "1.25");
    const auto menuAt = [&w](QPoint at) {
      QStringList items;
      QTimer::singleShot(0, [&items] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction* a : menu->actions())
          if (!a->isSeparator()) items << a->text() + (a->isEnabled() ? "" : " (disabled)");
        menu->close();
      });
      QContextMenuEvent event(QContextMenuEvent::Mouse, at, w.view().viewport()->mapToGlobal(at));
      QApplication::sendEvent(w.view().viewport(), &event);
      return items;
    };
    QCOMPARE(menuAt(w.Cell(0, 3)), (QStringList{"&Copy (disabled)", "Copy block (disabled)",
                                                "Copy block as table (disabled)", "Select &All"}));
    QCOMPARE(menuAt(w.Cell(4, 3)),
             (QStringList{"&Copy (disabled)", "Copy block", "Copy block as table", "Select &All"}));
    w.frame().Action(FrameCommand::CopyBlock)->trigger();
    QCOMPARE(QApplication::clipboard()->text(),
             JournalText(w.app.Document()).split("*********\n").value(1).prepend("*********\n"));
    w.frame().Action(FrameCommand::CopyBlockTable)->trigger();
    QCOMPARE(QApplication::clipboard()->text(),
             QString::fromStdString(ResultRows(w.app.Document().Blocks()[0].record)));
    QVERIFY(QApplication::clipboard()->text().startsWith("population_size\t1000\nsample_mean\t25.5\n"));
    menuAt(w.Cell(12, 3));
    w.frame().Action(FrameCommand::CopyBlock)->trigger();
    QVERIFY(QApplication::clipboard()->text().endsWith("Estimate of population total: 2500.000000\n"));
    QVERIFY(QApplication::clipboard()->text().startsWith("*********\nTarget:"));
    // A block read from a file has its lines but no record.
    const QString path = w.dir.filePath("old.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("*********\nTarget: Mean and total of variable\n");
    file.close();
    QVERIFY(w.app.Document().OnOpenDocument(path.toStdString()).ok);
    QCOMPARE(menuAt(w.Cell(18, 3)),
             (QStringList{"&Copy (disabled)", "Copy block", "Copy block as table (disabled)", "Select &All"}));
  }

  // The values of every report, as `--results` writes them.
  void resultsAsCsvOrJsonLines() {
    Window w;
    w.Calculate("1000", "25.5");
    w.Calculate("2000", "1.25");
    const std::vector<CompletedBlock>& blocks = w.app.Document().Blocks();
    QStringList csv, json;
    for (const std::string& row : ResultCsv(blocks)) csv << QString::fromStdString(row);
    for (std::size_t b = 0; b < blocks.size(); ++b) json << QString::fromStdString(ResultJson(blocks[b], b + 1));
    for (const auto& [name, lines] : {std::pair{QString("results.csv"), csv}, std::pair{QString("results"), json}}) {
      w.watchdog.Expect(test::ChooseFile(w.dir.filePath(name)));
      w.frame().Action(FrameCommand::ExportResults)->trigger();
      QFile file(w.dir.filePath(name.contains('.') ? name : name + ".jsonl"));  // the filter gives the suffix
      QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
      QCOMPARE(QString::fromUtf8(file.readAll()), lines.join('\n') + '\n');
    }
  }

  // The PDF holds the pages the printer would print, with no print dialog.
  void journalAsPdfWritesThePrintedPages() {
    Window w;
    for (int i = 0; i < 12; ++i) w.Calculate("1000", QString::number(i));
    const QString path = w.dir.filePath("journal.pdf");
    w.watchdog.Expect(test::ChooseFile(path));
    w.frame().Action(FrameCommand::ExportPdf)->trigger();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const int pages =
        static_cast<int>(QString::fromLatin1(file.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
    QCOMPARE(pages, JournalPrinter::PageCount(w.app.Document().GetJournal(), w.frame().Printing().Printer()));
    QVERIFY(pages >= 2);
    // Each page: the journal's name and today's date above, its number of all below.
    QProcess text;
    text.start("pdftotext", {"-layout", path, "-"});
    QVERIFY(text.waitForFinished(30000));
    const QStringList printed = QString::fromUtf8(text.readAllStandardOutput()).split('\f', Qt::SkipEmptyParts);
    QCOMPARE(printed.size(), pages);
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    for (int page = 1; page <= pages; ++page) {
      const QStringList lines = printed[page - 1].trimmed().split('\n');
      QVERIFY2(lines.first().startsWith("Untitled") && lines.first().endsWith(today), qPrintable(lines.first()));
      QCOMPARE(lines.last().trimmed(), QString("Page %1 of %2").arg(page).arg(pages));
    }
    const QString refused = w.frame().Printing().ExportPdf(w.dir.filePath("no/such/folder.pdf"));
    QVERIFY2(refused.contains("no/such/folder.pdf"), qPrintable(refused));
  }

  // Calculations from the menu and a new journal between them, exported and
  // run again by `mirto --batch`: the same journal.
  void sessionScriptRepeatsTheJournal() {
    Window w;
    w.Calculate("1000", "25.5");
    w.watchdog.Expect(test::AnswerMessage(nullptr, QMessageBox::No));
    w.frame().Action(FrameCommand::New)->trigger();
    w.Calculate("2000", "1.25");
    w.Calculate("300", "7");
    const auto [journal, errors] = w.ReplayedSession();
    QCOMPARE(journal, JournalText(w.app.Document()));
    QCOMPARE(errors, QString());
    QCOMPARE(w.app.Session().Calculations(), 3);
  }

  // View > Additional figures: off at first and remembered; switched in the
  // window it is recorded, so that the exported session writes the same journal.
  void additionalFiguresAreRememberedAndRepeated() {
    {
      Window w;
      QAction* toggle = w.frame().Action(FrameCommand::ToggleAdditionalFigures);
      QMenu* view = nullptr;
      for (QAction* menu : w.frame().menuBar()->actions())
        if (menu->text() == "&View") view = menu->menu();
      QVERIFY(view && view->actions().contains(toggle));
      QVERIFY(toggle->isCheckable() && !toggle->isChecked());
      w.Calculate("1000", "25.5");
      toggle->trigger();
      QVERIFY(w.app.Document().AdditionalFigures());
      w.watchdog.Expect([](QWidget* dialog) {
        auto* form = qobject_cast<CFormDialog*>(dialog);
        form->Edit(1)->setText("1000");
        form->Edit(2)->setText("100");
        form->Edit(3)->setText("0.3");
        form->List(4)->item(1)->setSelected(true);  // 95%
        form->accept();
      });
      for (QAction* a : w.frame().CalculationActions()->actions())
        if (a->data().toInt() == 32826) a->trigger();
      QTRY_VERIFY(w.frame().isActiveWindow());
      QVERIFY(JournalText(w.app.Document()).contains("+++ Additional figures for the report above +++"));
      const auto [journal, errors] = w.ReplayedSession();
      QCOMPARE(journal, JournalText(w.app.Document()));
      QCOMPARE(errors, QString());
    }
    Window again;
    QAction* toggle = again.frame().Action(FrameCommand::ToggleAdditionalFigures);
    QVERIFY(toggle->isChecked());
    QVERIFY(again.app.Document().AdditionalFigures());
    toggle->trigger();
    QVERIFY(!again.app.Document().AdditionalFigures());
  }
};

MIRTO_APP_TEST(CopyExportTest);
#include "copy_export_test.moc"
