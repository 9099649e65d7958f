#pragma once
// The statements of a script that draw samples: `frame PATH` names the
// sampling frame, `draw DESIGN NAME=VALUE ...` draws from it, writes the
// files and appends the report block. See docs/select.md.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/JournalFile.h"

namespace mirto {
class CTervoDoc;
}

namespace mirto::select {

bool IsStatement(std::string_view verb);

class ScriptDraws {
 public:
  struct Failure {
    int status;  // 1: a file could not be read or written; 2: bad input
    std::string message;
  };
  // One statement; nothing appended and no file written when it fails.
  std::optional<Failure> Run(CTervoDoc& doc, std::string_view verb, std::string_view rest);
  // The run's own files, which no draw writes over.
  void Reserve(std::vector<ReservedFile> files) { m_reserved = std::move(files); }

 private:
  std::string m_frame;
  std::vector<ReservedFile> m_reserved;
};

}  // namespace mirto::select
