// Formulas whose written sums cancel (a sum of squares less a square of sums)
// on stress inputs: values near 1e8 and 1e-6, equal shares, repeated draws,
// n = 2 and 3, nearly collinear X. Every figure a block prints must be the
// exact value, correctly rounded to its printed places, within one unit of
// the last place. The exact values come from the formulas evaluated in 50
// significant digits (Boost.Multiprecision) on the very doubles the program
// reads from the script's text; where a formula is a sum of squares less a
// square of sums, it is evaluated as the same algebra about the mean, so
// that an exact 0 stays 0 in 50 digits too. Each case names what the block
// printed before the formulas worked from deviations.
#include <gtest/gtest.h>

#include <boost/multiprecision/cpp_dec_float.hpp>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "framework/Format.h"
#include "support/RecordCheck.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

using Big = boost::multiprecision::cpp_dec_float_50;
using Bigs = std::vector<Big>;
using Texts = std::vector<std::string>;

// The double the program reads from a field's text.
Big Read(const std::string& text) { return Big(std::strtod(text.c_str(), nullptr)); }
Bigs Read(const Texts& texts) {
  Bigs out;
  for (const std::string& t : texts) out.push_back(Read(t));
  return out;
}

Big Sum(const Bigs& v) {
  Big s = 0;
  for (const Big& x : v) s += x;
  return s;
}
Big Mean(const Bigs& v) { return Sum(v) / static_cast<int>(v.size()); }
Big Deviations(const Bigs& x, const Bigs& y) {
  const Big mx = Mean(x), my = Mean(y);
  Big s = 0;
  for (std::size_t i = 0; i < x.size(); ++i) s += (x[i] - mx) * (y[i] - my);
  return s;
}
// The square root, or NaN below 0.
Big Root(const Big& v) { return v < 0 ? std::numeric_limits<Big>::quiet_NaN() : Big(sqrt(v)); }

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

const Big kZ95 = Big(1.96);

std::string Rows(const Texts& a, const Texts& b) {
  std::string rows;
  for (std::size_t i = 0; i < a.size(); ++i) rows += "ok " + a[i] + (b.empty() ? "" : "; " + b[i]) + "\n";
  return rows;
}

// ---- Unequal probabilities: the interval's deviation from the elements' shares u = Y / (N p).

Big SquaredShares(const Big& N, const Bigs& y, const Bigs& p) {
  Bigs u;
  for (std::size_t i = 0; i < y.size(); ++i) u.push_back(y[i] / (N * p[i]));
  return Deviations(u, u);
}

std::vector<Line> IntervalLines(bool mean, const Big& N, const Big& m, const Big& total, const Big& sd) {
  const Big low = m - kZ95 * sd, high = m + kZ95 * sd;
  if (mean)
    return {{"Estimate of population mean:", {m}},
            {"Estimate of population total:", {total}},
            {"Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is", {sd}},
            {"Approx. 0.95 confidence interval for pop. mean is from", {low, high}},
            {"Approx. 0.95 confidence interval for pop. total is from", {N * low, N * high}}};
  return {{"Estimate of population proportion:", {m}},
          {"Estimate of population number:", {total}},
          {"Estimated std. deviation of estimator of pop. proportion, Sd(P_hh), is", {sd}},
          {"Approx. 0.95 confidence interval for pop. proportion is from", {low, high}},
          {"Approx. 0.95 confidence interval for pop. number is from", {N * low, N * high}}};
}

// With replacement: m = sum(Y/q) / (N n), sd = sqrt(sum (u - m)^2 / (n (n - 1))).
Stress Hhe(std::string name, bool mean, const std::string& N, const Texts& y, const Texts& q) {
  const Big bN = Read(N), n = static_cast<int>(y.size());
  const Bigs by = Read(y), bq = Read(q);
  Big S1 = 0;
  for (std::size_t i = 0; i < y.size(); ++i) S1 += by[i] / bq[i];
  const Big sd = Root(SquaredShares(bN, by, bq) / (n * (n - 1)));
  const std::string command = mean ? "Mean/total of variable" : "Proportion/number in category";
  return {std::move(name),
          "command Un.Prob.WithRepl. > " + command + " > Interval estimates\nok " + N + "; " +
              std::to_string(y.size()) + "; 95%\n" + Rows(y, q),
          IntervalLines(mean, bN, S1 / (bN * n), S1 / n, sd), 2};
}

// Without replacement: m = sum(Y/p) / N, V = (N - n) A / (n (N - 1)), A = sum (u - mean u)^2 n^2 / (n - 1).
Stress Hte(std::string name, bool mean, const std::string& N, const Texts& y, const Texts& p) {
  const Big bN = Read(N), n = static_cast<int>(y.size());
  const Bigs by = Read(y), bp = Read(p);
  Big S1 = 0;
  for (std::size_t i = 0; i < y.size(); ++i) S1 += by[i] / bp[i];
  const Big A = SquaredShares(bN, by, bp) * n * n / (n - 1);
  const Big sd = Root((bN - n) * A / (n * (bN - 1)));
  const std::string command = mean ? "Mean/total of variable" : "Proportion/number in category";
  return {std::move(name),
          "command Un.Prob.WithoutRepl. > " + command + " > Interval estimates\nok " + N + "; " +
              std::to_string(y.size()) + "; 95%\n" + Rows(y, p),
          IntervalLines(mean, bN, S1 / bN, S1, sd), 2};
}

// ---- Prediction, Model D: the least-squares line and its residuals.

struct Fit {
  Big meanX, b, a, Sxx, s2;
};

Fit LeastSquares(const Bigs& x, const Bigs& y) {
  Fit f;
  f.meanX = Mean(x);
  f.Sxx = Deviations(x, x);
  f.b = Deviations(x, y) / f.Sxx;
  f.a = Mean(y) - f.b * f.meanX;
  Big residuals = 0;
  for (std::size_t i = 0; i < x.size(); ++i) residuals += pow(y[i] - f.a - f.b * x[i], 2);
  f.s2 = residuals / static_cast<int>(x.size() - 2);
  return f;
}

// N^2 (1/n - 1/N + (mean x - X / N)^2 / Sxx).
Big FactorD(const Big& N, const Big& popSumX, const Bigs& x, const Fit& f) {
  const Big n = static_cast<int>(x.size());
  return N * N * (1 / n - 1 / N + pow(f.meanX - popSumX / N, 2) / f.Sxx);
}

Stress ModelD(std::string name, const std::string& N, const std::string& popSumX, const Texts& x, const Texts& y) {
  const Big bN = Read(N), X = Read(popSumX);
  const Bigs bx = Read(x), by = Read(y);
  const Fit f = LeastSquares(bx, by);
  const Big T = bN * (Mean(by) + f.b * (X / bN - f.meanX));
  const Big sd = Root(f.s2 * FactorD(bN, X, bx, f));
  const Big low = T - kZ95 * sd, high = T + kZ95 * sd;
  return {std::move(name),
          "command Prediction\nok Model D; Confidence interval\nok " + N + "; " + std::to_string(x.size()) + "; " +
              popSumX + "; 95%\n" + Rows(x, y),
          {{"Best estimate a =", {f.a}},
           {"Best estimate b =", {f.b}},
           {"Estimate of population mean:", {T / bN}},
           {"Estimate of population total:", {T}},
           {"Estimated error std. deviation, hatSdE*, is", {sd}},
           {"Approx. 0.95 confidence interval for pop. mean is from", {low / bN, high / bN}},
           {"Approx. 0.95 confidence interval for pop. total is from", {low, high}}},
          4};
}

Stress ModelDVariance(std::string name, const std::string& N, const std::string& popSumX, const Texts& x,
                      const std::string& sigma2) {
  const Big bN = Read(N), X = Read(popSumX);
  const Bigs bx = Read(x);
  Fit f;
  f.meanX = Mean(bx);
  f.Sxx = Deviations(bx, bx);
  return {std::move(name),
          "command Prediction\nok Model D; Theoretical error variance\nok " + N + "; " + std::to_string(x.size()) +
              "; " + popSumX + "; " + sigma2 + "\n" + Rows(x, {}),
          {{"Theoretical error variance, VarE*, is", {FactorD(bN, X, bx, f) * Read(sigma2)}}},
          0};
}

// Model C with the whole population sampled: the remainders X_r and Q_r are 0 or nearly.
Stress ModelCCensus(std::string name, const std::string& popSumX, const std::string& popSumX2, const Texts& x,
                    const Texts& y) {
  const Bigs bx = Read(x), by = Read(y);
  const Big n = static_cast<int>(x.size());
  Big ratios = 0, Xr = Read(popSumX), Qr = Read(popSumX2);
  for (std::size_t i = 0; i < x.size(); ++i) {
    ratios += by[i] / bx[i];
    Xr -= bx[i];
    Qr -= bx[i] * bx[i];
  }
  const Big b = ratios / n, T = Sum(by) + b * Xr;
  Big residuals = 0;
  for (std::size_t i = 0; i < x.size(); ++i) residuals += pow(by[i] - b * bx[i], 2) / (bx[i] * bx[i]);
  const Big sd = Root(residuals / (n - 1) * (Xr * Xr / n + Qr));
  const std::string size = std::to_string(x.size());
  return {std::move(name),
          "command Prediction\nok Model C; Confidence interval\nok " + size + "; " + size + "; " + popSumX + "; " +
              popSumX2 + "; 95%\n" + Rows(x, y),
          {{"Best estimate b =", {b}},
           {"Estimate of population total:", {T}},
           {"Estimated error std. deviation, hatSdE*, is", {sd}},
           {"Approx. 0.95 confidence interval for pop. total is from", {T - kZ95 * sd, T + kZ95 * sd}}},
          2};
}

// ---- Simple random sampling: var Y - 2 R cov + R^2 var X from typed figures.

Big DifferenceVariance(const Big& varY, const Big& cov, const Big& varX, const Big& R) {
  return varY - 2 * R * cov + R * R * varX;
}

Stress RatioOfMeans(std::string name, const Texts& f) {  // N, n, barY1, barY2, S2_1, S2_2, S_12
  const Bigs v = Read(f);
  const Big R = v[2] / v[3], Q = DifferenceVariance(v[4], v[6], v[5], R);
  const Big sd = Root((v[0] - v[1]) * Q / (v[0] * (v[1] - 1) * v[3] * v[3]));
  return {std::move(name),
          "command Simple > Ratio of means/totals > Interval estimates\nok " + f[0] + "; " + f[1] + "; " + f[2] + "; " +
              f[3] + "; " + f[4] + "; " + f[5] + "; " + f[6] + "; 95%\n",
          {{"Point estimate of ratio is", {R}},
           {"Estimate of the std. deviation of the estimator:", {sd}},
           {"Approx. 0.95 confidence interval for population ratio is from", {R - kZ95 * sd, R + kZ95 * sd}}},
          1};
}

Stress RatioEstimatorSd(std::string name, const Texts& f) {  // N, n, muX, muY, sigmaX, sigmaY, rhoXY
  const Bigs v = Read(f);
  const Big Q = DifferenceVariance(v[5] * v[5], v[6] * v[4] * v[5], v[4] * v[4], v[3] / v[2]);
  const Big sd = Root((v[0] - v[1]) * Q / ((v[0] - 1) * v[1]));
  return {std::move(name),
          "command Simple > Mean/total of variable > Th. std. dev. of estimator > Ratio\nok " + f[0] + "; " + f[1] +
              "; " + f[2] + "; " + f[3] + "; " + f[4] + "; " + f[5] + "; " + f[6] + "\n",
          {{"Std. deviation of estimator of population mean=", {sd}},
           {"Std. deviation of estimator of population total=", {v[0] * sd}}},
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
      RatioOfMeans("proportional samples (was nan)", {"1000", "10", "13.653", "91.02", "0.69696", "30.976", "4.6464"}),
      RatioOfMeans("proportional samples, ratio 3", {"500", "20", "0.3", "0.1", "0.36", "0.04", "0.12"}),
      RatioEstimatorSd("correlation 1, sigmaY = R sigmaX (was nan)",
                       {"1000", "10", "41.678", "148.39", "9.7141", "34.586", "1"}),
  };
  for (const Stress& c : cases) Check(c);
}

// Random samples near the cases where the written sums cancel: draws of one
// share, values proportional to the probabilities, points on a line far from
// 0, proportional summary figures. Where the exact deviation is a number,
// the printed one must be a number and not negative.
// At most the 10 characters a field takes.
std::string Text(double v) {
  for (int digits = 6;; --digits) {
    char text[32];
    const std::string t(text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, digits).ptr);
    if (t.size() <= 10 || digits == 1) return t;
  }
}

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
    case 3: {  // proportional samples
      const double y2 = 1 + 100 * unit(random), s2 = 0.01 + 50 * unit(random);
      return RatioOfMeans("", {"1000", "30", Text(c * y2), Text(y2), Text(c * c * s2), Text(s2), Text(c * s2)});
    }
    default: {  // correlation 1, sigmaY = R sigmaX
      const double muX = 1 + 100 * unit(random), sigmaX = 0.1 + 20 * unit(random);
      return RatioEstimatorSd("", {"1000", "30", Text(muX), Text(c * muX), Text(sigmaX), Text(c * sigmaX), "1"});
    }
  }
}

TEST(Numerics, NoDeviationIsNegativeOrNanWhereTheExactOneIsANumber) {
  std::mt19937 random(20261208);
  for (int trial = 0; trial < 1000; ++trial) {
    const Stress c = RandomSample(random, trial % 5);
    SCOPED_TRACE(c.script);
    test::Session s;
    const test::ScriptResult r = s.Run(c.script);
    ASSERT_EQ(r.status, 0) << r.err;
    const Line& line = c.lines[c.deviation];
    auto at = std::find_if(r.appended.begin(), r.appended.end(),
                           [&](const std::string& l) { return l.rfind(line.prefix, 0) == 0; });
    ASSERT_NE(at, r.appended.end()) << line.prefix;
    const std::string printed = test::PrintedNumbers(at->substr(line.prefix.size())).at(0);
    if (boost::multiprecision::isnan(line.values[0])) continue;
    EXPECT_NE(printed, "nan") << *at;
    EXPECT_NE(printed[0], '-') << *at;
  }
}

}  // namespace
}  // namespace mirto
