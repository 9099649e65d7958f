#pragma once
// Files for robustness tests: private folders, raw bytes, and running as an
// unprivileged user where permissions matter.
#include <sys/types.h>

#include <string>
#include <vector>

namespace mirto::test {

// A private folder under /tmp, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }
  const std::string& path() const { return m_path; }
  std::vector<std::string> Names() const;

 private:
  std::string m_path;
};

std::string ReadBytes(const std::string& path);
// Creates or truncates `path`; the mode is set exactly, whatever the umask.
void WriteBytes(const std::string& path, const std::string& bytes, mode_t mode = 0644);

// Root ignores permission bits; giving up the file-system privileges for this
// thread (its file-system user and group become "nobody") makes them bind again.
class WithoutFilePrivileges {
 public:
  static constexpr uid_t kUser = 65534;
  static constexpr gid_t kGroup = 65534;
  WithoutFilePrivileges();
  ~WithoutFilePrivileges();
  WithoutFilePrivileges(const WithoutFilePrivileges&) = delete;
  WithoutFilePrivileges& operator=(const WithoutFilePrivileges&) = delete;
  // False when permission bits still do not bind (no way to drop privileges).
  static bool Binds(const std::string& unwritableFile);

 private:
  int m_previousUser = 0;
  int m_previousGroup = 0;
  bool m_changed = false;
};

}  // namespace mirto::test
