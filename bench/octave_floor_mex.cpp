// floor = octave_floor_mex(n): an n-by-1 double of zeros and nothing else.
// What returning an array from a MEX file costs Octave by itself (it
// allocates the result and copies it into an array of its own), measured
// beside penaltyShrink to show how much of its time is the host's.
#include "mex.h"

extern "C" void mexFunction(int, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    const mwSize n = nrhs > 0 ? static_cast<mwSize>(mxGetScalar(prhs[0])) : 0;
    plhs[0] = mxCreateDoubleMatrix(n, 1, mxREAL);
}
