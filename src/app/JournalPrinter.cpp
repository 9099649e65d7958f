#include "app/JournalPrinter.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <algorithm>

#include "app/JournalFont.h"
#include "journal/CTervoDoc.h"
#include "journal/ViewLayout.h"

namespace mirto {
namespace {

struct PageMetrics {
  QFont font;
  int charWidth;
  int lineHeight;
  int ascent;
  int pageHeight;
};

PageMetrics Measure(QPrinter& printer) {
  const QFont font(JournalFont(), &printer);
  const QFontMetrics metrics(font, &printer);
  return {font, std::max(1, metrics.horizontalAdvance(QLatin1Char('x'))), std::max(1, metrics.lineSpacing()),
          metrics.ascent(), printer.height()};
}

}  // namespace

JournalPrinter::JournalPrinter(const CTervoDoc& doc) : m_doc(doc) {}

int JournalPrinter::PageCount(const Journal& journal, QPrinter& printer) {
  const PageMetrics m = Measure(printer);
  return mirto::PageCount(journal.size(), m.lineHeight, m.pageHeight);
}

int JournalPrinter::Render(const Journal& journal, QPrinter& printer) {
  const PageMetrics m = Measure(printer);
  const int pages = mirto::PageCount(journal.size(), m.lineHeight, m.pageHeight);
  int first = 1, last = pages;
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
    first = std::max(1, printer.fromPage());
    last = std::min(pages, std::max(first, printer.toPage()));
  }
  QPainter painter;
  if (first > last || !painter.begin(&printer)) return 0;
  painter.setFont(m.font);
  // Only what fits on the page is laid out, however long a line is.
  const auto columns = static_cast<std::size_t>(
      VisibleColumns(0, printer.width(), QFontMetricsF(m.font, &printer).horizontalAdvance(QLatin1Char('x'))).count);
  for (int page = first; page <= last; ++page) {
    if (page > first) printer.newPage();
    const LineRange lines = PageLines(page, journal.size(), m.lineHeight, m.pageHeight);
    int y = m.ascent;
    for (long long i = lines.first; i <= lines.last; ++i, y += m.lineHeight)
      painter.drawText(LeftMargin(m.charWidth), y,
                       JournalText(journal[static_cast<std::size_t>(i)].substr(0, columns)));
  }
  painter.end();
  return last - first + 1;
}

void JournalPrinter::Print() {
  QPrintDialog dialog(&m_printer, m_window);
  dialog.setMinMax(1, PageCount(m_doc.GetJournal(), m_printer));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() == QDialog::Accepted) Render(m_doc.GetJournal(), m_printer);
}

void JournalPrinter::PrintPreview() {
  QPrintPreviewDialog preview(&m_printer, m_window);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                   [this](QPrinter* printer) { Render(m_doc.GetJournal(), *printer); });
  preview.exec();
}

void JournalPrinter::PrintSetup() {
  QPageSetupDialog dialog(&m_printer, m_window);
  dialog.exec();
}

}  // namespace mirto
