#include "app/RecentFileList.h"

#include <QFileInfo>

namespace mirto {

RecentFileList::RecentFileList(int capacity) : m_capacity(capacity < 0 ? 0 : capacity) {}

QString RecentFileList::Normalise(const QString& path) {
  return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

void RecentFileList::Add(const QString& path) {
  const QString file = Normalise(path);
  if (file.isEmpty()) return;
  m_files.removeAll(file);
  m_files.prepend(file);
  while (m_files.size() > m_capacity) m_files.removeLast();
}

void RecentFileList::Remove(const QString& path) { m_files.removeAll(Normalise(path)); }

void RecentFileList::SetFiles(const QStringList& files) {
  m_files.clear();
  // Oldest first, so the first entry of `files` ends up newest.
  for (auto it = files.crbegin(); it != files.crend(); ++it) Add(*it);
}

}  // namespace mirto
