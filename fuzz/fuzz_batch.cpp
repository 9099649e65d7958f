// The batch runner on arbitrary scripts. A run ends with status 0 and no
// error, or with status 2 and exactly one error that names a line of the
// script. Scripts never reach the file system: the lines of `open`, `save`,
// `rows`, the data statements and `frame` and `draw` are blanked before the
// run (keeping the line numbers). The script is read the
// way a script file is, in pieces of varying size; for some inputs (picked by
// checksum) the read fails part way, which must end the run with status 1 and
// one error naming the line that could not be read.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    // The reader skips a byte-order mark at the start of the script.
    std::string_view verb = Verb(out.empty() && line.starts_with("\xEF\xBB\xBF") ? line.substr(3) : line);
    constexpr std::string_view kFiles[] = {"open", "save", "rows", "data", "population", "pairs", "frame", "draw"};
    if (std::find(std::begin(kFiles), std::end(kFiles), verb) == std::end(kFiles)) out.append(line);
    if (nl == std::string_view::npos) break;
    out.push_back('\n');
    script.remove_prefix(nl + 1);
  }
  return out;
}

// The script as a file would deliver it.
struct Served {
  std::string_view script;
  std::size_t at = 0;
  std::size_t piece = 1;
  std::size_t failAt = std::string_view::npos;
} g_served;

ssize_t ServedRead(int, void* data, std::size_t size) {
  Served& s = g_served;
  if (s.at >= s.failAt) {
    errno = EIO;
    return -1;
  }
  std::size_t n = std::min({size, s.script.size() - s.at, s.piece, s.failAt - s.at});
  std::memcpy(data, s.script.data() + s.at, n);
  s.at += n;
  s.piece = s.piece * 5 % 4099 + 1;
  return static_cast<ssize_t>(n);
}

[[noreturn]] void Fail(const char* what, const std::string& err) {
  std::fprintf(stderr, "batch fuzz: %s\n--- standard error of the run ---\n%s\n", what, err.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string script = WithoutFileStatements(std::string_view(reinterpret_cast<const char*>(data), size));
  std::uint32_t sum = 0;
  for (unsigned char c : script) sum = sum * 31 + c;
  g_served = {script, 0, 1 + sum % 7, sum % 5 == 0 && !script.empty() ? sum / 5 % script.size() : std::string::npos};
  mirto::ScriptFile file(-1, &ServedRead);
  std::ostringstream err;
  mirto::ScriptSource source(file, "fuzz");
  mirto::BatchHost host(source, err);
  mirto::CTervoDoc doc(host);
  doc.OnNewDocument();
  const int status = mirto::RunScript(doc, source, host);
  const std::string text = err.str();

  int lines = 1;
  for (char c : script) lines += c == '\n';
  // Standard error holds message lines and error lines, nothing else.
  std::size_t errors = 0, readErrors = 0;
  for (char c : text)
    if (static_cast<unsigned char>(c) < 32 && c != '\n') Fail("a control byte reached standard error", text);
  std::istringstream report(text);
  for (std::string line; std::getline(report, line);) {
    if (line.size() > 2000) Fail("an overlong line on standard error", text);
    if (line.rfind("message: ", 0) == 0) continue;
    int number = 0, consumed = 0;
    if (std::sscanf(line.c_str(), "fuzz:%d: error: %n", &number, &consumed) != 1 || consumed == 0)
      Fail("a line on standard error that is neither a message nor an error with its line", text);
    if (number < 1 || number > lines) Fail("an error names a line outside the script", text);
    ++errors;
    readErrors += line.substr(static_cast<std::size_t>(consumed)) == "cannot read the script: Input/output error";
  }
  const bool failedRead = g_served.at >= g_served.failAt;
  if (status == mirto::kBatchOk && errors != 0) Fail("status 0 after an error", text);
  if (status == mirto::kBatchOk && failedRead) Fail("status 0 after a failed read", text);
  if (status == mirto::kBatchFileError && (!failedRead || readErrors != 1 || errors != 1))
    Fail("status 1 without exactly one read error", text);
  if (status != mirto::kBatchOk && status != mirto::kBatchScriptError && status != mirto::kBatchFileError)
    Fail("a status other than 0, 1 and 2", text);
  if (status == mirto::kBatchScriptError && (errors != 1 || readErrors != 0))
    Fail("status 2 without exactly one script error", text);

  // Every block the run appended starts with the separator after the heading lines.
  const mirto::Journal& journal = doc.GetJournal();
  if (journal.size() < 2) Fail("the journal lost its heading lines", text);
  if (journal.size() > 2 && journal[2] != "*********") Fail("a block without its separator", text);
  return 0;
}
