#pragma once
// The strata of a draw: the small files that give a figure per stratum
// (sizes=, sd=, cost=) and the allocation of a total n among the strata in
// whole numbers, by the rule of the "Allocation of a given n" command.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataFile.h"
#include "select/Request.h"

namespace mirto::select {

// A file of two fields a line: a stratum as the frame writes it and a
// number; a first line whose number is not one is a header.
struct StratumFigure {
  std::string name;
  double value = 0;
  long long line = 0;
};

class StratumFile {
 public:
  // `what` names the figure in messages ("n_h"); `whole`: a whole number 0
  // or more, else a number above 0 (a deviation may also be 0).
  std::optional<data::DataProblem> Read(const std::string& path, const std::string& shown, const char* what, bool whole,
                                        bool zero);
  // The line of a stratum, matched as the population statement matches
  // (the same text, or the same number however written).
  const StratumFigure* Find(std::string_view stratum) const;
  const std::vector<StratumFigure>& Rows() const { return m_rows; }
  const std::string& Shown() const { return m_shown; }

 private:
  std::string m_shown;
  std::vector<StratumFigure> m_rows;
};

// What the allocation sees of a stratum.
struct StratumSize {
  double N = 0;     // its units (or groups)
  double sd = 0;    // Neyman and optimal
  double cost = 1;  // optimal
};

// The whole n_h of `allocation`, adding up to n, each within min(minimum,
// N_h) and N_h; the text of what stops it (n above N, the minimums above n).
std::optional<std::string> Allocate(Allocation allocation, const std::vector<StratumSize>& strata, long long n,
                                    long long minimum, std::vector<long long>& sizes);

}  // namespace mirto::select
