// penaltyProx: the worked cases by bit pattern, and the two identities it
// promises: with gamma = 1 and one weight it is penaltyShrink bit for bit
// for capped-l1, SCAD and MCP (not log-sum, whose penaltyShrink keeps its
// fixed steps while penaltyProx is exact), and per-element weights give
// exactly the element-by-element calls.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "bit_compare.h"
#include "dispatch.h"
#include "golden_cases.h"
#include "penalty_list.h"
#include "scalar_prox.h"

namespace {

TEST(ProxStep, EveryCaseThroughDispatch)
{
    for (const ProxStepCase& c : kProxStepCases) {
        const int penalty = penaltyIndexOfName(c.penalty);
        ASSERT_GE(penalty, 0) << c.penalty;
        double scalar = 12345.0, weighted = 12345.0;
        proxByPenalty(penalty, &scalar, &c.x, &c.lambda, false, 1, c.theta, c.gamma);
        proxByPenalty(penalty, &weighted, &c.x, &c.lambda, true, 1, c.theta, c.gamma);
        EXPECT_TRUE(sameBits(scalar, c.expected) && sameBits(weighted, c.expected))
            << c.penalty << " lambda " << c.lambda << " theta " << c.theta << " gamma " << c.gamma << " x "
            << describe(c.x) << ": " << describe(scalar) << " (per element " << describe(weighted) << ")";
    }
}

TEST(ProxStep, NamesInEitherCase)
{
    const struct { const char* name; const char* as; } rows[] = {
        {"SCAD", "scad"}, {"Capped-L1", "capped-l1"}, {"LOG-SUM", "log-sum"}, {"L0", "l0"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(penaltyIndexOfName(row.name), penaltyIndexOfName(row.as)) << row.name;
    for (const char* unknown : {"", "scad ", "l2", "capped_l1", "mcpp", "capped\rl1"})
        EXPECT_EQ(penaltyIndexOfName(unknown), -1) << unknown;
}

// Random elements around each penalty's thresholds, in its range.
std::vector<double> elements(std::mt19937_64& rng, int n, double scale)
{
    std::vector<double> x(n);
    for (double& v : x)
        v = std::normal_distribution<double>(0, scale)(rng);
    return x;
}

TEST(ProxStep, UnitStepIsPenaltyShrink)
{
    std::mt19937_64 rng(31);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        if (!(kPenaltyInfo[penalty].operations & ShrinkOperation) || kPenaltyInfo[penalty].code == LogSum)
            continue;
        const ThetaRange range = kPenaltyInfo[penalty].theta;
        for (int set = 0; set < 64; ++set) {
            const double lambda = std::exp(std::uniform_real_distribution<double>(-6, 3)(rng));
            const double theta = range.lower + std::exp(std::uniform_real_distribution<double>(-5, 3)(rng));
            const std::vector<double> x = elements(rng, 4096, 3 * lambda * std::max(theta, 1.0));
            std::vector<double> shrunk(x.size()), proximal(x.size());
            shrinkByPenalty(kPenaltyInfo[penalty].code, shrunk.data(), x.data(), static_cast<std::int32_t>(x.size()),
                            lambda, theta);
            proxByPenalty(penalty, proximal.data(), x.data(), &lambda, false, static_cast<std::ptrdiff_t>(x.size()),
                          theta, 1.0);
            for (std::size_t i = 0; i < x.size(); ++i)
                ASSERT_TRUE(sameBits(proximal[i], shrunk[i]))
                    << kPenaltyInfo[penalty].name << " lambda " << lambda << " theta " << theta << " x "
                    << describe(x[i]);
        }
    }
}

TEST(ProxStep, WeightsAreElementwiseCalls)
{
    std::mt19937_64 rng(32);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        const ThetaRange range = kPenaltyInfo[penalty].theta;
        for (int set = 0; set < 16; ++set) {
            const double theta = range.taken ? range.lower + std::exp(std::uniform_real_distribution<double>(-3, 2)(rng)) : 0;
            const double gamma = std::exp(std::uniform_real_distribution<double>(-5, 5)(rng));
            const std::vector<double> x = elements(rng, 1031, 4);
            std::vector<double> weights(x.size()), together(x.size());
            for (double& w : weights)
                w = (rng() % 8 == 0) ? 0.0 : std::exp(std::uniform_real_distribution<double>(-4, 2)(rng));
            proxByPenalty(penalty, together.data(), x.data(), weights.data(), true,
                          static_cast<std::ptrdiff_t>(x.size()), theta, gamma);
            for (std::size_t i = 0; i < x.size(); ++i) {
                double alone = 0;
                proxByPenalty(penalty, &alone, &x[i], &weights[i], false, 1, theta, gamma);
                ASSERT_TRUE(sameBits(together[i], alone)) << kPenaltyInfo[penalty].name << " element " << i;
            }
        }
    }
}

// An infinite weight is the constraint u = 0, for every penalty, theta and
// step: penaltyProx (on the arrays and in a solver's scalar map) gives -0
// for a negative element and +0 otherwise, penaltyValue +0 at +-0 and inf
// elsewhere, a NaN stays NaN, and penaltyDerivative refuses the weight.
TEST(ProxStep, InfiniteWeightHoldsTheElementAtZero)
{
    const double inf = kInf, nan = __builtin_nan("");
    const double x[] = {3, -3, 0, -0.0, 1e300, -4.9e-324, 1e-300, inf, -inf, nan};
    const std::ptrdiff_t n = sizeof x / sizeof x[0];
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        const ThetaRange range = kPenaltyInfo[penalty].theta;
        for (double theta : {range.lower, range.lower + 0.5, range.lower + 1e10}) {
            if (!range.taken)
                theta = 0;
            if (theta > range.upper || (theta == range.lower && !range.lowerIncluded))
                continue;
            for (double gamma : {1e-3, 1.0, 1e3}) {
                const std::vector<double> weights(n, inf);
                for (bool perElement : {false, true}) {
                    double y[n], v[n], d[n];
                    proxByPenalty(penalty, y, x, weights.data(), perElement, n, theta, gamma);
                    valueByPenalty(penalty, v, x, weights.data(), perElement, n, theta);
                    if (perElement)
                        EXPECT_EQ(derivativeByPenalty(penalty, d, x, weights.data(), true, n, theta), 0);
                    for (std::ptrdiff_t i = 0; i < n; ++i) {
                        const double held = x[i] != x[i] ? nan : x[i] < 0 ? -0.0 : 0.0;
                        const double value = x[i] != x[i] ? nan : x[i] == 0 ? 0.0 : inf;
                        const double solver = withPenalty(penalty, [&]<class P>() {
                            return proxScalar<P>(x[i], inf, scalarProxOf<P>(theta, gamma));
                        });
                        EXPECT_TRUE(sameBits(y[i], held) && sameBits(solver, held) && sameBits(v[i], value))
                            << kPenaltyInfo[penalty].name << " theta " << theta << " gamma " << gamma << " x "
                            << describe(x[i]) << ": prox " << describe(y[i]) << ", scalar map " << describe(solver)
                            << ", value " << describe(v[i]);
                    }
                }
            }
        }
    }
}

} // namespace
