// A random theta or gamma where the registry accepts it (what the gateways
// let through), for the tests that sweep every penalty's whole range.
#pragma once

#include <cmath>
#include <random>

#include "penalty_list.h"

// log2 of a double in [lower, upper], log-uniformly; an end at 0 or
// infinity is taken as the least subnormal or realmax.
inline double log2Within(std::mt19937_64& rng, double lower, double upper)
{
    const double lo = lower > 0 ? std::log2(lower) : -1074, hi = upper < 0x1p1023 ? std::log2(upper) : 1023.99;
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}

// 0 for a penalty without theta; uniform on a range within [0, 1] (the
// elastic net's); log-uniform on any other, its excluded end stepped over.
inline double randomTheta(std::mt19937_64& rng, const ThetaRange& range)
{
    if (!range.taken)
        return 0;
    double theta = range.upper <= 1 ? std::uniform_real_distribution<double>(range.lower, range.upper)(rng)
                                    : std::exp2(log2Within(rng, range.lower, range.upper));
    if (!thetaAccepted(range, theta))
        theta = std::nextafter(range.lower, range.upper);
    return std::fmin(theta, range.upper);
}

inline double randomGamma(std::mt19937_64& rng, const GammaRange& range)
{
    return std::exp2(log2Within(rng, range.lower, range.upper));
}
