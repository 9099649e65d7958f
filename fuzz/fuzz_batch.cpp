// The batch runner on arbitrary scripts. A run ends with status 0 and no
// error, or with status 2 and exactly one error that names a line of the
// script. Scripts never reach the file system: `open` and `save` lines are
// blanked before the run (keeping the line numbers).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "batch/Batch.h"
#include "journal/CTervoDoc.h"

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The statement's verb as the script reader sees it.
std::string_view Verb(std::string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  std::size_t end = 0;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  return line.substr(0, end);
}

std::string WithoutFileStatements(std::string_view script) {
  std::string out;
  out.reserve(script.size());
  while (!script.empty()) {
    std::size_t nl = script.find('\n');
    std::string_view line = script.substr(0, nl);
    std::string_view verb = Verb(line);
    if (verb != "open" && verb != "save") out.append(line);
    if (nl == std::string_view::npos) break;
    out.push_back('\n');
    script.remove_prefix(nl + 1);
  }
  return out;
}

[[noreturn]] void Fail(const char* what, const std::string& err) {
  std::fprintf(stderr, "batch fuzz: %s\n--- standard error of the run ---\n%s\n", what, err.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string script = WithoutFileStatements(std::string_view(reinterpret_cast<const char*>(data), size));
  std::istringstream in(script);
  std::ostringstream err;
  mirto::ScriptSource source(in, "fuzz");
  mirto::BatchHost host(source, err);
  mirto::CTervoDoc doc(host);
  doc.OnNewDocument();
  const int status = mirto::RunScript(doc, source, host);
  const std::string text = err.str();

  int lines = 1;
  for (char c : script) lines += c == '\n';
  // Standard error holds message lines and error lines, nothing else.
  std::size_t errors = 0;
  std::istringstream report(text);
  for (std::string line; std::getline(report, line);) {
    if (line.rfind("message: ", 0) == 0) continue;
    int number = 0, consumed = 0;
    if (std::sscanf(line.c_str(), "fuzz:%d: error: %n", &number, &consumed) != 1 || consumed == 0)
      Fail("a line on standard error that is neither a message nor an error with its line", text);
    if (number < 1 || number > lines) Fail("an error names a line outside the script", text);
    ++errors;
  }
  if (status == mirto::kBatchOk && errors != 0) Fail("status 0 after an error", text);
  if (status != mirto::kBatchOk && status != mirto::kBatchScriptError) Fail("a status other than 0 and 2", text);
  if (status == mirto::kBatchScriptError && errors != 1) Fail("status 2 without exactly one error", text);

  // Every block the run appended starts with the separator after the heading lines.
  const mirto::Journal& journal = doc.GetJournal();
  if (journal.size() < 2) Fail("the journal lost its heading lines", text);
  if (journal.size() > 2 && journal[2] != "*********") Fail("a block without its separator", text);
  return 0;
}
