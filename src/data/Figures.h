#pragma once
// Which fields of which forms the data supply, and the summary behind each.
// Each estimation command's row in its family's table names its figures
// (CommandFigures) beside its forms; the definitions are those that make
// each form's formula the textbook design-based estimate (docs/data.md gives
// them in words).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSession.h"
#include "framework/Codes.h"

namespace mirto {
struct Command;
class Form;
struct FormTemplate;
}  // namespace mirto

namespace mirto::data {

// What the data put into a field. Moments are those of all units, or, on a
// per-group form, of the group.
enum class FieldSource : std::uint8_t {
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

// A field the data fill, named as its form names it (Control::Key: the
// label, or the short name of a field without one).
struct DataField {
  std::string_view field;
  FieldSource source;
};

// The prediction models: which form begins the road whose figures a model
// may leave undefined (a point estimate or an interval).
enum class ModelRoad : std::uint8_t { None, Point, Interval };

// One form a command shows and the fields the data fill; the user types the others.
struct FormFigures {
  const FormTemplate* form;
  bool perGroup;  // an entry loop: one row per stratum or group (or per unit)
  std::vector<DataField> fields;
  ModelRoad road = ModelRoad::None;
};

// An estimation command's figures. The prediction approach chooses its
// model and objective on its first form, so one definition names the forms
// of every road the data answer, and `notFromData` those of the roads they
// do not.
struct CommandFigures {
  ScanPlan plan;
  std::vector<FormFigures> forms;
  std::vector<const FormTemplate*> notFromData = {};
};

// Whether a form of the definition takes `source`.
bool Uses(const CommandFigures& definition, FieldSource source);
// What the data put into field `key` of a form, if anything.
std::optional<FieldSource> SourceOf(const FormFigures& form, std::string_view key);

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
  // The strata's or groups' names, in the order of the block's rows (none without them).
  const std::vector<std::string>& GroupNames() const { return m_scan.groups; }
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
  double Number(FieldSource source, std::size_t group, bool perGroup) const;
  std::string Text(FieldSource source, std::size_t group, bool perGroup) const;
  // The note's line on counted group sizes, where they are counted.
  std::optional<std::string> CountedSizes() const;

  const Command* m_command = nullptr;
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
