#pragma once
// The command registry: one row per calculation command of the "Select
// approach:" menu, from which the menu tree, the randomization dispatcher's
// routes, `--list-commands`, the batch front end, the help and the tests all
// work. The prediction dispatcher's routes (model and objective to form and
// calculation) are a second, short table here.
#include <span>
#include <string_view>

#include "framework/Codes.h"
#include "framework/Entry.h"
#include "framework/Help.h"

namespace mirto {

class CTervoDoc;

// A calculation (or the prediction dispatcher): 1 when it appended a block.
using Routine = int (*)(CTervoDoc&);

// A calculation that is an operation of the document.
template <int (CTervoDoc::*operation)()>
int Op(CTervoDoc& doc) {
  return (doc.*operation)();
}

// The form a dispatcher shows before the routine: its values are stored in
// the calculator state as read, then checked.
struct PreliminaryStep {
  const FormTemplate* form;
  std::span<const Item<CTervoDoc>> items;
  // The checks; what may be stored only once they pass is stored here too.
  bool (*accept)(CTervoDoc&);
};

struct Command {
  int id;
  std::string_view path;  // below "Random sampling", segments joined by " > "; "Prediction" for prediction
  Approach approach;
  Method method;  // the codes the command writes (randomization only)
  Target target;
  Objective objective;
  Estimator estimator;
  std::string_view prompt;      // status-bar text
  const PreliminaryStep* step;  // nullptr: no preliminary form
  Routine routine;              // the calculation, or the prediction dispatcher
  CommandHelp help;
};

// A disabled label item heading a submenu ("Method:", "Target:", ...).
struct LabelItem {
  int id;
  std::string_view text;
  std::string_view submenu;  // path of the submenu it heads; "" is "Random sampling"
  std::string_view prompt;
};

struct PredictionRoute {
  bool modelE;  // Model E, or one of Models A to D
  Objective objective;
  const PreliminaryStep* step;
  Routine routine;
};

inline constexpr int kPredictionCommand = 32772;
inline constexpr int kRepeatRandomization = 32773;  // no menu item: the codes as they stand
inline constexpr int kRepeatPrediction = 32774;     // no menu item: as "Prediction"
inline constexpr std::string_view kApproachMenu = "Select approach:";
inline constexpr std::string_view kRandomSamplingMenu = "Random sampling";
inline constexpr std::string_view kPredictionMenu = "Prediction";

// Every command with a menu item, in menu order: the randomization leaves,
// then "Prediction".
std::span<const Command> Commands();
std::span<const LabelItem> LabelItems();
std::span<const PredictionRoute> PredictionRoutes();

const Command* FindCommand(int id);
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
