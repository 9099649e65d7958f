// The batch runner on arbitrary scripts. A run ends with status 0 and no
// error, or with status 2 and exactly one error that names a line of the
// script. Scripts reach no file of their choosing: the lines of `open`,
// `save`, `rows`, `frame` and `draw` are blanked before the run (keeping the line numbers),
// and `data`, `population` and `pairs` read three files the fuzzer writes
// in a folder of its own from the input's sections after the script, each
// begun by a line "%%": the data file, the population file, the pairs file.
// The script is read the way a script file is, in pieces of varying size;
// for some inputs (picked by checksum) the read fails part way, which must
// end the run with status 1 and one error naming the line that could not be
// read. A value refused because it is not wholly a number must indeed not
// read as one of its field's kind.
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "batch/Batch.h"
#include "framework/Format.h"
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

// The fuzzer's own folder, for the files data mode reads; removed at exit.
struct Folder {
  Folder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mirto-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    path = pattern;
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string path;
};
const Folder& TheFolder() {
  static const Folder folder;
  return folder;
}

constexpr std::string_view kDataFiles[] = {"data.csv", "population.csv", "pairs.csv"};

// The input's sections after the script go to the data, population and
// pairs files (empty where there is none); the script is what comes before.
std::string_view WriteDataFiles(std::string_view input) {
  constexpr std::string_view kMark = "\n%%\n";
  std::size_t end = input.find(kMark);
  const std::string_view script = input.substr(0, end);
  for (std::string_view name : kDataFiles) {
    std::string_view section;
    if (end != std::string_view::npos) {
      input.remove_prefix(end + kMark.size());
      end = input.find(kMark);
      section = input.substr(0, end);
    }
    std::ofstream(TheFolder().path + "/" + std::string(name), std::ios::binary) << section;
  }
  return script;
}

std::string WithoutFileStatements(std::string_view script) {
  std::string out;
  out.reserve(script.size());
  while (!script.empty()) {
    std::size_t nl = script.find('\n');
    std::string_view line = script.substr(0, nl);
    // The reader skips a byte-order mark at the start of the script.
    std::string_view verb = Verb(out.empty() && line.starts_with("\xEF\xBB\xBF") ? line.substr(3) : line);
    constexpr std::string_view kFiles[] = {"open", "save", "rows", "frame", "draw"};
    constexpr std::string_view kData[] = {"data", "population", "pairs"};
    const auto data = std::find(std::begin(kData), std::end(kData), verb);
    const bool alone = line.find_first_not_of(" \t\r\v\f", line.find(verb) + verb.size()) == std::string_view::npos;
    if (data != std::end(kData) && !alone)
      out += std::string(verb) + " " + TheFolder().path + "/" + std::string(kDataFiles[data - std::begin(kData)]);
    else if (std::find(std::begin(kFiles), std::end(kFiles), verb) == std::end(kFiles))
      out.append(line);
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

// An error `In "LABEL", "VALUE" is not a number...`: the value, shown whole
// (short, nothing escaped), must fail form reading in the way the error says.
void CheckNumberRefusal(std::string_view error, const std::string& err) {
  if (!error.starts_with("In ")) return;
  error = error.substr(0, error.find("; the form "));
  const std::size_t open = error.find("\", \"");
  const std::size_t close = error.rfind("\" is ");
  if (open == std::string_view::npos || close == std::string_view::npos || close < open + 4) return;
  const std::string_view value = error.substr(open + 4, close - open - 4), why = error.substr(close + 5);
  if (value.size() >= 30 || value.find('\\') != std::string_view::npos) return;
  using mirto::NumberFault, mirto::NumberKind;
  struct Kind {
    std::string_view words;
    NumberKind kind;
    NumberFault fault;
  } kinds[] = {{"is not a whole number", NumberKind::Whole, NumberFault::NotANumber},
               {"is beyond the whole numbers", NumberKind::Whole, NumberFault::OutOfRange},
               {"is not a number", NumberKind::Real, NumberFault::NotANumber},
               {"is too large a number", NumberKind::Real, NumberFault::OutOfRange}};
  for (const Kind& k : kinds)
    if (why.starts_with(k.words.substr(3))) {
      if (mirto::ReadNumber(value, k.kind).fault != k.fault) Fail("a value refused that reads as a number", err);
      return;
    }
  Fail("a refused value without its reason", err);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string script =
      WithoutFileStatements(WriteDataFiles(std::string_view(reinterpret_cast<const char*>(data), size)));
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
    CheckNumberRefusal(std::string_view(line).substr(static_cast<std::size_t>(consumed)), text);
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

  // Every block the run appended starts with the separator after the heading
  // lines, and after its data note where it has one.
  const mirto::Journal& journal = doc.GetJournal();
  if (journal.size() < 2) Fail("the journal lost its heading lines", text);
  std::size_t first = 2;
  while (first < journal.size() && std::string_view(journal[first]).starts_with("Data ")) ++first;
  if (journal.size() > 2 && (first == journal.size() || journal[first] != "*********"))
    Fail("a block without its separator", text);
  for (std::size_t i = 2; i < journal.size(); ++i)
    for (char c : std::string_view(journal[i]))
      if (static_cast<unsigned char>(c) < 0x20) Fail("a control byte in the journal", text);
  return 0;
}
