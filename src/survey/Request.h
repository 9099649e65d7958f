#pragma once
// Design-based estimation from survey files. What a user asks, as plain
// values: the statements `design ...` and `estimate ...` fill these, and so
// can a dialog; the design (Design.h) and the estimates (Estimate.h) are
// worked out from them in one pass over the file each, and Report.h writes
// the block.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirto::survey {

// What a stratum with a single PSU contributes to a variance: R survey's
// `survey.lonely.psu` choices.
enum class Lonely : std::uint8_t { Fail, Remove, Certainty, Adjust, Average };

enum class ReplicateType : std::uint8_t { JK1, JKn, BRR, Fay, Bootstrap, SDR };

// Which columns hold the replicate weights: a family PREFIX1..PREFIXR, the
// columns of a range FIRST-LAST of one family, or a list of names.
struct ReplicateColumns {
  enum class Form : std::uint8_t { Prefix, Range, List } form = Form::List;
  std::string prefix;              // Prefix
  std::string first, last;         // Range
  std::vector<std::string> names;  // List
};

struct ReplicateRequest {
  ReplicateColumns columns;
  ReplicateType type = ReplicateType::JK1;
  std::optional<double> rho;    // Fay
  std::optional<double> scale;  // replaces the type's
  std::optional<bool> mse;      // replaces the default (off: centred on the replicates' mean)
};

struct DesignRequest {
  std::string weight;
  std::optional<std::string> strata, psu, fpc;
  bool nest = false;
  Lonely lonely = Lonely::Fail;
  std::optional<ReplicateRequest> replicates;  // none: Taylor linearization
};

enum class Statistic : std::uint8_t { Mean, Total, Proportion, Ratio };

struct EstimateRequest {
  Statistic statistic = Statistic::Mean;
  std::string variable;
  std::string denominator;      // the ratio's
  std::vector<std::string> by;  // none, one, or two crossed
  double level = 95;            // percent
};

// Weights calibrated to known population totals: post-stratification on
// crossed cells, raking on margins (iterative proportional fitting), or
// linear calibration (GREG) on categorical margins and numeric totals.
enum class CalibrationMethod : std::uint8_t { PostStrata, Rake, Linear };

struct CalibrateRequest {
  CalibrationMethod method = CalibrationMethod::PostStrata;
  std::vector<std::string> variables;               // crossed, the margins, or the terms
  std::string totals;                               // the totals file
  double epsilon = 1e-7;                            // raking: below 1, a share of the sum of weights
  int maxit = 50;                                   // raking
  std::optional<std::pair<double, double>> bounds;  // linear: on the g factors
  bool epsilonGiven = false, maxitGiven = false;
};

// `weights out=PATH`: the calibrated weights written beside the file's columns.
struct WeightsRequest {
  std::string out;
};

// Names as the statements write them, and back.
std::string_view LonelyName(Lonely lonely);
std::optional<Lonely> LonelyNamed(std::string_view name);
std::string_view TypeName(ReplicateType type);
std::optional<ReplicateType> TypeNamed(std::string_view name);
std::string_view StatisticName(Statistic statistic);
std::optional<Statistic> StatisticNamed(std::string_view name);
std::string_view MethodName(CalibrationMethod method);  // "poststrata", "rake", "linear"

// The limits on what a variable may hold.
inline constexpr std::size_t kMaxDomainLevels = 10'000;
inline constexpr std::size_t kMaxCategories = 1'000;
inline constexpr double kMinLevel = 50, kMaxLevel = 99.9;
inline constexpr std::size_t kMaxCells = 100'000;  // crossed categories of a calibration
inline constexpr int kMaxIterations = 10'000;

}  // namespace mirto::survey
