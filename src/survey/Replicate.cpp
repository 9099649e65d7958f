// Replicate weights: every total is kept for the full-sample weight and for
// each replicate, per domain; the variance is scale times the sum over the
// replicates of rscale_r (theta_r - centre)^2, the centre the full-sample
// estimate (mse) or the replicates' mean, as R survey's svrVar has it.
// Replicates whose estimate is not defined (no weight in the domain) are
// left out and counted, as there.
#include <cmath>
#include <limits>

#include "survey/Accumulate.h"

namespace mirto::survey {
namespace {

constexpr std::uint64_t kCategoryRange = 1024;

class ReplicateSums final : public Accumulator {
 public:
  ReplicateSums(const Design& design, std::size_t slots, bool categories)
      : m_r(*design.replicates), m_slots(slots), m_columns(m_r.columns.size() + 1), m_categories(categories) {}

  void Add(const Unit& u) override {
    if (u.domain >= m_base.size()) m_base.resize(u.domain + 1);
    std::vector<Wide>& block = m_base[u.domain];
    if (block.empty()) block.resize(m_slots * m_columns);
    for (std::size_t c = 0; c < m_slots; ++c) Accumulate(&block[c * m_columns], u, u.v[c]);
    if (!m_categories) return;
    const auto [at, added] = m_categoryOf.try_emplace(u.domain * kCategoryRange + u.category, m_category.size());
    if (added) m_category.resize(m_category.size() + m_columns);
    Accumulate(&m_category[at->second], u, 1.0);
  }

  Wide Total(std::size_t domain, Slot slot) const override {
    const Wide* sums = Sums(domain, slot);
    return sums ? sums[0] : Wide{};
  }

  void Variances(std::size_t domain, std::span<const Estimand> estimands, std::span<Variance> out) override {
    const std::size_t R = m_columns - 1;
    std::vector<double> q(R), l(R);
    for (std::size_t e = 0; e < estimands.size(); ++e) {
      const Estimand& est = estimands[e];
      const Wide *num = Sums(domain, est.num), *den = est.quotient ? Sums(domain, est.den) : nullptr;
      // In units less the shift, so that a mean far from 0 costs no digits.
      for (std::size_t r = 0; r < R; ++r) {
        const double n = num ? Rounded(num[r + 1]) : 0, d = den ? Rounded(den[r + 1]) : 0;
        q[r] = est.quotient ? n / d : n;
        l[r] = std::log((q[r] + est.shift) / (1 - q[r] - est.shift));
      }
      const double full = est.theta - est.shift;
      out[e].v = Spread(q, full, out[e].dropped);
      long long dropped = 0;
      out[e].logit = est.num.category ? Spread(l, std::log(est.theta / (1 - est.theta)), dropped)
                                      : std::numeric_limits<double>::quiet_NaN();
    }
  }

 private:
  void Accumulate(Wide* sums, const Unit& u, double x) const {
    Accrue(sums[0], u.w * x);
    for (std::size_t r = 0; r + 1 < m_columns; ++r) Accrue(sums[r + 1], u.replicates[r] * x);
  }

  const Wide* Sums(std::size_t domain, Slot slot) const {
    if (domain >= m_base.size() || m_base[domain].empty()) return nullptr;
    if (!slot.category) return &m_base[domain][slot.index * m_columns];
    const auto found = m_categoryOf.find(domain * kCategoryRange + slot.index);
    return found == m_categoryOf.end() ? nullptr : &m_category[found->second];
  }

  // scale * sum rscale_r (x_r - centre)^2 over the replicates with an estimate.
  double Spread(const std::vector<double>& x, double full, long long& dropped) const {
    double mean = 0, counted = 0;
    dropped = 0;
    for (std::size_t r = 0; r < x.size(); ++r) {
      if (!std::isfinite(x[r])) {
        ++dropped;
      } else if (m_r.rscales[r] > 0) {
        mean += x[r];
        ++counted;
      }
    }
    if (dropped == static_cast<long long>(x.size())) return std::numeric_limits<double>::quiet_NaN();
    const double centre = m_r.mse ? full : mean / counted;
    double v = 0;
    for (std::size_t r = 0; r < x.size(); ++r)
      if (std::isfinite(x[r])) v += m_r.rscales[r] * (x[r] - centre) * (x[r] - centre);
    return m_r.scale * v;
  }

  const Replicates& m_r;
  std::size_t m_slots, m_columns;
  bool m_categories;
  std::vector<std::vector<Wide>> m_base;  // by domain: slot by slot, full sample then each replicate
  std::unordered_map<std::uint64_t, std::size_t> m_categoryOf;
  std::vector<Wide> m_category;
};

}  // namespace

std::unique_ptr<Accumulator> MakeReplicateSums(const Design& design, std::size_t slots, bool categories) {
  return std::make_unique<ReplicateSums>(design, slots, categories);
}

}  // namespace mirto::survey
