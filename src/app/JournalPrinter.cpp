#include "app/JournalPrinter.h"

#include <QDate>
#include <QFile>
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
#include "journal/PageLayout.h"
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

std::vector<std::size_t> Pages(const Journal& journal, const PageMetrics& m) {
  return PageStarts(journal, static_cast<std::size_t>(BodyLinesPerPage(m.pageHeight, m.lineHeight)));
}

// The title at the left of the first line and the date at its right; the
// page number centred on the last.
void DrawFrame(QPainter& painter, const PageMetrics& m, int width, const PageHeading& heading, int page, int pages) {
  const int left = LeftMargin(m.charWidth), right = width - left;
  const QString date = heading.date.isEmpty() ? QDate::currentDate().toString(Qt::ISODate) : heading.date;
  const QFontMetrics metrics(painter.font(), painter.device());
  const QString title =
      metrics.elidedText(heading.title.isEmpty() ? QString("Untitled") : heading.title, Qt::ElideMiddle,
                         std::max(0, right - left - 3 * metrics.horizontalAdvance(date) / 2));
  painter.drawText(left, m.ascent, title);
  painter.drawText(right - metrics.horizontalAdvance(date), m.ascent, date);
  const QString foot = QString::fromStdString(PageFoot(page, pages));
  const int footLine = LinesPerPage(m.pageHeight, m.lineHeight) - 1;
  painter.drawText((width - metrics.horizontalAdvance(foot)) / 2, footLine * m.lineHeight + m.ascent, foot);
}

}  // namespace

JournalPrinter::JournalPrinter(const CTervoDoc& doc) : m_doc(doc) {}

int JournalPrinter::PageCount(const Journal& journal, QPaintDevice& printer) {
  return static_cast<int>(Pages(journal, Measure(printer)).size());
}

int JournalPrinter::Render(const Journal& journal, QPrinter& printer, const PageHeading& heading) {
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0)
    return Render(journal, printer, printer.fromPage(), std::max(printer.fromPage(), printer.toPage()), heading);
  return Render(journal, printer, 1, INT_MAX, heading);
}

int JournalPrinter::Render(const Journal& journal, QPagedPaintDevice& device, int first, int last,
                           const PageHeading& heading) {
  const PageMetrics m = Measure(device);
  const std::vector<std::size_t> starts = Pages(journal, m);
  const int pages = static_cast<int>(starts.size());
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
    DrawFrame(painter, m, device.width(), heading, page, pages);
    const LineRange lines = PageBody(starts, page, journal.size());
    int y = kHeadingLines * m.lineHeight + m.ascent;
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
    const PageHeading heading = Heading();
    pdf.setTitle(heading.title);
    pages = Render(m_doc.GetJournal(), pdf, 1, INT_MAX, heading);
  }
  if (pages == 0 || file.error() != QFileDevice::NoError || !file.commit())
    return QString("Cannot write %1: %2").arg(path, file.errorString());
  return {};
}

PageHeading JournalPrinter::Heading() const {
  const std::string& path = m_doc.GetPathName();
  return {path.empty() ? QString("Untitled") : QFileInfo(QFile::decodeName(path.c_str())).fileName(), {}};
}

void JournalPrinter::Print() {
  QPrintDialog dialog(&m_printer, m_window);
  dialog.setMinMax(1, PageCount(m_doc.GetJournal(), m_printer));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() == QDialog::Accepted) Render(m_doc.GetJournal(), m_printer, Heading());
}

void JournalPrinter::PrintPreview() {
  // The range of the last print job is not the journal: the preview shows all of it.
  m_printer.setPrintRange(QPrinter::AllPages);
  m_printer.setFromTo(0, 0);
  QPrintPreviewDialog preview(&m_printer, m_window);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                   [this](QPrinter* printer) { Render(m_doc.GetJournal(), *printer, Heading()); });
  preview.exec();
}

void JournalPrinter::PrintSetup() {
  QPageSetupDialog dialog(&m_printer, m_window);
  dialog.exec();
}

}  // namespace mirto
