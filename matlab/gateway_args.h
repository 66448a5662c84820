// Argument reading shared by both gateways: checks that a call is safe to
// run, reads the five arguments, and raises "<function>:<id>" errors.
#pragma once

#include <cstdint>

#include "mex_api.h"
#include "penalty_type.h"

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
bool readPenaltyCall(const char* functionName, int nrhs, const mxArray* prhs[], PenaltyCall* call);
