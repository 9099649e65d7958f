// View > Chart: the dock draws the chart of the block under the journal's
// cursor (the newest while the cursor is on none) from the block's record,
// and saves it as PNG and SVG.
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "app/CFormDialog.h"
#include "app/CTervoView.h"
#include "app/ChartDock.h"
#include "app/ChartView.h"
#include "app/EntryTableDialog.h"

using namespace mirto;
using Kind = extras::ChartData::Kind;
using mirto::test::Answer;

namespace {

// Pastes `rows` into the entry table once the watchdog has let go of it, and presses OK.
test::ModalWatchdog::Handler PasteRows(QByteArray rows) {
  return [rows](QWidget* w) {
    auto* table = qobject_cast<EntryTableDialog*>(w);
    QVERIFY2(table, qPrintable(w->objectName()));
    QTimer::singleShot(0, table, [table, rows] {
      table->View()->setCurrentIndex(table->View()->model()->index(0, 1));
      QVERIFY(table->PasteText(rows));
      table->accept();
    });
  };
}

}  // namespace

class ChartTest : public QObject {
  Q_OBJECT
 private slots:
  void theChartFollowsTheCursorAndIsSaved() {
    test::AppFixture f;
    f.watchdog.Expect(Answer({"2", "95%"}));
    f.watchdog.Expect(PasteRows("600\t60\t10\t3\n400\t40\t20\t4\n"));
    f.Run("Stratified > Mean/total of variable > Interval estimates");
    const std::size_t strata = f.doc.Blocks().back().firstLine;
    f.watchdog.Expect(Answer({"5000", "0.3", "0.05", "95%"}));
    f.Run("Simple > Proportion/number in category > Sample size > Simple");
    CMainFrame& frame = *f.app.Frame();
    ChartDock& dock = *frame.Charts();
    QVERIFY(dock.isHidden());
    frame.Action(FrameCommand::ToggleChart)->trigger();
    QVERIFY(!dock.isHidden());
    const std::optional<extras::ChartData>& chart = dock.Chart()->Chart();
    QVERIFY(chart && chart->kind == Kind::SampleSize);  // the cursor is on the heading: the newest block
    QCOMPARE(chart->entered.first, 0.05);

    frame.View()->SetSelection({{strata + 2, 0}, {strata + 2, 0}});
    QVERIFY(chart && chart->kind == Kind::Intervals);
    QCOMPARE(chart->intervals.size(), std::size_t{3});
    QCOMPARE(chart->intervals[0].estimate, 10.0);  // the means typed, from the record
    QCOMPARE(chart->intervals[1].estimate, 20.0);

    QTemporaryDir dir;
    f.watchdog.Expect(test::ChooseFile(dir.filePath("strata.png")));
    dock.ExportPng();
    QVERIFY(!QImage(dir.filePath("strata.png")).isNull());
    f.watchdog.Expect(test::ChooseFile(dir.filePath("strata")));
    dock.ExportSvg();
    QFile svg(dir.filePath("strata.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    QVERIFY(text.contains("<svg") && text.contains("Stratum 2") && text.contains("Population"));

    // The heading lines hold no block; a point estimate has no chart.
    f.watchdog.Expect(Answer({"1000", "25.5"}));
    f.Run("Simple > Mean/total of variable > Point estimates > Simple");
    frame.View()->SetSelection({{f.doc.Blocks().back().firstLine + 1, 0}, {f.doc.Blocks().back().firstLine + 1, 0}});
    QVERIFY(!chart);
    frame.Action(FrameCommand::ToggleChart)->trigger();
    QVERIFY(dock.isHidden());
  }

  // A line per level, each through the table's six margins.
  void theSensitivityOfNIsALinePerLevel() {
    test::AppFixture f;
    f.watchdog.Expect(Answer({"1000", "10", "1"}));
    f.Run("Simple > Mean/total of variable > Sensitivity of n");
    CMainFrame& frame = *f.app.Frame();
    frame.Action(FrameCommand::ToggleChart)->trigger();
    const std::optional<extras::ChartData>& chart = frame.Charts()->Chart()->Chart();
    QVERIFY(chart && chart->kind == Kind::SampleSize);
    QCOMPARE(chart->series.size(), std::size_t{3});
    const Table& sizes = f.doc.Blocks().back().record.tables().back();
    for (std::size_t level = 0; level < 3; ++level) {
      QCOMPARE(chart->series[level].points.size(), std::size_t{6});
      QCOMPARE(chart->series[level].points[0].second, sizes.at(0, level + 1));
    }
    QCOMPARE(chart->series[2].name, std::string("99%"));
  }
};

MIRTO_APP_TEST(ChartTest);
#include "chart_test.moc"
