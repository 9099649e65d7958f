// Reading a journal file, and the rule that tells a text file from another.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "journal/Excerpt.h"
#include "journal/Fd.h"
#include "journal/JournalFile.h"

namespace mirto {
namespace {

constexpr std::size_t kIoBlock = 1 << 20;
constexpr std::size_t kMinRead = 64 << 10;
// Bytes a line may leave unused behind it (its newline, a carriage return):
// more would let the storage grow with what is read rather than kept.
constexpr std::size_t kSmallSkip = 16;

// Control bytes that text does not hold: not tab, line feed, vertical tab,
// form feed, carriage return, the old end-of-file mark (SUB) or escape.
bool IsStrayControl(char c) { return c >= 0 && c < 32 && !(c >= '\t' && c <= '\r') && c != 0x1A && c != 0x1B; }

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

// Splits what was read into the Journal's lines where it lies: the free end
// of the Journal's storage holds the unfinished line of the last read and
// the bytes read after it.
class LineSplitter {
 public:
  explicit LineSplitter(Journal& journal) : m_journal(journal) {}
  // Bytes at the start of the free end to keep for the next read.
  std::size_t Carry() const { return m_carry; }
  // Takes the `fresh` bytes read after the carried ones at `base`, the free end.
  void Take(char* base, std::size_t fresh);
  // The end of the file: its last line, if it had no newline.
  void Finish();

 private:
  void Append(const char* line, std::size_t kept, std::size_t skip);

  Journal& m_journal;
  char* m_out = nullptr;    // the free end, where the next line goes
  std::size_t m_carry = 0;  // the unfinished line (its kept part once cut)
  bool m_cut = false;       // it held a NUL: what follows up to its newline is dropped
};

// A line that drops few bytes stays where it was read, its dropped bytes left
// unused; after one that drops more, the lines are moved down.
void LineSplitter::Append(const char* line, std::size_t kept, std::size_t skip) {
  if (line == m_out && skip <= kSmallSkip) {
    m_journal.AppendFromFreeSpace(kept, skip);
    m_out += kept + skip;
    return;
  }
  if (line != m_out) std::memmove(m_out, line, kept);
  m_journal.AppendFromFreeSpace(kept, 0);
  m_out += kept;
}

void LineSplitter::Take(char* base, std::size_t fresh) {
  m_out = base;
  char* line = base;
  char* from = base + m_carry;
  char* const end = from + fresh;
  // One look for NUL over all that was read spares a look in every line.
  const bool mayHoldNul = std::memchr(from, '\0', fresh) != nullptr;
  while (void* found = std::memchr(from, '\n', static_cast<std::size_t>(end - from))) {
    char* nl = static_cast<char*>(found);
    const std::size_t length = static_cast<std::size_t>(nl - line);
    const std::size_t kept = m_cut ? m_carry : mayHoldNul ? KeptLength(line, length) : TrimmedLength(line, length);
    Append(line, kept, length + 1 - kept);
    m_cut = false;
    line = from = nl + 1;
  }
  if (m_cut) return;  // no newline yet: all that was read is dropped
  const std::size_t left = static_cast<std::size_t>(end - line);
  std::size_t kept = left;
  if (mayHoldNul && std::memchr(line, '\0', left)) {
    kept = KeptLength(line, left);
    m_cut = true;
  }
  if (line != m_out) std::memmove(m_out, line, kept);
  m_carry = kept;
}

void LineSplitter::Finish() {
  if (m_carry == 0 && !m_cut) return;
  const char* line = m_journal.FreeSpace(m_carry, 0).data();
  const std::size_t kept = m_cut ? m_carry : TrimmedLength(line, m_carry);
  m_journal.AppendFromFreeSpace(kept, m_carry - kept);
  m_carry = 0;
  m_cut = false;
}

FileResult ReadInto(const std::string& path, Journal& journal, ReadFn read, const NotTextAnswer& ifNotText) {
  // Not blocking in open: a pipe nobody writes to reads as empty instead of hanging.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return {false, FileError("Cannot open", path, errno)};
  struct stat st {};
  if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode))
    return {false, "Cannot open " + PathExcerpt(path) + ": it is a folder, not a journal file"};
  // A device such as /dev/zero never ends and would fill the memory.
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
    return {false, "Cannot open " + PathExcerpt(path) + ": it is a device, not a journal file"};
  if (ClearNonBlocking(fd.get()) != 0) return {false, FileError("Cannot open", path, errno)};
  LineSplitter lines(journal);
  std::size_t pending = 0;  // read but not yet split: the start of the file, until it is judged
  bool judged = !ifNotText;
  for (;;) {
    const std::size_t carry = lines.Carry() + pending;
    std::span<char> room = journal.FreeSpace(carry, kMinRead);
    const ssize_t n = read(fd.get(), room.data() + carry, std::min(room.size() - carry, kIoBlock));
    if (n < 0 && errno == EINTR) continue;
    const int error = n < 0 ? errno : 0;
    if (n > 0) pending += static_cast<std::size_t>(n);
    if (!judged) {
      if (n > 0 && pending < kTextProbe) continue;
      judged = true;
      const char* start = room.data() + lines.Carry();
      if (const char* why = NotTextReason({start, std::min(pending, kTextProbe)}))
        if (FileResult answer = ifNotText(why); !answer.ok) return answer;
    }
    lines.Take(room.data(), pending);
    pending = 0;
    if (n > 0) continue;
    lines.Finish();
    if (error != 0) return {false, FileError("Error reading", path, error)};
    return {};
  }
}

}  // namespace

const char* NotTextReason(std::string_view start) {
  start = start.substr(0, kTextProbe);
  if (start.find('\0') != std::string_view::npos) return "it holds NUL bytes";
  const auto controls = std::count_if(start.begin(), start.end(), [](char c) { return IsStrayControl(c); });
  return static_cast<std::size_t>(controls) * 16 > start.size() ? "it holds many control bytes" : nullptr;
}

const char* FileNotTextReason(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  std::string start(kTextProbe, '\0');
  std::size_t size = 0;
  while (size < start.size()) {
    const ssize_t n = ::read(fd.get(), start.data() + size, start.size() - size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    size += static_cast<std::size_t>(n);
  }
  start.resize(size);
  return NotTextReason(start);
}

// The file is read straight into the Journal's storage and split there, so
// each byte is copied once, by the system.
ssize_t SystemRead(int fd, void* data, std::size_t size) { return ::read(fd, data, size); }

FileResult ReadJournalFile(const std::string& path, Journal& journal, ReadFn read, const NotTextAnswer& ifNotText) {
  const Journal::Mark mark = journal.GetMark();
  try {
    return ReadInto(path, journal, read, ifNotText);
  } catch (const std::bad_alloc&) {
    journal.Rollback(mark);
    return {false, "Cannot open " + PathExcerpt(path) + ": Memory allocation failure."};
  }
}

}  // namespace mirto
