# Reads each case's reference figures and Mirto's results, prints a summary, writes the
# table (when given a file) and fails when a compared figure is outside the tolerance.
# Usage: Rscript compare.R WORKDIR [OUT.md]
suppressPackageStartupMessages(library(jsonlite))
args <- commandArgs(trailingOnly = TRUE)
work <- args[1]
out <- if (length(args) > 1 && nzchar(args[2])) args[2] else ""
rel_tol <- 1e-9
abs_tol <- 1e-12
cases <- fromJSON(file.path(work, "cases.json"), simplifyVector = TRUE, simplifyDataFrame = FALSE)

read_block <- function(id) {
  f <- file.path(work, paste0(id, ".jsonl"))
  if (!file.exists(f)) return(NULL)
  lines <- readLines(f, warn = FALSE)
  if (length(lines) == 0) return(NULL)
  fromJSON(lines[length(lines)], simplifyVector = FALSE)
}
figure <- function(block, key) {
  # Row i of a table: TABLE[i].COLUMN, among the results or (extras.TABLE[i].COLUMN) the extras.
  cell <- regmatches(key, regexec("^(extras[.])?([a-z_]+)\\[([0-9]+)\\][.](.+)$", key))[[1]]
  if (length(cell)) {
    rows <- (if (nzchar(cell[2])) block$extras else block$results)[[cell[3]]]
    i <- as.integer(cell[4])
    v <- if (i <= length(rows)) rows[[i]][[cell[5]]] else NULL
    return(if (is.null(v)) NA_real_ else suppressWarnings(as.numeric(v)))
  }
  if (startsWith(key, "extras.")) {
    v <- block$extras[[sub("^extras[.]", "", key)]]
    return(if (is.null(v)) NA_real_ else suppressWarnings(as.numeric(v)))
  }
  v <- block$results[[key]]
  if (is.null(v)) v <- block$inputs[[key]]
  if (is.null(v)) return(NA_real_)
  if (is.character(v)) return(suppressWarnings(as.numeric(v)))
  as.numeric(v)
}
g <- function(v) ifelse(is.na(v), "", trimws(formatC(v, digits = 12, format = "g")))
e <- function(v) ifelse(is.na(v), "", formatC(v, digits = 2, format = "e"))

key_cell <- function(k) ifelse(grepl(" ", k), k, paste0("`", k, "`"))
rows <- list()
failures <- 0
not_yet <- 0
for (case in cases) {
  status <- as.integer(readLines(file.path(work, paste0(case$id, ".status"))))
  err <- readLines(file.path(work, paste0(case$id, ".err")), warn = FALSE)
  block <- if (status == 0) read_block(case$id) else NULL
  data_route <- startsWith(case$route, "data")
  figs <- case$figures
  if (is.null(block)) {
    # A case Mirto could not run is one row: no figure stands in for the missing ones.
    why <- if (length(err)) sub("^[^:]*:[0-9]+: error: ", "", err[1]) else paste("exit status", status)
    why <- substr(gsub("|", "/", why, fixed = TRUE), 1, 90)
    if (data_route) not_yet <- not_yet + 1 else failures <- failures + 1
    rows[[length(rows) + 1]] <- data.frame(
      design = case$design, route = case$route, key = paste(length(figs), "figures"), mirto = "",
      r = "", r_default = "", abs = "", rel = "",
      verdict = paste0(if (data_route) "not yet compared" else "FAILED to run", " (Mirto: ", why, ")"))
    next
  }
  for (f in figs) {
    key <- f$key; r <- as.numeric(f$r)
    r_def <- if (is.null(f$r_default)) NA_real_ else as.numeric(f$r_default)
    mirto <- figure(block, key)
    d <- mirto - r
    verdict <- if (is.na(mirto)) {
      failures <- failures + 1
      "FAILED: no such figure in Mirto's results"
    } else if (abs(d) <= rel_tol * abs(r) + abs_tol) "agrees" else {
      failures <- failures + 1
      "DIFFERS"
    }
    rows[[length(rows) + 1]] <- data.frame(
      design = case$design, route = case$route, key = key, mirto = g(mirto), r = g(r),
      r_default = g(r_def), abs = e(abs(d)), rel = e(abs(d) / abs(r)), verdict = verdict)
  }
}
table <- do.call(rbind, rows)
table$verdict <- as.character(table$verdict)
compared <- sum(table$verdict == "agrees" | table$verdict == "DIFFERS")
cat(sprintf("validate: %d figures agree, %d figures or cases fail, %d cases not yet compared\n",
            sum(table$verdict == "agrees"), failures, not_yet))
bad <- table[!(table$verdict %in% "agrees") & !startsWith(table$verdict, "not yet"), ]
if (nrow(bad)) print(bad[, c("design", "route", "key", "mirto", "r", "verdict")], row.names = FALSE)

if (nzchar(out)) {
  esc <- function(s) gsub("|", "\\|", s, fixed = TRUE)
  md <- c(
    "# Validation against R",
    "",
    "Mirto's figures beside those of R's survey and sampling packages (and lm for the",
    "prediction models) for samples of every design, drawn with fixed seeds. `scripts/validate`",
    "writes this file; `scripts/validate --fast` checks a few small cases in `./test`.",
    "",
    sprintf("R %s, survey %s, sampling %s.", paste(R.version$major, R.version$minor, sep = "."),
            packageVersion("survey"), packageVersion("sampling")),
    "",
    "How the two sides meet:",
    "",
    "- Each sample is written once (CSV; the simple random sample also as SPSS `.sav` and Stata",
    "  `.dta`); R reads the files back, so both sides use the same doubles.",
    "- *Mirto from* says how Mirto got the sample: `data: FILE` through the batch statements",
    "  `data`, `use` and `population`; `rows: FILE` with the sampled elements themselves as the",
    "  entry loop's rows; `figures typed` with the summary figures the form asks for, worked out",
    "  in R in the definition the form expects (docs/guide.md, \"Which standard deviation each form",
    "  expects\"), so that row checks Mirto's formula rather than its reading of the data.",
    "- The figures are Mirto's `--results` values (full precision), not its printed digits.",
    "  `extras.KEY` is one of the additional figures (`extras on`): the t-based interval beside",
    "  R's estimate -+ qt(0.975, degf(design)) SE, degf being survey's degrees of freedom.",
    "- Survey designs (`design` and `estimate`, [survey.md](survey.md)): `estimates[i].COLUMN` is",
    "  row i of the block's table of estimates (`extras.estimates[i].COLUMN` of its additional",
    "  figures), R's figure that of svymean, svytotal, svyratio or svyciprop on the same domain;",
    "  `degrees_of_freedom` is R's degf. Their intervals use R's own qnorm(0.975), as confint does.",
    "- Calibrated weights (`calibrate`, [survey.md](survey.md#calibrated-weights)): the estimates",
    "  after calibration beside R's on the design that postStratify, rake or calibrate returned;",
    "  `g_min` ... `g_max` are R's quantile() of the calibrated over the design weights; `g_histogram[k].units`",
    "  the units in the k-th of 20 equal bins from the smallest g to the largest, by R's findInterval().",
    sprintf("- Tolerance: |Mirto - R| <= %g |R| + %g. Typed fields carry up to 15 characters,", rel_tol, abs_tol),
    "  well inside it.",
    "- Intervals use z = 1.96, the form's 95% level. Where Mirto's convention differs from R's",
    "  default, the R column is R's figure brought to Mirto's convention as the notes state, and",
    "  *R's default* shows R's own: for a bound, `confint`'s, from R's default estimate and",
    "  standard error with qnorm(0.975) = 1.959964.",
    "- *not yet compared* means Mirto could not run that case (the message is quoted):",
    "  no figure is put in its place.",
    "",
    "## Notes",
    "")
  notes <- unique(do.call(rbind, lapply(cases, function(c) data.frame(design = c$design, note = c$note))))
  notes <- notes[nzchar(notes$note), ]
  agree <- table$verdict == "agrees"
  rel <- suppressWarnings(as.numeric(table$rel[agree]))
  md <- c(md[seq_len(which(md == "How the two sides meet:") - 1)],
          sprintf("%d figures of %d cases agree within the tolerance, %d disagree; %d cases are not yet compared. Largest relative difference: %s.",
                  sum(agree), length(cases) - not_yet, failures, not_yet, e(max(rel, na.rm = TRUE))),
          "", md[which(md == "How the two sides meet:"):length(md)])
  md <- c(md, paste0("- ", notes$design, ": ", notes$note, "."), "",
          "## Figures", "",
          "| Design | Mirto from | Figure | Mirto | R | R's default | Abs. diff. | Rel. diff. | Verdict |",
          "|---|---|---|---|---|---|---|---|---|",
          with(table, paste("|", esc(design), "|", esc(route), "|", key_cell(key), "|", mirto, "|", r,
                            "|", r_default, "|", abs, "|", rel, "|", esc(verdict), "|")),
          "")
  writeLines(md, out)
}
quit(status = if (failures > 0) 1 else 0)
