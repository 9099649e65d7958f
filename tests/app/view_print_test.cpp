// The journal view (drawing range, extent, scroll to the end) and printing
// (page count, pages printed to a PDF file).
#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <string>

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

// The rightmost column of the image with a pixel other than the background.
int RightmostInk(const QImage& image) {
  const QRgb background = image.pixel(0, 0);
  for (int x = image.width() - 1; x >= 0; --x)
    for (int y = 0; y < image.height(); ++y)
      if (image.pixel(x, y) != background) return x;
  return -1;
}

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
    // Selecting in it stays calm.
    QTest::keyClick(&f.view, Qt::Key_End, Qt::ShiftModifier);
    QTest::mouseDClick(f.view.viewport(), Qt::LeftButton);
    f.view.SelectAll();
    QVERIFY(!f.view.HasSelection());
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
    QCOMPARE(v->value(), v->maximum());  // scrolled to the end on update, in whole lines
    QCOMPARE(v->maximum(), 5000 - f.view.viewport()->height() / h);
    const LineRange r = f.Paint();
    QCOMPARE(r.last, 4999LL);
    QCOMPARE(r.first, static_cast<long long>(v->value()));
    QVERIFY(r.count() <= f.view.viewport()->height() / h + 2);
  }

  void scrolledToTheTopDrawsTheFirstLines() {
    ViewFixture f(5000);
    f.view.verticalScrollBar()->setValue(0);
    const LineRange r = f.Paint();
    QCOMPARE(r.first, 0LL);
    QCOMPARE(r.last, static_cast<long long>(f.view.viewport()->height() / f.view.LineHeight() + 1));
  }

  // Measured in the font, not a rounded character width times the length.
  void aWideLineWidensTheScrollRange() {
    ViewFixture f(3, 3000);
    const QFontMetricsF metrics(f.view.Font(), f.view.viewport());
    const qreal width = metrics.horizontalAdvance(QString(3000, 'w'));
    const qreal character = metrics.horizontalAdvance(QLatin1Char('x'));
    QVERIFY2(std::abs(f.view.ExtentWidth() - (width + 4 * character)) <= 1,
             qPrintable(QString("extent %1, measured %2").arg(f.view.ExtentWidth()).arg(width + 4 * character)));
    QScrollBar* h = f.view.horizontalScrollBar();
    QCOMPARE(static_cast<long long>(h->maximum()), f.view.ExtentWidth() - f.view.viewport()->width());
    // Fully scrolled right, the line ends two character widths before the edge.
    h->setValue(h->maximum());
    const int right = RightmostInk(f.view.viewport()->grab().toImage());
    const qreal end = f.view.viewport()->width() - 2 * character;
    QVERIFY2(right <= end + 1 && right >= end - character,
             qPrintable(QString("ink ends at %1, the line at %2").arg(right).arg(end)));
  }

  void theLastLineStaysInViewWhenAWideLineBringsTheHorizontalBar() {
    ViewFixture f(200);
    QVERIFY(!f.view.horizontalScrollBar()->isVisible());
    f.doc.AppendLine("%s", std::string(500, 'w').c_str());
    f.doc.AppendLine("the last line");
    f.doc.EndBlock(Record{});
    QApplication::processEvents();
    QVERIFY(f.view.horizontalScrollBar()->isVisible());
    const long long bottom = 202LL * f.view.LineHeight() - f.view.TopOffset();
    QVERIFY2(bottom <= f.view.viewport()->height(),
             qPrintable(QString("last line ends at %1 of %2").arg(bottom).arg(f.view.viewport()->height())));
    QCOMPARE(f.Paint().last, 201LL);
  }

  // Lines this tall put the end of a million lines beyond 2^31 pixels, as
  // some 150 million lines of the journal font would.
  void theEndOfAVeryTallJournalIsReached() {
    ViewFixture f(1'000'000);
    QFont tall = f.view.Font();
    tall.setPixelSize(2400);
    f.view.SetJournalFont(tall);
    QVERIFY(1'000'000LL * f.view.LineHeight() > std::numeric_limits<int>::max());
    QCOMPARE(f.Paint().last, 999'999LL);
    QTest::keyClick(&f.view, Qt::Key_Home);
    QCOMPARE(f.Paint().first, 0LL);
    QTest::keyClick(&f.view, Qt::Key_End);
    QCOMPARE(f.Paint().last, 999'999LL);
  }

  // A 50-million-character line: what is on screen is drawn, at its place.
  void aHugeLineIsDrawnWhereItIsScrolled() {
    ViewFixture f(0);
    const QString path = f.dir.filePath("huge.txt");
    {
      QByteArray line(50'000'000, ' ');
      for (qsizetype i = 0; i < line.size(); ++i) line[i] = static_cast<char>('a' + i % 26);
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(line + '\n');
    }
    QVERIFY(f.doc.OnOpenDocument(path.toStdString()).ok);
    QScrollBar* h = f.view.horizontalScrollBar();
    h->setValue(h->maximum() / 2 + 3);
    const QImage shown = f.view.viewport()->grab().toImage();

    // The same text drawn here from a few columns before the first one shown.
    const QFontMetricsF metrics(f.view.Font(), f.view.viewport());
    const qreal character = metrics.horizontalAdvance(QLatin1Char('x'));
    const qreal offset = h->value();
    const long long column = static_cast<long long>((offset - 2 * character) / character) - 3;
    QString text;
    for (long long i = column; i < column + 200; ++i) text += QChar('a' + static_cast<int>(i % 26));
    QImage expected(shown.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(f.view.palette().color(QPalette::Base));
    QPainter painter(&expected);
    painter.setFont(f.view.Font());
    painter.setPen(f.view.palette().color(QPalette::Text));
    painter.drawText(QPointF(2 * character - offset + static_cast<qreal>(column) * character, metrics.ascent()), text);
    painter.end();
    QVERIFY(RightmostInk(expected) > shown.width() / 2);
    // Painting cost what is on screen: one line, a window's width of columns.
    QCOMPARE(f.Paint().count(), 1LL);
    QVERIFY(f.view.LastColumns().count <= f.view.viewport()->width() / character + 2);
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
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
