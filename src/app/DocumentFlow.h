#pragma once
// File > New, Open, Save, Save As and the recent files: the save prompt before
// a journal is replaced, the file dialogs, and the messages when a file fails.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace mirto {

class AppSettings;
class CTervoDoc;
class RecentFileList;
class SessionRecorder;

class DocumentFlow : public QObject {
  Q_OBJECT
 public:
  // New and opened journals go into the session's script too.
  DocumentFlow(CTervoDoc& doc, SessionRecorder& session, RecentFileList& recent, AppSettings& settings);
  void SetWindow(QWidget* window) { m_window = window; }

  // Asks to save a modified journal; false when the person cancels (or the
  // save fails), and the journal must then stay.
  bool SaveModified();
  bool FileNew();
  bool FileOpen();
  // Opens `path` after the save prompt; a failed recent file leaves the list.
  bool OpenFile(const QString& path, bool fromRecentList = false);
  bool FileSave();
  bool FileSaveAs();

  // "Untitled" or the file's name.
  QString DocumentTitle() const;

 signals:
  void documentChanged();  // path or title
  void journalReplaced();  // File > New: no line shown before is left
  void recentFilesChanged();

 private:
  bool SaveTo(const QString& path);
  void AddRecent(const QString& path);
  void Fail(const std::string& message);

  CTervoDoc& m_doc;
  SessionRecorder& m_session;
  RecentFileList& m_recent;
  AppSettings& m_settings;
  QPointer<QWidget> m_window;
};

}  // namespace mirto
