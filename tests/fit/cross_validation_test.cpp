// Cross-validation on the worker pool: 1, 2 and 3 threads give the same bits
// for least squares, binomial and Poisson paths, on dense and compressed X,
// and a binomial path on a separable design stops, keeping its fits.
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "cross_validation.h"
#include "glm_path.h"
#include "worker_pool.h"

namespace {

struct Problem {
    int n = 90, p = 12;
    std::vector<double> x, y, values, rows, starts, factor, lambda;
};

Problem problemOf(Distribution d, unsigned seed)
{
    Problem s;
    std::mt19937_64 g(seed);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> unit(0, 1);
    s.x.resize(s.n * s.p);
    for (double& v : s.x)
        v = unit(g) < 0.5 ? 0.0 : normal(g);
    s.starts.push_back(0);
    for (int j = 0; j < s.p; ++j) {
        for (int i = 0; i < s.n; ++i)
            if (s.x[j * s.n + i] != 0)
                s.values.push_back(s.x[j * s.n + i]), s.rows.push_back(i);
        s.starts.push_back(static_cast<double>(s.values.size()));
    }
    for (int i = 0; i < s.n; ++i) {
        const double eta = s.x[i] - s.x[s.n + i] + 0.5 * s.x[2 * s.n + i];
        s.y.push_back(d == Distribution::Normal     ? eta + normal(g)
                      : d == Distribution::Binomial ? (unit(g) < 1 / (1 + std::exp(-eta)))
                                                    : std::floor(std::exp(0.5 * eta) * 2 * unit(g)));
    }
    s.factor.assign(s.p, 1.0);
    for (int k = 0; k < 10; ++k)
        s.lambda.push_back(0.3 * std::pow(0.7, k));
    return s;
}

std::vector<double> heldOutLoss(const Problem& s, Distribution d, int penalty, double theta, bool compressed,
                                int threads)
{
    FitDesign design{s.n, s.p, compressed ? nullptr : s.x.data(), s.values.data(), s.rows.data(), s.starts.data(),
                     static_cast<std::int64_t>(s.values.size()), s.y.data()};
    FitSettings settings{penalty, theta, s.lambda.data(), 10, 10, 0.01, true, true, s.factor.data(), nullptr,
                         1e-9, 100000, 1e9};
    std::vector<double> folds(s.n), loss(s.n * 10);
    for (int i = 0; i < s.n; ++i)
        folds[i] = 1 + (i * 7) % 5;
    overrideThreadBudget(threads);
    EXPECT_EQ(crossValidate(design, settings, d, folds.data(), 5, threads, loss.data()), CrossValidationDone);
    overrideThreadBudget(0);
    return loss;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

} // namespace

TEST(CrossValidation, SameBitsForEveryThreadCountAndStorage)
{
    const int kL1 = 0, kMcp = 5; // positions in the penalty list
    for (Distribution d : {Distribution::Normal, Distribution::Binomial, Distribution::Poisson}) {
        const Problem s = problemOf(d, 5 + static_cast<unsigned>(d));
        for (int penalty : {kL1, kMcp}) {
            const double theta = penalty == kMcp ? 1.5 : 0.0;
            const std::vector<double> one = heldOutLoss(s, d, penalty, theta, false, 1);
            for (int threads : {2, 3})
                EXPECT_TRUE(sameBits(heldOutLoss(s, d, penalty, theta, false, threads), one))
                    << "distribution " << static_cast<int>(d) << " penalty " << penalty << " threads " << threads;
            EXPECT_TRUE(sameBits(heldOutLoss(s, d, penalty, theta, true, 3), one)) << "compressed X";
            for (double v : one)
                EXPECT_TRUE(v >= 0) << "a held-out loss is negative or NaN";
        }
    }
}

TEST(GlmPath, SeparableClassesStopThePathAndKeepItsFits)
{
    Problem s = problemOf(Distribution::Binomial, 3);
    for (int i = 0; i < s.n; ++i)
        s.y[i] = s.x[i] > 0; // column 0 separates the classes
    FitDesign design{s.n, s.p, s.x.data(), nullptr, nullptr, nullptr, 0, s.y.data()};
    FitSettings settings{0, 0.0, nullptr, 0, 100, 1e-6, true, true, s.factor.data(), nullptr, 1e-7, 100000, 1e9};
    std::vector<double> room((s.p + 7) * 100);
    double* r = room.data();
    FitOutput out{r, r + s.p * 100, r + (s.p + 1) * 100, r + (s.p + 2) * 100, r + (s.p + 3) * 100,
                  r + (s.p + 4) * 100, r + (s.p + 5) * 100, r + (s.p + 6) * 100, 0};
    EXPECT_EQ(fitGlmPath(design, settings, Distribution::Binomial, &out), GlmPathSaturated);
    EXPECT_GT(out.fits, 1);
    EXPECT_LT(out.fits, 100);
    for (std::int64_t k = 0; k < out.fits * s.p; ++k)
        EXPECT_TRUE(std::isfinite(out.coefficients[k]));
}
