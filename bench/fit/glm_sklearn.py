#!/usr/bin/python3
"""glm_sklearn.py CASE_DIR OUT_PREFIX TOL: scikit-learn's l1 logistic path on
one binomial case of glm_data.py: LogisticRegression(penalty='l1',
solver='liblinear') at C = 1/(n*lambda) for each of the case's lambdas, which
minimises the same (1/n) sum_i loss_i + lambda*||b||_1. liblinear penalises
its intercept as a coefficient of the column intercept_scaling: at 100 that
penalty is lambda*|b0|/100, which moves these fits far less than the gaps
scored. liblinear has no warm start: every lambda is fitted afresh. Writes
OUT_PREFIX.coef.f64 (L intercepts, then the p-by-L coefficients
column-major, in the order of lambda.f64) and OUT_PREFIX.time. Timed: the
fits only."""
import sys
import time
import warnings
import numpy as np
import sklearn
from sklearn.exceptions import ConvergenceWarning
from sklearn.linear_model import LogisticRegression


def main():
    case_dir, out, tol = sys.argv[1], sys.argv[2], float(sys.argv[3])
    meta = dict(line.split() for line in open(f"{case_dir}/meta.txt"))
    n, p = int(meta["n"]), int(meta["p"])
    lam = np.fromfile(f"{case_dir}/lambda.f64", "<f8")
    y = np.fromfile(f"{case_dir}/y.f64", "<f8")
    X = np.fromfile(f"{case_dir}/X.f64", "<f8").reshape((n, p), order="F")
    b0, B, unconverged = np.zeros(lam.size), np.zeros((p, lam.size)), 0
    started = time.perf_counter()
    for k, l in enumerate(lam):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always", ConvergenceWarning)
            fit = LogisticRegression(penalty="l1", solver="liblinear", C=1.0 / (n * l), tol=tol,
                                     intercept_scaling=100.0, max_iter=10000).fit(X, y)
        unconverged += any(issubclass(w.category, ConvergenceWarning) for w in caught)
        b0[k], B[:, k] = fit.intercept_[0], fit.coef_[0]
    seconds = time.perf_counter() - started
    np.concatenate([b0, B.ravel(order="F")]).astype("<f8").tofile(f"{out}.coef.f64")
    with open(f"{out}.time", "w") as f:
        f.write(f"seconds {seconds:.6g}\nlambdas {lam.size - unconverged}\nversion {sklearn.__version__}\n")


if __name__ == "__main__":
    main()
