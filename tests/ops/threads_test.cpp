// Spreading a call over threads changes no bit: every operation of every
// penalty gives the one-thread result for every thread count, on every
// path, with special values and zero weights among the elements; and the
// first invalid weight is the one reported, in whichever range it lies.
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch.h"
#include "parallel_drivers.h"
#include "penalty_list.h"

namespace {

// Up to five ranges, and a last block of the sum that is not full.
const std::ptrdiff_t kLength = 5 * kElementsPerThread + 123;

struct Inputs {
    std::vector<double> x, weights;
};

Inputs makeInputs()
{
    std::mt19937_64 rng(23);
    std::normal_distribution<double> normal(0, 3);
    Inputs in{std::vector<double>(kLength), std::vector<double>(kLength)};
    const double special[] = {__builtin_nan(""), __builtin_inf(), -__builtin_inf(), 0.0, -0.0, 4.9e-324, 1e300};
    for (std::ptrdiff_t i = 0; i < kLength; ++i) {
        in.x[i] = rng() % 64 == 0 ? special[rng() % 7] : normal(rng);
        in.weights[i] = rng() % 16 == 0 ? 0.0 : std::exp(normal(rng) / 3);
    }
    return in;
}

double thetaOf(int penalty) { return kPenaltyInfo[penalty].code == Scad ? 3.7 : 2.5; }

// Every operation's results, one after another.
std::vector<double> runAll(SimdPath path, const Inputs& in)
{
    std::vector<double> out;
    std::vector<double> y(kLength);
    auto keep = [&] { out.insert(out.end(), y.begin(), y.end()); };
    for (int p = 0; p < kPenaltyCount; ++p) {
        const double theta = thetaOf(p);
        if (kPenaltyInfo[p].operations & ShrinkOperation) {
            shrinkByPenaltyOn(path, kPenaltyInfo[p].code, y.data(), in.x.data(), kLength, 1.25, theta);
            keep();
            double s;
            sumByPenaltyOn(path, kPenaltyInfo[p].code, &s, in.x.data(), kLength, 1.25, theta);
            out.push_back(s);
        }
        for (bool perElement : {false, true}) {
            const double* lambda = perElement ? in.weights.data() : &in.weights[1];
            proxByPenaltyOn(path, p, y.data(), in.x.data(), lambda, perElement, kLength, theta, 0.5);
            keep();
            valueByPenaltyOn(path, p, y.data(), in.x.data(), lambda, perElement, kLength, theta);
            keep();
            derivativeByPenaltyOn(path, p, y.data(), in.x.data(), lambda, perElement, kLength, theta);
            keep();
        }
    }
    return out;
}

TEST(Threads, EveryThreadCountGivesTheOneThreadBits)
{
    const Inputs in = makeInputs();
    for (int path = ScalarPath; path <= Avx512Path; ++path) {
        const SimdPath p = static_cast<SimdPath>(path);
        if (!simdPathSupported(p))
            continue;
        overrideThreadBudget(1);
        const std::vector<double> one = runAll(p, in);
        for (int threads : {2, 3, 5, 8}) {
            if (p != bestSimdPath() && threads != 3)
                continue; // every count on the path in use, one more on the others
            overrideThreadBudget(threads);
            const std::vector<double> many = runAll(p, in);
            ASSERT_EQ(many.size(), one.size());
            EXPECT_EQ(std::memcmp(many.data(), one.data(), 8 * one.size()), 0)
                << simdPathName(p) << ", " << threads << " threads";
        }
    }
    overrideThreadBudget(0);
}

TEST(Threads, TheFirstInvalidWeightIsReported)
{
    const Inputs in = makeInputs();
    std::vector<double> y(kLength);
    // Two bad weights in different ranges, the later one found first by its
    // thread: the earlier is the one reported.
    for (std::ptrdiff_t first : {std::ptrdiff_t{5}, 2 * kElementsPerThread + 7, kLength - 1}) {
        std::vector<double> weights = in.weights;
        weights[first] = -1;
        if (first + 1 < kLength)
            weights[kLength - 1] = __builtin_nan("");
        for (int threads : {1, 2, 5}) {
            overrideThreadBudget(threads);
            EXPECT_EQ(proxByPenalty(0, y.data(), in.x.data(), weights.data(), true, kLength, 2.5, 1), first)
                << threads << " threads";
            EXPECT_EQ(valueByPenalty(0, y.data(), in.x.data(), weights.data(), true, kLength, 2.5), first);
        }
    }
    overrideThreadBudget(0);
    EXPECT_EQ(derivativeByPenalty(0, y.data(), in.x.data(), in.weights.data(), true, kLength, 2.5), kLength);
}

} // namespace
