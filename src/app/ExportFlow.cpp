#include "app/ExportFlow.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include "app/AppSettings.h"
#include "app/JournalPrinter.h"
#include "app/WaitCursor.h"
#include "batch/Session.h"
#include "framework/Results.h"
#include "journal/CTervoDoc.h"

namespace mirto {

ExportFlow::ExportFlow(const CTervoDoc& doc, const SessionRecorder& session, JournalPrinter& printing)
    : m_doc(doc), m_session(session), m_printing(printing) {}

QString ExportFlow::AskPath(const QString& title, const QStringList& filters) const {
  static const QRegularExpression suffix("\\(\\*(\\.\\w+)");
  const auto suffixOf = [](const QString& filter) { return suffix.match(filter).captured(1); };
  const std::string& journal = m_doc.GetPathName();
  const QFileInfo file(journal.empty() ? QDir::current().filePath("Untitled") : QFile::decodeName(journal.c_str()));
  QString chosen = filters.value(0);
  QString path =
      QFileDialog::getSaveFileName(m_window, title, file.dir().filePath(file.completeBaseName() + suffixOf(chosen)),
                                   (filters + QStringList{"All files (*)"}).join(";;"), &chosen);
  if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += suffixOf(chosen);
  return path;
}

bool ExportFlow::Done(const QString& error) const {
  if (!error.isEmpty()) QMessageBox::warning(m_window, kAppTitle, error);
  return error.isEmpty();
}

bool ExportFlow::ExportPdf() {
  const QString path = AskPath("Export Journal as PDF", {"PDF files (*.pdf)"});
  if (path.isEmpty()) return false;
  WaitCursor wait;
  return Done(m_printing.ExportPdf(path));
}

// JSON Lines, or CSV for a name ending in ".csv", as `--results` decides.
bool ExportFlow::ExportResults() {
  const QString path = AskPath("Export Results", {"JSON Lines (*.jsonl)", "CSV (*.csv)"});
  if (path.isEmpty()) return false;
  WaitCursor wait;
  const FileResult result = WriteResults(m_doc.Blocks(), QFile::encodeName(path).toStdString());
  return Done(result.ok ? QString() : QString::fromStdString(result.message));
}

bool ExportFlow::ExportSession() {
  const QString path = AskPath("Export Session as Batch Script", {"Mirto scripts (*.mirto)"});
  if (path.isEmpty()) return false;
  WaitCursor wait;
  const FileResult result = WriteScript(m_session.ScriptLines(), QFile::encodeName(path).toStdString());
  return Done(result.ok ? QString() : QString::fromStdString(result.message));
}

}  // namespace mirto
