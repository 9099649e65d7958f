#include "survey/Dense.h"

#include <algorithm>
#include <cmath>

namespace mirto::survey {

std::optional<Cholesky> Cholesky::Of(std::span<const double> T, std::size_t n) {
  Cholesky c;
  c.m_n = n;
  c.m_scale.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!(T[i * n + i] > 0)) return std::nullopt;
    c.m_scale[i] = 1 / std::sqrt(T[i * n + i]);
  }
  c.m_l.assign(n * n, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = j; i < n; ++i) {
      double s = T[i * n + j] * c.m_scale[i] * c.m_scale[j];
      for (std::size_t k = 0; k < j; ++k) s -= c.m_l[i * n + k] * c.m_l[j * n + k];
      if (i == j) {
        // What is left of a unit diagonal: collinear terms leave nothing.
        if (!(s > 1e-12)) return std::nullopt;
        c.m_l[j * n + j] = std::sqrt(s);
      } else {
        c.m_l[i * n + j] = s / c.m_l[j * n + j];
      }
    }
  }
  return c;
}

std::vector<double> Cholesky::Solve(std::span<const double> b) const {
  const std::size_t n = m_n;
  std::vector<double> y(n);
  for (std::size_t i = 0; i < n; ++i) {
    double s = b[i] * m_scale[i];
    for (std::size_t k = 0; k < i; ++k) s -= m_l[i * n + k] * y[k];
    y[i] = s / m_l[i * n + i];
  }
  for (std::size_t i = n; i-- > 0;) {
    double s = y[i];
    for (std::size_t k = i + 1; k < n; ++k) s -= m_l[k * n + i] * y[k];
    y[i] = s / m_l[i * n + i];
  }
  for (std::size_t i = 0; i < n; ++i) y[i] *= m_scale[i];
  return y;
}

std::vector<double> PseudoInverse(std::span<const double> a, std::size_t n, double tol) {
  // Cyclic Jacobi rotations: a = V diag(e) V'.
  std::vector<double> m(a.begin(), a.end()), v(n * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) v[i * n + i] = 1;
  for (int sweep = 0; sweep < 100; ++sweep) {
    double off = 0, diagonal = 0;
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j) (i == j ? diagonal : off) += m[i * n + j] * m[i * n + j];
    if (off <= 1e-32 * diagonal) break;
    for (std::size_t p = 0; p + 1 < n; ++p)
      for (std::size_t q = p + 1; q < n; ++q) {
        const double apq = m[p * n + q];
        if (apq == 0) continue;
        const double theta = (m[q * n + q] - m[p * n + p]) / (2 * apq);
        const double t = std::copysign(1.0, theta) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const double c = 1 / std::sqrt(t * t + 1), s = t * c;
        for (std::size_t k = 0; k < n; ++k) {  // columns p and q
          const double mkp = m[k * n + p], mkq = m[k * n + q];
          m[k * n + p] = c * mkp - s * mkq;
          m[k * n + q] = s * mkp + c * mkq;
        }
        for (std::size_t k = 0; k < n; ++k) {  // rows p and q
          const double mpk = m[p * n + k], mqk = m[q * n + k];
          m[p * n + k] = c * mpk - s * mqk;
          m[q * n + k] = s * mpk + c * mqk;
        }
        for (std::size_t k = 0; k < n; ++k) {
          const double vkp = v[k * n + p], vkq = v[k * n + q];
          v[k * n + p] = c * vkp - s * vkq;
          v[k * n + q] = s * vkp + c * vkq;
        }
      }
  }
  double largest = 0;
  for (std::size_t i = 0; i < n; ++i) largest = std::max(largest, std::fabs(m[i * n + i]));
  std::vector<double> inverse(n * n, 0.0);
  for (std::size_t k = 0; k < n; ++k) {
    const double e = m[k * n + k];
    if (!(std::fabs(e) > tol * largest)) continue;
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = 0; j < n; ++j) inverse[i * n + j] += v[i * n + k] * v[j * n + k] / e;
  }
  return inverse;
}

}  // namespace mirto::survey
