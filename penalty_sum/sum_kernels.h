// The four penalties summed over src[0 .. n-1]. Each writes *dst exactly
// once, after its loop; n <= 0 reads nothing and stores the empty sum's value.
#pragma once

#include <cstdint>

void sumCappedL1(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void sumLogSum(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void sumScad(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void sumMcp(double* dst, const double* src, std::int32_t n, double lambda, double theta);
