// The data-file readers on arbitrary bytes, taken as a CSV, SPSS, Stata or
// SAS file by the first byte: opening either gives the variables or a
// problem naming the file; every scan gives rows numbered 1, 2, ... with one
// value per column asked for, numbers finite, and ends with no problem or
// one naming the file; a scan stopped early gives the first rows of a whole
// one.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include "data/DataFormats.h"
#include "journal/Fd.h"

namespace {

using mirto::data::DataProblem;

void CheckProblem(const std::optional<DataProblem>& problem, const std::string& name) {
  if (!problem) return;
  CHECK(problem->file == name && !problem->text.empty() && problem->row >= 0);
  CHECK(problem->Describe().starts_with(name));
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  using mirto::data::StatFormat;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::optional<DataProblem> problem;
  std::unique_ptr<mirto::data::DataFile> file;
  mirto::Fd memory;
  std::string name = "fuzz";
  if (data[0] % 4 == 0) {
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
  const std::string first = Rows(*file, columns, data[1] % 5 + 1, problem);
  CheckProblem(problem, name);
  CHECK(whole.starts_with(first));
  mirto::data::DataProfile profile;
  CheckProblem(Profile(*file, profile), name);
  CHECK(profile.variables.size() == file->Variables().size());
  return 0;
}
