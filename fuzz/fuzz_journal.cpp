// The journal reader on arbitrary bytes: read from a file, it must give
// exactly the lines the reading rule gives, and judge the file text or not
// as the rule for that says; what the program writes must then read back
// unchanged.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "journal/Journal.h"
#include "journal/JournalFile.h"

namespace {

// A folder of our own for the two files each input needs, removed at exit.
class Scratch {
 public:
  Scratch() {
    // Memory-backed when there is one: every save flushes to its device.
    const char* base = std::getenv("TMPDIR");
    if (!base || !*base) base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    m_dir = std::string(base) + "/mirto-fuzz-journal.XXXXXX";
    if (!::mkdtemp(m_dir.data())) std::abort();
  }
  ~Scratch() {
    ::unlink(Input().c_str());
    ::unlink(Written().c_str());
    ::rmdir(m_dir.c_str());
  }
  std::string Input() const { return m_dir + "/input"; }
  std::string Written() const { return m_dir + "/written"; }

 private:
  std::string m_dir;
};

Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "journal fuzz: %s\n", what);
    std::abort();
  }
}

// The reading rule written out plainly: split at newlines (a last line without
// one counts), cut each line at its first NUL, drop trailing bytes below 32.
std::vector<std::string> ReferenceLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t nl = bytes.find('\n', start);
    std::string line = bytes.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    line = line.substr(0, line.find('\0'));
    while (!line.empty() && static_cast<signed char>(line.back()) < 32) line.pop_back();
    lines.push_back(line);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

// The rule for what is not text written out plainly: in the first 64 KiB, a
// NUL, or more than one byte in 16 a control byte other than tab, line feed,
// vertical tab, form feed, carriage return, SUB and escape.
std::string ReferenceReason(const std::string& bytes) {
  const std::string start = bytes.substr(0, 64 << 10);
  if (start.find('\0') != std::string::npos) return "it holds NUL bytes";
  std::size_t controls = 0;
  for (unsigned char c : start)
    controls += c < 32 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r' && c != 0x1A && c != 0x1B;
  return controls * 16 > start.size() ? "it holds many control bytes" : "";
}

// Reads `path` after `first`, noting what the reader says of a file that is not text.
mirto::FileResult ReadNoting(const std::string& path, mirto::Journal& journal, std::string& reason, bool refuse) {
  reason.clear();
  return mirto::ReadJournalFile(path, journal, &mirto::SystemRead, [&](const char* why) {
    reason = why;
    return refuse ? mirto::FileResult{false, "refused"} : mirto::FileResult{};
  });
}

void CheckJournal(const mirto::Journal& journal, const std::vector<std::string>& expected, const char* what) {
  Check(journal.size() == expected.size(), what);
  std::size_t widest = 0, bytes = 0;
  for (std::size_t i = 0; i < journal.size(); ++i) {
    std::string_view line = journal[i];
    Check(line == expected[i], what);
    Check(line.find('\0') == std::string_view::npos, "a line holds a NUL");
    Check(line.empty() || static_cast<signed char>(line.back()) >= 32, "a line ends in a control byte");
    widest = std::max(widest, line.size());
    bytes += line.size();
  }
  Check(journal.WidestLine() == widest, "widest line");
  Check(journal.MemoryUsed() >= bytes, "memory used");
}

std::string Slurp(const std::string& path) {
  std::string out;
  int fd = ::open(path.c_str(), O_RDONLY);
  Check(fd >= 0, "cannot read back the written file");
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected = ReferenceLines(bytes);

  // The same bytes from a file, appended after a line already in the journal.
  Scratch& scratch = TheScratch();
  {
    int fd = ::open(scratch.Input().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Check(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
          "cannot write the input file");
    ::close(fd);
  }
  const std::string reason = ReferenceReason(bytes);
  std::string said;
  mirto::Journal journal;
  journal.push_back("first");
  Check(ReadNoting(scratch.Input(), journal, said, false).ok, "reading a plain file failed");
  Check(said == reason, "the file is judged text or not against the rule");
  std::vector<std::string> withFirst = {"first"};
  withFirst.insert(withFirst.end(), expected.begin(), expected.end());
  CheckJournal(journal, withFirst, "file reading differs from the reading rule");
  // Refused, a file that is not text appends nothing.
  mirto::Journal refused;
  refused.push_back("first");
  const bool read = ReadNoting(scratch.Input(), refused, said, true).ok;
  Check(read == reason.empty(), "a refusal of a file that is not text");
  CheckJournal(refused, read ? withFirst : std::vector<std::string>{"first"}, "a refused file appended lines");

  // For one input in about 128 (chosen by a checksum, so a failure repeats),
  // the input repeated past a storage block, so that lines fall across block
  // boundaries and long ones outgrow a block.
  std::uint32_t sum = static_cast<std::uint32_t>(size);
  for (std::size_t i = 0; i < size; ++i) sum = sum * 31 + data[i];
  if (size >= 16 && sum % 128 == 0) {
    std::string big;
    big.reserve((1u << 20) + 4096 + size);
    while (big.size() < (1u << 20) + 4096) big += bytes;
    int fd = ::open(scratch.Input().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Check(fd >= 0 && ::write(fd, big.data(), big.size()) == static_cast<ssize_t>(big.size()),
          "cannot write the input file");
    ::close(fd);
    mirto::Journal stretched;
    Check(ReadNoting(scratch.Input(), stretched, said, false).ok, "reading a stretched file failed");
    Check(said == ReferenceReason(big), "a stretched file is judged text or not against the rule");
    CheckJournal(stretched, ReferenceLines(big), "a stretched file reads differently from the reading rule");
  }

  // Written by the program: one line and a newline each, and it reads back the same.
  Check(mirto::WriteJournalFile(journal, scratch.Written()).ok, "writing failed");
  std::string written;
  for (const std::string& line : withFirst) written += line + '\n';
  Check(Slurp(scratch.Written()) == written, "the written file differs from the lines");
  mirto::Journal again;
  Check(mirto::ReadJournalFile(scratch.Written(), again).ok, "reading back failed");
  CheckJournal(again, withFirst, "a written journal reads back different");
  return 0;
}
