#include "journal/SaveFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace mirto::save {
namespace {

// ".NAME.mirto-" and six characters, the name cut so that the whole stays
// within the longest file name.
std::string TempPrefix(const std::string& name) { return "." + name.substr(0, 235) + ".mirto-"; }
constexpr std::string_view kWhole = "whole-";
constexpr std::size_t kSuffix = 6;

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether `name` in the folder `dir` is still the file open as `fd`.
bool StillNamed(int dir, const char* name, int fd) {
  struct stat named {
  }, open{};
  return ::fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 && SameInode(named, open);
}

// Calls `take(folder, name, fd)` for each file of `owner` in `dir` named
// `prefix` and kSuffix characters, open and locked: no live save holds it.
template <class Take>
void ForEachUnheld(const std::string& dir, const std::string& prefix, uid_t owner, Take take) {
  std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(dir.empty() ? "." : dir.c_str()), &::closedir);
  if (!folder) return;
  const int at = ::dirfd(folder.get());
  while (const dirent* entry = ::readdir(folder.get())) {
    const std::string_view found = entry->d_name;
    if (found.size() != prefix.size() + kSuffix || !found.starts_with(prefix)) continue;
    Fd fd(::openat(at, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != owner) continue;
    // Locked, and still under its name: not a live save's, nor one made since.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && StillNamed(at, entry->d_name, fd.get()))
      take(at, entry->d_name, fd.get());
  }
}

bool SameContent(int a, int b) {
  struct stat sa {
  }, sb{};
  if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0 || sa.st_size != sb.st_size) return false;
  constexpr std::size_t kChunk = 64 << 10;
  auto x = std::make_unique_for_overwrite<char[]>(kChunk), y = std::make_unique_for_overwrite<char[]>(kChunk);
  for (off_t at = 0; at < sa.st_size;) {
    const ssize_t n = ::pread(a, x.get(), kChunk, at);
    if (n <= 0 || ::pread(b, y.get(), static_cast<std::size_t>(n), at) != n) return false;
    if (std::char_traits<char>::compare(x.get(), y.get(), static_cast<std::size_t>(n)) != 0) return false;
    at += n;
  }
  return true;
}

void SyncFolder(const std::string& dir) {
  Fd folder(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
}

}  // namespace

std::string DirOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) { return path.substr(DirOf(path).size()); }

TempFile::~TempFile() {
  if (!m_keep && !m_path.empty()) ::unlink(m_path.c_str());
}

int TempFile::Create(const std::string& dir, const std::string& name) {
  // Another save may take a file made this instant for one a killed save
  // left, before it is locked: that file is the other save's to remove.
  for (int tries = 0; tries < 100; ++tries) {
    std::string path = dir + TempPrefix(name) + std::string(kSuffix, 'X');
    Fd fd(::mkostemp(path.data(), O_CLOEXEC));
    if (fd.get() < 0) return errno;
    // A file system without locks leaves the file unlocked, as it leaves every other.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) continue;
    struct stat st {};
    if (!StillNamed(AT_FDCWD, path.c_str(), fd.get()) || ::fstat(fd.get(), &st) != 0) continue;
    m_fd.reset(fd.Release());
    m_path = std::move(path);
    m_dir = dir;
    m_name = name;
    m_owner = st.st_uid;
    return 0;
  }
  return EAGAIN;
}

int TempFile::CreateNear(const std::string& dir, const std::string& name) {
  const int error = Create(dir, name);
  if (error != EACCES && error != EPERM && error != EROFS) return error;
  const char* tmp = std::getenv("TMPDIR");
  return Create(std::string(tmp && *tmp ? tmp : "/tmp") + "/", name);
}

int TempFile::MarkWhole() {
  std::string whole = m_dir + TempPrefix(m_name) + std::string(kWhole) + m_path.substr(m_path.size() - kSuffix);
  if (::rename(m_path.c_str(), whole.c_str()) != 0) return errno;
  m_path = std::move(whole);
  SyncFolder(m_dir);  // the name too must outlive a crash
  return 0;
}

void RemoveStale(const std::string& dir, const std::string& name, uid_t owner) {
  ForEachUnheld(dir, TempPrefix(name), owner, [](int at, const char* found, int) { ::unlinkat(at, found, 0); });
}

void RemoveRedundantWhole(const std::string& dir, const std::string& name, int fd, uid_t owner) {
  ForEachUnheld(dir, TempPrefix(name) + std::string(kWhole), owner, [fd](int at, const char* found, int copy) {
    if (SameContent(fd, copy)) ::unlinkat(at, found, 0);
  });
}

}  // namespace mirto::save
