#include "journal/JournalFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "journal/Excerpt.h"
#include "journal/Fd.h"

namespace mirto {
namespace {

std::string Shown(const std::string& path) { return PathExcerpt(path); }

std::string Describe(const std::string& what, const std::string& path, int error) {
  return what + " " + Shown(path) + ": " + std::strerror(error);
}

constexpr std::size_t kIoBlock = 1 << 20;
constexpr std::size_t kMinRead = 64 << 10;

int ClearNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags < 0 ? -1 : ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

std::size_t TrimmedLength(const char* data, std::size_t size) {
  while (size > 0 && static_cast<signed char>(data[size - 1]) < 32) --size;
  return size;
}

// Cut at the NUL before trimming, so no line keeps a control byte at its end
// and a saved journal reads back exactly as it was.
std::size_t KeptLength(const char* data, std::size_t size) {
  if (const void* nul = std::memchr(data, '\0', size))
    size = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
  return TrimmedLength(data, size);
}

}  // namespace

// The file is read straight into the Journal's storage and split there, so
// each byte is copied once, by the system.
ssize_t SystemRead(int fd, void* data, std::size_t size) { return ::read(fd, data, size); }

namespace {

FileResult ReadInto(const std::string& path, Journal& journal, ReadFn read) {
  // Not blocking in open: a pipe nobody writes to reads as empty instead of hanging.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return {false, Describe("Cannot open", path, errno)};
  struct stat st {};
  if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode))
    return {false, "Cannot open " + Shown(path) + ": it is a folder, not a journal file"};
  // A device such as /dev/zero never ends and would fill the memory.
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
    return {false, "Cannot open " + Shown(path) + ": it is a device, not a journal file"};
  if (ClearNonBlocking(fd.get()) != 0) return {false, Describe("Cannot open", path, errno)};
  std::size_t carry = 0;  // bytes of an unfinished line at the start of the free space
  bool carryMayHoldNul = false;
  auto finish = [&] {
    if (carry > 0) {
      const char* line = journal.FreeSpace(carry, 0).data();
      const std::size_t kept = KeptLength(line, carry);
      journal.AppendFromFreeSpace(kept, carry - kept);
    }
  };
  for (;;) {
    std::span<char> room = journal.FreeSpace(carry, kMinRead);
    ssize_t n = read(fd.get(), room.data() + carry, std::min(room.size() - carry, kIoBlock));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      finish();
      return {false, Describe("Error reading", path, error)};
    }
    if (n == 0) break;
    const char* line = room.data();
    const char* end = line + carry + n;
    const char* from = line + carry;
    // One look for NUL over all that was read spares a look in every line.
    const bool mayHoldNul = carryMayHoldNul || std::memchr(from, '\0', static_cast<std::size_t>(n));
    while (const void* found = std::memchr(from, '\n', static_cast<std::size_t>(end - from))) {
      const char* nl = static_cast<const char*>(found);
      const std::size_t length = static_cast<std::size_t>(nl - line);
      const std::size_t kept = mayHoldNul ? KeptLength(line, length) : TrimmedLength(line, length);
      journal.AppendFromFreeSpace(kept, length + 1 - kept);
      line = from = nl + 1;
    }
    carry = static_cast<std::size_t>(end - line);
    carryMayHoldNul = mayHoldNul;
  }
  finish();
  return {};
}

}  // namespace

FileResult ReadJournalFile(const std::string& path, Journal& journal, ReadFn read) {
  const Journal::Mark mark = journal.GetMark();
  try {
    return ReadInto(path, journal, read);
  } catch (const std::bad_alloc&) {
    journal.Rollback(mark);
    return {false, "Cannot open " + Shown(path) + ": Memory allocation failure."};
  }
}

const FileOps& SystemFileOps() {
  static const FileOps ops{&::write, &::fsync, &::rename};
  return ops;
}

namespace {

bool WriteAll(const FileOps& ops, int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ops.write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteLines(const Journal& journal, const FileOps& ops, int fd) {
  std::string buffer;
  buffer.reserve(kIoBlock + 256);
  for (std::size_t i = 0; i < journal.size(); ++i) {
    std::string_view line = journal[i];
    if (line.size() >= kIoBlock) {
      if (!WriteAll(ops, fd, buffer.data(), buffer.size()) || !WriteAll(ops, fd, line.data(), line.size()))
        return false;
      buffer.clear();
      buffer.push_back('\n');
      continue;
    }
    buffer.append(line).push_back('\n');
    if (buffer.size() >= kIoBlock) {
      if (!WriteAll(ops, fd, buffer.data(), buffer.size())) return false;
      buffer.clear();
    }
  }
  return WriteAll(ops, fd, buffer.data(), buffer.size());
}

std::string DirOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) { return path.substr(DirOf(path).size()); }

// Temporary files of a target: ".NAME.mirto-" and six characters, the name cut
// so that the whole stays within the longest file name.
std::string TempPrefix(const std::string& name) { return "." + name.substr(0, 241) + ".mirto-"; }
constexpr std::size_t kTempSuffix = 6;

// The file a save writes: links in the last part of the path are followed,
// so the link survives and a dangling one gets the file it names.
int FollowLinks(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    if (hops == 40) return ELOOP;
    char link[PATH_MAX];
    const ssize_t n = ::readlink(target.c_str(), link, sizeof link);
    if (n < 0) return errno;
    if (n == static_cast<ssize_t>(sizeof link)) return ENAMETOOLONG;
    const std::string to(link, static_cast<std::size_t>(n));
    target = to.front() == '/' ? to : DirOf(target) + to;
  }
}

mode_t NewFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

// A temporary file, locked while this save uses it, removed unless kept.
class TempFile {
 public:
  TempFile() = default;
  ~TempFile() {
    if (!m_keep && !m_path.empty()) ::unlink(m_path.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  // Returns 0 or the error.
  int Create(const std::string& dir, const std::string& name) {
    std::string path = dir + TempPrefix(name) + std::string(kTempSuffix, 'X');
    m_fd.reset(::mkostemp(path.data(), O_CLOEXEC));
    if (m_fd.get() < 0) return errno;
    m_path = std::move(path);
    ::flock(m_fd.get(), LOCK_EX | LOCK_NB);
    struct stat st {};
    ::fstat(m_fd.get(), &st);
    m_owner = st.st_uid;
    return 0;
  }
  int fd() const { return m_fd.get(); }
  const std::string& path() const { return m_path; }
  uid_t Owner() const { return m_owner; }
  void Keep() { m_keep = true; }

 private:
  Fd m_fd;
  std::string m_path;
  uid_t m_owner = 0;
  bool m_keep = false;
};

// Temporary files of `name` that no live save holds: left by a save that was
// killed. Only the user's own are taken.
void RemoveStale(const std::string& dir, const std::string& name, uid_t owner) {
  std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(dir.empty() ? "." : dir.c_str()), &::closedir);
  if (!folder) return;
  const std::string prefix = TempPrefix(name);
  while (const dirent* entry = ::readdir(folder.get())) {
    const std::string_view found = entry->d_name;
    if (found.size() != prefix.size() + kTempSuffix || !found.starts_with(prefix)) continue;
    Fd fd(::openat(::dirfd(folder.get()), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != owner) continue;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) ::unlinkat(::dirfd(folder.get()), entry->d_name, 0);
  }
}

bool CopyAll(int from, int to, off_t& copied) {
  copied = 0;
  if (::lseek(from, 0, SEEK_SET) != 0 || ::lseek(to, 0, SEEK_SET) != 0) return false;
  auto buffer = std::make_unique_for_overwrite<char[]>(kIoBlock);
  for (;;) {
    const ssize_t n = ::read(from, buffer.get(), kIoBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(SystemFileOps(), to, buffer.get(), static_cast<std::size_t>(n))) return false;
    copied += n;
  }
}

bool IsNoRoom(int error) { return error == ENOSPC || error == EDQUOT; }

FileResult Failure(const std::string& path, int error) { return {false, Describe("Cannot save", path, error)}; }

// A device or pipe cannot be replaced by renaming; it is written directly.
FileResult WriteDevice(const Journal& journal, const std::string& path, const std::string& target, const FileOps& ops) {
  // Not blocking in open: a pipe nobody reads from is refused instead of hanging.
  Fd fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK));
  struct stat st {};
  if (fd.get() < 0 && errno == ENXIO && ::stat(target.c_str(), &st) == 0 && S_ISFIFO(st.st_mode))
    return {false, "Cannot save to " + Shown(path) + ": nothing is reading from it"};
  if (fd.get() < 0 || ClearNonBlocking(fd.get()) != 0) return Failure(path, errno);
  bool ok = WriteLines(journal, ops, fd.get());
  int error = errno;
  if (fd.Close() != 0 && ok) {
    ok = false;
    error = errno;
  }
  return ok ? FileResult{} : Failure(path, error);
}

// Writes over the file itself: first a flushed copy of its old content, put
// back if writing the journal fails.
FileResult WriteInPlace(const Journal& journal, const std::string& path, const std::string& target, int fd,
                        const FileOps& ops) {
  TempFile copy;
  int error = copy.Create(DirOf(target), NameOf(target));
  if (error == EACCES || error == EPERM || error == EROFS) {
    const char* tmp = std::getenv("TMPDIR");
    error = copy.Create(std::string(tmp && *tmp ? tmp : "/tmp") + "/", NameOf(target));
  }
  off_t oldSize = 0;
  if (error == 0 && (!CopyAll(fd, copy.fd(), oldSize) || ::fsync(copy.fd()) != 0)) error = errno;
  if (IsNoRoom(error))
    return {false,
            Describe("Cannot save", path, error) + "; there is no room for a copy of the old file, which is kept"};
  if (error != 0) return Failure(path, error);

  off_t size = 0;
  if (::lseek(fd, 0, SEEK_SET) == 0 && WriteLines(journal, ops, fd) && (size = ::lseek(fd, 0, SEEK_CUR)) >= 0 &&
      ::ftruncate(fd, size) == 0 && ops.fsync(fd) == 0) {
    RemoveStale(DirOf(target), NameOf(target), copy.Owner());
    return {};
  }
  error = errno;
  off_t restored = 0;
  if (CopyAll(copy.fd(), fd, restored) && ::ftruncate(fd, restored) == 0 && ::fsync(fd) == 0)
    return Failure(path, error);
  copy.Keep();
  return {false, Describe("Cannot save", path, error) + "; its old content is kept in " + Shown(copy.path())};
}

// Gives the temporary file the owner and mode of the file it replaces; false
// when they cannot be kept.
bool KeepOwnerAndMode(int fd, const struct stat& old) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  if ((st.st_uid != old.st_uid || st.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0) return false;
  return ::fchmod(fd, old.st_mode & 07777) == 0 && ::fstat(fd, &st) == 0 &&
         (st.st_mode & 07777) == (old.st_mode & 07777);
}

struct Replaced {
  FileResult result;
  bool inPlaceInstead = false;
};

// Writes a temporary file beside the target and renames it over the target.
// `old` is the file replaced, null for a new file.
Replaced Replace(const Journal& journal, const std::string& path, const std::string& target, const struct stat* old,
                 const FileOps& ops) {
  const bool exists = old != nullptr;
  TempFile temp;
  if (int error = temp.Create(DirOf(target), NameOf(target))) {
    if (exists && (error == EACCES || error == EPERM)) return {{}, true};  // the folder takes no new file
    return {Failure(path, error)};
  }
  if (exists ? !KeepOwnerAndMode(temp.fd(), *old) : ::fchmod(temp.fd(), NewFileMode()) != 0)
    return {exists ? FileResult{} : Failure(path, errno), exists};
  if (!WriteLines(journal, ops, temp.fd()) || ops.fsync(temp.fd()) != 0) {
    const int error = errno;
    if (exists && IsNoRoom(error))
      return {{false, Describe("Cannot save", path, error) +
                          "; there is no room for a second copy beside the old file, which is kept"}};
    return {Failure(path, error)};
  }
  if (ops.rename(temp.path().c_str(), target.c_str()) != 0) {
    const int error = errno;
    if (exists && (error == EPERM || error == EACCES)) return {{}, true};  // a sticky folder
    return {Failure(path, error)};
  }
  temp.Keep();
  RemoveStale(DirOf(target), NameOf(target), temp.Owner());
  return {};
}

FileResult Save(const Journal& journal, const std::string& path, const FileOps& ops) {
  std::string target;
  if (int error = FollowLinks(path, target)) return Failure(path, error);
  struct stat old {};
  if (::stat(target.c_str(), &old) != 0) {
    if (errno != ENOENT) return Failure(path, errno);
    return Replace(journal, path, target, nullptr, ops).result;
  }
  if (S_ISDIR(old.st_mode)) return {false, "Cannot save to " + Shown(path) + ": it is a folder"};
  if (!S_ISREG(old.st_mode)) return WriteDevice(journal, path, target, ops);
  // Only a file this user could open for writing is replaced.
  Fd fd(::open(target.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  const bool readable = fd.get() >= 0;
  if (!readable && errno == EACCES) fd.reset(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return Failure(path, errno);
  if (::fstat(fd.get(), &old) != 0) return Failure(path, errno);
  if (old.st_nlink <= 1) {
    Replaced replaced = Replace(journal, path, target, &old, ops);
    if (!replaced.inPlaceInstead) return replaced.result;
  }
  // Writing in place needs the old content, to put it back if the write fails.
  if (!readable) return Failure(path, EACCES);
  return WriteInPlace(journal, path, target, fd.get(), ops);
}

}  // namespace

FileResult WriteJournalFile(const Journal& journal, const std::string& path, const FileOps& ops) {
  try {
    return Save(journal, path, ops);
  } catch (const std::bad_alloc&) {
    return {false, "Cannot save " + Shown(path) + ": Memory allocation failure."};
  }
}

}  // namespace mirto
