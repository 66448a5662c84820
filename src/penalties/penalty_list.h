// The one list of penalties. The kernel tables of every instruction set,
// the dispatch, the tests and the benchmarks all walk it: a penalty's
// arithmetic is its own header (templates on the lane type), and its entry
// in Penalties and its row of costs below put it in all of them.
//
// A penalty is a struct of constants and static member templates on the
// lane type L, used as a namespace that templates can take:
//   kCode, kName, kTheta, kGamma its code (0 if it has none), its name and
//                                where its theta and penaltyProx's gamma may lie
//   kTypicalTheta                a theta inside kTheta for examples, tests and
//                                benchmarks (0 where the penalty takes none)
//   kDefaultTheta (optional)     the theta penaltyFit takes when a call gives
//                                none; without it a fit must be given one
//   kOperations                  the operations it provides, and for each:
//   shrink<L>(x, lambda, theta)  penaltyShrink's map of one element
//   sumTerm<L>(x, lambda, theta) penaltySum's term of one element, and
//   kLambdaScalesSum             whether lambda multiplies the finished sum
//   prox<L>(x, lambda, call)     penaltyProx's map of one element, with theta,
//                                gamma and the window in call (ProxCall), and
//   kNumbersInWindow             whether theta and gamma narrow the window
//   value<L>(x, lambda, theta)   penaltyValue's p(x) of one element
//   derivative<L>(x, lambda, theta)  penaltyDerivative's p'(|x|), right-sided
// and, for an operation whose arithmetic depends on a regime fixed per call,
//   kShrinkRegimes, shrinkRegime<L>(lambda, theta), shrink<L, Regime>
//   kProxRegimes, proxRegime<L>(theta, gamma), prox<L, Regime>.
// Every function is a template on L, so that a vector instruction set's file
// compiles only its own instances and nothing it shares with another file.
#pragma once

#include "capped_l1.h"
#include "cost_class.h"
#include "elastic_net.h"
#include "l0.h"
#include "l1.h"
#include "l_half.h"
#include "l_two_thirds.h"
#include "log_sum.h"
#include "mcp.h"
#include "scad.h"

template <class... P>
struct PenaltyList {
    static constexpr int kCount = sizeof...(P);
};

using Penalties = PenaltyList<L1Penalty, L0Penalty, CappedL1Penalty, LogSumPenalty, ScadPenalty, McpPenalty,
                              LHalfPenalty, LTwoThirdsPenalty, ElasticNetPenalty>;

// What one element of each operation costs, per penalty (cost_class.h):
// from the vector kernels' times on one core, so that a cheap map at
// moderate n stays on the calling thread.
template <class P>
inline constexpr OperationCosts kCostOf = {};
template <>
inline constexpr OperationCosts kCostOf<L1Penalty> = {MemoryCost, MemoryCost, LightCost, MemoryCost, MemoryCost};
template <>
inline constexpr OperationCosts kCostOf<L0Penalty> = {MemoryCost, MemoryCost, LightCost, MemoryCost, MemoryCost};
template <>
inline constexpr OperationCosts kCostOf<CappedL1Penalty> = {MemoryCost, MemoryCost, LightCost, MemoryCost, MemoryCost};
template <>
inline constexpr OperationCosts kCostOf<LogSumPenalty> = {DearCost, DearCost, DearCost, DearCost, MemoryCost};
template <>
inline constexpr OperationCosts kCostOf<ScadPenalty> = {LightCost, LightCost, LightCost, MemoryCost, MemoryCost};
template <>
inline constexpr OperationCosts kCostOf<McpPenalty> = {LightCost, MemoryCost, LightCost, MemoryCost, MemoryCost};
template <>
inline constexpr OperationCosts kCostOf<LHalfPenalty> = {MemoryCost, MemoryCost, DearestCost, LightCost, LightCost};
template <>
inline constexpr OperationCosts kCostOf<LTwoThirdsPenalty> = {MemoryCost, MemoryCost, DearestCost, DearestCost,
                                                               DearestCost};
template <>
inline constexpr OperationCosts kCostOf<ElasticNetPenalty> = {MemoryCost, MemoryCost, LightCost, MemoryCost,
                                                               MemoryCost};

// What the list holds, for code that works at run time (dispatch by code,
// tests and benchmarks that loop over penalties).
struct PenaltyInfo {
    PenaltyType code; // NoCode for a penalty known only by name
    const char* name;
    unsigned operations;
    ThetaRange theta;
    double typicalTheta;
    GammaRange gamma;
    OperationCosts cost;
    double defaultTheta; // NaN where a fit must be given theta
};

// Whether the gateways accept theta for a penalty of this range (a penalty
// without theta takes 0 here).
constexpr bool thetaAccepted(const ThetaRange& range, double theta)
{
    if (!range.taken)
        return theta == 0;
    return (range.lowerIncluded ? theta >= range.lower : theta > range.lower) && theta <= range.upper;
}

template <class P>
constexpr double defaultThetaOf()
{
    if constexpr (requires { P::kDefaultTheta; })
        return P::kDefaultTheta;
    else
        return __builtin_nan("");
}

template <class List>
struct PenaltyInfoTable;
template <class... P>
struct PenaltyInfoTable<PenaltyList<P...>> {
    static_assert((thetaAccepted(P::kTheta, P::kTypicalTheta) && ...), "a typical theta outside its range");
    static_assert(((defaultThetaOf<P>() != defaultThetaOf<P>() || thetaAccepted(P::kTheta, defaultThetaOf<P>())) && ...),
                  "a default theta outside its range");
    static constexpr PenaltyInfo entry[] = {
        {P::kCode, P::kName, P::kOperations, P::kTheta, P::kTypicalTheta, P::kGamma, kCostOf<P>, defaultThetaOf<P>()}...};
};

inline constexpr int kPenaltyCount = Penalties::kCount;
inline constexpr const PenaltyInfo* kPenaltyInfo = PenaltyInfoTable<Penalties>::entry;
