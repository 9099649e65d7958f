#include "support/Files.h"

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace mirto::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  m_path = fs::temp_directory_path().string() + "/mirto-robust.XXXXXX";
  if (!::mkdtemp(m_path.data())) std::abort();
  ::chmod(m_path.c_str(), 0755);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::permissions(m_path, fs::perms::all, ignored);
  for (const auto& entry : fs::recursive_directory_iterator(m_path, ignored))
    if (!entry.is_symlink(ignored)) fs::permissions(entry.path(), fs::perms::owner_all, ignored);
  fs::remove_all(m_path, ignored);
}

std::vector<std::string> TempDir::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(m_path)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadBytes(const std::string& path) {
  std::string out;
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return "<cannot open>";
  char buffer[1 << 16];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return out;
}

void WriteBytes(const std::string& path, const std::string& bytes, mode_t mode) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
  if (fd < 0) std::abort();
  if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  ::fchmod(fd, mode);
  ::close(fd);
}

WithoutFilePrivileges::WithoutFilePrivileges() {
  if (::geteuid() != 0) return;
  m_previousGroup = ::setfsgid(kGroup);
  m_previousUser = ::setfsuid(kUser);
  m_changed = true;
}

WithoutFilePrivileges::~WithoutFilePrivileges() {
  if (!m_changed) return;
  ::setfsuid(static_cast<uid_t>(m_previousUser));
  ::setfsgid(static_cast<gid_t>(m_previousGroup));
}

bool WithoutFilePrivileges::Binds(const std::string& unwritableFile) {
  WithoutFilePrivileges guard;
  const int probe = ::open(unwritableFile.c_str(), O_WRONLY);
  if (probe < 0) return true;
  ::close(probe);
  return false;
}

}  // namespace mirto::test
