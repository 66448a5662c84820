// Argument reading shared by the gateways: small readers, each of which
// checks one argument, reads it, and raises "<function>:<id>" errors whose
// messages say what was received. Every reader returns true for a valid
// argument; for an invalid one it raises the error through the host (which
// does not return) and returns false in case a host's error function ever
// does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mex_api.h"
#include "penalty_type.h"

// Raises "<function>:<idSuffix>" with a printf-formatted message.
bool raiseError(const char* functionName, const char* idSuffix, const char* format, ...);

// Whether an array is real, full and double: its storage is then its
// elements in order.
bool isRealFullDouble(const mxArray* array);

// Whether input k is left out: past the last input, or [] (a real, full
// 0-by-0 double); '' or {} is a value of the wrong kind.
bool isOmitted(int nrhs, const mxArray* prhs[], int k);

// A real, full double array of any size (LABEL names it in the message).
bool readDoubleArray(const char* functionName, const char* idSuffix, const char* label, const mxArray* array,
                     const double** values, std::size_t* count);

// A real, non-empty numeric or logical array, read as its first element.
bool readRealScalar(const char* functionName, const char* idSuffix, const char* label, const mxArray* array,
                    double* value);

// A finite scalar in (0, upper] and >= lower; `owner`, when not null, is
// the penalty whose range a finite upper end is, named in the message.
bool readPositiveScalar(const char* functionName, const char* idSuffix, const char* label, const mxArray* array,
                        double lower, double upper, const char* owner, double* value);

// The penalty: a name (any case) or a code, of a penalty that provides the
// operation (a PenaltyOperation). Returns its position in the list, or -1.
int readPenalty(const char* functionName, unsigned operation, const mxArray* array);

// Whether theta lies in the penalty's range (0 where it takes none).
bool thetaInRange(int penalty, double theta);

// THETA, input k: in the penalty's range, or left out where it has none
// (then 0).
bool readTheta(const char* functionName, int penalty, int nrhs, const mxArray* prhs[], int k, double* theta);

// LAMBDA: one weight (checked here: >= 0, and finite unless the operation
// takes an infinite weight), or one per element of x's `count`, double or
// single, whose values the computation checks as it uses them. *weights
// points at *scalar for one weight.
bool readWeights(const char* functionName, unsigned operation, const mxArray* array, std::size_t count,
                 const double** weights, bool* perElement, double* scalar);

// Name-value pairs, prhs[first] on, with MATLAB's conventions: a name in
// any case, or a prefix of only one known name (an exact name wins over the
// names it begins); the last of repeated names wins. values[k] is the value
// given for known[k], or null.
bool readNameValueOptions(const char* functionName, int nrhs, const mxArray* prhs[], int first,
                          const char* const known[], int knownCount, const mxArray* values[]);

// penaltyShrink(x, n, lambda, theta, code) and penaltySum(...).
struct PenaltyCall {
    const double* x;
    std::int32_t n; // converted count; <= 0 means no element is read
    double lambda;
    double theta;
    PenaltyType type;
};

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
// provide it); takesGamma says whether a fifth input is allowed.
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
