#include "support/SurveyFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include "support/Files.h"
#include "support/RecordCheck.h"

namespace mirto::test {

namespace fs = std::filesystem;

InSurveyFolder::InSurveyFolder() : m_before(fs::current_path()) {
  fs::current_path(TestSourceDir() + "/scripts/survey");
}
InSurveyFolder::~InSurveyFolder() { fs::current_path(m_before); }

DataDir::DataDir() : path(fs::temp_directory_path() / ("mirto-survey-" + std::to_string(::getpid()))) {
  fs::create_directories(path);
}
DataDir::~DataDir() { fs::remove_all(path); }

std::string DataDir::Write(const std::string& name, const std::string& text) const {
  std::ofstream(path / name, std::ios::binary) << text;
  return (path / name).string();
}

const Table& TableOf(const CompletedBlock& block, std::string_view key, Section section) {
  for (const Table& t : block.record.tables())
    if (t.key() == key && t.section() == section) return t;
  throw std::runtime_error("no table " + std::string(key));
}

double At(const Table& t, std::size_t row, std::string_view column) {
  for (std::size_t c = 0; c < t.columns().size(); ++c)
    if (t.columns()[c] == column) return t.at(row, c);
  return std::nan("");
}

void ExpectClose(double actual, double expected, double relative) {
  EXPECT_NEAR(actual, expected, relative * std::fabs(expected)) << "expected " << expected;
}

std::string Unrecorded(const CTervoDoc& doc, const CompletedBlock& block) {
  std::string missing;
  const Record& record = block.record;
  for (std::size_t i = block.firstLine; i < block.NoteEnd() + block.ownExtraLines; ++i) {
    if (i == block.firstLine + block.lines) i = block.NoteEnd();  // the data note names, it does not report
    if (i == block.NoteEnd() + block.ownExtraLines) break;
    const std::string line(doc.GetJournal()[i]);
    // The variables' names and options, as the statements give them.
    if (line.starts_with("Design: ") || line.starts_with("Calibration: ")) continue;
    for (const std::string& number : PrintedNumbers(line)) {
      const std::size_t point = number.find('.');
      const int decimals = point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
      bool found = false;
      auto same = [&](double v) {
        char text[400];
        const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
        return !found && std::isfinite(v) && std::string(text, r.ptr) == number && (found = true);
      };
      for (Section section : {Section::Inputs, Section::Results, Section::Extras})
        for (const Figure& f : record.figures(section)) same(f.value);
      for (const Table& t : record.tables())
        for (std::size_t row = 0; row < t.rows(); ++row)
          for (std::size_t c = 0; c < t.columns().size(); ++c)
            found = found || (t.IsText(c) ? t.text(row, c) == number : same(t.at(row, c)));
      if (!found) missing += "\n  " + number + " in \"" + line + "\"";
    }
  }
  return missing;
}

}  // namespace mirto::test
