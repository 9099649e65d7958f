# Survey designs (design and estimate statements) against R survey's svydesign and
# svrepdesign, on the data sets the survey package ships (api, nhanes) and generated ones.
# Sourced by cases.R, whose helpers (fig, add_case, work, fast) it uses. Each block's
# figures are compared row by row: `estimates[i].COLUMN` is row i of Mirto's table
# (domains in ascending order of their values, the first by variable slowest; categories
# the same way within a domain).
invisible(Sys.setlocale("LC_COLLATE", "C"))
data(api, package = "survey")
data(nhanes, package = "survey")

# Written once and read back, so that both sides use the same doubles.
survey_file <- function(df, name) {
  write.csv(df, file.path(work, name), row.names = FALSE, na = "")
  read.csv(file.path(work, name), stringsAsFactors = FALSE)
}

# A logical index per Mirto row: the domains present, in Mirto's order.
domains <- function(data, by) {
  if (length(by) == 0) return(list(rep(TRUE, nrow(data))))
  keys <- unique(data[stats::complete.cases(data[, by, drop = FALSE]), by, drop = FALSE])
  keys <- keys[do.call(order, unname(as.list(keys))), , drop = FALSE]
  lapply(seq_len(nrow(keys)), function(k) {
    m <- rep(TRUE, nrow(data))
    for (v in by) m <- m & !is.na(data[[v]]) & data[[v]] == keys[[v]][k]
    m
  })
}

row_figs <- function(i, est, se, ci, deff = NULL) {
  keys <- paste0("estimates[", i, "].", c("estimate", "se", "low", "high"))
  out <- fig(keys, c(est, se, ci))
  if (!is.null(deff)) out <- rbind(out, fig(paste0("estimates[", i, "].deff"), deff))
  out
}

# R's figures for each Mirto row of `statistic` ("mean", "total", "proportion", "ratio") of
# y (and x) by `by`; `t` adds the t-based interval with the design's degrees of freedom,
# `ciprop` the logit (svyciprop), Wilson and Clopper-Pearson intervals of proportions.
estimate_figs <- function(design, data, statistic, y, by = character(), x = NULL, deff = TRUE, t = FALSE,
                          ciprop = FALSE) {
  out <- fig("degrees_of_freedom", degf(design))
  df <- degf(design)
  i <- 0
  for (m in domains(data, by)) {
    sub <- design[m, ]
    s <- switch(statistic,
                mean = svymean(make.formula(y), sub, na.rm = TRUE, deff = deff),
                total = svytotal(make.formula(y), sub, na.rm = TRUE, deff = deff),
                proportion = svymean(make.formula(y), sub, na.rm = TRUE, deff = deff),
                ratio = svyratio(make.formula(y), make.formula(x), sub, na.rm = TRUE, deff = deff))
    est <- as.vector(coef(s)); se <- as.vector(SE(s)); ci <- confint(s)
    d <- if (deff) as.vector(survey::deff(s)) else NULL
    for (j in seq_along(est)) {
      i <- i + 1
      out <- rbind(out, row_figs(i, est[j], se[j], ci[j, ], d[j]))
      if (t) out <- rbind(out, fig(paste0("extras.estimates[", i, "].", c("t_low", "t_high")),
                                   est[j] + c(-1, 1) * qt(0.975, df) * se[j]))
      if (ciprop) {
        lev <- levels(data[[y]])[j]
        cp <- svyciprop(eval(bquote(~I(.(as.name(y)) == .(lev)))), sub, df = df, na.rm = TRUE)
        # svyciprop's logistic fit stops at glm's default tolerance; run to convergence, the same interval.
        g <- eval(bquote(svyglm(I(.(as.name(y)) == .(lev)) ~ 1, sub, family = quasibinomial,
                                control = glm.control(epsilon = 1e-15, maxit = 100))))
        logit <- plogis(coef(g)[[1]] + c(-1, 1) * qt(0.975, df) * SE(g)[[1]])
        p <- est[j]; n <- p * (1 - p) / se[j]^2; z <- qnorm(0.975)
        wilson <- (p + z^2 / (2 * n) + c(-1, 1) * z * sqrt(p * (1 - p) / n + z^2 / (4 * n^2))) / (1 + z^2 / n)
        exact <- c(qbeta(0.025, n * p, n * (1 - p) + 1), qbeta(0.975, n * p + 1, n * (1 - p)))
        keys <- paste0("extras.estimates[", i, "].", c("logit_low", "logit_high", "n_eff", "wilson_low",
                                                         "wilson_high", "clopper_pearson_low", "clopper_pearson_high"))
        out <- rbind(out, fig(keys, c(logit, n, wilson, exact), c(attr(cp, "ci"), rep(NA, 5))))
      }
    }
  }
  out
}

estimate_line <- function(statistic, y, by = character(), x = NULL) {
  paste0("estimate ", statistic, " ", y, if (!is.null(x)) paste0("/", x),
         if (length(by)) paste0(" by=", paste(by, collapse = "*")))
}

survey_case <- function(id, what, file, design_line, design, data, statistic, y, by = character(), x = NULL,
                        note = "", fast_case = FALSE, ...) {
  add_case(id, paste0("Survey, ", what), paste0("data: ", file),
           c(paste("data", file), design_line, estimate_line(statistic, y, by, x)),
           estimate_figs(design, data, statistic, y, by, x, ...), fast_case = fast_case, note = note)
}

logit_note <- paste("logit bounds from svyglm run to convergence, svyciprop's (glm's default tolerance)",
                    "as R's default; Wilson and Clopper-Pearson from their formulas with n_eff = P(1-P)/v")

## Taylor linearization.
strat <- survey_file(apistrat[, c("stype", "pw", "fpc", "api00", "api99", "enroll", "awards")], "apistrat.csv")
strat$awards <- factor(strat$awards)
d_strat <- svydesign(ids = ~1, strata = ~stype, weights = ~pw, fpc = ~fpc, data = strat)
strat_line <- "design weight=pw strata=stype fpc=fpc"
survey_case("survey_strat_mean", "stratified (apistrat), mean", "apistrat.csv", strat_line, d_strat, strat,
            "mean", "api00", t = TRUE, fast_case = TRUE)
survey_case("survey_strat_mean_by", "stratified (apistrat), mean by stype", "apistrat.csv", strat_line, d_strat,
            strat, "mean", "api00", "stype")
survey_case("survey_strat_total_by", "stratified (apistrat), total by stype", "apistrat.csv", strat_line, d_strat,
            strat, "total", "enroll", "stype")
survey_case("survey_strat_prop", "stratified (apistrat), proportions", "apistrat.csv", strat_line, d_strat, strat,
            "proportion", "awards", ciprop = TRUE, t = TRUE, note = logit_note)
survey_case("survey_strat_ratio_by", "stratified (apistrat), ratio by awards", "apistrat.csv", strat_line, d_strat,
            strat, "ratio", "api00", "awards", "api99")
strat$frac <- ave(rep(1, nrow(strat)), strat$stype, FUN = sum) / strat$fpc
frac <- survey_file(strat, "apistrat_fractions.csv")
d_frac <- svydesign(ids = ~1, strata = ~stype, weights = ~pw, fpc = ~frac, data = frac)
survey_case("survey_strat_fractions", "stratified (apistrat), fpc as sampling fractions", "apistrat_fractions.csv",
            "design weight=pw strata=stype fpc=frac", d_frac, frac, "mean", "api00", "stype")

clus1 <- survey_file(apiclus1[, c("dnum", "stype", "pw", "fpc", "api00", "api99", "enroll", "sch.wide")],
                     "apiclus1.csv")
clus1$sch.wide <- factor(clus1$sch.wide)
d_clus1 <- svydesign(ids = ~dnum, weights = ~pw, fpc = ~fpc, data = clus1)
clus1_line <- "design weight=pw psu=dnum fpc=fpc"
survey_case("survey_clus1_mean_by", "one-stage cluster (apiclus1), mean by stype", "apiclus1.csv", clus1_line,
            d_clus1, clus1, "mean", "api00", "stype", t = TRUE)
survey_case("survey_clus1_prop_by", "one-stage cluster (apiclus1), proportions by stype", "apiclus1.csv", clus1_line,
            d_clus1, clus1, "proportion", "sch.wide", "stype", ciprop = TRUE, note = logit_note)

clus2 <- survey_file(apiclus2[, c("dnum", "snum", "stype", "pw", "fpc1", "api00", "api99", "enroll")], "apiclus2.csv")
d_clus2 <- svydesign(ids = ~dnum, weights = ~pw, fpc = ~fpc1, data = clus2)
clus2_line <- "design weight=pw psu=dnum fpc=fpc1"
clus2_note <- "first stage only (ultimate clusters with the first-stage fpc); enroll has 6 values missing"
survey_case("survey_clus2_total", "two-stage (apiclus2), total, values missing", "apiclus2.csv", clus2_line, d_clus2,
            clus2, "total", "enroll", note = clus2_note)
survey_case("survey_clus2_ratio_by", "two-stage (apiclus2), ratio by stype", "apiclus2.csv", clus2_line, d_clus2,
            clus2, "ratio", "enroll", "stype", "api00", note = clus2_note)

nh <- survey_file(nhanes, "nhanes.csv")
nh$HI_CHOL <- factor(nh$HI_CHOL)
d_nh <- svydesign(ids = ~SDMVPSU, strata = ~SDMVSTRA, weights = ~WTMEC2YR, nest = TRUE, data = nh)
nh_line <- "design weight=WTMEC2YR strata=SDMVSTRA psu=SDMVPSU nest"
nh_note <- paste("PSU codes repeat across strata (nest); HI_CHOL has 745 values missing;", logit_note)
survey_case("survey_nhanes_prop_by", "NHANES (nhanes), proportions by race and sex", "nhanes.csv", nh_line, d_nh, nh,
            "proportion", "HI_CHOL", c("race", "RIAGENDR"), note = nh_note, ciprop = TRUE)
nh_numeric <- transform(nh, HI_CHOL = as.numeric(as.character(HI_CHOL)))
survey_case("survey_nhanes_mean_by", "NHANES (nhanes), mean by age group", "nhanes.csv", nh_line,
            svydesign(ids = ~SDMVPSU, strata = ~SDMVSTRA, weights = ~WTMEC2YR, nest = TRUE, data = nh_numeric),
            nh_numeric, "mean", "HI_CHOL", "agecat", note = nh_note)

# Strata with a single PSU under each rule, PSUs of 3 to 8 units, two domains, values missing.
set.seed(20270327)
lonely_rows <- list()
for (h in 1:8) {
  np <- if (h %in% c(3, 6)) 1 else sample(2:4, 1)
  for (p in 1:np) {
    m <- sample(3:8, 1)
    lonely_rows[[length(lonely_rows) + 1]] <- data.frame(st = h, psu = p, w = round(runif(m, 5, 20), 3),
                                                         y = round(rnorm(m, 50 + h, 10), 2),
                                                         dom = sample(c("a", "b"), m, TRUE), N = np * 3)
  }
}
lonely <- do.call(rbind, lonely_rows)
lonely$y[c(4, 9)] <- NA
lonely <- survey_file(lonely, "lonely.csv")
for (rule in c("remove", "certainty", "adjust", "average")) {
  options(survey.lonely.psu = rule)
  d_lonely <- svydesign(ids = ~psu, strata = ~st, weights = ~w, nest = TRUE, data = lonely)
  line <- paste("design weight=w strata=st psu=psu nest lonely=", rule, sep = "")
  line <- sub("lonely= ", "lonely=", line)
  survey_case(paste0("survey_lonely_", rule), paste0("single-PSU strata, lonely=", rule, ", mean by domain"),
              "lonely.csv", line, d_lonely, lonely, "mean", "y", "dom", fast_case = rule == "average",
              note = "generated: 8 strata, two of them with a single PSU; R's option survey.lonely.psu")
  survey_case(paste0("survey_lonely_", rule, "_total"), paste0("single-PSU strata, lonely=", rule, ", total"),
              "lonely.csv", line, d_lonely, lonely, "total", "y",
              note = "generated: 8 strata, two of them with a single PSU; R's option survey.lonely.psu")
}
options(survey.lonely.psu = "adjust")
d_lonely <- svydesign(ids = ~psu, strata = ~st, weights = ~w, fpc = ~N, nest = TRUE, data = lonely)
survey_case("survey_lonely_adjust_fpc", "single-PSU strata, lonely=adjust with fpc, mean by domain", "lonely.csv",
            "design weight=w strata=st psu=psu fpc=N nest lonely=adjust", d_lonely, lonely, "mean", "y", "dom",
            note = "generated: 8 strata, two of them with a single PSU; R's option survey.lonely.psu")
options(survey.lonely.psu = "fail")

## Replicate weights, each type as svrepdesign has it (combined weights).
replicate_file <- function(data, rep, prefix, name) {
  w <- matrix(as.numeric(unclass(as.matrix(weights(rep, "analysis")))), nrow = nrow(data))
  colnames(w) <- paste0(prefix, seq_len(ncol(w)))
  survey_file(cbind(data, w), name)
}
replicate_case <- function(id, what, file, line, data, prefix, type, statistic, y, by = character(), x = NULL,
                           note = "", fast_case = FALSE, deff = TRUE, ...) {
  d <- svrepdesign(data = data, repweights = paste0("^", prefix, "[0-9]+$"), weights = ~pw, type = type,
                   combined.weights = TRUE, ...)
  survey_case(id, what, file, line, d, data, statistic, y, by, x, note = note, fast_case = fast_case, deff = deff)
}

d_c1 <- svydesign(ids = ~dnum, weights = ~pw, data = clus1)
jk1 <- replicate_file(clus1, as.svrepdesign(d_c1, type = "JK1", compress = FALSE), "rw", "jk1.csv")
jk1$sch.wide <- factor(jk1$sch.wide)
suppressWarnings({
  replicate_case("survey_jk1_mean_by", "JK1 (apiclus1), mean by stype", "jk1.csv",
                 "design weight=pw replicates=rw* type=JK1", jk1, "rw", "JK1", "mean", "api00", "stype",
                 fast_case = TRUE)
  replicate_case("survey_jk1_prop", "JK1 (apiclus1), proportions", "jk1.csv",
                 "design weight=pw replicates=rw* type=JK1", jk1, "rw", "JK1", "proportion", "sch.wide")
  replicate_case("survey_jk1_ratio", "JK1 (apiclus1), ratio", "jk1.csv", "design weight=pw replicates=rw* type=JK1",
                 jk1, "rw", "JK1", "ratio", "api00", x = "api99", deff = FALSE,
                 note = "svyratio gives no design effect for replicate designs")
  replicate_case("survey_jk1_mse", "JK1 (apiclus1), mean, mse", "jk1.csv",
                 "design weight=pw replicates=rw* type=JK1 mse=on", jk1, "rw", "JK1", "mean", "api00", mse = TRUE)
})

d_s <- svydesign(ids = ~1, strata = ~stype, weights = ~pw, data = strat)
jkn_rep <- as.svrepdesign(d_s, type = "JKn", compress = FALSE)
jkn <- replicate_file(strat, jkn_rep, "w", "jkn.csv")
replicate_case("survey_jkn_total_by", "JKn (apistrat), total by stype", "jkn.csv",
               "design weight=pw replicates=w1-w200 type=JKn strata=stype", jkn, "w", "JKn", "total", "enroll",
               "stype", rscales = jkn_rep$rscales,
               note = "R's rscales (n_h - 1)/n_h given to svrepdesign; Mirto finds each replicate's stratum")

# Two PSUs per stratum for BRR and Fay; the rest as generated.
set.seed(20270328)
pairs_rows <- list()
for (h in 1:12) for (p in 1:2) {
  m <- sample(4:9, 1)
  pairs_rows[[length(pairs_rows) + 1]] <- data.frame(st = h, psu = p, pw = round(runif(m, 10, 40), 2),
                                                     y = round(rgamma(m, 4, 0.1) + h, 2),
                                                     dom = sample(c("u", "v", "w"), m, TRUE))
}
pairs2 <- do.call(rbind, pairs_rows)
d_pairs <- svydesign(ids = ~psu, strata = ~st, weights = ~pw, nest = TRUE, data = pairs2)
brr <- replicate_file(pairs2, as.svrepdesign(d_pairs, type = "BRR", compress = FALSE), "r", "brr.csv")
brr_list <- paste(paste0("r", seq_len(sum(startsWith(names(brr), "r") & grepl("^r[0-9]+$", names(brr))))),
                  collapse = ",")
replicate_case("survey_brr_mean_by", "BRR (generated, 12 strata), mean by domain", "brr.csv",
               paste0("design weight=pw replicates=", brr_list, " type=BRR"), brr, "r", "BRR", "mean", "y", "dom")
fay <- replicate_file(pairs2, as.svrepdesign(d_pairs, type = "Fay", fay.rho = 0.3, compress = FALSE), "f", "fay.csv")
replicate_case("survey_fay_mean_by", "Fay rho=0.3 (generated, 12 strata), mean by domain", "fay.csv",
               "design weight=pw replicates=f* type=Fay rho=0.3", fay, "f", "Fay", "mean", "y", "dom", rho = 0.3)
set.seed(20270329)
boot <- replicate_file(pairs2, as.svrepdesign(d_pairs, type = "bootstrap", replicates = 50, compress = FALSE), "b",
                       "bootstrap.csv")
replicate_case("survey_bootstrap_total", "bootstrap, 50 replicates (generated), total by domain", "bootstrap.csv",
               "design weight=pw replicates=b* type=bootstrap", boot, "b", "bootstrap", "total", "y", "dom")
replicate_case("survey_bootstrap_scale", "bootstrap with scale=0.05 (generated), mean", "bootstrap.csv",
               "design weight=pw replicates=b* type=bootstrap scale=0.05", boot, "b", "bootstrap", "mean", "y",
               scale = 0.05)
set.seed(20270330)
sdr <- pairs2
sdr_w <- sdr$pw * matrix(sample(c(0.2929, 1, 1.7071), nrow(sdr) * 80, TRUE), nrow = nrow(sdr))
colnames(sdr_w) <- paste0("s", 1:80)
sdr <- survey_file(cbind(sdr, round(sdr_w, 4)), "sdr.csv")
replicate_case("survey_sdr_mean_by", "SDR, 80 replicates (generated), mean by domain", "sdr.csv",
               "design weight=pw replicates=s1-s80 type=SDR", sdr, "s", "successive-difference", "mean", "y", "dom",
               note = "replicate factors 1 -+ 2^-1/2 drawn at random: the variance formula checked, not a design")
