// The survey statements and the engine on arbitrary input: a small delimited
// file in memory, a line "%%", then statements (design, estimate, extras on,
// extras off), one a line. Each statement either fails with a message and
// leaves the journal as it was, or (an estimate) appends one block whose
// record holds a row per line of its table and whose lines hold no control
// byte; the results writers take every block.
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

void CheckBlock(const mirto::CTervoDoc& doc, const mirto::CompletedBlock& block) {
  CHECK(block.command != nullptr);
  const mirto::Journal& journal = doc.GetJournal();
  CHECK(journal[block.firstLine] == "*********");
  for (std::size_t i = block.firstLine; i < block.firstLine + block.lines; ++i)
    for (char c : journal[i]) CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
  bool table = false;
  for (const mirto::Table& t : block.record.tables()) table = table || (t.key() == "estimates" && t.rows() > 0);
  CHECK(table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find("\n%%\n");
  if (split == std::string_view::npos) return 0;
  const std::string_view csv = input.substr(0, split + 1);
  std::string_view script = input.substr(split + 4);

  mirto::Fd memory(::memfd_create("fuzz.csv", MFD_CLOEXEC));
  CHECK(memory.get() >= 0 && ::write(memory.get(), csv.data(), csv.size()) == static_cast<ssize_t>(csv.size()));
  std::optional<mirto::data::DataProblem> problem;
  auto file = mirto::data::OpenDelimitedFile("/proc/self/fd/" + std::to_string(memory.get()), problem);
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
    const std::string_view verb = line.substr(0, blank),
                           rest = blank == std::string_view::npos ? "" : line.substr(blank + 1);
    if (line == "extras on" || line == "extras off") {
      doc.SetAdditionalFigures(line == "extras on");
      continue;
    }
    if (!mirto::survey::Statements::Handles(verb)) continue;
    const std::size_t lines = doc.GetJournal().size(), blocks = doc.Blocks().size();
    const auto failure = survey.Run(doc, verb, rest);
    if (failure) {
      CHECK(!failure->text.empty() && doc.GetJournal().size() == lines && doc.Blocks().size() == blocks);
      continue;
    }
    CHECK(doc.Blocks().size() == blocks + (verb == "estimate" ? 1 : 0));
    if (verb == "estimate") CheckBlock(doc, doc.Blocks().back());
  }
  for (std::size_t b = 0; b < doc.Blocks().size(); ++b) CHECK(!mirto::ResultJson(doc.Blocks()[b], b + 1).empty());
  CHECK(mirto::ResultCsv(doc.Blocks()).size() >= doc.Blocks().size() + 1);
  return 0;
}
