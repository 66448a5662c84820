// |z| of every element of a complex array (its parts in two arrays), on one
// instruction set's lanes: one table per set, and every table gives the
// bits of the scalar one (each is the correctly rounded modulus).
#pragma once

#include <cstddef>

#include "drivers.h"
#include "modulus.h"

typedef void (*ModulusKernel)(double* dst, const double* re, const double* im, std::ptrdiff_t n);

struct ModulusKernels {
    ModulusKernel modulus;
};

template <class L>
void modulusKernel(double* dst, const double* re, const double* im, std::ptrdiff_t n)
{
    using V = typename L::V;
    mapLanes<L>(dst, re, im, n, [&](V r, V i) { return modulusOf<L>(r, i); });
}
