#include "journal/JournalFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mirto {
namespace {

std::string Describe(const std::string& what, const std::string& path, int error) {
  return what + " " + path + ": " + std::strerror(error);
}

// Owns a file descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  int Close() {
    int rc = m_fd >= 0 ? ::close(m_fd) : 0;
    m_fd = -1;
    return rc;
  }

 private:
  int m_fd;
};

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
FileResult ReadJournalFile(const std::string& path, Journal& journal) {
  // Not blocking in open: a pipe nobody writes to reads as empty instead of hanging.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return {false, Describe("Cannot open", path, errno)};
  struct stat st {};
  if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode))
    return {false, "Cannot open " + path + ": it is a folder, not a journal file"};
  // A device such as /dev/zero never ends and would fill the memory.
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
    return {false, "Cannot open " + path + ": it is a device, not a journal file"};
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
    ssize_t n = ::read(fd.get(), room.data() + carry, std::min(room.size() - carry, kIoBlock));
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

// The file a save replaces: a link is followed so the link itself survives.
std::string ResolveTarget(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved)) return resolved;
  return path;
}

mode_t NewFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

// A device or pipe cannot be replaced by renaming; it is written directly.
FileResult WriteInPlace(const Journal& journal, const std::string& path, const FileOps& ops) {
  // Not blocking in open: a pipe nobody reads from is refused instead of hanging.
  Fd fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK));
  struct stat st {};
  if (fd.get() < 0 && errno == ENXIO && ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode))
    return {false, "Cannot save to " + path + ": nothing is reading from it"};
  if (fd.get() < 0 || ClearNonBlocking(fd.get()) != 0) return {false, Describe("Cannot save", path, errno)};
  bool ok = WriteLines(journal, ops, fd.get());
  int error = errno;
  if (fd.Close() != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) return {false, Describe("Cannot save", path, error)};
  return {};
}

}  // namespace

FileResult WriteJournalFile(const Journal& journal, const std::string& path, const FileOps& ops) {
  const std::string target = ResolveTarget(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return {false, "Cannot save to " + path + ": it is a folder"};
  if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(journal, path, ops);

  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = dir + "." + name + ".XXXXXX";
  Fd fd(::mkstemp(temp.data()));
  if (fd.get() < 0) return {false, Describe("Cannot save", path, errno)};

  bool ok = WriteLines(journal, ops, fd.get()) && ops.fsync(fd.get()) == 0;
  if (ok) {
    if (exists) {
      ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
      if (ok && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
        // Not ours to hand over; keep the file with its new owner.
      }
    } else {
      ok = ::fchmod(fd.get(), NewFileMode()) == 0;
    }
  }
  int error = errno;
  if (fd.Close() != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && ops.rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return {false, Describe("Cannot save", path, error)};
  }
  return {};
}

}  // namespace mirto
