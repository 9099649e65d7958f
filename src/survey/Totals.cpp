#include "survey/Totals.h"

#include <map>
#include <utility>

#include "data/DataFormats.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"
#include "survey/Design.h"

namespace mirto::survey {

using data::DataProblem;

std::variant<Totals, DataProblem> ReadTotals(const std::string& path, const std::string& shown) {
  std::optional<DataProblem> problem;
  // A totals file is text whatever its name ends in.
  const auto file = data::OpenDelimitedFile(path, problem);
  if (!file) {
    if (!problem) problem = DataProblem{shown, 0, {}, "cannot be opened"};
    problem->file = shown;
    return *problem;
  }
  std::vector<std::size_t> columns;
  for (const char* name : {"variable", "category", "total"}) {
    const std::optional<std::size_t> column = file->Find(name);
    if (!column)
      return DataProblem{shown, 0, {}, "a totals file's header names the columns variable, category and total"};
    columns.push_back(*column);
  }
  Totals totals{shown, {}};
  std::map<std::pair<std::string, std::string>, long long> seen;
  std::optional<DataProblem> bad;
  auto fail = [&](long long row, const char* column, std::string text) {
    bad = DataProblem{shown, row, column, std::move(text)};
    return false;
  };
  problem = file->Scan(columns, [&](long long row, std::span<const data::Value> v) {
    if (v[0].missing) return fail(row, "variable", "the variable's name is missing");
    if (v[2].missing) return fail(row, "total", "the total is missing");
    if (!v[2].numeric) return fail(row, "total", NotANumber(v[2].text));
    TotalLine line{std::string(v[0].text), v[1].missing ? std::string() : std::string(v[1].text), v[2].number, row};
    const auto [at, added] = seen.emplace(std::pair(line.variable, line.category), row);
    if (!added)
      return fail(row, "category",
                  Format("\"%s\" of %s is given a total at row %lld too", Excerpt(line.category).c_str(),
                         data::Quoted(line.variable).c_str(), at->second));
    totals.lines.push_back(std::move(line));
    return true;
  });
  if (problem) {
    problem->file = shown;
    return *problem;
  }
  if (bad) return *bad;
  if (totals.lines.empty()) return DataProblem{shown, 0, {}, "the totals file has no lines of totals"};
  return totals;
}

namespace {

std::string Field(const std::string& text) {
  const bool plain = text.find_first_of(",\"\r\n") == std::string::npos &&
                     (text.empty() || (text.front() != ' ' && text.back() != ' '));
  if (plain) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + '"';
}

}  // namespace

std::vector<std::string> TotalsFileLines(const std::vector<std::array<std::string, 3>>& rows) {
  std::vector<std::string> lines{"variable,category,total"};
  for (const auto& [variable, category, total] : rows)
    lines.push_back(Field(variable) + "," + Field(category) + "," + Field(total));
  return lines;
}

}  // namespace mirto::survey
