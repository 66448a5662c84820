// The GLM coordinate step against an objective written independently (the
// C library's exp and log1p, the penalties from their definitions): cyclic
// coordinate descent with glmCoordinateStep on random binomial designs
// (near-separable ones included) and Poisson counts with many zeros, for
// convex and nonconvex penalties in and at the edges of theta's range.
// Every accepted step must not raise the objective, and the end point must
// be a coordinate-wise global minimum, searched along each coordinate.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "glm_coordinate_step.h"
#include "glm_descent_bound.h"
#include "glm_loss.h"
#include "penalty_definitions.h"
#include "penalty_list.h"

namespace {

struct Design {
    Distribution distribution;
    int n, p;
    std::vector<double> x, y, w; // x column-major
};

Design randomDesign(Distribution d, int n, int p, bool nearSeparable, unsigned seed)
{
    std::mt19937_64 g(seed);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> unit(0, 1);
    Design s{d, n, p, std::vector<double>(n * p), std::vector<double>(n), std::vector<double>(n)};
    for (double& v : s.x)
        v = normal(g);
    for (int i = 0; i < n; ++i) {
        const double eta = 1.5 * s.x[i] - 1.0 * s.x[n + i] + 0.5 * s.x[2 * n + i];
        s.w[i] = 0.5 + unit(g);
        if (d == Distribution::Binomial) // near-separable: a flip only very close to the boundary
            s.y[i] = nearSeparable ? (eta + 0.05 * normal(g) > 0) : (unit(g) < 1 / (1 + std::exp(-eta)));
        else // counts with about half zeros, a few large
            s.y[i] = std::floor(std::exp(eta - 0.7) * 2 * unit(g));
    }
    return s;
}

double independentLoss(Distribution d, double eta, double y)
{
    if (d == Distribution::Binomial)
        return (eta > 0 ? eta + std::log1p(std::exp(-eta)) : std::log1p(std::exp(eta))) - y * eta;
    return std::exp(eta) - y * eta;
}

struct Setting {
    Defined penalty;
    double lambda, theta;
};

double objective(const Design& s, const Setting& c, double intercept, const std::vector<double>& beta)
{
    double sumW = 0, loss = 0;
    for (int i = 0; i < s.n; ++i) {
        double eta = intercept;
        for (int j = 0; j < s.p; ++j)
            eta += s.x[j * s.n + i] * beta[j];
        loss += s.w[i] * independentLoss(s.distribution, eta, s.y[i]);
        sumW += s.w[i];
    }
    double penalty = 0;
    for (double b : beta)
        penalty += definedPenalty(c.penalty, std::fabs(b), c.lambda, c.theta);
    return loss / sumW + penalty;
}

struct Fit {
    double intercept;
    std::vector<double> beta;
    long retries;
    bool increased;
};

template <class P>
Fit coordinateDescent(const Design& s, const Setting& c)
{
    Fit f{0, std::vector<double>(s.p), 0, false};
    std::vector<double> eta(s.n), ones(s.n, 1.0);
    double sumW = 0;
    for (double w : s.w)
        sumW += w;
    double before = objective(s, c, 0, f.beta);
    for (int sweep = 0; sweep < 2000; ++sweep) {
        double largestMove = 0;
        for (int j = -1; j < s.p; ++j) { // -1: the intercept, unpenalised
            const GlmColumn col{j < 0 ? ones.data() : &s.x[j * s.n], nullptr, s.n};
            double slope, curvature;
            coordinateModel(s.distribution, col, eta.data(), s.y.data(), s.w.data(), sumW, &slope, &curvature);
            const double majorising = majorisingCurvature(s.distribution, col, s.w.data(), sumW);
            double& b = j < 0 ? f.intercept : f.beta[j];
            const GlmStepResult r = glmCoordinateStep<P>(
                b, slope, curvature, majorising, c.lambda, j < 0 ? 0.0 : 1.0, c.theta, [&](double delta) {
                    return lossChangeAlong(s.distribution, col, eta.data(), s.y.data(), s.w.data(), sumW, delta);
                });
            f.retries += r.retries;
            if (r.beta != b) {
                movePredictor(col, r.beta - b, eta.data());
                largestMove = std::max(largestMove, std::fabs(r.beta - b));
                b = r.beta;
                const double after = objective(s, c, f.intercept, f.beta);
                f.increased = f.increased || after > before + 1e-13 * std::fabs(before);
                before = after;
            }
        }
        if (largestMove < 1e-12)
            break;
    }
    return f;
}

// The lowest objective along coordinate j (others fixed) over a grid on
// [-R, R] refined twice around its best cell, and at 0.
double searchedMinimumAlong(const Design& s, const Setting& c, const Fit& f, int j)
{
    std::vector<double> beta = f.beta;
    auto at = [&](double t) {
        beta[j] = t;
        return objective(s, c, f.intercept, beta);
    };
    double best = std::min(at(0.0), at(f.beta[j]));
    double lo = -8, hi = 8;
    for (int round = 0; round < 3; ++round) {
        const int cells = 400;
        double bestT = lo, bestV = INFINITY;
        for (int k = 0; k <= cells; ++k) {
            const double t = lo + (hi - lo) * k / cells;
            const double v = at(t);
            if (v < bestV)
                bestV = v, bestT = t;
        }
        best = std::min(best, bestV);
        const double h = (hi - lo) / cells;
        lo = bestT - h, hi = bestT + h;
    }
    return best;
}

template <class P>
void checkSetting(Distribution d, bool nearSeparable, const Setting& c, unsigned seed, long* retries)
{
    const Design s = randomDesign(d, 60, 6, nearSeparable, seed);
    const Fit f = coordinateDescent<P>(s, c);
    *retries += f.retries;
    EXPECT_FALSE(f.increased) << "an accepted step raised the objective";
    const double reached = objective(s, c, f.intercept, f.beta);
    for (int j = 0; j < s.p; ++j)
        EXPECT_GE(searchedMinimumAlong(s, c, f, j), reached - 1e-10)
            << P::kName << " lambda " << c.lambda << " theta " << c.theta << " coordinate " << j;
}

// coordinateMayFall's moments at the fit, in the plain arithmetic of the
// definitions.
CoordinateMoments momentsAt(const Design& s, const Fit& f, int j)
{
    double sumW = 0, g = 0, v = 0, nonzero = 0, first = 0, third = 0;
    for (int i = 0; i < s.n; ++i) {
        double eta = f.intercept;
        for (int k = 0; k < s.p; ++k)
            eta += s.x[k * s.n + i] * f.beta[k];
        const double x = s.x[j * s.n + i], c = s.w[i] * lossCurvature(s.distribution, eta);
        sumW += s.w[i];
        g += x * s.w[i] * (distributionMean(s.distribution, eta) - s.y[i]);
        v += c * x * x;
        nonzero += x != 0 ? c : 0.0;
        first += c * std::fabs(x);
        third += c * std::pow(std::fabs(x), 3);
    }
    return {g / sumW, v / sumW, nonzero / sumW, first / sumW, third / sumW};
}

// At a coordinatewise minimum and at a point off it: the bound's loss part
// never exceeds the loss's rise along the coordinate, and where the bound
// says the objective cannot fall by more than the tolerance, a search along
// the coordinate finds no lower point. Returns how often it said so.
template <class P>
int checkDescentBound(Distribution d, const Setting& c, unsigned seed)
{
    const Design s = randomDesign(d, 60, 6, false, seed);
    const Setting lossOnly{Defined::L1, 0, 0};
    const double tolerance = 1e-9;
    int certified = 0;
    Fit f = coordinateDescent<P>(s, c);
    for (int point = 0; point < 2; ++point, f.beta[0] *= 0.5, f.beta[1] += 0.3) {
        const double reached = objective(s, c, f.intercept, f.beta);
        for (int j = 0; j < s.p; ++j) {
            const CoordinateMoments mo = momentsAt(s, f, j);
            for (const double direction : {1.0, -1.0}) {
                const RiseBound k = riseBoundOf(mo, direction);
                std::vector<double> beta = f.beta;
                const double before = objective(s, lossOnly, f.intercept, beta);
                for (double a = 1.0 / 64; a <= 16; a *= 2) {
                    beta[j] = f.beta[j] + direction * a;
                    const double rise = objective(s, lossOnly, f.intercept, beta) - before;
                    EXPECT_LE(k.at(a), rise + 1e-12) << P::kName << " coordinate " << j << " a " << a;
                }
            }
            if (coordinateMayFall<P>(mo, f.beta[j], 1.0, c.lambda, c.theta, tolerance))
                continue;
            ++certified;
            EXPECT_GE(searchedMinimumAlong(s, c, f, j), reached - tolerance - 1e-12)
                << P::kName << " lambda " << c.lambda << " theta " << c.theta << " coordinate " << j;
        }
    }
    return certified;
}

} // namespace

TEST(GlmDescentBound, HoldsAlongEveryCoordinate)
{
    for (const Distribution d : {Distribution::Binomial, Distribution::Poisson}) {
        int certified = 0;
        for (unsigned seed = 1; seed <= 3; ++seed) {
            certified += checkDescentBound<McpPenalty>(d, {Defined::Mcp, 0.05, 3}, seed);
            certified += checkDescentBound<McpPenalty>(d, {Defined::Mcp, 0.05, 1.01}, seed);
            certified += checkDescentBound<ScadPenalty>(d, {Defined::Scad, 0.05, 3.7}, seed);
            certified += checkDescentBound<CappedL1Penalty>(d, {Defined::CappedL1, 0.05, 0.3}, seed);
            certified += checkDescentBound<LogSumPenalty>(d, {Defined::LogSum, 0.02, 0.1}, seed);
            certified += checkDescentBound<L0Penalty>(d, {Defined::L0, 0.01, 0}, seed);
            certified += checkDescentBound<LHalfPenalty>(d, {Defined::LHalf, 0.02, 0}, seed);
        }
        // the skip it makes possible is taken, at zero and nonzero points
        EXPECT_GT(certified, 40);
    }
}

TEST(GlmCoordinateStep, BinomialAndPoissonEndAtCoordinatewiseMinima)
{
    long retries[2] = {0, 0};
    for (unsigned seed = 1; seed <= 3; ++seed) {
        for (int k = 0; k < 3; ++k) {
            const Distribution d = k == 2 ? Distribution::Poisson : Distribution::Binomial;
            const bool separable = k == 1;
            long* r = &retries[d == Distribution::Poisson];
            checkSetting<L1Penalty>(d, separable, {Defined::L1, 0.02, 0}, seed, r);
            checkSetting<McpPenalty>(d, separable, {Defined::Mcp, 0.05, 0.5}, seed, r);  // theta below 1/v
            checkSetting<McpPenalty>(d, separable, {Defined::Mcp, 0.05, 3}, seed, r);
            checkSetting<ScadPenalty>(d, separable, {Defined::Scad, 0.05, 2.0001}, seed, r); // the edge
            checkSetting<CappedL1Penalty>(d, separable, {Defined::CappedL1, 0.05, 0.3}, seed, r);
            checkSetting<LogSumPenalty>(d, separable, {Defined::LogSum, 0.02, 0.1}, seed, r);
        }
    }
    // The Poisson's Newton steps from eta = 0 overshoot: the decrease check
    // must have refused some and the halving taken over.
    EXPECT_GT(retries[1], 0);
}

TEST(GlmLoss, LikelihoodPiecesStayFiniteWhereTheNaiveFormsOverflow)
{
    EXPECT_EQ(observationLoss(Distribution::Binomial, 800, 1), 0.0);
    EXPECT_EQ(observationLoss(Distribution::Binomial, -800, 0), 0.0);
    EXPECT_EQ(observationLoss(Distribution::Binomial, 800, 0), 800.0);
    EXPECT_EQ(lossCurvature(Distribution::Binomial, 800), 0.0);
    EXPECT_EQ(observationDeviance(Distribution::Poisson, 0, 0), 2.0);
    // the deviance of the saturated fit is 0 (0 log 0 = 0 at y = 0 and 1)
    EXPECT_NEAR(observationDeviance(Distribution::Poisson, std::log(3.0), 3), 0, 1e-15);
    EXPECT_NEAR(observationDeviance(Distribution::Binomial, -40, 0), 0, 1e-16);
}
