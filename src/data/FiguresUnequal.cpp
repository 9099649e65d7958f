// Unequal-probability sampling from unit-level data: one element form per
// unit, its y and its selection (with replacement) or inclusion (without)
// probability as they stand; n is the number of units. N is typed. The
// joint-probability intervals take p_ij of each pair from a pairs file.
#include "data/Figures.h"

namespace mirto::data {
namespace {

using namespace table;

const ScanPlan kY{.numeric = {Role::Y, Role::Prob}, .by = std::nullopt, .elements = true};
const ScanPlan kZeroOne{.numeric = {Role::Y, Role::Prob}, .by = std::nullopt, .zeroOne = true, .elements = true};

const FormFigures kSizes{182, false, {F::Typed, F::Count}};
const FormFigures kSizesLevel{185, false, {F::Typed, F::Count, F::Typed}};
const std::vector<Figure> kElement = {F::ElementY, F::ElementProb};

const CommandFigures kTable[] = {
    {M::WithReplacement, T::MeanTotal, O::Point, E::Hhe, kY, {kSizes, {183, true, kElement}}},
    {M::WithReplacement, T::ProportionNumber, O::Point, E::Hhe, kZeroOne, {kSizes, {184, true, kElement}}},
    {M::WithReplacement, T::MeanTotal, O::Interval, E::Hhe, kY, {kSizesLevel, {183, true, kElement}}},
    {M::WithReplacement, T::ProportionNumber, O::Interval, E::Hhe, kZeroOne, {kSizesLevel, {184, true, kElement}}},
    {M::WithoutReplacement, T::MeanTotal, O::Point, E::Hte, kY, {kSizes, {187, true, kElement}}},
    {M::WithoutReplacement, T::ProportionNumber, O::Point, E::Hte, kZeroOne, {kSizes, {188, true, kElement}}},
    {M::WithoutReplacement, T::MeanTotal, O::Interval, E::Hte, kY, {kSizesLevel, {187, true, kElement}}},
    {M::WithoutReplacement, T::ProportionNumber, O::Interval, E::Hte, kZeroOne, {kSizesLevel, {188, true, kElement}}},
    {M::WithoutReplacement,
     T::MeanTotal,
     O::JointInterval,
     E::Hte,
     kY,
     {kSizesLevel, {187, true, kElement}, {190, true, {F::PairProb}}}},
    {M::WithoutReplacement,
     T::ProportionNumber,
     O::JointInterval,
     E::Hte,
     kZeroOne,
     {kSizesLevel, {188, true, kElement}, {190, true, {F::PairProb}}}},
};

}  // namespace

std::span<const CommandFigures> UnequalFigures() { return kTable; }

}  // namespace mirto::data
