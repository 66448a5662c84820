// kernel_digest: one hash per kernel and instruction set of every result
// bit over many inputs (random bit patterns, random lengths around the
// weights, +-0, +-inf, NaNs, subnormals, and the doubles around each map's
// threshold, found by bisection). Two builds whose digests agree computed
// the same bits for all of them; it proves a restructuring changed no
// result. Run: kernel_digest [elements per case, default 600].
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "class_drivers.h"
#include "dispatch.h"
#include "penalty_list.h"
#include "simd_path.h"

namespace {

std::uint64_t gState = 0x9e3779b97f4a7c15ull;

std::uint64_t nextRandom() // splitmix64
{
    std::uint64_t z = (gState += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

double uniform() { return static_cast<double>(nextRandom() >> 11) * 0x1p-53; }

double fromBits(std::uint64_t b)
{
    double d;
    std::memcpy(&d, &b, 8);
    return d;
}

struct Digest {
    std::uint64_t h = 0xcbf29ce484222325ull; // FNV-1a
    void add(const void* p, std::size_t bytes)
    {
        const unsigned char* c = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < bytes; ++i)
            h = (h ^ c[i]) * 0x100000001b3ull;
    }
    void add(std::int64_t v) { add(&v, sizeof v); }
};

const double kEdges[] = {0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN, fromBits(0x7ff0000000000001ull),
                         fromBits(0xfff4000000000123ull), 0x1p-1074, -0x1p-1074, 0x1p-1022, -0x1p-1023,
                         0x1.fffffffffffffp1023, -0x1.fffffffffffffp1023, 1.0, -1.0, 0x1p-537, 0x1p512};

// The first positive double whose image under map is not zero, by
// bisection on the bits (map(0) = 0, map(huge) != 0 assumed; else 0).
template <class Map>
double thresholdOf(Map map)
{
    std::uint64_t low = 0, high = 0x7fefffffffffffffull;
    if (map(fromBits(high)) == 0)
        return 0;
    while (high - low > 1) {
        const std::uint64_t mid = low + (high - low) / 2;
        (map(fromBits(mid)) == 0 ? low : high) = mid;
    }
    return fromBits(high);
}

// n inputs: a third random bit patterns, a third magnitudes spread around
// the scales given, the rest the edges and the doubles within 8 units of
// the anchors, signs random.
std::vector<double> inputsAround(std::size_t n, const std::vector<double>& anchors)
{
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t kind = nextRandom() % 3, sign = (nextRandom() & 1) << 63;
        double v;
        if (kind == 0) {
            v = fromBits(nextRandom());
        } else if (kind == 1 && !anchors.empty()) {
            v = anchors[nextRandom() % anchors.size()] * (4 * uniform());
        } else if (anchors.empty() || nextRandom() % 4 == 0) {
            v = kEdges[nextRandom() % (sizeof kEdges / sizeof kEdges[0])];
        } else {
            const double a = anchors[nextRandom() % anchors.size()];
            std::uint64_t b;
            std::memcpy(&b, &a, 8);
            v = fromBits(b + (nextRandom() % 17) - 8);
        }
        std::uint64_t b;
        std::memcpy(&b, &v, 8);
        x[i] = fromBits(b ^ sign);
    }
    return x;
}

std::vector<double> thetasOf(const ThetaRange& r)
{
    if (!r.taken)
        return {0.0};
    std::vector<double> out;
    for (double t : {0.0, 1e-3, 0.25, 0.5, 1.0, 2.0, 2.5, 3.7, 10.0, 1e3, 1e150})
        if ((t > r.lower || (r.lowerIncluded && t == r.lower)) && t <= r.upper)
            out.push_back(t);
    return out;
}

std::vector<double> gammasOf(const GammaRange& r)
{
    std::vector<double> out;
    for (double g : {1.0, 0.5, 2.0, 1e-3, 300.0})
        if (g >= r.lower && g <= r.upper)
            out.push_back(g);
    return out;
}

const double kLambdas[] = {1.0, 0.3, 2.0, 1e-300, 1e5, 0.0};

// Per-element weights: mostly near lambda, some zero, +inf, subnormal.
std::vector<double> weightsNear(std::size_t n, double lambda, bool infiniteAllowed)
{
    std::vector<double> w(n);
    for (double& v : w) {
        const std::uint64_t k = nextRandom() % 16;
        v = k == 0 ? 0.0 : k == 1 ? (infiniteAllowed ? INFINITY : 7.0) : k == 2 ? 0x1p-1070 : lambda * (2 * uniform());
    }
    return w;
}

// Paths are counted up to this; the list says which run here. (A bound
// rather than the list's length, so that the same file builds on trees from
// before the list.)
constexpr int kMostPaths = 16;

struct Line {
    const char* what;
    const char* penalty;
    std::vector<Digest> digest;
};

std::vector<Line> gLines;

Line& lineOf(const char* what, const char* penalty)
{
    for (Line& l : gLines)
        if (!std::strcmp(l.what, what) && !std::strcmp(l.penalty, penalty))
            return l;
    gLines.push_back(Line{what, penalty, std::vector<Digest>(kMostPaths)});
    return gLines.back();
}

std::vector<SimdPath> pathsHere()
{
    std::vector<SimdPath> out;
    for (int p = ScalarPath; p < kMostPaths; ++p)
        if (simdPathSupported(static_cast<SimdPath>(p)))
            out.push_back(static_cast<SimdPath>(p));
    return out;
}

void digestShrinkAndSum(int penalty, std::size_t n)
{
    const PenaltyInfo& info = kPenaltyInfo[penalty];
    if (info.code == NoCode)
        return;
    for (double theta : thetasOf(info.theta))
        for (double lambda : kLambdas) {
            auto map = [&](double x) {
                double y;
                shrinkByPenaltyOn(ScalarPath, info.code, &y, &x, 1, lambda, theta);
                return y;
            };
            const std::vector<double> x =
                inputsAround(n, {lambda, thresholdOf(map), theta, theta * lambda, (theta + 1) * lambda});
            std::vector<double> y(n);
            for (SimdPath path : pathsHere()) {
                shrinkByPenaltyOn(path, info.code, y.data(), x.data(), static_cast<std::int32_t>(n), lambda, theta);
                lineOf("shrink", info.name).digest[path].add(y.data(), n * 8);
                for (std::size_t len : {n, std::size_t{1}, std::size_t{7}, n / 3}) {
                    double s;
                    sumByPenaltyOn(path, info.code, &s, x.data() + 1, static_cast<std::int32_t>(len - 1), lambda,
                                   theta);
                    lineOf("sum", info.name).digest[path].add(&s, 8);
                }
            }
        }
}

enum Op { kProx, kValue, kDerivative };

std::ptrdiff_t runOn(Op op, SimdPath path, int penalty, double* y, const double* x, const double* w, bool perElement,
                     std::size_t n, double theta, double gamma)
{
    const std::ptrdiff_t m = static_cast<std::ptrdiff_t>(n);
    if (op == kProx)
        return proxByPenaltyOn(path, penalty, y, x, w, perElement, m, theta, gamma);
    if (op == kValue)
        return valueByPenaltyOn(path, penalty, y, x, w, perElement, m, theta);
    return derivativeByPenaltyOn(path, penalty, y, x, w, perElement, m, theta);
}

// The single and complex classes of the same call: x rounded to float, and
// x paired with a second array of parts.
void digestClasses(Op op, SimdPath path, int penalty, const char* name, const std::vector<double>& x,
                   const std::vector<double>& w, bool perElement, double theta, double gamma)
{
    static const char* const kNames[3][2] = {{"prox.single", "prox.complex"},
                                             {"value.single", "value.complex"},
                                             {"derivative.single", "derivative.complex"}};
    const std::size_t n = x.size();
    const ElementCall call{op == kProx ? ProxOfElements : op == kValue ? ValueOfElements : DerivativeOfElements,
                           penalty, theta, gamma};
    std::vector<float> xf(n), wf(n);
    for (std::size_t i = 0; i < n; ++i) {
        xf[i] = static_cast<float>(x[i]);
        wf[i] = static_cast<float>(w[i]);
    }
    std::vector<float> yf(n), zf(n);
    const WeightArray weightsSingle{wf.data(), true, perElement};
    const std::ptrdiff_t m = static_cast<std::ptrdiff_t>(n);
    const std::ptrdiff_t r1 = elementsOfClassesOn(path, call, ResultArrays{yf.data(), nullptr, true},
                                                  ElementArrays{xf.data(), nullptr, true}, weightsSingle, m);
    Digest& single = lineOf(kNames[op][0], name).digest[path];
    single.add(r1);
    single.add(yf.data(), static_cast<std::size_t>(r1) * 4);

    std::vector<double> im(x.rbegin(), x.rend()), yr(n), yi(n);
    const WeightArray weights{w.data(), false, perElement};
    const std::ptrdiff_t r2 = elementsOfClassesOn(path, call, ResultArrays{yr.data(), op == kProx ? yi.data() : nullptr, false},
                                                  ElementArrays{x.data(), im.data(), false}, weights, m);
    Digest& complex = lineOf(kNames[op][1], name).digest[path];
    complex.add(r2);
    complex.add(yr.data(), static_cast<std::size_t>(r2) * 8);
    if (op == kProx)
        complex.add(yi.data(), static_cast<std::size_t>(r2) * 8);
    const std::ptrdiff_t r3 =
        elementsOfClassesOn(path, call, ResultArrays{yf.data(), op == kProx ? zf.data() : nullptr, true},
                            ElementArrays{xf.data(), wf.data(), true}, weightsSingle, m);
    complex.add(r3);
    complex.add(yf.data(), static_cast<std::size_t>(r3) * 4);
    if (op == kProx)
        complex.add(zf.data(), static_cast<std::size_t>(r3) * 4);
}

void digestElements(Op op, int penalty, std::size_t n)
{
    static const unsigned kBits[] = {ProxOperation, ValueOperation, DerivativeOperation};
    static const char* const kNames[] = {"prox", "value", "derivative"};
    const PenaltyInfo& info = kPenaltyInfo[penalty];
    if (!(info.operations & kBits[op]))
        return;
    const std::vector<double> gammas = op == kProx ? gammasOf(info.gamma) : std::vector<double>{1.0};
    for (double theta : thetasOf(info.theta))
        for (double gamma : gammas)
            for (double lambda : kLambdas) {
                auto map = [&](double x) {
                    double y;
                    runOn(kProx, ScalarPath, penalty, &y, &x, &lambda, false, 1, theta, gamma);
                    return y;
                };
                const double t = op == kProx ? thresholdOf(map) : lambda;
                const std::vector<double> x = inputsAround(
                    n, {t, gamma * lambda, theta, theta * lambda, theta * gamma * lambda, (theta + 1) * lambda});
                const std::vector<double> w = weightsNear(n, lambda, op != kDerivative);
                std::vector<double> bad = w;
                bad[nextRandom() % n] = nextRandom() & 1 ? -1.0 : NAN;
                std::vector<double> y(n);
                for (SimdPath path : pathsHere()) {
                    Digest& d = lineOf(kNames[op], info.name).digest[path];
                    d.add(runOn(op, path, penalty, y.data(), x.data(), &lambda, false, n, theta, gamma));
                    d.add(y.data(), n * 8);
                    d.add(runOn(op, path, penalty, y.data(), x.data(), w.data(), true, n, theta, gamma));
                    d.add(y.data(), n * 8);
                    d.add(runOn(op, path, penalty, y.data(), x.data(), bad.data(), true, n, theta, gamma));
                    digestClasses(op, path, penalty, info.name, x, w, true, theta, gamma);
                    if (lambda == 1.0)
                        digestClasses(op, path, penalty, info.name, x, w, false, theta, gamma);
                }
            }
}

void digestLogModulusWeights(std::size_t n)
{
    for (int round = 0; round < 40; ++round) {
        const std::vector<double> x = inputsAround(n, {1.0, 0x1p-1030, 1e300, 2.0, 0.5});
        const std::vector<double> im = inputsAround(n, {1.0, 0x1p-1030, 1e300, 1e-300});
        std::vector<double> y(n), w = weightsNear(n, 1.0, true);
        w[nextRandom() % n] = round % 3 == 0 ? -0.0 : round % 3 == 1 ? -1.0 : NAN;
        for (SimdPath path : pathsHere()) {
            std::vector<double> positive(x);
            for (double& v : positive)
                v = std::fabs(v);
            naturalLogOn(path, y.data(), positive.data(), static_cast<std::ptrdiff_t>(n));
            lineOf("naturalLog", "-").digest[path].add(y.data(), n * 8);
            naturalLogOn(path, y.data(), x.data(), static_cast<std::ptrdiff_t>(n));
            lineOf("naturalLog", "-").digest[path].add(y.data(), n * 8);
            modulusOn(path, y.data(), x.data(), im.data(), static_cast<std::ptrdiff_t>(n));
            lineOf("modulus", "-").digest[path].add(y.data(), n * 8);
            Digest& d = lineOf("weightCheck", "-").digest[path];
            for (bool infinite : {true, false})
                for (std::size_t len : {n, n / 2, std::size_t{3}})
                    d.add(firstInvalidWeightOn(path, w.data(), static_cast<std::ptrdiff_t>(len), infinite));
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t n = argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : 600;
    if (n < 8) {
        std::fprintf(stderr, "kernel_digest: at least 8 elements per case\n");
        return 2;
    }
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        digestShrinkAndSum(penalty, n);
        for (Op op : {kProx, kValue, kDerivative})
            digestElements(op, penalty, n);
    }
    digestLogModulusWeights(n * 10);
    const std::vector<SimdPath> paths = pathsHere();
    for (const Line& l : gLines)
        for (SimdPath path : paths)
            std::printf("%-20s %-12s %-7s %016llx\n", l.what, l.penalty, simdPathName(path),
                        static_cast<unsigned long long>(l.digest[path].h));
    return 0;
}
