# Calibrated weights (calibrate statements) against R survey's postStratify, rake and
# calibrate(calfun = "linear") with and without bounds: for each, a mean, a total and a domain
# mean after calibration, for a Taylor design and a replicate design, on the api data (the
# population totals from apipop) and on generated data; and the g factors' summary of the
# calibrate block. Sourced by cases.R after survey.R, whose helpers it uses.

# The estimates of a calibrated design: its calibrate statement before the estimate.
calib_case <- function(id, what, file, lines, cal, data, statistic, y, by = character(), x = NULL, note = "",
                       fast_case = FALSE, deff = TRUE) {
  survey_case(id, what, file, lines, cal, data, statistic, y, by, x, note = note, fast_case = fast_case, deff = deff)
}

# The block of the calibrate statement itself: the g factors (their summary and
# histogram) and the calibrated sum of weights.
g_case <- function(id, what, file, lines, cal, base, note = "") {
  g <- weights(cal, "sampling") / weights(base, "sampling")
  figs <- rbind(fig(c("g_min", "g_q1", "g_median", "g_q3", "g_max"), quantile(g)),
                fig("calibrated_sum_of_weights", sum(weights(cal, "sampling"))),
                fig("negative_weights", sum(weights(cal, "sampling") < 0)),
                fig(paste0("g_histogram[", 1:20, "].units"), g_bins(g)))
  add_case(id, paste0("Calibration, ", what), paste0("data: ", file), c(paste("data", file), lines), figs, note = note)
}

# Units by g in 20 equal bins from the smallest g to the largest, each closed
# below and the last closed above too (findInterval's own breaks).
g_bins <- function(g) {
  tabulate(findInterval(g, seq(min(g), max(g), length.out = 21), rightmost.closed = TRUE), nbins = 20)
}

# Each method on a design: the calibrate line Mirto reads and R's calibrated design.
calib_cases <- function(prefix, what, file, design_line, base, data, methods, estimates, note = "") {
  for (m in methods) {
    lines <- c(design_line, m$line)
    cal <- m$cal(base)
    notes <- c(m$note, note)
    for (e in estimates)
      calib_case(paste0(prefix, "_", m$id, "_", e$id), paste0(what, ", ", m$what, ", ", e$what), file, lines, cal,
                 data, e$statistic, e$y, e$by, e$x, note = paste(notes[nzchar(notes)], collapse = "; "),
                 fast_case = isTRUE(m$fast) && isTRUE(e$fast), deff = e$deff %||% TRUE)
    if (isTRUE(m$g))
      g_case(paste0(prefix, "_", m$id, "_g"), paste0(what, ", ", m$what), file, lines, cal, base,
             note = "g = calibrated over design weight; R's quantile() (type 7) over the units; bins by findInterval()")
  }
}
`%||%` <- function(a, b) if (is.null(a)) b else a

estimate <- function(id, what, statistic, y, by = character(), x = NULL, fast = FALSE, deff = TRUE) {
  list(id = id, what = what, statistic = statistic, y = y, by = by, x = x, fast = fast, deff = deff)
}

## The api data: the totals of the population the samples come from.
write_totals <- function(lines, name) {
  writeLines(c("variable,category,total", lines), file.path(work, name))
}
by_total <- function(variable, tab) paste0(variable, ",", names(tab), ",", as.vector(tab))
pop_stype <- table(apipop$stype)
pop_schwide <- table(apipop$sch.wide)
pop_cross <- table(apipop$stype, apipop$sch.wide)
pop_api99 <- sum(apipop$api99)
write_totals(c(by_total("stype", pop_stype), by_total("sch.wide", pop_schwide),
               paste0("stype*sch.wide,", outer(rownames(pop_cross), colnames(pop_cross), paste, sep = "*"), ",",
                      as.vector(pop_cross)),
               paste0("api99,,", pop_api99)), "api_totals.csv")
df_stype <- data.frame(stype = names(pop_stype), Freq = as.vector(pop_stype))
df_schwide <- data.frame(sch.wide = names(pop_schwide), Freq = as.vector(pop_schwide))
df_cross <- as.data.frame(pop_cross, responseName = "Freq")
names(df_cross)[1:2] <- c("stype", "sch.wide")
api_linear <- c(`(Intercept)` = sum(pop_stype), stypeH = pop_stype[["H"]], stypeM = pop_stype[["M"]],
                api99 = pop_api99)
api_methods <- list(
  list(id = "post", what = "post-stratified on stype", line = "calibrate poststrata=stype totals=api_totals.csv",
       note = "population totals from apipop",
       cal = function(d) postStratify(d, ~stype, df_stype), g = TRUE),
  list(id = "cross", what = "post-stratified on stype*sch.wide",
       line = "calibrate poststrata=stype*sch.wide totals=api_totals.csv",
       cal = function(d) postStratify(d, ~stype + sch.wide, df_cross), g = TRUE),
  list(id = "rake", what = "raked on stype and sch.wide", fast = TRUE,
       line = "calibrate rake=stype,sch.wide totals=api_totals.csv",
       cal = function(d) rake(d, list(~stype, ~sch.wide), list(df_stype, df_schwide),
                              control = list(epsilon = 1e-7, maxit = 50)), g = TRUE,
       note = "rake with control = list(epsilon = 1e-7, maxit = 50), Mirto's defaults"),
  list(id = "linear", what = "linear on stype+api99", line = "calibrate linear=stype+api99 totals=api_totals.csv",
       cal = function(d) calibrate(d, ~stype + api99, api_linear, compress = FALSE), g = TRUE),
  list(id = "bounded", what = "linear on stype+api99, bounds 0.5,1.7", fast = TRUE,
       line = "calibrate linear=stype+api99 totals=api_totals.csv bounds=0.5,1.7",
       cal = function(d) calibrate(d, ~stype + api99, api_linear, bounds = c(0.5, 1.7), compress = FALSE), g = TRUE,
       note = "calibrate(calfun = \"linear\", bounds = c(0.5, 1.7)): some g at the bounds"))
api_estimates <- list(estimate("mean", "mean", "mean", "api00", fast = TRUE),
                      estimate("total", "total", "total", "enroll"),
                      estimate("domain", "mean by awards", "mean", "api00", "awards", fast = TRUE))

capi <- survey_file(apiclus1[, c("dnum", "snum", "stype", "sch.wide", "awards", "pw", "fpc", "api00", "api99",
                                 "enroll")], "api_calibrate.csv")
d_capi <- svydesign(ids = ~dnum, weights = ~pw, fpc = ~fpc, data = capi)
calib_cases("calib_api", "one-stage cluster (apiclus1)", "api_calibrate.csv", "design weight=pw psu=dnum fpc=fpc",
            d_capi, capi, api_methods, api_estimates)

# Replicate weights: JK1 from the same clusters; every replicate calibrated again.
capi_jk1 <- replicate_file(capi, as.svrepdesign(svydesign(ids = ~dnum, weights = ~pw, data = capi), type = "JK1",
                                                 compress = FALSE), "rw", "api_calibrate_jk1.csv")
suppressWarnings(r_capi <- svrepdesign(data = capi_jk1, repweights = "^rw[0-9]+$", weights = ~pw, type = "JK1",
                                        combined.weights = TRUE))
calib_cases("calib_api_jk1", "JK1 (apiclus1)", "api_calibrate_jk1.csv", "design weight=pw replicates=rw* type=JK1",
            r_capi, capi_jk1, api_methods[c(1, 3, 4, 5)], api_estimates,
            note = "every replicate calibrated again, as R's methods for svrepdesign do")

## Generated: 10 strata of 3 to 6 clusters, three margins not aligned with them, a numeric term.
set.seed(20280117)
gen_rows <- list()
for (h in 1:10) for (p in seq_len(sample(3:6, 1))) {
  m <- sample(8:20, 1)
  sex <- sample(c("F", "M"), m, TRUE)
  x <- round(rgamma(m, 3, 0.1), 1)
  gen_rows[[length(gen_rows) + 1]] <- data.frame(
    st = h, psu = p, w = round(runif(m, 20, 80), 2),
    region = sample(c("north", "south", "east", "west"), m, TRUE, prob = c(0.4, 0.3, 0.2, 0.1)),
    age = sample(c("18-34", "35-54", "55+"), m, TRUE), sex = sex, x = x,
    y = round(50 + 0.5 * x + 5 * (sex == "F") + rnorm(m, 0, 10), 2),
    opinion = sample(c("yes", "no", "maybe"), m, TRUE), dom = sample(c("a", "b", "c"), m, TRUE))
}
gen <- do.call(rbind, gen_rows)
gen$y[c(5, 40, 77)] <- NA
gen <- survey_file(gen, "calibrate_gen.csv")
gen$opinion <- factor(gen$opinion)
# Totals of a population a tenth larger than the weights say, shares moved by up to 15%.
N_gen <- round(sum(gen$w) * 1.1)
margin_totals <- function(f) {
  share <- tapply(gen$w, f, sum) / sum(gen$w) * runif(length(unique(f)), 0.85, 1.15)
  t <- round(N_gen * share / sum(share))
  t[length(t)] <- N_gen - sum(t[-length(t)])
  t
}
t_region <- margin_totals(gen$region); t_age <- margin_totals(gen$age); t_sex <- margin_totals(gen$sex)
cross <- paste(gen$region, gen$sex, sep = "*")
t_cross <- margin_totals(cross)
t_x <- round(sum(gen$w * gen$x) * 1.08)
write_totals(c(by_total("region", t_region), by_total("age", t_age), by_total("sex", t_sex),
               paste0("region*sex,", names(t_cross), ",", as.vector(t_cross)), paste0("x,,", t_x)),
             "gen_totals.csv")
df_of <- function(name, t) setNames(data.frame(names(t), as.vector(t)), c(name, "Freq"))
df_cross_gen <- data.frame(region = sub("[*].*", "", names(t_cross)), sex = sub(".*[*]", "", names(t_cross)),
                           Freq = as.vector(t_cross))
gen_linear <- c(`(Intercept)` = N_gen, regionnorth = t_region[["north"]], regionsouth = t_region[["south"]],
                regionwest = t_region[["west"]], sexM = t_sex[["M"]], x = t_x)
gen_methods <- list(
  list(id = "cross", what = "post-stratified on region*sex",
       line = "calibrate poststrata=region*sex totals=gen_totals.csv",
       cal = function(d) postStratify(d, ~region + sex, df_cross_gen), g = TRUE),
  list(id = "rake", what = "raked on region, age and sex",
       line = "calibrate rake=region,age,sex totals=gen_totals.csv",
       cal = function(d) rake(d, list(~region, ~age, ~sex),
                              list(df_of("region", t_region), df_of("age", t_age), df_of("sex", t_sex)),
                              control = list(epsilon = 1e-7, maxit = 50)), g = TRUE,
       note = "rake with control = list(epsilon = 1e-7, maxit = 50), Mirto's defaults"),
  list(id = "linear", what = "linear on region+sex+x", line = "calibrate linear=region+sex+x totals=gen_totals.csv",
       cal = function(d) calibrate(d, ~region + sex + x, gen_linear, compress = FALSE), g = TRUE),
  list(id = "bounded", what = "linear on region+sex+x, bounds 0.9,1.3",
       line = "calibrate linear=region+sex+x totals=gen_totals.csv bounds=0.9,1.3",
       cal = function(d) calibrate(d, ~region + sex + x, gen_linear, bounds = c(0.9, 1.3), compress = FALSE), g = TRUE,
       note = "calibrate(calfun = \"linear\", bounds = c(0.9, 1.3)): some g at the bounds"))
gen_estimates <- list(estimate("mean", "mean, values missing", "mean", "y"),
                      estimate("total", "total", "total", "y"),
                      estimate("domain", "mean by dom", "mean", "y", "dom"),
                      estimate("prop", "proportions", "proportion", "opinion"))
gen_note <- "generated: 10 strata, 3 to 6 clusters each; y has 3 values missing"
d_gen <- svydesign(ids = ~psu, strata = ~st, weights = ~w, nest = TRUE, data = gen)
calib_cases("calib_gen", "stratified clusters (generated)", "calibrate_gen.csv",
            "design weight=w strata=st psu=psu nest", d_gen, gen, gen_methods, gen_estimates, note = gen_note)
d_gen_units <- svydesign(ids = ~1, strata = ~st, weights = ~w, data = gen)
calib_cases("calib_gen_units", "stratified units (generated)", "calibrate_gen.csv", "design weight=w strata=st",
            d_gen_units, gen, gen_methods[c(1, 2, 3)], gen_estimates[c(1, 3, 4)], note = gen_note)

set.seed(20280118)
gen_boot <- replicate_file(gen, as.svrepdesign(svydesign(ids = ~psu, strata = ~st, weights = ~w, nest = TRUE,
                                                         data = gen),
                                               type = "bootstrap", replicates = 30, compress = FALSE),
                           "b", "calibrate_gen_boot.csv")
gen_boot$opinion <- factor(gen_boot$opinion)
r_gen <- svrepdesign(data = gen_boot, repweights = "^b[0-9]+$", weights = ~w, type = "bootstrap",
                     combined.weights = TRUE)
calib_cases("calib_gen_boot", "bootstrap, 30 replicates (generated)", "calibrate_gen_boot.csv",
            "design weight=w replicates=b* type=bootstrap", r_gen, gen_boot, gen_methods, gen_estimates[1:3],
            note = paste0(gen_note, "; every replicate calibrated again"))
