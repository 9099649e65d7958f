#include "framework/Sums.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace mirto {
namespace {

double Mean(std::span<const double> u) {
  double sum = 0.0;
  for (double v : u) sum += v;
  return sum / static_cast<double>(u.size());
}

using sums::FastSum;
using sums::Plain;

// The power of two by which values beyond 2^470 are scaled down before their
// mean and squares are taken, so that neither overflows where the result does not.
int ScaleOf(std::span<const double> u) {
  double largest = 0.0;
  for (double v : u) largest = std::max(largest, std::fabs(v));
  return largest > 0x1p470 && std::isfinite(largest) ? std::ilogb(largest) - 469 : 0;
}

std::vector<double> Scaled(std::span<const double> u, int scale) {
  std::vector<double> out;
  out.reserve(u.size());
  for (double v : u) out.push_back(std::ldexp(v, -scale));
  return out;
}

}  // namespace

double SquaredDeviations(std::span<const double> u) {
  if (const int scale = ScaleOf(u); scale != 0) return std::ldexp(SquaredDeviations(Scaled(u, scale)), 2 * scale);
  if (u.empty()) return 0.0;
  const double mean = Mean(u);
  double squares = 0.0, drift = 0.0;
  for (double v : u) {
    const double d = v - mean;
    squares += d * d;
    drift += d;
  }
  // The deviations' own sum of squares about their mean: 0 or more.
  const double r = squares - drift * drift / static_cast<double>(u.size());
  return r < 0.0 ? 0.0 : r;
}

double CrossDeviations(std::span<const double> x, std::span<const double> y) {
  if (const int sx = ScaleOf(x), sy = ScaleOf(y); sx != 0 || sy != 0)
    return std::ldexp(CrossDeviations(Scaled(x, sx), Scaled(y, sy)), sx + sy);
  if (x.empty()) return 0.0;
  const double mx = Mean(x), my = Mean(y);
  double products = 0.0, driftX = 0.0, driftY = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double dx = x[i] - mx, dy = y[i] - my;
    products += dx * dy;
    driftX += dx;
    driftY += dy;
  }
  return products - driftX * driftY / static_cast<double>(x.size());
}

Wide Exact(double a) { return {a, 0.0}; }

Wide Quotient(double a, double b) {
  const double q = a / b;
  if (Plain(q)) return {q, 0.0};
  return FastSum(q, std::fma(-q, b, a) / b);
}

Wide operator-(Wide a, Wide b) { return a + Wide{-b.hi, -b.lo}; }

Wide operator*(Wide a, Wide b) {
  const Wide p = Product(a.hi, b.hi);
  if (Plain(p.hi)) return p;
  return FastSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

double VarianceOfDifference(Wide varY, Wide cov, Wide varX, Wide R) {
  return Rounded(varY + R * R * varX - Exact(2.0) * R * cov);
}

}  // namespace mirto
