#include "app/DocumentFlow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/AppSettings.h"
#include "app/RecentFileList.h"
#include "app/WaitCursor.h"
#include "batch/Session.h"
#include "journal/CTervoDoc.h"

namespace mirto {
DocumentFlow::DocumentFlow(CTervoDoc& doc, SessionRecorder& session, RecentFileList& recent, AppSettings& settings)
    : m_doc(doc), m_session(session), m_recent(recent), m_settings(settings) {}

QString DocumentFlow::DocumentTitle() const {
  const std::string& path = m_doc.GetPathName();
  return path.empty() ? QString("Untitled") : QFileInfo(QFile::decodeName(path.c_str())).fileName();
}

bool DocumentFlow::SaveModified() {
  if (!m_doc.IsModified()) return true;
  const auto answer = QMessageBox::question(m_window, kAppTitle, QString("Save changes to %1?").arg(DocumentTitle()),
                                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (answer == QMessageBox::Cancel || answer == QMessageBox::Escape) return false;
  if (answer == QMessageBox::No) return true;
  return FileSave();
}

bool DocumentFlow::FileNew() {
  if (!SaveModified()) return false;
  m_doc.OnNewDocument();
  m_session.NewJournal();
  emit journalReplaced();
  emit documentChanged();
  return true;
}

bool DocumentFlow::FileOpen() {
  const QString path = QFileDialog::getOpenFileName(m_window, "Open");
  return !path.isEmpty() && OpenFile(path);
}

bool DocumentFlow::OpenFile(const QString& path, bool fromRecentList) {
  if (!SaveModified()) return false;
  const std::size_t before = m_doc.GetJournal().size();
  FileResult result;
  {
    WaitCursor wait;
    result = m_doc.OnOpenDocument(QFile::encodeName(path).toStdString());
  }
  if (result.declined) return false;  // nothing was appended
  if (!result.ok) {
    // Lines read before an error stay shown; mark them so they are not lost unasked.
    if (m_doc.GetJournal().size() != before) {
      m_doc.SetModifiedFlag(true);
      m_session.OpenedJournal(QFile::encodeName(path).toStdString(), false);
    }
    if (fromRecentList) {
      m_recent.Remove(path);
      m_settings.SaveRecentFiles(m_recent.Files());
      emit recentFilesChanged();
    }
    Fail(result.message);
    return false;
  }
  m_session.OpenedJournal(QFile::encodeName(path).toStdString());
  AddRecent(path);
  emit documentChanged();
  return true;
}

bool DocumentFlow::FileSave() {
  const std::string& path = m_doc.GetPathName();
  return path.empty() ? FileSaveAs() : SaveTo(QFile::decodeName(path.c_str()));
}

bool DocumentFlow::FileSaveAs() {
  const std::string& current = m_doc.GetPathName();
  const QString proposed = current.empty() ? DocumentTitle() : QFile::decodeName(current.c_str());
  const QString path = QFileDialog::getSaveFileName(m_window, "Save As", proposed);
  if (path.isEmpty()) return false;
  if (!SaveTo(path)) return false;
  AddRecent(path);
  return true;
}

bool DocumentFlow::SaveTo(const QString& path) {
  FileResult result;
  {
    WaitCursor wait;
    result = m_doc.OnSaveDocument(QFile::encodeName(path).toStdString());
  }
  if (result.declined) return false;  // the file stays, the journal stays modified
  if (!result.ok) {
    Fail(result.message);
    return false;
  }
  emit documentChanged();
  return true;
}

void DocumentFlow::AddRecent(const QString& path) {
  m_recent.Add(path);
  m_settings.SaveRecentFiles(m_recent.Files());
  emit recentFilesChanged();
}

void DocumentFlow::Fail(const std::string& message) {
  QMessageBox::warning(m_window, kAppTitle, QString::fromStdString(message));
}

}  // namespace mirto
