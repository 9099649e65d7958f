#pragma once
// Which fields of which forms the data supply, command by command, and the
// summary behind each. One table per family (Figures*.cpp); the definitions
// are those that make each form's formula the textbook design-based
// estimate (docs/data.md gives them in words).
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/DataSession.h"
#include "framework/Codes.h"

namespace mirto {
struct Command;
class Form;
}  // namespace mirto

namespace mirto::data {

// A field's figure. Moments are those of all units, or, on a per-group
// form, of the group.
enum class Figure : std::uint8_t {
  Typed,           // the user gives it
  Count,           // n (n_i)
  MeanY,           // the average of y (a proportion for a 0/1 y)
  SdYByN,          // sqrt( sum (y - barY)^2 / n )
  MeanX,           // the average of x
  RatioResidSd,    // sqrt( sum (y - r x)^2 / (n - 1) ), r = barY / barX
  RegressResidSd,  // sqrt( sum (y - barY - b (x - barX))^2 / (n - 2) )
  Slope,           // b = sum (x - barX)(y - barY) / sum (x - barX)^2
  VarYByN,         // sum (y - barY)^2 / n (y1 for a ratio of two variables)
  VarXByN,         // sum (x - barX)^2 / n (y2)
  CovByN,          // sum (x - barX)(y - barY) / n
  Groups,          // K, the number of strata or groups in the data
  GroupSize,       // N_i: a size variable, the population file, or the count
  ElementY,        // an element's own y (one form per unit)
  ElementX,        // an element's own x
  ElementProb,     // an element's own selection or inclusion probability
  PairProb,        // the joint inclusion probability of a pair of units (pairs file)
};

// Short names for the family tables.
namespace table {
using F = Figure;
using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;
}  // namespace table

// One form a command shows, and its fields in tab order (every field that
// takes a value, disabled ones included).
struct FormFigures {
  int form;
  bool perGroup;  // an entry loop: one row per stratum or group (or per unit)
  std::vector<Figure> fields;
};

struct CommandFigures {
  Method method;
  Target target;
  Objective objective;
  Estimator estimator;
  ScanPlan plan;
  std::vector<FormFigures> forms;
  std::vector<int> notFromData = {};
};

std::span<const CommandFigures> SrsFigures();
std::span<const CommandFigures> StratifiedFigures();
std::span<const CommandFigures> ClusterFigures();
std::span<const CommandFigures> UnequalFigures();
// The prediction approach: its model and objective are chosen on its first
// form, so one definition names the forms of every road the data answer,
// and `notFromData` those of the roads they do not.
const CommandFigures& PredictionFigures();

// Whether a form of the definition takes `figure`.
bool Uses(const CommandFigures& definition, Figure figure);

// The definition for a command, if the data can answer it.
const CommandFigures* FindFigures(const Command& command);

// One command's figures from the data: per form, per row, the text of each
// field the data supply (nullopt where the user gives it).
class DataAnswers {
 public:
  // Works out the figures of `command`; a problem names file, variable and row.
  std::optional<DataProblem> Prepare(const DataSession& session, const Command& command);
  bool Ready() const { return m_definition != nullptr; }
  // Fills the fields of `form` (row `row`, 1-based, of an entry loop) that
  // the data supply; the control indices it filled. None for a form the
  // command's definition does not name.
  std::vector<std::size_t> Fill(Form& form, long long row) const;
  const std::vector<std::string>& Note() const { return m_note; }
  // Whether `form` begins a road of the command that the data cannot answer.
  bool NotFromData(const Form& form) const;
  // Why the data leave a figure of the road `form` begins undefined (the
  // prediction models, chosen on the command's first form), if they do.
  std::optional<DataProblem> Undefined(const Form& form) const;

 private:
  std::optional<DataProblem> Check(const DataSession& session);
  std::optional<DataProblem> CheckPairs(const DataSession& session);
  std::optional<DataProblem> CheckSizes(const DataSession& session);
  // Why a figure the data supply is undefined or beyond a double, if one is.
  std::optional<DataProblem> CheckDefined(const DataSession& session) const;
  // The figure, or nullopt where the user gives it.
  std::optional<double> Number(Figure figure, std::size_t group, bool perGroup) const;
  std::optional<std::string> Text(Figure figure, std::size_t group, bool perGroup) const;
  // The note's line on counted group sizes, where they are counted.
  std::optional<std::string> CountedSizes() const;

  const CommandFigures* m_definition = nullptr;
  Scan m_scan;
  std::vector<double> m_sizes;  // N_i per group
  std::vector<double> m_joint;  // p_ij of the units' pairs, in the order (1,2), (1,3), ...
  bool m_fromPopulation = false, m_counted = false;
  std::string m_file, m_x;  // the data file and the variable of x, as messages name them
  std::vector<std::string> m_note;
};

// The form's refusal of OK, leaving out the fields in `filled`: a figure
// the data supply goes in at full precision whatever the field's limit.
std::optional<std::string> RefusalOnOk(const Form& form, std::span<const std::size_t> filled);

}  // namespace mirto::data
