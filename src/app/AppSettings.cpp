#include "app/AppSettings.h"

namespace mirto {

AppSettings::AppSettings() : m_settings(QSettings::UserScope, kSettingsOrganisation, kAppTitle) {}

QStringList AppSettings::LoadRecentFiles() {
  m_settings.sync();
  QStringList files;
  m_settings.beginGroup(kRecentFileGroup);
  for (int i = 1; i <= kRecentFileCount; ++i) {
    const QString file = m_settings.value(QString(kRecentFileKey).arg(i)).toString();
    if (!file.isEmpty()) files << file;
  }
  m_settings.endGroup();
  return files;
}

void AppSettings::SaveRecentFiles(const QStringList& files) {
  m_settings.beginGroup(kRecentFileGroup);
  m_settings.remove("");
  for (int i = 0; i < files.size() && i < kRecentFileCount; ++i)
    m_settings.setValue(QString(kRecentFileKey).arg(i + 1), files[i]);
  m_settings.endGroup();
  m_settings.sync();
}

bool AppSettings::LoadAdditionalFigures() {
  m_settings.sync();
  return m_settings.value(kAdditionalFiguresKey, false).toBool();
}

void AppSettings::SaveAdditionalFigures(bool on) {
  m_settings.setValue(kAdditionalFiguresKey, on);
  m_settings.sync();
}

bool AppSettings::LoadOneFormPerRow() {
  m_settings.sync();
  return m_settings.value(kOneFormPerRowKey, false).toBool();
}

void AppSettings::SaveOneFormPerRow(bool perRow) {
  m_settings.setValue(kOneFormPerRowKey, perRow);
  m_settings.sync();
}

QByteArray AppSettings::LoadWindowGeometry() {
  m_settings.sync();
  return m_settings.value(kWindowGeometryKey).toByteArray();
}

void AppSettings::SaveWindowGeometry(const QByteArray& geometry) {
  m_settings.setValue(kWindowGeometryKey, geometry);
  m_settings.sync();
}

}  // namespace mirto
