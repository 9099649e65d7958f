#pragma once
// Printing of the document's Journal: the print dialog, print preview and
// printer setup share one printer, so settings carry from one job to the next.
#include <QFont>
#include <QPointer>
#include <QPrinter>
#include <QString>
#include <QWidget>
#include <climits>

namespace mirto {

class CTervoDoc;
class Journal;

// What heads every printed page: the journal's name and the day it was printed.
struct PageHeading {
  QString title;
  QString date;  // ISO 8601; today's when empty
};

class JournalPrinter {
 public:
  explicit JournalPrinter(const CTervoDoc& doc);
  void SetWindow(QWidget* window) { m_window = window; }

  void Print();
  void PrintPreview();
  void PrintSetup();
  QPrinter& Printer() { return m_printer; }
  // Writes every page to the PDF file `path`, laid out as on the printer,
  // with no dialog; the file is replaced only once it is whole. Returns what
  // went wrong, or nothing.
  QString ExportPdf(const QString& path);

  // Pages the Journal takes on `printer`, at least one.
  static int PageCount(const Journal& journal, QPaintDevice& printer);
  // Prints the pages the printer's range asks for (all by default); returns
  // the number of pages printed.
  static int Render(const Journal& journal, QPrinter& printer, const PageHeading& heading = {});
  // Prints pages first..last of those the Journal takes.
  static int Render(const Journal& journal, QPagedPaintDevice& device, int first, int last = INT_MAX,
                    const PageHeading& heading = {});

 private:
  PageHeading Heading() const;

  const CTervoDoc& m_doc;
  QPrinter m_printer;
  QPointer<QWidget> m_window;
};

}  // namespace mirto
