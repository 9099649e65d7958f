// The survey statements and the engine on arbitrary input: a small delimited
// file in memory, a line "%%", optionally a totals file and another "%%",
// then statements (design, estimate, calibrate, extras on, extras off), one a
// line; TOTALS in a statement names the totals file. Each statement either
// fails with a message and leaves the journal as it was, or (an estimate, a
// calibration) appends one block whose record holds a row per line of its
// table and whose lines hold no control byte; the results writers take every
// block.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "data/DataFormats.h"
#include "framework/Results.h"
#include "journal/CTervoDoc.h"
#include "journal/Fd.h"
#include "survey/Statements.h"

namespace {

class NoForms : public mirto::FormHost {
 public:
  bool ShowForm(mirto::Form&) override { return false; }
  void Message(std::string_view) override {}
};

void CheckBlock(const mirto::CTervoDoc& doc, const mirto::CompletedBlock& block, std::string_view table) {
  CHECK(block.command != nullptr);
  const mirto::Journal& journal = doc.GetJournal();
  CHECK(journal[block.firstLine] == "*********");
  for (std::size_t i = block.firstLine; i < block.firstLine + block.lines; ++i)
    for (char c : journal[i]) CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
  bool rows = false;
  for (const mirto::Table& t : block.record.tables()) rows = rows || (t.key() == table && t.rows() > 0);
  CHECK(rows);
}

// A file in memory, named by a path any reader opens.
struct MemoryFile {
  mirto::Fd fd;
  std::string path;
  explicit MemoryFile(std::string_view bytes) : fd(::memfd_create("fuzz", MFD_CLOEXEC)) {
    CHECK(fd.get() >= 0 && ::write(fd.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    path = "/proc/self/fd/" + std::to_string(fd.get());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find("\n%%\n");
  if (split == std::string_view::npos) return 0;
  const std::string_view csv = input.substr(0, split + 1);
  std::string_view script = input.substr(split + 4);
  std::string_view totalsText;
  if (const std::size_t more = script.find("\n%%\n"); more != std::string_view::npos) {
    totalsText = script.substr(0, more + 1);
    script = script.substr(more + 4);
  }

  const MemoryFile memory(csv), totals(totalsText);
  std::optional<mirto::data::DataProblem> problem;
  auto file = mirto::data::OpenDelimitedFile(memory.path, problem);
  if (!file) return 0;

  NoForms host;
  mirto::CTervoDoc doc(host);
  doc.OnNewDocument();
  mirto::survey::Statements survey;
  survey.UseFile(std::move(file), "fuzz.csv");
  while (!script.empty()) {
    const std::size_t nl = script.find('\n');
    const std::string_view line = script.substr(0, nl);
    script = nl == std::string_view::npos ? std::string_view() : script.substr(nl + 1);
    const std::size_t blank = line.find(' ');
    const std::string_view verb = line.substr(0, blank);
    std::string rest(blank == std::string_view::npos ? "" : line.substr(blank + 1));
    for (std::size_t at = rest.find("TOTALS"); at != std::string::npos; at = rest.find("TOTALS", at))
      rest.replace(at, 6, totals.path);
    if (line == "extras on" || line == "extras off") {
      doc.SetAdditionalFigures(line == "extras on");
      continue;
    }
    // weights out=PATH writes files; the tests check it.
    if (!mirto::survey::Statements::Handles(verb) || verb == "weights") continue;
    const std::size_t lines = doc.GetJournal().size(), blocks = doc.Blocks().size();
    const auto failure = survey.Run(doc, verb, rest);
    if (failure) {
      CHECK(!failure->text.empty() && doc.GetJournal().size() == lines && doc.Blocks().size() == blocks);
      continue;
    }
    const bool block = verb == "estimate" || (verb == "calibrate" && !rest.empty());
    CHECK(doc.Blocks().size() == blocks + (block ? 1 : 0));
    if (block) CheckBlock(doc, doc.Blocks().back(), verb == "estimate" ? "estimates" : "totals");
  }
  for (std::size_t b = 0; b < doc.Blocks().size(); ++b) CHECK(!mirto::ResultJson(doc.Blocks()[b], b + 1).empty());
  CHECK(mirto::ResultCsv(doc.Blocks()).size() >= doc.Blocks().size() + 1);
  return 0;
}
