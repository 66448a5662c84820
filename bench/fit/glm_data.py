#!/usr/bin/python3
"""glm_data.py DIR [CASE...]: the GLM benchmark's designs, beside make_data.py's.

Each case DIR/CASE holds the files make_data.py writes (meta.txt, X.f64
column-major, y.f64, lambda.f64 descending, beta.f64), read the same way
by R, Python and Octave. A case is named FAMILY_nN_pP_rhoR: equicorrelated
Gaussian columns x_j = sqrt(rho) z0 + sqrt(1 - rho) z_j, centred and scaled
to population standard deviation 1 (every tool's standardisation off, so
the lambdas mean one problem for all, with an unpenalised intercept); ten
true nonzeros at evenly spread columns, signs alternating, eta = 0.25 + X b
scaled so that sd(eta) = 1.5 (binomial: y ~ Bernoulli(1/(1 + e^-eta)))
or 0.75 (poisson: y ~ Poisson(e^eta)). The 100 lambdas run from the
smallest that zeroes every coefficient, max_j |x_j'(y - ybar)|/n for
both families (the intercept-only fit has mu = ybar), down by glmnet's
default ratio (1e-2 where n < p). Seeded numpy Generator (PCG64).
"""
import os
import sys
import numpy as np

CASES = {}
for family in ("binomial", "poisson"):
    for n, p, rho in ((500, 5000, 0.25), (500, 5000, 0.75), (1000, 10000, 0.25)):
        CASES[f"{family}_n{n}_p{p}_rho{rho}"] = (family, n, p, rho)
NUM_LAMBDA = 100


def write(folder, name, array, dtype):
    np.ascontiguousarray(array, dtype=dtype).tofile(os.path.join(folder, name))


def make_case(root, name, seed):
    family, n, p, rho = CASES[name]
    rng = np.random.default_rng(seed)
    folder = os.path.join(root, name)
    os.makedirs(folder, exist_ok=True)
    beta = np.zeros(p)
    where = np.round(np.linspace(0, p - 1, 12)[1:-1]).astype(int)
    beta[where] = np.linspace(0.5, 2.0, 10) * np.where(np.arange(10) % 2 == 0, 1.0, -1.0)
    X = np.sqrt(1.0 - rho) * rng.standard_normal((n, p)) + np.sqrt(rho) * rng.standard_normal((n, 1))
    X -= X.mean(axis=0)
    X /= np.sqrt((X * X).mean(axis=0))
    signal = X @ beta
    beta *= (1.5 if family == "binomial" else 0.75) / signal.std()
    eta = 0.25 + X @ beta
    if family == "binomial":
        y = (rng.random(n) < 1.0 / (1.0 + np.exp(-eta))).astype(float)
    else:
        y = rng.poisson(np.exp(eta)).astype(float)
    lambda_max = np.max(np.abs(X.T @ (y - y.mean()))) / n
    ratio = 1e-4 if n > p else 1e-2
    lam = lambda_max * np.exp(np.linspace(0.0, np.log(ratio), NUM_LAMBDA))
    write(folder, "X.f64", X.T, "<f8")
    write(folder, "y.f64", y, "<f8")
    write(folder, "beta.f64", beta, "<f8")
    write(folder, "lambda.f64", lam, "<f8")
    with open(os.path.join(folder, "meta.txt"), "w") as meta:
        meta.write(f"n {n}\np {p}\nkind dense\nfamily {family}\nrho {rho}\nnum_lambda {NUM_LAMBDA}\n"
                   f"intercept 1\nstandardize 0\nseed {seed}\n")


def main():
    root = sys.argv[1]
    names = sys.argv[2:] or list(CASES)
    for index, name in enumerate(CASES):
        if name in names:
            make_case(root, name, 2400 + index)
            print(f"glm_data: {name}")


if __name__ == "__main__":
    main()
