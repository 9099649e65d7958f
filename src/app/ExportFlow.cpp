#include "app/ExportFlow.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/AppSettings.h"
#include "app/JournalPrinter.h"
#include "app/WaitCursor.h"
#include "batch/Session.h"
#include "journal/CTervoDoc.h"

namespace mirto {

ExportFlow::ExportFlow(const CTervoDoc& doc, const SessionRecorder& session, JournalPrinter& printing)
    : m_doc(doc), m_session(session), m_printing(printing) {}

QString ExportFlow::AskPath(const QString& title, const QString& suffix, const QString& filter) const {
  const std::string& journal = m_doc.GetPathName();
  const QFileInfo file(journal.empty() ? QDir::current().filePath("Untitled") : QFile::decodeName(journal.c_str()));
  const QString proposed = file.dir().filePath(file.completeBaseName() + suffix);
  return QFileDialog::getSaveFileName(m_window, title, proposed, filter);
}

bool ExportFlow::Done(const QString& error) const {
  if (!error.isEmpty()) QMessageBox::warning(m_window, kAppTitle, error);
  return error.isEmpty();
}

bool ExportFlow::ExportPdf() {
  const QString path = AskPath("Export Journal as PDF", ".pdf", "PDF files (*.pdf);;All files (*)");
  if (path.isEmpty()) return false;
  WaitCursor wait;
  return Done(m_printing.ExportPdf(path));
}

bool ExportFlow::ExportSession() {
  const QString path = AskPath("Export Session as Batch Script", ".mirto", "Mirto scripts (*.mirto);;All files (*)");
  if (path.isEmpty()) return false;
  WaitCursor wait;
  const FileResult result = WriteScript(m_session.ScriptLines(), QFile::encodeName(path).toStdString());
  return Done(result.ok ? QString() : QString::fromStdString(result.message));
}

}  // namespace mirto
