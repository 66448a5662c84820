// Argument reading shared by the gateways: checks that a call is safe to
// run, reads its arguments, and raises "<function>:<id>" errors whose
// messages say what was received.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mex_api.h"
#include "penalty_type.h"

// penaltyShrink(x, n, lambda, theta, code) and penaltySum(...).
struct PenaltyCall {
    const double* x;
    std::int32_t n; // converted count; <= 0 means no element is read
    double lambda;
    double theta;
    PenaltyType type;
};

// Fills *call and returns true for a valid call. For an invalid one it raises
// the error through the host (which does not return) and returns false in
// case a host's error function ever does.
bool readPenaltyCall(const char* functionName, int nlhs, int nrhs, const mxArray* prhs[], PenaltyCall* call);

// penaltyProx(x, penalty, lambda, theta, gamma), penaltyValue and
// penaltyDerivative (x, penalty, lambda, theta): x of a class isElementwiseX
// takes (x points at its real parts, of that class), the penalty by name or
// code, lambda a scalar or one weight per element (double, or floats where
// LAMBDA is single).
struct PenaltyArguments {
    const double* x;
    std::size_t count;  // numel(x)
    unsigned operation; // the PenaltyOperation the function runs
    int penalty;        // position in the penalty list
    const double* lambda;
    bool lambdaPerElement;
    double lambdaValue; // the scalar lambda, which lambda points at when not per element
    double theta;       // 0 for a penalty without theta
    double gamma;       // 1 when not given
};

// operation is the PenaltyOperation the function runs (the penalty must
// provide it); takesGamma says whether a fifth input is allowed. Returns
// true for a valid call, as readPenaltyCall does, except that per-element
// weights are checked by checkWeights, chunk by chunk as they are used.
bool readPenaltyArguments(const char* functionName, unsigned operation, bool takesGamma, int nlhs, int nrhs,
                          const mxArray* prhs[], PenaltyArguments* arguments);

// Per-element weights are checked by the computation, as it uses them:
// for the first that failed, at index `bad`, with the value it has as a
// double, destroys *result (the array being filled, so that the error
// leaves nothing behind; it may be null) and raises invalidLambda.
void reportInvalidWeightValue(const char* functionName, unsigned operation, std::size_t bad, double value,
                              mxArray** result);

// The worker threads outlive a call: registers, once per MEX file, their
// joining for when the host clears the file or exits.
void joinThreadsAtExit();
