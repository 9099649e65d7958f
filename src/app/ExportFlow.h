#pragma once
// File > Export: the journal as a PDF file, the reports' results as values
// (as `--results` writes them) and the session as a batch script, each
// straight to the file chosen, with a message when it fails.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace mirto {

class CTervoDoc;
class JournalPrinter;
class SessionRecorder;

class ExportFlow : public QObject {
  Q_OBJECT
 public:
  ExportFlow(const CTervoDoc& doc, const SessionRecorder& session, JournalPrinter& printing);
  void SetWindow(QWidget* window) { m_window = window; }

  bool ExportPdf();
  bool ExportResults();
  bool ExportSession();

 private:
  // The file to write, proposed beside the journal's file; empty when cancelled.
  // The filter chosen decides the suffix of a name typed without one.
  QString AskPath(const QString& title, const QStringList& filters) const;
  bool Done(const QString& error) const;

  const CTervoDoc& m_doc;
  const SessionRecorder& m_session;
  JournalPrinter& m_printing;
  QPointer<QWidget> m_window;
};

}  // namespace mirto
