# Rscript glmnet_path.R CASE_DIR OUT_PREFIX THRESH REPEATS
# glmnet's lasso path on one case of make_data.py, at the case's 100 lambdas,
# standardisation and intercept as meta.txt says. Writes OUT_PREFIX.coef.f64
# (L intercepts, then the p-by-L coefficients column-major, in the order of
# lambda.f64) and OUT_PREFIX.time ("seconds" line of every repeat and the
# number of lambdas returned). Timed: the glmnet() call only.
suppressPackageStartupMessages({ library(glmnet); library(Matrix) })
args <- commandArgs(trailingOnly = TRUE)
case_dir <- args[1]; out <- args[2]
thresh <- as.numeric(args[3]); repeats <- as.integer(args[4])
meta <- read.table(file.path(case_dir, "meta.txt"), stringsAsFactors = FALSE)
m <- setNames(meta[[2]], meta[[1]])
n <- as.integer(m[["n"]]); p <- as.integer(m[["p"]])
rd <- function(name, what, count, size) {
  con <- file(file.path(case_dir, name), "rb"); on.exit(close(con))
  readBin(con, what, n = count, size = size, endian = "little")
}
lambda <- rd("lambda.f64", "double", as.integer(m[["num_lambda"]]), 8)
y <- rd("y.f64", "double", n, 8)
if (m[["kind"]] == "sparse") {
  cp <- rd("Xp.i32", "integer", p + 1, 4)
  ri <- rd("Xi.i32", "integer", cp[p + 1], 4)
  xv <- rd("Xx.f64", "double", cp[p + 1], 8)
  X <- sparseMatrix(i = ri, p = cp, x = xv, dims = c(n, p), index1 = FALSE)
} else {
  X <- matrix(rd("X.f64", "double", n * p, 8), n, p)
}
# Every lambda asked for is solved: no early stop on the deviance ratio.
glmnet.control(fdev = 0, devmax = 1)
times <- numeric(repeats)
for (r in seq_len(repeats)) {
  started <- proc.time()[["elapsed"]]
  fit <- glmnet(X, y, family = "gaussian", alpha = 1, lambda = lambda,
                standardize = m[["standardize"]] == "1", intercept = m[["intercept"]] == "1",
                thresh = thresh, maxit = 1e7)
  times[r] <- proc.time()[["elapsed"]] - started
}
beta <- as.matrix(fit$beta)
L <- ncol(beta)
if (L < length(lambda)) {
  beta <- cbind(beta, matrix(NA_real_, p, length(lambda) - L))
}
a0 <- c(fit$a0, rep(NA_real_, length(lambda) - L))
con <- file(paste0(out, ".coef.f64"), "wb")
writeBin(c(a0, as.vector(beta)), con, size = 8, endian = "little")
close(con)
writeLines(c(paste("seconds", paste(format(times, digits = 6), collapse = " ")),
             paste("lambdas", L), paste("version", packageVersion("glmnet"))),
           paste0(out, ".time"))
