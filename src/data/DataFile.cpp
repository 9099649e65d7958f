#include "data/DataFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "data/DataFormats.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"

namespace mirto::data {

namespace {

bool EqualLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

Value ReadCell(std::string_view text) {
  Value value;
  value.text = text;
  std::string_view number = TrimBlanks(text);
  if (number.empty() || number == "NA") {
    value.missing = true;
    return value;
  }
  if (number.front() == '+' && number.size() > 1 && number[1] != '-') number.remove_prefix(1);
  // Only these begin a finite number: text such as a stratum's name is not parsed.
  const char first = number.front();
  if (!(first == '-' || first == '.' || (first >= '0' && first <= '9'))) return value;
  double x = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), x);
  if (error == std::errc() && end == number.data() + number.size() && std::isfinite(x)) {
    value.numeric = true;
    value.number = x;
  }
  return value;
}

std::string Quoted(std::string_view text) { return "\"" + Excerpt(text) + "\""; }

std::string DataProblem::Describe(Front front) const {
  std::string out = file;
  if (header) {
    out += Format(", the header (line %lld)", line > 0 ? line : 1);
  } else {
    if (row > 0) out += Format(", row %lld", row);
    if (line > 0) out += row > 0 ? Format(" (line %lld)", line) : Format(", line %lld", line);
  }
  if (!variable.empty()) out += ", variable " + Quoted(variable);
  if (!text.empty()) out += ": " + text;
  return remedy.For(front).empty() ? out : out + " (" + remedy.For(front) + ")";
}

std::optional<DataProblem> DataFile::Count(long long& rows) const {
  rows = 0;
  return Scan({}, [&rows](long long, std::span<const Value>) {
    ++rows;
    return true;
  });
}

std::optional<DataProblem> DataFile::ScanRows(std::span<const std::size_t> columns, std::size_t converted,
                                              std::span<const long long> rows, const Visit& visit,
                                              long long& total) const {
  total = 0;
  std::size_t next = 0;
  return ScanConverting(columns, converted, [&](long long row, std::span<const Value> values) {
    total = row;
    if (next == rows.size() || rows[next] != row) return true;
    while (next < rows.size() && rows[next] == row) ++next;
    return visit(row, values);
  });
}

std::optional<DataProblem> DataFile::ReadMarked(std::span<const RowMark>, std::span<const long long>,
                                                std::span<const std::size_t>, const Visit&, const FileStamp&) const {
  return MakeProblem(Path(), "its rows cannot be read by their place in the file");
}

std::optional<std::size_t> DataFile::Find(std::string_view name) const {
  for (std::size_t i = 0; i < m_variables.size(); ++i)
    if (m_variables[i].name == name) return i;
  const std::vector<std::size_t> found = SameLetters(name);
  // Two that differ only in case: neither is meant more.
  return found.size() == 1 ? std::optional(found.front()) : std::nullopt;
}

std::vector<std::size_t> DataFile::SameLetters(std::string_view name) const {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < m_variables.size(); ++i)
    if (EqualLetters(m_variables[i].name, name)) found.push_back(i);
  return found;
}

std::unique_ptr<DataFile> OpenDataFile(const std::string& path, std::optional<DataProblem>& problem) {
  problem.reset();
  const std::size_t dot = path.find_last_of("./");
  const std::string extension = dot == std::string::npos || path[dot] != '.' ? "" : Lower(path.substr(dot + 1));
  if (extension == "csv" || extension == "tsv" || extension == "txt") return OpenDelimitedFile(path, problem);
  if (extension == "sav" || extension == "zsav") return OpenStatFile(path, StatFormat::Spss, problem);
  if (extension == "dta") return OpenStatFile(path, StatFormat::Stata, problem);
  if (extension == "sas7bdat") return OpenStatFile(path, StatFormat::Sas, problem);
  problem = MakeProblem(path,
                        "not a data file Mirto reads: the name must end in .csv, .tsv, .txt, .sav, .zsav, "
                        ".dta or .sas7bdat");
  return nullptr;
}

Profiler::Profiler(const DataFile& file)
    : m_file(file), m_seen(file.Variables().size()), m_text(file.Variables().size()) {
  m_profile.variables.resize(file.Variables().size());
}

void Profiler::Add(std::span<const Value> values) {
  ++m_profile.rows;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Value& v = values[i];
    if (v.missing) {
      ++m_profile.variables[i].missing;
      continue;
    }
    m_seen[i] = true;
    if (!v.numeric) m_text[i] = true;
  }
}

DataProfile Profiler::Result() const {
  DataProfile profile = m_profile;
  for (std::size_t i = 0; i < profile.variables.size(); ++i)
    profile.variables[i].type =
        !m_seen[i] ? m_file.Variables()[i].type : (m_text[i] ? VariableType::Text : VariableType::Numeric);
  return profile;
}

std::optional<DataProblem> Profile(const DataFile& file, DataProfile& profile) {
  std::vector<std::size_t> columns(file.Variables().size());
  for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = i;
  Profiler profiler(file);
  auto problem = file.Scan(columns, [&](long long, std::span<const Value> values) {
    profiler.Add(values);
    return true;
  });
  profile = profiler.Result();
  return problem;
}

}  // namespace mirto::data
