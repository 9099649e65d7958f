#pragma once
// The small dense algebra of linear calibration: systems in the p x p matrix
// of the auxiliary terms' weighted cross-products (p the terms, a few dozen
// at most), row by row in one vector.
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace mirto::survey {

// T x = b for a symmetric positive definite T, by the Cholesky factor of T
// scaled to a unit diagonal (so that terms of very different sizes keep their
// digits).
class Cholesky {
 public:
  // Nothing when T is not positive definite to working precision (its terms
  // are collinear, or one has no weight).
  static std::optional<Cholesky> Of(std::span<const double> T, std::size_t n);
  std::vector<double> Solve(std::span<const double> b) const;

 private:
  std::size_t m_n = 0;
  std::vector<double> m_l, m_scale;
};

// The Moore-Penrose inverse of a symmetric matrix, as MASS::ginv has it:
// eigenvalues below `tol` times the largest (in size) are taken as 0.
std::vector<double> PseudoInverse(std::span<const double> a, std::size_t n, double tol);

}  // namespace mirto::survey
