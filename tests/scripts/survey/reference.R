# Reference figures for survey_test.cpp and block.expected, from R's survey package:
#   Rscript reference.R   (in this folder)
suppressMessages(library(survey))
show <- function(label, x) cat(label, format(unname(unlist(x)), digits = 17), "\n")
s <- read.csv("small.csv")
s$c <- factor(s$c)
options(survey.lonely.psu = "adjust")
d <- svydesign(ids = ~psu, strata = ~st, weights = ~w, nest = TRUE, data = s)
show("degf", degf(d))
m <- svyby(~y, ~d, d, svymean, na.rm = TRUE, deff = TRUE)
show("mean by d", coef(m)); show("se", SE(m)); show("deff", deff(m)); show("ci", confint(m))
t <- svytotal(~y, d, na.rm = TRUE, deff = TRUE)
show("total", coef(t)); show("se", SE(t)); show("deff", deff(t))
r <- svyratio(~y, ~x, d, na.rm = TRUE, deff = TRUE)
show("ratio", coef(r)); show("se", SE(r)); show("deff", deff(r))
p <- svymean(~c, d, deff = TRUE)
show("proportions", coef(p)); show("se", SE(p)); show("deff", deff(p)); show("ci", confint(p))
show("t", qt(0.975, degf(d)))
show("logit q", attr(svyciprop(~I(c == "q"), d, df = degf(d)), "ci"))
# Units as PSUs, fpc as sampling fractions (every value at most 1).
e <- svydesign(ids = ~1, strata = ~st, weights = ~w, fpc = ~f, data = s)
u <- svymean(~y, e, na.rm = TRUE, deff = TRUE)
show("element mean", coef(u)); show("se", SE(u)); show("deff", deff(u)); show("degf", degf(e))
# Replicate weights, Fay with rho = 0.5, centred on the full-sample estimate.
rw <- read.csv("replicates.csv")
f <- svrepdesign(data = rw, repweights = "r[1-4]", weights = ~w, type = "Fay", rho = 0.5,
                 combined.weights = TRUE, mse = TRUE)
show("Fay degf", degf(f))
b <- svyby(~y, ~d, f, svymean, deff = TRUE)
show("mean by d", coef(b)); show("se", SE(b)); show("deff", deff(b))

# The figures of block.expected as the block prints them.
f6 <- function(label, x) cat(label, sprintf("%f", unname(unlist(x))), "\n")
f6("mean a, b: estimate, se, low, high, cv, deff", c(rbind(coef(m), SE(m), confint(m)[, 1], confint(m)[, 2],
                                                        100 * SE(m) / coef(m), deff(m))))
f6("z", qnorm(0.975))
f6("proportions p, q: estimate, se, low, high, cv, deff",
   c(rbind(coef(p), SE(p), confint(p)[, 1], confint(p)[, 2], 100 * SE(p) / coef(p), deff(p))))
n_eff <- coef(p) * (1 - coef(p)) / SE(p)^2
z <- qnorm(0.975)
wilson <- sapply(1:2, function(k) {
  P <- coef(p)[k]; n <- n_eff[k]
  (P + z^2 / (2 * n) + c(-1, 1) * z * sqrt(P * (1 - P) / n + z^2 / (4 * n^2))) / (1 + z^2 / n)
})
exact <- sapply(1:2, function(k) {
  P <- coef(p)[k]; n <- n_eff[k]
  c(qbeta(0.025, n * P, n * (1 - P) + 1), qbeta(0.975, n * P + 1, n * (1 - P)))
})
logit <- sapply(c("p", "q"), function(k) {
  g <- eval(bquote(svyglm(I(c == .(k)) ~ 1, d, family = quasibinomial,
                          control = glm.control(epsilon = 1e-15, maxit = 100))))
  plogis(coef(g)[[1]] + c(-1, 1) * qt(0.975, degf(d)) * SE(g)[[1]])
})
f6("t bounds p, q", c(rbind(coef(p) - qt(0.975, degf(d)) * SE(p), coef(p) + qt(0.975, degf(d)) * SE(p))))
f6("n_eff, logit, wilson, exact p", c(n_eff[1], logit[, 1], wilson[, 1], exact[, 1]))
f6("n_eff, logit, wilson, exact q", c(n_eff[2], logit[, 2], wilson[, 2], exact[, 2]))
