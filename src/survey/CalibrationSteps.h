#pragma once
// The steps of a calibration in the files of their methods: Calibrate.cpp
// reads the file and the totals and runs them; CellMethods.cpp has
// post-stratification and raking, Greg.cpp linear calibration.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/DataFile.h"
#include "survey/Calibration.h"

namespace mirto::survey::steps {

// Units one at a time (a pass over the file), or a cell's units at once
// (`rows` of them, `positive` weighted above 0, d and the replicate weights
// their sums): every figure of a calibration adds up over units.
using UnitVisit = std::function<void(const Calibration::Place& place, double d, std::span<const double> replicates,
                                     long long rows, long long positive)>;
using UnitSource = std::function<std::optional<data::DataProblem>(const UnitVisit&)>;

// What calibrations refer to in their messages.
struct Names {
  std::string data;                     // the data file
  std::vector<std::string> replicates;  // the replicate weights' variables
};

// The sums of w x and w x x' over the units for linear calibration, for the
// design weight and each replicate weight, x the terms: a constant, each
// numeric variable and the indicator of each category (numbered as they come).
class LinearMoments {
 public:
  explicit LinearMoments(const Calibration& c);
  void Add(const Calibration::Place& place, double d, std::span<const double> replicates);
  // The number of a variable's category (numeric: 0) among the terms; kNoCoordinate where none came.
  std::uint32_t Term(std::size_t variable, std::size_t category) const;
  std::uint32_t Constant() const { return m_constant; }
  Wide Cross(std::uint32_t a, std::uint32_t b, std::size_t r) const;
  Wide Sum(std::uint32_t a, std::size_t r) const { return m_sums[a * m_columns + r]; }

 private:
  std::uint32_t NewTerm();

  std::size_t m_columns;
  std::uint32_t m_constant = 0;
  std::vector<bool> m_numeric;
  std::vector<std::vector<std::uint32_t>> m_term;  // by variable: by category
  std::vector<std::vector<Wide>> m_cross;          // row a: (b, r) for b <= a
  std::vector<Wide> m_sums;
  std::vector<std::pair<std::uint32_t, double>> m_row;
};

std::optional<data::DataProblem> PostStratify(Calibration& c, const Names& names);
std::optional<data::DataProblem> Rake(Calibration& c, const Names& names);
std::optional<data::DataProblem> Linear(Calibration& c, const Names& names, const LinearMoments& moments,
                                        const UnitSource& units);

// A cell's categories as the block names them: "E*Yes".
std::string CellName(const Calibration& c, const Cell& cell);

// Exact order statistics of values met with counts, 16 bits of their order
// at a time: four passes over them at most.
class OrderStatistics {
 public:
  explicit OrderStatistics(std::vector<long long> ranks);  // 0-based
  bool Done() const;
  void Add(double value, long long count);
  void EndPass();
  double Value(std::size_t i) const;

 private:
  struct Target {
    long long rank;
    std::uint64_t prefix = 0;
    int bits = 0;
    std::vector<long long> counts;
  };
  std::vector<Target> m_targets;
};

}  // namespace mirto::survey::steps
