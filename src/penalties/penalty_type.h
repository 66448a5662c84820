// What every penalty declares about itself: its code, the operations it
// provides and the range of its shape parameter.
#pragma once

#include <cstdint>

// Truncated fifth argument of penaltyShrink and penaltySum. The underlying
// type is fixed, so every 32-bit value is a valid PenaltyType; the
// dispatchers send each value that names no other penalty (0, negatives,
// 5 and up) to CappedL1. Penalties that are known only by name have code 0.
enum PenaltyType : std::int32_t {
    NoCode = 0,
    CappedL1 = 1,
    LogSum = 2,
    Scad = 3,
    Mcp = 4,
};

// The operations a penalty provides, as bits of its kOperations.
enum PenaltyOperation : unsigned {
    ShrinkOperation = 1, // penaltyShrink: the map with a unit step
    SumOperation = 2,    // penaltySum: the penalty summed over a vector
    ProxOperation = 4,   // penaltyProx: the map with a step size and weights
    ValueOperation = 8,  // penaltyValue: the penalty of each element
    DerivativeOperation = 16, // penaltyDerivative: its derivative in |x|
};

// Where theta must lie for the penalty's definition to hold and for every
// result to be right (the minimiser, the value): theta > lower (or >= lower
// where lowerIncluded) and theta <= upper, finite. A penalty that has no
// theta has taken = false. The gateways refuse anything else, and the help
// and the tests read the same numbers.

struct ThetaRange {
    bool taken;
    double lower;
    bool lowerIncluded;
    double upper;
};

inline constexpr ThetaRange kNoTheta = {false, 0, false, 0};

// Where penaltyProx's step size gamma must lie besides being finite and
// > 0: lower <= gamma <= upper. Every lambda >= 0, scalar or per element,
// is solved right by every penalty.
struct GammaRange {
    double lower, upper;
};

inline constexpr GammaRange kAnyGamma = {0, __builtin_inf()};

// SCAD's and MCP's penaltyProx scale the element's lengths into a window
// narrowed by the exponents of theta and gamma (their objectives multiply
// squared lengths by both); within 1e-150 .. 1e150 each, every element and
// every lambda is solved right. Beyond, their objectives overflow or
// underflow, and such parameters are refused.
inline constexpr double kScaleNumberLower = 1e-150, kScaleNumberUpper = 1e150;
