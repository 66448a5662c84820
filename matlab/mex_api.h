// The one place that knows which MEX API a build talks to.
//
// Octave (and MATLAB's own mex.h) declare the API in "mex.h". The Windows
// deliverables instead link against MATLAB's 32-bit-dimension API, whose
// libmx exports the functions with size arguments under _700 names taking
// int; we declare exactly the functions we call, so those builds need no
// MATLAB headers.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(PENALTY_MATLAB_700_API)

extern "C" {
typedef struct mxArray_tag mxArray;
typedef enum { mxREAL, mxCOMPLEX } mxComplexity;
typedef enum { mxUNKNOWN_CLASS, mxCELL_CLASS, mxSTRUCT_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS, mxVOID_CLASS,
               mxDOUBLE_CLASS, mxSINGLE_CLASS } mxClassID;

mxArray* mxCreateDoubleMatrix_700(int rows, int columns, mxComplexity complexity);
mxArray* mxCreateNumericArray_700(int dimensionCount, const int* dimensions, mxClassID classId,
                                  mxComplexity complexity);
int mxGetNumberOfDimensions_700(const mxArray* array);
const int* mxGetDimensions_700(const mxArray* array);
int mxGetString_700(const mxArray* array, char* buffer, int size);
void mxDestroyArray(mxArray* array);
double* mxGetPr(const mxArray* array);
double mxGetScalar(const mxArray* array);
std::size_t mxGetNumberOfElements(const mxArray* array);
const char* mxGetClassName(const mxArray* array);
bool mxIsDouble(const mxArray* array);
bool mxIsNumeric(const mxArray* array);
bool mxIsLogical(const mxArray* array);
bool mxIsChar(const mxArray* array);
bool mxIsComplex(const mxArray* array);
bool mxIsSparse(const mxArray* array);
bool mxIsEmpty(const mxArray* array);
void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...);
int mexAtExit(void (*exitFunction)(void));
// Single, complex (real and imaginary parts in separate arrays) and sparse
// arrays; the sparse indices are int in this API.
mxArray* mxCreateSparse_700(int rows, int columns, int nzmax, mxComplexity complexity);
int* mxGetIr_700(const mxArray* array);
int* mxGetJc_700(const mxArray* array);
void* mxGetData(const mxArray* array);
void* mxGetImagData(const mxArray* array);
bool mxIsSingle(const mxArray* array);
std::size_t mxGetM(const mxArray* array);
std::size_t mxGetN(const mxArray* array);
void* mxMalloc(std::size_t bytes);
void mxFree(void* pointer);
mxArray* mexCallMATLABWithTrap(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* functionName);
}

typedef int SparseIndex;

// An uninitialised (or zeroed) array of x's dimensions, double or single,
// real or complex.
inline mxArray* createArrayLike(const mxArray* array, bool single, bool complex)
{
    return mxCreateNumericArray_700(mxGetNumberOfDimensions_700(array), mxGetDimensions_700(array),
                                    single ? mxSINGLE_CLASS : mxDOUBLE_CLASS, complex ? mxCOMPLEX : mxREAL);
}

// A real sparse double matrix with room for nzmax elements; the sizes are
// those of an existing array, so within this API's int.
inline mxArray* createSparseMatrix(std::size_t rows, std::size_t columns, std::size_t nzmax)
{
    return mxCreateSparse_700(static_cast<int>(rows), static_cast<int>(columns), static_cast<int>(nzmax), mxREAL);
}
inline SparseIndex* sparseRowIndices(const mxArray* array) { return mxGetIr_700(array); }
inline SparseIndex* sparseColumnStarts(const mxArray* array) { return mxGetJc_700(array); }

inline mxArray* createRealMatrix(std::int32_t rows, std::int32_t columns)
{
    return mxCreateDoubleMatrix_700(rows, columns, mxREAL);
}

inline mxArray* createRealArrayLike(const mxArray* array)
{
    return mxCreateNumericArray_700(mxGetNumberOfDimensions_700(array), mxGetDimensions_700(array),
                                    mxDOUBLE_CLASS, mxREAL);
}

// The size of dimension k (0-based) of an array with at least k+1 dimensions.
inline std::size_t dimensionOf(const mxArray* array, int k)
{
    return static_cast<std::size_t>(mxGetDimensions_700(array)[k]);
}
inline int dimensionCountOf(const mxArray* array) { return mxGetNumberOfDimensions_700(array); }

// The characters of a char array, or false when they do not fit in size - 1.
inline bool readString(const mxArray* array, char* buffer, int size)
{
    return mxGetString_700(array, buffer, size) == 0;
}

#else

#include "mex.h"

#if defined(HAVE_OCTAVE)
// Octave's results are created uninitialised: every gateway writes every
// element of what it returns, so zeroing them first is wasted time.
inline mxArray* createRealMatrix(std::int32_t rows, std::int32_t columns)
{
    return mxCreateUninitNumericMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(columns), mxDOUBLE_CLASS,
                                       mxREAL);
}

inline mxArray* createRealArrayLike(const mxArray* array)
{
    return mxCreateUninitNumericArray(mxGetNumberOfDimensions(array), const_cast<mwSize*>(mxGetDimensions(array)),
                                      mxDOUBLE_CLASS, mxREAL);
}
#else
inline mxArray* createRealMatrix(std::int32_t rows, std::int32_t columns)
{
    return mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(columns), mxREAL);
}

inline mxArray* createRealArrayLike(const mxArray* array)
{
    return mxCreateNumericArray(mxGetNumberOfDimensions(array), mxGetDimensions(array), mxDOUBLE_CLASS, mxREAL);
}
#endif

typedef mwIndex SparseIndex;

inline mxArray* createArrayLike(const mxArray* array, bool single, bool complex)
{
#if defined(HAVE_OCTAVE)
    return mxCreateUninitNumericArray(mxGetNumberOfDimensions(array), const_cast<mwSize*>(mxGetDimensions(array)),
                                      single ? mxSINGLE_CLASS : mxDOUBLE_CLASS, complex ? mxCOMPLEX : mxREAL);
#else
    return mxCreateNumericArray(mxGetNumberOfDimensions(array), mxGetDimensions(array),
                                single ? mxSINGLE_CLASS : mxDOUBLE_CLASS, complex ? mxCOMPLEX : mxREAL);
#endif
}

inline mxArray* createSparseMatrix(std::size_t rows, std::size_t columns, std::size_t nzmax)
{
    return mxCreateSparse(static_cast<mwSize>(rows), static_cast<mwSize>(columns), static_cast<mwSize>(nzmax), mxREAL);
}
inline SparseIndex* sparseRowIndices(const mxArray* array) { return mxGetIr(array); }
inline SparseIndex* sparseColumnStarts(const mxArray* array) { return mxGetJc(array); }

inline std::size_t dimensionOf(const mxArray* array, int k)
{
    return static_cast<std::size_t>(mxGetDimensions(array)[k]);
}
inline int dimensionCountOf(const mxArray* array) { return static_cast<int>(mxGetNumberOfDimensions(array)); }

inline bool readString(const mxArray* array, char* buffer, int size)
{
    return mxGetString(array, buffer, static_cast<mwSize>(size)) == 0;
}

#endif

#if defined(_WIN32)
#define MEX_ENTRY extern "C" __declspec(dllexport)
#else
#define MEX_ENTRY extern "C" __attribute__((visibility("default")))
#endif
