// A stand-in for the host's MEX API, written from the documented behaviour
// of the functions the gateways call, so that the gateways can be loaded and
// driven without MATLAB: natively as one shared library, and on Windows as
// libmx.dll and libmex.dll. What follows are the extras a test host needs
// to make arguments and to catch the error a gateway raises.
#pragma once

#include <cstddef>

#include "mex_api.h"

#if defined(_WIN32)
#define STANDIN_API extern "C" __declspec(dllexport)
#else
#define STANDIN_API extern "C" __attribute__((visibility("default")))
#endif

// Class numbers as MATLAB's mxClassID has them.
enum StandinClass {
    StandinCell = 1,
    StandinStruct = 2,
    StandinLogical = 3,
    StandinChar = 4,
    StandinDouble = 6,
    StandinSingle = 7,
    StandinInt8 = 8,
    StandinUint8 = 9,
    StandinInt16 = 10,
    StandinUint16 = 11,
    StandinInt32 = 12,
    StandinUint32 = 13,
    StandinInt64 = 14,
    StandinUint64 = 15,
    StandinFunction = 16,
};

// An m-by-n array whose storage holds exactly m*n elements of its class,
// zero-filled, so that any read past the end is a read outside the buffer;
// a complex one as many imaginary parts. A sparse one stores every element
// (zeros included) in column order, so its data read as a full array's; a
// sparse array of another pattern is made with mxCreateSparse_700.
STANDIN_API mxArray* standinCreateArray(int classId, std::size_t rows, std::size_t columns,
                                        bool isComplex, bool isSparse);
// Storage of the real part, as raw bytes of the array's class; of the
// imaginary part (null for a real array).
STANDIN_API void* standinRealData(mxArray* array);
STANDIN_API void* standinImagData(mxArray* array);
STANDIN_API std::size_t standinRows(const mxArray* array);
STANDIN_API std::size_t standinColumns(const mxArray* array);
STANDIN_API int standinClassOf(const mxArray* array);
// The bytes an element of the class takes (a handle's, for a cell or struct).
STANDIN_API std::size_t standinElementBytes(int classId);
STANDIN_API void standinDestroyArray(mxArray* array);

typedef void (*MexEntry)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

// Calls entry; returns true when it raised an error through
// mexErrMsgIdAndTxt, whose identifier is then copied into identifier.
STANDIN_API bool standinCallMex(MexEntry entry, int nlhs, mxArray* plhs[], int nrhs,
                                const mxArray* prhs[], char* identifier,
                                std::size_t identifierSize);

// Clears the MEX file whose entry this is, as `clear` does: runs the exit
// function it registered with mexAtExit, if any, once. The caller may then
// unload the file.
STANDIN_API void standinClearMex(MexEntry entry);

// The interpreter's maxNumCompThreads, the one function mexCallMATLAB and
// mexCallMATLABWithTrap know here: it returns `limit` (0: the function does
// not exist, and the call raises). Starts at kStandinDefaultThreadLimit, a
// MATLAB on a machine with more cores than any call uses.
constexpr int kStandinDefaultThreadLimit = 64;
STANDIN_API void standinSetMaxNumCompThreads(int limit);
// How many calls into the interpreter the MEX files have made so far.
STANDIN_API int standinInterpreterCalls();
// The interpreter's results are arrays, which only the matrix half makes:
// it hands the MEX half its maker of a 1-by-1 double when it loads.
STANDIN_API void standinUseScalarMaker(mxArray* (*makeScalar)(double value));
