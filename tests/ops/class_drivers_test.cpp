// Single and complex arrays through the double kernels: a single result is
// the double result of the same input rounded once to single (every
// penalty and operation, per-element weights of either class, steps), a
// complex single result is the complex double one rounded once per part,
// and neither depends on the path or on the number of threads.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "class_drivers.h"
#include "dispatch.h"
#include "path_operations.h"
#include "penalty_list.h"
#include "worker_pool.h"

namespace {

bool sameFloat(float a, float b)
{
    std::uint32_t x, y;
    std::memcpy(&x, &a, 4);
    std::memcpy(&y, &b, 4);
    return x == y || (a != a && b != b);
}

// Floats around the thresholds of a weight near 1, specials, subnormals
// and arbitrary bit patterns.
std::vector<float> randomFloats(std::mt19937_64& g, std::size_t n)
{
    std::vector<float> x(n);
    for (float& v : x) {
        std::uint32_t bits;
        switch (g() % 6) {
        case 0: bits = static_cast<std::uint32_t>(g()); break;
        case 1: { const float marks[] = {0.f, 1.f, 2.f, 3.7f, INFINITY, 1e-45f, 1.2e-38f, 3.4e38f};
                  std::memcpy(&bits, &marks[g() % 8], 4); bits += static_cast<std::uint32_t>(g() % 3); break; }
        default: { const float f = static_cast<float>(g() % 100000) / 10000.f; std::memcpy(&bits, &f, 4); }
        }
        bits ^= static_cast<std::uint32_t>(g() & 1) << 31;
        std::memcpy(&v, &bits, 4);
    }
    return x;
}

const std::vector<SimdPath> kPaths = pathsHere();

// The double kernels on the converted input, on the scalar reference.
std::vector<double> doubleResult(ElementOperation op, int p, const std::vector<double>& x, const double* lambda,
                                 bool perElement, double theta, double gamma)
{
    std::vector<double> y(x.size());
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(x.size());
    if (op == ProxOfElements)
        proxByPenaltyOn(ScalarPath, p, y.data(), x.data(), lambda, perElement, n, theta, gamma);
    else if (op == ValueOfElements)
        valueByPenaltyOn(ScalarPath, p, y.data(), x.data(), lambda, perElement, n, theta);
    else
        derivativeByPenaltyOn(ScalarPath, p, y.data(), x.data(), lambda, perElement, n, theta);
    return y;
}

TEST(SingleArrays, AreTheDoubleResultRoundedOnce)
{
    std::mt19937_64 g(250);
    const std::size_t n = 70001; // long enough for two threads, an odd tail
    for (int p = 0; p < kPenaltyCount; ++p) {
        const ThetaRange range = kPenaltyInfo[p].theta;
        const double theta = !range.taken ? 0 : range.upper < INFINITY ? (range.lower + range.upper) / 2 : range.lower + 1.5;
        const std::vector<float> x = randomFloats(g, n);
        std::vector<float> singleWeights(n);
        for (float& w : singleWeights)
            w = g() % 5 == 0 ? 0.f : static_cast<float>(g() % 3000) / 1000.f;
        const std::vector<double> xd(x.begin(), x.end()), wd(singleWeights.begin(), singleWeights.end());
        for (ElementOperation op : {ProxOfElements, ValueOfElements, DerivativeOfElements}) {
            const double gamma = op == ProxOfElements ? 0.25 * static_cast<double>(1 + g() % 12) : 1;
            for (int weights = 0; weights < 3; ++weights) { // scalar, double per element, single per element
                const double scalar = 1.25;
                const double* lambda = weights == 0 ? &scalar : wd.data();
                const std::vector<double> want = doubleResult(op, p, xd, lambda, weights > 0, theta, gamma);
                const WeightArray w{weights == 2 ? static_cast<const void*>(singleWeights.data())
                                                 : static_cast<const void*>(lambda),
                                    weights == 2, weights > 0};
                for (SimdPath path : kPaths) {
                    for (int threads : {1, 3}) {
                        overrideThreadBudget(threads);
                        std::vector<float> got(n, 7.f);
                        const std::ptrdiff_t bad = elementsOfClassesOn(
                            path, {op, p, theta, gamma}, {got.data(), nullptr, true}, {x.data(), nullptr, true}, w,
                            static_cast<std::ptrdiff_t>(n));
                        overrideThreadBudget(0);
                        ASSERT_EQ(bad, static_cast<std::ptrdiff_t>(n));
                        for (std::size_t i = 0; i < n; ++i)
                            ASSERT_TRUE(sameFloat(got[i], static_cast<float>(want[i])))
                                << kPenaltyInfo[p].name << " op " << op << " " << simdPathName(path) << " weights "
                                << weights << " threads " << threads << " x " << x[i] << ": " << got[i] << " vs "
                                << static_cast<float>(want[i]);
                    }
                }
            }
        }
    }
}

TEST(SingleArrays, ComplexPartsAreTheDoubleOnesRoundedOnce)
{
    std::mt19937_64 g(2500);
    const std::size_t n = 4099;
    for (int p = 0; p < kPenaltyCount; ++p) {
        const ThetaRange range = kPenaltyInfo[p].theta;
        const double theta = !range.taken ? 0 : range.upper < INFINITY ? range.lower : range.lower + 0.5;
        const std::vector<float> re = randomFloats(g, n), im = randomFloats(g, n);
        const std::vector<double> red(re.begin(), re.end()), imd(im.begin(), im.end());
        const double lambda = 0.75;
        for (ElementOperation op : {ProxOfElements, ValueOfElements, DerivativeOfElements}) {
            std::vector<double> wantRe(n), wantIm(n);
            elementsOfClassesOn(ScalarPath, {op, p, theta, 0.5}, {wantRe.data(), wantIm.data(), false},
                                {red.data(), imd.data(), false}, {&lambda, false, false}, static_cast<std::ptrdiff_t>(n));
            for (SimdPath path : kPaths) {
                std::vector<float> gotRe(n), gotIm(n);
                elementsOfClassesOn(path, {op, p, theta, 0.5}, {gotRe.data(), gotIm.data(), true},
                                    {re.data(), im.data(), true}, {&lambda, false, false},
                                    static_cast<std::ptrdiff_t>(n));
                for (std::size_t i = 0; i < n; ++i) {
                    ASSERT_TRUE(sameFloat(gotRe[i], static_cast<float>(wantRe[i]))) << kPenaltyInfo[p].name << " " << i;
                    if (op == ProxOfElements) {
                        ASSERT_TRUE(sameFloat(gotIm[i], static_cast<float>(wantIm[i]))) << kPenaltyInfo[p].name << " " << i;
                    }
                }
            }
        }
    }
}

// A bad single weight is found, at its index, by every path.
TEST(SingleArrays, ReportTheFirstBadWeight)
{
    std::vector<float> x(100000, 1.f), w(100000, 1.f), y(100000);
    w[77777] = -1.f;
    w[99999] = NAN;
    for (SimdPath path : kPaths) {
        EXPECT_EQ(77777, elementsOfClassesOn(path, {ProxOfElements, 0, 0, 1}, {y.data(), nullptr, true},
                                             {x.data(), nullptr, true}, {w.data(), true, true}, 100000));
    }
}

} // namespace
