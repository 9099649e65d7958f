#pragma once
// Per-user settings: every key and default in one place, so that loading and
// saving cannot drift apart. The recent-file list, the additional-figures
// switch, whether entry loops ask for their rows one form at a time and the
// main window's size and place are kept between runs.
#include <QSettings>
#include <QString>
#include <QStringList>

namespace mirto {

inline constexpr char kSettingsOrganisation[] = "Local AppWizard-Generated Applications";
inline constexpr char kAppTitle[] = "Windows Mirto";  // the application title; settings live under it
inline constexpr char kRecentFileGroup[] = "Recent File List";
inline constexpr char kRecentFileKey[] = "File%1";  // File1 .. File4
inline constexpr int kRecentFileCount = 4;
inline constexpr char kAdditionalFiguresKey[] =
    "Settings/AdditionalFigures";                                   // View > Additional figures, off by default
inline constexpr char kOneFormPerRowKey[] = "Entry/OneFormPerRow";  // default: one table per entry loop
inline constexpr char kWindowGeometryKey[] = "Window/Geometry";     // none: the first window's size

class AppSettings {
 public:
  AppSettings();
  QStringList LoadRecentFiles();
  void SaveRecentFiles(const QStringList& files);
  bool LoadAdditionalFigures();
  void SaveAdditionalFigures(bool on);
  bool LoadOneFormPerRow();
  void SaveOneFormPerRow(bool perRow);
  QByteArray LoadWindowGeometry();
  void SaveWindowGeometry(const QByteArray& geometry);

 private:
  QSettings m_settings;
};

}  // namespace mirto
