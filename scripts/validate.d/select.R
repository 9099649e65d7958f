# Sample selection beside R's sampling package: the pi Mirto writes for every
# drawn unit against inclusionprobabilities, the pairs files against
# UPsystematicpi2 and UPsampfordpi2 (Brewer's against the approximation the
# block names), and, in the full run, inclusion frequencies over many draws
# with fixed seeds for every design. Prints a summary, appends a section to
# OUT.md when given, and fails when a check fails.
# Usage: Rscript select.R MIRTO WORKDIR [OUT.md] [fast]
suppressPackageStartupMessages({
  library(sampling)
  library(jsonlite)
})
args <- commandArgs(trailingOnly = TRUE)
mirto <- args[1]
work <- file.path(args[2], "select")
out <- if (length(args) > 2 && nzchar(args[3])) args[3] else ""
fast <- length(args) > 3 && args[4] == "fast"
dir.create(work, showWarnings = FALSE)
tol <- 1e-12

# Thirty units in three regions of ten villages; two sizes large enough to be
# taken with certainty at n = 8.
set.seed(26)
frame <- data.frame(id = 1:30, region = rep(c("A", "B", "C"), each = 10), village = rep(1:10, each = 3),
                    size = c(round(rlnorm(28, 2, 1), 1), 400, 250), y = round(rnorm(30, 50, 10), 2))
write.csv(frame, file.path(work, "frame.csv"), row.names = FALSE, quote = FALSE)
n <- 8

# Runs the draw statements (after the frame) in one mirto run; stops on a failure.
run <- function(name, draws) {
  name <- gsub(" ", "-", name)
  script <- file.path(work, paste0(name, ".mirto"))
  writeLines(c(paste("frame", file.path(work, "frame.csv")), draws), script)
  status <- system2(mirto, shQuote(c("--batch", script, "-o", "/dev/null")), stderr = file.path(work, paste0(name, ".err")))
  if (status != 0) stop(name, ": mirto failed: ", paste(readLines(file.path(work, paste0(name, ".err"))), collapse = " "))
}
sample_file <- function(name) file.path(work, name)

rows <- list()
failures <- 0
record <- function(design, check, compared, diff, limit, how) {
  ok <- is.finite(diff) && diff <= limit
  if (!ok) failures <<- failures + 1
  rows[[length(rows) + 1]] <<- data.frame(design = design, check = check, compared = compared,
                                          diff = formatC(diff, digits = 2, format = "e"), how = how,
                                          verdict = if (ok) "agrees" else "DIFFERS")
}

pik <- inclusionprobabilities(frame$size, n)
pi2 <- list(systematic = UPsystematicpi2(pik), sampford = {
  m <- outer(pik, pik)
  inner <- pik < 1
  m[inner, inner] <- UPsampfordpi2(pik[inner])
  m
})
# Brewer's approximation as the block names it, over the units not certain.
brewer2 <- function(p, draws) {
  c <- (draws - 1) / (draws - p)
  outer(p, p) * outer(c, c, "+") / 2
}
pi2$brewer <- {
  m <- outer(pik, pik)
  inner <- pik < 1
  m[inner, inner] <- brewer2(pik[inner], sum(pik[inner]))
  m
}

seeds <- if (fast) 1:3 else 1:40
for (method in c("systematic", "sampford", "brewer")) {
  run(method, sprintf("draw pps size=size n=%d method=%s seed=%d out=%s pairs=%s", n, method, seeds,
                      sample_file(sprintf("%s-%d.csv", method, seeds)), sample_file(sprintf("%s-%d-pairs.csv", method, seeds))))
  d_pi <- 0; d_w <- 0; d_pair <- 0; units <- 0; pairs <- 0
  for (s in seeds) {
    smp <- read.csv(sample_file(sprintf("%s-%d.csv", method, s)))
    d_pi <- max(d_pi, abs(smp$pi - pik[smp$id]) / pik[smp$id])
    d_w <- max(d_w, abs(smp$weight * pik[smp$id] - 1))
    units <- units + nrow(smp)
    pr <- read.csv(sample_file(sprintf("%s-%d-pairs.csv", method, s)))
    ref <- pi2[[method]][cbind(smp$id[pr$i], smp$id[pr$j])]
    d_pair <- max(d_pair, abs(pr$p_ij - ref))
    pairs <- pairs + nrow(pr)
  }
  design <- paste("PPS,", method)
  record(design, "pi of each drawn unit", units, d_pi, tol, "relative, against inclusionprobabilities")
  record(design, "weight = 1/pi", units, d_w, tol, "relative")
  record(design, "p_ij of each drawn pair", pairs, d_pair, tol,
         switch(method, systematic = "absolute, against UPsystematicpi2", sampford = "absolute, against UPsampfordpi2",
                brewer = "absolute, against the approximation as named"))
}

# Stratified: the n_h from a file, pi within each stratum.
sizes <- data.frame(region = c("A", "B", "C"), n = c(3, 2, 4))
write.csv(sizes, sample_file("sizes.csv"), row.names = FALSE, quote = FALSE)
run("strata", sprintf("draw pps size=size method=sampford stratum=region sizes=%s seed=%d out=%s", sample_file("sizes.csv"),
                      seeds, sample_file(sprintf("strata-%d.csv", seeds))))
d <- 0; units <- 0
for (s in seeds) {
  smp <- read.csv(sample_file(sprintf("strata-%d.csv", s)))
  for (h in seq_len(nrow(sizes))) {
    in_h <- frame$region == sizes$region[h]
    ref <- inclusionprobabilities(frame$size[in_h], sizes$n[h])
    at <- smp$region == sizes$region[h]
    d <- max(d, abs(smp$pi[at] - ref[match(smp$id[at], frame$id[in_h])]) / smp$pi[at])
    units <- units + sum(at)
  }
}
record("Stratified PPS, Sampford", "pi of each drawn unit", units, d, tol, "relative, inclusionprobabilities by stratum")

# Monte Carlo: every unit's inclusion frequency within 4.5 standard errors of
# its pi; pairs' joint frequencies within 4.5 standard errors of p_ij.
if (!fast) {
  draws <- 2000
  mc <- function(name, statement, expected, joint = NULL, hits = FALSE, key = "id") {
    seeds <- 1000 + seq_len(draws)
    file <- function(s) sample_file(sprintf("mc-%s-%d.csv", gsub(" ", "-", name), s))
    run(paste0("mc-", name), sprintf("%s seed=%d out=%s", statement, seeds, file(seeds)))
    count <- numeric(length(expected)); together <- matrix(0, length(expected), length(expected))
    for (s in seeds) {
      smp <- read.csv(file(s))
      ids <- unique(smp[[key]])
      add <- if (hits) tapply(smp$hits, factor(smp[[key]], levels = seq_along(expected)), sum) else table(factor(ids, levels = seq_along(expected)))
      add[is.na(add)] <- 0
      count <- count + as.numeric(add)
      together[ids, ids] <- together[ids, ids] + 1
    }
    freq <- count / draws
    # A certain unit (pi = 1) must be in every draw: its SE is 0, any gap infinite.
    se <- if (hits) sqrt(expected * (1 - expected / n) / draws) else sqrt(expected * (1 - expected) / draws)
    z <- max(abs(freq - expected) / pmax(se, 1e-300))
    record(paste("Monte Carlo,", name), sprintf("inclusion frequency, %d draws (in SE)", draws), length(expected), z, 4.5,
           "largest |frequency - pi| / SE")
    if (!is.null(joint)) {
      upper <- upper.tri(joint) & joint > 0
      zj <- max(abs(together[upper] / draws - joint[upper]) / pmax(sqrt(joint[upper] * (1 - joint[upper]) / draws), 1e-300))
      record(paste("Monte Carlo,", name), "joint frequency of each pair (in SE)", sum(upper), zj, 4.5,
             "largest |frequency - p_ij| / SE")
      never <- upper.tri(joint) & joint == 0
      if (any(never)) record(paste("Monte Carlo,", name), "pairs with p_ij = 0 never drawn together", sum(never),
                             max(together[never]), 0, "draws that held such a pair")
    }
  }
  N <- nrow(frame)
  srs2 <- matrix(n * (n - 1) / (N * (N - 1)), N, N)
  mc("srs", sprintf("draw srs n=%d", n), rep(n / N, N), srs2)
  mc("srs with replacement", sprintf("draw srs n=%d replace", n), rep(n / N, N), hits = TRUE)
  mc("systematic", sprintf("draw systematic n=%d", n), rep(n / N, N), UPsystematicpi2(rep(n / N, N)))
  mc("pps wr", sprintf("draw pps size=size method=wr n=%d", n), n * frame$size / sum(frame$size), hits = TRUE)
  for (method in c("systematic", "sampford", "brewer"))
    mc(paste("pps", method), sprintf("draw pps size=size method=%s n=%d", method, n), pik,
       if (method == "brewer") NULL else pi2[[method]])
  mc("cluster", "draw cluster group=village n=4", rep(4 / 10, 10), matrix(4 * 3 / (10 * 9), 10, 10), key = "village")
  mc("two-stage", "draw two-stage group=village n=4 m=2", rep(4 / 10 * 2 / 3, N))
}

table <- do.call(rbind, rows)
cat(sprintf("validate select: %d checks agree, %d differ\n", sum(table$verdict == "agrees"), failures))
bad <- table[table$verdict != "agrees", ]
if (nrow(bad)) print(bad, row.names = FALSE)
if (nzchar(out)) {
  esc <- function(s) gsub("|", "\\|", s, fixed = TRUE)
  md <- c("## Sample selection", "",
          sprintf("`draw` against R's sampling package on a 30-unit frame (`scripts/validate.d/select.R`), n = %d, two units", n),
          "taken with certainty; the samples and pairs files read back in R. The Monte Carlo rows draw 2000 samples with",
          "seeds 1001 to 3000 and compare each unit's inclusion frequency, and each pair's joint frequency, with",
          "its pi and p_ij: *difference* is then the largest gap in standard errors, within 4.5 to agree.", "",
          "| Design | Check | Compared | Difference | How | Verdict |", "|---|---|---|---|---|---|",
          with(table, paste("|", design, "|", check, "|", compared, "|", diff, "|", esc(how), "|", verdict, "|")), "")
  cat(md, file = out, sep = "\n", append = TRUE)
}
quit(status = if (failures > 0) 1 else 0)
