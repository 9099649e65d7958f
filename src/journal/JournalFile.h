#pragma once
// The journal text file: one line per Journal line, each ended by a newline.
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "journal/Journal.h"

namespace mirto {

struct FileResult {
  bool ok = true;
  std::string message;  // what went wrong, for the user
  // The person asked chose not to go on: nothing was done, nothing to report.
  bool declined = false;
};

// ---- Text or not ---------------------------------------------------------------
// A file is plainly not text when the first kTextProbe bytes of it hold a NUL
// byte, or when more than one in 16 of them are control bytes other than tab,
// line feed, vertical tab, form feed, carriage return, SUB (an old end-of-file
// mark) and escape. Bytes from 128 up are text: old journals may hold an 8-bit
// character set.
inline constexpr std::size_t kTextProbe = 64 << 10;
// Why `start` (a file's first bytes) is not text, or nullptr.
const char* NotTextReason(std::string_view start);
// The same for the regular file at `path`; nullptr for text and for what is
// missing, unreadable or not a regular file.
const char* FileNotTextReason(const std::string& path);

// ---- Reading -------------------------------------------------------------------
// The read a file goes through; tests replace it to make reads fail.
using ReadFn = ssize_t (*)(int fd, void* data, std::size_t size);
ssize_t SystemRead(int fd, void* data, std::size_t size);

// Called with the reason when the file read is plainly not text, before any
// of its lines is appended: ok reads it all the same, anything else ends the
// reading with that result.
using NotTextAnswer = std::function<FileResult(const char* why)>;

// Appends the lines of the file at `path` to `journal`: a line is cut at its
// first NUL and then loses its trailing bytes below 32 (taken as signed
// 8-bit); what follows a NUL up to the newline is skipped, never held. On a
// read error the lines read so far stay appended; when memory runs out none
// do. Without `ifNotText` every file is read.
FileResult ReadJournalFile(const std::string& path, Journal& journal, ReadFn read = &SystemRead,
                           const NotTextAnswer& ifNotText = {});

// ---- Saving --------------------------------------------------------------------
// The system calls a save goes through; tests replace them to make writes fail.
struct FileOps {
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
};
const FileOps& SystemFileOps();

// Writes `journal` to `path`, never leaving it half written:
// - only a file this user may write is replaced, and it keeps its owner and
//   mode; a link keeps pointing where it pointed, at a file now written;
// - as a rule the journal goes to a temporary file beside it,
//   ".NAME.mirto-XXXXXX", locked while the save lives and put in place once
//   every byte was written and flushed; one that a killed save left behind
//   goes on the next successful save;
// - where that would change the owner, cut a hard link, or the folder takes
//   no new file, the file is written in place: after a flushed copy of its
//   old content, which is put back if the write fails, and a flushed copy of
//   the new, ".NAME.mirto-whole-XXXXXX", kept until the file is written and
//   flushed. A save killed while writing in place leaves that copy as the
//   whole journal; no save removes it unless the file then holds the same.
FileResult WriteJournalFile(const Journal& journal, const std::string& path, const FileOps& ops = SystemFileOps());

// What a save to `path` would write (links followed): the file's device and
// inode, or for a file not there yet, the real path it would get. Nothing for
// what is not a regular file (a device, a pipe, a folder).
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  std::string path;  // only for a file not there yet
  bool operator==(const FileId&) const = default;
};
std::optional<FileId> IdentifyFile(const std::string& path);
std::optional<FileId> IdentifyFile(int fd);
// One file, whether or not it is there yet (links followed).
bool SameFile(const std::string& a, const std::string& b);

// A file the run itself reads or writes (the script, the journal, the results
// file): a statement that writes files never writes over it.
struct ReservedFile {
  std::string path;
  std::string what;      // "the results file (--results)"
  bool journal = false;  // a journal, which `save` may write
};

}  // namespace mirto
