#!/usr/bin/python3
"""sklearn_path.py CASE_DIR OUT_PREFIX TOL REPEATS: scikit-learn's lasso_path
on one case of make_data.py at the case's 100 lambdas (alphas). lasso_path
has no intercept and no standardisation: the dense cases are centred and
scaled already (their optimal intercept is 0), the sparse case's problem has
neither. Writes OUT_PREFIX.coef.f64 (L zero intercepts, then the p-by-L
coefficients column-major, in the order of lambda.f64) and OUT_PREFIX.time.
Timed: the lasso_path call only (X is handed over Fortran-ordered, or as CSC)."""
import sys
import time
import numpy as np
import sklearn
from sklearn.linear_model import lasso_path
from threadpoolctl import threadpool_info


def main():
    case_dir, out, tol, repeats = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
    meta = dict(line.split() for line in open(f"{case_dir}/meta.txt"))
    n, p = int(meta["n"]), int(meta["p"])
    lam = np.fromfile(f"{case_dir}/lambda.f64", "<f8")
    y = np.fromfile(f"{case_dir}/y.f64", "<f8")
    if meta["kind"] == "sparse":
        import scipy.sparse as sp
        X = sp.csc_matrix((np.fromfile(f"{case_dir}/Xx.f64", "<f8"),
                           np.fromfile(f"{case_dir}/Xi.i32", "<i4"),
                           np.fromfile(f"{case_dir}/Xp.i32", "<i4")), shape=(n, p))
    else:
        X = np.fromfile(f"{case_dir}/X.f64", "<f8").reshape((n, p), order="F")
    times = []
    for _ in range(repeats):
        started = time.perf_counter()
        alphas, coefs, _ = lasso_path(X, y, alphas=lam, tol=tol, max_iter=1000000)
        times.append(time.perf_counter() - started)
    # lasso_path returns the alphas descending, as lambda.f64 holds them.
    assert np.array_equal(alphas, lam), "lasso_path changed the order of the alphas"
    np.concatenate([np.zeros(lam.size), coefs.reshape(p, -1).ravel(order="F")]).astype("<f8").tofile(
        f"{out}.coef.f64")
    blas = "; ".join(f"{i.get('internal_api')} {i.get('version')} {i.get('architecture')} "
                     f"{i.get('num_threads')} threads" for i in threadpool_info())
    with open(f"{out}.time", "w") as f:
        f.write("seconds " + " ".join(f"{t:.6g}" for t in times) + "\n")
        f.write(f"lambdas {lam.size}\nversion {sklearn.__version__}\nblas {blas}\n")


if __name__ == "__main__":
    main()
