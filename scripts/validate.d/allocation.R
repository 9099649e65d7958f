# Allocation for several variables: generated stratified populations, their
# stratum figures typed into the forms, and the least-cost allocation worked
# out in R by Chromy's iteration written from the paper (multipliers scaled by
# the square of each variable's load over its bound), checked against
# constrOptim's solution of the same convex problem, then rounded as the help
# says. Sourced by cases.R.

# a[h, j] = W_h^2 S_hj^2 (a proportion's S^2 = N_h P (1 - P) / (N_h - 1)); bound b_j = V_j + sum a / N_h.
alloc_problem <- function(pop, vars) {
  W <- pop$N / sum(pop$N)
  a <- sapply(seq_along(vars), function(j) {
    v <- vars[[j]]
    s2 <- if (v$prop) pop$N * v$P * (1 - v$P) / (pop$N - 1) else v$S^2
    W^2 * s2
  })
  a <- matrix(a, nrow = length(pop$N))
  mean_j <- sapply(vars, function(v) sum(W * (if (v$prop) v$P else v$mu)))
  allowed <- sapply(seq_along(vars), function(j) {
    v <- vars[[j]]
    (if (v$by_cv) v$target * mean_j[j] else v$target / z)^2
  })
  list(a = a, N = pop$N, cost = pop$cost, lower = pmin(pop$minimum, pop$N), mean = mean_j, allowed = allowed,
       b = allowed + colSums(a / pop$N))
}
chromy <- function(p) {
  lambda <- rep(1, ncol(p$a))
  n_of <- function(l) pmin(pmax(sqrt(drop(p$a %*% l) / p$cost), p$lower), p$N)
  n <- n_of(lambda)
  for (k in 1:100000) {
    lambda <- lambda * (colSums(p$a / n) / p$b)^2
    nxt <- n_of(lambda)
    done <- max(abs(nxt - n) / nxt) < 1e-15
    n <- nxt
    if (done) break
  }
  n
}
# The same problem in x = 1/n: cost sum c / x, linear constraints a' x <= b, 1/N <= x <= 1/lower.
constr_optim <- function(p, start) {
  K <- length(p$N)
  ui <- rbind(-t(p$a), diag(K), -diag(K))
  ci <- c(-p$b, 1 / p$N, -1 / pmax(p$lower, 1e-300))
  # Its default tolerances: tighter ones run its barrier into the bounds that bind.
  fit <- constrOptim(1 / start, function(x) sum(p$cost / x), function(x) -p$cost / x^2, ui = ui, ci = ci,
                     control = list(maxit = 1000))
  1 / fit$par
}
variance <- function(p, n) colSums(p$a * (1 / n - 1 / p$N))
# Total rounded up; the scale that makes the capped values add up to it; largest remainders; raised
# by one until every target holds.
whole <- function(p, exact) {
  total <- max(ceiling(sum(exact) - 1e-9), sum(p$lower))
  repeat {
    capped <- function(s) sum(pmin(pmax(s * exact, p$lower), p$N)) - total
    s <- uniroot(capped, c(0, 4 * total / sum(exact) + 1), tol = 1e-14)$root
    x <- pmin(pmax(s * exact, p$lower), p$N)
    w <- pmin(floor(x + 1e-12), p$N)
    left <- total - sum(w)
    if (left > 0) {
      order_h <- order(-(x - w))
      order_h <- order_h[w[order_h] < p$N[order_h]]
      w[order_h[seq_len(left)]] <- w[order_h[seq_len(left)]] + 1
    }
    if (all(variance(p, w) <= p$allowed * (1 + 1e-12)) || total >= sum(p$N)) return(w)
    total <- total + 1
  }
}

alloc_case <- function(id, design, pop, vars, note) {
  p <- alloc_problem(pop, vars)
  exact <- chromy(p)
  # An interior start: halfway to N_h, a strata taken whole just below it.
  check <- constr_optim(p, pmin((exact + p$N) / 2, p$N - 1e-3 * (p$N - p$lower)))
  # Chromy's allocation meets the targets exactly, so no feasible one may cost less; constrOptim's
  # barrier stops short of the bounds that bind, a little above the optimum.
  if (any(variance(p, exact) > p$allowed * (1 + 1e-12))) stop(id, ": a target is not met")
  gap <- (sum(p$cost * check) - sum(p$cost * exact)) / sum(p$cost * exact)
  if (gap < -1e-9 || gap > 1e-3) stop(id, ": constrOptim's cost differs by ", gap)
  w <- whole(p, exact)
  sd <- sqrt(variance(p, w))
  K <- length(pop$N)
  figs <- rbind(fig(paste0("allocation[", 1:K, "].optimal_n_i"), exact), fig(paste0("allocation[", 1:K, "].n_i"), w),
                fig(paste0("reached[", seq_along(vars), "].sd"), sd),
                fig(paste0("reached[", seq_along(vars), "].cv"), sd / p$mean),
                fig("sample_size", sum(w)), fig("cost", sum(w * pop$cost)))
  script <- c("command Stratified > Allocation for several variables",
              paste0("ok ", K, "; ", length(vars), "; ", pop$minimum),
              paste0("ok ", pop$N, "; ", vapply(pop$cost, field, "")))
  for (v in vars) {
    script <- c(script, paste0("ok ", if (v$prop) "Proportion" else "Mean", "; ", if (v$by_cv) "CV" else "Margin",
                               "; ", field(v$target), "; ", level))
    script <- c(script, if (v$prop) paste0("ok ", vapply(v$P, field, "")) else
      paste0("ok ", vapply(v$mu, field, ""), "; ", vapply(v$S, field, "")))
  }
  add_case(id, design, "figures typed", script, figs, fast_case = TRUE,
           note = paste0(note, "; R: Chromy's iteration; constrOptim's cost ", formatC(max(gap, 0), digits = 1, format = "e"),
                         " above its"))
}

# A population of strata, each with a variable y and a 0/1 category; the stratum figures the forms ask.
strata_pop <- function(sizes, means, sds, probs, cost, minimum) {
  units <- lapply(seq_along(sizes), function(h) {
    y <- round(rnorm(sizes[h], means[h], sds[h]), 2)
    list(y = y, c = rbinom(sizes[h], 1, probs[h]))
  })
  # What the 15-character fields carry, so that R and Mirto start from the same doubles.
  typed <- function(v) as.numeric(vapply(v, field, ""))
  list(N = sizes, cost = typed(cost), minimum = minimum,
       mu = typed(sapply(units, function(u) mean(u$y))), S = typed(sapply(units, function(u) sd(u$y))),
       P = typed(sapply(units, function(u) mean(u$c))))
}
mean_var <- function(pop, by_cv, target) list(prop = FALSE, by_cv = by_cv, target = target, mu = pop$mu, S = pop$S)
prop_var <- function(pop, by_cv, target) list(prop = TRUE, by_cv = by_cv, target = target, P = pop$P)

set.seed(20261209)
pop1 <- strata_pop(c(1200, 800, 500, 300), c(40, 55, 70, 90), c(8, 12, 20, 35), c(0.2, 0.3, 0.4, 0.5),
                   c(1, 1.5, 2, 3), 2)
alloc_case("alloc_two_means", "Stratified, allocation for several variables (4 strata, 2 variables)", pop1,
           list(mean_var(pop1, FALSE, 1.5), prop_var(pop1, FALSE, 0.05)), "margins at 95%")
pop2 <- strata_pop(c(900, 2500, 40, 600, 25), c(20, 30, 400, 50, 900), c(5, 6, 300, 10, 700),
                   c(0.1, 0.5, 0.3, 0.2, 0.6), c(4, 1, 2, 3, 5), 2)
alloc_case("alloc_capped", "Stratified, allocation for several variables, strata capped at N_h", pop2,
           list(mean_var(pop2, TRUE, 0.01), prop_var(pop2, FALSE, 0.03)), "CV 1% and a margin; the fifth stratum taken whole")
pop3 <- strata_pop(c(3000, 1500, 700), c(100, 80, 60), c(30, 25, 15), c(0.05, 0.25, 0.6), c(2, 1, 6), 5)
pop3$P2 <- as.numeric(vapply(c(0.45, 0.3, 0.15), field, ""))
alloc_case("alloc_three", "Stratified, allocation for several variables (3 variables, minimum 5)", pop3,
           list(mean_var(pop3, TRUE, 0.02), prop_var(pop3, FALSE, 0.04),
                list(prop = TRUE, by_cv = TRUE, target = 0.1, P = pop3$P2)), "a CV, a margin and a CV of a proportion")
