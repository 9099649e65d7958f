#include "framework/Commands.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace mirto {
namespace {

#define MEAN "Mean/total of variable"
#define PROP "Proportion/number in category"
#define RATIO "Ratio of means/totals"
#define PT "Point estimates"
#define IV "Interval estimates"
#define TH "Th. std. dev. of estimator"
#define SS "Sample size"

constexpr Command kCommands[] = {
    {32804, "Simple > " MEAN " > " PT " > Simple", 1, 1, 1, 1, "M: Simple, T: Mean/variable, O: Point; E: Simple"},
    {32805, "Simple > " MEAN " > " PT " > Ratio", 1, 1, 1, 2, "M: Simple, T: Mean/total, O: Point, E: Ratio"},
    {32806, "Simple > " MEAN " > " PT " > Regression", 1, 1, 1, 3, "M: Simple, T: Mean/total, O: Point, E: Regression"},
    {32810, "Simple > " MEAN " > " IV " > Simple", 1, 1, 2, 1, "M: Simple, T: Mean/total, O: IntervalEst, E: Simple"},
    {32811, "Simple > " MEAN " > " IV " > Ratio", 1, 1, 2, 2, "M: Simple, T: Mean/total, O: IntervalEst, E: Ratio"},
    {32812, "Simple > " MEAN " > " IV " > Regression", 1, 1, 2, 3,
     "M: Simple, T: Mean/total, O: IntervalEst, E: Regression"},
    {32814, "Simple > " MEAN " > " TH " > Simple", 1, 1, 3, 1, "M: Simple, T: Mean/total, O: ThStdDevEst, E: Simple"},
    {32815, "Simple > " MEAN " > " TH " > Ratio", 1, 1, 3, 2, "M: Simple, T: Mean/total, O: ThStdDevEst, E: Ratio"},
    {32816, "Simple > " MEAN " > " TH " > Regression", 1, 1, 3, 3,
     "M: Simple, T: Mean/total, O: ThStdDevEst, E: Regression"},
    {32818, "Simple > " MEAN " > " SS " > Simple", 1, 1, 4, 1, "M: Simple, T: Mean/total, O: SampleSize, E: Simple"},
    {32819, "Simple > " MEAN " > " SS " > Ratio", 1, 1, 4, 2, "M: Simple, T: Mean/total, O: SampleSize, E: Ratio"},
    {32820, "Simple > " MEAN " > " SS " > Regression", 1, 1, 4, 3,
     "M: Simple, T: Mean/total, O: SampleSize, E: Regression"},
    {32822, "Simple > " PROP " > " PT " > Simple", 1, 2, 1, 1, "M: Simple, T: Proportion/number, O: Point, E: Simple"},
    {32826, "Simple > " PROP " > " IV " > Simple", 1, 2, 2, 1,
     "M: Simple, T: Proportion/number, O: IntervalEst, E: Simple"},
    {32831, "Simple > " PROP " > " TH " > Simple", 1, 2, 3, 1,
     "M: Simple, T: Proportion/number, O: ThStdDevEst, E: Simple"},
    {32835, "Simple > " PROP " > " SS " > Simple", 1, 2, 4, 1,
     "M: Simple, T: Proportion/number, O: SampleSize, E: Simple"},
    {32839, "Simple > " RATIO " > " PT, 1, 3, 1, 8, "M: Simple, T: Ratio; O: Point, E: Special"},
    {32840, "Simple > " RATIO " > " IV, 1, 3, 2, 8, "M: Simple, T: Ratio, O: IntervalEst, E: Special"},
    {32841, "Simple > " RATIO " > " TH, 1, 3, 3, 8, "M: Simple, T: Ratio, O: ThStdDevEst, E: Special"},
    {32842, "Simple > " RATIO " > " SS, 1, 3, 4, 8, "M: Simple, T: Ratio, O: SampleSize, E: Special"},
    {32852, "Stratified > " MEAN " > " PT, 2, 1, 1, 4, "M: Stratified, T:Mean/total, O: Point, E: Stratified"},
    {32853, "Stratified > " MEAN " > " IV, 2, 1, 2, 4, "M: Stratified, T: Mean/total, O: IntervalEst, E: Stratified"},
    {32854, "Stratified > " MEAN " > " TH, 2, 1, 3, 4, "M: Stratified, T: Mean/total, O: ThStdDevEst, E: Stratified"},
    {32855, "Stratified > " MEAN " > " SS, 2, 1, 4, 4, "M: Stratified, T: Mean/total, O: SampleSize, E: Stratified"},
    {32856, "Stratified > " MEAN " > Optimal allocation", 2, 1, 5, 4,
     "M: Stratified, T: Mean/total, O: OptAllocation, E: Stratified"},
    {32857, "Stratified > " MEAN " > Min. cost allocation", 2, 1, 6, 4,
     "M: Stratified, T: Mean/total, O: MinCostAllocation, E: Stratified"},
    {32845, "Stratified > " PROP " > " PT, 2, 2, 1, 4, "M: Stratified, T: Proportion/number, O: Point, E: Stratified"},
    {32846, "Stratified > " PROP " > " IV, 2, 2, 2, 4,
     "M: Stratified, T: Proportion/number, O: IntervalEst, E: Stratified"},
    {32847, "Stratified > " PROP " > " TH, 2, 2, 3, 4,
     "M: Stratified, T: Proportion/number, O: ThStdDevEst, E: Stratified"},
    {32848, "Stratified > " PROP " > " SS, 2, 2, 4, 4,
     "M: Stratified, T: Proportion/number, O:SampleSize, E: Stratified"},
    {32849, "Stratified > " PROP " > Optimal allocation", 2, 2, 5, 4,
     "M: Stratified, T: Proportion/number, O: OptAllocation, E: Stratified"},
    {32850, "Stratified > " PROP " > Min. cost allocation", 2, 2, 6, 4,
     "M: Stratified, T: Proportion/number, O: MinCostAllocation, E: Stratified"},
    {32863, "Cluster > " MEAN " > " PT, 3, 1, 1, 5, "M: Cluster, T: Mean/total, O: Point, E: Two-stage"},
    {32864, "Cluster > " MEAN " > " IV, 3, 1, 2, 5, "M: Cluster, T: Mean/total, O: IntervalEst, E: Two-stage"},
    {32865, "Cluster > " MEAN " > " TH, 3, 1, 3, 5, "M: Cluster, T: Mean/total, O: ThStdDevEst, E: Two-stage"},
    {32867, "Cluster > " PROP " > " PT, 3, 2, 1, 5, "M: Cluster, T: Proportion/number, O: Point, E: Two-stage"},
    {32868, "Cluster > " PROP " > " IV, 3, 2, 2, 5, "M: Cluster, T: Proportion/number, O: IntervalEst, E: Two-stage"},
    {32869, "Cluster > " PROP " > " TH, 3, 2, 3, 5, "M: Cluster, T: Proportion/number, O: ThStdDevEst, E: Two-stage"},
    {32877, "Two-stage > " MEAN " > " PT, 4, 1, 1, 5, "M: Two-stage, T: Mean/total, O: Point, E: Two-stage"},
    {32921, "Two-stage > " MEAN " > " IV, 4, 1, 2, 5, "M: Two-stage, T: Mean/total, O: IntervalEst, E: Two-stage"},
    {32920, "Two-stage > " MEAN " > " TH, 4, 1, 3, 5, "M: Two-stage, T: Mean/total, O: ThStdDevEst, E: Two-stage"},
    {32927, "Two-stage > " PROP " > " PT, 4, 2, 1, 5, "M: Two-stage, T: Proportion/number, O: Point, E: Two-stage"},
    {32925, "Two-stage > " PROP " > " IV, 4, 2, 2, 5,
     "M: Two-stage, T: Proportion/number, O: IntervalEst, E: Two-stage"},
    {32926, "Two-stage > " PROP " > " TH, 4, 2, 3, 5,
     "M: Two-stage, T: Proportion/number, O: ThStdDevEst, E: Two-stage"},
    {32896, "Un.Prob.WithRepl. > " MEAN " > " PT, 5, 1, 1, 7, "M: UnProbWithRepl, T: Mean/total, O: Point; E: HHE"},
    {32928, "Un.Prob.WithRepl. > " MEAN " > " IV, 5, 1, 2, 7,
     "M: UnProbWithRepl, T: Mean/total, O: IntervalEst,  E: HHE"},
    {32929, "Un.Prob.WithRepl. > " MEAN " > " TH, 5, 1, 3, 7,
     "M: UnProbWithRepl, T: Mean/total, O: ThStdDevEst,  E: HHE"},
    {32931, "Un.Prob.WithRepl. > " PROP " > " PT, 5, 2, 1, 7,
     "M: UnProbWithRepl, T: Proportion/number, O: Point; E: HHE"},
    {32932, "Un.Prob.WithRepl. > " PROP " > " IV, 5, 2, 2, 7,
     "M: UnProbWithRepl, T: Proportion/number, O: IntervalEst; E: HHE"},
    {32933, "Un.Prob.WithRepl. > " PROP " > " TH, 5, 2, 3, 7,
     "M: UnProbWithRepl, T: Proportion/number, O: ThStdDevEst, E: HHE"},
    {32892, "Un.Prob.WithoutRepl. > " MEAN " > " PT, 6, 1, 1, 6, "M: UnPrWithoutRepl, T: Mean/total, O: Point, E: HTE"},
    {32934, "Un.Prob.WithoutRepl. > " MEAN " > " IV, 6, 1, 2, 6,
     "M: UnPrWithoutRepl, T: Mean/total, O: IntervalEst, E: HTE"},
    {32935, "Un.Prob.WithoutRepl. > " MEAN " > " TH, 6, 1, 3, 6,
     "M: UnPrWithoutRepl, T: Mean/total, O: ThStdDevEst, E: HTE"},
    {32937, "Un.Prob.WithoutRepl. > " PROP " > " PT, 6, 2, 1, 6,
     "M: UnPrWithoutRepl, T: Proportion/number, O: IntervalEst, E: HTE"},
    {32938, "Un.Prob.WithoutRepl. > " PROP " > " IV, 6, 2, 2, 6,
     "M: UnPrWithoutRepl, T: Proportion/number, O: IntervalEst, E: HTE"},
    {32939, "Un.Prob.WithoutRepl. > " PROP " > Th. std.dev. of estimator", 6, 2, 3, 6,
     "M: UnPrWithoutRepl, T: Proportion/number, O: ThStdDevEst, E: HTE"},
};

#define TARGET_PROMPT "Target population characteristic"
#define OBJECTIVE_PROMPT "Objective of calculations"
#define ESTIMATOR_PROMPT "Available estimators"

constexpr LabelItem kLabels[] = {
    {32940, "Method:", "", ""},
    {32802, "Target:", "Simple", TARGET_PROMPT},
    {32843, "Target:", "Stratified", TARGET_PROMPT},
    {32858, "Target:", "Cluster", TARGET_PROMPT},
    {32870, "Target:", "Two-stage", TARGET_PROMPT},
    {32880, "Target:", "Un.Prob.WithRepl.", TARGET_PROMPT},
    {32885, "Target:", "Un.Prob.WithoutRepl.", TARGET_PROMPT},
    {32803, "Objective:", "Simple > " MEAN, OBJECTIVE_PROMPT},
    {32809, "Objective:", "Simple > " PROP, OBJECTIVE_PROMPT},
    {32838, "Objective:", "Simple > " RATIO, OBJECTIVE_PROMPT},
    {32851, "Objective:", "Stratified > " MEAN, OBJECTIVE_PROMPT},
    {32844, "Objective:", "Stratified > " PROP, OBJECTIVE_PROMPT},
    {32862, "Objective:", "Cluster > " MEAN, OBJECTIVE_PROMPT},
    {32866, "Objective:", "Cluster > " PROP, OBJECTIVE_PROMPT},
    {32872, "Objective:", "Two-stage > " MEAN, OBJECTIVE_PROMPT},
    {32876, "Objective:", "Two-stage > " PROP, OBJECTIVE_PROMPT},
    {32895, "Objective:", "Un.Prob.WithRepl. > " MEAN, OBJECTIVE_PROMPT},
    {32881, "Objective:", "Un.Prob.WithRepl. > " PROP, OBJECTIVE_PROMPT},
    {32891, "Objective:", "Un.Prob.WithoutRepl. > " MEAN, OBJECTIVE_PROMPT},
    {32887, "Objective:", "Un.Prob.WithoutRepl. > " PROP, OBJECTIVE_PROMPT},
    {32807, "Estimator:", "Simple > " MEAN " > " PT, ESTIMATOR_PROMPT},
    {32813, "Estimator:", "Simple > " MEAN " > " IV, ESTIMATOR_PROMPT},
    {32817, "Estimator:", "Simple > " MEAN " > " TH, ESTIMATOR_PROMPT},
    {32821, "Estimator:", "Simple > " MEAN " > " SS, ESTIMATOR_PROMPT},
    {32825, "Estimator:", "Simple > " PROP " > " PT, ESTIMATOR_PROMPT},
    {32829, "Estimator:", "Simple > " PROP " > " IV, ESTIMATOR_PROMPT},
    {32830, "Estimator:", "Simple > " PROP " > " TH, ESTIMATOR_PROMPT},
    {32834, "Estimator:", "Simple > " PROP " > " SS, ESTIMATOR_PROMPT},
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> Segments(std::string_view path) {
  std::vector<std::string_view> out;
  for (;;) {
    std::size_t gt = path.find('>');
    out.push_back(Trim(path.substr(0, gt)));
    if (gt == std::string_view::npos) return out;
    path.remove_prefix(gt + 1);
  }
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool SamePath(std::string_view a, std::string_view b) {
  auto sa = Segments(a), sb = Segments(b);
  return std::equal(sa.begin(), sa.end(), sb.begin(), sb.end(), SameText);
}

}  // namespace

std::span<const Command> RandomizationCommands() { return kCommands; }
std::span<const LabelItem> LabelItems() { return kLabels; }

const Command* FindCommand(int id) {
  for (const Command& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

int FindCommandId(std::string_view path) {
  if (SamePath(path, kPredictionMenu)) return kPredictionCommand;
  for (const Command& c : kCommands)
    if (SamePath(path, c.path)) return c.id;
  return 0;
}

}  // namespace mirto
