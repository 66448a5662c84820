// y = octave_floor_mex(x): -x for a real double array x, written into an
// uninitialised array of x's size. The least an elementwise MEX function
// can do: what remains of its time is the host's own (Octave allocates the
// result, page-faults it in, and copies it into an array of its own), so it
// is the floor the penalty functions are measured against.
#include "mex.h"

extern "C" void mexFunction(int, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    if (nrhs < 1 || !mxIsDouble(prhs[0]) || mxIsComplex(prhs[0]) || mxIsSparse(prhs[0]))
        mexErrMsgIdAndTxt("octave_floor_mex:invalidX", "X must be a real full double array.");
    const mxArray* x = prhs[0];
    plhs[0] = mxCreateUninitNumericArray(mxGetNumberOfDimensions(x), const_cast<mwSize*>(mxGetDimensions(x)),
                                         mxDOUBLE_CLASS, mxREAL);
    const double* in = mxGetPr(x);
    double* out = mxGetPr(plhs[0]);
    const mwSize n = mxGetNumberOfElements(x);
    for (mwSize i = 0; i < n; ++i)
        out[i] = -in[i];
}
