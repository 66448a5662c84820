// Element-wise proximal maps of the four penalties. Each writes dst[i] for
// i = 0 .. n-1 from src[i], lambda and theta alone; n <= 0 touches nothing.
// dst and src never overlap.
#pragma once

#include <cstdint>

void proxCappedL1(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void proxLogSum(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void proxScad(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void proxMcp(double* dst, const double* src, std::int32_t n, double lambda, double theta);
