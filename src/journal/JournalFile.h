#pragma once
// The journal text file: one line per Journal line, each ended by a newline.
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "journal/Journal.h"

namespace mirto {

struct FileResult {
  bool ok = true;
  std::string message;  // what went wrong, for the user
};

// The read a file goes through; tests replace it to make reads fail.
using ReadFn = ssize_t (*)(int fd, void* data, std::size_t size);
ssize_t SystemRead(int fd, void* data, std::size_t size);

// Appends the lines of the file at `path` to `journal`: a line is cut at its
// first NUL and then loses its trailing bytes below 32 (taken as signed
// 8-bit). On a read error the lines read so far stay appended; when memory
// runs out none do.
FileResult ReadJournalFile(const std::string& path, Journal& journal, ReadFn read = &SystemRead);

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
//   ".NAME.mirto-XXXXXX", put in place once every byte was written and
//   flushed; a temporary file that a killed save left behind goes on the
//   next successful save;
// - where that would change the owner, cut a hard link, or the folder takes
//   no new file, the file is written in place, after a flushed copy of its
//   old content, which is put back if the write fails.
FileResult WriteJournalFile(const Journal& journal, const std::string& path, const FileOps& ops = SystemFileOps());

}  // namespace mirto
