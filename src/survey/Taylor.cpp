// Taylor linearization: the with-replacement first-stage (ultimate cluster)
// variance, with the first-stage finite population correction. With PSUs the
// totals are kept per PSU and domain; without them every unit is its own PSU,
// and each stratum keeps the sums and sums of squares and products of its
// units' weighted values instead, in double-double so that the deviations
// about the estimate do not cancel.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>
#include <utility>

#include "survey/Accumulate.h"
#include "survey/KeyedSums.h"
#include "survey/Recent.h"

namespace mirto::survey {

double CombineStrata(const Design& design, std::span<const StratumPart> parts) {
  double v = 0, counted = 0;
  for (const StratumPart& part : parts) {
    const Stratum& s = design.strataFigures[part.stratum];
    if (s.factor < 1e-7) {
      ++counted;
      continue;
    }
    const auto n = static_cast<double>(s.psus);
    if (s.psus > 1) {
      v += s.factor * n / (n - 1) * part.squares;
      ++counted;
      continue;
    }
    switch (design.request.lonely) {
      case Lonely::Adjust:  // deviations about 0 rather than the stratum's mean
        v += s.factor * part.lone * part.lone;
        ++counted;
        break;
      case Lonely::Average: break;  // the others' average stands in for it
      default: ++counted;           // remove, certainty: nothing
    }
  }
  if (design.request.lonely == Lonely::Average && counted < static_cast<double>(parts.size()))
    return counted > 0 ? v * static_cast<double>(parts.size()) / counted : std::numeric_limits<double>::quiet_NaN();
  return v;
}

namespace {

constexpr std::uint64_t kCategoryRange = 1024;  // above the most categories a proportion takes

// theta' = theta - shift, the quotient's part.
double Part(const Estimand& e) { return e.theta - e.shift; }

// A domain's moments sum a x v of each slot, behind the coefficients B of
// its estimands' residuals.
class Moments {
 public:
  Moments(const Residuals& residuals, std::size_t slots) : m_r(residuals), m_slots(slots), m_base(slots) {}

  void UseCategories() { m_hasCategories = true; }

  void Add(const Unit& u) {
    for (const AuxTerm& t : u.aux) {
      const double ax = u.a * t.x;
      Wide* s = m_base.At(u.domain, t.coordinate);
      for (std::size_t c = 0; c < m_slots; ++c) Accrue(s[c], ax * u.v[c]);
      if (m_hasCategories) Accrue(*m_categories.At(u.domain * kCategoryRange + u.category, t.coordinate), ax);
    }
  }

  // B of an estimand, whose L is n - t' d.
  std::vector<double> Coefficients(std::size_t domain, const Estimand& e) const {
    const std::size_t p = m_r.Coordinates();
    std::vector<Wide> m(p);
    auto add = [&](Slot slot, double factor) {
      const auto& entries = slot.category ? m_categories.Of(domain * kCategoryRange + slot.index) : m_base.Of(domain);
      for (const KeyedSums::Entry& entry : entries)
        m[entry.coordinate] = m[entry.coordinate] + entry.sums[slot.category ? 0 : slot.index] * Exact(factor);
    };
    add(e.num, 1);
    if (e.quotient) add(e.den, -Part(e));
    std::vector<double> rounded(p);
    for (std::size_t c = 0; c < p; ++c) rounded[c] = Rounded(m[c]);
    return m_r.Coefficients(std::move(rounded));
  }

 private:
  const Residuals& m_r;
  std::size_t m_slots;
  bool m_hasCategories = false;
  KeyedSums m_base, m_categories{1};
};

// sum over a key's coordinates of its sums times B.
Wide Projected(const std::vector<KeyedSums::Entry>& entries, const std::vector<double>& B, std::size_t at = 0) {
  Wide s;
  for (const KeyedSums::Entry& entry : entries) s = s + entry.sums[at] * Exact(B[entry.coordinate]);
  return s;
}

// Totals per PSU and domain.
class ClusterSums final : public Accumulator {
 public:
  ClusterSums(const Design& design, std::size_t slots, const Residuals* residuals) : m_d(design), m_slots(slots) {
    if (residuals) m_moments.emplace(*residuals, slots);
  }

  void Add(const Unit& u) override {
    const std::uint32_t cell = CellOf(u.psu, u.domain, u.stratum);
    Wide* base = &m_base[cell * m_slots];
    for (std::size_t c = 0; c < m_slots; ++c) Accrue(base[c], u.w * u.v[c]);
    if (m_moments) m_moments->Add(u);
    if (!m_hasCategories) return;
    const auto [at, added] = m_categoryOf.try_emplace(cell * kCategoryRange + u.category, m_category.size());
    if (added) m_category.emplace_back();
    Accrue(m_category[at->second], u.w);
  }

  void Background(const Unit& u) override {
    for (const AuxTerm& t : u.aux) Accrue(*m_psuAux.At(u.psu, t.coordinate), u.w * t.x);
  }

  void UseCategories() {
    m_hasCategories = true;
    if (m_moments) m_moments->UseCategories();
  }

  Wide Total(std::size_t domain, Slot slot) const override {
    Wide total;
    for (std::uint32_t cell : Cells(domain)) total = total + Value(cell, slot);
    return total;
  }

  void Variances(std::size_t domain, std::span<const Estimand> estimands, std::span<Variance> out) override {
    if (m_moments) return Residual(domain, estimands, out);
    const std::vector<std::uint32_t>& cells = Cells(domain);
    std::vector<StratumPart> parts;
    std::vector<double> z;
    for (std::size_t e = 0; e < estimands.size(); ++e) {
      const Estimand& est = estimands[e];
      const double D = est.quotient ? Rounded(Total(domain, est.den)) : 1;
      parts.clear();
      for (std::size_t first = 0; first < cells.size();) {
        const std::size_t h = m_cells[cells[first]].stratum;
        z.clear();
        for (; first < cells.size() && m_cells[cells[first]].stratum == h; ++first) {
          Wide t = Value(cells[first], est.num);
          if (est.quotient) t = t - Value(cells[first], est.den) * Exact(Part(est));
          z.push_back(Rounded(t) / D);
        }
        const auto n = static_cast<double>(m_d.strataFigures[h].psus);
        double mean = 0;
        for (double x : z) mean += x;
        mean /= n;
        double squares = (n - static_cast<double>(z.size())) * mean * mean;
        for (double x : z) squares += (x - mean) * (x - mean);
        parts.push_back({h, squares, z.size() == 1 ? z[0] : 0.0});
      }
      out[e].v = CombineStrata(m_d, parts);
      const double P = est.theta;
      out[e].logit = out[e].v / (P * (1 - P) * P * (1 - P));
    }
  }

 private:
  struct Cell {
    std::uint32_t psu, domain, stratum;
  };

  // Every PSU of every stratum: under calibration each has a residual total,
  // units of the domain or not.
  void Residual(std::size_t domain, std::span<const Estimand> estimands, std::span<Variance> out) {
    if (m_psusOf.empty()) {
      m_psusOf.resize(m_d.StratumCount());
      for (std::uint32_t g = 0; g < m_d.psuStratum.size(); ++g) m_psusOf[m_d.psuStratum[g]].push_back(g);
    }
    std::vector<StratumPart> parts;
    std::vector<double> z;
    for (std::size_t e = 0; e < estimands.size(); ++e) {
      const Estimand& est = estimands[e];
      const double D = est.quotient ? Rounded(Total(domain, est.den)) : 1;
      const std::vector<double> B = m_moments->Coefficients(domain, est);
      parts.clear();
      for (std::size_t h = 0; h < m_psusOf.size(); ++h) {
        z.clear();
        for (std::uint32_t g : m_psusOf[h]) {
          Wide t;
          if (const std::uint64_t cell = m_cellOf.Find(g, domain); cell != Recent::kNone) {
            const auto c = static_cast<std::uint32_t>(cell);
            t = Value(c, est.num);
            if (est.quotient) t = t - Value(c, est.den) * Exact(Part(est));
          }
          z.push_back(Rounded(t - Projected(m_psuAux.Of(g), B)) / D);
        }
        if (z.empty()) continue;
        double mean = 0;
        for (double x : z) mean += x;
        mean /= static_cast<double>(z.size());
        double squares = 0;
        for (double x : z) squares += (x - mean) * (x - mean);
        parts.push_back({h, squares, z.size() == 1 ? z[0] : 0.0});
      }
      out[e].v = CombineStrata(m_d, parts);
      const double P = est.theta;
      out[e].logit = out[e].v / (P * (1 - P) * P * (1 - P));
    }
  }

  std::uint32_t CellOf(std::size_t psu, std::size_t domain, std::size_t stratum) {
    const auto [cell, added] = m_cellOf.Of(psu, domain);
    if (added) {
      m_cells.push_back(
          {static_cast<std::uint32_t>(psu), static_cast<std::uint32_t>(domain), static_cast<std::uint32_t>(stratum)});
      m_base.resize(m_base.size() + m_slots);
      m_byDomain.clear();
    }
    return static_cast<std::uint32_t>(cell);
  }

  Wide Value(std::uint32_t cell, Slot slot) const {
    if (!slot.category) return m_base[cell * m_slots + slot.index];
    const auto found = m_categoryOf.find(cell * kCategoryRange + slot.index);
    return found == m_categoryOf.end() ? Wide{} : m_category[found->second];
  }

  // The cells of a domain by stratum.
  const std::vector<std::uint32_t>& Cells(std::size_t domain) const {
    if (m_byDomain.empty()) {
      for (std::uint32_t c = 0; c < m_cells.size(); ++c) {
        if (m_byDomain.size() <= m_cells[c].domain) m_byDomain.resize(m_cells[c].domain + 1);
        m_byDomain[m_cells[c].domain].push_back(c);
      }
      for (auto& list : m_byDomain)
        std::stable_sort(list.begin(), list.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return m_cells[a].stratum < m_cells[b].stratum; });
    }
    static const std::vector<std::uint32_t> none;
    return domain < m_byDomain.size() ? m_byDomain[domain] : none;
  }

  const Design& m_d;
  std::size_t m_slots;
  bool m_hasCategories = false;
  PairIndex m_cellOf;
  std::vector<Cell> m_cells;
  std::vector<Wide> m_base;
  std::unordered_map<std::uint64_t, std::size_t> m_categoryOf;
  std::vector<Wide> m_category;
  mutable std::vector<std::vector<std::uint32_t>> m_byDomain;
  std::optional<Moments> m_moments;  // calibrated weights
  KeyedSums m_psuAux{1};             // by PSU: sum of w x
  std::vector<std::vector<std::uint32_t>> m_psusOf;
};

// Sums per stratum and domain, every unit its own PSU: of each slot's
// weighted value a = w v, and of the products a_c a_c'.
class ElementSums final : public Accumulator {
 public:
  ElementSums(const Design& design, std::size_t slots, const Residuals* residuals)
      : m_d(design), m_slots(slots), m_width(slots + slots * (slots + 1) / 2), m_slotCross(slots) {
    if (residuals) m_moments.emplace(*residuals, slots);
  }

  void UseCategories() {
    m_hasCategories = true;
    if (m_moments) m_moments->UseCategories();
  }

  // Per stratum: sum of w x and of w^2 x x' over every unit.
  void Background(const Unit& u) override {
    const double w2 = u.w * u.w;
    for (std::size_t i = 0; i < u.aux.size(); ++i) {
      const AuxTerm& a = u.aux[i];
      Accrue(*m_aux.At(u.stratum, a.coordinate), u.w * a.x);
      for (std::size_t j = i; j < u.aux.size(); ++j) {
        const AuxTerm& b = u.aux[j];
        const auto [low, high] = std::minmax(a.coordinate, b.coordinate);
        const auto [pair, added] = m_pairs.Of(low, high);
        if (added) m_pairCoordinates.emplace_back(low, high);
        Accrue(*m_cross.At(u.stratum, static_cast<std::uint32_t>(pair)), (i == j ? 1 : 2) * w2 * a.x * b.x);
      }
    }
  }

  void Add(const Unit& u) override {
    const std::size_t block = BlockOf(u.stratum, u.domain);
    Wide* s = &m_sums[block * m_width];
    Wide a[2];
    for (std::size_t c = 0; c < m_slots; ++c) {
      a[c] = Product(u.w, u.v[c]);
      s[c] = s[c] + a[c];
    }
    for (std::size_t c = 0, k = m_slots; c < m_slots; ++c)
      for (std::size_t c2 = c; c2 < m_slots; ++c2, ++k) s[k] = s[k] + a[c] * a[c2];
    if (m_moments) {
      m_moments->Add(u);
      const double w2 = u.w * u.w;
      for (const AuxTerm& t : u.aux) {
        Wide* cross = m_slotCross.At(block, t.coordinate);
        for (std::size_t c = 0; c < m_slots; ++c) Accrue(cross[c], w2 * t.x * u.v[c]);
        if (m_hasCategories) Accrue(*m_categoryCross.At(block * kCategoryRange + u.category, t.coordinate), w2 * t.x);
      }
    }
    if (!m_hasCategories) return;
    const auto [at, added] = m_categoryOf.try_emplace(block * kCategoryRange + u.category, m_category.size());
    if (added) m_category.resize(m_category.size() + 2);
    Accrue(m_category[at->second], u.w);
    m_category[at->second + 1] = m_category[at->second + 1] + Product(u.w, u.w);
  }

  Wide Total(std::size_t domain, Slot slot) const override {
    Wide total;
    for (std::size_t block : Blocks(domain)) total = total + Sum(block, slot);
    return total;
  }

  void Variances(std::size_t domain, std::span<const Estimand> estimands, std::span<Variance> out) override {
    if (m_moments) return Residual(domain, estimands, out);
    std::vector<StratumPart> parts;
    for (std::size_t e = 0; e < estimands.size(); ++e) {
      const Estimand& est = estimands[e];
      const double D = est.quotient ? Rounded(Total(domain, est.den)) : 1, t = Part(est);
      parts.clear();
      for (std::size_t block : Blocks(domain)) {
        const auto [sum, squares] = Linearized(block, est, t);
        const std::size_t h = m_blocks[block].stratum;
        parts.push_back(Stratum(h, sum, squares, D));
      }
      Combine(parts, est, out[e]);
    }
  }

 private:
  struct Block {
    std::uint32_t stratum, domain;
  };

  // Every stratum, from the sums of e = w (L - x'B) and of e^2 over its units.
  void Residual(std::size_t domain, std::span<const Estimand> estimands, std::span<Variance> out) {
    std::vector<StratumPart> parts;
    for (std::size_t e = 0; e < estimands.size(); ++e) {
      const Estimand& est = estimands[e];
      const double D = est.quotient ? Rounded(Total(domain, est.den)) : 1, t = Part(est);
      const std::vector<double> B = m_moments->Coefficients(domain, est);
      parts.clear();
      for (std::size_t h = 0; h < m_d.StratumCount(); ++h) {
        Wide sum, squares;
        if (const std::uint64_t found = m_blockOf.Find(h, domain); found != Recent::kNone) {
          const auto block = static_cast<std::size_t>(found);
          std::tie(sum, squares) = Linearized(block, est, t);
          Wide crossed = SlotCross(block, est.num, B);
          if (est.quotient) crossed = crossed - SlotCross(block, est.den, B) * Exact(t);
          squares = squares - crossed * Exact(2);
        }
        sum = sum - Projected(m_aux.Of(h), B);
        for (const KeyedSums::Entry& entry : m_cross.Of(h)) {
          const auto [c1, c2] = m_pairCoordinates[entry.coordinate];
          squares = squares + entry.sums[0] * Exact(B[c1]) * Exact(B[c2]);
        }
        parts.push_back(Stratum(h, sum, squares, D));
      }
      Combine(parts, est, out[e]);
    }
  }

  // A stratum's part from the sums of z D and of z^2 D^2 over its units.
  StratumPart Stratum(std::size_t h, const Wide& sum, const Wide& squares, double D) const {
    const auto n = static_cast<double>(m_d.strataFigures[h].psus);
    const double deviations = std::max(0.0, Rounded(squares - sum * sum * Exact(1 / n)));
    return {h, deviations / (D * D), Rounded(sum) / D};
  }

  void Combine(const std::vector<StratumPart>& parts, const Estimand& est, Variance& out) const {
    out.v = CombineStrata(m_d, parts);
    const double P = est.theta;
    out.logit = out.v / (P * (1 - P) * P * (1 - P));
  }

  // sum z D = S_n - t S_d; sum z^2 D^2 = S_nn - 2 t S_nd + t^2 S_dd over a block.
  std::pair<Wide, Wide> Linearized(std::size_t block, const Estimand& est, double t) const {
    Wide sum = Sum(block, est.num), squares = Cross(block, est.num, est.num);
    if (est.quotient) {
      sum = sum - Sum(block, est.den) * Exact(t);
      squares = squares - Cross(block, est.num, est.den) * Exact(2 * t) +
                Cross(block, est.den, est.den) * Exact(t) * Exact(t);
    }
    return {sum, squares};
  }

  // sum of w^2 v x'B over a block's units, v the slot's value.
  Wide SlotCross(std::size_t block, Slot slot, const std::vector<double>& B) const {
    if (slot.category) return Projected(m_categoryCross.Of(block * kCategoryRange + slot.index), B);
    return Projected(m_slotCross.Of(block), B, slot.index);
  }

  std::size_t BlockOf(std::size_t stratum, std::size_t domain) {
    const auto [block, added] = m_blockOf.Of(stratum, domain);
    if (added) {
      m_blocks.push_back({static_cast<std::uint32_t>(stratum), static_cast<std::uint32_t>(domain)});
      m_sums.resize(m_sums.size() + m_width);
      m_byDomain.clear();
    }
    return block;
  }

  // Sum of a slot's a = w v in a block.
  Wide Sum(std::size_t block, Slot slot) const {
    if (!slot.category) return m_sums[block * m_width + slot.index];
    const auto found = m_categoryOf.find(block * kCategoryRange + slot.index);
    return found == m_categoryOf.end() ? Wide{} : m_category[found->second];
  }

  // Sum of a_x a_y. A category's a is w on its units and 0 elsewhere, so
  // with another category it is 0 and with the base slot (v = 1) it is its w^2.
  Wide Cross(std::size_t block, Slot x, Slot y) const {
    if (x.category || y.category) {
      if (x.category && y.category && x.index != y.index) return {};
      const std::size_t k = x.category ? x.index : y.index;
      const auto found = m_categoryOf.find(block * kCategoryRange + k);
      return found == m_categoryOf.end() ? Wide{} : m_category[found->second + 1];
    }
    const std::size_t lo = std::min(x.index, y.index), hi = std::max(x.index, y.index);
    // Products are stored row by row of the upper triangle, after the sums.
    std::size_t k = m_slots;
    for (std::size_t c = 0; c < lo; ++c) k += m_slots - c;
    return m_sums[block * m_width + k + (hi - lo)];
  }

  const std::vector<std::size_t>& Blocks(std::size_t domain) const {
    if (m_byDomain.empty())
      for (std::size_t b = 0; b < m_blocks.size(); ++b) {
        if (m_byDomain.size() <= m_blocks[b].domain) m_byDomain.resize(m_blocks[b].domain + 1);
        m_byDomain[m_blocks[b].domain].push_back(b);
      }
    static const std::vector<std::size_t> none;
    return domain < m_byDomain.size() ? m_byDomain[domain] : none;
  }

  const Design& m_d;
  std::size_t m_slots, m_width;
  bool m_hasCategories = false;
  std::optional<Moments> m_moments;           // calibrated weights
  KeyedSums m_aux{1}, m_cross{1};             // by stratum: sum of w x, and of w^2 x x' by pair of coordinates
  KeyedSums m_slotCross, m_categoryCross{1};  // by block: sum of w^2 x v
  PairIndex m_pairs;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> m_pairCoordinates;
  PairIndex m_blockOf;
  std::vector<Block> m_blocks;
  std::vector<Wide> m_sums;
  std::unordered_map<std::uint64_t, std::size_t> m_categoryOf;
  std::vector<Wide> m_category;  // pairs: sum of w, sum of w^2
  mutable std::vector<std::vector<std::size_t>> m_byDomain;
};

}  // namespace

std::unique_ptr<Accumulator> MakeTaylorSums(const Design& design, std::size_t slots, bool categories,
                                            const Residuals* residuals) {
  if (design.psu) {
    auto sums = std::make_unique<ClusterSums>(design, slots, residuals);
    if (categories) sums->UseCategories();
    return sums;
  }
  auto sums = std::make_unique<ElementSums>(design, slots, residuals);
  if (categories) sums->UseCategories();
  return sums;
}

}  // namespace mirto::survey
