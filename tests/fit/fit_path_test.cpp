// The path solver on its own: a compressed X gives exactly the bits of the
// same X stored dense, unit weights given as ones the bits of no weights, a
// small room for the active Gram matrix (refilled again and again) the
// bits of a room for every column, each fit a fixed point of every exact
// coordinate step,
// the objective never rises from one pass to the next (jumping regimes
// included), the Newton moves between sweeps reach no higher objective
// than the sweeps alone, the grid is what it says, and malformed compressed columns
// are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "bit_compare.h"
#include "fit_path.h"
#include "fit_problems.h"
#include "penalty_list.h"
#include "scalar_prox.h"

namespace {

using Design = FitProblem;

Design randomDesign(std::mt19937_64& rng, std::int64_t n, std::int64_t p, double zeroShare)
{
    std::uniform_real_distribution<double> u(-2, 2), share(0, 1);
    Design d;
    d.n = n, d.p = p, d.x.resize(n * p), d.y.resize(n);
    for (std::int64_t j = 0; j < p; ++j) {
        const bool constant = j == 1, empty = j == 2;
        for (std::int64_t i = 0; i < n; ++i)
            d.x[j * n + i] = empty ? 0.0 : constant ? 0.75 : (share(rng) < zeroShare ? 0.0 : u(rng));
    }
    compressColumns(d);
    for (std::int64_t i = 0; i < n; ++i)
        d.y[i] = 2 * d.x[i] - d.x[3 * n + i] + 0.5 * u(rng);
    return d;
}

using Path = PathRoom;

Path fit(const FitDesign& d, const FitSettings& s)
{
    Path path = pathRoom(d.columns, s.lambda ? s.lambdaCount : s.gridCount);
    EXPECT_EQ(fitPath(d, s, &path.out), FitDone);
    return path;
}

double thetaFor(int penalty, std::mt19937_64& rng)
{
    const ThetaRange r = kPenaltyInfo[penalty].theta;
    if (!r.taken)
        return 0;
    std::uniform_real_distribution<double> u(0, 1);
    return r.upper < __builtin_inf() ? r.lower + (r.upper - r.lower) * u(rng) : r.lower + 1e-3 + 5 * u(rng);
}

TEST(FitPath, CompressedColumnsGiveTheDenseBits)
{
    std::mt19937_64 rng(5);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        for (int set = 0; set < 7; ++set) {
            // Sets 4 and 5 take covariance updates over several blocks of
            // rows (5 in several batches of Gram columns); set 6 active
            // sweeps over the Gram matrix of a short wide design.
            const Design d = set < 4    ? randomDesign(rng, 20 + set * 7, 5 + set * 4, set < 3 ? 0.7 : 0.1)
                             : set < 6 ? randomDesign(rng, 600 + set * 3, set == 4 ? 9 : 40, set == 4 ? 0.8 : 0.05)
                                       : randomDesign(rng, 16, 120, 0.3);
            std::vector<double> factor(d.p, 1.0), weights(d.n);
            std::uniform_real_distribution<double> u(0, 1);
            for (double& f : factor)
                f = u(rng) < 0.15 ? 0.0 : u(rng) < 0.1 ? __builtin_inf() : 0.2 + 2 * u(rng);
            for (double& w : weights)
                w = u(rng) < 0.2 ? 0.0 : 2 * u(rng);
            const FitSettings s{penalty, thetaFor(penalty, rng), nullptr, 0, 15, 1e-3, set % 2 == 0, set % 3 != 1,
                                factor.data(), set % 2 ? weights.data() : nullptr, 1e-10, 10000, __builtin_inf()};
            const Path dense = fit(designOf(d, true), s), compressed = fit(designOf(d, false), s);
            ASSERT_EQ(dense.out.fits, compressed.out.fits);
            for (std::size_t k = 0; k < dense.room.size(); ++k)
                ASSERT_TRUE(sameBits(dense.room[k], compressed.room[k]))
                    << kPenaltyInfo[penalty].name << " set " << set << " value " << k;
            for (std::int64_t k = 0; k < dense.out.fits; ++k) // the constant and the empty column
                ASSERT_TRUE(dense.out.coefficients[k * d.p + 2] == 0 && (s.intercept ? dense.out.coefficients[k * d.p + 1] == 0 : true));
        }
    }
}

TEST(FitPath, UnitWeightsGivenAsOnesChangeNoBit)
{
    std::mt19937_64 rng(9);
    const Design d = randomDesign(rng, 40, 12, 0.3);
    std::vector<double> factor(d.p, 1.0), ones(d.n, 1.0);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        FitSettings s{penalty, thetaFor(penalty, rng), nullptr, 0, 10, 1e-3, true, true, factor.data(), nullptr,
                      1e-10, 10000, __builtin_inf()};
        const Path none = fit(designOf(d, true), s);
        s.weights = ones.data();
        const Path unit = fit(designOf(d, true), s);
        for (std::size_t k = 0; k < none.room.size(); ++k)
            ASSERT_TRUE(sameBits(none.room[k], unit.room[k])) << kPenaltyInfo[penalty].name;
    }
}

// The exact step of every coefficient of fit k at the fit's residual moves
// it by no more than the tolerance allows (unstandardised, with an
// intercept and weights: the columns centred at their weighted means).
template <class P>
void expectCoordinateOptimal(const Design& d, const FitSettings& s, const Path& path, std::int64_t k)
{
    const double lambda = path.out.lambda[k];
    const double* b = path.out.coefficients + k * d.p;
    double total = 0;
    std::vector<double> r(d.n);
    for (std::int64_t i = 0; i < d.n; ++i) {
        total += s.weights[i];
        r[i] = d.y[i] - path.out.intercept[k];
        for (std::int64_t j = 0; j < d.p; ++j)
            r[i] -= d.x[j * d.n + i] * b[j];
    }
    double mean = 0; // the intercept's own step
    for (std::int64_t i = 0; i < d.n; ++i)
        mean += s.weights[i] * r[i] / total;
    ASSERT_LE(std::fabs(mean), 1e-6) << P::kName << " fit " << k << " intercept";
    for (std::int64_t j = 0; j < d.p; ++j) {
        const double* x = d.x.data() + j * d.n;
        double mean = 0, v = 0, g = 0;
        for (std::int64_t i = 0; i < d.n; ++i)
            mean += s.weights[i] * x[i] / total;
        for (std::int64_t i = 0; i < d.n; ++i) {
            v += s.weights[i] * (x[i] - mean) * (x[i] - mean) / total;
            g += s.weights[i] * (x[i] - mean) * r[i] / total;
        }
        if (!(v > 1e-12))
            continue;
        const double z = b[j] + g / v;
        const double step = s.penaltyFactor[j] == 0
                              ? z
                              : proxScalar<P>(z, lambda, scalarProxOf<P>(s.theta, s.penaltyFactor[j] / v));
        ASSERT_LE(v * (step - b[j]) * (step - b[j]), 1e-9) << P::kName << " fit " << k << " column " << j;
    }
}

// Ten rows hold at most ten active coefficients, and a room of ten in the
// Gram matrix (refilled whenever a new one comes in with ten formed) gives
// the bits of a room for all 60 columns (formed once each).
TEST(FitPath, RefilledGramGivesTheBitsOfAFullOne)
{
    std::mt19937_64 rng(21);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        const Design d = randomDesign(rng, 10, 60, 0.2);
        std::vector<double> factor(d.p, 1.0), weights(d.n);
        std::uniform_real_distribution<double> u(0, 1);
        for (double& w : weights)
            w = 0.5 + u(rng);
        factor[4] = 0;
        FitSettings s{penalty, thetaFor(penalty, rng), nullptr, 0, 40, 1e-3, false, true, factor.data(),
                      weights.data(), 1e-13, 100000, __builtin_inf()};
        s.gramRoom = d.n;
        const Path refilled = fit(designOf(d, true), s);
        s.gramRoom = d.p;
        const Path full = fit(designOf(d, true), s);
        ASSERT_EQ(refilled.out.fits, full.out.fits);
        for (std::size_t k = 0; k < full.room.size(); ++k)
            ASSERT_TRUE(sameBits(refilled.room[k], full.room[k])) << kPenaltyInfo[penalty].name << " value " << k;
        withPenalty(penalty, [&]<class P>() {
            for (std::int64_t k = 0; k < full.out.fits; ++k)
                expectCoordinateOptimal<P>(d, s, full, k);
        });
    }
}

void expectNoPassRaisesTheObjective(const Design& d);

// The objective after k passes at one lambda (from 0, the same passes
// each time) never rises with k: every step is an exact minimiser. The
// jumping regimes are the ones to watch: MCP with theta below the step,
// SCAD near theta = 2, capped-l1 with a small theta, l0, l1/2, l2/3.
TEST(FitPath, NoPassRaisesTheObjective)
{
    std::mt19937_64 rng(13);
    // n < p takes the residual's updates, n >= 4p the covariance updates.
    for (const Design& d : {randomDesign(rng, 30, 40, 0.2), randomDesign(rng, 120, 25, 0.2)})
        expectNoPassRaisesTheObjective(d);
}

void expectNoPassRaisesTheObjective(const Design& d)
{
    std::vector<double> factor(d.p, 1.0);
    // Every penalty at its typical theta, and thetas at the edges of the
    // steps' regimes.
    struct Case { const char* name; double theta; };
    std::vector<Case> cases = {{"mcp", 0.2}, {"mcp", 1.0}, {"scad", 2.0000001}, {"capped-l1", 0.05},
                               {"log-sum", 0.01}, {"elastic-net", 0.3}};
    for (int i = 0; i < kPenaltyCount; ++i)
        cases.push_back({kPenaltyInfo[i].name, kPenaltyInfo[i].typicalTheta});
    for (const Case& c : cases) {
        int penalty = 0;
        while (std::strcmp(kPenaltyInfo[penalty].name, c.name) != 0)
            ++penalty;
        for (double lambda : {0.5, 0.1, 0.02}) {
            double last = __builtin_inf();
            for (std::int64_t passes = 1; passes <= 12; ++passes) {
                const FitSettings s{penalty, c.theta, &lambda, 1, 1, 1, true, true, factor.data(), nullptr, 1e-300,
                                    passes, __builtin_inf()};
                const Path path = fit(designOf(d, true), s);
                const double objective = path.out.objective[0];
                ASSERT_LE(objective, last * (1 + 1e-14)) << c.name << " " << c.theta << " lambda " << lambda
                                                          << " passes " << passes;
                last = objective;
            }
        }
    }
}

// The Newton moves on the active pieces change the route, not the
// answer: on short wide designs (active sweeps over the Gram matrix, the
// moves between them) every fit with them is a fixed point of every exact
// step, and its objective is no higher than the sweeps alone reach, fit
// by fit for the lasso (one minimum) and summed over the path for the
// others (either may find a lower local minimum at one lambda). Fit 0 is
// left out: lambda_max is the smallest lambda that holds every coefficient
// at 0, so where the map jumps from 0 (log-sum, capped-l1) the checker's
// z, rounded otherwise, may fall past the jump.
TEST(FitPath, PieceMovesReachNoHigherObjective)
{
    std::mt19937_64 rng(31);
    std::uniform_real_distribution<double> u(0, 1);
    const char* names[] = {"l1", "capped-l1", "mcp", "scad", "log-sum"};
    for (int set = 0; set < 6; ++set) {
        const Design d = randomDesign(rng, 30 + 5 * set, 90, 0.1);
        std::vector<double> factor(d.p, 1.0), weights(d.n);
        for (double& w : weights)
            w = 0.5 + u(rng);
        factor[5] = 0;
        for (const char* name : names) {
            int penalty = 0;
            while (std::strcmp(kPenaltyInfo[penalty].name, name) != 0)
                ++penalty;
            FitSettings s{penalty, set < 3 ? kPenaltyInfo[penalty].typicalTheta : thetaFor(penalty, rng), nullptr, 0,
                          30, 1e-2, false, true, factor.data(), weights.data(), 1e-12, 100000,
                          __builtin_inf()};
            const Path moved = fit(designOf(d, true), s);
            s.pieceMoves = false;
            const Path swept = fit(designOf(d, true), s);
            ASSERT_EQ(moved.out.fits, swept.out.fits);
            double withMoves = 0, without = 0;
            for (std::int64_t k = 0; k < moved.out.fits; ++k) {
                withMoves += moved.out.objective[k];
                without += swept.out.objective[k];
                if (penalty == 0)
                    ASSERT_LE(moved.out.objective[k], swept.out.objective[k] * (1 + 1e-9)) << "fit " << k;
            }
            ASSERT_LE(withMoves, without * (1 + 1e-9)) << name << " set " << set;
            withPenalty(penalty, [&]<class P>() {
                for (std::int64_t k = 1; k < moved.out.fits; ++k)
                    expectCoordinateOptimal<P>(d, s, moved, k);
            });
        }
    }
}

TEST(FitPath, GridRunsFromTopToTopTimesRatioAtOneRatio)
{
    for (double ratio : {1e-4, 1e-2, 0.5, 0.999}) {
        for (std::int64_t count : {1, 2, 3, 100, 1000}) {
            std::vector<double> grid(count);
            lambdaGrid(2.5, ratio, count, grid.data());
            EXPECT_EQ(grid[0], 2.5);
            if (count == 1)
                continue;
            EXPECT_EQ(grid[count - 1], 2.5 * ratio);
            const double step = grid[1] / grid[0];
            for (std::int64_t k = 1; k < count; ++k) {
                ASSERT_LT(grid[k], grid[k - 1]);
                ASSERT_NEAR(grid[k] / grid[k - 1], step, 1e-12) << ratio << " " << count << " " << k;
            }
        }
    }
}

TEST(FitPath, MalformedCompressedColumnsAreRefused)
{
    const double y[3] = {1, 2, 3};
    const struct { std::vector<double> values, rows, starts; bool valid; } cases[] = {
        {{1, 2}, {0, 2}, {0, 1, 2}, true},
        {{}, {}, {0, 0, 0}, true},
        {{1, 2}, {0, 3}, {0, 1, 2}, false},      // row beyond n
        {{1, 2}, {1, 0}, {0, 2, 2}, false},      // rows not ascending
        {{1, 2}, {1, 1}, {0, 2, 2}, false},      // a row twice
        {{1, 2}, {0, 1}, {0, 2, 1}, false},      // starts decreasing
        {{1, 2}, {0, 1}, {1, 2, 2}, false},      // not starting at 0
        {{1, 2}, {0, 1}, {0, 1, 3}, false},      // ending beyond the nonzeros
        {{1, 2}, {0, 0.5}, {0, 1, 2}, false},    // a fractional row
        {{1, 2}, {0, -1}, {0, 1, 2}, false},     // a negative row
        {{1, 2}, {0, __builtin_nan("")}, {0, 1, 2}, false},
        {{1, __builtin_inf()}, {0, 1}, {0, 1, 2}, false},
        {{1, 2}, {0, 1}, {0, __builtin_nan(""), 2}, false},
    };
    for (const auto& c : cases) {
        const FitDesign d{3, 2, nullptr, c.values.data(), c.rows.data(), c.starts.data(),
                          static_cast<std::int64_t>(c.values.size()), y};
        EXPECT_EQ(compressedColumnsValid(d), c.valid);
    }
}

} // namespace

// The optimality check skips the sums of columns whose bounds hold them at
// 0; where the bound follows the change between two references, a wrong
// sign, a lost centring or a too thin margin would leave a violator out.
// Many columns outside, near their thresholds (columns sharing a factor),
// with means far from 0 and weights: every fit a fixed point of every
// exact step. At a mean 10^7 spreads out, centring sums of the uncentred
// columns would lose every bit of the gradients; those columns are fitted
// moved to their means, in either storage alike.
TEST(FitPath, CheckBoundsLeaveNoViolatorOut)
{
    std::mt19937_64 rng(47);
    std::normal_distribution<double> g(0, 1);
    std::uniform_real_distribution<double> u(0, 1);
    for (double offset : {0.0, 40.0, 1e7}) {
        Design d;
        d.n = 40, d.p = 400, d.x.resize(d.n * d.p), d.y.resize(d.n);
        std::vector<double> common(d.n);
        for (double& z : common)
            z = g(rng);
        for (std::int64_t j = 0; j < d.p; ++j)
            for (std::int64_t i = 0; i < d.n; ++i)
                d.x[j * d.n + i] = offset + 0.7 * common[i] + 0.7 * g(rng);
        for (std::int64_t i = 0; i < d.n; ++i)
            d.y[i] = d.x[i] - d.x[7 * d.n + i] + 0.5 * d.x[9 * d.n + i] + 0.3 * g(rng);
        compressColumns(d);
        std::vector<double> factor(d.p, 1.0), weights(d.n);
        for (double& w : weights)
            w = 0.25 + u(rng);
        for (const char* name : {"l1", "mcp", "scad"}) {
            int penalty = 0;
            while (std::strcmp(kPenaltyInfo[penalty].name, name) != 0)
                ++penalty;
            const FitSettings s{penalty, kPenaltyInfo[penalty].typicalTheta, nullptr, 0, 60, 1e-2, false, true,
                                factor.data(), weights.data(), 1e-12, 100000, __builtin_inf()};
            const Path path = fit(designOf(d, false), s);
            if (offset > 1e6) {
                const Path dense = fit(designOf(d, true), s);
                ASSERT_EQ(dense.out.fits, path.out.fits);
                for (std::size_t k = 0; k < path.room.size(); ++k)
                    ASSERT_TRUE(sameBits(dense.room[k], path.room[k])) << name << " value " << k;
            }
            withPenalty(penalty, [&]<class P>() {
                for (std::int64_t k = 1; k < path.out.fits; ++k)
                    expectCoordinateOptimal<P>(d, s, path, k);
            });
        }
    }
}
