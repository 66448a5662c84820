// Worked cases with their exact results, shared by the kernel tests and the
// MEX host that replays them through every built deliverable. Each result
// follows from the kernels' arithmetic step by step; the comments say which
// rule a row pins down.
#pragma once

#include <vector>

#include "penalty_type.h"

constexpr double kInf = __builtin_inf();
constexpr double kNaN = __builtin_nan("");

// (penalty, lambda, theta, x, expected) for one element.
struct ProxCase {
    PenaltyType type;
    double lambda, theta, x, expected;
};

inline const ProxCase kProxCases[] = {
    // capped-l1, lambda = 1, theta = 2: both candidates, the tie, signs of zero.
    {CappedL1, 1, 2, 0.5, 0.0}, {CappedL1, 1, 2, -0.5, -0.0}, {CappedL1, 1, 2, 1, 0.0},
    {CappedL1, 1, 2, 1.5, 0.5}, {CappedL1, 1, 2, 2, 1}, {CappedL1, 1, 2, 2.5, 1.5},
    {CappedL1, 1, 2, -2.5, -1.5}, {CappedL1, 1, 2, 3, 3}, {CappedL1, 1, 2, -3, -3},
    {CappedL1, 1, 2, -0.0, 0.0}, {CappedL1, 1, 2, 0.0, 0.0}, {CappedL1, 1, 2, kNaN, kNaN},
    // one ulp either side of the tie at a = 2.5 (D < 0 only above it)
    {CappedL1, 1, 2, 2.5000000000000004, 2.5000000000000004},
    {CappedL1, 1, 2, 2.4999999999999996, 1.4999999999999996},
    // +inf: the difference is NaN, so the inner candidate theta stays.
    {CappedL1, 1, 2, kInf, 2}, {CappedL1, 1, 2, -kInf, -2},
    {CappedL1, 0, 2, 1.5, 1.5}, {CappedL1, 0, 2, -3, -3}, {CappedL1, 1, 0, -4, -4},
    // theta = inf is plain soft thresholding
    {CappedL1, 1, kInf, 3, 2}, {CappedL1, 1, kInf, -0.25, -0.0},

    // log-sum, lambda = 1, theta = 1
    {LogSum, 1, 1, 3, 2.732050807568877}, {LogSum, 1, 1, -3, -2.732050807568877},
    {LogSum, 1, 1, 2, 1.618033988749895}, {LogSum, 1, 1, 1, 0.0}, {LogSum, 1, 1, -1, -0.0},
    // negative discriminant: +0 with no sign step, for negative x too
    {LogSum, 1, 1, 0.5, 0.0}, {LogSum, 1, 1, -0.5, 0.0}, {LogSum, 1, 1, 0.0, 0.0},
    {LogSum, 1, 1, -0.0, 0.0},
    // NaN element: every objective NaN, candidate 0 kept and negated by the
    // sign step. NaN lambda or theta: q is NaN, 0 wins on its finite objective.
    {LogSum, 1, 1, kNaN, -0.0}, {LogSum, kNaN, 1, 2, 0.0}, {LogSum, 1, kNaN, -2, -0.0},
    // lambda = 0: the larger root is a itself
    {LogSum, 0, 1, -1.25, -1.25},

    // SCAD, lambda = 1, theta = 4
    {Scad, 1, 4, 0.0, 0.0}, {Scad, 1, 4, -0.0, 0.0}, {Scad, 1, 4, -0.5, -0.0},
    {Scad, 1, 4, 1, 0.0}, {Scad, 1, 4, 1.5, 0.5}, {Scad, 1, 4, -1.5, -0.5},
    {Scad, 1, 4, 2, 1}, {Scad, 1, 4, 3, 2.5}, {Scad, 1, 4, 4, 4},
    {Scad, 1, 4, 4.00000001, 4}, {Scad, 1, 4, -4.00000001, -4},
    {Scad, 1, 4, 4.0000001, 4.0000001}, {Scad, 1, 4, 6, 6}, {Scad, 1, 4, -6, -6},
    {Scad, 1, 4, 1e300, 1e300}, {Scad, 1, 4, kInf, 1}, {Scad, 1, 4, -kInf, -1},
    {Scad, 1, 4, kNaN, kNaN},
    // theta = 2 divides by zero in the middle candidate: m is +-inf or NaN
    {Scad, 1, 2, 1.5, 0.5},

    // MCP convex, lambda = 1, theta = 3
    {Mcp, 1, 3, 0.5, 0.0}, {Mcp, 1, 3, -0.5, -0.0}, {Mcp, 1, 3, 1, 0.0},
    {Mcp, 1, 3, 2, 1.5}, {Mcp, 1, 3, -2, -1.5}, {Mcp, 1, 3, 3, 3}, {Mcp, 1, 3, 4, 4},
    {Mcp, 1, 3, 2.9999999, 2.99999985}, {Mcp, 1, 3, 2.99999999, 3},
    {Mcp, 1, 3, 0.0, 0.0}, {Mcp, 1, 3, -0.0, 0.0},
    {Mcp, 2, 2, 2.5, 1}, {Mcp, 2, 2, 4, 4}, {Mcp, 2, 2, -4, -4},
    // linear, lambda = 1, theta = 1
    {Mcp, 1, 1, 0.9, 0.0}, {Mcp, 1, 1, 0.9999999999999999, 0.0}, {Mcp, 1, 1, 1, 1},
    {Mcp, 1, 1, 1.5, 1.5}, {Mcp, 1, 1, -1, -1}, {Mcp, 1, 1, -0.0, 0.0},
    // concave, lambda = 1, theta = 0.5: threshold lambda*sqrt(theta)
    {Mcp, 1, 0.5, 0.3, 0.0}, {Mcp, 1, 0.5, 0.7, 0.0}, {Mcp, 1, 0.5, 0.75, 0.75},
    {Mcp, 1, 0.5, 0.8, 0.8}, {Mcp, 1, 0.5, -0.8, -0.8},
    {Mcp, 1, 0.5, 0.7071067811865475, 0.0},
    {Mcp, 1, 0.5, 0.7071067811865476, 0.7071067811865476},
    {Mcp, 2, 0.25, 1, 1}, {Mcp, 2, 0.25, 0.9999999999999999, 0.0}, {Mcp, 2, 0.25, -1, -1},
    // degenerate parameters: everything comes back as x, -0 as +0
    {Mcp, 0, 3, -2.5, -2.5}, {Mcp, 0, 0.5, -0.0, 0.0}, {Mcp, 0, 1, 0.25, 0.25},
    {Mcp, 1, 0, -3, -3}, {Mcp, 1, kNaN, 0.5, 0.5}, {Mcp, kNaN, 3, -0.0, 0.0},
    {Mcp, 1, 3, kInf, kInf}, {Mcp, 1, 3, -kInf, -kInf}, {Mcp, 1, 0.5, kNaN, kNaN},
};

// (penalty, lambda, theta, elements, expected sum).
struct SumCase {
    PenaltyType type;
    double lambda, theta;
    std::vector<double> x;
    double expected;
};

inline const double kLn2 = 0.6931471805599453;

inline const SumCase kSumCases[] = {
    // The element equal to theta contributes theta; a NaN contributes theta.
    {CappedL1, 2, 1, {0.5, -1, 3}, 5},
    {CappedL1, 2, 1, {kNaN, -0.5}, 3},
    {CappedL1, 1, kInf, {-2, 0.25}, 2.25},
    // A zero contributes exactly 0; signs do not matter.
    {LogSum, 3, 2, {0, -2}, 3 * kLn2},
    {LogSum, 3, 2, {-0.0, 2}, 3 * kLn2},
    {LogSum, 1, 2, {kNaN, 1}, kNaN},
    {LogSum, 1, 0, {0}, kNaN},          // 0/0
    {LogSum, 1, 0, {3}, kInf},
    {LogSum, 1, -1, {1}, -kInf},        // log(0)
    // a = lambda: first region; a = lambda*theta: middle region (exactly c).
    {Scad, 1, 3, {1, -2, 3, 4}, 6.75},
    {Scad, 1, 3, {-3}, 2},
    {Scad, 1, 3, {kNaN, 1}, kNaN},
    // theta <= 1: nothing reaches the division by theta - 1.
    {Scad, 2, 1, {1, 3}, 6},
    {Scad, 2, 0.5, {1.5, -2.5}, 6},
    // A negative lambda sends every element to the flat region.
    {Scad, -1, 3, {0, 5}, 4},
    // a = lambda*theta: the curved piece; NaN takes the flat one.
    {Mcp, 1, 2, {1, -2, 3}, 2.75},
    {Mcp, 1, 2, {kNaN}, 1},
    {Mcp, 1, 0, {0}, kNaN},             // (0*0.5)/0
    {Mcp, 2, 0.5, {0.5, 1, 7}, 0.75 + 1 + 1},
};

// penaltyProx: (penalty, lambda, theta, gamma, x, expected) for one element.
// Each row pins a regime, a threshold or a convention of the step-size map;
// the comments give the exact rule the row sits on.
struct ProxStepCase {
    const char* penalty;
    double lambda, theta, gamma, x, expected;
};

inline const ProxStepCase kProxStepCases[] = {
    // l1: soft thresholding at gamma*lambda; a tie at the threshold gives 0.
    {"l1", 1, 0, 0.5, 2, 1.5}, {"l1", 1, 0, 0.5, -0.5, -0.0}, {"l1", 1, 0, 0.5, 0.5, 0.0},
    {"l1", 1, 0, 0.5, -0.0, 0.0}, {"l1", 1e300, 0, 1e10, -1e300, -0.0},
    // l0: x survives only when x^2 > 2*gamma*lambda (threshold 2 here, then 1), decided exactly.
    {"l0", 2, 0, 1, 2, 0.0}, {"l0", 2, 0, 1, 2.0000000000000004, 2.0000000000000004},
    {"l0", 2, 0, 1, 1.9999999999999998, 0.0}, {"l0", 2, 0, 1, -3, -3}, {"l0", 2, 0, 1, -1, -0.0},
    {"l0", 1, 0, 0.5, 0.75, 0.0}, {"l0", 1, 0, 0.5, 1, 0.0},
    {"l0", 1, 0, 0.5, -1.0000000000000002, -1.0000000000000002},
    // capped-l1 with theta < gamma*lambda/2: a jump from 0 to x at sqrt(8).
    {"capped-l1", 1, 1, 4, 3, 3}, {"capped-l1", 1, 1, 4, 2.5, 0.0},
    {"capped-l1", 1, 1, 4, 2.8284271247461898, 0.0},
    {"capped-l1", 1, 1, 4, 2.8284271247461903, 2.8284271247461903},
    // continuous regime; at x = 2.25 both candidates tie and the inner one is kept.
    {"capped-l1", 1, 2, 0.5, 1, 0.5}, {"capped-l1", 1, 2, 0.5, 2.25, 1.75}, {"capped-l1", 1, 2, 0.5, -3, -3},
    // log-sum, nonconvex (gamma*lambda > theta^2): 0 until the jump; convex below
    // (1 + sqrt(14)/2 = 2.87082869338697069 rounds up; penaltyShrink's steps give ...704).
    {"log-sum", 1, 0.5, 1, 1.5, 0.0}, {"log-sum", 1, 0.5, 1, -2, -1.5},
    {"log-sum", 2, 1, 0.25, 0.6, 0.1741657386773941}, {"log-sum", 2, 1, 0.25, 3, 2.8708286933869709},
    // SCAD with a step beyond theta - 1 (its middle piece concave): x itself at 20.1,
    // and a jump from x - gamma*lambda to x at (gamma*c + gamma^2*lambda^2/2)/(gamma*lambda) = 3.85.
    {"scad", 1, 3.7, 3, 20.1, 20.1}, {"scad", 1, 3.7, 3, 3.8499999999999996, 0.84999999999999964},
    {"scad", 1, 3.7, 3, 3.8500000000000005, 3.8500000000000005}, {"scad", 1, 3.7, 3, -4, -4},
    // SCAD with a small step: the middle piece's stationary point.
    {"scad", 1, 3.7, 0.5, 2, 1.6136363636363635}, {"scad", 1, 3.7, 0.5, 1, 0.5},
    // MCP concave (theta < gamma): threshold lambda*sqrt(gamma*theta) = 1, not gamma*lambda = 2;
    // a tie at 1 takes the outer candidate.
    {"mcp", 1, 0.5, 2, 1, 1}, {"mcp", 1, 0.5, 2, 0.9999999999999999, 0.0}, {"mcp", 1, 0.5, 2, -1.5, -1.5},
    // MCP convex and linear (theta = gamma).
    {"mcp", 1, 3, 0.5, 1, 0.59999999999999998}, {"mcp", 1, 3, 0.5, -2, -1.8},
    {"mcp", 2, 1, 1, 1.9999999999999998, 0.0}, {"mcp", 2, 1, 1, 2, 2},
    // Conventions of every penalty: +-inf and NaN come back as they are, and so
    // does every element of zero weight (-0 included).
    {"scad", 1, 3.7, 1, __builtin_inf(), __builtin_inf()}, {"mcp", 1, 3, 2, -__builtin_inf(), -__builtin_inf()},
    {"log-sum", 1, 1, 1, kNaN, kNaN}, {"l0", 1, 0, 1, kNaN, kNaN},
    {"log-sum", 0, 1, 1, -1.25, -1.25}, {"capped-l1", 0, 2, 3, -0.0, -0.0},
    // Overflow: the unit-step log-sum steps give 0 above about 1.3e154; the map is about x.
    {"log-sum", 1, 1, 1, 1e300, 1e300}, {"log-sum", 1, 1, 1, -1.7976931348623157e308, -1.7976931348623157e308},
    {"mcp", 1, 3, 2, 1.7976931348623157e308, 1.7976931348623157e308},
    {"scad", 1, 3.7, 0.5, -1e300, -1e300}, {"capped-l1", 1, 2, 1, 1e300, 1e300},
    // The power penalties: -0 gives +0; far below the threshold 0; the
    // elastic net's (3 - 1)/2 and ridge's 3/2.
    {"l1/2", 1, 0, 1, -0.0, 0.0}, {"l2/3", 1, 0, 1, 0.0, 0.0}, {"l1/2", 1, 0, 1, -kInf, -kInf},
    {"l2/3", 1, 0, 1, kNaN, kNaN}, {"l1/2", 0, 0, 1, 0.3, 0.3}, {"l2/3", 0, 0, 1, -7, -7},
    {"l1/2", 1e300, 0, 1e150, 1e300, 0.0}, {"l2/3", 1e-300, 0, 1, 4.9e-324, 0.0},
    {"elastic-net", 1, 0.5, 2, -3, -1}, {"elastic-net", 2, 0, 0.5, 3, 1.5},
};

// penaltyValue ('v') and penaltyDerivative ('d'): (penalty, what, lambda,
// theta, x, expected) for one element: the limits at +-inf, the right
// derivatives at 0 and at capped-l1's jump, NaN, and zero weights.
struct ElementCase {
    const char* penalty;
    char what;
    double lambda, theta, x, expected;
};

inline const ElementCase kElementCases[] = {
    {"l1", 'v', 2, 0, -1.5, 3}, {"l1", 'v', 2, 0, -kInf, kInf}, {"l1", 'd', 2, 0, 0.0, 2},
    {"l1", 'd', 2, 0, -kInf, 2},
    {"l0", 'v', 2, 0, -0.0, 0.0}, {"l0", 'v', 2, 0, 4.9e-324, 2}, {"l0", 'v', 2, 0, kInf, 2},
    {"l0", 'd', 2, 0, 0.0, kInf}, {"l0", 'd', 2, 0, -0.0, kInf}, {"l0", 'd', 2, 0, -3, 0.0}, {"l0", 'd', 0, 0, 0.0, 0.0},
    // capped-l1: the derivative jumps at theta; the right derivative is 0.
    {"capped-l1", 'v', 2, 1, -0.5, 1}, {"capped-l1", 'v', 2, 1, kInf, 2}, {"capped-l1", 'd', 2, 1, 0.0, 2},
    {"capped-l1", 'd', 2, 1, 0.9999999999999999, 2}, {"capped-l1", 'd', 2, 1, -1, 0.0},
    {"capped-l1", 'd', 2, 0, 0.0, 0.0},
    // log-sum: lambda/theta at 0; the value is inf at +-inf, the derivative 0.
    {"log-sum", 'v', 3, 2, -2, 3 * kLn2}, {"log-sum", 'v', 3, 2, -kInf, kInf}, {"log-sum", 'd', 3, 2, 0.0, 1.5},
    {"log-sum", 'd', 3, 2, 4, 0.5}, {"log-sum", 'd', 3, 2, kInf, 0.0},
    // SCAD (lambda 1, theta 3): lambda up to lambda, then (3 - a)/2, then 0.
    {"scad", 'v', 1, 3, 1, 1}, {"scad", 'v', 1, 3, -2, 1.75}, {"scad", 'v', 1, 3, 3, 2}, {"scad", 'v', 1, 3, kInf, 2},
    {"scad", 'd', 1, 3, 0.0, 1}, {"scad", 'd', 1, 3, 1, 1}, {"scad", 'd', 1, 3, -2, 0.5}, {"scad", 'd', 1, 3, 3, 0.0},
    {"scad", 'd', 1, 3, -kInf, 0.0},
    // MCP (lambda 1, theta 2): lambda - a/theta up to the knee 2, then 0.
    {"mcp", 'v', 1, 2, -1, 0.75}, {"mcp", 'v', 1, 2, 2, 1}, {"mcp", 'v', 1, 2, 7, 1}, {"mcp", 'd', 1, 2, 0.0, 1},
    {"mcp", 'd', 1, 2, 1, 0.5}, {"mcp", 'd', 1, 2, -2, 0.0}, {"mcp", 'd', 1, 2, kInf, 0.0},
    // NaN gives NaN, whatever the penalty would make of it; a zero weight 0.
    {"capped-l1", 'v', 2, 1, kNaN, kNaN}, {"mcp", 'v', 1, 2, kNaN, kNaN}, {"l0", 'd', 1, 0, kNaN, kNaN},
    {"log-sum", 'v', 0, 2, kInf, 0.0}, {"scad", 'd', 0, 3, -1, 0.0}, {"l0", 'v', 0, 0, 5, 0.0},
    // The power penalties at 0 and -inf; their powers that are doubles, exact.
    {"l1/2", 'v', 2, 0, 0.0, 0.0}, {"l1/2", 'v', 2, 0, -kInf, kInf}, {"l1/2", 'd', 2, 0, 0.0, kInf},
    {"l1/2", 'd', 2, 0, -kInf, 0.0}, {"l2/3", 'v', 2, 0, 0.0, 0.0}, {"l2/3", 'v', 2, 0, -kInf, kInf},
    {"l2/3", 'd', 2, 0, 0.0, kInf}, {"l2/3", 'd', 2, 0, -kInf, 0.0},
    {"elastic-net", 'v', 2, 0.25, 0.0, 0.0}, {"elastic-net", 'v', 2, 0.25, -kInf, kInf},
    {"elastic-net", 'd', 2, 0.25, 0.0, 0.5}, {"elastic-net", 'd', 2, 0.25, -kInf, kInf},
    {"elastic-net", 'v', 2, 1, 0.0, 0.0}, {"elastic-net", 'v', 2, 1, -kInf, kInf},
    {"elastic-net", 'd', 2, 1, 0.0, 2}, {"elastic-net", 'd', 2, 1, -kInf, 2},
    {"l2/3", 'v', 1, 0, 64, 16}, {"l2/3", 'v', 1, 0, 0x1p-300, 0x1p-200}, {"l2/3", 'v', 1, 0, 0x1p600, 0x1p400},
    {"l1/2", 'v', 1, 0, 64, 8}, {"l1/2", 'v', 1, 0, 0x1p-300, 0x1p-150}, {"l1/2", 'v', 1, 0, 0x1p600, 0x1p300},
};
