// Every vector path of the list against the scalar reference, bit for bit
// (a NaN matches any NaN: which of two NaN operands an addition passes on
// is the compiler's choice of operand order, in scalar code too): the
// golden tables, and seeded random vectors full of thresholds, special
// values, signalling NaNs and arbitrary bit patterns, at lengths that leave
// every possible partial last block, and elements within a few units of
// their own weight's threshold (where the exact decisions act) mixed in one
// block with elements far from it. Paths the CPU lacks are reported and
// skipped.
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "bit_compare.h"
#include "column_kernels.h"
#include "dispatch.h"
#include "golden_cases.h"
#include "hard_cases.h"
#include "path_operations.h"
#include "penalty_list.h"

namespace {

std::vector<double> stressVector(std::mt19937_64& rng, int n, double lambda, double theta)
{
    const double marks[] = {lambda, theta, lambda * theta, 2 * lambda, 0.0, kInf, 4.9e-324,
                            1e300, 2.5, 1.0};
    std::vector<double> x(n);
    for (double& v : x) {
        std::uint64_t bits;
        switch (rng() % 6) {
        case 0: bits = rng(); break;
        case 1: bits = bitsOf(marks[rng() % 10]) + (rng() % 5) - 2; break;
        case 2: bits = 0x7ff0000000000001ull + (rng() % 7); break; // signalling NaNs
        default: bits = bitsOf(std::ldexp(static_cast<double>(rng() >> 11), -53) * 4 * (lambda * theta + 1));
        }
        bits ^= (rng() & 1) << 63;
        std::memcpy(&v, &bits, sizeof v);
    }
    return x;
}

// One call: penaltyShrink and penaltySum take the first weight as lambda.
struct Call {
    int penalty;
    const std::vector<double>& x;
    const std::vector<double>& weights;
    bool perElement;
    double theta, gamma;
};

const unsigned kShrinkAndSum = ShrinkOperation | SumOperation;
const unsigned kWithWeights = ProxOperation | ValueOperation | DerivativeOperation;

// Each of the operations that the penalty provides, on the path and on
// the scalar one, into arrays one longer than x (nothing may touch the last).
void expectSameAsScalar(SimdPath path, unsigned operations, const Call& c)
{
    const std::size_t n = c.x.size();
    for (int op = 0; op < kOperationCount; ++op) {
        if (!(operations & kOperationBit[op] & kPenaltyInfo[c.penalty].operations))
            continue;
        std::vector<double> want(n + 1, 7.0), got(n + 1, 7.0);
        for (SimdPath on : {ScalarPath, path})
            runOperation(op, on, c.penalty, (on == path ? got : want).data(), c.x.data(),
                         static_cast<std::ptrdiff_t>(n), c.weights.data(), c.perElement, c.theta, c.gamma);
        for (std::size_t i = 0; i <= n; ++i)
            ASSERT_TRUE(sameBits(got[i], want[i]))
                << simdPathName(path) << " " << kOperationName[op] << ", " << kPenaltyInfo[c.penalty].name
                << ", lambda " << c.weights[c.perElement && i < n ? i : 0] << ", theta " << c.theta << ", gamma "
                << c.gamma << ", n " << n << ", element " << i << " = " << describe(c.x[i < n ? i : 0]);
    }
}

TEST(SimdPaths, MatchTheScalarReference)
{
    const double parameters[][2] = {{1, 2}, {1, 1}, {1, 3}, {1, 4}, {2, 0.25}, {1, 0.5}, {0, 3},
                                    {0.5, 3.7}, {-1, 2}, {1, 0}, {kNaN, 2}, {1, kNaN}, {kInf, 1},
                                    {1, kInf}, {1e-300, 1e300}, {3, -0.5}};
    for (SimdPath path : pathsHere(true)) {
        // The golden tables, every case in every lane position of a block.
        std::vector<double> golden, steps;
        for (const ProxCase& c : kProxCases)
            golden.push_back(c.x);
        for (const ProxStepCase& d : kProxStepCases)
            steps.push_back(d.x);
        for (int shift = 0; shift < 8; ++shift) {
            const std::vector<double> x(golden.begin() + shift, golden.end()), y(steps.begin() + shift, steps.end());
            for (const ProxCase& c : kProxCases)
                expectSameAsScalar(path, kShrinkAndSum, {penaltyIndexOfCode(c.type), x, {c.lambda}, false, c.theta, 1});
            for (const ProxStepCase& c : kProxStepCases)
                expectSameAsScalar(path, kWithWeights, {penaltyIndexOfName(c.penalty), y, {c.lambda}, false, c.theta, c.gamma});
        }
        for (const SumCase& c : kSumCases)
            expectSameAsScalar(path, kShrinkAndSum, {penaltyIndexOfCode(c.type), c.x, {c.lambda}, false, c.theta, 1});
        // Hard cases of the logarithm as log-sum arguments a/1 + 1 = x.
        std::vector<double> hard;
        for (const HardCase& h : kHardCases)
            if (h.x >= 1 && h.x < 0x1p52)
                hard.push_back(h.x - 1);
        expectSameAsScalar(path, kShrinkAndSum, {penaltyIndexOfCode(LogSum), hard, {1.0}, false, 1.0, 1});
        // Random stress vectors, every length up to 40 and a few long ones.
        std::mt19937_64 rng(17 + path);
        for (int penalty = 0; penalty < kPenaltyCount; ++penalty)
            for (const auto& p : parameters)
                for (int n : {0, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 40, 1000, 4099})
                    expectSameAsScalar(path, kShrinkAndSum, {penalty, stressVector(rng, n, p[0], p[1]), {p[0]}, false, p[1], 1});
    }
}

// The smallest positive element that penaltyProx does not map to 0 with
// this weight, by bisection on the bits (the least double where it keeps
// everything, the largest where it keeps nothing).
double thresholdOf(int penalty, double lambda, double theta, double gamma)
{
    const auto toZero = [&](std::uint64_t bits) {
        double x, y;
        std::memcpy(&x, &bits, sizeof x);
        proxByPenaltyOn(ScalarPath, penalty, &y, &x, &lambda, false, 1, theta, gamma);
        return y == 0;
    };
    std::uint64_t low = 0, high = 0x7fefffffffffffffull;
    while (high - low > 1)
        (toZero(low + (high - low) / 2) ? low : high) = low + (high - low) / 2;
    double t;
    std::memcpy(&t, &high, sizeof t);
    return t;
}

// A third of the elements moved to within 8 units of their weight's
// threshold, either sign.
void nearThresholds(std::mt19937_64& rng, int penalty, std::vector<double>& x, const std::vector<double>& weights,
                    double theta, double gamma)
{
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (rng() % 3 != 0 || !(weights[i] < kInf))
            continue;
        const std::uint64_t bits = bitsOf(thresholdOf(penalty, weights[i], theta, gamma)) + (rng() % 17) - 8;
        std::memcpy(&x[i], &bits, sizeof bits);
        x[i] = (rng() & 1) ? -x[i] : x[i];
    }
}

// penaltyProx, penaltyValue and penaltyDerivative on random vectors with
// one weight or one per element (zeros among them, and in every other set
// infinities, which penaltyDerivative refuses), steps from 1e-3 to 1e3, and
// elements across the whole double range, where the change of units
// differs from lane to lane.
TEST(SimdPaths, ProxMatchesTheScalarReference)
{
    for (SimdPath path : pathsHere(true)) {
        std::mt19937_64 rng(41 + path);
        for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
            const ThetaRange range = kPenaltyInfo[penalty].theta;
            for (int set = 0; set < 40; ++set) {
                const double theta = range.taken ? range.lower + std::ldexp(1.0 + (rng() % 1000) / 1000.0, static_cast<int>(rng() % 9) - 4) : 0;
                const double gamma = std::pow(10.0, static_cast<int>(rng() % 7) - 3.0) * (0.5 + (rng() % 100) / 100.0);
                const int n = static_cast<int>(rng() % 70);
                std::vector<double> x = stressVector(rng, n, 1.0, theta), weights(n + 1);
                for (double& w : weights)
                    w = (rng() % 6 == 0)                   ? 0.0
                        : (set % 2 == 1 && rng() % 8 == 0) ? kInf
                        : std::ldexp(1.0 + (rng() % 1000) / 1000.0, static_cast<int>(rng() % 20) - 10);
                nearThresholds(rng, penalty, x, weights, theta, gamma);
                expectSameAsScalar(path, kWithWeights, {penalty, x, weights, true, theta, gamma});
                expectSameAsScalar(path, kWithWeights, {penalty, x, weights, false, theta, gamma});
            }
            // Parameters far from 1, where lanes of one block take different
            // changes of units and different branches for huge ratios.
            const double extremes[] = {4.9e-324, 1e-310, 1e-300, 1e-150, 1e-20, 1, 1e20, 1e150, 1e300, 1.7e308};
            for (int set = 0; set < 60; ++set) {
                const double theta = range.taken ? range.lower + extremes[rng() % 10] : 0;
                const double gamma = extremes[rng() % 10];
                std::vector<double> x = stressVector(rng, 1 + static_cast<int>(rng() % 40), extremes[rng() % 10], theta);
                std::vector<double> weights(x.size() + 1);
                for (double& w : weights)
                    w = (set % 2 == 1 && rng() % 16 == 0) ? kInf : extremes[rng() % 10] * (1 + (rng() % 100) / 64.0);
                nearThresholds(rng, penalty, x, weights, theta, gamma);
                expectSameAsScalar(path, kWithWeights, {penalty, x, weights, true, theta, gamma});
                expectSameAsScalar(path, kWithWeights, {penalty, x, {kInf}, false, theta, gamma});
            }
        }
    }
}


// The solvers' column loops on every vector path against the scalar
// instance: sums whose lanes must not be reordered (a long column of large
// and small terms shows any change of order), updates of rows, the
// selected sums of the nonzero entries; signed zeros, infinities and NaNs
// mixed in, at every length of a partial last block.
TEST(SimdPaths, ColumnKernelsMatchTheScalarReference)
{
    const ColumnKernels& scalar = *columnKernelsOf(ScalarPath);
    std::mt19937_64 rng(29);
    std::normal_distribution<double> normal;
    const auto column = [&](int n) {
        std::vector<double> v(n);
        for (double& e : v) {
            const unsigned kind = rng() % 16;
            e = kind == 0 ? 0.0 : kind == 1 ? -0.0 : kind == 2 ? std::ldexp(normal(rng), 60) : normal(rng);
        }
        if (n > 0 && rng() % 8 == 0)
            v[rng() % n] = rng() % 2 ? kInf : kNaN;
        return v;
    };
    for (SimdPath path : pathsHere(true)) {
        const ColumnKernels& k = *columnKernelsOf(path);
        for (int n : {0, 1, 3, 7, 8, 9, 13, 16, 17, 23, 31, 33, 1000, 1003}) {
            for (int trial = 0; trial < 20; ++trial) {
                const std::vector<double> x = column(n), y = column(n), u = column(n), q = column(n);
                const double step = normal(rng), step2 = trial % 5 ? normal(rng) : -0.0;
                double a[2], b[2];
                EXPECT_TRUE(sameBits(k.sum(x.data(), u.data(), n), scalar.sum(x.data(), u.data(), n)));
                EXPECT_TRUE(sameBits(k.squares(x.data(), q.data(), n), scalar.squares(x.data(), q.data(), n)));
                k.sumPair(x.data(), y.data(), u.data(), n, &a[0], &a[1]);
                scalar.sumPair(x.data(), y.data(), u.data(), n, &b[0], &b[1]);
                EXPECT_TRUE(sameBits(a[0], b[0]) && sameBits(a[1], b[1]));
                // A pass of four gives each column's sum alone: the solvers
                // group columns as the active set falls.
                const double* const four[4] = {x.data(), y.data(), q.data(), x.data()};
                double quad[4];
                k.sumQuad(four, u.data(), n, quad);
                for (int s = 0; s < 4; ++s)
                    EXPECT_TRUE(sameBits(quad[s], scalar.sum(four[s], u.data(), n))) << "sum of four " << s;
                double checks[5], checksRef[5];
                k.checkSums(x.data(), u.data(), q.data(), n, checks);
                scalar.checkSums(x.data(), u.data(), q.data(), n, checksRef);
                for (int t = 0; t < 5; ++t)
                    EXPECT_TRUE(sameBits(checks[t], checksRef[t])) << "check sum " << t;
                std::vector<double> rows = u, rowsRef = u, move = y, moveRef = y;
                k.addScaledPair(rows.data(), x.data(), step, y.data(), step2, n);
                scalar.addScaledPair(rowsRef.data(), x.data(), step, y.data(), step2, n);
                k.addScaled(rows.data(), q.data(), step2, n);
                scalar.addScaled(rowsRef.data(), q.data(), step2, n);
                k.subtractScaled(rows.data(), y.data(), step, n);
                scalar.subtractScaled(rowsRef.data(), y.data(), step, n);
                k.stepRows(move.data(), rows.data(), q.data(), x.data(), step, n);
                scalar.stepRows(moveRef.data(), rowsRef.data(), q.data(), x.data(), step, n);
                const double steps[4] = {step2, step, -step, step2};
                k.addScaledQuad(rows.data(), four, steps, n);
                scalar.addScaledPair(rowsRef.data(), x.data(), step2, y.data(), step, n);
                scalar.addScaledPair(rowsRef.data(), q.data(), -step, x.data(), step2, n);
                // g + r*(-d) is g - r*d: the least-squares sweeps apply
                // four moves to the gradients so.
                const double negated[4] = {-steps[0], -steps[1], -steps[2], -steps[3]};
                k.addScaledQuad(rows.data(), four, negated, n);
                for (int s = 0; s < 4; ++s)
                    scalar.subtractScaled(rowsRef.data(), four[s], steps[s], n);
                for (int i = 0; i < n; ++i)
                    EXPECT_TRUE(sameBits(rows[i], rowsRef[i]) && sameBits(move[i], moveRef[i])) << "row " << i;
            }
        }
    }
}

} // namespace
