#pragma once
// The population totals a calibration reaches: a delimited text file whose
// header names the columns variable, category and total (in any order), a
// line per category of a variable (crossed post-strata: the variables and the
// categories joined by *) and a line with the category empty for a numeric
// variable's total.
#include <array>
#include <string>
#include <variant>
#include <vector>

#include "data/DataFile.h"

namespace mirto::survey {

struct TotalLine {
  std::string variable, category;  // category empty: a numeric variable's total
  double total = 0;
  long long row = 0;  // the file's data row
};

struct Totals {
  std::string file;  // as messages name it
  std::vector<TotalLine> lines;
};

// The lines of a totals file for typed totals (variable, category, total as
// typed), with the header; a field is quoted where a comma, quote or line end
// (or a blank at its edge) would change it.
std::vector<std::string> TotalsFileLines(const std::vector<std::array<std::string, 3>>& rows);

// Every line checked: a name, a number, no (variable, category) twice.
std::variant<Totals, data::DataProblem> ReadTotals(const std::string& path, const std::string& shown);

}  // namespace mirto::survey
