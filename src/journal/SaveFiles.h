#pragma once
// The files a save makes beside its target: temporary files, locked while
// the save that made them lives, and the whole copies an in-place save keeps.
#include <sys/types.h>

#include <string>
#include <string_view>

#include "journal/Fd.h"

namespace mirto::save {

std::string DirOf(const std::string& path);  // "" or ending in '/'
std::string NameOf(const std::string& path);

// A temporary file ".NAME.mirto-XXXXXX", locked while this save uses it,
// removed unless kept.
class TempFile {
 public:
  TempFile() = default;
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  // Returns 0 or the error.
  int Create(const std::string& dir, const std::string& name);
  // In `dir`, or in the temporary folder when `dir` takes no new file.
  int CreateNear(const std::string& dir, const std::string& name);
  // Renames it ".NAME.mirto-whole-XXXXXX": flushed, it holds a whole journal
  // that no other save removes while the file it was made for differs.
  int MarkWhole();
  int fd() const { return m_fd.get(); }
  const std::string& path() const { return m_path; }
  uid_t Owner() const { return m_owner; }
  void Keep() { m_keep = true; }

 private:
  Fd m_fd;
  std::string m_path, m_dir, m_name;
  uid_t m_owner = 0;
  bool m_keep = false;
};

// Temporary files of `name` in `dir` that no live save holds: left by a save
// that was killed. Only the user's own are taken.
void RemoveStale(const std::string& dir, const std::string& name, uid_t owner);
// Whole copies of `name` in `dir`, the user's own, that hold what the file
// open as `fd` holds.
void RemoveRedundantWhole(const std::string& dir, const std::string& name, int fd, uid_t owner);

}  // namespace mirto::save
