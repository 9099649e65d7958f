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

// Appends the lines of the file at `path` to `journal`: a line is cut at its
// first NUL and then loses its trailing bytes below 32 (taken as signed
// 8-bit). On a read error the lines read so far stay appended.
FileResult ReadJournalFile(const std::string& path, Journal& journal);

// The system calls a save goes through; tests replace them to make writes fail.
struct FileOps {
  ssize_t (*write)(int fd, const void* data, std::size_t size);
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
};
const FileOps& SystemFileOps();

// Writes `journal` to a temporary file beside `path` and puts it in place only
// when every byte was written and flushed; the old file is untouched on failure.
FileResult WriteJournalFile(const Journal& journal, const std::string& path, const FileOps& ops = SystemFileOps());

}  // namespace mirto
