// Cluster and two-stage sampling from unit-level data: m is the number of
// groups in the data; N and M are typed. N_i comes from a `size` variable,
// else the population file, else (cluster sampling, every element observed)
// the group's count. The two-stage within-group term divides S_i^2 by
// n_i - 1 itself, so S_i is the deviation with divisor n_i.
#include "data/Figures.h"

namespace mirto::data {
namespace {

using namespace table;

const ScanPlan kY{.numeric = {Role::Y}, .by = Role::Group, .zeroOne = false, .sizes = true};
const ScanPlan kZeroOne{.numeric = {Role::Y}, .by = Role::Group, .zeroOne = true, .sizes = true};

const FormFigures kSizes{173, false, {F::Typed, F::Typed, F::Groups}};
const FormFigures kSizesLevel{177, false, {F::Typed, F::Typed, F::Groups, F::Typed}};

// The same four rows for both methods; they differ in the n_i field only,
// which the form enables for two-stage sampling alone.
std::vector<CommandFigures> Rows() {
  std::vector<CommandFigures> rows;
  for (M method : {M::Cluster, M::TwoStage}) {
    rows.push_back({method, T::MeanTotal, O::Point, E::TwoStage, kY, {kSizes, {174, true, {F::GroupSize, F::MeanY}}}});
    rows.push_back({method,
                    T::ProportionNumber,
                    O::Point,
                    E::TwoStage,
                    kZeroOne,
                    {kSizes, {175, true, {F::GroupSize, F::MeanY}}}});
    rows.push_back({method,
                    T::MeanTotal,
                    O::Interval,
                    E::TwoStage,
                    kY,
                    {kSizesLevel, {176, true, {F::GroupSize, F::Count, F::MeanY, F::SdYByN}}}});
    rows.push_back({method,
                    T::ProportionNumber,
                    O::Interval,
                    E::TwoStage,
                    kZeroOne,
                    {kSizesLevel, {178, true, {F::GroupSize, F::Count, F::MeanY}}}});
  }
  return rows;
}

}  // namespace

std::span<const CommandFigures> ClusterFigures() {
  static const std::vector<CommandFigures> table = Rows();
  return table;
}

}  // namespace mirto::data
