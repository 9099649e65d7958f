#pragma once
// What the survey tests share: scripts run in tests/scripts/survey, a folder
// of their own for files they write, the estimates table of a block, and the
// check that every number a block prints is among its record's figures.
#include <filesystem>
#include <string>
#include <string_view>

#include "framework/Results.h"
#include "journal/CTervoDoc.h"

namespace mirto::test {

// Runs scripts in tests/scripts/survey, where their data files are.
class InSurveyFolder {
 public:
  InSurveyFolder();
  ~InSurveyFolder();
  InSurveyFolder(const InSurveyFolder&) = delete;
  InSurveyFolder& operator=(const InSurveyFolder&) = delete;

 private:
  std::filesystem::path m_before;
};

// A temporary folder, removed with everything in it.
struct DataDir {
  DataDir();
  ~DataDir();
  DataDir(const DataDir&) = delete;
  DataDir& operator=(const DataDir&) = delete;
  std::string Write(const std::string& name, const std::string& text) const;
  std::filesystem::path path;
};

const Table& TableOf(const CompletedBlock& block, std::string_view key, Section section = Section::Results);
// A number cell of a table by its column's name; NaN where there is no such column.
double At(const Table& t, std::size_t row, std::string_view column);
void ExpectClose(double actual, double expected, double relative = 1e-13);

// Every number a line of the block prints that is not among the record's
// figures or text cells (lines that repeat a statement aside).
std::string Unrecorded(const CTervoDoc& doc, const CompletedBlock& block);

}  // namespace mirto::test
