#include "select/Methods.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_set>

namespace mirto::select {

long long Reservoir::Offer(Generator& g) {
  const long long t = m_seen++;
  if (t < m_n) return t;
  const auto j = static_cast<long long>(g.Below(static_cast<std::uint64_t>(t) + 1));
  return j < m_n ? j : -1;
}

std::vector<long long> SimpleRandomPositions(long long N, long long n, Generator& g) {
  std::vector<long long> slots(static_cast<std::size_t>(n));
  Reservoir r(n);
  for (long long i = 0; i < N; ++i)
    if (const long long slot = r.Offer(g); slot >= 0) slots[static_cast<std::size_t>(slot)] = i;
  std::sort(slots.begin(), slots.end());
  return slots;
}

std::vector<long long> WithReplacementPositions(long long N, long long n, Generator& g) {
  std::vector<long long> hits(static_cast<std::size_t>(n));
  for (long long& h : hits) h = static_cast<long long>(g.Below(static_cast<std::uint64_t>(N)));
  std::sort(hits.begin(), hits.end());
  return hits;
}

// floor((j + u / 2^53) N / n) = q + floor((r 2^53 + u N) / (n 2^53)) with
// j N = q n + r: below 2^94 for frames of fewer than 2^40 units.
std::vector<long long> SystematicPositions(long long N, long long n, Generator& g) {
  const Uint128 u = g.Next53(), big = Uint128{1} << 53;
  std::vector<long long> positions(static_cast<std::size_t>(n));
  for (long long j = 0; j < n; ++j) {
    const Uint128 jN = static_cast<Uint128>(j) * static_cast<Uint128>(N);
    const Uint128 q = jN / static_cast<Uint128>(n), r = jN % static_cast<Uint128>(n);
    positions[static_cast<std::size_t>(j)] =
        static_cast<long long>(q + (r * big + u * static_cast<Uint128>(N)) / (static_cast<Uint128>(n) * big));
  }
  return positions;
}

Certainty FindCertainty(std::span<const double> largest, RunningSum total, long long n) {
  Certainty c;
  c.n = n;
  c.total = c.rest = total.Value();
  std::size_t l = 0;
  while (l < largest.size() && static_cast<double>(n) * largest[l] / c.total >= 1.0) ++l;
  while (l > static_cast<std::size_t>(c.units)) {
    for (auto k = static_cast<std::size_t>(c.units); k < l; ++k) total.Add(-largest[k]);
    c.units = static_cast<long long>(l);
    c.from = largest[l - 1];
    c.rest = total.Value();
    if (c.Draws() == 0) break;
    while (l < largest.size() && static_cast<double>(c.Draws()) * (largest[l] / c.rest) >= 1.0) ++l;
  }
  return c;
}

void Largest::Push(double x) {
  if (m_heap.size() < m_k) {
    m_heap.push_back(x);
    std::push_heap(m_heap.begin(), m_heap.end(), std::greater<>());
  } else {
    std::pop_heap(m_heap.begin(), m_heap.end(), std::greater<>());
    m_heap.back() = x;
    std::push_heap(m_heap.begin(), m_heap.end(), std::greater<>());
  }
}

std::vector<double> Largest::Sorted() const {
  std::vector<double> sorted(m_heap);
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  return sorted;
}

std::vector<double> SystematicPoints(double total, long long draws, Generator& g) {
  const double u = g.Uniform(), spacing = total / static_cast<double>(draws);
  std::vector<double> points(static_cast<std::size_t>(draws));
  for (long long j = 0; j < draws; ++j) points[static_cast<std::size_t>(j)] = (u + static_cast<double>(j)) * spacing;
  return points;
}

std::vector<double> UniformPoints(double total, long long draws, Generator& g) {
  std::vector<double> points(static_cast<std::size_t>(draws));
  for (double& p : points) p = g.Uniform() * total;
  std::sort(points.begin(), points.end());
  return points;
}

std::size_t Pick(const Doubles& cumulated, double u) {
  const double p = u * cumulated.back();
  std::size_t low = 0, high = cumulated.size();  // the first with cumulated > p is in [low, high]
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (cumulated[mid] > p)
      high = mid;
    else
      low = mid + 1;
  }
  if (low < cumulated.size()) return low;
  // p rounded up to the total: the last unit with a span.
  std::size_t k = cumulated.size() - 1;
  while (k > 0 && cumulated[k] == cumulated[k - 1]) --k;
  return k;
}

std::optional<std::vector<long long>> Sampford(const Doubles& pi, const Doubles& odds, long long draws, Generator& g,
                                               long long tries) {
  std::unordered_set<long long> chosen;
  chosen.reserve(static_cast<std::size_t>(draws) * 2);
  for (long long t = 0; t < tries; ++t) {
    chosen.clear();
    chosen.insert(static_cast<long long>(Pick(pi, g.Uniform())));
    bool distinct = true;
    for (long long r = 1; r < draws && distinct; ++r)
      distinct = chosen.insert(static_cast<long long>(Pick(odds, g.Uniform()))).second;
    if (distinct) {
      std::vector<long long> s(chosen.begin(), chosen.end());
      std::sort(s.begin(), s.end());
      return s;
    }
  }
  return std::nullopt;
}

namespace {

double Width(const Doubles& cumulated, std::size_t k) { return cumulated[k] - (k ? cumulated[k - 1] : 0.0); }

// Brewer's weight of a unit at a draw, f = (c - pi) / (c - m pi), times pi.
struct BrewerStep {
  double c, m;
  double F(double pi) const { return (c - pi) / (c - m * pi); }
};

// The draws + 1 units of largest pi, largest first: the largest not yet selected is among them.
std::vector<std::size_t> LargestUnits(const Doubles& pi, long long draws) {
  const auto k = static_cast<std::size_t>(draws) + 1;
  auto smaller = [&](std::size_t a, std::size_t b) { return Width(pi, a) > Width(pi, b); };
  std::vector<std::size_t> heap;
  for (std::size_t i = 0; i < pi.size(); ++i) {
    if (heap.size() < k) {
      heap.push_back(i);
      std::push_heap(heap.begin(), heap.end(), smaller);
    } else if (Width(pi, i) > Width(pi, heap.front())) {
      std::pop_heap(heap.begin(), heap.end(), smaller);
      heap.back() = i;
      std::push_heap(heap.begin(), heap.end(), smaller);
    }
  }
  std::sort(heap.begin(), heap.end(), smaller);
  return heap;
}

}  // namespace

std::vector<long long> Brewer(const Doubles& pi, long long draws, Generator& g) {
  constexpr int kProposals = 1000;  // then the draw is made over every unit
  const std::vector<std::size_t> largest = LargestUnits(pi, draws);
  std::unordered_set<std::size_t> chosen;
  double taken = 0;
  for (long long i = 1; i <= draws; ++i) {
    const BrewerStep step{static_cast<double>(draws) - taken, static_cast<double>(draws - i + 1)};
    std::size_t top = 0;
    while (chosen.count(largest[top])) ++top;
    const double bound = step.F(Width(pi, largest[top]));
    std::size_t k = pi.size();
    for (int t = 0; t < kProposals && k == pi.size(); ++t) {
      const std::size_t proposed = Pick(pi, g.Uniform());
      if (chosen.count(proposed)) continue;
      if (g.Uniform() * bound < step.F(Width(pi, proposed))) k = proposed;
    }
    if (k == pi.size()) {
      auto weight = [&](std::size_t j) {
        const double p = Width(pi, j);
        return chosen.count(j) || p == 0 ? 0.0 : p * step.F(p);
      };
      RunningSum total;
      for (std::size_t j = 0; j < pi.size(); ++j) total.Add(weight(j));
      const double target = g.Uniform() * total.Value();
      RunningSum run;
      for (k = 0; k + 1 < pi.size(); ++k) {
        run.Add(weight(k));
        if (weight(k) > 0 && run.Value() > target) break;
      }
      while (weight(k) == 0) --k;  // rounding past the end: the last unit that can be drawn
    }
    chosen.insert(k);
    taken += Width(pi, k);
  }
  std::vector<long long> s(chosen.begin(), chosen.end());
  std::sort(s.begin(), s.end());
  return s;
}

void Cumulate(Doubles& sizesToPi, Doubles* odds, const Certainty& c) {
  RunningSum pi, w;
  for (std::size_t k = 0; k < sizesToPi.size(); ++k) {
    const double x = sizesToPi[k], p = x >= c.from ? 0.0 : c.Pi(x);
    if (odds) {
      w.Add(p / (1.0 - p));
      odds->push_back(w.Value());
    }
    pi.Add(p);
    sizesToPi[k] = pi.Value();
  }
}

namespace {

double Overlap(double a, double la, double b, double lb) {
  return std::max(0.0, std::min(a + la, b + lb) - std::max(a, b));
}

}  // namespace

double SystematicJoint(double si, double pii, double sj, double pij) {
  const double a = si - std::floor(si), b = sj - std::floor(sj);
  return Overlap(a, pii, b - 1, pij) + Overlap(a, pii, b, pij) + Overlap(a, pii, b + 1, pij);
}

double BrewerJoint(double pii, double pij, long long draws) {
  const double n = static_cast<double>(draws);
  return pii * pij * ((n - 1) / (n - pii) + (n - 1) / (n - pij)) / 2;
}

namespace {

// Degree d of the sums of the union of two disjoint sets.
std::pair<long double, long double> Joined(const JointSums& a, const JointSums& b, std::size_t d) {
  long double e = 0, f = 0;
  for (std::size_t k = 0; k <= d && k < a.e.size(); ++k) {
    if (d - k >= b.e.size()) continue;
    e += a.e[k] * b.e[d - k];
    f += a.f[k] * b.e[d - k] + a.e[k] * b.f[d - k];
  }
  return {e, f};
}

}  // namespace

void JointSums::Add(long double w, long double v) {
  for (std::size_t m = e.size() - 1; m > 0; --m) {
    f[m] += w * f[m - 1] + v * e[m - 1];
    e[m] += w * e[m - 1];
  }
}

SampfordJoint::SampfordJoint(long long draws, double scale)
    : m_n(draws), m_scale(scale), m_undrawn(static_cast<std::size_t>(draws)) {}

void SampfordJoint::AddUndrawn(double pi) { m_undrawn.Add(m_scale * pi / (1.0L - pi), m_scale * pi); }

std::optional<std::vector<double>> SampfordJoint::Pairs(std::span<const double> drawn) const {
  const std::size_t d = drawn.size(), n = static_cast<std::size_t>(m_n);
  if (d == 0) return std::vector<double>();
  std::vector<long double> w(d), v(d);
  for (std::size_t i = 0; i < d; ++i) {
    w[i] = m_scale * drawn[i] / (1.0L - drawn[i]);
    v[i] = m_scale * drawn[i];
  }
  // after[j]: the drawn units after j, to the degree they reach.
  std::vector<JointSums> after(d, JointSums(0));
  for (std::size_t j = d - 1; j-- > 0;) {
    after[j] = after[j + 1];
    if (after[j].e.size() <= n) {
      after[j].e.push_back(0);
      after[j].f.push_back(0);
    }
    after[j].Add(w[j + 1], v[j + 1]);
  }
  JointSums before = m_undrawn;
  JointSums all = before;
  for (std::size_t i = 0; i < d; ++i) all.Add(w[i], v[i]);
  const long double C = 1.0L / all.f[n];
  std::vector<double> pairs;
  pairs.reserve(d * (d - 1) / 2);
  for (std::size_t i = 0; i < d; ++i) {
    const auto [e1, f1] = Joined(before, after[i], n - 1);
    const long double pi = C * (v[i] * e1 + w[i] * f1);
    if (!(std::fabs(pi - drawn[i]) <= 1e-9L * drawn[i])) return std::nullopt;
    JointSums between = before;
    for (std::size_t j = i + 1; j < d; ++j) {
      const auto [e2, f2] = Joined(between, after[j], n - 2);
      pairs.push_back(static_cast<double>(C * ((v[i] * w[j] + w[i] * v[j]) * e2 + w[i] * w[j] * f2)));
      between.Add(w[j], v[j]);
    }
    before.Add(w[i], v[i]);
  }
  return pairs;
}

}  // namespace mirto::select
