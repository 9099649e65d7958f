#include "app/CTervoApp.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <clocale>

#include "app/AppStyle.h"
#include "app/CMainFrame.h"
#include "app/CTervoView.h"

namespace mirto {

void UseCNumericLocale() { std::setlocale(LC_NUMERIC, "C"); }

CTervoApp::CTervoApp() = default;

CTervoApp::~CTervoApp() {
  // The window goes before the document it shows.
  m_frame.reset();
}

bool CTervoApp::InitInstance(const QStringList& arguments) {
  QApplication::setStyle(new AppStyle);
  m_recent.SetFiles(m_settings.LoadRecentFiles());
  m_doc.SetAdditionalFigures(m_settings.LoadAdditionalFigures());

  m_frame = std::make_unique<CMainFrame>(m_doc, m_session, m_recent, m_settings);
  m_host.SetWindow(m_frame.get());
  m_frame->SetFormHost(&m_host);

  QString file = arguments.value(0);
  if (!file.isEmpty()) {
    const FileResult result = m_doc.OnOpenDocument(QFile::encodeName(file).toStdString());
    if (result.declined) {
      file.clear();  // not a text file, and the person chose to leave it: a new journal instead
    } else if (!result.ok) {
      QMessageBox::critical(nullptr, kAppTitle, QString::fromStdString(result.message));
      m_frame.reset();
      return false;
    } else {
      m_recent.Add(file);
      m_settings.SaveRecentFiles(m_recent.Files());
    }
  }
  if (file.isEmpty()) m_doc.OnNewDocument();
  m_session.Start(file.isEmpty() ? std::string() : QFile::encodeName(file).toStdString(), m_doc.AdditionalFigures());
  m_frame->UpdateRecentFiles();
  m_frame->UpdateTitle();
  m_frame->show();
  m_frame->TakeKeyboard();
  m_frame->View()->OnUpdate();
  return true;
}

}  // namespace mirto
