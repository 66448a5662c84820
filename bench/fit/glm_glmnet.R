# Rscript glm_glmnet.R CASE_DIR OUT_PREFIX THRESH REPEATS
# glmnet's binomial or Poisson lasso path (meta.txt's family) on one case
# of glm_data.py, at the case's 100 lambdas, standardisation off, with an
# intercept. Writes OUT_PREFIX.coef.f64 (L intercepts, then the p-by-L
# coefficients column-major, in the order of lambda.f64; NaN for lambdas
# not returned) and OUT_PREFIX.time ("seconds" of every repeat, "lambdas"
# returned, "version"). Timed: the glmnet() call only.
suppressPackageStartupMessages({ library(glmnet) })
args <- commandArgs(trailingOnly = TRUE)
case_dir <- args[1]; out <- args[2]
thresh <- as.numeric(args[3]); repeats <- as.integer(args[4])
meta <- read.table(file.path(case_dir, "meta.txt"), stringsAsFactors = FALSE)
m <- setNames(meta[[2]], meta[[1]])
n <- as.integer(m[["n"]]); p <- as.integer(m[["p"]])
rd <- function(name, count) {
  con <- file(file.path(case_dir, name), "rb"); on.exit(close(con))
  readBin(con, "double", n = count, size = 8, endian = "little")
}
lambda <- rd("lambda.f64", as.integer(m[["num_lambda"]]))
y <- rd("y.f64", n)
X <- matrix(rd("X.f64", n * p), n, p)
# Every lambda asked for is solved: no early stop on the deviance ratio.
glmnet.control(fdev = 0, devmax = 1)
times <- numeric(repeats)
for (r in seq_len(repeats)) {
  started <- proc.time()[["elapsed"]]
  fit <- glmnet(X, y, family = m[["family"]], alpha = 1, lambda = lambda, standardize = FALSE,
                intercept = TRUE, thresh = thresh, maxit = 1e6)
  times[r] <- proc.time()[["elapsed"]] - started
}
beta <- as.matrix(fit$beta)
L <- ncol(beta)
if (L < length(lambda)) beta <- cbind(beta, matrix(NA_real_, p, length(lambda) - L))
a0 <- c(fit$a0, rep(NA_real_, length(lambda) - L))
con <- file(paste0(out, ".coef.f64"), "wb")
writeBin(c(a0, as.vector(beta)), con, size = 8, endian = "little")
close(con)
writeLines(c(paste("seconds", paste(format(times, digits = 6), collapse = " ")),
             paste("lambdas", L), paste("version", packageVersion("glmnet"))),
           paste0(out, ".time"))
