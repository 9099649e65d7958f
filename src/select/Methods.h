#pragma once
// The selection methods, on numbers only: no file, no text. Units are
// numbered 0, 1, ... in the order a stratum's units (or groups) come; the
// frame passes (Draw.cpp) and the tests call the same code.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "select/Doubles.h"
#include "select/Generator.h"

namespace mirto::select {

// A compensated sum (Neumaier): summing the same numbers in the same order
// gives the same total in every pass, within an ulp of the exact sum.
class RunningSum {
 public:
  // Inline: a draw adds every unit of the frame.
  void Add(double x) {
    const double t = m_s + x;
    m_c += std::fabs(m_s) >= std::fabs(x) ? (m_s - t) + x : (x - t) + m_s;
    m_s = t;
  }
  double Value() const { return m_s + m_c; }

 private:
  double m_s = 0, m_c = 0;
};

// ---- Equal probabilities ----------------------------------------------------------

// Sequential selection without replacement in one pass (reservoir): offered
// the units one by one, it says which of n slots each takes (-1: none).
// After N units every set of n of them is equally likely.
class Reservoir {
 public:
  explicit Reservoir(long long n) : m_n(n) {}
  long long Offer(Generator& g);
  long long Seen() const { return m_seen; }

 private:
  long long m_n, m_seen = 0;
};

// n of 0 .. N - 1 without replacement, in increasing order (a reservoir over the indices).
std::vector<long long> SimpleRandomPositions(long long N, long long n, Generator& g);
// n draws with replacement, in increasing order, a unit once per hit.
std::vector<long long> WithReplacementPositions(long long N, long long n, Generator& g);
// Systematic: floor((u + j) N / n), j = 0 .. n - 1, for u uniform on [0, 1)
// as a 53-bit fraction, in exact integer arithmetic: n distinct units.
std::vector<long long> SystematicPositions(long long N, long long n, Generator& g);

// ---- Probabilities proportional to size -------------------------------------------

// The units taken with certainty and the inclusion probabilities of the
// others, pi = n' x / X', recomputed until no pi reaches 1 (as R sampling's
// inclusionprobabilities).
struct Certainty {
  long long n = 0;                                        // the draws
  long long units = 0;                                    // taken with certainty
  double from = std::numeric_limits<double>::infinity();  // sizes from here up are certain
  double total = 0;                                       // X, all sizes
  double rest = 0;                                        // X', the sizes of the other units
  long long Draws() const { return n - units; }
  double Pi(double x) const {
    if (x >= from) return 1.0;
    if (units == 0) return static_cast<double>(n) * x / total;
    return Draws() == 0 ? 0.0 : static_cast<double>(Draws()) * (x / rest);
  }
};
// `largest`: the n largest sizes (all when fewer), largest first; `total` their sum over every unit.
Certainty FindCertainty(std::span<const double> largest, RunningSum total, long long n);

// Keeps the k largest of the numbers offered.
class Largest {
 public:
  explicit Largest(std::size_t k) : m_k(k) {}
  void Offer(double x) {
    if (m_k > 0 && (m_heap.size() < m_k || x > m_heap.front())) Push(x);
  }
  // Largest first.
  std::vector<double> Sorted() const;

 private:
  void Push(double x);
  std::size_t m_k;
  std::vector<double> m_heap;  // a min-heap
};

// Units laid end to end by their measure, against points in [0, total) in
// increasing order: each unit gets the points that fall on it. The last of
// `units` takes any left by rounding. With `once`, no unit takes two (a
// second point due goes to the next unit): systematic selection.
class PointWalk {
 public:
  PointWalk() = default;
  PointWalk(std::vector<double> points, long long units, bool once)
      : m_points(std::move(points)), m_left(units), m_once(once) {}
  long long Next(double measure) {
    m_start = m_end.Value();
    m_end.Add(measure);
    const double end = m_end.Value();
    --m_left;
    long long hits = 0;
    while (m_next < m_points.size() && (m_left <= 0 || m_points[m_next] < end)) {
      if (m_once && hits == 1) {
        if (m_left > 0) break;
        m_broken = true;
      }
      ++hits;
      ++m_next;
    }
    return hits;
  }
  // Next(measure) when it would give no point (the unit walked past): true;
  // else false, and the walk is as it was.
  bool Passes(double measure) {
    if (m_next < m_points.size() && m_left <= 1) return false;  // the last unit takes what is left
    RunningSum end = m_end;
    end.Add(measure);
    if (m_next < m_points.size() && m_points[m_next] < end.Value()) return false;
    m_start = m_end.Value();
    m_end = end;
    --m_left;
    return true;
  }
  // Passes for each of `measures` in turn while it passes and is below
  // `below` (a certainty unit's size), `pi` summing each one's c.Pi: how
  // many passed. Its state is held in locals meanwhile, where the processor
  // keeps it.
  std::size_t PassAll(std::span<const double> measures, double below, const Certainty& c, RunningSum& pi) {
    if (m_next < m_points.size() && m_left <= 1) return 0;
    const double point = m_next < m_points.size() ? m_points[m_next] : std::numeric_limits<double>::infinity();
    const long long last = m_next < m_points.size() ? 1 : std::numeric_limits<long long>::min();
    RunningSum end = m_end, sum = pi;
    double start = m_start;
    long long left = m_left;
    std::size_t k = 0;
    for (; k < measures.size() && left > last; ++k) {
      const double x = measures[k];
      if (!(x < below)) break;
      RunningSum after = end;
      after.Add(x);
      if (point < after.Value()) break;
      start = end.Value();
      end = after;
      --left;
      sum.Add(c.Pi(x));
    }
    m_end = end;
    m_start = start;
    m_left = left;
    pi = sum;
    return k;
  }
  // Where the unit last walked starts, in the measure's units.
  double Start() const { return m_start; }
  // Rounding left a unit two points under `once` (never seen; the draw then fails).
  bool Broken() const { return m_broken; }

 private:
  std::vector<double> m_points;
  std::size_t m_next = 0;
  RunningSum m_end;
  double m_start = 0;
  long long m_left = 0;
  bool m_once = false, m_broken = false;
};

// Systematic PPS: the points (u + j) X' / n', j = 0 .. n' - 1.
std::vector<double> SystematicPoints(double total, long long draws, Generator& g);
// With replacement: n uniform points on [0, total), sorted.
std::vector<double> UniformPoints(double total, long long draws, Generator& g);

// Cumulated measures of units (0 for a certainty unit): the first unit
// whose span holds u * total.
std::size_t Pick(const Doubles& cumulated, double u);

// Sampford's rejective method: the first unit by pi, the other n' - 1 by
// pi / (1 - pi) with replacement, the draw kept when all are distinct.
// `pi` and `odds` are the cumulated pi and pi / (1 - pi). Nothing when
// `tries` draws all repeat a unit.
std::optional<std::vector<long long>> Sampford(const Doubles& pi, const Doubles& odds, long long draws, Generator& g,
                                               long long tries);
inline constexpr long long kSampfordTries = 100'000;

// Brewer's draw by draw method: at draw i, an unselected unit with
// probability proportional to pi (c - pi) / (c - (n' - i + 1) pi), c = n'
// less the pi of those selected; `pi` cumulated.
std::vector<long long> Brewer(const Doubles& pi, long long draws, Generator& g);

// The cumulated pi and pi / (1 - pi) of sizes (certainty units 0 in both),
// built in place of the sizes.
void Cumulate(Doubles& sizesToPi, Doubles* odds, const Certainty& c);

// ---- Joint inclusion probabilities ----------------------------------------------------

// Systematic PPS: the length common to two arcs [s, s + pi) of the unit circle.
double SystematicJoint(double si, double pii, double sj, double pij);
// Brewer's approximation p_ij = pi_i pi_j (c_i + c_j) / 2, c = (n - 1) / (n - pi).
double BrewerJoint(double pii, double pij, long long draws);

// E_m and F_m of a set of units, m up to a degree: E the elementary
// symmetric sums of the units' w, F the same with each product weighted by
// the sum of (1 - pi) over its units.
struct JointSums {
  std::vector<long double> e, f;
  explicit JointSums(std::size_t degree) : e(degree + 1), f(degree + 1) { e[0] = 1; }
  // A unit of weight w, v = (1 - pi) w.
  void Add(long double w, long double v);
};

// Sampford's exact p_ij from sums over the units' w = pi / (1 - pi): the
// units not drawn are added one by one, then the pairs of the drawn follow.
class SampfordJoint {
 public:
  // `scale`: n' over the sum of w (keeps the sums in range).
  SampfordJoint(long long draws, double scale);
  void AddUndrawn(double pi);
  // The p_ij of the drawn units (their pi, in order), row by row for i < j;
  // nothing when the sums do not give back each drawn unit's pi.
  std::optional<std::vector<double>> Pairs(std::span<const double> drawn) const;

 private:
  long long m_n;
  long double m_scale;
  JointSums m_undrawn;
};

}  // namespace mirto::select
