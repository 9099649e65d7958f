#pragma once
// Runs batch scripts on one document, as a test states them: the script and
// the report block it must append.
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "batch/Batch.h"
#include "journal/CTervoDoc.h"

namespace mirto::test {

struct ScriptResult {
  int status = 0;
  std::vector<std::string> appended;  // the journal lines the script added
  std::vector<std::string> messages;  // message boxes, in order
  std::string err;                    // everything written to standard error
};

// Lines of a block as the test writes them: one per line of `text`.
std::vector<std::string> Lines(std::string_view text);

class Session : private FormHost {
 public:
  Session();
  // Runs `script` (statements, one per line) on the session's document.
  ScriptResult Run(std::string_view script);
  CTervoDoc doc;

 private:
  bool ShowForm(Form& form) override;
  void Message(std::string_view text) override;
  void BeginEntryLoop(const EntryLoop& loop) override;
  void EndEntryLoop() override;
  void OutOfMemory() override;
  BatchHost* m_current = nullptr;
};

// A fresh document running one script.
ScriptResult RunScript(std::string_view script);

}  // namespace mirto::test
