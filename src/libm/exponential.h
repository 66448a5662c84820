// The exponential and the two functions of it that the likelihoods need, in
// plain IEEE double arithmetic in a fixed order (no C library call, no
// fused multiply-add, no extended precision), so that every build returns
// the same bits. Not correctly rounded: within 0.52 ulp of e^x for normal
// results (about 1 ulp where the result is subnormal).
#pragma once

// e^x. NaN -> NaN, +inf -> +inf, -inf -> +0; overflows to +inf from
// x > 709.782712893384, underflows to +0 below about -745.13.
double exponential(double x);

// log(1 + x) for x >= -1: naturalLog (correctly rounded) of u = 1 + x
// rounded, plus e/u for the rounding error e of 1 + x: within about 1 ulp.
// -1 -> -inf, below -1 -> NaN, +inf -> +inf.
double logOnePlus(double x);

// log(1 + e^x) without overflow: max(x, 0) + log(1 + e^-|x|), within 2 ulp.
// For x above about 37 the result is x itself; far below 0 it is e^x.
double softPlus(double x);

// 1 / (1 + e^-x), formed from e^-|x| so that nothing overflows, within
// 2.5 ulp; exactly 0 or 1 only where the true value rounds there.
double logistic(double x);
