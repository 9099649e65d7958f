// The `draw` statement on arbitrary text, with a small frame in memory: the
// input's first line is what follows `draw`, the rest the frame (a header of
// names, then rows, fields split at commas). Whatever it asks, a draw either
// succeeds, writing its sample file with probabilities that add up to n, or
// fails leaving no file behind. The files go to a scratch folder, whatever
// paths the statement names.
#include <dirent.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "data/DataFormats.h"
#include "select/Draw.h"
#include "select/Parse.h"

namespace {

using mirto::data::DataFile;
using mirto::data::DataProblem;
using mirto::data::Value;

std::vector<std::string> Split(std::string_view line) {
  std::vector<std::string> fields;
  for (;;) {
    const std::size_t comma = line.find(',');
    fields.emplace_back(line.substr(0, comma));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

class MemoryFrame : public DataFile {
 public:
  MemoryFrame(std::vector<mirto::data::Variable> variables, std::vector<std::vector<std::string>> rows)
      : DataFile("memory.csv", std::move(variables)), m_rows(std::move(rows)) {}
  std::optional<DataProblem> Scan(std::span<const std::size_t> columns, const Visit& visit) const override {
    std::vector<Value> values(columns.size());
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
      for (std::size_t c = 0; c < columns.size(); ++c) {
        const std::vector<std::string>& row = m_rows[r];
        values[c] = mirto::data::ReadCell(columns[c] < row.size() ? std::string_view(row[columns[c]]) : "");
      }
      if (!visit(static_cast<long long>(r) + 1, values)) break;
    }
    return std::nullopt;
  }

 private:
  std::vector<std::vector<std::string>> m_rows;
};

const std::string& Scratch() {
  static const std::string dir = [] {
    const char* base = std::getenv("TMPDIR");
    std::string d = std::string(base && *base ? base : "/tmp") + "/fuzz-select.XXXXXX";
    CHECK(::mkdtemp(d.data()) != nullptr);
    std::ofstream(d + "/figures.csv") << "A,1\nB,2\n1,1\n2,1\n";
    return d;
  }();
  return dir;
}

std::vector<std::string> Names() {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(Scratch().c_str())) {
    while (const dirent* e = ::readdir(d))
      if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..") names.emplace_back(e->d_name);
    ::closedir(d);
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::size_t nl = in.find('\n');
  if (nl == std::string_view::npos) return 0;
  mirto::select::DrawRequest request;
  request.frame = "memory.csv";
  if (mirto::select::ParseDraw(in.substr(0, nl), request)) return 0;

  std::vector<mirto::data::Variable> variables;
  std::vector<std::vector<std::string>> rows;
  std::string_view rest = in.substr(nl + 1);
  for (bool header = true; !rest.empty(); header = false) {
    const std::size_t end = rest.find('\n');
    const std::vector<std::string> fields = Split(rest.substr(0, end));
    if (header)
      for (const std::string& f : fields) variables.push_back({f, mirto::data::VariableType::Unknown, {}});
    else
      rows.push_back(fields);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  if (variables.empty()) return 0;

  // The files in the scratch folder, whatever the statement named.
  const std::string& dir = Scratch();
  const std::size_t dot = request.out.rfind('.');
  request.out = dir + "/sample" + (dot == std::string::npos ? std::string(".csv") : request.out.substr(dot));
  if (request.out.find('/', dir.size() + 1) != std::string::npos) request.out = dir + "/sample.csv";
  if (!request.population.empty()) request.population = dir + "/population.csv";
  if (!request.pairs.empty()) request.pairs = dir + "/pairs.csv";
  if (!request.sizes.empty()) request.sizes = dir + "/figures.csv";
  if (!request.costFile.empty()) request.costFile = dir + "/figures.csv";
  bool sdVariable = false;
  for (const auto& v : variables) sdVariable = sdVariable || v.name == request.sd;
  if (!request.sd.empty() && !sdVariable) request.sd = dir + "/figures.csv";
  if (mirto::select::CheckRequest(request)) return 0;

  mirto::select::DrawOptions options;
  options.open = [&](const std::string&, std::optional<DataProblem>&) -> std::unique_ptr<DataFile> {
    return std::make_unique<MemoryFrame>(variables, rows);
  };
  mirto::select::DrawResult result;
  const auto problem = mirto::select::RunDraw(request, options, result);
  std::vector<std::string> names = Names();
  if (problem) {
    CHECK(!problem->text.empty());
    CHECK(names == std::vector<std::string>{"figures.csv"});
    return 0;
  }
  CHECK(std::fabs(result.piSum - result.expected) <= 1e-9 * std::max(1.0, result.expected));
  CHECK(access(request.out.c_str(), F_OK) == 0);
  for (const std::string& name : names)
    if (name != "figures.csv") std::remove((dir + "/" + name).c_str());
  return 0;
}
