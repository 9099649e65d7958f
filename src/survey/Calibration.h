#pragma once
// Weights calibrated to population totals: post-stratification and raking
// give a factor g per cell of crossed categories, linear calibration (GREG)
// g = 1 + x'lambda per unit from its terms x, within bounds where given. One
// pass over the file gathers what they need (sums per cell; for linear
// calibration the cross-products of the terms); the factors are kept, never
// the rows, and each estimate finds a row's g again from its values. Every
// replicate of a replicate design is calibrated the same way, as R survey
// does; a Taylor variance takes the calibration residuals (Accumulate.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "data/DataFile.h"
#include "framework/Sums.h"
#include "survey/Accumulate.h"
#include "survey/Codes.h"
#include "survey/Design.h"
#include "survey/Recent.h"
#include "survey/Request.h"
#include "survey/Totals.h"

namespace mirto::survey {

// A variable of the calibration: categorical (a margin, or one of crossed
// post-strata) with a total per category, or a numeric term of linear
// calibration with its total.
struct CalibrationVariable {
  std::string name;  // as the file names it
  std::size_t column = 0;
  bool numeric = false;
  Codes categories;
  std::vector<double> totals;        // by category number; numeric: the one total
  std::vector<long long> totalRows;  // their rows in the totals file
  long long firstTotalRow = 0;
  // Linear calibration: by category number (numeric: one), the coordinate of
  // the term among the auxiliary variables (kNoCoordinate: the first
  // category, left out as R's model matrix leaves it out), and lambda, full
  // sample then each replicate.
  std::vector<std::uint32_t> coordinate;
  std::vector<double> lambda;
};

inline constexpr std::uint32_t kNoCoordinate = ~std::uint32_t{0};

inline constexpr std::size_t kGBins = 20;
// The bin of g among `bins` equal ones from low to high (high in the last).
std::size_t GBin(double g, double low, double high, std::size_t bins);

// Crossed categories of the categorical variables, as the sample has them.
struct Cell {
  std::vector<std::uint32_t> categories;  // by categorical variable, in their order
  Wide design;                            // the sum of the design weights
  std::vector<Wide> replicates;           // the sums of each replicate weight
  long long rows = 0, positive = 0;       // units, and those weighted above 0
  long long firstRow = 0;
  double total = 0;  // post-stratification: the cell's total
  long long totalRow = 0;
  double g = 1;
  std::vector<double> replicateG;
  std::vector<double> steps;  // raking: g after each margin's step of the last sweep
};

// A line of the block's table: a total and the sample's weighted value before
// and after calibration.
struct TotalFigure {
  std::string variable, category;  // category empty: a numeric variable's total
  double total = 0, before = 0, after = 0;
  long long row = 0;  // of the totals file
};

struct CalibrationFigures {
  std::vector<TotalFigure> totals;
  long long units = 0, negative = 0;  // units, and calibrated weights below 0
  double sumBefore = 0, sumAfter = 0;
  double gMin = 0, gQ1 = 0, gMedian = 0, gQ3 = 0, gMax = 0;
  // Units by g in kGBins equal bins from gMin to gMax, the last closed; one
  // bin holds them all where every g is the same.
  std::vector<long long> gCounts;
  int iterations = 0;     // raking: sweeps; linear with bounds: Newton steps; else 0
  double lastChange = 0;  // raking: the largest change of a cell's weighted count in the last sweep
  double tolerance = 0;   // raking: epsilon as such a change
  double largestDifference = 0;
  double scale = 1;                      // linear with bounds: the weights scaled first, as R's grake does
  std::vector<std::size_t> unconverged;  // replicates (1..R) that did not meet their totals within the bounds
};

class Calibration {
 public:
  // Where a row stands: its cell, and its categories and numeric values.
  struct Place {
    std::size_t cell = 0;
    std::vector<std::uint32_t> category;  // by variable (categorical ones)
    std::vector<double> value;            // by variable (numeric ones)
  };

  CalibrateRequest request;
  std::string totalsFile;  // as messages name it
  std::vector<CalibrationVariable> variables;
  std::vector<Cell> cells;
  bool hasCells = false;  // post-stratification, raking, linear on categories alone
  std::size_t replicates = 0;
  double low = 0, high = 0;  // linear: the bounds on g
  // Linear: the constant's coordinate where there is a categorical variable, and its lambda by replicate.
  std::uint32_t interceptCoordinate = kNoCoordinate;
  std::vector<double> intercept;
  std::vector<double> scales;  // linear with bounds: full sample, then each replicate
  CalibrationFigures figures;
  std::optional<std::pair<long long, long long>> stamp;  // the file's, as for the design
  std::unique_ptr<Residuals> residuals;                  // Taylor designs

  bool Linear() const { return request.method == CalibrationMethod::Linear; }
  bool Bounded() const { return request.bounds.has_value(); }
  std::vector<std::size_t> Columns() const;
  // Once the variables are known: which are crossed into cells.
  void Prepare();

  // The row's place from its values of Columns(); false where a value is not
  // one the calibration saw.
  bool Locate(std::span<const data::Value> values, Place& place) const;
  // The same while the calibration pass meets the values: categories and
  // cells added, each value checked (what is wrong, and with which variable).
  std::optional<std::pair<std::size_t, std::string>> Learn(std::span<const data::Value> values, long long row,
                                                           Place& place);
  // g of the full sample (r = 0) or of replicate r (1..R).
  double G(const Place& place, std::size_t r = 0) const;
  // x' lambda before bounds: linear calibration.
  double Eta(const Place& place, std::size_t r) const;
  // The auxiliary terms of the residuals, and a unit's weight in their moments.
  void Terms(const Place& place, std::vector<AuxTerm>& terms) const;
  double MomentWeight(double designWeight) const;

 private:
  std::vector<PairIndex> m_chain;  // cells: crossed one variable at a time
  std::vector<std::size_t> m_categorical;
  std::vector<std::size_t> m_cellOfChain;  // the last link's number -> cell
};

// Reads the design's weights and the calibration's variables once (more for
// linear calibration with numeric terms) and calibrates. Each refusal names
// the file, the row and the variable.
std::variant<Calibration, data::DataProblem> Calibrate(const data::DataFile& file, const Design& design,
                                                       const CalibrateRequest& request, const Totals& totals);

// The statement as it was given ("rake=region,sex totals=pop.csv").
std::string CalibrationText(const Calibration& calibration);
std::string CalibrationText(const CalibrateRequest& request);
// The g factors' minimum, quartiles and maximum, as the block gives them.
std::string GFactorSummary(const Calibration& calibration);

}  // namespace mirto::survey
