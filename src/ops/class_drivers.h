// penaltyProx, penaltyValue and penaltyDerivative of single and complex
// arrays. Every element goes through the double kernels: a single element
// converts to double exactly, a complex one becomes its modulus |z|
// (correctly rounded, modulus.h), and the double result is rounded once
// to the result's class. So a single result is the double result of the
// same input rounded once, with the bits of every path and thread count,
// and runs on every vector path the double kernels have.
//
// A complex prox is r*z/|z|, r the real map of |z|: each part is t*part,
// t = r/|z| rounded, then the product rounded (within two units in the
// last place of the exact r*part/|z|); t = 1 wherever r = |z| (an element
// the map keeps, a zero weight, |z| = 0, infinite or NaN), so those come
// back exactly as they are, signs of zero included.
#pragma once

#include <cstddef>

#include "simd_path.h"

enum ElementOperation { ProxOfElements, ValueOfElements, DerivativeOfElements };

// The operation, of the penalty at position `penalty` of the list (one
// that provides it), with its theta and (for prox) gamma.
struct ElementCall {
    ElementOperation operation;
    int penalty;
    double theta, gamma;
};

// An array as the host stores it: float or double elements, and for a
// complex array its imaginary parts in a second array (null when real).
struct ElementArrays {
    const void* real;
    const void* imag;
    bool single;
};

// Where the results go, in the same form.
struct ResultArrays {
    void* real;
    void* imag;
    bool single;
};

// The weights: one double (weights points at it), or one per element of
// x, float or double.
struct WeightArray {
    const void* weights;
    bool single;
    bool perElement;
};

// dst's parts (imag for a complex prox only) in x's precision; the value
// and derivative of a complex x are real. Returns the index of the first
// per-element weight that is not finite and >= 0 (dst is then
// unfinished), or n.
std::ptrdiff_t elementsOfClasses(const ElementCall& call, const ResultArrays& dst, const ElementArrays& x,
                                 const WeightArray& lambda, std::ptrdiff_t n);
std::ptrdiff_t elementsOfClassesOn(SimdPath path, const ElementCall& call, const ResultArrays& dst,
                                   const ElementArrays& x, const WeightArray& lambda, std::ptrdiff_t n);

// |z| of n elements given as parts, on a chosen path (for the tests and
// benchmarks).
void modulusOn(SimdPath path, double* dst, const double* re, const double* im, std::ptrdiff_t n);
