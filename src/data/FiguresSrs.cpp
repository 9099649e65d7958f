// Simple random sampling from unit-level data: mean and total, proportion
// and number, the ratio and regression estimators and the ratio of two
// variables. The simple interval divides s^2 by n - 1 itself, so it takes
// the deviation with divisor n; so does the ratio of two variables.
#include "data/Figures.h"

namespace mirto::data {
namespace {

using namespace table;

const ScanPlan kY{.numeric = {Role::Y}, .by = std::nullopt};
const ScanPlan kZeroOne{.numeric = {Role::Y}, .by = std::nullopt, .zeroOne = true};
const ScanPlan kYX{.numeric = {Role::Y, Role::X}, .by = std::nullopt};
const ScanPlan kY1Y2{.numeric = {Role::Y1, Role::Y2}, .by = std::nullopt};

const CommandFigures kTable[] = {
    {M::Simple, T::MeanTotal, O::Point, E::Simple, kY, {{133, false, {F::Typed, F::MeanY}}}},
    {M::Simple, T::ProportionNumber, O::Point, E::Simple, kZeroOne, {{134, false, {F::Typed, F::MeanY}}}},
    {M::Simple,
     T::MeanTotal,
     O::Interval,
     E::Simple,
     kY,
     {{135, false, {F::Typed, F::Count, F::MeanY, F::SdYByN, F::Typed}}}},
    {M::Simple,
     T::ProportionNumber,
     O::Interval,
     E::Simple,
     kZeroOne,
     {{138, false, {F::Typed, F::Count, F::MeanY, F::Typed}}}},
    {M::Simple, T::MeanTotal, O::Point, E::Ratio, kYX, {{143, false, {F::Typed, F::MeanY, F::MeanX, F::Typed}}}},
    {M::Simple,
     T::MeanTotal,
     O::Point,
     E::Regression,
     kYX,
     {{144, false, {F::Typed, F::MeanY, F::MeanX, F::Typed, F::Slope}}}},
    {M::Simple,
     T::MeanTotal,
     O::Interval,
     E::Ratio,
     kYX,
     {{145, false, {F::Typed, F::Count, F::MeanY, F::MeanX, F::Typed, F::RatioResidSd, F::Typed}}}},
    {M::Simple,
     T::MeanTotal,
     O::Interval,
     E::Regression,
     kYX,
     {{146, false, {F::Typed, F::Count, F::MeanY, F::MeanX, F::Typed, F::RegressResidSd, F::Slope, F::Typed}}}},
    {M::Simple, T::RatioOfMeans, O::Point, E::Special, kY1Y2, {{151, false, {F::MeanY, F::MeanX}}}},
    {M::Simple,
     T::RatioOfMeans,
     O::Interval,
     E::Special,
     kY1Y2,
     {{152, false, {F::Typed, F::Count, F::MeanY, F::MeanX, F::VarYByN, F::VarXByN, F::CovByN, F::Typed}}}},
};

}  // namespace

std::span<const CommandFigures> SrsFigures() { return kTable; }

}  // namespace mirto::data
