# The additional figures from their definitions (help: "Additional figures"),
# computed in R independently of Mirto; sourced by figures/reference.R and
# commands/reference.R.
# printf as Mirto prints it: a value that is not a number as "nan".
f <- function(x) ifelse(is.nan(x), "nan", sprintf("%f", x))
n0 <- function(x) sprintf("%.0f", x)
heading <- function() cat("+++ Additional figures for the report above +++\n")
line <- function(...) cat("+ ", ..., "\n", sep = "")

range_text <- function(kind, low, high, N) {
  s <- paste0(kind$name, " from ", f(low), " to ", f(high))
  if (kind$name == "mean") s <- paste0(s, ", total from ", f(N * low), " to ", f(N * high))
  if (kind$name == "proportion") s <- paste0(s, ", number from ", n0(N * low), " to ", n0(N * high))
  s
}

# est, sd as the report computes them; level and z of the chosen confidence level.
extras <- function(kind, est, sd, N, level, z, df, srs = NULL, n = NA) {
  heading()
  if (is.finite(sd) && sd >= 0 && est != 0) {
    cv <- 100 * sd / abs(est)
    if (level > 0 && level < 1)
      line("Coefficient of variation: ", f(cv), "%; relative margin of the ", sprintf("%.2f", level),
           " interval: ", f(z * cv), "%")
    else
      line("Coefficient of variation: ", f(cv), "%; relative margin: not defined (no confidence level chosen)")
  } else if (!is.finite(sd) || sd < 0) {
    line("Coefficient of variation and relative margin: not defined (the standard deviation is not a finite number)")
  } else {
    line("Coefficient of variation and relative margin: not defined (the estimate is 0)")
  }
  if (df < 1) {
    line("t-based interval: not defined (", sprintf("%g", df), " degrees of freedom)")
  } else if (!(level > 0 && level < 1)) {
    line("t-based interval: not defined (no confidence level chosen)")
  } else if (!is.finite(sd) || sd < 0) {
    line("t-based interval: not defined (the standard deviation is not a finite number)")
  } else {
    t <- qt(0.5 + level / 2, df)
    line("t-based ", sprintf("%.2f", level), " interval with ", sprintf("%g", df), if (df == 1) " degree" else " degrees", " of freedom (t = ", f(t), "): ",
         range_text(kind, est - t * sd, est + t * sd, N))
  }
  if (kind$name == "proportion") proportion_intervals(kind, est, sd, N, level, z)
  if (!is.null(srs)) {
    deff <- sd^2 / srs
    if (!is.finite(sd^2)) line("Design effect: not defined (the variance of the estimator is not a finite number)")
    else if (is.finite(srs) && srs == 0) line("Design effect: not defined (the variance under simple random sampling of the same n is 0)")
    else if (!is.finite(srs)) line("Design effect: not defined (the variance under simple random sampling is not a finite number)")
    else line("Design effect against simple random sampling of n = ", n0(n), ": deff = ", f(deff), ", deft = ",
              f(sqrt(deff)), ", n/deff = ", f(n / deff))
  }
}

proportion_intervals <- function(kind, P, sd, N, level, z) {
  v <- sd^2
  name <- "Wilson, Clopper-Pearson and logit intervals"
  if (!(P >= 0 && P <= 1)) return(line(name, ": not defined (P = ", f(P), " lies outside 0 to 1)"))
  if (!is.finite(v)) return(line(name, ": not defined (the variance of P is not a finite number)"))
  if (v == 0) return(line(name, ": not defined (the variance of P is 0)"))
  n <- P * (1 - P) / v
  line("Effective sample size, n_eff = P(1-P)/v: ", f(n))
  if (!(level > 0 && level < 1)) return(line(name, ": not defined (no confidence level chosen)"))
  # Wilson (1927), the score interval
  centre <- (P + z^2 / (2 * n)) / (1 + z^2 / n)
  half <- z * sqrt(P * (1 - P) / n + z^2 / (4 * n^2)) / (1 + z^2 / n)
  line("Wilson ", sprintf("%.2f", level), " interval: ", range_text(kind, centre - half, centre + half, N))
  # Clopper and Pearson (1934) with x = n P, through the beta quantiles
  a <- 1 - level; x <- n * P
  lo <- if (x > 0) qbeta(a / 2, x, n - x + 1) else 0
  hi <- if (x < n) qbeta(1 - a / 2, x + 1, n - x) else 1
  line("Clopper-Pearson ", sprintf("%.2f", level), " interval: ", range_text(kind, lo, hi, N))
  if (P > 0 && P < 1) {
    l <- qlogis(P); h <- z * sd / (P * (1 - P))
    line("Logit ", sprintf("%.2f", level), " interval: ", range_text(kind, plogis(l - h), plogis(l + h), N))
  } else {
    line("Logit interval: not defined (P is ", if (P == 0) "0" else "1", ")")
  }
  if (n * P < 5 || n * (1 - P) < 5)
    line("Note: n_eff*P = ", f(n * P), " and n_eff*(1-P) = ", f(n * (1 - P)),
         "; below 5 the normal approximation is poor")
}

mean_kind <- list(name = "mean"); prop_kind <- list(name = "proportion"); ratio_kind <- list(name = "ratio")

# Simple random sampling: sd = sqrt((N - n) s^2 / ((n - 1) N)), df = n - 1.
srs_mean <- function(N, n, y, s, level, z) extras(mean_kind, y, sqrt((N - n) * s^2 / ((n - 1) * N)), N, level, z, n - 1)
srs_prop <- function(N, n, P, level, z) extras(prop_kind, P, sqrt((N - n) * P * (1 - P) / ((n - 1) * N)), N, level, z, n - 1)

# The design's variance against simple random sampling of the same n: for a
# proportion (N - n) P (1 - P) / ((n - 1) N); for a mean (1 - n/N) S^2 / n with
# S^2 = factor * sum((N_i - 1) S_i^2 n_i / (n_i - 1) + N_i (ybar_i - est)^2) / (N - 1).
srs_prop_var <- function(N, n, P) (N - n) * P * (1 - P) / ((n - 1) * N)
srs_mean_var <- function(N, n, est, Ni, ni, ybar, S, factor = 1) {
  S2 <- factor * sum((Ni - 1) * S^2 * ni / (ni - 1) + Ni * (ybar - est)^2) / (N - 1)
  (1 - n / N) * S2 / n
}

