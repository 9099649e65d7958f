#pragma once
// The command registry: the rows of the command catalogue (Catalogue.h) and
// the lookups over them, from which the menu tree, the randomization
// dispatcher's routes, `--list-commands`, the batch front end, the help and
// the tests all work. Each family describes its commands in rows at the end
// of its files; the registry reads them through the catalogue and includes
// no family header.
#include <array>
#include <span>
#include <string_view>

#include "framework/Codes.h"
#include "framework/Entry.h"
#include "framework/Help.h"

namespace mirto {

class CTervoDoc;
namespace data {
struct CommandFigures;
}

// A calculation (or the prediction dispatcher): 1 when it appended a block.
using Routine = int (*)(CTervoDoc&);
// The forms a routine shows after the preliminary one; unused places are nullptr.
using RoutineForms = std::array<const FormTemplate*, 5>;

// The form a dispatcher shows before the routine: its values are stored in
// the calculator state as read, then checked.
struct PreliminaryStep {
  const FormTemplate* form;
  std::span<const Item<CalculatorState>> items;
  // The checks; what may be stored only once they pass is stored here too.
  bool (*accept)(CalculatorState&);
};

// The selection codes a command writes.
struct Codes {
  Method method{};
  Target target{};
  Objective objective{};
  Estimator estimator{};
};

// One command: a menu leaf, "Prediction", or the block of a script statement
// (`draw`, `estimate`), which has no routine and no menu item.
struct Command {
  std::string_view key;   // stable symbolic id: "family.target.objective[.estimator]"
  int id = 0;             // the id scripts type
  std::string_view path;  // below "Random sampling", segments joined by " > "; "Prediction" for prediction
  Approach approach = Approach::Randomization;
  Method method{};  // the codes the command writes (randomization only)
  Target target{};
  Objective objective{};
  Estimator estimator{};
  std::string_view prompt;                // status-bar text
  const PreliminaryStep* step = nullptr;  // nullptr: no preliminary form
  Routine routine = nullptr;              // the calculation, or the prediction dispatcher; nullptr for a statement
  CommandHelp help = {};
  // The forms the routine shows after the preliminary one, for the form
  // catalogue and the help.
  RoutineForms forms = {};
  // Where data mode takes the figures of its forms from (data/Figures.h);
  // nullptr where the command takes guesses and runs as typed.
  const data::CommandFigures* figures = nullptr;

  bool IsStatement() const { return routine == nullptr; }
};

// A menu leaf of the randomization approach, its help the topics of its codes
// (the objective's given here when the family adds the objective).
constexpr Command LeafWithHelp(std::string_view key, int id, std::string_view path, Codes codes,
                               std::string_view prompt, const PreliminaryStep* step, Routine routine,
                               RoutineForms forms, const data::CommandFigures* figures, CommandHelp help) {
  return {key,
          id,
          path,
          Approach::Randomization,
          codes.method,
          codes.target,
          codes.objective,
          codes.estimator,
          prompt,
          step,
          routine,
          help,
          forms,
          figures};
}
constexpr Command Leaf(std::string_view key, int id, std::string_view path, Codes codes, std::string_view prompt,
                       const PreliminaryStep* step, Routine routine, RoutineForms forms,
                       const data::CommandFigures* figures = nullptr) {
  return LeafWithHelp(key, id, path, codes, prompt, step, routine, forms, figures,
                      HelpFor(codes.method, codes.target, codes.objective, codes.estimator));
}
constexpr Command Leaf(std::string_view key, int id, std::string_view path, Codes codes, std::string_view prompt,
                       const PreliminaryStep* step, Routine routine, RoutineForms forms,
                       const data::CommandFigures* figures, const HelpTopic& objectiveTopic) {
  return LeafWithHelp(key, id, path, codes, prompt, step, routine, forms, figures,
                      HelpFor(codes.method, codes.target, objectiveTopic, codes.estimator));
}

// A disabled label item heading a submenu ("Method:", "Target:", ...).
struct LabelItem {
  int id;
  std::string_view text;
  std::string_view submenu;  // path of the submenu it heads; "" is "Random sampling"
  std::string_view prompt;
};

inline constexpr std::string_view kTargetPrompt = "Target population characteristic";
inline constexpr std::string_view kObjectivePrompt = "Objective of calculations";
inline constexpr std::string_view kEstimatorPrompt = "Available estimators";

constexpr LabelItem TargetLabel(int id, std::string_view submenu) { return {id, "Target:", submenu, kTargetPrompt}; }
constexpr LabelItem ObjectiveLabel(int id, std::string_view submenu) {
  return {id, "Objective:", submenu, kObjectivePrompt};
}
constexpr LabelItem EstimatorLabel(int id, std::string_view submenu) {
  return {id, "Estimator:", submenu, kEstimatorPrompt};
}

// A road of the prediction dispatcher: a model (A to D, or E) and an
// objective lead to a preliminary form and a calculation.
struct PredictionRoute {
  bool modelE;  // Model E, or one of Models A to D
  Objective objective;
  const PreliminaryStep* step;
  Routine routine;
  RoutineForms forms = {};  // what the routine shows
};

inline constexpr int kRepeatRandomization = 32773;  // no menu item: the codes as they stand
inline constexpr int kRepeatPrediction = 32774;     // no menu item: as "Prediction"
inline constexpr std::string_view kApproachMenu = "Select approach:";
inline constexpr std::string_view kRandomSamplingMenu = "Random sampling";

// Every command with a menu item, in menu order: the randomization leaves,
// then "Prediction".
std::span<const Command> Commands();
// The commands of script statements, without a menu item.
std::span<const Command* const> StatementCommands();
std::span<const LabelItem> LabelItems();
std::span<const PredictionRoute> PredictionRoutes();

// A menu command by id, or nullptr.
const Command* FindCommand(int id);
// The command of the prediction approach.
const Command* PredictionCommand();
// A path below "Random sampling" (or "Prediction"), compared segment by segment
// without regard to case or surrounding blanks. Returns the command id or 0.
int FindCommandId(std::string_view path);

// What the randomization dispatcher does for a set of codes: the command whose
// routine it calls (none: "Selection not coded.") and the form it shows
// first. The estimator chooses only among the simple-random-sampling routines;
// for codes of another method with no routine, the objective's form is still
// shown where every target of it shares one.
struct Route {
  const Command* command;
  const PreliminaryStep* step;
};
Route FindRoute(Method method, Target target, Objective objective, Estimator estimator);
const PredictionRoute* FindPredictionRoute(PredictionModel model, Objective objective);

// Shows the step's form and stores what it holds; "Illegal entry" when the
// checks refuse it. True when the values were accepted.
bool RunPreliminaryStep(CTervoDoc& doc, const PreliminaryStep& step, FormContext context);

}  // namespace mirto
