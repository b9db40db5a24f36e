#!/usr/bin/env Rscript
# Writes the chains of the summary's reference test and their expected
# summary, computed with the R package posterior (Debian's r-cran-posterior)
# and R's quantile(type = 7). Run by hand from the project's top folder:
#
#   Rscript tests/stats/make_reference.R
#
# Each run is an index file with one data file per chain (data/RUN.ind,
# data/RUNk.out), or a single pair for a one-chain run (data/RUN.ind,
# data/RUN.out). data/expected.tsv holds one line per variable; an empty
# field is a statistic that is undefined (posterior's NA).
suppressPackageStartupMessages(library(posterior))
set.seed(2029)
out <- "tests/stats/data"
dir.create(out, showWarnings = FALSE, recursive = TRUE)

ar1 <- function(n, phi) {
  x <- numeric(n)
  x[1] <- rnorm(1)
  for (i in seq_len(n)[-1]) x[i] <- phi * x[i - 1] + sqrt(1 - phi^2) * rnorm(1)
  x
}

# The text of a draw as the data file holds it: ten significant digits, which
# both R and the program read back to the same double.
as_text <- function(x) ifelse(is.nan(x), "NaN", sprintf("%.10g", x))

# Writes a run: `chains` is a list (one per chain) of named lists of text
# vectors (one per variable). Every variable of a chain has the index's count
# of lines, or the data file simply ends early (one variable only).
write_run <- function(run, chains, count) {
  names <- names(chains[[1]])
  first <- (seq_along(names) - 1) * count + 1
  writeLines(sprintf("%s %d %d", names, first, first + count - 1), file.path(out, paste0(run, ".ind")))
  for (k in seq_along(chains)) {
    text <- unlist(chains[[k]], use.names = FALSE)
    file <- if (length(chains) == 1) paste0(run, ".out") else paste0(run, k, ".out")
    writeLines(sprintf("%d  %s", seq_along(text), text), file.path(out, file))
  }
}

hdi95 <- function(x) {
  s <- sort(x)
  k <- (95 * length(s)) %/% 100
  i <- seq_len(length(s) - k)
  best <- which.min(s[i + k] - s[i])
  c(s[best], s[best + k])
}

# The expected line of a variable: `texts` the chains' cells as written.
expected <- function(run, name, texts) {
  n <- min(lengths(texts))
  if (any(sapply(texts, function(t) any(t == "NaN")))) {
    stats <- rep(NA_real_, 13)  # a cell that is not a number: nothing computed
  } else {
    x <- sapply(texts, function(t) as.numeric(t[seq_len(n)]))
    x <- matrix(x, nrow = n)
    v <- as.vector(x)
    stats <- c(mean(v), sd(v), suppressWarnings(mcse_mean(x)),
               quantile(v, c(0.025, 0.25, 0.5, 0.75, 0.975), type = 7, names = FALSE),
               hdi95(v), suppressWarnings(c(rhat(x), ess_bulk(x), ess_tail(x))))
  }
  field <- ifelse(is.na(stats), "", sprintf("%.17g", stats))
  paste(c(run, name, length(texts), n, field), collapse = "\t")
}

lines <- paste(c("run", "variable", "chains", "draws", "mean", "sd", "mcse_mean", "q2.5", "q25", "q50",
                 "q75", "q97.5", "hdi95_lower", "hdi95_upper", "rhat", "ess_bulk", "ess_tail"),
               collapse = "\t")

# Four chains of an odd length: AR(1) chains, one chain shifted, heavy
# tails, ties, a constant and a NaN.
n <- 151
chains <- lapply(1:4, function(k) {
  nan <- rnorm(n)
  nan[37] <- NaN
  lapply(list(phi0 = ar1(n, 0), phi05 = ar1(n, 0.5), phi09 = ar1(n, 0.9), phi099 = ar1(n, 0.99),
              shifted = rnorm(n) + if (k == 4) 2 else 0, t2 = rt(n, df = 2),
              ties = round(rnorm(n), 1), constant = rep(3.25, n), nan = nan), as_text)
})
write_run("four", chains, n)
for (name in names(chains[[1]])) {
  lines <- c(lines, expected("four", name, lapply(chains, `[[`, name)))
}

# One chain of an even length.
one <- list(lapply(list(normal = rnorm(100), ar09 = ar1(100, 0.9), ties = round(rt(100, 5), 1)),
                   as_text))
write_run("one", one, 100)
for (name in names(one[[1]])) lines <- c(lines, expected("one", name, list(one[[1]][[name]])))

# Three chains of different lengths: the data files end early.
uneven <- lapply(c(127, 113, 120), function(len) list(x = as_text(ar1(len, 0.3))))
write_run("uneven", uneven, 127)
lines <- c(lines, expected("uneven", "x", lapply(uneven, `[[`, "x")))

# Two chains of five draws: R-hat, but too short for an ESS.
short <- lapply(1:2, function(k) list(y = as_text(rnorm(5))))
write_run("short", short, 5)
lines <- c(lines, expected("short", "y", lapply(short, `[[`, "y")))

writeLines(lines, file.path(out, "expected.tsv"))
