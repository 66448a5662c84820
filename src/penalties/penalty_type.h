// Penalty selection shared by both MEX functions.
#pragma once

#include <cstdint>

// Truncated fifth argument of both functions. The underlying type is fixed,
// so every 32-bit value is a valid PenaltyType; the dispatchers send each
// value that names no other penalty (0, negatives, 5 and up) to CappedL1.
enum PenaltyType : std::int32_t {
    CappedL1 = 1,
    LogSum = 2,
    Scad = 3,
    Mcp = 4,
};
