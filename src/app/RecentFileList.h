#pragma once
// The recent-file list: newest first, no duplicates, at most `capacity` entries.
#include <QString>
#include <QStringList>

namespace mirto {

class RecentFileList {
 public:
  explicit RecentFileList(int capacity);

  // Puts `path` first; an entry naming the same file moves rather than repeats.
  void Add(const QString& path);
  void Remove(const QString& path);
  // Replaces the list (as loaded from the settings), applying the same rules.
  void SetFiles(const QStringList& files);
  const QStringList& Files() const { return m_files; }

  // The absolute, cleaned form under which a path is kept and compared.
  static QString Normalise(const QString& path);

 private:
  int m_capacity;
  QStringList m_files;
};

}  // namespace mirto
