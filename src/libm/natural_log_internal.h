// The parts of naturalLog, for its tests and for the variant with fused
// multiply-adds. x must be positive and finite, and not 1, where noted.
#pragma once

// The plain fast path's double-double, high + low within 2^-68 of log x,
// relatively (x positive, finite, not 1).
void naturalLogFastParts(double x, double* high, double* low);

// The same with fused multiply-adds; only where naturalLogHasFma().
void naturalLogFastPartsFma(double x, double* high, double* low);

// The slow path's value, largest part first, within 2^-145 of log x,
// relatively (x positive, finite, not 1).
void naturalLogSlowParts(double x, double parts[3]);

// Whether the CPU and the operating system run fused multiply-adds, and
// this build has the fused variant (64-bit x86 with GCC or Clang).
bool naturalLogHasFma();

// naturalLog with the fused fast path (and, with a flag, whether the slow
// path decided). Only where naturalLogHasFma().
double naturalLogFused(double x);
double naturalLogFusedWithPath(double x, bool* tookSlowPath);

// The slow path alone, for a positive, finite x other than 1: the exact
// sum, rounded exactly.
double naturalLogSlowPath(double x);

// naturalLog with the fast path of the variant chosen (fused only where
// naturalLogHasFma()), and whether the slow path decided.
double naturalLogWithVariant(double x, bool fused, bool* tookSlowPath);
