// The natural logarithm, correctly rounded (to nearest, ties to even) for
// every double, computed in plain IEEE double arithmetic so that every build
// returns the same bits. Special values as IEEE log: +-0 -> -inf, negative
// (and -inf) -> NaN, +inf -> +inf, NaN -> NaN, 1 -> +0.
#pragma once

double naturalLog(double x);

