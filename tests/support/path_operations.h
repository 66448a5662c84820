// A penalty's five operations by number on a chosen path, for the tests
// and fuzzers that hold every path of the list, every thread count and a
// shared pool to the scalar reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dispatch.h"
#include "penalty_list.h"

enum { ShrinkOf, SumOf, ProxOf, ValueOf, DerivativeOf, kOperationCount };
inline constexpr unsigned kOperationBit[] = {ShrinkOperation, SumOperation, ProxOperation, ValueOperation,
                                             DerivativeOperation};
inline constexpr const char* kOperationName[] = {"shrink", "sum", "prox", "value", "derivative"};

// The path the dispatch chooses itself, as a caller of the library gets it.
inline constexpr int kChosenPath = -1;

// dst from x[0 .. n-1] on a path of the list or the chosen one:
// penaltyShrink and penaltySum take weights[0] as lambda (and n as their
// 32-bit count), the sum written to dst[0].
inline void runOperation(int operation, int path, int penalty, double* dst, const double* x, std::ptrdiff_t n,
                         const double* weights, bool perElement, double theta, double gamma)
{
    const PenaltyType code = kPenaltyInfo[penalty].code;
    const std::int32_t count = static_cast<std::int32_t>(n);
    const bool chosen = path == kChosenPath;
    const SimdPath on = chosen ? ScalarPath : static_cast<SimdPath>(path);
    switch (operation) {
    case ShrinkOf:
        chosen ? shrinkByPenalty(code, dst, x, count, weights[0], theta)
               : shrinkByPenaltyOn(on, code, dst, x, count, weights[0], theta);
        break;
    case SumOf:
        chosen ? sumByPenalty(code, dst, x, count, weights[0], theta)
               : sumByPenaltyOn(on, code, dst, x, count, weights[0], theta);
        break;
    case ProxOf:
        chosen ? proxByPenalty(penalty, dst, x, weights, perElement, n, theta, gamma)
               : proxByPenaltyOn(on, penalty, dst, x, weights, perElement, n, theta, gamma);
        break;
    case ValueOf:
        chosen ? valueByPenalty(penalty, dst, x, weights, perElement, n, theta)
               : valueByPenaltyOn(on, penalty, dst, x, weights, perElement, n, theta);
        break;
    default:
        chosen ? derivativeByPenalty(penalty, dst, x, weights, perElement, n, theta)
               : derivativeByPenaltyOn(on, penalty, dst, x, weights, perElement, n, theta);
    }
}

using PenaltyResults = std::vector<std::vector<double>>; // [penalty]: its results one after another

// Every operation of every penalty over the same elements, for the tests
// that hold a spread over threads or a shared pool to the bits of one
// thread on the scalar path: each penalty at its typical theta,
// penaltyShrink and penaltySum with lambda 1.25, the others with the
// per-element weights (and, if asked, the scalar weight weights[1]) and
// the step 0.5.
inline PenaltyResults runAll(int path, const std::vector<double>& x, const std::vector<double>& weights,
                             bool scalarWeightToo)
{
    const auto n = static_cast<std::ptrdiff_t>(x.size());
    const double lambda = 1.25;
    PenaltyResults out(kPenaltyCount);
    std::vector<double> y(x.size());
    for (int p = 0; p < kPenaltyCount; ++p)
        for (int op = 0; op < kOperationCount; ++op)
            for (int form = 0; form < (op < ProxOf ? 1 : scalarWeightToo ? 2 : 1); ++form) {
                if (!(kPenaltyInfo[p].operations & kOperationBit[op]))
                    continue;
                const double* w = op < ProxOf ? &lambda : form == 0 ? weights.data() : &weights[1];
                runOperation(op, path, p, y.data(), x.data(), n, w, form == 0, kPenaltyInfo[p].typicalTheta, 0.5);
                out[p].insert(out[p].end(), y.begin(), y.begin() + (op == SumOf ? 1 : n));
            }
    return out;
}

// The penalty whose results differ from the reference's in any bit, or -1.
inline int firstDifferingPenalty(const PenaltyResults& got, const PenaltyResults& reference)
{
    for (int p = 0; p < kPenaltyCount; ++p)
        if (got[p].size() != reference[p].size()
            || std::memcmp(got[p].data(), reference[p].data(), 8 * got[p].size()) != 0)
            return p;
    return -1;
}

// The paths of the list this CPU runs (from the first vector path on, if
// asked); each path it lacks is reported as skipped.
inline std::vector<SimdPath> pathsHere(bool vectorOnly = false)
{
    std::vector<SimdPath> paths;
    for (int p = vectorOnly ? ScalarPath + 1 : ScalarPath; p < kSimdPathCount; ++p) {
        if (simdPathSupported(static_cast<SimdPath>(p)))
            paths.push_back(static_cast<SimdPath>(p));
        else
            std::printf("%s: not supported by this CPU, skipped\n", kSimdPaths[p].name);
    }
    return paths;
}
