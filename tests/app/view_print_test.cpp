// The journal view (drawing range, extent, scroll to the end) and printing
// (page count, pages printed to a PDF file).
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "AppTest.h"
#include "app/CFormDialog.h"
#include "app/CTervoView.h"
#include "app/JournalPrinter.h"
#include "app/QtFormHost.h"
#include "journal/CTervoDoc.h"

using namespace mirto;

namespace {

// A document whose Journal is `count` numbered lines (and one `wide` line).
struct ViewFixture {
  QTemporaryDir dir;
  QtFormHost host;
  CTervoDoc doc{host};
  CTervoView view{doc};
  explicit ViewFixture(int count, int wide = 0) {
    doc.SetViewUpdate([this] { view.OnUpdate(); });
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QFile file(dir.filePath("j.txt"));
    if (!file.open(QIODevice::WriteOnly)) return;
    for (int i = 0; i < count; ++i) file.write(QByteArray("line ") + QByteArray::number(i) + '\n');
    if (wide > 0) file.write(QByteArray(wide, 'w') + '\n');
    file.close();
    doc.OnOpenDocument(file.fileName().toStdString());
  }
  LineRange Paint() {
    view.viewport()->repaint();
    return view.LastDrawn();
  }
};

int PdfPages(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  return static_cast<int>(QString::fromLatin1(file.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

void UsePdf(QPrinter& printer, const QString& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setPageSize(QPageSize(QPageSize::A4));
}

}  // namespace

class ViewTest : public QObject {
  Q_OBJECT
 private slots:
  void emptyJournalDrawsNothing() {
    ViewFixture f(0);
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    QVERIFY(f.Paint().empty());
    QCOMPARE(f.view.ExtentHeight(), 0LL);
  }

  void oneLineIsExactlyThatLine() {
    ViewFixture f(1);
    const LineRange r = f.Paint();
    QCOMPARE(r.first, 0LL);
    QCOMPARE(r.last, 0LL);
  }

  void drawsOnlyTheVisibleLinesAtTheEnd() {
    ViewFixture f(5000);
    const int h = f.view.LineHeight();
    QCOMPARE(f.view.ExtentHeight(), 5000LL * h);
    QScrollBar* v = f.view.verticalScrollBar();
    QCOMPARE(v->value(), v->maximum());  // scrolled to the end on update
    QCOMPARE(v->maximum(), 5000 * h - f.view.viewport()->height());
    const LineRange r = f.Paint();
    QCOMPARE(r.last, 4999LL);
    QCOMPARE(r.first, static_cast<long long>(v->value() / h));
    QVERIFY(r.count() <= f.view.viewport()->height() / h + 2);
  }

  void scrolledToTheTopDrawsTheFirstLines() {
    ViewFixture f(5000);
    f.view.verticalScrollBar()->setValue(0);
    const LineRange r = f.Paint();
    QCOMPARE(r.first, 0LL);
    QCOMPARE(r.last, static_cast<long long>(f.view.viewport()->height() / f.view.LineHeight() + 1));
  }

  void aWideLineWidensTheScrollRange() {
    ViewFixture f(3, 300);
    QCOMPARE(f.view.ExtentWidth(), 304LL * f.view.CharWidth());
    QCOMPARE(f.view.horizontalScrollBar()->maximum(),
             static_cast<int>(304LL * f.view.CharWidth()) - f.view.viewport()->width());
  }

  void aCalculationScrollsToItsLastLine() {
    ViewFixture f(200);
    f.view.verticalScrollBar()->setValue(0);
    test::ModalWatchdog watchdog;
    watchdog.Expect([](QWidget* w) {
      auto* form = qobject_cast<CFormDialog*>(w);
      form->Edit(1)->setText("10");
      form->Edit(2)->setText("2");
      form->accept();
    });
    f.doc.OnCommand(32804);
    QCOMPARE(f.doc.GetJournal().size(), 208u);
    QScrollBar* v = f.view.verticalScrollBar();
    QCOMPARE(v->value(), v->maximum());
    QCOMPARE(f.Paint().last, 207LL);
  }
};

class PrintTest : public QObject {
  Q_OBJECT
 private slots:
  void pagesHoldWholeLinesAndAtLeastOne() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    UsePdf(printer, dir.filePath("probe.pdf"));
    Journal probe;
    const int one = JournalPrinter::PageCount(probe, printer);
    QCOMPARE(one, 1);
    // Lines per page from the printer's own measures: add lines until a second page is needed.
    int perPage = 0;
    while (JournalPrinter::PageCount(probe, printer) == 1) {
      probe.push_back("x");
      ++perPage;
    }
    --perPage;
    QVERIFY(perPage > 20);
    struct Case {
      int lines, pages;
    };
    for (Case c : {Case{1, 1}, Case{perPage, 1}, Case{3 * perPage, 3}, Case{3 * perPage + 1, 4}}) {
      Journal journal;
      for (int i = 0; i < c.lines; ++i) journal.push_back("Estimate of population mean: 25.500000");
      const QString path = dir.filePath(QString("j%1.pdf").arg(c.lines));
      UsePdf(printer, path);
      QCOMPARE(JournalPrinter::PageCount(journal, printer), c.pages);
      QCOMPARE(JournalPrinter::Render(journal, printer), c.pages);
      QCOMPARE(PdfPages(path), c.pages);
    }
  }

  void aPageRangePrintsThosePages() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    const QString path = dir.filePath("range.pdf");
    UsePdf(printer, path);
    Journal journal;
    for (int i = 0; i < 1000; ++i) journal.push_back("line");
    const int pages = JournalPrinter::PageCount(journal, printer);
    QVERIFY(pages >= 3);
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    QCOMPARE(JournalPrinter::Render(journal, printer), 2);
    QCOMPARE(PdfPages(path), 2);
  }
};

MIRTO_APP_TEST(ViewTest);
MIRTO_APP_TEST(PrintTest);
#include "view_print_test.moc"
