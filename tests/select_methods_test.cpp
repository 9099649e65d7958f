// The selection methods on numbers: the generator against an independent
// implementation (tests/scripts/select/generator.py), inclusion and joint
// probabilities against R's sampling package (tests/scripts/select/reference.R),
// and each method's inclusion frequencies over many draws with fixed seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <set>

#include "select/Methods.h"
#include "select/Request.h"

namespace mirto::select {
namespace {

// ---- The generator -------------------------------------------------------------------

TEST(SelectGenerator, FirstOutputsAsTheIndependentImplementation) {
  const std::uint64_t first[][3] = {{0x99ec5f36cb75f2b4, 0xbf6e1f784956452a, 0x1a5f849d4933e6e0},
                                    {0xb3f2af6d0fc710c5, 0x853b559647364cea, 0x92f89756082a4514},
                                    {0x38daf29b1ebbe041, 0xdb282e495b1b8379, 0x1b5b097bad6154c0}};
  const std::uint64_t seeds[] = {0, 1, kMaxSeed};
  for (int s = 0; s < 3; ++s) {
    Generator g(seeds[s]);
    for (std::uint64_t expected : first[s]) EXPECT_EQ(g.Next(), expected) << "seed " << seeds[s];
  }
  Generator u(20240607);
  for (double expected : {0.38990576086310147, 0.7885624289209043, 0.24972085720224324})
    EXPECT_EQ(u.Uniform(), expected);
  Generator b(7);
  for (auto [n, expected] : {std::pair<std::uint64_t, std::uint64_t>{1, 0},
                             {10, 2},
                             {3, 2},
                             {(std::uint64_t{1} << 63) + 5, 9049029322324588836u},
                             {1000003, 990863}})
    EXPECT_EQ(b.Below(n), expected) << n;
}

TEST(SelectGenerator, EqualProbabilityPositionsAsTheIndependentImplementation) {
  Generator s(11);
  EXPECT_EQ(SystematicPositions(103, 10, s), (std::vector<long long>{2, 12, 22, 33, 43, 53, 64, 74, 84, 94}));
  Generator r(12);
  EXPECT_EQ(SimpleRandomPositions(50, 7, r), (std::vector<long long>{5, 6, 20, 31, 36, 41, 45}));
}

// ---- Inclusion and joint probabilities against R ----------------------------------------

Certainty CertaintyOf(const std::vector<double>& x, long long n) {
  Largest largest(static_cast<std::size_t>(n));
  RunningSum total;
  for (double v : x) {
    largest.Offer(v);
    total.Add(v);
  }
  return FindCertainty(largest.Sorted(), total, n);
}

const std::vector<double> kOneCertain = {1, 2, 3, 4, 5, 6, 7, 8, 20, 9};

struct PiCase {
  const char* name;
  std::vector<double> sizes;
  long long n;
  std::vector<double> pi;  // R: inclusionprobabilities(sizes, n)
};

TEST(SelectProbabilities, InclusionProbabilitiesAsR) {
  std::vector<double> oneToTwelve(12);
  std::iota(oneToTwelve.begin(), oneToTwelve.end(), 1.0);
  const PiCase cases[] = {
      {"one_certain",
       kOneCertain,
       4,
       {0.066666666666666666, 0.13333333333333333, 0.20000000000000001, 0.26666666666666666, 0.33333333333333337,
        0.40000000000000002, 0.46666666666666667, 0.53333333333333333, 1, 0.60000000000000009}},
      {"three_rounds",
       {100, 50, 30, 10, 5, 3, 2, 1, 1, 1},
       4,
       {1, 1, 1, 0.43478260869565216, 0.21739130434782608, 0.13043478260869565, 0.086956521739130446,
        0.043478260869565223, 0.043478260869565223, 0.043478260869565223}},
      {"none",
       oneToTwelve,
       3,
       {0.038461538461538464, 0.076923076923076927, 0.11538461538461539, 0.15384615384615385, 0.19230769230769232,
        0.23076923076923078, 0.26923076923076922, 0.30769230769230771, 0.34615384615384615, 0.38461538461538464,
        0.42307692307692307, 0.46153846153846156}},
      {"all", {3, 1, 2}, 3, {1, 1, 1}},
  };
  for (const PiCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Certainty cert = CertaintyOf(c.sizes, c.n);
    RunningSum sum;
    for (std::size_t i = 0; i < c.sizes.size(); ++i) {
      EXPECT_NEAR(cert.Pi(c.sizes[i]), c.pi[i], 4e-16 * c.pi[i]) << i;
      sum.Add(cert.Pi(c.sizes[i]));
    }
    EXPECT_NEAR(sum.Value(), static_cast<double>(c.n), 1e-14);
  }
}

// The arcs of the units of a systematic PPS draw laid end to end: unit i starts
// where the pi of those before it end.
std::vector<double> Starts(const std::vector<double>& pi) {
  std::vector<double> s(pi.size());
  std::partial_sum(pi.begin(), pi.end() - 1, s.begin() + 1);
  return s;
}

std::vector<double> NonCertain(const std::vector<double>& pi) {
  std::vector<double> out;
  for (double p : pi)
    if (p < 1) out.push_back(p);
  return out;
}

// R's upper triangles, row by row (reference.R).
const std::vector<double> kSystematicOneCertain = {0,
                                                   0,
                                                   0,
                                                   0,
                                                   0.066666666666666666,
                                                   0,
                                                   0.066666666666666666,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   0.13333333333333336,
                                                   0,
                                                   0.13333333333333336,
                                                   0,
                                                   0,
                                                   0,
                                                   0.20000000000000001,
                                                   0,
                                                   0.20000000000000001,
                                                   0,
                                                   0,
                                                   0,
                                                   0.2666666666666665,
                                                   0,
                                                   0.26666666666666661,
                                                   0,
                                                   0.20000000000000007,
                                                   0.1333333333333333,
                                                   0.33333333333333337,
                                                   0,
                                                   0.40000000000000002,
                                                   0,
                                                   0,
                                                   0.46666666666666656,
                                                   0.1333333333333333};
const std::vector<double> kSampfordOneCertain = {
    0.0050810329953901029, 0.007864117398810138, 0.010851833533182646, 0.014085913790906455, 0.017616931071181369,
    0.02150299870547865,   0.025800669935834075, 0.030529835902549915, 0.01614406549314882,  0.022245627278252928,
    0.028830556773446807,  0.035996879598259139, 0.043856142147326041, 0.052514096197380428, 0.061998266183462415,
    0.034282549320602401,  0.044355708786054118, 0.055279116993836912, 0.067211903066368789, 0.080299823930906469,
    0.094562715010272358,  0.060810414087295588, 0.075633135831582543, 0.091754372015992319, 0.10934818404753949,
    0.12840721721888546,   0.097262527782824848, 0.11770196151716247,  0.13988070924711629,  0.16373887468186019,
    0.14530220576030708,   0.17213973342194641,  0.20076946954006175,  0.20634678927186673,  0.23965696084883129,
    0.28033666061407692};

TEST(SelectProbabilities, SystematicJointAsR) {
  const std::vector<double> pi = NonCertain({0.066666666666666666, 0.13333333333333333, 0.20000000000000001,
                                             0.26666666666666666, 0.33333333333333337, 0.40000000000000002,
                                             0.46666666666666667, 0.53333333333333333, 0.60000000000000009});
  const std::vector<double> s = Starts(pi);
  std::size_t k = 0;
  for (std::size_t i = 0; i < pi.size(); ++i)
    for (std::size_t j = i + 1; j < pi.size(); ++j, ++k)
      EXPECT_NEAR(SystematicJoint(s[i], pi[i], s[j], pi[j]), kSystematicOneCertain[k], 1e-14) << i << "," << j;
}

// Sampford's p_ij from the sums, all units taken as drawn (none left undrawn).
std::vector<double> SampfordAll(const std::vector<double>& pi, long long n) {
  double w = 0;
  for (double p : pi) w += p / (1 - p);
  const SampfordJoint joint(n, static_cast<double>(n) / w);
  return joint.Pairs(pi).value_or(std::vector<double>());
}

TEST(SelectProbabilities, SampfordJointAsR) {
  const std::vector<double> pi = {0.066666666666666666, 0.13333333333333333, 0.20000000000000001,
                                  0.26666666666666666,  0.33333333333333337, 0.40000000000000002,
                                  0.46666666666666667,  0.53333333333333333, 0.60000000000000009};
  const std::vector<double> pairs = SampfordAll(pi, 3);
  ASSERT_EQ(pairs.size(), kSampfordOneCertain.size());
  for (std::size_t k = 0; k < pairs.size(); ++k) EXPECT_NEAR(pairs[k], kSampfordOneCertain[k], 1e-13) << k;
  // Where one unit's w = pi / (1 - pi) dwarfs the others'.
  const std::vector<double> big = SampfordAll({0.95, 0.9, 0.6, 0.3, 0.15, 0.1}, 3);
  const double expected[] = {0.85150452344995953,  0.55738571408408966,   0.26916644319929994,  0.13330275358841545,
                             0.088640565678235222, 0.51505934822802124,   0.238787348453841,    0.11703738726659421,
                             0.077611392601583548, 0.071727379221769055,  0.033721225636176327, 0.022106332829943696,
                             0.012307876871833242, 0.0080109522532567472, 0.0036307566369807934};
  ASSERT_EQ(big.size(), 15u);
  for (std::size_t k = 0; k < 15; ++k) EXPECT_NEAR(big[k], expected[k], 1e-13) << k;
}

// With some units left out of the drawn set, the same p_ij for the rest.
TEST(SelectProbabilities, SampfordJointOfPartOfTheUnits) {
  const std::vector<double> pi = {0.066666666666666666, 0.13333333333333333, 0.20000000000000001,
                                  0.26666666666666666,  0.33333333333333337, 0.40000000000000002,
                                  0.46666666666666667,  0.53333333333333333, 0.60000000000000009};
  double w = 0;
  for (double p : pi) w += p / (1 - p);
  SampfordJoint joint(3, 3 / w);
  for (int i : {0, 1, 2, 4, 5, 6}) joint.AddUndrawn(pi[static_cast<std::size_t>(i)]);
  const auto pairs = joint.Pairs(std::vector<double>{pi[3], pi[7], pi[8]});
  ASSERT_TRUE(pairs);
  // Units 4, 8, 9 of R's matrix: (4,8), (4,9), (8,9).
  EXPECT_NEAR((*pairs)[0], kSampfordOneCertain[24], 1e-13);
  EXPECT_NEAR((*pairs)[1], kSampfordOneCertain[25], 1e-13);
  EXPECT_NEAR((*pairs)[2], kSampfordOneCertain[35], 1e-13);
}

// ---- Monte Carlo: inclusion frequencies over many draws ------------------------------------

// Counts how often each unit and each pair was drawn.
struct Tally {
  explicit Tally(std::size_t N) : once(N), pairs(N, std::vector<double>(N)) {}
  void Add(const std::vector<long long>& drawn) {
    ++draws;
    for (long long i : drawn) once[static_cast<std::size_t>(i)] += 1;
    for (long long i : drawn)
      for (long long j : drawn)
        if (i < j) pairs[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] += 1;
  }
  // Every unit within 4.5 standard errors of its pi (a frequency of hits for `perDraw`).
  void ExpectPi(const std::vector<double>& pi, bool hits = false, double n = 0) const {
    for (std::size_t i = 0; i < pi.size(); ++i) {
      const double mean = once[i] / draws;
      const double var = hits ? n * (pi[i] / n) * (1 - pi[i] / n) : pi[i] * (1 - pi[i]);
      EXPECT_NEAR(mean, pi[i], 4.5 * std::sqrt(var / draws) + 1e-12) << "unit " << i;
    }
  }
  void ExpectPair(std::size_t i, std::size_t j, double p) const {
    EXPECT_NEAR(pairs[i][j] / draws, p, 4.5 * std::sqrt(p * (1 - p) / draws) + 1e-12) << i << "," << j;
  }
  double draws = 0;
  std::vector<double> once;
  std::vector<std::vector<double>> pairs;
};

constexpr int kDraws = 20000;

TEST(SelectMonteCarlo, EqualProbabilities) {
  Tally srs(10), wr(10), sys(10);
  Generator g(101);
  for (int r = 0; r < kDraws; ++r) {
    srs.Add(SimpleRandomPositions(10, 4, g));
    wr.Add(WithReplacementPositions(10, 4, g));
    const std::vector<long long> s = SystematicPositions(10, 4, g);
    EXPECT_EQ(std::set<long long>(s.begin(), s.end()).size(), 4u);
    sys.Add(s);
  }
  const std::vector<double> pi(10, 0.4);
  srs.ExpectPi(pi);
  srs.ExpectPair(0, 9, 4.0 * 3 / (10 * 9));
  srs.ExpectPair(3, 4, 4.0 * 3 / (10 * 9));
  wr.ExpectPi(pi, true, 4);
  sys.ExpectPi(pi);
  // Interval 2.5: units 0 and 5 are always together or apart, 0 and 1 never together.
  sys.ExpectPair(0, 5, 0.4);
  sys.ExpectPair(0, 1, 0.0);
  sys.ExpectPair(0, 3, 0.2);
}

// A walk that asks Passes first, as a draw does, gives each unit the points
// and the start a walk by Next alone gives, to the last unit's leftovers.
TEST(SelectMethods, PassingAUnitIsNextWithNoPoint) {
  std::mt19937_64 random(26);
  for (int round = 0; round < 200; ++round) {
    std::vector<double> measures(1 + random() % 40);
    for (double& m : measures) m = 1 + static_cast<double>(random() % 1000) / 7;
    RunningSum total;
    for (double m : measures) total.Add(m);
    Generator g(static_cast<std::uint64_t>(round)), h(static_cast<std::uint64_t>(round));
    const long long draws = 1 + static_cast<long long>(random() % measures.size());
    const bool once = round % 2 == 0;
    // Some with a point past the end, as rounding may leave one for the last unit.
    const auto points = [&](Generator& gen) {
      auto p = once ? SystematicPoints(total.Value(), draws, gen) : UniformPoints(total.Value(), draws, gen);
      if (round % 3 == 0) p.push_back(2 * total.Value());
      return p;
    };
    PointWalk plain(points(g), static_cast<long long>(measures.size()), once);
    PointWalk passing(points(h), static_cast<long long>(measures.size()), once);
    for (double m : measures) {
      const long long hits = plain.Next(m);
      EXPECT_EQ(passing.Passes(m) ? 0 : passing.Next(m), hits);
      EXPECT_EQ(passing.Start(), plain.Start());
    }
  }
}

// PPS draws of kOneCertain, n = 4: unit 8 is certain, the others drawn by `method`.
std::vector<long long> PpsDraw(PpsMethod method, Generator& g) {
  const Certainty c = CertaintyOf(kOneCertain, 4);
  std::vector<long long> drawn = {8};
  if (method == PpsMethod::Systematic) {
    PointWalk walk(SystematicPoints(c.rest, c.Draws(), g), 9, true);
    for (std::size_t k = 0; k < kOneCertain.size(); ++k)
      if (kOneCertain[k] < c.from && walk.Next(kOneCertain[k])) drawn.push_back(static_cast<long long>(k));
    return drawn;
  }
  Doubles cum, odds;
  for (double x : kOneCertain) cum.push_back(x);
  Cumulate(cum, &odds, c);
  const auto chosen = method == PpsMethod::Sampford ? Sampford(cum, odds, c.Draws(), g, kSampfordTries)
                                                    : std::optional(Brewer(cum, c.Draws(), g));
  drawn.insert(drawn.end(), chosen->begin(), chosen->end());
  return drawn;
}

TEST(SelectMonteCarlo, WithoutReplacementBySize) {
  const std::vector<double> pi = {0.066666666666666666, 0.13333333333333333, 0.20000000000000001,
                                  0.26666666666666666,  0.33333333333333337, 0.40000000000000002,
                                  0.46666666666666667,  0.53333333333333333, 1,
                                  0.60000000000000009};
  for (PpsMethod m : {PpsMethod::Systematic, PpsMethod::Sampford, PpsMethod::Brewer}) {
    SCOPED_TRACE(static_cast<int>(m));
    Tally t(10);
    Generator g(202);
    for (int r = 0; r < kDraws; ++r) {
      const std::vector<long long> d = PpsDraw(m, g);
      ASSERT_EQ(std::set<long long>(d.begin(), d.end()).size(), 4u);
      t.Add(d);
    }
    t.ExpectPi(pi);
    if (m == PpsMethod::Systematic) {
      t.ExpectPair(0, 5, kSystematicOneCertain[4]);
      t.ExpectPair(7, 9, kSystematicOneCertain[35]);  // the non-certain units 8 and 9 of R's matrix
      t.ExpectPair(0, 1, 0.0);
    }
    if (m == PpsMethod::Sampford) {
      t.ExpectPair(0, 1, kSampfordOneCertain[0]);
      t.ExpectPair(7, 9, kSampfordOneCertain[35]);
    }
  }
}

TEST(SelectMonteCarlo, WithReplacementBySize) {
  Tally t(10);
  Generator g(303);
  RunningSum total;
  for (double x : kOneCertain) total.Add(x);
  for (int r = 0; r < kDraws; ++r) {
    PointWalk walk(UniformPoints(total.Value(), 4, g), 10, false);
    std::vector<long long> drawn;
    for (std::size_t k = 0; k < 10; ++k)
      for (long long h = walk.Next(kOneCertain[k]); h > 0; --h) drawn.push_back(static_cast<long long>(k));
    ASSERT_EQ(drawn.size(), 4u);
    t.Add(drawn);
  }
  std::vector<double> expected;
  for (double x : kOneCertain) expected.push_back(4 * x / 65);
  t.ExpectPi(expected, true, 4);
}

// Probabilities near 1 make Brewer's rejection slow: the draw over every unit takes over.
TEST(SelectMonteCarlo, BrewerNearCertainty) {
  const std::vector<double> pi = {0.999, 0.998, 0.997, 0.003, 0.003};
  Doubles cum;
  double run = 0;
  for (double p : pi) cum.push_back(run += p);
  Tally t(5);
  Generator g(404);
  for (int r = 0; r < kDraws; ++r) t.Add(Brewer(cum, 3, g));
  t.ExpectPi(pi);
}

TEST(SelectMonteCarlo, SampfordGivesUpAfterItsTries) {
  Doubles cum, odds;
  for (int k = 1; k <= 200; ++k) {
    cum.push_back(0.5 * k);
    odds.push_back(1.0 * k);
  }
  Generator g(505);
  EXPECT_FALSE(Sampford(cum, odds, 100, g, 1000));
}

}  // namespace
}  // namespace mirto::select
