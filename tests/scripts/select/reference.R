# The expected figures of tests/select_methods_test.cpp, from R's sampling
# package: inclusion probabilities with certainty units, and the joint
# inclusion probabilities of systematic PPS and of Sampford's method.
# Rscript tests/scripts/select/reference.R prints them as C++ initializers.
suppressPackageStartupMessages(library(sampling))
show <- function(name, v) cat(name, " = {", paste(sprintf("%.17g", v), collapse = ", "), "};\n", sep = "")
sizes <- list(
  one_certain = c(1, 2, 3, 4, 5, 6, 7, 8, 20, 9),
  three_rounds = c(100, 50, 30, 10, 5, 3, 2, 1, 1, 1),
  none = 1:12,
  all = c(3, 1, 2)
)
draws <- c(one_certain = 4, three_rounds = 4, none = 3, all = 3)
for (k in names(sizes)) show(paste0("pi_", k), inclusionprobabilities(sizes[[k]], draws[[k]]))
# Joint probabilities, upper triangle row by row, of the units with pi < 1.
upper <- function(m) m[upper.tri(m)][order(row(m)[upper.tri(m)])]
p <- inclusionprobabilities(sizes$one_certain, 4)
show("systematic_one_certain", upper(UPsystematicpi2(p[p < 1])))
show("sampford_one_certain", upper(UPsampfordpi2(p[p < 1])))
q <- inclusionprobabilities(sizes$none, 3)
show("systematic_none", upper(UPsystematicpi2(q)))
show("sampford_none", upper(UPsampfordpi2(q)))
# Large probabilities, where a unit's w = pi / (1 - pi) dwarfs the others'.
big <- c(0.95, 0.9, 0.6, 0.3, 0.15, 0.1)
show("sampford_big", upper(UPsampfordpi2(big)))
