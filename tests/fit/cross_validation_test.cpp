// Cross-validation on the worker pool: 1, 2 and 3 threads give the same bits
// for least squares, binomial and Poisson paths, on dense and compressed X;
// the full path fitted beside its folds gives the bits of the full path
// followed by its folds, on a grid, at given lambda and on paths that stop
// early; a fold fitted at more lambda than the full path kept gives the same
// fits at the ones it kept; calls of whole paths are shared from the one
// that starts the pool on, and after one that waited for a worker's fold;
// one path's passes shared with the pool give the bits of one thread;
// and a binomial path on a separable design stops, keeping its fits.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cross_validation.h"
#include "fit_problems.h"
#include "glm_path.h"
#include "worker_pool.h"

namespace {

struct Problem : FitProblem {
    std::vector<double> factor, lambda;
};

Problem problemOf(Distribution d, unsigned seed)
{
    Problem s;
    s.n = 90, s.p = 12;
    std::mt19937_64 g(seed);
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> unit(0, 1);
    s.x.resize(s.n * s.p);
    for (double& v : s.x)
        v = unit(g) < 0.5 ? 0.0 : normal(g);
    compressColumns(s);
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

std::vector<double> foldNumbers(int n)
{
    std::vector<double> folds(n);
    for (int i = 0; i < n; ++i)
        folds[i] = 1 + (i * 7) % 5;
    return folds;
}

std::vector<double> heldOutLoss(const Problem& s, Distribution d, int penalty, double theta, bool compressed,
                                int threads)
{
    const FitDesign design = designOf(s, !compressed);
    FitSettings settings{penalty, theta, s.lambda.data(), 10, 10, 0.01, true, true, s.factor.data(), nullptr,
                         1e-9, 100000, 1e9};
    std::vector<double> folds = foldNumbers(s.n), loss(s.n * 10);
    overrideThreadBudget(threads);
    EXPECT_EQ(crossValidate(design, settings, d, folds.data(), 5, threads, loss.data()), CrossValidationDone);
    overrideThreadBudget(0);
    return loss;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

Problem separableProblem()
{
    Problem s = problemOf(Distribution::Binomial, 3);
    for (int i = 0; i < s.n; ++i)
        s.y[i] = s.x[i] > 0; // column 0 separates the classes
    return s;
}

// A call's outputs, the first `fits` of each, and its statuses.
struct PathAndFolds {
    GlmPathStatus status;
    CrossValidationStatus folds;
    std::int64_t fits;
    std::vector<double> path, heldOut;
};

// The full path then its folds at its lambda (threads 0), or both
// together on `threads` threads.
PathAndFolds pathAndFolds(const Problem& s, Distribution d, const FitSettings& settings, int threads)
{
    const std::int64_t p = s.p, capacity = settings.lambda ? settings.lambdaCount : settings.gridCount;
    PathRoom room = pathRoom(p, capacity);
    FitOutput& out = room.out;
    double* r = room.room.data();
    std::vector<double> loss(s.n * capacity);
    const std::vector<double> folds = foldNumbers(s.n);
    PathAndFolds result{GlmPathDone, CrossValidationDone, 0, {}, {}};
    overrideThreadBudget(threads > 0 ? threads : 1);
    if (threads > 0) {
        result.folds = fitAndCrossValidate(designOf(s, true), settings, d, folds.data(), 5, threads, &out,
                                           &result.status, loss.data());
    } else {
        result.status = d == Distribution::Normal ? (fitPath(designOf(s, true), settings, &out) == FitDone
                                                         ? GlmPathDone : GlmPathOutOfMemory)
                                                  : fitGlmPath(designOf(s, true), settings, d, &out);
        FitSettings foldSettings = settings;
        foldSettings.lambda = out.lambda;
        foldSettings.lambdaCount = out.fits;
        result.folds = crossValidate(designOf(s, true), foldSettings, d, folds.data(), 5, 1, loss.data());
    }
    overrideThreadBudget(0);
    result.fits = out.fits;
    for (int k = 0; k < 8; ++k) {
        const double* column = k == 0 ? out.coefficients : r + (p + k - 1) * capacity;
        const std::int64_t length = (k == 0 ? p : 1) * out.fits;
        result.path.insert(result.path.end(), column, column + length);
    }
    result.heldOut.assign(loss.begin(), loss.begin() + s.n * out.fits);
    return result;
}

} // namespace

TEST(CrossValidation, TheFullPathBesideItsFoldsGivesTheBitsOfOneAfterTheOther)
{
    const Problem separable = separableProblem();
    const Problem normal = problemOf(Distribution::Normal, 11), poisson = problemOf(Distribution::Poisson, 12);
    Problem unpenalised = poisson;
    unpenalised.factor[1] = 0; // in every fit: DFmax 0 keeps none
    struct Case {
        const char* name;
        const Problem* problem;
        Distribution distribution;
        int penalty;
        double theta;
        bool grid;
        double dfMax;
    } const cases[] = {
        {"least squares, lasso grid", &normal, Distribution::Normal, 0, 0.0, true, 1e9},
        {"least squares, MCP, DFmax 2", &normal, Distribution::Normal, 5, 1.5, true, 2},
        {"Poisson, MCP at given lambda", &poisson, Distribution::Poisson, 5, 1.5, false, 1e9},
        {"binomial, separable grid", &separable, Distribution::Binomial, 0, 0.0, true, 1e9},
        {"Poisson, an unpenalised column, DFmax 0", &unpenalised, Distribution::Poisson, 0, 0.0, false, 0},
    };
    for (const Case& c : cases) {
        const FitSettings settings{c.penalty, c.theta, c.grid ? nullptr : c.problem->lambda.data(), 10, 60, 1e-3,
                                   true, true, c.problem->factor.data(), nullptr, 1e-9, 100000, c.dfMax};
        const PathAndFolds reference = pathAndFolds(*c.problem, c.distribution, settings, 0);
        EXPECT_EQ(reference.folds, CrossValidationDone) << c.name;
        for (int threads : {1, 2, 3}) {
            const PathAndFolds together = pathAndFolds(*c.problem, c.distribution, settings, threads);
            EXPECT_EQ(together.status, reference.status) << c.name << ", " << threads << " threads";
            EXPECT_EQ(together.folds, reference.folds) << c.name << ", " << threads << " threads";
            EXPECT_EQ(together.fits, reference.fits) << c.name << ", " << threads << " threads";
            EXPECT_TRUE(sameBits(together.path, reference.path)) << c.name << ", " << threads << " threads";
            EXPECT_TRUE(sameBits(together.heldOut, reference.heldOut)) << c.name << ", " << threads << " threads";
        }
    }
}

// The schedule's premise: a fold that started before the full path ended
// runs on past the full path's last lambda, and its first fits must be
// those it makes when it stops there.
TEST(CrossValidation, MoreLambdaChangeNoFitBeforeThem)
{
    const Problem separable = separableProblem();
    const Problem poisson = problemOf(Distribution::Poisson, 12);
    for (const Problem* s : {&separable, &poisson}) {
        const Problem& problem = *s;
        const Distribution d = s == &poisson ? Distribution::Poisson : Distribution::Binomial;
        std::vector<double> lambda(40);
        lambdaGrid(0.3, 1e-3, 40, lambda.data());
        const std::vector<double> folds = foldNumbers(problem.n);
        std::vector<double> all(problem.n * 40), first(problem.n * 25);
        FitSettings settings{5, 1.5, lambda.data(), 40, 40, 0.01, true, true, problem.factor.data(), nullptr,
                             1e-9, 100000, 1e9};
        EXPECT_EQ(crossValidate(designOf(problem, true), settings, d, folds.data(), 5, 1, all.data()),
                  CrossValidationDone);
        settings.lambdaCount = 25;
        EXPECT_EQ(crossValidate(designOf(problem, true), settings, d, folds.data(), 5, 1, first.data()),
                  CrossValidationDone);
        all.resize(first.size());
        EXPECT_TRUE(sameBits(all, first)) << static_cast<int>(d);
    }
}

// A fold holds a worker for a whole path: the worker started by a call must
// join that very call (ctest runs this test in a process of its own, so the
// first call starts the pool), and the caller's wait for a worker's fold at
// the end must not send the next call to the calling thread alone.
TEST(CrossValidation, CallsOfWholePathsAreSharedFromTheFirstAndAfterAWaitForAWorker)
{
    if (std::thread::hardware_concurrency() < 2)
        GTEST_SKIP() << "one processor: no call is shared";
    // The caller waits (boundedly) for a worker to join; a worker that
    // joins stays `hold` milliseconds.
    struct Call {
        std::atomic<bool> workerJoined{false};
        int hold;
    };
    const SharedTask task = [](void* context, bool onCaller) {
        Call& call = *static_cast<Call*>(context);
        if (!onCaller) {
            call.workerJoined.store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(call.hold));
        }
        for (int k = 0; onCaller && k < 2000 && !call.workerJoined.load(); ++k)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    };
    for (int round = 0; round < 3; ++round) {
        Call endsOnWorker{{false}, 5}, next{{false}, 0};
        runSharedLongPieces(2, task, &endsOnWorker);
        runSharedLongPieces(2, task, &next);
        EXPECT_TRUE(endsOnWorker.workerJoined.load() && next.workerJoined.load()) << "round " << round;
    }
}

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

// One path's passes over X shared with the pool (the check's sums, the
// Gram entries, a GLM's Hessian products by rows and by columns): wide
// enough for many pieces, with columns sharing a factor so that SCAD and
// MCP move between local minima and the checks find violators.
TEST(FitPath, SharedPassesGiveTheBitsOfOneThread)
{
    const int kL1 = 0, kScad = 4, kMcp = 5; // positions in the penalty list
    for (Distribution d : {Distribution::Normal, Distribution::Binomial, Distribution::Poisson}) {
        Problem s;
        s.n = 300, s.p = 400;
        std::mt19937_64 g(40 + static_cast<unsigned>(d));
        std::normal_distribution<double> normal;
        std::uniform_real_distribution<double> unit(0, 1);
        std::vector<double> common(s.n);
        for (double& v : common)
            v = normal(g);
        s.x.resize(s.n * s.p);
        for (std::int64_t k = 0; k < s.n * s.p; ++k)
            s.x[k] = 0.5 * common[k % s.n] + normal(g);
        compressColumns(s);
        for (int i = 0; i < s.n; ++i) {
            const double eta = 0.6 * (s.x[i] - s.x[s.n + i] + s.x[7 * s.n + i]);
            s.y.push_back(d == Distribution::Normal     ? eta + normal(g)
                          : d == Distribution::Binomial ? (unit(g) < 1 / (1 + std::exp(-eta)))
                                                        : std::floor(std::exp(0.5 * eta) * 2 * unit(g)));
        }
        s.factor.assign(s.p, 1.0);
        for (int penalty : {kL1, kScad, kMcp}) {
            const double theta = penalty == kScad ? 3.7 : penalty == kMcp ? 3.0 : 0.0;
            FitSettings settings{penalty, theta, nullptr, 0, 30, 0.05, true, true, s.factor.data(), nullptr,
                                 1e-9, 100000, 1e9};
            std::vector<double> one;
            for (int threads : {1, 2, 3}) {
                settings.threads = threads;
                PathRoom room = pathRoom(s.p, 30);
                const bool done = d == Distribution::Normal
                                      ? fitPath(designOf(s, true), settings, &room.out) == FitDone
                                      : fitGlmPath(designOf(s, true), settings, d, &room.out) != GlmPathOutOfMemory;
                EXPECT_TRUE(done) << "distribution " << static_cast<int>(d) << " penalty " << penalty;
                room.room.resize((s.p + 7) * 30 + 1, static_cast<double>(room.out.fits));
                if (threads == 1)
                    one = room.room;
                else
                    EXPECT_TRUE(sameBits(room.room, one))
                        << "distribution " << static_cast<int>(d) << " penalty " << penalty << " threads " << threads;
            }
        }
    }
}

TEST(GlmPath, SeparableClassesStopThePathAndKeepItsFits)
{
    const int kL1 = 0, kScad = 4, kMcp = 5; // positions in the penalty list
    const Problem s = separableProblem();
    // MCP and SCAD are flat far out, so with separated classes even the
    // first lambda has no finite minimiser: the search before acceptance
    // finds the far side, the solve stops there saturated, and that first
    // iterate is kept, flagged as not converged.
    struct Case {
        const char* name;
        int penalty;
        double theta;
        bool stopsAtFirst;
    } cases[] = {{"l1", kL1, 0.0, false}, {"mcp", kMcp, 3.0, true}, {"scad", kScad, 3.7, true}};
    for (const Case& c : cases) {
        FitSettings settings{c.penalty, c.theta, nullptr, 0, 100, 1e-6, true, true, s.factor.data(), nullptr, 1e-7,
                             100000, 1e9};
        PathRoom room = pathRoom(s.p, 100);
        FitOutput& out = room.out;
        EXPECT_EQ(fitGlmPath(designOf(s, true), settings, Distribution::Binomial, &out), GlmPathSaturated) << c.name;
        if (c.stopsAtFirst) {
            EXPECT_EQ(out.fits, 1) << c.name;
            EXPECT_EQ(out.converged[0], 0.0) << c.name;
        } else {
            EXPECT_GT(out.fits, 1) << c.name;
            EXPECT_LT(out.fits, 100) << c.name;
            // the iterate at which a later solve stopped saturated is not kept
            for (std::int64_t k = 0; k < out.fits; ++k)
                EXPECT_EQ(out.converged[k], 1.0) << c.name << " fit " << k;
        }
        for (std::int64_t k = 0; k < out.fits * s.p; ++k)
            EXPECT_TRUE(std::isfinite(out.coefficients[k])) << c.name;
    }
}

// A column far from 0 against its spread changes only the intercept of the
// model: fits of X and of X with columns moved 10^4 and 10^6 spreads out
// must agree to the solve's accuracy, in either storage and with weights
// (the intercept's coordinate steps and theirs had stopped on the ridge the
// mean ties them to, with coefficients off by 1e-1, or still at 0).
TEST(GlmPath, ColumnsFarFromZeroFitAsTheyDoNearIt)
{
    const int kL1 = 0, kMcp = 5;
    for (Distribution d : {Distribution::Binomial, Distribution::Poisson}) {
        const Problem near = problemOf(d, 11);
        Problem far = near;
        for (std::int64_t i = 0; i < far.n; ++i) {
            far.x[i] += 1e4;                // column 0, in the model
            far.x[3 * far.n + i] -= 1e6;    // a column out of it
        }
        compressColumns(far);
        std::vector<double> weights(near.n);
        for (std::int64_t i = 0; i < near.n; ++i)
            weights[i] = 0.5 + (i % 4) * 0.25;
        for (int penalty : {kL1, kMcp})
            for (bool dense : {true, false}) {
                FitSettings s{penalty, 3.0, near.lambda.data(), 10, 10, 0.01, true, true, near.factor.data(),
                              weights.data(), 1e-12, 100000, 1e9};
                PathRoom a = pathRoom(near.p, 10), b = pathRoom(near.p, 10);
                ASSERT_EQ(fitGlmPath(designOf(near, dense), s, d, &a.out), GlmPathDone);
                ASSERT_EQ(fitGlmPath(designOf(far, dense), s, d, &b.out), GlmPathDone);
                ASSERT_EQ(a.out.fits, b.out.fits);
                for (std::int64_t k = 0; k < a.out.fits; ++k) {
                    const double* x = a.out.coefficients + k * near.p;
                    const double* y = b.out.coefficients + k * near.p;
                    for (std::int64_t j = 0; j < near.p; ++j)
                        EXPECT_NEAR(y[j], x[j], 1e-5) << penalty << " fit " << k << " column " << j;
                    const double back = b.out.intercept[k] + 1e4 * y[0] - 1e6 * y[3];
                    EXPECT_NEAR(back, a.out.intercept[k], 1e-4) << penalty << " fit " << k;
                }
            }
    }
}

// The tolerance scales with the null model's deviance: Poisson rates c*y
// at c*lambda (MCP's theta/c, so that its penalty scales by c too) are the
// counts' fit with the intercept moved by log c, to the solve's accuracy
// whatever c (with the deviance at eta = 0 as the scale, rates of 1e-6 had
// been fitted at a million times RelTol, off by 2e-3; and from eta = 0 the
// first steps to counts of 1e40 never reached a finite objective).
TEST(GlmPath, PoissonRatesFitAsTheirCounts)
{
    const int kL1 = 0, kMcp = 5;
    const Problem counts = problemOf(Distribution::Poisson, 5);
    for (double c : {1e-6, 1e4, 1e40})
        for (int penalty : {kL1, kMcp}) {
            Problem rates = counts;
            std::vector<double> lambda = counts.lambda;
            for (double& v : rates.y)
                v *= c;
            for (double& l : lambda)
                l *= c;
            FitSettings s{penalty, 3.0, counts.lambda.data(), 10, 10, 0.01, true, true, counts.factor.data(),
                          nullptr, 1e-12, 100000, 1e9};
            PathRoom a = pathRoom(counts.p, 10), b = pathRoom(counts.p, 10);
            ASSERT_EQ(fitGlmPath(designOf(counts, true), s, Distribution::Poisson, &a.out), GlmPathDone);
            s.lambda = lambda.data();
            s.theta = 3.0 / c;
            ASSERT_EQ(fitGlmPath(designOf(rates, true), s, Distribution::Poisson, &b.out), GlmPathDone);
            ASSERT_EQ(a.out.fits, b.out.fits);
            for (std::int64_t k = 0; k < a.out.fits * counts.p; ++k)
                EXPECT_NEAR(b.out.coefficients[k], a.out.coefficients[k], 1e-6) << c << " " << penalty << " " << k;
            for (std::int64_t k = 0; k < a.out.fits; ++k)
                EXPECT_NEAR(b.out.intercept[k] - std::log(c), a.out.intercept[k], 1e-6) << c << " " << penalty;
        }
}
