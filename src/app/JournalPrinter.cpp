#include "app/JournalPrinter.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QSaveFile>
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

PageMetrics Measure(QPaintDevice& printer) {
  const QFont font(JournalFont(), &printer);
  const QFontMetrics metrics(font, &printer);
  return {font, std::max(1, metrics.horizontalAdvance(QLatin1Char('x'))), std::max(1, metrics.lineSpacing()),
          metrics.ascent(), printer.height()};
}

}  // namespace

JournalPrinter::JournalPrinter(const CTervoDoc& doc) : m_doc(doc) {}

int JournalPrinter::PageCount(const Journal& journal, QPaintDevice& printer) {
  const PageMetrics m = Measure(printer);
  return mirto::PageCount(journal.size(), m.lineHeight, m.pageHeight);
}

int JournalPrinter::Render(const Journal& journal, QPrinter& printer) {
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0)
    return Render(journal, printer, printer.fromPage(), std::max(printer.fromPage(), printer.toPage()));
  return Render(journal, printer, 1);
}

int JournalPrinter::Render(const Journal& journal, QPagedPaintDevice& device, int first, int last) {
  const PageMetrics m = Measure(device);
  const int pages = mirto::PageCount(journal.size(), m.lineHeight, m.pageHeight);
  first = std::max(1, first);
  last = std::min(pages, last);
  QPainter painter;
  if (first > last || !painter.begin(&device)) return 0;
  painter.setFont(m.font);
  // Only what fits on the page is laid out, however long a line is.
  const auto columns = static_cast<std::size_t>(
      VisibleColumns(0, device.width(), QFontMetricsF(m.font, &device).horizontalAdvance(QLatin1Char('x'))).count);
  for (int page = first; page <= last; ++page) {
    if (page > first) device.newPage();
    const LineRange lines = PageLines(page, journal.size(), m.lineHeight, m.pageHeight);
    int y = m.ascent;
    for (long long i = lines.first; i <= lines.last; ++i, y += m.lineHeight)
      painter.drawText(LeftMargin(m.charWidth), y,
                       JournalText(journal[static_cast<std::size_t>(i)].substr(0, columns)));
  }
  painter.end();
  return last - first + 1;
}

QString JournalPrinter::ExportPdf(const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return QString("Cannot write %1: %2").arg(path, file.errorString());
  int pages = 0;
  {
    QPdfWriter pdf(&file);
    pdf.setResolution(m_printer.resolution());
    pdf.setPageLayout(m_printer.pageLayout());
    pdf.setCreator("Mirto");
    pdf.setTitle(QFileInfo(path).completeBaseName());
    pages = Render(m_doc.GetJournal(), pdf, 1);
  }
  if (pages == 0 || file.error() != QFileDevice::NoError || !file.commit())
    return QString("Cannot write %1: %2").arg(path, file.errorString());
  return {};
}

void JournalPrinter::Print() {
  QPrintDialog dialog(&m_printer, m_window);
  dialog.setMinMax(1, PageCount(m_doc.GetJournal(), m_printer));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() == QDialog::Accepted) Render(m_doc.GetJournal(), m_printer);
}

void JournalPrinter::PrintPreview() {
  // The range of the last print job is not the journal: the preview shows all of it.
  m_printer.setPrintRange(QPrinter::AllPages);
  m_printer.setFromTo(0, 0);
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
