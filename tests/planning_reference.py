#!/usr/bin/env python3
"""Independent figures for the planning tests, with 50-digit arithmetic:
cluster planning from its formulas, the simple sample size over a grid, and
the least-cost allocation for several variables found by nested bisection on
the Lagrange multipliers (not Chromy's iteration), then rounded by the rule
the command states (total rounded up, largest remainders within the bounds,
raised by one until every target holds)."""
import sys

from mpmath import mp, mpf, sqrt, ceil, floor, nstr

mp.dps = 50


def cluster(rho, c1, c2, cv, S, e, z):
    opt = sqrt(c1 / c2 * (1 - rho) / rho)
    m = max(1, int(floor(opt + mpf('0.5'))))
    deff = 1 + rho * ((m - 1) + m * cv * cv)
    k = ceil(z * z * S * S * deff / (m * e * e))
    return opt, m, deff, k, k * c1 + k * m * c2


def srs_n(N, D, e, z):
    e = e / z
    return N * D / ((N - 1) * e * e + D)


def weights(N, spreads, proportion):
    T = sum(N)
    out = []
    for Nh, s in zip(N, spreads):
        W = Nh / T
        out.append(W * W * s * (1 - s) * Nh / (Nh - 1) if proportion else W * W * s * s)
    return out


def allocation(N, cost, a, allowed, lower):
    """a[j][h]; minimise sum c n s.t. sum_h a_jh (1/n_h - 1/N_h) <= allowed_j."""
    b = [v + sum(x / Nh for x, Nh in zip(aj, N)) for aj, v in zip(a, allowed)]

    def n_of(lam):
        return [min(max(sqrt(sum(l * aj[h] for l, aj in zip(lam, a)) / cost[h]), lower[h]), N[h])
                for h in range(len(N))]

    def load(j, n):
        return sum(a[j][h] / n[h] if n[h] > 0 else mp.inf for h in range(len(N)))

    def root(f, hi):  # f decreasing; smallest x >= 0 with f(x) <= 0
        if f(mpf(0)) <= 0:
            return mpf(0)
        while f(hi) > 0:
            hi *= 2
        lo = mpf(0)
        for _ in range(200):
            mid = (lo + hi) / 2
            lo, hi = (mid, hi) if f(mid) > 0 else (lo, mid)
        return hi

    def inner(l1):
        return root(lambda l2: load(1, n_of([l1, l2])) - b[1], mpf(1))

    if len(a) == 1:
        lam = [root(lambda l1: load(0, n_of([l1])) - b[0], mpf(1))]
    else:
        l1 = root(lambda l1: load(0, n_of([l1, inner(l1)])) - b[0], mpf(1))
        lam = [l1, inner(l1)]
    return n_of(lam)


def whole(exact, N, lower, ok):
    n = max(int(ceil(sum(exact) - mpf(10) ** -30)), sum(lower))
    while True:
        lo, hi = mpf(0), mpf(n) / sum(exact) * 4 + 1
        for _ in range(200):  # the scale that makes the capped values add up to n
            mid = (lo + hi) / 2
            total = sum(min(max(mid * v, l), Nh) for v, l, Nh in zip(exact, lower, N))
            lo, hi = (mid, hi) if total < n else (lo, mid)
        x = [min(max(hi * v, lo_), Nh) for v, lo_, Nh in zip(exact, lower, N)]
        w = [int(floor(v)) for v in x]
        order = sorted(range(len(x)), key=lambda i: -(x[i] - w[i]))
        for i in order[: n - sum(w)]:
            w[i] += 1
        if ok(w):
            return w
        n += 1


def proportional(N, s2, e):
    """The stratified sample size with v_h = W_h: A / (N^2 (e/z)^2 + B)."""
    T = sum(N)
    A = sum(Nh * Nh * v / (mpf(Nh) / T) for Nh, v in zip(N, s2))
    B = sum(Nh * v for Nh, v in zip(N, s2))
    return A / (T * T * (e / mpf('1.96')) ** 2 + B)


def report(name, values):
    print(name, ", ".join(nstr(v, 17) for v in values))


def expected():
    """The journal of tests/scripts/extras/commands/planning.mirto."""
    out = ["Program Mirto, journal of calculations.", "To start program, click on `Select approach:'."]
    z95 = mpf('1.96')
    for rho, c1, c2, cv in [(mpf('0.05'), 400, 20, mpf(0)), (mpf('0.9'), 1, 10, mpf('0.5'))]:
        opt, m, deff, k, cost = cluster(rho, c1, c2, cv, 10, 1, z95)
        out += ["*********", "Target: Mean of variable", "Method: Cluster random sampling",
                "Objective: Cluster planning from ICC and costs", "Estimator: Two-stage",
                "Intraclass correlation, rho: %f" % rho, "Cost per cluster, C1: %f" % c1,
                "Cost per element, C2: %f" % c2, "CV of cluster sizes: %f" % cv,
                "Element std. deviation, S: %f" % 10, "Accuracy requirements, margin: %f" % 1,
                "Accuracy requirements, probability: %f" % 0.95, "Optimal mean cluster size: %f" % opt,
                "Mean cluster size used: %d" % m, "Design effect, deff: %f" % deff,
                "Clusters needed: %d" % k, "Cost of the sample: %d" % cost]
    for N, guess, target, e, D in [(1000, "Guesstimate of population std. deviation of variable: %f" % 10,
                                    "Target: Mean of variable", mpf(1), mpf(100)),
                                   (500, "Guesstimate of population proportion in category: %f" % 0.5,
                                    "Target: Number in category", mpf(25), mpf('0.25'))]:
        out += ["*********", target, "Method: Simple random sampling", "Objective: Sensitivity of n",
                "Estimator: Simple", "Population size, N= %d" % N, guess, "Accuracy requirements, margin: %f" % e,
                "Required sample size by margin and probability:",
                "    Margin %10.2f %10.2f %10.2f" % (0.90, 0.95, 0.99)]
        for f in ['0.5', '0.75', '1', '1.25', '1.5', '2']:
            m = e * mpf(f)
            per = m / N if target.endswith("category") else m  # a margin on the number is N times the proportion's
            out.append("%10f %10.0f %10.0f %10.0f" % tuple([m] + [float(srs_n(N, D, per, z))
                                                                  for z in (mpf('1.645'), z95, mpf('2.576'))]))
    cases = [([600, 400], [1, 4], 0, [("Mean", "Margin", 1, mpf(0), [10, 20], None)]),
             ([100, 500, 20], [4, 1, 2], 2, [("Mean", "CV", mpf('0.01'), None, [15, 8, 600], [50, 40, 200]),
                                              ("Proportion", "Margin", mpf('0.04'), None, None,
                                               [mpf('0.2'), mpf('0.5'), mpf('0.1')])])]
    for N, c, minimum, variables in cases:
        T = sum(N)
        a, allowed, means = [], [], []
        for kind, by, t, _, S, values in variables:
            prop = kind == "Proportion"
            a.append(weights(N, values if prop else S, prop))
            mean = sum(mpf(Nh) / T * v for Nh, v in zip(N, values)) if values else mpf(0)
            means.append(mean)
            allowed.append((t * mean) ** 2 if by == "CV" else (t / z95) ** 2)
        lower = [min(minimum, Nh) for Nh in N]
        ex = allocation(N, c, a, allowed, lower)
        var = lambda aj, w: sum(aj[h] * (mpf(1) / w[h] - mpf(1) / N[h]) for h in range(len(N)))
        w = whole(ex, N, lower, lambda w: all(var(aj, w) <= v * (1 + mpf(10) ** -12) for aj, v in zip(a, allowed)))
        out += ["*********", "Target: Several variables", "Method: Stratified random sampling",
                "Objective: Allocation for several variables", "Estimator: Stratified",
                " Var. no.       Kind     By     Target      Prob.   Mean (P)  Std. dev.         CV"]
        for j, (kind, by, t, _, _, _) in enumerate(variables):
            sd = sqrt(var(a[j], w))
            cv = "%10f" % (sd / means[j]) if means[j] > 0 else "not defined"
            out.append("%9d %10s %6s %10f %10.2f %10f %10f %s" % (j + 1, kind, by, t, 0.95, means[j], sd, cv))
        out.append(" Group no.        N_i        c_i   Opt. n_i        n_i")
        for h in range(len(N)):
            out.append("%10d %10d %10f %10.4f %10d" % (h + 1, N[h], c[h], ex[h], w[h]))
        out += ["Minimum sample size per group: %d" % minimum, "Total sample size, n= %d" % sum(w),
                "Cost of the sample: %f" % sum(x * ch for x, ch in zip(w, c))]
    # Proportional allocation: (600, 400), sigma (10, 20) at margin 1, pi (0.3, 0.5) at margin 0.05.
    out += ["*********", "Target: Several variables", "Method: Stratified random sampling",
            "Objective: Sample size for several variables, proportional allocation", "Estimator: Stratified",
            " Group no.        N_i        w_i", "%10d %10d %10.4f" % (1, 600, 0.6), "%10d %10d %10.4f" % (2, 400, 0.4),
            "Population size, N= 1000", " Var. no. Target         Margin Probability       n_j"]
    sizes = [proportional([600, 400], [100, 400], 1), proportional([600, 400], [mpf('0.21'), mpf('0.25')], mpf('0.05'))]
    out += ["%9d %-10s %10f %11f %9.0f" % (1, "Mean", 1, 0.95, sizes[0]),
            "%9d %-10s %10f %11f %9.0f" % (2, "Proportion", 0.05, 0.95, sizes[1]),
            "Required sample size is %.0f" % max(sizes)]
    print("\n".join(out))


def plan_lines(opt, m, deff, k, cost, needed="Clusters needed: %d"):
    return ["Optimal mean cluster size: %f" % opt, "Mean cluster size used: %d" % m, "Design effect, deff: %f" % deff,
            needed % k, "Cost of the sample: %d" % cost]


def heading(objective):
    return ["*********", "Target: Mean of variable", "Method: Cluster random sampling", objective,
            "Estimator: Two-stage"]


def cluster_plans():
    """The journal of tests/scripts/extras/commands/cluster-plans.mirto: rho
    backed out of a design effect, rho = (deff - 1) / ((m - 1) + m CV^2), then
    the plan of cluster(); and the clusters a budget buys, floor(B / (C1 + m C2)),
    with the margin z S sqrt(deff / (k m))."""
    out = ["Program Mirto, journal of calculations.", "To start program, click on `Select approach:'."]
    z95 = mpf('1.96')
    for d, size, cv, c1, c2, S, e in [(mpf('1.9'), 19, mpf(0), 400, 20, 10, 1),
                                      (mpf('2.5'), 10, mpf('0.5'), 100, 10, 5, mpf('0.5'))]:
        rho = (d - 1) / ((size - 1) + size * cv * cv)
        out += heading("Objective: Cluster planning from a design effect")
        out += ["Design effect observed, deff: %f" % d, "Mean cluster size observed: %f" % size,
                "CV of cluster sizes: %f" % cv, "Cost per cluster, C1: %f" % c1, "Cost per element, C2: %f" % c2,
                "Element std. deviation, S: %f" % S, "Accuracy requirements, margin: %f" % e,
                "Accuracy requirements, probability: %f" % 0.95, "Intraclass correlation, rho: %f" % rho]
        out += plan_lines(*cluster(rho, c1, c2, cv, S, e, z95))
    for rho, c1, c2, cv, S, B in [(mpf('0.05'), 400, 20, mpf(0), 10, 30420), (mpf('0.05'), 400, 20, mpf(0), 10, 30000),
                                  (mpf('0.2'), 50, 5, mpf('0.3'), 4, 1000)]:
        opt = sqrt(mpf(c1) / c2 * (1 - rho) / rho)
        m = max(1, int(floor(opt + mpf('0.5'))))
        deff = 1 + rho * ((m - 1) + m * cv * cv)
        k = int(floor(mpf(B) / (c1 + m * c2)))
        out += heading("Objective: Cluster planning for a budget")
        out += ["Intraclass correlation, rho: %f" % rho, "Cost per cluster, C1: %f" % c1,
                "Cost per element, C2: %f" % c2, "CV of cluster sizes: %f" % cv, "Element std. deviation, S: %f" % S,
                "Budget, B: %f" % B, "Accuracy requirements, probability: %f" % 0.95]
        out += plan_lines(opt, m, deff, k, k * c1 + k * m * c2, "Clusters the budget buys: %d")
        out.append("Margin for the mean: %f" % (z95 * S * sqrt(deff / (k * m))))
    print("\n".join(out))


if __name__ == "__main__" and sys.argv[1:] == ["--expected"]:
    expected()
elif __name__ == "__main__" and sys.argv[1:] == ["--cluster-plans"]:
    cluster_plans()
elif __name__ == "__main__":
    report("cluster example", cluster(mpf('0.05'), 400, 20, 0, 10, 1, mpf('1.96')))
    report("cluster m1", cluster(mpf('0.9'), 1, 10, 0, 10, 1, mpf('1.96')))
    report("deff cv .5", [1 + mpf('0.05') * (18 + 19 * mpf('0.25'))])
    report("budget margin", [mpf('1.96') * 10 * sqrt(mpf('1.9') / (mpf(30420) / 780 * 19))])
    for N, D, e, name in [(1000, 100, 1, "mean"), (500, mpf('0.25'), mpf('0.05'), "prop")]:
        for f in ['0.5', '0.75', '1', '1.25', '1.5', '2']:
            report("srs %s x%s" % (name, f), [srs_n(N, D, e * mpf(f), z) for z in (mpf('1.645'), mpf('1.96'), mpf('2.576'))])
    # Proportional allocation: (N, S) = (600, 10), (400, 20), margin 1; P = (0.3, 0.5), margin 0.05.
    for s2, e in [([100, 400], 1), ([mpf('0.21'), mpf('0.25')], mpf('0.05'))]:
        report("proportional", [proportional([600, 400], s2, e)])
    # One variable: (N, S, c) = (600, 10, 1), (400, 20, 4), margin 1 at 95%.
    N, c = [600, 400], [1, 4]
    a = [weights(N, [10, 20], False)]
    allowed = [(1 / mpf('1.96')) ** 2]
    ex = allocation(N, c, a, allowed, [0, 0])
    report("one exact", ex)
    ok = lambda w: all(sum(aj[h] * (mpf(1) / w[h] - mpf(1) / N[h]) for h in range(len(N))) <= v * (1 + mpf(10) ** -12)
                       for aj, v in zip(a, allowed))
    report("one whole", whole(ex, N, [0, 0], ok))
    # Two variables, the third stratum taken whole: means (50, 40, 200) with S (15, 8, 600) to a CV of 1%;
    # proportions (0.2, 0.5, 0.1) to a margin of 0.04 at 95%; minimum 2.
    N, c = [100, 500, 20], [4, 1, 2]
    T = sum(N)
    mean = sum(mpf(Nh) / T * m for Nh, m in zip(N, [50, 40, 200]))
    P = sum(mpf(Nh) / T * p for Nh, p in zip(N, [mpf('0.2'), mpf('0.5'), mpf('0.1')]))
    a = [weights(N, [15, 8, 600], False), weights(N, [mpf('0.2'), mpf('0.5'), mpf('0.1')], True)]
    allowed = [(mpf('0.01') * mean) ** 2, (mpf('0.04') / mpf('1.96')) ** 2]
    ex = allocation(N, c, a, allowed, [2, 2, 2])
    report("two exact", ex)
    w = whole(ex, N, [2, 2, 2], ok)
    report("two whole", w)
    for aj, m in zip(a, [mean, P]):
        report("two cv", [sqrt(sum(aj[h] * (mpf(1) / w[h] - mpf(1) / N[h]) for h in range(3))) / m])
