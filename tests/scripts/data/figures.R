# The summaries the typed twins of the data scripts use (Rscript figures.R in this folder).
# Cross-check with library(survey): svymean of y under svydesign(ids=~1, strata=~region,
# fpc=~N) on strata.csv gives SE 0.9068, the stratified block's 0.906752; on srs.csv with
# fpc 5000 svymean(~income) gives SE 1.2937 (1.293699), and svyratio(~income, ~size) SE
# 0.02256895, which times barX = 11.375 is the ratio block's 0.256722.
d <- read.csv("srs.csv"); o <- d$owner; d <- d[!is.na(d$income),]
y <- d$income; x <- d$size; n <- length(y)
f <- function(v) sprintf("%.17g", v)
cat("n", n, "\n"); cat("barY", f(mean(y)), "\n"); cat("sdByN", f(sqrt(sum((y-mean(y))^2)/n)), "\n")
cat("barX", f(mean(x)), "\n")
R <- mean(y)/mean(x); cat("Sr", f(sqrt(sum((y-R*x)^2)/(n-1))), "\n")
m <- lm(y~x); cat("b", f(coef(m)[2]), "\n"); cat("Slr", f(sqrt(sum(resid(m)^2)/(n-2))), "\n")
cat("P", f(mean(o)), "n", length(o), "\n")
cat("var1", f(sum((y-mean(y))^2)/n), "var2", f(sum((x-mean(x))^2)/n), "cov", f(sum((y-mean(y))*(x-mean(x)))/n), "\n")
s <- read.csv("strata.csv"); s1 <- s[!is.na(s$y),]
for (g in c("A","B")) { v <- s1$y[s1$region==g]; p <- s$owner[s$region==g]
 cat(g, length(v), f(mean(v)), f(sqrt(sum((v-mean(v))^2)/length(v))), " P:", length(p), f(mean(p)), "\n") }
c <- read.csv("clusters.csv")
for (g in 1:3) { v <- c$score[c$school==g & !is.na(c$score)]; p <- c$pass[c$school==g]
 cat("school", g, length(v), f(mean(v)), f(sqrt(sum((v-mean(v))^2)/length(v))), " pass:", length(p), f(mean(p)), "\n") }
