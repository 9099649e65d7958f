// The prediction approach from unit-level data, Models A to D: n is the
// number of units, and each sampled element's X and Y go into its form as
// they stand. The population sums of X are typed. Model E (its regression
// coefficients) and the theoretical error variance (a guess of sigma^2)
// take no figures from data.
#include "data/Figures.h"

namespace mirto::data {
namespace {

using namespace table;

const ScanPlan kYX{.numeric = {Role::Y, Role::X}, .by = std::nullopt, .elements = true};

const CommandFigures kPrediction{M{},
                                 T::MeanTotal,
                                 O::Point,
                                 E{},
                                 kYX,
                                 {{192, false, {F::Typed, F::Count, F::Typed}},
                                  {194, false, {F::Typed, F::Count, F::Typed, F::Typed, F::Typed}},
                                  {193, true, {F::ElementX, F::ElementY}}},
                                 {195, 197}};

}  // namespace

const CommandFigures& PredictionFigures() { return kPrediction; }

}  // namespace mirto::data
