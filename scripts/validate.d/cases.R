# Draws a sample for each design, writes it as Mirto reads it, computes the
# reference figures with the survey and sampling packages, and writes one
# Mirto script per case with the figures to compare in cases.json.
# Usage: Rscript cases.R WORKDIR [fast]
suppressPackageStartupMessages({
  library(survey)
  library(sampling)
  library(jsonlite)
})
args <- commandArgs(trailingOnly = TRUE)
work <- args[1]
fast <- length(args) > 1 && args[2] == "fast"
z <- 1.96  # the form's 95% item; R's own qnorm(0.975) is shown beside it
have_haven <- requireNamespace("haven", quietly = TRUE)

# Text a 15-character form field takes, as close to the double as that allows.
field <- function(v, width = 15) {
  for (d in width:3) {
    s <- sub("^ +", "", formatC(v, digits = d, format = "g"))
    if (nchar(s) <= width) return(s)
  }
  stop("no field text for ", v)
}
# Sample files hold what the forms' fields take (10 characters for a probability); R reads
# the file back, so both sides use the same doubles.
write_sample <- function(df, name, width = 15) {
  out <- as.data.frame(lapply(df, function(col) {
    if (is.numeric(col)) vapply(col, field, "", width = width) else col
  }))
  write.csv(out, file.path(work, name), row.names = FALSE, quote = FALSE)
  read.csv(file.path(work, name), stringsAsFactors = FALSE)
}

cases <- list()
add_case <- function(id, design, route, script, figures, fast_case = FALSE, note = "") {
  if (fast && !fast_case) return(invisible())
  if (any(startsWith(figures$key, "extras."))) script <- c("extras on", script)
  writeLines(c(script, ""), file.path(work, paste0(id, ".mirto")))
  cases[[length(cases) + 1]] <<- list(id = id, design = design, route = route, note = note,
                                       figures = figures)
}
# One row per compared figure: Mirto's results key, R's figure in Mirto's convention,
# R's default where the convention differs (NA otherwise).
fig <- function(key, r, r_default = NA_real_) {
  data.frame(key = key, r = as.numeric(r), r_default = as.numeric(r_default))
}
# R's default bounds are confint's: its own estimate and SE, and qnorm(0.975).
interval <- function(prefix, est, se, scale = 1, est_def = est, se_def = se) {
  est <- as.numeric(est); se <- as.numeric(se)
  fig(paste0(prefix, c("_low", "_high")), scale * (est + c(-z, z) * se),
      scale * (as.numeric(est_def) + c(-1, 1) * qnorm(0.975) * as.numeric(se_def)))
}
level <- "95%"
# The t-based interval of the additional figures, with the design's degrees of freedom.
t_figs <- function(est, se, df, scale = 1) {
  est <- as.numeric(est); se <- as.numeric(se)
  fig(c("extras.t_df", "extras.t_low", "extras.t_high"),
      c(df, scale * (est + c(-1, 1) * qt(0.975, df) * se)))
}

## Simple random sampling: mean and total, a 0/1 proportion, ratio and regression with x.
set.seed(20261208)
N <- 5000
pop_y <- round(rlnorm(N, 3, 0.5), 2)
pop_x <- round(0.7 * pop_y + rgamma(N, 4, 0.5), 2)
mu_x <- mean(pop_x)
s <- sample(N, 200)
srs <- write_sample(data.frame(y = pop_y[s], x = pop_x[s], z = as.integer(pop_y[s] > 25)), "srs.csv")
if (have_haven) {
  haven::write_sav(srs, file.path(work, "srs.sav"))
  haven::write_dta(srs, file.path(work, "srs.dta"))
}
n <- nrow(srs)
srs$N <- N
d_srs <- svydesign(ids = ~1, fpc = ~N, data = srs)
m <- svymean(~y, d_srs); t <- svytotal(~y, d_srs)
srs_mean_figs <- rbind(fig("mean", coef(m)), fig("sd_mean", SE(m)), interval("mean", coef(m), SE(m)),
                       t_figs(coef(m), SE(m), degf(d_srs)),
                       fig("total", coef(t)), interval("total", coef(t), SE(t)))
sd_n <- function(v) sqrt(mean((v - mean(v))^2))
add_case("srs_mean_typed", "Simple, mean/total", "figures typed",
         c("command Simple > Mean/total of variable > Interval estimates > Simple",
           paste("ok", paste(c(N, n, field(mean(srs$y)), field(sd_n(srs$y)), level), collapse = "; "))),
         srs_mean_figs, fast_case = TRUE)
data_srs <- function(file) c(paste("data", file), "use y=y",
                             "command Simple > Mean/total of variable > Interval estimates > Simple",
                             paste0("ok ", N, "; ", level))
add_case("srs_mean_csv", "Simple, mean/total", "data: srs.csv", data_srs("srs.csv"), srs_mean_figs,
         fast_case = TRUE)
if (have_haven) {
  add_case("srs_mean_sav", "Simple, mean/total", "data: srs.sav", data_srs("srs.sav"), srs_mean_figs)
  add_case("srs_mean_dta", "Simple, mean/total", "data: srs.dta", data_srs("srs.dta"), srs_mean_figs)
}

# Missing values ("NA" and empty cells) are skipped: R works on the complete units.
holes <- srs
holes$y[c(3, 17, 120)] <- NA
lines <- readLines(file.path(work, "srs.csv"))
cells <- strsplit(lines[c(4, 18, 121)], ",")
lines[c(4, 18, 121)] <- vapply(seq_along(cells), function(k) {
  paste(replace(cells[[k]], 1, if (k == 2) "" else "NA"), collapse = ",")
}, "")
writeLines(lines, file.path(work, "srs_missing.csv"))
kept <- subset(holes, !is.na(y))
d_kept <- svydesign(ids = ~1, fpc = ~N, data = kept)
m <- svymean(~y, d_kept)
add_case("srs_missing_csv", "Simple, mean/total, 3 values missing", "data: srs_missing.csv",
         sub("srs.csv", "srs_missing.csv", data_srs("srs.csv"), fixed = TRUE),
         rbind(fig("sample_size", nrow(kept)), fig("mean", coef(m)), fig("sd_mean", SE(m)),
               interval("mean", coef(m), SE(m)), t_figs(coef(m), SE(m), degf(d_kept))),
         note = "two cells \"NA\", one empty; R's figures from the complete units")

p <- svymean(~z, d_srs); pn <- svytotal(~z, d_srs)
prop_figs <- rbind(fig("proportion", coef(p)), fig("sd_proportion", SE(p)),
                   interval("proportion", coef(p), SE(p)), fig("number", coef(pn)),
                   interval("number", coef(pn), SE(pn)))
prop_cmd <- "command Simple > Proportion/number in category > Interval estimates > Simple"
add_case("srs_prop_typed", "Simple, proportion/number", "figures typed",
         c(prop_cmd, paste("ok", paste(c(N, n, field(mean(srs$z)), level), collapse = "; "))), prop_figs)
add_case("srs_prop_csv", "Simple, proportion/number", "data: srs.csv",
         c("data srs.csv", "use y=z", prop_cmd, paste0("ok ", N, "; ", level)), prop_figs)

r <- svyratio(~y, ~x, d_srs)
R <- coef(r); bar_x <- mean(srs$x); bar_y <- mean(srs$y)
se_ratio_mean <- SE(r) * bar_x  # Mirto's S_r sqrt((1 - f)/n), without the factor muX/barX
ratio_figs <- rbind(fig("mean", R * mu_x), fig("sd_mean", se_ratio_mean, SE(r) * mu_x),
                    interval("mean", R * mu_x, se_ratio_mean, se_def = SE(r) * mu_x), fig("total", N * R * mu_x))
ratio_note <- "survey's SE of the ratio times muX is Mirto's times muX/barX; compared: that SE times barX/muX"
ratio_cmd <- "command Simple > Mean/total of variable > Interval estimates > Ratio"
S_r <- sd(srs$y - (bar_y / bar_x) * srs$x)
add_case("srs_ratio_typed", "Simple, ratio estimator", "figures typed",
         c(ratio_cmd, paste("ok", paste(c(N, n, field(bar_y), field(bar_x), field(mu_x), field(S_r), level),
                                        collapse = "; "))), ratio_figs, note = ratio_note)
add_case("srs_ratio_csv", "Simple, ratio estimator", "data: srs.csv",
         c("data srs.csv", "use y=y x=x", ratio_cmd, paste0("ok ", N, "; ", field(mu_x), "; ", level)),
         ratio_figs, note = ratio_note)

cal <- calibrate(d_srs, ~x, population = c(`(Intercept)` = N, x = N * mu_x))
g <- svymean(~y, cal)
fit <- lm(y ~ x, data = srs)
se_reg <- sigma(fit) * sqrt((1 - n / N) / n)
reg_figs <- rbind(fig("mean", coef(g)), fig("slope", coef(fit)[["x"]]), fig("sd_mean", se_reg, SE(g)),
                  interval("mean", coef(g), se_reg, se_def = SE(g)), fig("total", N * coef(g)))
reg_note <- paste("mean from survey's calibration on x; compared deviation: lm's residual deviation",
                  "(divisor n - 2) times sqrt((1 - n/N)/n); survey's calibrated SE (g-weighted residuals) beside it")
reg_cmd <- "command Simple > Mean/total of variable > Interval estimates > Regression"
add_case("srs_regression_typed", "Simple, regression estimator", "figures typed",
         c(reg_cmd, paste("ok", paste(c(N, n, field(bar_y), field(bar_x), field(mu_x), field(sigma(fit)),
                                        field(coef(fit)[["x"]]), level), collapse = "; "))),
         reg_figs, note = reg_note)
add_case("srs_regression_csv", "Simple, regression estimator", "data: srs.csv",
         c("data srs.csv", "use y=y x=x", reg_cmd, paste0("ok ", N, "; ", field(mu_x), "; ", level)),
         reg_figs, note = reg_note)

two_cmd <- "command Simple > Ratio of means/totals > Interval estimates"
two_figs <- rbind(fig("ratio", R), fig("sd_ratio", SE(r)), interval("ratio", R, SE(r)))
v_n <- function(a, b) mean((a - mean(a)) * (b - mean(b)))
add_case("srs_two_typed", "Simple, ratio of two variables", "figures typed",
         c(two_cmd, paste("ok", paste(c(N, n, field(bar_y), field(bar_x), field(v_n(srs$y, srs$y)),
                                        field(v_n(srs$x, srs$x)), field(v_n(srs$y, srs$x)), level),
                                      collapse = "; "))), two_figs)
add_case("srs_two_csv", "Simple, ratio of two variables", "data: srs.csv",
         c("data srs.csv", "use y1=y y2=x", two_cmd, paste0("ok ", N, "; ", level)), two_figs)

## Stratified: four strata, sizes in a population file.
set.seed(20261209)
Nh <- c(North = 1200, South = 800, East = 2000, West = 500)
nh <- if (fast) c(8, 6, 10, 5) else c(40, 30, 60, 25)
strat <- do.call(rbind, lapply(seq_along(Nh), function(h) {
  data.frame(stratum = names(Nh)[h], y = round(rnorm(nh[h], 20 + 10 * h, 3 + 2 * h), 2),
             z = rbinom(nh[h], 1, 0.2 * h))
}))
strat <- write_sample(strat, "strata_sample.csv")
if (have_haven) {
  coded <- strat
  coded$stratum <- haven::labelled(match(strat$stratum, names(Nh)),
                                   setNames(seq_along(Nh), names(Nh)))
  haven::write_sav(coded, file.path(work, "strata_sample.sav"))
}
write.csv(data.frame(stratum = names(Nh), N = Nh), file.path(work, "strata.csv"), row.names = FALSE,
          quote = FALSE)
strat$N_h <- Nh[strat$stratum]
d_st <- svydesign(ids = ~1, strata = ~stratum, fpc = ~N_h, data = strat)
m <- svymean(~y, d_st); t <- svytotal(~y, d_st)
# The design effect over simple random sampling of the same n, with S^2 estimated from the
# strata as (sum (N_h - 1) S_h^2 + sum N_h (barY_h - barY)^2) / (N - 1).
by_y <- split(strat$y, factor(strat$stratum, levels = names(Nh)))
between <- sum(Nh * (sapply(by_y, mean) - coef(m))^2)
S2 <- (sum((Nh - 1) * sapply(by_y, var)) + between) / (sum(Nh) - 1)
srs_var <- (1 - nrow(strat) / sum(Nh)) * S2 / nrow(strat)
st_figs <- rbind(fig("mean", coef(m)), fig("sd_mean", SE(m)), interval("mean", coef(m), SE(m)),
                 t_figs(coef(m), SE(m), degf(d_st)),
                 fig("extras.design_effect", SE(m)^2 / srs_var, deff(svymean(~y, d_st, deff = TRUE))),
                 fig("total", coef(t)), interval("total", coef(t), SE(t)))
by_h <- split(strat, factor(strat$stratum, levels = names(Nh)))
rows_st <- sapply(names(Nh), function(h) {
  paste(Nh[[h]], nrow(by_h[[h]]), field(mean(by_h[[h]]$y)), field(sd_n(by_h[[h]]$y)), sep = ";")
})
deff_note <- paste("survey's deff estimates S^2 by the weighted variance times n/(n - 1); compared: survey's",
                   "variance over (1 - n/N) S^2 / n with the classical S^2 from the strata, worked out in R")
st_cmd <- "command Stratified > Mean/total of variable > Interval estimates"
add_case("strat_mean_typed", "Stratified, mean/total", "figures typed",
         c(st_cmd, paste0("ok ", length(Nh), "; ", level), paste("ok", gsub(";", "; ", rows_st))),
         st_figs, fast_case = TRUE, note = deff_note)
add_case("strat_mean_csv", "Stratified, mean/total", "data: strata_sample.csv",
         c("data strata_sample.csv", "use y=y stratum=stratum", "population strata.csv", st_cmd,
           paste("ok", level)), st_figs, fast_case = TRUE, note = deff_note)
if (have_haven) {
  add_case("strat_mean_sav", "Stratified, mean/total", "data: strata_sample.sav (strata as value labels)",
           c("data strata_sample.sav", "use y=y stratum=stratum", "population strata.csv", st_cmd,
             paste("ok", level)), st_figs, note = deff_note)
}
p <- svymean(~z, d_st); pn <- svytotal(~z, d_st)
stp_figs <- rbind(fig("proportion", coef(p)), fig("sd_proportion", SE(p)),
                  interval("proportion", coef(p), SE(p)), fig("number", coef(pn)),
                  interval("number", coef(pn), SE(pn)))
rows_stp <- sapply(names(Nh), function(h) {
  paste(Nh[[h]], nrow(by_h[[h]]), field(mean(by_h[[h]]$z)), sep = "; ")
})
stp_cmd <- "command Stratified > Proportion/number in category > Interval estimates"
add_case("strat_prop_typed", "Stratified, proportion/number", "figures typed",
         c(stp_cmd, paste0("ok ", length(Nh), "; ", level), paste("ok", rows_stp)), stp_figs)
add_case("strat_prop_csv", "Stratified, proportion/number", "data: strata_sample.csv",
         c("data strata_sample.csv", "use y=z stratum=stratum", "population strata.csv", stp_cmd,
           paste("ok", level)), stp_figs)

## Cluster (one stage) and two-stage: M groups, m drawn by simple random sampling.
set.seed(20261210)
M <- 80
Ni <- sample(20:60, M, replace = TRUE)
N_cl <- sum(Ni)
m_cl <- if (fast) 5 else 12
grp_mean <- rnorm(M, 50, 8)
drawn <- sample(M, m_cl)
cluster_of <- function(two_stage) {
  do.call(rbind, lapply(drawn, function(g) {
    k <- if (two_stage) sample(4:10, 1) else Ni[g]
    y <- round(rnorm(k, grp_mean[g], 6), 2)
    data.frame(group = paste0("G", g), N_i = Ni[g], y = y, z = as.integer(y > 55))
  }))
}
# Mean and total from a survey total and the population size; R's default beside the
# mean is svymean's, which divides by the estimated population size.
mean_figs <- function(t, N, m = NULL, what = c("mean", "total")) {
  def <- if (is.null(m)) c(NA, NA) else c(coef(m), SE(m))
  mean_bounds <- if (is.null(m)) interval(what[1], coef(t), SE(t), 1 / N) else {
    interval(what[1], coef(t), SE(t), 1 / N, est_def = def[1] * N, se_def = def[2] * N)
  }
  rbind(fig(what[1], coef(t) / N, def[1]), fig(paste0("sd_", what[1]), SE(t) / N, def[2]), mean_bounds,
        fig(what[2], coef(t)), interval(what[2], coef(t), SE(t)))
}
cl_note <- "mean (proportion) = survey's total / N, the expansion estimator; R's default: svymean, which divides by the estimated N"
group_rows <- function(df, two_stage, v) {
  sapply(split(df, factor(df$group, levels = unique(df$group))), function(g) {
    paste(c(g$N_i[1], if (two_stage) nrow(g), field(mean(g[[v]])), if (v == "y") field(sd_n(g$y))),
          collapse = "; ")
  })
}
for (two_stage in c(FALSE, TRUE)) {
  name <- if (two_stage) "Two-stage" else "Cluster"
  id <- if (two_stage) "twostage" else "cluster"
  df <- write_sample(cluster_of(two_stage), paste0(id, ".csv"))
  df$M <- M
  des <- if (two_stage) {
    df$unit <- seq_len(nrow(df))
    svydesign(ids = ~group + unit, fpc = ~M + N_i, data = df)
  } else svydesign(ids = ~group, fpc = ~M, data = df)
  for (v in c("y", "z")) {
    mean_case <- v == "y"
    figs <- mean_figs(svytotal(as.formula(paste0("~", v)), des), N_cl, svymean(as.formula(paste0("~", v)), des),
                      if (mean_case) c("mean", "total") else c("proportion", "number"))
    if (mean_case) {
      tot <- svytotal(~y, des)
      figs <- rbind(figs, t_figs(coef(tot), SE(tot), degf(des), 1 / N_cl))
    }
    target <- if (mean_case) "Mean/total of variable" else "Proportion/number in category"
    cmd <- paste("command", name, ">", target, "> Interval estimates")
    design <- paste0(name, if (mean_case) ", mean/total" else ", proportion/number")
    cid <- paste0(id, if (mean_case) "_mean" else "_prop")
    add_case(paste0(cid, "_typed"), design, "figures typed",
             c(cmd, paste0("ok ", N_cl, "; ", M, "; ", m_cl, "; ", level),
               paste("ok", group_rows(df, two_stage, v))), figs, fast_case = two_stage && mean_case,
             note = cl_note)
    add_case(paste0(cid, "_csv"), design, paste0("data: ", id, ".csv"),
             c(paste0("data ", id, ".csv"), paste0("use y=", v, " group=group size=N_i"), cmd,
               paste0("ok ", N_cl, "; ", M, "; ", level)), figs, note = cl_note)
  }
}

## Unequal probabilities with replacement: n draws with probabilities q proportional to a size.
set.seed(20261211)
N_u <- 400
size <- round(rlnorm(N_u, 2, 0.6), 1)
pop_u <- round(3 * size + rnorm(N_u, 0, 4), 2)
q <- size / sum(size)
n_wr <- if (fast) 10 else 30
s <- sample(N_u, n_wr, replace = TRUE, prob = q)
wr <- write_sample(data.frame(Y_i = pop_u[s], q_i = q[s]), "ppswr.csv", width = 10)
wr$p <- n_wr * wr$q_i
d_wr <- svydesign(ids = ~1, probs = ~p, data = wr)
wr_figs <- mean_figs(svytotal(~Y_i, d_wr), N_u, svymean(~Y_i, d_wr))
wr_cmd <- "command Un.Prob.WithRepl. > Mean/total of variable > Interval estimates"
add_case("ppswr_rows", "PPS with replacement", "rows: ppswr.csv",
         c(wr_cmd, paste0("ok ", N_u, "; ", n_wr, "; ", level), "rows ppswr.csv"), wr_figs, fast_case = TRUE,
         note = "mean = survey's total / N; R's default: svymean, which divides by the estimated N")
add_case("ppswr_csv", "PPS with replacement", "data: ppswr.csv",
         c("data ppswr.csv", "use y=Y_i prob=q_i", wr_cmd, paste0("ok ", N_u, "; ", level)), wr_figs,
         note = "mean = survey's total / N; R's default: svymean, which divides by the estimated N")

# A proportion: the category's 0/1 values in their own file, named as the form names them.
category_cases <- function(id, design, values, probs, prob_name, n, factor, cmd_target, note) {
  name <- paste0(id, "_category.csv")
  df <- data.frame(values, probs)
  names(df) <- c("Y'_i", prob_name)
  write.csv(df, file.path(work, name), row.names = FALSE, quote = FALSE)
  back <- read.csv(file.path(work, name), check.names = FALSE)
  # survey takes the chance of being in the sample: n q_i for n draws, p_i as it is.
  incl <- back[[prob_name]] * if (prob_name == "q_i") n else 1
  d <- data.frame(z = back[["Y'_i"]], p = incl)
  des <- svydesign(ids = ~1, probs = ~p, data = d)
  t <- svytotal(~z, des)
  figs <- rbind(fig("proportion", coef(t) / N_u, if (factor == 1) coef(svymean(~z, des)) else NA),
                fig("sd_proportion", factor * SE(t) / N_u, if (factor == 1) NA else SE(t) / N_u),
                interval("proportion", coef(t), factor * SE(t), 1 / N_u, se_def = SE(t)), fig("number", coef(t)),
                interval("number", coef(t), factor * SE(t), se_def = SE(t)))
  cmd <- paste("command", cmd_target, "> Proportion/number in category > Interval estimates")
  add_case(paste0(id, "_prop_rows"), design, paste("rows:", name),
           c(cmd, paste0("ok ", N_u, "; ", n, "; ", level), paste("rows", name)), figs, note = note)
  add_case(paste0(id, "_prop_csv"), design, paste("data:", name),
           c(paste("data", name), paste0("use y=Y'_i prob=", prob_name), cmd, paste0("ok ", N_u, "; ", level)),
           figs, note = note)
}
category_cases("ppswr", "PPS with replacement, proportion", as.integer(wr$Y_i > 25), wr$q_i, "q_i", n_wr, 1,
               "Un.Prob.WithRepl.", "proportion = survey's total / N; R's default: svymean")

## Unequal probabilities without replacement: maximum-entropy design, joint probabilities known.
set.seed(20261212)
n_wor <- if (fast) 5 else 12
pik <- inclusionprobabilities(size, n_wor)
s <- which(UPmaxentropy(pik) == 1)
joint <- UPmaxentropypi2(pik)[s, s]
wor <- write_sample(data.frame(Y_i = pop_u[s], p_i = pik[s]), "ppswor.csv", width = 10)
pairs <- which(upper.tri(joint), arr.ind = TRUE)
pairs <- pairs[order(pairs[, 1], pairs[, 2]), , drop = FALSE]
pairs_df <- write_sample(data.frame(i = pairs[, 1], j = pairs[, 2], p_ij = joint[pairs]), "ppswor_pairs.csv", width = 10)
P <- diag(wor$p_i)
P[cbind(pairs_df$i, pairs_df$j)] <- pairs_df$p_ij
P[cbind(pairs_df$j, pairs_df$i)] <- pairs_df$p_ij
t_wr <- svytotal(~Y_i, svydesign(ids = ~1, probs = ~p_i, data = wor))
k <- sqrt((N_u - n_wor) / (N_u - 1))
wor_figs <- rbind(fig("mean", coef(t_wr) / N_u), fig("sd_mean", k * SE(t_wr) / N_u, SE(t_wr) / N_u),
                  interval("mean", coef(t_wr), k * SE(t_wr), 1 / N_u, se_def = SE(t_wr)), fig("total", coef(t_wr)),
                  interval("total", coef(t_wr), k * SE(t_wr), se_def = SE(t_wr)))
wor_note <- paste("survey's with-replacement SE (no fpc) times sqrt((N - n)/(N - 1)), the factor of Mirto's",
                  "interval; R's default beside it")
wor_cmd <- "command Un.Prob.WithoutRepl. > Mean/total of variable > Interval estimates"
add_case("ppswor_rows", "PPS without replacement", "rows: ppswor.csv",
         c(wor_cmd, paste0("ok ", N_u, "; ", n_wor, "; ", level), "rows ppswor.csv"), wor_figs,
         fast_case = TRUE, note = wor_note)
add_case("ppswor_csv", "PPS without replacement", "data: ppswor.csv",
         c("data ppswor.csv", "use y=Y_i prob=p_i", wor_cmd, paste0("ok ", N_u, "; ", level)), wor_figs,
         fast_case = TRUE, note = wor_note)
category_cases("ppswor", "PPS without replacement, proportion", as.integer(wor$Y_i > 25), wor$p_i, "p_i",
               n_wor, k, "Un.Prob.WithoutRepl.", wor_note)
t_yg <- svytotal(~Y_i, svydesign(ids = ~1, probs = ~p_i, pps = ppsmat(P), variance = "YG", data = wor))
yg_figs <- rbind(fig("total", coef(t_yg)), fig("var_total", SE(t_yg)^2), fig("mean", coef(t_yg) / N_u),
                 fig("sd_mean", SE(t_yg) / N_u), interval("total", coef(t_yg), SE(t_yg)),
                 interval("mean", coef(t_yg), SE(t_yg), 1 / N_u))
yg_cmd <- "command Un.Prob.WithoutRepl. > Mean/total of variable > Interval estimates (joint probabilities)"
pair_rows <- "rows ppswor_pairs.csv"
add_case("ppswor_joint_rows", "PPS without replacement, joint probabilities", "rows: ppswor.csv, ppswor_pairs.csv",
         c(yg_cmd, paste0("ok ", N_u, "; ", n_wor, "; ", level), "rows ppswor.csv", pair_rows), yg_figs,
         fast_case = TRUE, note = "survey's Sen-Yates-Grundy variance (variance=\"YG\") from the joint probabilities")
add_case("ppswor_joint_csv", "PPS without replacement, joint probabilities", "data: ppswor.csv, ppswor_pairs.csv",
         c("data ppswor.csv", "use y=Y_i prob=p_i", "pairs ppswor_pairs.csv", yg_cmd,
           paste0("ok ", N_u, "; ", level)), yg_figs, fast_case = TRUE)

## Prediction: y on x, Models A to D, from lm (weighted for B and C).
set.seed(20261213)
N_p <- 300
px <- round(runif(N_p, 5, 50), 1)
py <- round(4 + 2.5 * px + rnorm(N_p, 0, 0.4 * px), 2)
n_p <- if (fast) 8 else 25
s <- sample(N_p, n_p)
pred <- write_sample(data.frame(X_i = px[s], Y_i = py[s]), "prediction.csv")
sum_x <- sum(px); sum_x2 <- sum(px^2)
x_r <- sum_x - sum(pred$X_i)
models <- list(A = list(f = Y_i ~ X_i - 1, w = NULL, v = N_p - n_p),
               B = list(f = Y_i ~ X_i - 1, w = 1 / pred$X_i, v = x_r),
               C = list(f = Y_i ~ X_i - 1, w = 1 / pred$X_i^2, v = sum_x2 - sum(pred$X_i^2)),
               D = list(f = Y_i ~ X_i, w = NULL, v = N_p - n_p))
for (mod in names(models)) {
  model <- models[[mod]]
  fit <- if (is.null(model$w)) lm(model$f, data = pred) else lm(model$f, data = pred, weights = model$w)
  b <- coef(fit)[["X_i"]]
  a <- if (mod == "D") coef(fit)[["(Intercept)"]] else 0
  total <- sum(pred$Y_i) + a * (N_p - n_p) + b * x_r
  # Prediction error of the unsampled part: its own variance plus that of the fitted total.
  xr_row <- if (mod == "D") c(N_p - n_p, x_r) else x_r
  err_var <- sigma(fit)^2 * model$v + drop(t(xr_row) %*% vcov(fit) %*% xr_row)
  figs <- rbind(fig("slope", b), if (mod == "D") fig("intercept", a), fig("total", total),
                fig("mean", total / N_p), fig("error_sd", sqrt(err_var)),
                interval("total", total, sqrt(err_var)), interval("mean", total, sqrt(err_var), 1 / N_p))
  first <- paste0("ok ", N_p, "; ", n_p, "; ", field(sum_x), if (mod == "C") paste0("; ", field(sum_x2)),
                  "; ", level)
  pnote <- paste0("lm", if (!is.null(model$w)) " weighted by 1/x" else "", if (mod == "C") "^2" else "",
                  "; error variance: sigma^2 times the unsampled part's variance factor plus the fitted total's variance")
  add_case(paste0("prediction_", mod, "_rows"), paste0("Prediction, Model ", mod), "rows: prediction.csv",
           c("command Prediction", paste0("ok Model ", mod, "; Confidence interval"), first,
             "rows prediction.csv"), figs, fast_case = mod == "D", note = pnote)
  add_case(paste0("prediction_", mod, "_csv"), paste0("Prediction, Model ", mod), "data: prediction.csv",
           c("data prediction.csv", "use x=X_i y=Y_i", "command Prediction",
             paste0("ok Model ", mod, "; Confidence interval"),
             sub(paste0("; ", n_p, ";"), ";", first, fixed = TRUE)), figs, fast_case = mod == "D", note = pnote)
}

# The survey designs' cases live beside this file.
here <- dirname(sub("^--file=", "", grep("^--file=", commandArgs(FALSE), value = TRUE)))
source(file.path(here, "survey.R"), local = TRUE)
source(file.path(here, "calibrate.R"), local = TRUE)
# Allocation for several variables: its optimum worked out in R.
source(file.path(here, "allocation.R"), local = TRUE)

writeLines(toJSON(cases, auto_unbox = TRUE, digits = NA, pretty = TRUE), file.path(work, "cases.json"))
