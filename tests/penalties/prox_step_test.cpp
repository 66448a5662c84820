// The worked cases of penaltyProx, penaltyValue and penaltyDerivative by bit
// pattern, and the identities they promise: with gamma = 1 and one weight
// penaltyProx is penaltyShrink bit for bit for capped-l1, SCAD and MCP (not
// log-sum, whose penaltyShrink keeps its fixed steps while penaltyProx is
// exact), except where penaltyShrink's candidate rounds past |x| next to
// SCAD's and MCP's knee and penaltyProx holds it at x; the values are what penaltySum adds (SCAD's and MCP's values,
// added in index order, are penaltySum; every capped-l1 and log-sum value
// is lambda times penaltySum's term); per-element weights give exactly the
// element-by-element calls; and an infinite weight holds every element at 0.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "bit_compare.h"
#include "dispatch.h"
#include "golden_cases.h"
#include "penalty_formulas.h"
#include "random_parameters.h"
#include "scalar_prox.h"

namespace {

// Each row through one weight and through per-element weights.
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
    for (const ElementCase& c : kElementCases) {
        const auto run = c.what == 'v' ? valueByPenalty : derivativeByPenalty;
        double scalar = 12345.0, weighted = 12345.0;
        run(penaltyIndexOfName(c.penalty), &scalar, &c.x, &c.lambda, false, 1, c.theta);
        run(penaltyIndexOfName(c.penalty), &weighted, &c.x, &c.lambda, true, 1, c.theta);
        EXPECT_TRUE(sameBits(scalar, c.expected) && sameBits(weighted, c.expected))
            << c.penalty << " " << c.what << " lambda " << c.lambda << " theta " << c.theta << " x " << describe(c.x)
            << ": " << describe(scalar);
    }
}

// The tests' definitions of the penalties are keyed by the registry's
// names: a penalty added without its row fails here.
TEST(ProxStep, EveryPenaltyHasADefinition)
{
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty)
        EXPECT_NE(definitionNamed(kPenaltyInfo[penalty].name), nullptr) << kPenaltyInfo[penalty].name;
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

TEST(ProxStep, UnitStepIsPenaltyShrinkAndValuesArePenaltySumsTerms)
{
    std::mt19937_64 rng(31);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        const PenaltyInfo& info = kPenaltyInfo[penalty];
        if (!(info.operations & ShrinkOperation))
            continue;
        const bool addedInOrder = info.code == Scad || info.code == Mcp;
        for (int set = 0; set < 64; ++set) {
            const double lambda = std::exp(std::uniform_real_distribution<double>(-6, 3)(rng));
            const double theta = info.theta.lower + std::exp(std::uniform_real_distribution<double>(-5, 3)(rng));
            std::vector<double> x = elements(rng, 4096, 3 * lambda * std::max(theta, 1.0));
            x[0] = kInf;
            double knee = lambda * theta; // and its neighbours, up from 4 doubles below
            for (int k = 0; k < 4; ++k)
                knee = std::nextafter(knee, 0.0);
            for (int k = 1; k <= 9; ++k, knee = std::nextafter(knee, kInf))
                x[k] = k % 2 ? knee : -knee;
            const auto n = static_cast<std::int32_t>(x.size());
            std::vector<double> shrunk(x.size()), proximal(x.size()), values(x.size());
            shrinkByPenalty(info.code, shrunk.data(), x.data(), n, lambda, theta);
            proxByPenalty(penalty, proximal.data(), x.data(), &lambda, false, n, theta, 1.0);
            valueByPenalty(penalty, values.data(), x.data(), &lambda, false, n, theta);
            double running = 0, sum = 0;
            for (std::size_t i = 0; i < x.size(); ++i) {
                // +-inf is penaltyProx's to pass through; penaltyShrink maps it.
                const double held = std::fabs(shrunk[i]) <= std::fabs(x[i]) ? shrunk[i] : x[i];
                ASSERT_TRUE(i == 0 || info.code == LogSum || sameBits(proximal[i], held))
                    << info.name << " lambda " << lambda << " theta " << theta << " x " << describe(x[i]);
                double term = 0;
                if (!addedInOrder)
                    sumByPenalty(info.code, &term, &x[i], 1, 1.0, theta);
                ASSERT_TRUE(addedInOrder || sameBits(values[i], lambda * term)) << info.name << " x " << describe(x[i]);
                running = running + values[i];
            }
            sumByPenalty(info.code, &sum, x.data(), n, lambda, theta);
            ASSERT_TRUE(!addedInOrder || sameBits(running, sum)) << info.name;
        }
    }
}

TEST(ProxStep, WeightsAreElementwiseCalls)
{
    std::mt19937_64 rng(32);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        const ThetaRange range = kPenaltyInfo[penalty].theta;
        for (int set = 0; set < 16; ++set) {
            const double theta = randomTheta(rng, range);
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
                    EXPECT_TRUE(!perElement || derivativeByPenalty(penalty, d, x, weights.data(), true, n, theta) == 0);
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
