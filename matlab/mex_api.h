// The one place that knows which MEX API a build talks to.
//
// Octave (and MATLAB's own mex.h) declare the API in "mex.h". The Windows
// deliverables instead link against MATLAB's 32-bit-dimension API, whose
// libmx exports the matrix constructor as mxCreateDoubleMatrix_700 and takes
// int dimensions; we declare exactly the functions we call, so those builds
// need no MATLAB headers.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(PENALTY_MATLAB_700_API)

extern "C" {
typedef struct mxArray_tag mxArray;
typedef enum { mxREAL, mxCOMPLEX } mxComplexity;

mxArray* mxCreateDoubleMatrix_700(int rows, int columns, mxComplexity complexity);
double* mxGetPr(const mxArray* array);
double mxGetScalar(const mxArray* array);
std::size_t mxGetNumberOfElements(const mxArray* array);
bool mxIsDouble(const mxArray* array);
bool mxIsNumeric(const mxArray* array);
bool mxIsLogical(const mxArray* array);
bool mxIsComplex(const mxArray* array);
bool mxIsSparse(const mxArray* array);
bool mxIsEmpty(const mxArray* array);
void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...);
}

inline mxArray* createRealMatrix(std::int32_t rows, std::int32_t columns)
{
    return mxCreateDoubleMatrix_700(rows, columns, mxREAL);
}

#else

#include "mex.h"

inline mxArray* createRealMatrix(std::int32_t rows, std::int32_t columns)
{
    return mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(columns), mxREAL);
}

#endif

#if defined(_WIN32)
#define MEX_ENTRY extern "C" __declspec(dllexport)
#else
#define MEX_ENTRY extern "C" __attribute__((visibility("default")))
#endif
