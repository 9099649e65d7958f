#pragma once
// The application object: settings, the document, its window and view, and
// the start-up order (settings, recent files, the window, the journal, show).
#include <QStringList>
#include <memory>

#include "app/AppSettings.h"
#include "app/QtFormHost.h"
#include "app/RecentFileList.h"
#include "batch/Session.h"
#include "journal/CTervoDoc.h"

namespace mirto {

class CMainFrame;

class CTervoApp {
 public:
  CTervoApp();
  ~CTervoApp();
  CTervoApp(const CTervoApp&) = delete;
  CTervoApp& operator=(const CTervoApp&) = delete;

  // Start-up with the program's arguments (Qt's own already removed): a new
  // journal, or the file named. False, after a message, when the file cannot
  // be opened; no window is shown then.
  bool InitInstance(const QStringList& arguments);

  CTervoDoc& Document() { return m_doc; }
  CMainFrame* Frame() const { return m_frame.get(); }
  RecentFileList& RecentFiles() { return m_recent; }
  SessionRecorder& Session() { return m_session; }

 private:
  AppSettings m_settings;
  RecentFileList m_recent{kRecentFileCount};
  QtFormHost m_host;
  SessionRecorder m_session{m_host};
  CTervoDoc m_doc{m_session};
  std::unique_ptr<CMainFrame> m_frame;
};

// Makes the process read and write numbers the same under any locale; call
// after the QApplication exists (it takes the locale from the environment).
void UseCNumericLocale();

}  // namespace mirto
