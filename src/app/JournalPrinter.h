#pragma once
// Printing of the document's Journal: the print dialog, print preview and
// printer setup share one printer, so settings carry from one job to the next.
#include <QFont>
#include <QPointer>
#include <QPrinter>
#include <QWidget>

namespace mirto {

class CTervoDoc;
class Journal;

class JournalPrinter {
 public:
  explicit JournalPrinter(const CTervoDoc& doc);
  void SetWindow(QWidget* window) { m_window = window; }

  void Print();
  void PrintPreview();
  void PrintSetup();
  QPrinter& Printer() { return m_printer; }

  // Pages the Journal takes on `printer`, at least one.
  static int PageCount(const Journal& journal, QPrinter& printer);
  // Prints the pages the printer's range asks for (all by default); returns
  // the number of pages printed.
  static int Render(const Journal& journal, QPrinter& printer);

 private:
  const CTervoDoc& m_doc;
  QPrinter m_printer;
  QPointer<QWidget> m_window;
};

}  // namespace mirto
