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

// Where theta must lie for the penalty's definition to hold: theta > lower
// (or >= lower where lowerIncluded) and theta <= upper. A penalty that has
// no theta has taken = false.
struct ThetaRange {
    bool taken;
    double lower;
    bool lowerIncluded;
    double upper;
};

inline constexpr ThetaRange kNoTheta = {false, 0, false, 0};
