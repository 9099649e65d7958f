// Stratified sampling from unit-level data: K is the number of strata in the
// data, N_i comes from the population file, and n_i, barY_i (or P_i) and S_i
// from each stratum's units. The interval divides S_i^2 by n_i - 1 itself,
// so S_i is the deviation with divisor n_i.
#include "data/Figures.h"

namespace mirto::data {
namespace {

using namespace table;

const ScanPlan kY{.numeric = {Role::Y}, .by = Role::Stratum, .zeroOne = false};
const ScanPlan kZeroOne{.numeric = {Role::Y}, .by = Role::Stratum, .zeroOne = true};

const CommandFigures kTable[] = {
    {M::Stratified,
     T::MeanTotal,
     O::Point,
     E::Stratified,
     kY,
     {{156, false, {F::Groups}}, {157, true, {F::GroupSize, F::MeanY}}}},
    {M::Stratified,
     T::ProportionNumber,
     O::Point,
     E::Stratified,
     kZeroOne,
     {{156, false, {F::Groups}}, {158, true, {F::GroupSize, F::MeanY}}}},
    {M::Stratified,
     T::MeanTotal,
     O::Interval,
     E::Stratified,
     kY,
     {{159, false, {F::Groups, F::Typed}}, {160, true, {F::GroupSize, F::Count, F::MeanY, F::SdYByN}}}},
    {M::Stratified,
     T::ProportionNumber,
     O::Interval,
     E::Stratified,
     kZeroOne,
     {{159, false, {F::Groups, F::Typed}}, {161, true, {F::GroupSize, F::Count, F::MeanY}}}},
};

}  // namespace

std::span<const CommandFigures> StratifiedFigures() { return kTable; }

}  // namespace mirto::data
