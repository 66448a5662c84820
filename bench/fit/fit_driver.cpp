// fit_driver CASE_DIR PENALTY_INDEX THETA RELTOL [PEER_COEF]: one path of
// the C++ core on a case of make_data.py, at its lambdas, timed without
// Octave, for profiling the solver (perf record works on it). Prints the
// time, the passes, a hash of the coefficients' bits (two builds or
// versions that print the same hash made the same path) and, for the
// lasso, the objective of every fit; with a peer's coefficient file
// (glmnet_path.R's .coef.f64) also the largest relative gap between the two
// paths' objectives, evaluated here the same way for both, and with FIT_KKT
// set the optimality conditions of both at the worst fit; with
// FIT_NO_PIECE_MOVES set, the sweeps alone (no Newton moves on the active
// pieces). Not the benchmark's scoring: fit_bench.m is. Built by hand
// against a build's kernel library, e.g.
//   g++ -O2 -std=c++20 -ffp-contract=off -Isrc/fit -Isrc/ops -Isrc/penalties -Isrc/lanes -Isrc/libm \
//       -Isrc/threads bench/fit/fit_driver.cpp build-dev/libpenalty_kernels.a -lpthread -o fit_driver
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "case_files.h"
#include "fit_path.h"

namespace {

// (1/(2n))||y - b0 - Xb||^2 + lambda*||b||_1, for the lasso only.
double lassoObjective(const std::vector<double>& X, const std::vector<double>& y, std::int64_t n, std::int64_t p,
                      double b0, const double* b, double lambda)
{
    std::vector<double> r(y.begin(), y.end());
    double l1 = 0;
    for (std::int64_t j = 0; j < p; ++j) {
        if (b[j] == 0)
            continue;
        l1 += std::fabs(b[j]);
        const double* x = X.data() + j * n;
        for (std::int64_t i = 0; i < n; ++i)
            r[i] -= x[i] * b[j];
    }
    double s = 0;
    for (std::int64_t i = 0; i < n; ++i)
        s += (r[i] - b0) * (r[i] - b0);
    return s / (2.0 * static_cast<double>(n)) + lambda * l1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "fit_driver CASE_DIR PENALTY_INDEX THETA RELTOL [PEER_COEF]\n");
        return 2;
    }
    const std::string dir = argv[1];
    BenchCase c;
    readCase(dir, std::atoi(argv[2]), std::atof(argv[3]), std::atof(argv[4]), &c);
    const std::int64_t n = c.n, p = c.p, L = c.count;
    const std::vector<double>&X = c.X, &y = c.y, &lambda = c.lambda;
    std::vector<double>&B = c.B, &b0 = c.b0, &passes = c.passes, &conv = c.conv;
    const FitDesign& design = c.design;
    FitSettings& s = c.settings;
    FitOutput& out = c.out;
    s.pieceMoves = !std::getenv("FIT_NO_PIECE_MOVES");
    const auto t0 = std::chrono::steady_clock::now();
    fitPath(design, s, &out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double totalPasses = 0, unconverged = 0;
    for (std::int64_t k = 0; k < out.fits; ++k) {
        totalPasses += passes[k];
        unconverged += conv[k] == 0;
    }
    const std::uint64_t h = hashOf(b0.data(), static_cast<std::int64_t>(b0.size()),
                                   hashOf(B.data(), static_cast<std::int64_t>(B.size())));
    std::printf("seconds %.3f passes %.0f fits %lld unconverged %.0f hash %016llx\n", seconds, totalPasses,
                static_cast<long long>(out.fits), unconverged, static_cast<unsigned long long>(h));
    if (s.penalty != 0 || argc < 6)
        return 0;
    std::vector<double> peer = readDoubles(argv[5]);
    double worst = 0;
    std::int64_t where = 0;
    for (std::int64_t k = 0; k < out.fits; ++k) {
        const double ours = lassoObjective(X, y, n, p, b0[k], B.data() + k * p, lambda[k]);
        const double theirs = lassoObjective(X, y, n, p, peer[k], peer.data() + L + k * p, lambda[k]);
        const double gap = (ours - theirs) / theirs;
        if (gap > worst) {
            worst = gap;
            where = k;
        }
    }
    std::printf("largest gap to the peer %.2e at fit %lld\n", worst, static_cast<long long>(where));
    if (std::getenv("FIT_KKT")) {
        for (int who = 0; who < 2; ++who) {
            const double* b = who ? peer.data() + L + where * p : B.data() + where * p;
            const double c0 = who ? peer[where] : b0[where];
            std::vector<double> r(y.begin(), y.end());
            for (std::int64_t j = 0; j < p; ++j)
                if (b[j] != 0)
                    for (std::int64_t i = 0; i < n; ++i)
                        r[i] -= X[j * n + i] * b[j];
            for (std::int64_t i = 0; i < n; ++i)
                r[i] -= c0;
            double onActive = 0, offActive = 0;
            int nz = 0, offWorst = -1;
            for (std::int64_t j = 0; j < p; ++j) {
                double g = 0;
                for (std::int64_t i = 0; i < n; ++i)
                    g += X[j * n + i] * r[i];
                g /= static_cast<double>(n);
                if (b[j] != 0) {
                    ++nz;
                    onActive = std::fmax(onActive, std::fabs(g - (b[j] > 0 ? lambda[where] : -lambda[where])));
                } else if (std::fabs(g) - lambda[where] > offActive) {
                    offActive = std::fabs(g) - lambda[where];
                    offWorst = static_cast<int>(j);
                }
            }
            std::printf("%s: nonzeros %d, KKT active %.2e, outside %.2e (column %d), lambda %.3e\n",
                        who ? "peer" : "ours", nz, onActive, offActive, offWorst, lambda[where]);
        }
    }
    return 0;
}
