#!/usr/bin/env python3
"""Independent figures for the prediction tests: a general weighted least-squares
fit (normal equations solved exactly with fractions) and the prediction-error
variance of the unsampled total written from the model, not from the program's
shortcut formulas."""
from fractions import Fraction as F
from math import sqrt


def wls(rows, ys, weights):
    """Coefficients and residual variance sum(w r^2) / (n - p)."""
    p = len(rows[0])
    a = [[sum(w * r[i] * r[j] for r, w in zip(rows, weights)) for j in range(p)] for i in range(p)]
    v = [sum(w * r[i] * y for r, y, w in zip(rows, ys, weights)) for i in range(p)]
    for c in range(p):  # Gauss-Jordan
        piv = a[c][c]
        a[c] = [e / piv for e in a[c]]
        v[c] /= piv
        for r in range(p):
            if r != c:
                f = a[r][c]
                a[r] = [e - f * g for e, g in zip(a[r], a[c])]
                v[r] -= f * v[c]
    res = [y - sum(bi * ri for bi, ri in zip(v, r)) for r, y in zip(rows, ys)]
    s2 = sum(w * e * e for w, e in zip(weights, res)) / (len(ys) - p)
    return v, s2


N, X, z, prob = 120, F(900), 1.645, 0.90
xs = [F(3), F(5), F(6), F(8), F(11)]
ys = [F("7.2"), F("11.9"), F("13.1"), F("18.4"), F("24.0")]
n, M = len(xs), N - len(xs)
Xr = X - sum(xs)

# Model B: y = beta x, Var = sigma^2 x, so weights 1/x.
(b,), s2 = wls([[x] for x in xs], ys, [1 / x for x in xs])
T = sum(ys) + b * Xr
var = s2 * (Xr * Xr / sum(xs) + Xr)  # Var(b Xr) + Var(sum of the rest)
print("B b=%f s2=%.12f T=%f mean=%f" % (b, s2, T, T / N))
sd = sqrt(var)
print("  hatSdE=%f mean %f..%f total %f..%f" % (sd, (T - z * sd) / N, (T + z * sd) / N, T - z * sd, T + z * sd))

# Model D: y = alpha + beta x, Var = sigma^2, unweighted.
(a, b), s2 = wls([[1, x] for x in xs], ys, [1] * n)
xbar, xbar_r = sum(xs) / n, Xr / M
T = sum(ys) + M * a + b * Xr
sxx = sum((x - xbar) ** 2 for x in xs)
var = s2 * (M * M * (F(1, n) + (xbar_r - xbar) ** 2 / sxx) + M)
print("D a=%f b=%f s2=%.12f T=%f mean=%f" % (a, b, s2, T, T / N))
sd = sqrt(var)
print("  hatSdE=%f mean %f..%f total %f..%f" % (sd, (T - z * sd) / N, (T + z * sd) / N, T - z * sd, T + z * sd))
