# Expected blocks of the added calculations in the scripts beside this file:
#   Rscript tests/scripts/extras/commands/reference.R
# prints every line each script appends, under a line "## SCRIPT" (the
# .expected files hold them after the two heading lines of a new journal).
source(file.path(dirname(sub("--file=", "", grep("--file=", commandArgs(FALSE), value = TRUE))), "..", "extras.R"))
out <- function(...) cat(..., "\n", sep = "")
sep <- function() out("*********")

# ---- Sample size with adjustments: n = N D / ((N - 1) e^2 + D) with D = deff
# sigma^2 (or deff pi (1 - pi)) and e = margin / z (margin / (z N) for a total),
# divided by the response rate, rounded up.
adjusted <- function(mean, second, N, guess, margin, probability, z, deff, rate, expected_whole = NA) {
  D <- deff * (if (mean) guess^2 else guess * (1 - guess))
  e <- if (second) margin / (z * N) else margin / z
  n0 <- N * D / ((N - 1) * e^2 + D)
  contacted <- n0 / rate
  # A quotient whole in exact arithmetic (worked out with fractions) is not rounded past.
  required <- if (!is.na(expected_whole)) expected_whole else ceiling(contacted)
  sep()
  out(if (mean) (if (second) "Target: Total of variable" else "Target: Mean of variable")
      else (if (second) "Target: Number in category" else "Target: Proportion in category"))
  out("Method: Simple random sampling")
  out("Objective: Sample size with adjustments")
  out("Estimator: Simple")
  out("Population size, N= ", n0f(N))
  if (mean) out("Guesstimate of population std. deviation of variable: ", f(guess))
  else out("Guesstimate of population proportion in category: ", f(guess))
  out("Accuracy requirements, margin: ", f(margin))
  out("Accuracy requirements, probability: ", f(probability))
  out("Design effect, deff: ", f(deff))
  out("Expected response rate: ", f(rate))
  out("Sample size with the variance times deff: ", f(n0))
  out("Divided by the response rate: ", f(contacted))
  out("Required sample size, rounded up: ", n0f(required))
  if (required > N) out("Note: more elements than the population size N.")
  if (!(required > 50 && N - required > 50)) out("Warning: Small sample or remainder.")
}
n0f <- function(x) sprintf("%.0f", x)

cat("## adjusted-size.mirto\n")
adjusted(TRUE, FALSE, 1000, 10, 1, 0.95, 1.96, 1, 1)  # deff 1, rate 1: 277.74, as "Sample size" gives 278
adjusted(TRUE, FALSE, 1000, 10, 1, 0.95, 1.96, 2, 0.8)
adjusted(FALSE, TRUE, 1000, 0.3, 50, 0.95, 1.96, 1.5, 0.6)
# 162 / ((161 (0.07 / 1.96)^2 + 1) 0.6) is 224 exactly (as fractions: 162 / (161 / 784 + 1) / (3/5) = 224)
adjusted(TRUE, FALSE, 162, 1, 0.07, 0.95, 1.96, 1, 0.6, expected_whole = 224)
adjusted(FALSE, FALSE, 30000, 0.5, 0.02, 0.99, 2.576, 2.5, 0.4)

# ---- Allocation of a given n, as the issue states it: Neyman shares N_i S_i;
# a group that would exceed N_i takes N_i and the rest is shared again; none
# below min(minimum, N_i); then largest remainders (ties to the first group).
neyman <- function(a, lower, upper, n) {
  x <- rep(NA, length(a)); fixed <- rep(FALSE, length(a))
  repeat {
    free <- !fixed
    rest <- n - sum(x[fixed])
    if (sum(a[free]) > 0) x[free] <- rest * a[free] / sum(a[free]) else x[free] <- lower[free]
    over <- free & x > upper; under <- free & x < lower
    if (any(over)) { x[over] <- upper[over]; fixed <- fixed | over; next }
    if (any(under)) { x[under] <- lower[under]; fixed <- fixed | under; next }
    break
  }
  # groups of no spread get the rest once the others are full, by size
  if (sum(x) < n - 1e-9) {
    zero <- a == 0
    x[zero] <- neyman(upper[zero], lower[zero], upper[zero], n - sum(x[!zero]))
  }
  x
}
largest_remainder <- function(x, n) {
  whole <- floor(x + 1e-12)
  left <- n - sum(whole)
  order <- order(-(round(x - whole, 9)), seq_along(x))
  if (left > 0) whole[order[1:left]] <- whole[order[1:left]] + 1
  whole
}
allocation <- function(proportion, Ni, guess, n, minimum) {
  N <- sum(Ni); w <- Ni / N
  S <- if (proportion) sqrt(guess * (1 - guess)) else guess
  lower <- pmin(minimum, Ni)
  sep()
  out(if (proportion) "Target: Proportion and number in category" else "Target: Mean and total of variable")
  out("Method: Stratified random sampling")
  out("Objective: Allocation of a given sample size")
  out("Estimator: Stratified")
  fault <- if (sum(lower) > n) "the minimum sizes of the groups add up to more than n" else if (n > N) "n is larger than the population size N" else NA
  out(" Group no.        N_i ", if (proportion) "      pi_i" else "   sigma_i", if (is.na(fault)) "      Share        n_i" else "")
  if (is.na(fault)) {
    x <- neyman(Ni * S, lower, Ni, n); ni <- largest_remainder(x, n)
    for (i in seq_along(Ni)) out(sprintf("%10d %10.0f %10f %10.4f %10.0f", i, Ni[i], guess[i], x[i] / n, ni[i]))
  } else {
    for (i in seq_along(Ni)) out(sprintf("%10d %10.0f %10f", i, Ni[i], guess[i]))
  }
  out("Population size, N= ", n0f(N))
  out("Total sample size, n= ", n)
  out("Minimum sample size per group: ", minimum)
  if (!is.na(fault)) return(out("No allocation: ", fault, "."))
  # the theoretical variance, S_i with divisor N_i - 1 (pi_i (1 - pi_i) N_i / (N_i - 1) for a proportion)
  S2 <- if (proportion) guess * (1 - guess) * Ni / (Ni - 1) else guess^2
  term <- ifelse(ni == Ni | S2 == 0, 0, w^2 * S2 * (Ni - ni) / (Ni * ni))
  sd <- sqrt(sum(term))
  out(if (proportion) "Std. deviation of estimator of pop. proportion: " else "Std. deviation of estimator of pop. mean: ", f(sd))
  out(if (proportion) "Std. deviation of estimator of pop. number: " else "Std. deviation of estimator of pop. total: ", f(N * sd))
}

cat("## allocation.mirto\n")
allocation(FALSE, c(10, 10000), c(1000, 1), 100, 0)
allocation(FALSE, c(20, 30, 1000), c(100, 50, 1), 100, 0)
allocation(FALSE, c(1000, 1000, 5), c(10, 0.1, 50), 50, 5)
allocation(TRUE, c(100, 100, 100), c(0.5, 0.5, 0.5), 10, 2)
allocation(TRUE, c(100, 100), c(0, 0.5), 30, 3)
allocation(TRUE, c(50, 150), c(0, 1), 20, 0)
allocation(TRUE, c(100, 100), c(0.5, 0.5), 10, 6)
allocation(FALSE, c(30, 10), c(2, 3), 50, 0)

# ---- Intervals from joint inclusion probabilities: the Sen-Yates-Grundy variance of the total.
syg <- function(y, p, pij) {
  v <- 0; k <- 0
  for (i in 1:(length(y) - 1)) for (j in (i + 1):length(y)) {
    k <- k + 1; v <- v + (p[i] * p[j] - pij[k]) / pij[k] * (y[i] / p[i] - y[j] / p[j])^2
  }
  v
}
joint <- function(mean, N, y, p, pij, level, z) {
  n <- length(y); total <- sum(y / p); m <- total / N; v <- syg(y, p, pij); sd <- suppressWarnings(sqrt(v)) / N
  sep()
  out(if (mean) "Target: Mean and total of variable" else "Target: Proportion and number in category")
  out("Method: Unequal probabilities, without replacement")
  out("Objective: Confidence intervals from joint inclusion probabilities")
  out("Estimator: HTE")
  out("Population size, N= ", n0f(N)); out("Sample size, n= ", n0f(n))
  out(if (mean) " i        Y_i       p_i " else " i        Y'_i       p_i ")
  for (i in 1:n) out(sprintf("%3d %10f %10f ", i, y[i], p[i]))
  out("  i   j      p_ij ")
  k <- 0
  for (i in 1:(n - 1)) for (j in (i + 1):n) { k <- k + 1; out(sprintf("%3d %3d %10f ", i, j, pij[k])) }
  if (mean) { out("Estimate of population mean: ", f(m)); out("Estimate of population total: ", f(total)) }
  else { out("Estimate of population proportion: ", f(m)); out("Estimate of population number: ", n0f(total)) }
  out("Estimated variance of estimator of pop. ", if (mean) "total" else "number", " (Sen-Yates-Grundy): ", f(v))
  out("Estimated std. deviation of estimator of pop. ", if (mean) "mean" else "proportion", ": ", f(sd))
  if (v < 0) out("Note: the estimated variance is negative, so its square root is not a number.")
  if (!(n > 50 && N - n > 50)) out("Warning: Small sample or remainder.")
  what <- if (mean) c("mean", "total") else c("proportion", "number")
  g <- if (mean) f else n0f
  out(sprintf("Approx. %.2f confidence interval for pop. %s is from ", level, what[1]), f(m - z * sd), " to ", f(m + z * sd))
  out(sprintf("Approx. %.2f confidence interval for pop. %s is from ", level, what[2]), g(N * (m - z * sd)), " to ",
      g(N * (m + z * sd)))
  list(m = m, sd = sd, n = n)
}

cat("## joint.mirto\n")
# A simple random sample without replacement, N 16, n 4: p_i = 1/4, p_ij = 4 3 / (16 15) = 0.05.
# The variance of the mean equals (1 - n/N) s^2 / n = 0.75 (38/3) / 4 = 2.375 (by hand).
r <- joint(TRUE, 16, c(3, 5, 10, 2), rep(0.25, 4), rep(0.05, 6), 0.95, 1.96)
stopifnot(abs(r$sd^2 - 0.75 * var(c(3, 5, 10, 2)) / 4) < 1e-12)
r <- joint(FALSE, 16, c(1, 0, 1, 1), rep(0.25, 4), rep(0.05, 6), 0.95, 1.96)
stopifnot(abs(r$sd^2 - 0.75 * var(c(1, 0, 1, 1)) / 4) < 1e-12)
# With extras on: for a simple random sample the design effect of a proportion is 1.
extras(prop_kind, r$m, r$sd, 16, 0.95, 1.96, r$n - 1, srs_prop_var(16, r$n, r$m), r$n)
invisible(joint(TRUE, 5, c(3, 9), c(0.3, 0.6), 0.12, 0.90, 1.645))
invisible(joint(TRUE, 5, c(3, 9), c(0.3, 0.6), 0.3, 0.90, 1.645))

# ---- Sample size for several variables: each variable's n is that of "Sample
# size" for its own figures, N D / ((N - 1) e^2 + D) with e = margin / z and
# D = sigma^2 or pi (1 - pi); the block ends with the largest.
several <- function(N, kinds, guesses, margins, probabilities, zs) {
  D <- ifelse(kinds == "Mean", guesses^2, guesses * (1 - guesses))
  e <- margins / zs
  n <- N * D / ((N - 1) * e^2 + D)
  sep()
  out("Target: Several variables")
  out("Method: Simple random sampling")
  out("Objective: Sample size for several variables")
  out("Estimator: Simple")
  out("Population size, N= ", n0f(N))
  out("Number of variables: ", length(n))
  out(" Var. no. Target          Guess     Margin Probability       n_j")
  for (j in seq_along(n))
    out(sprintf("%9d %-10s %10f %10f %11f %9.0f", j, kinds[j], guesses[j], margins[j], probabilities[j], n[j]))
  out("Required sample size is ", n0f(max(n)))
  if (!(max(n) > 50 && N - max(n) > 50)) out("Warning: Small sample or remainder.")
}

cat("## several.mirto\n")
# The first variable is that of adjusted-size.mirto with deff 1 and rate 1: 277.74.
several(1000, c("Mean", "Proportion", "Proportion"), c(10, 0.3, 0.5), c(1, 0.05, 0.03), c(0.95, 0.95, 0.90),
        c(1.96, 1.96, 1.645))
several(200, c("Proportion", "Mean"), c(0.1, 4), c(0.04, 0.5), c(0.80, 0.99), c(1.282, 2.576))
several(5000, "Proportion", 0, 0.01, 0.5, 0.674)
