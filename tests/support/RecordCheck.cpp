#include "support/RecordCheck.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace mirto::test {
namespace {

bool NamePart(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '^'; }
bool Digit(char c) { return c >= '0' && c <= '9'; }

// The value as the report would print it with `decimals` decimals ("%.Nf").
std::string Printed(double value, int decimals) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[400];
  const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, r.ptr);
}

bool Holds(const Record& record, const std::string& number) {
  const std::size_t point = number.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
  auto same = [&](double v) { return Printed(v, decimals) == number; };
  // Extras: additional figures a block prints among its own lines.
  for (const auto* figures : {&record.inputs(), &record.results(), &record.figures(Section::Extras)})
    for (const Figure& f : *figures)
      if (same(f.value)) return true;
  std::size_t rows = 0;
  for (const Table& t : record.tables()) {
    rows = std::max(rows, t.rows());
    for (std::size_t r = 0; r < t.rows(); ++r)
      for (std::size_t c = 0; c < t.columns().size(); ++c)
        if (same(t.at(r, c))) return true;
  }
  // Row numbers of a table: 1 to its row count.
  if (decimals == 0 && !number.empty() && Digit(number[0]) && number.size() < 10)
    return std::stoul(number) >= 1 && std::stoul(number) <= rows;
  return false;
}

}  // namespace

std::vector<std::string> PrintedNumbers(std::string_view line) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < line.size();) {
    const bool startsName = i > 0 && NamePart(line[i - 1]);
    std::size_t j = i;
    if (line[j] == '-') ++j;
    std::size_t k = j;
    if (line.substr(k, 3) == "inf" || line.substr(k, 3) == "nan") {
      k += 3;
    } else {
      while (k < line.size() && Digit(line[k])) ++k;
      if (k == j) {
        ++i;
        continue;
      }
      if (k + 1 < line.size() && line[k] == '.' && Digit(line[k + 1]))
        for (++k; k < line.size() && Digit(line[k]);) ++k;
    }
    const bool endsName = k < line.size() && NamePart(line[k]);
    if (!startsName && !endsName) out.emplace_back(line.substr(i, k - i));
    i = k;
  }
  return out;
}

std::string MissingFigures(const CTervoDoc& doc, const CompletedBlock& block) {
  std::string missing;
  const Journal& journal = doc.GetJournal();
  for (std::size_t i = block.firstLine; i < block.NoteEnd() + block.ownExtraLines; ++i) {
    if (i == block.firstLine + block.lines) i = block.NoteEnd();  // the data note names, it does not report
    if (i == block.NoteEnd() + block.ownExtraLines) break;
    for (const std::string& number : PrintedNumbers(journal[i])) {
      if (Holds(block.record, number)) continue;
      missing += "\n  " + number + " in \"" + std::string(journal[i]) + "\"";
    }
  }
  return missing;
}

std::vector<std::string> RecordKeys(const Record& record) {
  std::vector<std::string> keys;
  for (const auto* figures : {&record.inputs(), &record.results()})
    for (const Figure& f : *figures) keys.emplace_back(f.key);
  for (const Table& t : record.tables()) {
    keys.emplace_back(t.key());
    for (std::string_view c : t.columns()) keys.emplace_back(c);
  }
  return keys;
}

std::string TestSourceDir() { return MIRTO_TEST_SOURCE_DIR; }

}  // namespace mirto::test
