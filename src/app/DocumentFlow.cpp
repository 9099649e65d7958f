#include "app/DocumentFlow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

#include "app/AppSettings.h"
#include "app/RecentFileList.h"
#include "journal/CTervoDoc.h"

namespace mirto {
namespace {

// The wait cursor for the length of one file operation.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

DocumentFlow::DocumentFlow(CTervoDoc& doc, RecentFileList& recent, AppSettings& settings)
    : m_doc(doc), m_recent(recent), m_settings(settings) {}

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
  if (!result.ok) {
    // Lines read before an error stay shown; mark them so they are not lost unasked.
    if (m_doc.GetJournal().size() != before) m_doc.SetModifiedFlag(true);
    if (fromRecentList) {
      m_recent.Remove(path);
      m_settings.SaveRecentFiles(m_recent.Files());
      emit recentFilesChanged();
    }
    Fail(result.message);
    return false;
  }
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
