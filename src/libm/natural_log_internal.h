// The parts of naturalLog: for its tests (the first four), and between the
// plain and the fused variant's files. x must be positive and finite, and
// not 1, where noted.
#pragma once

// The fast path's double-double, high + low within 2^-68 of log x,
// relatively (x positive, finite, not 1), plain or fused (fused only where
// naturalLogHasFma()).
void naturalLogFastParts(double x, bool fused, double* high, double* low);

// The slow path's value, largest part first, within 2^-145 of log x,
// relatively (x positive, finite, not 1).
void naturalLogSlowParts(double x, double parts[3]);

// Whether the CPU and the operating system run fused multiply-adds, and
// this build has the fused variant (64-bit x86 with GCC or Clang).
bool naturalLogHasFma();

// naturalLog with the fast path of the variant chosen (fused only where
// naturalLogHasFma()), and whether the slow path decided.
double naturalLogWithVariant(double x, bool fused, bool* tookSlowPath);

// The fused variant (natural_log_fma.cpp), and the slow path alone
// (natural_log.cpp: the exact sum, rounded exactly) that both fall back on.
double naturalLogFused(double x);
double naturalLogFusedWithPath(double x, bool* tookSlowPath);
void naturalLogFusedFastParts(double x, double* high, double* low);
double naturalLogSlowPath(double x);
