#include "journal/JournalFile.h"

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
#include <filesystem>
#include <memory>
#include <new>
#include <utility>

#include "journal/Excerpt.h"
#include "journal/Fd.h"
#include "journal/SaveFiles.h"

namespace mirto {
namespace {

using save::DirOf;
using save::NameOf;
using save::TempFile;

constexpr std::size_t kIoBlock = 1 << 20;

std::string Shown(const std::string& path) { return PathExcerpt(path); }

}  // namespace

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

// Lines gathered into large writes; a long line is written from where it lies.
class LineWriter {
 public:
  LineWriter(const FileOps& ops, int fd) : m_ops(ops), m_fd(fd) {
    // With memory short (a save after a command ran out of it) a small buffer does.
    m_heap.reset(new (std::nothrow) char[kIoBlock]);
    m_buffer = m_heap ? m_heap.get() : m_local;
    m_capacity = m_heap ? kIoBlock : sizeof m_local;
  }
  bool Line(std::string_view line) {
    if (line.size() >= m_capacity) return Flush() && WriteAll(m_ops, m_fd, line.data(), line.size()) && Put("\n");
    return Put(line) && Put("\n");
  }
  bool Flush() {
    const std::size_t size = std::exchange(m_size, 0);
    return WriteAll(m_ops, m_fd, m_buffer, size);
  }

 private:
  bool Put(std::string_view text) {
    if (m_size + text.size() > m_capacity && !Flush()) return false;
    text.copy(m_buffer + m_size, text.size());
    m_size += text.size();
    return true;
  }

  const FileOps& m_ops;
  int m_fd;
  std::unique_ptr<char[]> m_heap;
  char m_local[16 << 10];
  char* m_buffer;
  std::size_t m_capacity;
  std::size_t m_size = 0;
};

bool WriteLines(const Journal& journal, const FileOps& ops, int fd) {
  LineWriter writer(ops, fd);
  for (std::size_t i = 0; i < journal.size(); ++i)
    if (!writer.Line(journal[i])) return false;
  return writer.Flush();
}

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

FileResult Failure(const std::string& path, int error) { return {false, FileError("Cannot save", path, error)}; }

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

// Waits a while for saves by other processes to end.
bool LockForWriting(int fd) {
  for (int tries = 0; tries < 1000; ++tries) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) return true;
    ::usleep(10'000);
  }
  return false;
}

// A flushed copy of the file open as `fd` in `copy`; 0 or the error.
int CopyOld(int fd, TempFile& copy, const std::string& target) {
  if (int error = copy.CreateNear(DirOf(target), NameOf(target))) return error;
  off_t size = 0;
  return CopyAll(fd, copy.fd(), size) && ::fsync(copy.fd()) == 0 ? 0 : errno;
}

// The journal, flushed, in a whole copy that outlives a save killed part way.
int CopyNew(const Journal& journal, TempFile& copy, const std::string& target, const FileOps& ops) {
  if (int error = copy.CreateNear(DirOf(target), NameOf(target))) return error;
  if (!WriteLines(journal, ops, copy.fd()) || ops.fsync(copy.fd()) != 0) return errno;
  return copy.MarkWhole();
}

// Writes over the file itself, after a flushed copy of its old content (put
// back if writing fails) and one of the journal (what a kill leaves whole).
FileResult WriteInPlace(const Journal& journal, const std::string& path, const std::string& target, int fd,
                        const FileOps& ops) {
  // Another save writing it in place now would mix its lines with these.
  if (!LockForWriting(fd)) return {false, "Cannot save " + Shown(path) + ": another save is writing it"};
  TempFile old, whole;
  int error = CopyOld(fd, old, target);
  if (error == 0) {
    save::RemoveRedundantWhole(DirOf(target), NameOf(target), fd, old.Owner());
    error = CopyNew(journal, whole, target, ops);
  }
  if (IsNoRoom(error))
    return {false, FileError("Cannot save", path, error) +
                       "; there is no room for the copies a save in place makes, and the old file is kept"};
  if (error != 0) return Failure(path, error);

  off_t size = 0;
  if (::lseek(fd, 0, SEEK_SET) == 0 && WriteLines(journal, ops, fd) && (size = ::lseek(fd, 0, SEEK_CUR)) >= 0 &&
      ::ftruncate(fd, size) == 0 && ops.fsync(fd) == 0) {
    save::RemoveStale(DirOf(target), NameOf(target), old.Owner());
    return {};
  }
  error = errno;
  off_t restored = 0;
  if (CopyAll(old.fd(), fd, restored) && ::ftruncate(fd, restored) == 0 && ::fsync(fd) == 0)
    return Failure(path, error);
  old.Keep();
  whole.Keep();
  return {false, FileError("Cannot save", path, error) + "; its old content is kept in " + Shown(old.path()) +
                     " and the journal in " + Shown(whole.path())};
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
// `old` is the file replaced, null for a new file; `fd` is open on it when readable.
Replaced Replace(const Journal& journal, const std::string& path, const std::string& target, const struct stat* old,
                 int fd, const FileOps& ops) {
  const bool exists = old != nullptr;
  TempFile temp;
  if (int error = temp.Create(DirOf(target), NameOf(target))) {
    if (exists && (error == EACCES || error == EPERM)) return {{}, true};  // the folder takes no new file
    return {Failure(path, error)};
  }
  if (exists ? !KeepOwnerAndMode(temp.fd(), *old) : ::fchmod(temp.fd(), NewFileMode()) != 0)
    return {exists ? FileResult{} : Failure(path, errno), exists};
  if (fd >= 0) save::RemoveRedundantWhole(DirOf(target), NameOf(target), fd, temp.Owner());
  if (!WriteLines(journal, ops, temp.fd()) || ops.fsync(temp.fd()) != 0) {
    const int error = errno;
    if (exists && IsNoRoom(error))
      return {{false, FileError("Cannot save", path, error) +
                          "; there is no room for a second copy beside the old file, which is kept"}};
    return {Failure(path, error)};
  }
  if (ops.rename(temp.path().c_str(), target.c_str()) != 0) {
    const int error = errno;
    if (exists && (error == EPERM || error == EACCES)) return {{}, true};  // a sticky folder
    return {Failure(path, error)};
  }
  temp.Keep();
  save::RemoveStale(DirOf(target), NameOf(target), temp.Owner());
  return {};
}

FileResult Save(const Journal& journal, const std::string& path, const FileOps& ops) {
  std::string target;
  if (int error = FollowLinks(path, target)) return Failure(path, error);
  struct stat old {};
  if (::stat(target.c_str(), &old) != 0) {
    if (errno != ENOENT) return Failure(path, errno);
    return Replace(journal, path, target, nullptr, -1, ops).result;
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
    Replaced replaced = Replace(journal, path, target, &old, readable ? fd.get() : -1, ops);
    if (!replaced.inPlaceInstead) return replaced.result;
  }
  // Writing in place needs the old content, to put it back if the write fails.
  if (!readable) return Failure(path, EACCES);
  return WriteInPlace(journal, path, target, fd.get(), ops);
}

std::optional<FileId> RegularFile(const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  return FileId{st.st_dev, st.st_ino, {}};
}

}  // namespace

FileResult WriteJournalFile(const Journal& journal, const std::string& path, const FileOps& ops) {
  try {
    return Save(journal, path, ops);
  } catch (const std::bad_alloc&) {
    return {false, "Cannot save " + Shown(path) + ": Memory allocation failure."};
  }
}

std::optional<FileId> IdentifyFile(const std::string& path) {
  std::string target;
  struct stat st {};
  if (FollowLinks(path, target) != 0) return std::nullopt;
  if (::stat(target.c_str(), &st) == 0) return RegularFile(st);
  if (errno != ENOENT) return std::nullopt;
  const std::string dir = DirOf(target);
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(dir.empty() ? "." : dir.c_str(), nullptr), &std::free);
  if (!real) return std::nullopt;
  return FileId{0, 0, std::string(real.get()) + "/" + NameOf(target)};
}

std::optional<FileId> IdentifyFile(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return RegularFile(st);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ea, eb;
  const auto pa = std::filesystem::weakly_canonical(a, ea), pb = std::filesystem::weakly_canonical(b, eb);
  return !ea && !eb && pa == pb;
}

}  // namespace mirto
