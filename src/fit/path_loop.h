// The walk along a regularization path that every loss shares: the
// lambdas, largest first, each fit warm-started from the last, the strong
// rule before it, the DFmax stop and the record of each fit. What a fit
// is (its columns, state, solver and record) is the caller's.
#pragma once

#include <bit>
#include <cstdint>

#include "fit_path.h"
#include "scalar_prox.h"

// The caller's lambdas, else the grid from top down.
inline void pathLambdas(const FitSettings& s, double top, double* lambdas)
{
    if (s.lambda) {
        for (std::int64_t k = 0; k < s.lambdaCount; ++k)
            lambdas[k] = s.lambda[k];
    } else {
        lambdaGrid(top, s.gridRatio, s.gridCount, lambdas);
    }
}

// The smallest lambda (a double) at which a coordinate's step from 0, its
// gradient giving z, stays at 0, above `below` where that does not hold it:
// found on the bit patterns of the positive doubles, between a lambda where
// the map moves and one where it does not (every penalty's map is 0 on a
// wider set of z as lambda grows). 0 for z = 0 (or NaN), which no lambda
// moves; inf where no finite lambda holds it at 0.
template <class P>
double smallestZeroLambda(double z, const ScalarProx<P>& prox, double below)
{
    const double a = z < 0 ? -z : z;
    if (!(a > 0))
        return 0;
    double hi = below > 0 ? below * 2 : a;
    while (proxScalar<P>(z, hi, prox) != 0) {
        if (hi > 0x1p1000)
            return __builtin_inf();
        hi *= 2;
    }
    std::uint64_t lo = std::bit_cast<std::uint64_t>(below), up = std::bit_cast<std::uint64_t>(hi);
    while (up - lo > 1) {
        const std::uint64_t mid = lo + (up - lo) / 2;
        if (proxScalar<P>(z, std::bit_cast<double>(mid), prox) == 0)
            up = mid;
        else
            lo = mid;
    }
    return std::bit_cast<double>(up);
}

// The strong rule, in the form that holds for every penalty: coefficient
// j (eligible, outside the working set) joins it where moves(j, at) says
// its exact step from 0 at the last fit moves at at = 2*lambda - previous
// (for l1, |g_j| > f_j*(2*lambda - previous)). The working list is formed
// again (listWorkingSet of the caller's columns and state) where any did.
template <class Columns, class State, class Moves>
void screenStrongRule(const Columns& c, State& st, double at, Moves moves)
{
    bool grew = false;
    for (std::int64_t j = 0; j < c.p; ++j) {
        if (!c.eligible[j] || st.working[j] || !moves(j, at))
            continue;
        st.working[j] = true;
        grew = true;
    }
    if (grew)
        listWorkingSet(c, st);
}

// The other half of screening: each penalised coefficient at 0 in the
// working set that the strong rule at `at` no longer takes (moves(j, at)
// false) leaves it, and left(j) is told of it; the working list is formed
// again where any did. The full check covers it from then on, as every
// coefficient outside, so a set that only grew would cost every sweep a
// pass over columns the path has passed by.
template <class Columns, class State, class Moves, class Left>
void shedWorkingSet(const Columns& c, State& st, double at, Moves moves, Left left)
{
    bool shrank = false;
    for (std::int64_t k = 0; k < st.workingCount; ++k) {
        const std::int64_t j = st.workingList[k];
        if (c.factor[j] == 0 || st.beta[j] != 0 || moves(j, at))
            continue;
        st.working[j] = false;
        left(j);
        shrank = true;
    }
    if (shrank)
        listWorkingSet(c, st);
}

// Fits lambdas[0..count) in order: screen(at) with the strong rule's
// lambda (previous: the last fitted lambda, at first the larger of top and
// lambdas[0]); solve(lambda, &passes) fits it from the last fit, counting
// its passes from 0, and says whether it converged; record(lambda, k)
// writes fit k into out. A fit with more nonzeros than dfMax ends the
// path and is not kept (its slot is reused by nothing). After each kept
// fit stop(k) may end the path; returns whether it did.
template <class Screen, class Solve, class Record, class Stop>
bool walkPath(const double* lambdas, std::int64_t count, double top, double dfMax, FitOutput* out, Screen screen,
              Solve solve, Record record, Stop stop)
{
    double previous = top > lambdas[0] ? top : lambdas[0];
    for (std::int64_t k = 0; k < count; ++k) {
        const double lambda = lambdas[k];
        screen(lambda + (lambda - previous));
        std::int64_t passes = 0;
        const bool converged = solve(lambda, &passes);
        record(lambda, k);
        if (out->df[k] > dfMax)
            break;
        out->passes[k] = static_cast<double>(passes);
        out->converged[k] = converged ? 1.0 : 0.0;
        out->fits = k + 1;
        previous = lambda;
        if (stop(k))
            return true;
    }
    return false;
}
