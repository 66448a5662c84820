// Every operation of every penalty over the same elements, for the tests
// that hold a spread over threads or a shared pool to the bits of one
// thread on the scalar path. Each penalty runs at its typical theta, with
// lambda 1.25 for penaltyShrink and penaltySum, per-element weights (and,
// if asked, the scalar weight weights[1]) and the step 0.5 for the others.
#pragma once

#include <cstring>
#include <vector>

#include "dispatch.h"
#include "penalty_list.h"

// The path the dispatch chooses itself, as a caller of the library gets it.
inline constexpr int kChosenPath = -1;

using PenaltyResults = std::vector<std::vector<double>>; // [penalty]: its results one after another

inline PenaltyResults runAll(int path, const std::vector<double>& x, const std::vector<double>& weights,
                             bool scalarWeightToo)
{
    const auto n = static_cast<std::ptrdiff_t>(x.size());
    const bool chosen = path == kChosenPath;
    const SimdPath on = chosen ? ScalarPath : static_cast<SimdPath>(path);
    PenaltyResults out(kPenaltyCount);
    std::vector<double> y(x.size());
    for (int p = 0; p < kPenaltyCount; ++p) {
        const PenaltyInfo& info = kPenaltyInfo[p];
        const double theta = info.typicalTheta;
        auto keep = [&] { out[p].insert(out[p].end(), y.begin(), y.end()); };
        if (info.operations & ShrinkOperation) {
            const auto count = static_cast<std::int32_t>(n);
            double sum = 0;
            chosen ? shrinkByPenalty(info.code, y.data(), x.data(), count, 1.25, theta)
                   : shrinkByPenaltyOn(on, info.code, y.data(), x.data(), count, 1.25, theta);
            keep();
            chosen ? sumByPenalty(info.code, &sum, x.data(), count, 1.25, theta)
                   : sumByPenaltyOn(on, info.code, &sum, x.data(), count, 1.25, theta);
            out[p].push_back(sum);
        }
        for (bool perElement : {true, false}) {
            if (!perElement && !scalarWeightToo)
                break;
            const double* lambda = perElement ? weights.data() : &weights[1];
            chosen ? proxByPenalty(p, y.data(), x.data(), lambda, perElement, n, theta, 0.5)
                   : proxByPenaltyOn(on, p, y.data(), x.data(), lambda, perElement, n, theta, 0.5);
            keep();
            chosen ? valueByPenalty(p, y.data(), x.data(), lambda, perElement, n, theta)
                   : valueByPenaltyOn(on, p, y.data(), x.data(), lambda, perElement, n, theta);
            keep();
            chosen ? derivativeByPenalty(p, y.data(), x.data(), lambda, perElement, n, theta)
                   : derivativeByPenaltyOn(on, p, y.data(), x.data(), lambda, perElement, n, theta);
            keep();
        }
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
