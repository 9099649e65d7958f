// Formulas whose written sums cancel (a sum of squares less a square of sums)
// on stress inputs: values near 1e8 and 1e-6, equal shares, repeated draws,
// n = 2 and 3, nearly collinear X. Every figure a block prints must be the
// exact value, correctly rounded to its printed places, within one unit of
// the last place. The exact values are the formulas as written, evaluated
// in exact rational arithmetic on the very doubles the program reads from
// the script's text, with square roots taken in 50 significant digits
// (Boost.Multiprecision). Each case names what the block printed before the
// formulas worked from deviations.
#include <gtest/gtest.h>

#include <boost/multiprecision/cpp_dec_float.hpp>
#include <boost/multiprecision/cpp_int.hpp>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "data/DataSession.h"
#include "framework/Format.h"
#include "srs/Srs.h"
#include "support/RecordCheck.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

using Big = boost::multiprecision::cpp_dec_float_50;
using Exact = boost::multiprecision::cpp_rational;  // a division by 0 throws
using Bigs = std::vector<Big>;
using Exacts = std::vector<Exact>;
using Texts = std::vector<std::string>;

// The double the program reads from a field's text, exactly.
Exact Read(const std::string& text) { return Exact(std::strtod(text.c_str(), nullptr)); }
Exacts Read(const Texts& texts) {
  Exacts out;
  for (const std::string& t : texts) out.push_back(Read(t));
  return out;
}

Big Value(const Exact& v) { return static_cast<Big>(v); }
// The square root, or NaN below 0.
Big Root(const Exact& v) { return v < 0 ? std::numeric_limits<Big>::quiet_NaN() : Big(sqrt(Value(v))); }

Exact Sum(const Exacts& v) {
  Exact s = 0;
  for (const Exact& x : v) s += x;
  return s;
}
Exact Products(const Exacts& x, const Exacts& y) {
  Exact s = 0;
  for (std::size_t i = 0; i < x.size(); ++i) s += x[i] * y[i];
  return s;
}

// A report line, by the text it starts with, and the exact figures it prints after that text.
struct Line {
  std::string prefix;
  Bigs values;
};

struct Stress {
  std::string name;  // and what was printed before
  std::string script;
  std::vector<Line> lines;
  std::size_t deviation;  // the line of the estimated deviation (or variance)
};

// Whether `printed` (as "%.Nf" prints it) is the exact value rounded to its
// places, within one unit of the last.
bool Matches(const std::string& printed, const Big& exact) {
  if (printed == "nan" || printed == "-nan") return boost::multiprecision::isnan(exact);
  if (boost::multiprecision::isnan(exact)) return false;
  const std::size_t point = printed.find('.');
  const int places = point == std::string::npos ? 0 : static_cast<int>(printed.size() - point - 1);
  const Big scale = pow(Big(10), places);
  const Big units = abs(Big(printed) * scale - round(exact * scale));
  return units <= 1;
}

void Check(const Stress& c) {
  SCOPED_TRACE(c.name);
  test::Session s;
  const test::ScriptResult r = s.Run(c.script);
  ASSERT_EQ(r.status, 0) << r.err;
  for (const Line& line : c.lines) {
    auto at = std::find_if(r.appended.begin(), r.appended.end(),
                           [&](const std::string& l) { return l.rfind(line.prefix, 0) == 0; });
    ASSERT_NE(at, r.appended.end()) << line.prefix;
    const std::vector<std::string> printed = test::PrintedNumbers(at->substr(line.prefix.size()));
    ASSERT_EQ(printed.size(), line.values.size()) << *at;
    for (std::size_t k = 0; k < printed.size(); ++k)
      EXPECT_TRUE(Matches(printed[k], line.values[k])) << *at << "\n  exact: " << line.values[k].str(20);
  }
}

const Exact kZ95 = Exact(1.96);

std::string Rows(const Texts& a, const Texts& b) {
  std::string rows;
  for (std::size_t i = 0; i < a.size(); ++i) rows += "ok " + a[i] + (b.empty() ? "" : "; " + b[i]) + "\n";
  return rows;
}

// The lines of an interval block: the estimates, the deviation, the two intervals.
std::vector<Line> IntervalLines(bool mean, const Exact& N, const Exact& m, const Exact& total, const Big& sd) {
  const Big z = Value(kZ95), low = Value(m) - z * sd, high = Value(m) + z * sd;
  const Big bN = Value(N);
  if (mean)
    return {{"Estimate of population mean:", {Value(m)}},
            {"Estimate of population total:", {Value(total)}},
            {"Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is", {sd}},
            {"Approx. 0.95 confidence interval for pop. mean is from", {low, high}},
            {"Approx. 0.95 confidence interval for pop. total is from", {bN * low, bN * high}}};
  return {{"Estimate of population proportion:", {Value(m)}},
          {"Estimate of population number:", {Value(total)}},
          {"Estimated std. deviation of estimator of pop. proportion, Sd(P_hh), is", {sd}},
          {"Approx. 0.95 confidence interval for pop. proportion is from", {low, high}},
          {"Approx. 0.95 confidence interval for pop. number is from", {bN * low, bN * high}}};
}

std::string UnequalCommand(const char* method, bool mean) {
  return std::string("command ") + method + " > " +
         (mean ? "Mean/total of variable" : "Proportion/number in category") + " > Interval estimates\n";
}

// ---- Unequal probabilities: S1 = sum Y/p, S2 = sum (Y / (N p))^2.

struct Shares {
  Exact S1 = 0, S2 = 0;
};
Shares SharesOf(const Exact& N, const Exacts& y, const Exacts& p) {
  Shares s;
  for (std::size_t i = 0; i < y.size(); ++i) {
    s.S1 += y[i] / p[i];
    s.S2 += (y[i] / (N * p[i])) * (y[i] / (N * p[i]));
  }
  return s;
}

// With replacement: m = S1 / (N n), sd = sqrt((S2 - n m^2) / (n (n - 1))).
Stress Hhe(std::string name, bool mean, const std::string& N, const Texts& y, const Texts& q) {
  const Exact bN = Read(N), n = static_cast<int>(y.size());
  const Shares s = SharesOf(bN, Read(y), Read(q));
  const Exact m = s.S1 / (bN * n);
  return {
      std::move(name),
      UnequalCommand("Un.Prob.WithRepl.", mean) + "ok " + N + "; " + std::to_string(y.size()) + "; 95%\n" + Rows(y, q),
      IntervalLines(mean, bN, m, s.S1 / n, Root((s.S2 - n * m * m) / (n * (n - 1)))), 2};
}

// Without replacement: m = S1 / N, A = (S2 - m^2 / n) n^2 / (n - 1), sd = sqrt((N - n) A / (n (N - 1))).
Stress Hte(std::string name, bool mean, const std::string& N, const Texts& y, const Texts& p) {
  const Exact bN = Read(N), n = static_cast<int>(y.size());
  const Shares s = SharesOf(bN, Read(y), Read(p));
  const Exact m = s.S1 / bN, A = (s.S2 - m * m / n) * n * n / (n - 1);
  return {std::move(name),
          UnequalCommand("Un.Prob.WithoutRepl.", mean) + "ok " + N + "; " + std::to_string(y.size()) + "; 95%\n" +
              Rows(y, p),
          IntervalLines(mean, bN, m, s.S1, Root((bN - n) * A / (n * (bN - 1)))), 2};
}

// ---- Prediction, Model D, from the sample sums.

// N^2 (1/n - 1/N + (mean x - X / N)^2 / (sum x^2 - sum x sum x / n)).
Exact FactorD(const Exact& N, const Exact& popSumX, const Exacts& x) {
  const Exact n = static_cast<int>(x.size()), sx = Sum(x), gap = sx / n - popSumX / N;
  return N * N * (1 / n - 1 / N + gap * gap / (Products(x, x) - sx * sx / n));
}

Stress ModelD(std::string name, const std::string& N, const std::string& popSumX, const Texts& x, const Texts& y) {
  const Exact bN = Read(N), X = Read(popSumX), n = static_cast<int>(x.size());
  const Exacts bx = Read(x), by = Read(y);
  const Exact sx = Sum(bx), sy = Sum(by), sxy = Products(bx, by), mx = sx / n, my = sy / n;
  const Exact b = (sxy - n * my * mx) / (Products(bx, bx) - n * mx * mx), a = my - b * mx;
  const Exact T = bN * (my + b * (X / bN - mx));
  const Exact s2 = (Products(by, by) - a * sy - b * sxy) / (n - 2);
  const Big sd = Root(s2 * FactorD(bN, X, bx)), z = Value(kZ95);
  const Big low = Value(T) - z * sd, high = Value(T) + z * sd;
  return {std::move(name),
          "command Prediction\nok Model D; Confidence interval\nok " + N + "; " + std::to_string(x.size()) + "; " +
              popSumX + "; 95%\n" + Rows(x, y),
          {{"Best estimate a =", {Value(a)}},
           {"Best estimate b =", {Value(b)}},
           {"Estimate of population mean:", {Value(T / bN)}},
           {"Estimate of population total:", {Value(T)}},
           {"Estimated error std. deviation, hatSdE*, is", {sd}},
           {"Approx. 0.95 confidence interval for pop. mean is from", {low / Value(bN), high / Value(bN)}},
           {"Approx. 0.95 confidence interval for pop. total is from", {low, high}}},
          4};
}

Stress ModelDVariance(std::string name, const std::string& N, const std::string& popSumX, const Texts& x,
                      const std::string& sigma2) {
  return {std::move(name),
          "command Prediction\nok Model D; Theoretical error variance\nok " + N + "; " + std::to_string(x.size()) +
              "; " + popSumX + "; " + sigma2 + "\n" + Rows(x, {}),
          {{"Theoretical error variance, VarE*, is", {Value(FactorD(Read(N), Read(popSumX), Read(x)) * Read(sigma2))}}},
          0};
}

// Model C with the whole population sampled: the remainders X_r and Q_r are 0 or nearly.
Stress ModelCCensus(std::string name, const std::string& popSumX, const std::string& popSumX2, const Texts& x,
                    const Texts& y) {
  const Exacts bx = Read(x), by = Read(y);
  const Exact n = static_cast<int>(x.size()), Xr = Read(popSumX) - Sum(bx), Qr = Read(popSumX2) - Products(bx, bx);
  Exact ratios = 0, residuals = 0;
  for (std::size_t i = 0; i < x.size(); ++i) ratios += by[i] / bx[i];
  const Exact b = ratios / n, T = Sum(by) + b * Xr;
  for (std::size_t i = 0; i < x.size(); ++i) residuals += (by[i] - b * bx[i]) * (by[i] - b * bx[i]) / (bx[i] * bx[i]);
  const Big sd = Root(residuals / (n - 1) * (Xr * Xr / n + Qr)), z = Value(kZ95);
  const std::string size = std::to_string(x.size());
  return {std::move(name),
          "command Prediction\nok Model C; Confidence interval\nok " + size + "; " + size + "; " + popSumX + "; " +
              popSumX2 + "; 95%\n" + Rows(x, y),
          {{"Best estimate b =", {Value(b)}},
           {"Estimate of population total:", {Value(T)}},
           {"Estimated error std. deviation, hatSdE*, is", {sd}},
           {"Approx. 0.95 confidence interval for pop. total is from", {Value(T) - z * sd, Value(T) + z * sd}}},
          2};
}

// ---- Simple random sampling, the ratio estimator:
// sigmaY^2 + R^2 sigmaX^2 - 2 R rhoXY sigmaX sigmaY with R = muY / muX.
Stress RatioEstimatorSd(std::string name, const Texts& f) {  // N, n, muX, muY, sigmaX, sigmaY, rhoXY
  const Exacts v = Read(f);
  const Exact R = v[3] / v[2], Q = v[5] * v[5] + R * R * v[4] * v[4] - 2 * R * v[6] * v[4] * v[5];
  const Big sd = Root((v[0] - v[1]) * Q / ((v[0] - 1) * v[1]));
  return {std::move(name),
          "command Simple > Mean/total of variable > Th. std. dev. of estimator > Ratio\nok " + f[0] + "; " + f[1] +
              "; " + f[2] + "; " + f[3] + "; " + f[4] + "; " + f[5] + "; " + f[6] + "\n",
          {{"Std. deviation of estimator of population mean=", {sd}},
           {"Std. deviation of estimator of population total=", {Value(v[0]) * sd}}},
          0};
}

TEST(Numerics, StressInputsPrintTheExactFigures) {
  const Stress cases[] = {
      Hhe("the same draw twice (was nan)", true, "3", {"3", "3"}, {"0.2", "0.2"}),
      Hhe("values proportional to q, near 1e6", true, "1000", {"1000000", "3000000", "7000000"},
          {"0.001", "0.003", "0.007"}),
      Hhe("values near 1e8, shares 1 apart (sd was 0.000000 for 0.5)", true, "4", {"200000002", "200000000"},
          {"0.5", "0.5"}),
      Hhe("a category, values near 1e-6 of N", false, "1000000", {"1", "1", "0"}, {"0.4", "0.5", "0.3"}),
      Hte("a category element twice (was nan)", false, "10", {"1", "1"}, {"0.3", "0.3"}),
      Hte("values near 1e8, shares 1 apart (sd was 0.000000 for 0.816497)", true, "4", {"99999999", "100000001"},
          {"0.5", "0.5"}),
      Hte("three values proportional to p", true, "20", {"0.3", "0.6", "2.1"}, {"0.1", "0.2", "0.7"}),
      ModelD("X near 1e8 (b was 1.218750 for 1.95, hatSdE 8.038210 for 0)", "10", "1000000030",
             {"100000001", "100000002", "100000003", "100000004"}, {"10", "11.95", "13.9", "15.85"}),
      ModelD("Y near 1e7 (hatSdE was 0.286520 for 0.538516)", "10", "30", {"1", "2", "3", "4", "5"},
             {"10000000.1", "10000002.3", "10000003.9", "10000006.2", "10000008.1"}),
      ModelD("nearly collinear, n = 3 (b was 2.496454 for 2.500000)", "50", "1000", {"2", "2.000001", "2.000002"},
             {"5", "5.000002", "5.000005"}),
      ModelDVariance("X near 1e8 (VarE was 616.666667 for 569.047619)", "20", "2000000100",
                     {"100000001", "100000002", "100000006"}, "2.5"),
      ModelCCensus("census, X-values 0.1 to 0.3", "0.6", "0.14", {"0.1", "0.2", "0.3"}, {"0.21", "0.39", "0.6"}),
      RatioEstimatorSd("correlation 1, sigmaY = R sigmaX (was nan)",
                       {"1000", "10", "41.678", "148.39", "9.7141", "34.586", "1"}),
  };
  for (const Stress& c : cases) Check(c);
}

// At most the 10 characters a field takes.
std::string Text(double v) {
  for (int digits = 6;; --digits) {
    char text[32];
    const std::string t(text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, digits).ptr);
    if (t.size() <= 10 || digits == 1) return t;
  }
}

// Random samples near the cases where the written sums cancel: draws of one
// share, values proportional to the probabilities, points on a line far from
// 0, a correlation of 1 with sigmaY = R sigmaX.
Stress RandomSample(std::mt19937& random, int kind) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int n = 2 + static_cast<int>(random() % 4);
  const double c = 0.1 + 10 * unit(random);
  Texts a, b;
  switch (kind) {
    case 0:
    case 1: {  // with and without replacement: shares equal, or nearly, to 1e-6
      const double N = n + 1 + std::floor(1000 * unit(random));
      for (int i = 0; i < n; ++i) {
        const double p = 0.001 + 0.9 * unit(random), jitter = random() % 3 == 0 ? 1 + 1e-6 * unit(random) : 1;
        a.push_back(Text(c * p * N * jitter));
        b.push_back(Text(p));
      }
      if (random() % 3 == 0) a.back() = a.front(), b.back() = b.front();  // the same element again
      return kind == 0 ? Hhe("", true, Text(N), a, b) : Hte("", random() % 2 == 0, Text(N), a, b);
    }
    case 2: {  // Model D: points on or near a line, X far from 0
      const double base = std::pow(10.0, static_cast<double>(random() % 9)), slope = c - 5;
      double total = 0;
      for (int i = 0; i < n + 1; ++i) {
        const double x = base + static_cast<double>(random() % 7);
        a.push_back(Format("%.0f", x));
        b.push_back(Text(3 + slope * (x - base) + (random() % 2 == 0 ? 0.0 : 1e-3 * unit(random))));
        total += x;
      }
      return ModelD("", Text(n + 1 + 20), Format("%.0f", total + 20 * base), a, b);
    }
    default: {  // correlation 1, sigmaY = R sigmaX
      const double muX = 1 + 100 * unit(random), sigmaX = 0.1 + 20 * unit(random);
      return RatioEstimatorSd("", {"1000", "30", Text(muX), Text(c * muX), Text(sigmaX), Text(c * sigmaX), "1"});
    }
  }
}

// Where the exact deviation is finite, the printed one must be a number and not negative.
TEST(Numerics, NoDeviationIsNegativeOrNanWhereTheExactOneIsFinite) {
  std::mt19937 random(20261208);
  for (int trial = 0; trial < 1000; ++trial) {
    Stress c;
    try {
      c = RandomSample(random, trial % 4);
    } catch (const std::exception&) {  // a divisor exactly 0: no finite deviation to compare
      continue;
    }
    SCOPED_TRACE(c.script);
    test::Session s;
    const test::ScriptResult r = s.Run(c.script);
    ASSERT_EQ(r.status, 0) << r.err;
    const Line& line = c.lines[c.deviation];
    auto at = std::find_if(r.appended.begin(), r.appended.end(),
                           [&](const std::string& l) { return l.rfind(line.prefix, 0) == 0; });
    ASSERT_NE(at, r.appended.end()) << line.prefix;
    const std::string printed = test::PrintedNumbers(at->substr(line.prefix.size())).at(0);
    if (!boost::multiprecision::isfinite(line.values[0])) continue;
    EXPECT_NE(printed, "nan") << *at << "\n  exact: " << line.values[0].str(20);
    EXPECT_NE(printed[0], '-') << *at;
  }
}

}  // namespace
}  // namespace mirto

namespace mirto::data {
namespace {

using Rational = boost::multiprecision::cpp_rational;

// A data scan's running moments, on values near 1e8 with a spread of 1, by
// two groups merged and as one: within a few units of the last place of the
// exact centred sums (rational arithmetic on the very doubles).
TEST(Numerics, RunningMomentsOfDataKeepTheirDigits) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> spread(-1.0, 1.0);
  std::vector<double> ys, xs;
  Moments whole, first, second;
  for (int i = 0; i < 2000; ++i) {
    ys.push_back(1e8 + spread(random));
    xs.push_back(3e7 + 0.5 * ys.back() - 5e7 + spread(random));
    whole.Add(ys.back(), xs.back());
    (i % 3 ? first : second).Add(ys.back(), xs.back());
  }
  Moments merged = first;
  merged.Merge(second);
  Rational my = 0, mx = 0;
  for (std::size_t i = 0; i < ys.size(); ++i) my += Rational(ys[i]), mx += Rational(xs[i]);
  my /= static_cast<long>(ys.size()), mx /= static_cast<long>(xs.size());
  Rational ssY = 0, ssX = 0, sxy = 0;
  for (std::size_t i = 0; i < ys.size(); ++i) {
    ssY += (Rational(ys[i]) - my) * (Rational(ys[i]) - my);
    ssX += (Rational(xs[i]) - mx) * (Rational(xs[i]) - mx);
    sxy += (Rational(xs[i]) - mx) * (Rational(ys[i]) - my);
  }
  const auto near = [](double got, const Rational& exact) {
    const double want = static_cast<double>(exact);
    return std::abs(got - want) <= 8 * std::numeric_limits<double>::epsilon() * std::abs(want);
  };
  for (const Moments* m : {&whole, &merged}) {
    EXPECT_EQ(m->n, 2000);
    EXPECT_TRUE(near(m->MeanY(), my)) << m->MeanY();
    EXPECT_TRUE(near(m->MeanX(), mx)) << m->MeanX();
    EXPECT_TRUE(near(m->VarY(1), ssY)) << m->VarY(1);
    EXPECT_TRUE(near(m->VarX(1), ssX)) << m->VarX(1);
    EXPECT_TRUE(near(m->Cov(1), sxy)) << m->Cov(1);
  }
}

// The scan's runs of numbers (y alone, or by group) take AddY's very steps:
// the same bits, through a value large enough to rescale the sums midway, and
// a run stops at a value that is missing or no number.
TEST(Numerics, RunsOfValuesAddAsOneByOne) {
  std::vector<double> ys;
  for (int i = 0; i < 50; ++i) ys.push_back(1e8 + 0.37 * i * (i % 7 == 0 ? -1 : 1));
  ys[20] = 1e300, ys[21] = -3e299;  // scaled from here on
  std::vector<Value> values;
  for (double y : ys) values.push_back({.numeric = true, .number = y, .text = {}, .unread = false});
  values.insert(values.begin() + 30,
                Value{.missing = true, .numeric = false, .number = 0, .text = {}, .unread = false});
  Moments single, run;
  std::vector<Moments> one(3), pooled(3);
  std::vector<std::pair<std::size_t, double>> units;
  for (std::size_t i = 0; i < ys.size(); ++i) {
    if (i < 30) single.AddY(ys[i]);
    one[i % 3].AddY(ys[i]);
    units.emplace_back(i % 3, ys[i]);
  }
  EXPECT_EQ(run.AddYs(values), 30u);  // up to the missing value
  Moments::AddYs(pooled, units);
  const auto same = [](const Moments& a, const Moments& b) {
    return a.n == b.n && a.MeanY() == b.MeanY() && a.VarY(1) == b.VarY(1) && a.SdY(1) == b.SdY(1);
  };
  EXPECT_TRUE(same(single, run));
  for (int g = 0; g < 3; ++g) EXPECT_TRUE(same(one[g], pooled[g])) << g;
}

// Values near the square root of the largest double: their squares and the
// sum of their squares overflow, their standard deviation does not. The
// moments scale them by a power of two before squaring, whether taken
// together or by parts merged; so do the sums over arrays, whose mean alone
// would overflow at 1.5e308. Exact: rational arithmetic on the very doubles.
TEST(Numerics, HugeValuesKeepAFiniteDeviation) {
  const double ys[] = {1e154, -1e154, 3};
  Moments whole, first, second;
  for (int i = 0; i < 3; ++i) {
    whole.AddY(ys[i]);
    (i == 2 ? first : second).Add(ys[i], i + 1.0);
  }
  Moments merged = first;
  merged.Merge(second);
  Rational mean = 0, squares = 0;
  for (double y : ys) mean += Rational(y) / 3;
  for (double y : ys) squares += (Rational(y) - mean) * (Rational(y) - mean);
  const double sd = std::sqrt(static_cast<double>(squares / 3));  // about 8.16e153
  for (const Moments* m : {&whole, &merged})
    EXPECT_NEAR(m->SdY(3) / sd, 1.0, 4 * std::numeric_limits<double>::epsilon()) << m->SdY(3);
  EXPECT_EQ(std::isinf(whole.VarY(1)), true);  // 2e308 is beyond a double: so said, not lost
  EXPECT_EQ(static_cast<double>(mean), 1.0);   // the two large values cancel exactly
  for (const Moments* m : {&whole, &merged}) EXPECT_EQ(m->MeanY(), 1.0);

  // The interval's deviation of the mean: s sqrt((N - n) / ((n - 1) N)), finite though s^2 (N - n) is not.
  srs::SrsInput in;
  in.N = 1000, in.n = 3, in.barY = 1, in.s = sd, in.z = 1.96;
  const double expected = sd * std::sqrt(997.0 / 2000.0);
  EXPECT_NEAR(srs::ComputeInterval(in, Target::MeanTotal).sd / expected, 1.0,
              4 * std::numeric_limits<double>::epsilon());

  const std::vector<double> same(3, 1.5e308), x = {1.5e308, 1.7e308}, y = {1, 2};
  EXPECT_EQ(SquaredDeviations(same), 0.0);
  const Rational mx = (Rational(x[0]) + Rational(x[1])) / 2;
  const double cross =
      static_cast<double>((Rational(x[0]) - mx) * Rational(-0.5) + (Rational(x[1]) - mx) * Rational(0.5));
  EXPECT_NEAR(CrossDeviations(x, y) / cross, 1.0, 4 * std::numeric_limits<double>::epsilon());
}

}  // namespace
}  // namespace mirto::data
