// Edit > Find: the search over the journal's lines (directions, wrapping,
// case), the find bar and its keys, the marks, and a million-line journal.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "AppTest.h"
#include "app/CMainFrame.h"
#include "app/CTervoApp.h"
#include "app/CTervoView.h"
#include "app/FindBar.h"
#include "app/JournalFind.h"
#include "journal/CTervoDoc.h"

using namespace mirto;

namespace {

Journal Lines(std::initializer_list<std::string_view> lines) {
  Journal journal;
  for (std::string_view line : lines) journal.push_back(line);
  return journal;
}

// Positions counted by hand in these lines.
const Journal& Sample() {
  static const Journal journal =
      Lines({"Target: Mean and total", "mean of y: 2.5; mean of x", "nothing", "\xC9T\xC9 \xE9t\xE9"});
  return journal;
}

QString Pos(const std::optional<FindMatch>& m) {
  return m ? QString("%1,%2%3").arg(m->at.line).arg(m->at.column).arg(m->wrapped ? " wrapped" : "") : "none";
}

void Type(QWidget* widget, const char* keys) { QTest::keySequence(widget, QKeySequence(keys)); }

}  // namespace

class FindTest : public QObject {
  Q_OBJECT
 private slots:
  void findsInTheLines_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<QString>("found");
    QTest::newRow("first, any case") << QByteArray("mean") << false << 0 << 0 << true << "0,8";
    QTest::newRow("first, matching case") << QByteArray("mean") << true << 0 << 0 << true << "1,0";
    QTest::newRow("at the position itself") << QByteArray("mean") << false << 1 << 16 << true << "1,16";
    QTest::newRow("past the last, round to the top") << QByteArray("mean") << false << 1 << 17 << true << "0,8 wrapped";
    QTest::newRow("backward on the line") << QByteArray("mean") << false << 1 << 16 << false << "1,0";
    QTest::newRow("backward to the line above") << QByteArray("mean") << false << 1 << 0 << false << "0,8";
    QTest::newRow("before the first, round to the bottom")
        << QByteArray("mean") << false << 0 << 8 << false << "1,16 wrapped";
    QTest::newRow("the only match, found again") << QByteArray("target") << false << 0 << 3 << true << "0,0 wrapped";
    QTest::newRow("the only match, backward") << QByteArray("target") << false << 0 << 0 << false << "0,0 wrapped";
    QTest::newRow("from past the end") << QByteArray("mean") << false << 99 << 0 << true << "0,8 wrapped";
    QTest::newRow("backward from past the end") << QByteArray("mean") << false << 99 << 0 << false << "1,16";
    QTest::newRow("Latin-1 letters in any case") << QByteArray("\xE9t\xE9") << false << 0 << 0 << true << "3,0";
    QTest::newRow("Latin-1 letters, matching case") << QByteArray("\xE9t\xE9") << true << 0 << 0 << true << "3,4";
    QTest::newRow("not there") << QByteArray("median") << false << 0 << 0 << true << "none";
  }
  void findsInTheLines() {
    QFETCH(QByteArray, text);
    QFETCH(bool, matchCase);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(bool, forward);
    QFETCH(QString, found);
    const FindQuery query{text.toStdString(), matchCase};
    const TextPos from{static_cast<std::size_t>(line), static_cast<std::size_t>(column)};
    QCOMPARE(Pos(FindInJournal(Sample(), query, from, forward)), found);
  }

  void nothingIsFoundInAnEmptyJournalOrForNoText() {
    QCOMPARE(Pos(FindInJournal(Journal(), {"mean", false}, {}, true)), QString("none"));
    QCOMPARE(Pos(FindInJournal(Sample(), {"", false}, {}, true)), QString("none"));
  }

  // The matches drawn on a line are those that meet its columns on screen.
  void marksOnlyWhatMeetsTheColumnsShown() {
    const FindQuery query{"mean", false};
    const std::string_view line = Sample()[1];
    QCOMPARE(MatchesOnLine(line, query, 2, 16), (std::vector<std::size_t>{0, 16}));
    QCOMPARE(MatchesOnLine(line, query, 17, 5), (std::vector<std::size_t>{16}));
    QCOMPARE(MatchesOnLine(line, query, 4, 12), (std::vector<std::size_t>{}));
  }

  // Ctrl+F opens the bar; typing selects the first match and marks the
  // others; F3 and Shift+F3 step and go round; Escape closes the bar.
  void theBarFindsStepsAndCloses() {
    QTemporaryDir dir;
    const QString path = dir.filePath("j.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Population size, N= 1000\nSample size, n= 100\nEstimate of population mean: 25.5\n");
    file.close();
    CTervoApp app;
    QVERIFY(app.InitInstance({path}));
    CMainFrame& frame = *app.Frame();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    FindBar& bar = *frame.Finder();
    CTervoView& view = *frame.View();
    QVERIFY(!bar.isVisible());
    Type(&frame, "Ctrl+F");
    QVERIFY(bar.isVisible());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(bar.Field()));
    QTest::keyClicks(bar.Field(), "size");
    QCOMPARE(view.SelectedText(), QString("size"));
    QCOMPARE(view.Selection().Start(), (TextPos{0, 11}));  // "Population " is 11 characters
    QVERIFY(bar.Status()->text().isEmpty());
    // The other match is marked in the marker's colour.
    const QImage shown = view.viewport()->grab().toImage();
    int marked = 0;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) marked += shown.pixelColor(x, y) == QColor(255, 221, 87);
    QVERIFY(marked > 0);

    Type(&frame, "F3");
    QCOMPARE(view.Selection().Start(), (TextPos{1, 7}));  // "Sample " is 7
    Type(&frame, "F3");
    QCOMPARE(view.Selection().Start(), (TextPos{0, 11}));
    QCOMPARE(bar.Status()->text(), QString("continued from the top"));
    Type(&frame, "Shift+F3");
    QCOMPARE(view.Selection().Start(), (TextPos{1, 7}));
    QCOMPARE(bar.Status()->text(), QString("continued from the bottom"));
    QTest::keyClick(bar.Field(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(view.Selection().Start(), (TextPos{0, 11}));
    bar.MatchCase()->setChecked(true);
    QTest::keyClicks(bar.Field(), "S");
    QCOMPARE(bar.Status()->text(), QString("not found"));
    QVERIFY(!view.HasSelection());

    QTest::keyClick(bar.Field(), Qt::Key_Escape);
    QVERIFY(!bar.isVisible());
    QVERIFY(view.Query().empty());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&view));
  }

  // A million lines: the match near the top is reached from the end by going
  // round, and text that is not there is told so after one pass.
  void aMillionLineJournal() {
    QTemporaryDir dir;
    const QString path = dir.filePath("long.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray lines;
    for (int i = 0; i < 1'000'000; ++i)
      lines += i == 10 ? QByteArray("Required sample size is 303\n")
                       : "Estimate of population total: " + QByteArray::number(25500 + i) + ".000000\n";
    file.write(lines);
    file.close();
    CTervoApp app;
    QVERIFY(app.InitInstance({path}));
    CMainFrame& frame = *app.Frame();
    CTervoView& view = *frame.View();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    view.viewport()->repaint();
    QCOMPARE(view.LastDrawn().last, 999'999LL);
    frame.Finder()->Open();
    QTest::keyClicks(frame.Finder()->Field(), "REQUIRED");
    QCOMPARE(view.Selection().Start(), (TextPos{10, 0}));
    QCOMPARE(frame.Finder()->Status()->text(), QString());
    view.viewport()->repaint();
    QVERIFY(view.LastDrawn().first <= 10 && view.LastDrawn().last >= 10);
    QTest::keyClicks(frame.Finder()->Field(), "!");
    QCOMPARE(frame.Finder()->Status()->text(), QString("not found"));
  }
};

MIRTO_APP_TEST(FindTest);
#include "find_test.moc"
