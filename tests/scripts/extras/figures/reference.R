# Expected additional figures of the scripts beside this file:
#   Rscript tests/scripts/extras/figures/reference.R
# prints the additional blocks of each script, in the order the script makes
# them, under a line "## SCRIPT".
source(file.path(dirname(sub("--file=", "", grep("--file=", commandArgs(FALSE), value = TRUE))), "..", "extras.R"))

cat("## srs.mirto\n")
srs_prop(1000, 100, 0.3, 0, 0)  # no level chosen yet: probability and z are 0
srs_mean(1000, 100, 50, 10, 0.95, 1.96)
srs_prop(1000, 100, 0.3, 0.95, 1.96)
srs_prop(97541, 199, 0.01005, 0.95, 1.96)
srs_prop(500, 40, 0.025, 0.90, 1.645)
# Ratio of two variables (interval): sd as that report computes it,
# sqrt((N - n) Q / (N (n - 1) barY2^2)) with Q = S^2_1 + R^2 S^2_2 - 2 R S_12, R = barY1 / barY2.
local({
  N <- 2000; n <- 80; y1 <- 12; y2 <- 4; S1 <- 9; S2 <- 2.25; S12 <- 3; R <- y1 / y2
  sd <- sqrt((N - n) * (S1 + R^2 * S2 - 2 * R * S12) / (N * (n - 1) * y2^2))
  extras(ratio_kind, R, sd, N, 0.99, 2.576, n - 1)
})
suppressWarnings(srs_prop(1000, 100, 1.3, 0.95, 1.96))
srs_prop(1000, 1000, 0.3, 0.95, 1.96)
srs_mean(1000, 1, 0, 10, 0.95, 1.96)
srs_prop(1000, 100, 0, 0.95, 1.96)

cat("## stratified.mirto\n")
local({
  Ni <- c(600, 400); ni <- c(60, 40); ybar <- c(10, 20); S <- c(3, 4); N <- sum(Ni); w <- Ni / N
  est <- sum(w * ybar); sd <- sqrt(sum(w^2 * S^2 * (Ni - ni) / (Ni * (ni - 1))))
  extras(mean_kind, est, sd, N, 0.95, 1.96, sum(ni) - 2, srs_mean_var(N, sum(ni), est, Ni, ni, ybar, S), sum(ni))
})
local({
  Ni <- c(600, 400); ni <- c(60, 40); P <- c(0.2, 0.5); N <- sum(Ni); w <- Ni / N
  est <- sum(w * P); sd <- sqrt(sum(w^2 * P * (1 - P) * (Ni - ni) / (Ni * (ni - 1))))
  extras(prop_kind, est, sd, N, 0.95, 1.96, sum(ni) - 2, srs_prop_var(N, sum(ni), est), sum(ni))
})
local({
  Ni <- c(5000, 3000, 2000); ni <- c(30, 12, 8); P <- c(0.02, 0.05, 0.1); N <- sum(Ni); w <- Ni / N
  est <- sum(w * P); sd <- sqrt(sum(w^2 * P * (1 - P) * (Ni - ni) / (Ni * (ni - 1))))
  extras(prop_kind, est, sd, N, 0.80, 1.282, sum(ni) - 3, srs_prop_var(N, sum(ni), est), sum(ni))
})

# Cluster and two-stage sampling: v = M (M - m) C / (m (m - 1) N^2) + (M / m) W, df = m - 1.
cat("## cluster.mirto\n")
local({
  N <- 100; M <- 10; m <- 3; Ni <- c(10, 20, 15); ybar <- c(5, 8, 6); S <- c(2, 3, 1); w <- Ni / N
  est <- M / m * sum(w * ybar); Yi <- Ni * ybar; C <- sum((Yi - mean(Yi))^2)
  sd <- sqrt(M * (M - m) * C / (m * (m - 1) * N^2))
  extras(mean_kind, est, sd, N, 0.95, 1.96, m - 1, srs_mean_var(N, sum(Ni), est, Ni, Ni, ybar, S, M / m), sum(Ni))
})
local({
  N <- 100; M <- 10; m <- 3; Ni <- c(10, 20, 15); ni <- c(5, 8, 6); P <- c(0.2, 0.5, 0.1); w <- Ni / N
  est <- M / m * sum(w * P); Yi <- Ni * P; C <- sum((Yi - mean(Yi))^2)
  W <- sum(w^2 * P * (1 - P) * (Ni - ni) / (Ni * (ni - 1)))
  sd <- sqrt(M * (M - m) * C / (m * (m - 1) * N^2) + M / m * W)
  extras(prop_kind, est, sd, N, 0.95, 1.96, m - 1, srs_prop_var(N, sum(ni), est), sum(ni))
})
local({
  N <- 4000; M <- 40; m <- 4; Ni <- c(90, 110, 100, 95); ni <- c(9, 11, 10, 8); ybar <- c(20, 24, 22, 19)
  S <- c(4, 5, 4.5, 3.5); w <- Ni / N
  est <- M / m * sum(w * ybar); Yi <- Ni * ybar; C <- sum((Yi - mean(Yi))^2)
  W <- sum(w^2 * S^2 * (Ni - ni) / (Ni * (ni - 1)))
  sd <- sqrt(M * (M - m) * C / (m * (m - 1) * N^2) + M / m * W)
  extras(mean_kind, est, sd, N, 0.90, 1.645, m - 1, srs_mean_var(N, sum(ni), est, Ni, ni, ybar, S, M / m), sum(ni))
})

cat("## degenerate.mirto\n")
# No strata: N = 0, every sum empty; the estimate and its deviation are 0.
extras(mean_kind, 0, 0, 0, 0.95, 1.96, 0, srs_mean_var(0, 0, 0, numeric(0), numeric(0), numeric(0), numeric(0)), 0)
# One selected group: the variance divides by m - 1 = 0.
local({
  N <- 100; M <- 10; m <- 1; Ni <- 10; ybar <- 5; S <- 2
  est <- M / m * sum(Ni / N * ybar)
  sd <- sqrt(M * (M - m) * 0 / (m * (m - 1) * N^2))
  extras(mean_kind, est, sd, N, 0.95, 1.96, m - 1, srs_mean_var(N, Ni, est, Ni, Ni, ybar, S, M / m), Ni)
})
# A group of one sampled element: its within-group term divides by n_i - 1 = 0.
local({
  N <- 100; M <- 10; m <- 2; Ni <- c(10, 20); ni <- c(1, 8); P <- c(0.2, 0.5); w <- Ni / N
  est <- M / m * sum(w * P); Yi <- Ni * P; C <- sum((Yi - mean(Yi))^2)
  W <- sum(w^2 * P * (1 - P) * (Ni - ni) / (Ni * (ni - 1)))
  sd <- sqrt(M * (M - m) * C / (m * (m - 1) * N^2) + M / m * W)
  extras(prop_kind, est, sd, N, 0.95, 1.96, m - 1, srs_prop_var(N, sum(ni), est), sum(ni))
})

# Unequal probabilities, u_i = Y_i / (N p_i): with replacement the mean is
# mean(u) with variance var(u) / n; without, sum(u) with variance
# (N - n) n sum((u - mean(u))^2) / ((n - 1) (N - 1)). df = n - 1.
cat("## unequal.mirto\n")
hhe <- function(kind, N, y, q, level, z, srs = FALSE) {
  u <- y / (N * q); n <- length(u); m <- mean(u); sd <- sqrt(var(u) / n)
  extras(kind, m, sd, N, level, z, n - 1, if (srs) srs_prop_var(N, n, m), n)
}
hte <- function(kind, N, y, p, level, z, srs = FALSE) {
  u <- y / (N * p); n <- length(u); m <- sum(u); sd <- sqrt((N - n) * n * sum((u - mean(u))^2) / ((n - 1) * (N - 1)))
  extras(kind, m, sd, N, level, z, n - 1, if (srs) srs_prop_var(N, n, m), n)
}
hhe(mean_kind, 4, c(1, 3), c(0.5, 0.5), 0.95, 1.96)
hte(mean_kind, 10, c(2, 6), c(0.2, 0.4), 0.95, 1.96)
hte(prop_kind, 100, c(1, 0, 1, 1), rep(0.04, 4), 0.95, 1.96, srs = TRUE)
hhe(prop_kind, 100, c(1, 0, 1, 1), c(0.01, 0.02, 0.01, 0.01), 0.90, 1.645, srs = TRUE)

# Prediction intervals: the mean T / N with the error deviation hatSdE / N,
# hatSdE = sqrt(s^2 f); df the divisor of s^2 (n - 1, Model D n - 2).
cat("## prediction.mirto\n")
local({  # Model D: the least squares line through the sample
  N <- 10; sumX <- 25; x <- c(1, 2, 3); y <- c(2, 4, 7); n <- 3
  fit <- lm(y ~ x); b <- coef(fit)[[2]]; Xbar <- sumX / N
  T <- N * (mean(y) + b * (Xbar - mean(x)))
  s2 <- sum(residuals(fit)^2) / (n - 2)
  f <- N^2 * (1 / n - 1 / N + (mean(x) - Xbar)^2 / sum((x - mean(x))^2))
  extras(mean_kind, T / N, sqrt(s2 * f) / N, N, 0.95, 1.96, n - 2)
})
local({  # Model A: b = sum(xy) / sum(x^2)
  N <- 200; sumX <- 1000; x <- c(4, 5, 6, 5); y <- c(9, 11, 12, 9); n <- 4
  b <- sum(x * y) / sum(x^2); Xr <- sumX - sum(x); T <- sum(y) + b * Xr
  s2 <- sum((y - b * x)^2) / (n - 1); f <- Xr^2 / sum(x^2) + N - n
  extras(mean_kind, T / N, sqrt(s2 * f) / N, N, 0.90, 1.645, n - 1)
})
local({  # Model B with x = 0: no s^2
  N <- 20; x <- c(0, 2); y <- c(1, 3); T <- sum(y) + sum(y) / sum(x) * (50 - sum(x))
  extras(mean_kind, T / N, NaN, N, 0.95, 1.96, 1)
})
