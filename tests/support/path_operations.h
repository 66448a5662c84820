// A penalty's five operations by number on a chosen path, for the tests
// and fuzzers that hold every path of the list to the scalar reference.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dispatch.h"
#include "penalty_list.h"

enum { ShrinkOf, SumOf, ProxOf, ValueOf, DerivativeOf, kOperationCount };
inline constexpr unsigned kOperationBit[] = {ShrinkOperation, SumOperation, ProxOperation, ValueOperation,
                                             DerivativeOperation};
inline constexpr const char* kOperationName[] = {"shrink", "sum", "prox", "value", "derivative"};

// dst from x[0 .. n-1]: penaltyShrink and penaltySum take weights[0] as
// lambda (and n as their 32-bit count), the sum written to dst[0].
inline void runOperation(int operation, SimdPath path, int penalty, double* dst, const double* x, std::ptrdiff_t n,
                         const double* weights, bool perElement, double theta, double gamma)
{
    const PenaltyType code = kPenaltyInfo[penalty].code;
    const std::int32_t count = static_cast<std::int32_t>(n);
    switch (operation) {
    case ShrinkOf: shrinkByPenaltyOn(path, code, dst, x, count, weights[0], theta); break;
    case SumOf: sumByPenaltyOn(path, code, dst, x, count, weights[0], theta); break;
    case ProxOf: proxByPenaltyOn(path, penalty, dst, x, weights, perElement, n, theta, gamma); break;
    case ValueOf: valueByPenaltyOn(path, penalty, dst, x, weights, perElement, n, theta); break;
    default: derivativeByPenaltyOn(path, penalty, dst, x, weights, perElement, n, theta);
    }
}
