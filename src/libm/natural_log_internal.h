// The two evaluations inside naturalLog, for the tests of their error
// bounds. x must be positive and finite, and not 1.
#pragma once

// The fast path's double-double, high + low within 2^-68 of log x, relatively.
void naturalLogFastParts(double x, double* high, double* low);

// The slow path's value, largest part first, within 2^-145 of log x, relatively.
void naturalLogSlowParts(double x, double parts[3]);
