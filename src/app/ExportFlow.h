#pragma once
// File > Export: the journal as a PDF file and the session as a batch
// script, each straight to the file chosen, with a message when it fails.
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
  bool ExportSession();

 private:
  // The file to write, proposed beside the journal's file; empty when cancelled.
  QString AskPath(const QString& title, const QString& suffix, const QString& filter) const;
  bool Done(const QString& error) const;

  const CTervoDoc& m_doc;
  const SessionRecorder& m_session;
  JournalPrinter& m_printing;
  QPointer<QWidget> m_window;
};

}  // namespace mirto
