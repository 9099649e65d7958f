#pragma once
// The calculation commands of the "Select approach:" menu and its label items:
// one table from which the menus, the batch front end and the tests all work.
#include <span>
#include <string_view>

namespace mirto {

// Selection codes.
enum Method { kSimple = 1, kStratified, kCluster, kTwoStage, kWithReplacement, kWithoutReplacement };
enum Target { kMeanTotal = 1, kProportionNumber, kRatioOfMeans };
enum Objective { kPoint = 1, kInterval, kThStdDev, kSampleSize, kOptimalAllocation, kMinCostAllocation };
enum Estimator { kSimpleEst = 1, kRatioEst, kRegressionEst, kStratifiedEst, kTwoStageEst, kHte, kHhe, kSpecialEst };

struct Command {
  int id;
  std::string_view path;  // below "Random sampling", segments joined by " > "
  int method, target, objective, estimator;
  std::string_view prompt;  // status-bar text
};

// A disabled label item heading a submenu ("Method:", "Target:", ...).
struct LabelItem {
  int id;
  std::string_view text;
  std::string_view submenu;  // path of the submenu it heads; "" is "Random sampling"
  std::string_view prompt;
};

inline constexpr int kPredictionCommand = 32772;
inline constexpr int kRepeatRandomization = 32773;  // no menu item: the codes as they stand
inline constexpr int kRepeatPrediction = 32774;     // no menu item: as "Prediction"
inline constexpr std::string_view kPredictionPrompt = "Prediction approach";
inline constexpr std::string_view kApproachMenu = "Select approach:";
inline constexpr std::string_view kRandomSamplingMenu = "Random sampling";
inline constexpr std::string_view kPredictionMenu = "Prediction";

// The randomization commands in menu order.
std::span<const Command> RandomizationCommands();
std::span<const LabelItem> LabelItems();

const Command* FindCommand(int id);
// A path below "Random sampling" (or "Prediction"), compared segment by segment
// without regard to case or surrounding blanks. Returns the command id or 0.
int FindCommandId(std::string_view path);

}  // namespace mirto
