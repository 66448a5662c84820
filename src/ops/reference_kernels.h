// The scalar reference kernels under their own names, with the signature the
// gateways' contract states: (destination, source, 32-bit count, lambda,
// theta). Each is the penalty's arithmetic on one lane; every vector path
// is held to these, bit for bit.
#pragma once

#include <cstdint>

void proxCappedL1(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void proxLogSum(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void proxScad(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void proxMcp(double* dst, const double* src, std::int32_t n, double lambda, double theta);

// Each writes *dst once; n <= 0 stores the empty sum's value.
void sumCappedL1(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void sumLogSum(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void sumScad(double* dst, const double* src, std::int32_t n, double lambda, double theta);
void sumMcp(double* dst, const double* src, std::int32_t n, double lambda, double theta);
