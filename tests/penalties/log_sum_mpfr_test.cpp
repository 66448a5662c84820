// Log-sum's penaltyProx against MPFR over its whole parameter space: the
// curvature ratio w/theta^2 (w = gamma*lambda) from 1e-300 to 1e300, theta
// and the split of w into gamma and lambda anywhere the doubles allow, and
// x around every threshold (the convex one w/theta, the tangency 2*sqrt(w)
// - theta where roots appear, theta itself, the jump as the map places it)
// or anywhere in 2^+-80 of them. The reference is the larger root from the
// same non-cancelling forms in 256 bits (D = a*theta - w exact there), and
// the choice at the jump by the objectives in 256 bits. Checked: 0 exactly
// where 0 is the minimiser in the convex regime (a*theta <= w), the root
// within kUlps of the minimiser elsewhere, 0 <= |y| <= |x|, y's sign that
// of x (or +0 where there is no root). At the jump a result may take the
// other candidate only where their objectives lie within 2^-48 of each
// other relatively (the objectives' own rounding). Prints the largest error.
//   log_sum_mpfr_test SHARD COUNT
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "dispatch.h"
#include "penalty_reference.h"

namespace {

// The bound the help states.
constexpr double kUlps = 3;

struct Reference {
    bool convex, noRoot, rootWins;
    double tie; // |f(r) - f(0)| / f(0)
};

// The larger root r into `root` (0 where there is none or it is negative).
Reference reference(Real& root, double a_, double theta_, double gamma, double lambda)
{
    const Real a(a_), theta(theta_), l(lambda), g(gamma), w = g * l; // exact
    Reference ref{};
    ref.convex = w <= theta * theta;
    const std::vector<Real> roots = logSumRoots(a, theta, w);
    ref.noRoot = roots.empty();
    root = Real(0);
    if (ref.noRoot || !(Real(0) < roots[1]))
        return ref;
    root = roots[1];
    if (Real(0) < a * theta - w) { // D > 0: 0 is no minimum
        ref.rootWins = true;
        return ref;
    }
    const Real f0 = objectiveOf(Defined::LogSum, Real(0), a, l, theta, g);
    const Real gain = objectiveOf(Defined::LogSum, root, a, l, theta, g) - f0;
    ref.rootWins = gain < Real(0);
    ref.tie = std::fabs((gain / f0).d());
    return ref;
}

double proxOf(double x, double lambda, double theta, double gamma)
{
    static const int logSum = penaltyIndexOfName("log-sum");
    double y;
    proxByPenalty(logSum, &y, &x, &lambda, false, 1, theta, gamma);
    return y;
}

// Where the map itself jumps, between the tangency and w/theta: the least
// a with a nonzero result, by bisection on the doubles.
double jumpOf(double lo, double hi, double lambda, double theta, double gamma)
{
    if (!(lo < hi) || proxOf(hi, lambda, theta, gamma) == 0)
        return hi;
    for (int step = 0; step < 200 && std::nextafter(lo, hi) < hi; ++step) {
        const double mid = lo + (hi - lo) / 2;
        (proxOf(mid, lambda, theta, gamma) == 0 ? lo : hi) = mid;
    }
    return hi;
}

} // namespace

int main(int argc, char** argv)
{
    const long shard = argc > 1 ? std::atol(argv[1]) : 0;
    const long count = argc > 2 ? std::atol(argv[2]) : 100000;
    std::mt19937_64 rng(0x6c6f6773u + shard);
    std::uniform_real_distribution<double> unit(0, 1);
    double worst = 0, worstTie = 0;
    long failed = 0, roots = 0, zeros = 0, jumps = 0, otherSide = 0, linear = 0;
    mpfr_set_default_prec(256);
    const Real zero(0);
    Real root;
    for (long trial = 0; trial < count; ++trial) {
        // log2 of rho = w/theta^2 in +-997 (1e+-300), theta and w doubles.
        const double logRho = -997 + 1994 * unit(rng);
        const double lo = std::max(-1020.0, (-1020 - logRho) / 2), hi = std::min(1020.0, (1020 - logRho) / 2);
        const double logTheta = lo + (hi - lo) * unit(rng);
        const double theta = std::exp2(logTheta);
        const double logW = logRho + 2 * logTheta;
        const double logGamma = std::max(-1020.0, logW - 1020) + (std::min(1020.0, logW + 1020) - std::max(-1020.0, logW - 1020)) * unit(rng);
        const double gamma = std::exp2(logGamma), lambda = std::exp2(logW - logGamma);
        if (!(theta > 0 && gamma > 0 && lambda > 0) || !std::isfinite(theta * 0 + gamma + lambda))
            continue;
        const double w = gamma * lambda; // for placing x only (may round, overflow)
        double threshold;
        switch (rng() % 5) {
        case 0: threshold = std::exp2(logW - logTheta); break;                      // w/theta
        case 1: threshold = 2 * std::exp2(logW / 2) - theta; break;                 // tangency
        case 2: threshold = theta; break;
        case 3: threshold = logRho > 0 ? jumpOf(std::max(0.0, 2 * std::exp2(logW / 2) - theta), std::exp2(logW - logTheta) * 1.0001, lambda, theta, gamma) : theta; break;
        default: threshold = std::exp2(logW / 2); break;
        }
        (void)w;
        double a;
        const int how = static_cast<int>(rng() % 3);
        if (how == 0)
            a = threshold * std::exp2(-80 + 160 * unit(rng));
        else if (how == 1)
            a = threshold * (1 + ((rng() & 1) ? 1 : -1) * std::exp2(-60 * unit(rng)));
        else {
            a = threshold;
            for (int k = static_cast<int>(rng() % 9) - 4; k != 0; k += k > 0 ? -1 : 1)
                a = std::nextafter(a, k > 0 ? 1e308 : 0.0);
        }
        if (!(a > 0) || !std::isfinite(a))
            continue;
        const double x = (rng() & 1) ? -a : a;
        const double y = proxOf(x, lambda, theta, gamma);
        const Reference ref = reference(root, a, theta, gamma, lambda);
        linear += a < theta * 0x1p-60;
        double error = 0;
        const bool jumpRegion = !ref.convex && !ref.noRoot && zero < root && !(ref.rootWins && ref.tie == 0);
        bool ok = std::fabs(y) <= a;
        if (ref.noRoot) {
            ok = ok && y == 0 && !std::signbit(y);
            ++zeros;
        } else if (ref.rootWins) {
            ++roots;
            error = y == 0 ? 1e300 : ulpsOff(std::fabs(y), root);
            if (y == 0 && jumpRegion && ref.tie < 0x1p-48) {
                error = 0;
                ++otherSide;
                worstTie = std::max(worstTie, ref.tie);
            }
            ok = ok && error <= kUlps && std::signbit(y) == std::signbit(x);
        } else {
            ++zeros;
            if (y != 0 && jumpRegion && ref.tie < 0x1p-48) {
                error = ulpsOff(std::fabs(y), root);
                ++otherSide;
                worstTie = std::max(worstTie, ref.tie);
                ok = ok && error <= kUlps && std::signbit(y) == std::signbit(x);
            } else {
                ok = ok && y == 0 && std::signbit(y) == std::signbit(x);
            }
        }
        jumps += jumpRegion;
        if (error < 1e300)
            worst = std::max(worst, error);
        if (!ok && ++failed <= 10)
            std::printf("FAIL x %.17g lambda %.17g theta %.17g gamma %.17g: %.17g, minimiser %.17g (%g ulps)\n", x,
                        lambda, theta, gamma, y, ref.rootWins ? root.d() : 0.0, error);
    }
    std::printf("log-sum shard %ld: %ld cases (%ld roots, %ld zeros, %ld in a jump region, %ld in units of x), "
                "worst %.2f ulps; %ld ties taken the other way, objectives within %.1e\n",
                shard, count, roots, zeros, jumps, linear, worst, otherSide, worstTie);
    std::printf("log-sum shard %ld: %ld failed\n", shard, failed);
    return failed ? 1 : 0;
}
