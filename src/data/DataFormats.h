#pragma once
// The readers behind OpenDataFile, one per family of formats, and what they
// share in reading a cell.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "data/DataFile.h"

namespace mirto::data {

std::unique_ptr<DataFile> OpenDelimitedFile(const std::string& path, std::optional<DataProblem>& problem);

enum class StatFormat : std::uint8_t { Spss, Stata, Sas };
std::unique_ptr<DataFile> OpenStatFile(const std::string& path, StatFormat format, std::optional<DataProblem>& problem);

inline DataProblem MakeProblem(std::string file, std::string text, long long row = 0, long long line = 0,
                               std::string variable = {}) {
  DataProblem p;
  p.file = std::move(file);
  p.row = row;
  p.variable = std::move(variable);
  p.text = std::move(text);
  p.line = line;
  return p;
}

// A cell of a text file as a value: `text` stays as given.
Value ReadCell(std::string_view text);

}  // namespace mirto::data
