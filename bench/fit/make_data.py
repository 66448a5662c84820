#!/usr/bin/python3
"""make_data.py DIR [CASE...]: writes the path benchmark's designs into DIR.

Every case is one folder DIR/CASE holding raw little-endian files that R
(readBin), Python (numpy.fromfile) and Octave (fread) read the same way:
  meta.txt     "name value" lines: n, p, kind (dense or sparse), rho,
               intercept and standardize (the problem every tool solves), ...
  X.f64        n*p doubles, column-major (dense cases, and the dense copy of
               the sparse X)
  Xp.i32, Xi.i32, Xx.f64   the sparse X in compressed columns (0-based)
  y.f64        n doubles
  lambda.f64   the 100 lambdas, descending (glmnet's and lasso_path's order)
  beta.f64     the true coefficients

Dense designs have equicorrelated Gaussian columns, x_j = sqrt(rho) z0 +
sqrt(1 - rho) z_j, then centred and scaled to population standard deviation
1, and y is centred: with the tools' own standardisation off, all three
solve (1/(2n)) ||y - b0 - X b||^2 + lambda ||b||_1 on the same numbers, and
b0 = 0. The sparse design (1 % nonzeros, Gaussian values) is left as it is,
so it stays sparse; its problem has no intercept and no standardisation.
Ten true nonzeros at evenly spread columns, signs alternating, magnitudes
0.5 to 2; noise with a signal-to-noise ratio (variances) of 4. Seeded
numpy Generator (PCG64): the same files on every run with the same numpy.
"""
import os
import sys
import numpy as np

CASES = {
    # name: (n, p, rho, kind, density)
    "n500_p5000_rho0.25": (500, 5000, 0.25, "dense", 1.0),
    "n500_p5000_rho0.75": (500, 5000, 0.75, "dense", 1.0),
    "n1000_p10000_rho0.25": (1000, 10000, 0.25, "dense", 1.0),
    "n1000_p10000_rho0.75": (1000, 10000, 0.75, "dense", 1.0),
    "n100000_p100_rho0.25": (100000, 100, 0.25, "dense", 1.0),
    "n1000_p10000_sparse1pct": (1000, 10000, 0.0, "sparse", 0.01),
}
NUM_LAMBDA = 100


def true_beta(p):
    beta = np.zeros(p)
    where = np.round(np.linspace(0, p - 1, 12)[1:-1]).astype(int)
    beta[where] = np.linspace(0.5, 2.0, 10) * np.where(np.arange(10) % 2 == 0, 1.0, -1.0)
    return beta


def lambda_path(X, y, n, p, intercept):
    # The smallest lambda at which b = 0 (b0 = mean(y) with an intercept),
    # then glmnet's default ratio: 1e-4 where n > p, 1e-2 otherwise.
    r = y - y.mean() if intercept else y
    lambda_max = np.max(np.abs(X.T @ r)) / n
    ratio = 1e-4 if n > p else 1e-2
    return lambda_max * np.exp(np.linspace(0.0, np.log(ratio), NUM_LAMBDA))


def write(folder, name, array, dtype):
    np.ascontiguousarray(array, dtype=dtype).tofile(os.path.join(folder, name))


def make_case(root, name, seed):
    n, p, rho, kind, density = CASES[name]
    rng = np.random.default_rng(seed)
    folder = os.path.join(root, name)
    os.makedirs(folder, exist_ok=True)
    beta = true_beta(p)
    if kind == "dense":
        X = np.sqrt(1.0 - rho) * rng.standard_normal((n, p)) + np.sqrt(rho) * rng.standard_normal((n, 1))
        X -= X.mean(axis=0)
        X /= np.sqrt((X * X).mean(axis=0))
        signal = X @ beta
        y = signal + rng.standard_normal(n) * (signal.std() / 2.0)
        y -= y.mean()
        intercept, standardize = 1, 0
    else:
        import scipy.sparse as sp
        Xs = sp.random(n, p, density=density, format="csc", random_state=rng,
                       data_rvs=rng.standard_normal)
        Xs.sort_indices()
        write(folder, "Xp.i32", Xs.indptr, "<i4")
        write(folder, "Xi.i32", Xs.indices, "<i4")
        write(folder, "Xx.f64", Xs.data, "<f8")
        X = Xs.toarray()
        signal = X @ beta
        y = signal + rng.standard_normal(n) * (signal.std() / 2.0)
        intercept, standardize = 0, 0
    write(folder, "X.f64", X.T, "<f8")  # X.T in C order is X in column-major order
    write(folder, "y.f64", y, "<f8")
    write(folder, "beta.f64", beta, "<f8")
    write(folder, "lambda.f64", lambda_path(X, y, n, p, intercept), "<f8")
    with open(os.path.join(folder, "meta.txt"), "w") as meta:
        nnz = int(np.count_nonzero(X))
        meta.write(f"n {n}\np {p}\nkind {kind}\nrho {rho}\nnnz {nnz}\nnum_lambda {NUM_LAMBDA}\n"
                   f"intercept {intercept}\nstandardize {standardize}\nseed {seed}\n")


def main():
    root = sys.argv[1]
    names = sys.argv[2:] or list(CASES)
    for index, name in enumerate(CASES):
        if name in names:
            make_case(root, name, 2300 + index)
            print(f"make_data: {name}")


if __name__ == "__main__":
    main()
