# Reference figures for survey_calibrate_test.cpp and calibrate.expected, from R's survey
# package and, for the raking's last change, the fitting written out below:
#   Rscript calibrate.R   (in this folder)
suppressMessages(library(survey))
show <- function(label, x) cat(label, format(unname(unlist(x)), digits = 17), "\n")
f6 <- function(label, x) cat(label, sprintf("%f", unname(unlist(x))), "\n")
s <- read.csv("small.csv")
options(survey.lonely.psu = "adjust")
d <- svydesign(ids = ~psu, strata = ~st, weights = ~w, nest = TRUE, data = s)
pd <- data.frame(d = c("a", "b"), Freq = c(70, 60)); pc <- data.frame(c = c("p", "q"), Freq = c(75, 55))
r <- rake(d, list(~d, ~c), list(pd, pc), control = list(epsilon = 1e-7, maxit = 50))
g <- weights(r) / weights(d); show("rake g quantiles", quantile(g))
m <- svyby(~y, ~d, r, svymean, na.rm = TRUE); show("rake mean by d", coef(m)); show("se", SE(m))
p <- postStratify(d, ~d + c, data.frame(d = c("a", "a", "b", "b"), c = c("p", "q", "p", "q"),
                                        Freq = c(40, 30, 35, 25)))
t <- svytotal(~y, p, na.rm = TRUE); show("post total", coef(t)); show("se", SE(t))
l <- calibrate(d, ~d + x, c(`(Intercept)` = 130, db = 60, x = 400), bounds = c(0.9, 1.3))
show("bounded g", quantile(weights(l) / weights(d)))
b <- svymean(~y, l, na.rm = TRUE); show("bounded mean", coef(b)); show("se", SE(b))
e <- svydesign(ids = ~1, strata = ~st, weights = ~w, data = s)
el <- calibrate(e, ~c + x, c(`(Intercept)` = 130, cq = 55, x = 400))
em <- svyby(~y, ~d, el, svymean, na.rm = TRUE); show("element linear mean by d", coef(em)); show("se", SE(em))
n <- calibrate(d, ~d + x, c(`(Intercept)` = 130, db = 60, x = 100))
show("negative weights with x = 100", sum(weights(n) < 0))
rw <- read.csv("replicates.csv")
f <- svrepdesign(data = rw, repweights = "r[1-4]", weights = ~w, type = "Fay", rho = 0.5, combined.weights = TRUE,
                 mse = TRUE)
fm <- svymean(~y, postStratify(f, ~d, pd)); show("Fay post mean", coef(fm)); show("se", SE(fm))
show("rake weights (weights out)", weights(r))

# The figures of calibrate.expected as the block prints them. The sweeps and the last change
# of a cell: proportional fitting of the cells' weighted counts, as rake() iterates it.
cell <- paste(s$d, s$c); dsum <- tapply(s$w, cell, sum); gc <- rep(1, length(dsum))
md <- substr(names(dsum), 1, 1); mc <- substr(names(dsum), 3, 3); old <- dsum; sweeps <- 0
repeat {
  gc <- gc * c(a = 70, b = 60)[md] / tapply(dsum * gc, md, sum)[md]
  gc <- gc * c(p = 75, q = 55)[mc] / tapply(dsum * gc, mc, sum)[mc]
  sweeps <- sweeps + 1; change <- max(abs(dsum * gc - old)); old <- dsum * gc
  if (change < 1e-7 * sum(s$w)) break
}
show("sweeps (as rake's)", sweeps); f6("last change, epsilon", c(change, 1e-7 * sum(s$w)))
before <- c(tapply(s$w, s$d, sum), tapply(s$w, s$c, sum))
after <- c(tapply(weights(r), s$d, sum), tapply(weights(r), s$c, sum))
f6("sums of weights before, after", c(sum(s$w), sum(weights(r))))
f6("totals a b p q: before", before); f6("after", after)
f6("largest remaining difference", max(abs(after - c(70, 60, 75, 55))))
f6("g quantiles", quantile(g))
f6("mean by d: estimate, se, low, high, cv, deff", c(rbind(coef(m), SE(m), confint(m)[, 1], confint(m)[, 2],
                                                         100 * SE(m) / coef(m),
                                                         deff(svyby(~y, ~d, r, svymean, na.rm = TRUE,
                                                                    deff = TRUE)))))
