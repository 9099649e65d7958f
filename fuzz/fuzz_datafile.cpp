// The data-file readers on arbitrary bytes, taken as a CSV, SPSS, Stata or
// SAS file by the first byte: opening either gives the variables or a
// problem naming the file; every scan gives rows numbered 1, 2, ... with one
// value per column asked for, numbers finite, and ends with no problem or
// one naming the file; a scan stopped early gives the first rows of a whole
// one. Then data mode on the file, its roles bound to variables the second
// byte picks: every command the data answer is refused with a problem that
// names the file, or fills its forms with finite numbers, counts as digits.
// No message holds a control byte. A CSV file read in small blocks on one and
// two threads gives the same rows, problems and figures.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include "data/DataFormats.h"
#include "data/DataHost.h"
#include "data/InOrder.h"
#include "framework/Form.h"
#include "framework/FormCatalog.h"
#include "framework/Format.h"
#include "framework/Registry.h"
#include "journal/Fd.h"

namespace {

using mirto::data::DataProblem;

void CheckProblem(const std::optional<DataProblem>& problem, const std::string& name) {
  if (!problem) return;
  CHECK(problem->file == name && !problem->text.empty() && problem->row >= 0);
  const std::string text = problem->Describe();
  CHECK(text.starts_with(name));
  for (char c : text) CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
}

// Whether `text` is wholly a finite number (digits alone for a count).
bool Number(std::string_view text, bool count) {
  if (count) return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  return !text.empty() && mirto::RealLength(text) == text.size() && std::isfinite(mirto::ReadReal(text));
}

// Every command the data answer, on the file with roles bound by `pick`: the
// forms' texts, or the problems.
std::string RunCommands(std::unique_ptr<mirto::data::DataFile> file, const std::string& name, std::uint8_t pick) {
  namespace data = mirto::data;
  const std::size_t n = file->Variables().size();
  std::vector<std::pair<data::Role, std::string>> roles;
  for (std::size_t r = 0; r < data::kRoles; ++r)
    roles.emplace_back(static_cast<data::Role>(r), file->Variables()[(pick + r * (pick % 3 + 1)) % n].name);
  data::DataSession session;
  session.Open(std::move(file), name);
  if (const auto problem = session.Use(roles)) {
    CheckProblem(problem, name);
    return problem->Describe();
  }
  std::string shown;
  for (const mirto::Command& command : mirto::Commands()) {
    const data::CommandFigures* figures = command.figures;
    if (!figures || !data::TakesData(command)) continue;
    data::DataRun run;
    if (const auto problem = run.Begin(session, command.id)) {
      CheckProblem(problem, name);
      shown += problem->Describe() + "\n";
      continue;
    }
    for (const data::FormFigures& f : figures->forms) {
      mirto::Form form(*f.form);
      run.Fill(form, f.perGroup ? 1 : 0);
      for (std::size_t i = 0; i < form.size(); ++i) {
        if (!mirto::TakesValue(form.ControlAt(i))) continue;
        const std::optional<data::FieldSource> source = data::SourceOf(f, form.ControlAt(i).Key());
        const bool count = source == data::FieldSource::Count || source == data::FieldSource::Groups ||
                           source == data::FieldSource::GroupSize;
        CHECK(!source || Number(form.Text(i), count));
        shown += form.Text(i) + "\x1f";
      }
    }
  }
  return shown;
}

// Rows as text, stopping after `stop` rows (-1: none).
std::string Rows(const mirto::data::DataFile& file, const std::vector<std::size_t>& columns, long long stop,
                 std::optional<DataProblem>& problem) {
  std::string out;
  long long expected = 1;
  problem = file.Scan(columns, [&](long long row, std::span<const mirto::data::Value> values) {
    CHECK(row == expected++ && values.size() == columns.size());
    for (const auto& v : values) {
      CHECK(!v.numeric || std::isfinite(v.number));
      out += v.missing ? "-" : v.numeric ? std::to_string(v.number) : std::string(v.text);
      out += '\x1f';
    }
    out += '\n';
    return row != stop;
  });
  return out;
}

void Shown(std::span<const mirto::data::Value> values, std::string& out) {
  for (const auto& read : values) {
    const mirto::data::Value v = mirto::data::Completed(read);
    out += v.missing ? "-" : v.numeric ? std::to_string(v.number) : std::string(v.text);
    out += '\x1f';
  }
  out += '\n';
}

// The same rows counted, scanned some at a time while marked, and read again
// from the marks, as Rows gives them.
std::string CountedAndMarked(const mirto::data::DataFile& file, const std::vector<std::size_t>& columns, long long rows,
                             std::optional<DataProblem>& problem) {
  long long counted = -1;
  problem = file.Count(counted);
  CHECK(counted == rows);
  std::vector<mirto::data::RowMark> marks, from;
  mirto::data::FileStamp stamp;
  std::string scanned, out;
  long long next = 1;
  file.ScanMarking(
      columns, 0,
      [&](long long first, std::size_t count, std::span<const mirto::data::Value> values) {
        CHECK(first == next && values.size() == count * columns.size());
        next += static_cast<long long>(count);
        for (std::size_t r = 0; r < count; ++r) Shown(values.subspan(r * columns.size(), columns.size()), scanned);
        return true;
      },
      [&](const mirto::data::RowMark& m) { marks.push_back(m); }, stamp);
  std::vector<long long> all;
  for (long long row = 1; row <= rows; ++row) {
    all.push_back(row);
    from.push_back(marks.at(static_cast<std::size_t>((row - 1) / mirto::data::kMarkEvery)));
  }
  CHECK(!file.ReadMarked(
      from, all, columns,
      [&](long long, std::span<const mirto::data::Value> values) {
        Shown(values, out);
        return true;
      },
      stamp));
  CHECK(scanned == out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  using mirto::data::StatFormat;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::optional<DataProblem> problem;
  std::unique_ptr<mirto::data::DataFile> file;
  mirto::Fd memory;
  std::string name = "fuzz";
  const bool csv = data[0] % 4 == 0;
  if (csv) {
    memory.reset(::memfd_create("fuzz.csv", MFD_CLOEXEC));
    CHECK(memory.get() >= 0 && ::write(memory.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    name = "/proc/self/fd/" + std::to_string(memory.get());
    file = mirto::data::OpenDelimitedFile(name, problem);
  } else {
    const StatFormat formats[] = {StatFormat::Spss, StatFormat::Stata, StatFormat::Sas};
    file = mirto::data::OpenStatBytes(bytes, name, formats[data[0] % 4 - 1], problem);
  }
  CHECK(!file == problem.has_value());
  CheckProblem(problem, name);
  if (!file) return 0;

  std::vector<std::size_t> columns;
  for (std::size_t i = 0; i < file->Variables().size(); i += 1 + data[1] % 3) columns.push_back(i);
  const std::string whole = Rows(*file, columns, -1, problem);
  CheckProblem(problem, name);
  const std::string wholeProblem = problem ? problem->Describe() : "";
  // A delimited file read in small blocks, on one thread and on two: the same rows and problem.
  const mirto::data::ReadSettings blocks{0, 1 + data[1] % 23u};
  if (csv)
    for (const unsigned threads : {1u, 2u}) {
      mirto::data::SetReadSettings({threads, blocks.blockBytes});
      std::optional<DataProblem> again;
      CHECK(Rows(*file, columns, -1, again) == whole);
      CHECK((again ? again->Describe() : "") == wholeProblem);
      long long rows = 0;
      file->Scan(columns, [&](long long, std::span<const mirto::data::Value>) { return ++rows, true; });
      CHECK(CountedAndMarked(*file, columns, rows, again) == whole);
      CHECK((again ? again->Describe() : "") == wholeProblem);
      mirto::data::SetReadSettings({});
    }
  const std::string first = Rows(*file, columns, data[1] % 5 + 1, problem);
  CheckProblem(problem, name);
  CHECK(whole.starts_with(first));
  mirto::data::DataProfile profile;
  CheckProblem(Profile(*file, profile), name);
  CHECK(profile.variables.size() == file->Variables().size());
  const std::string figures = RunCommands(std::move(file), name, data[1]);
  if (csv) {
    // The figures of every command the same in small blocks on two threads.
    mirto::data::SetReadSettings({2, blocks.blockBytes});
    auto again = mirto::data::OpenDelimitedFile(name, problem);
    CHECK(again != nullptr);
    CHECK(RunCommands(std::move(again), name, data[1]) == figures);
    mirto::data::SetReadSettings({});
  }
  return 0;
}
