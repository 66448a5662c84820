// MEX entry of penaltyShrink(x, n, lambda, theta, code): the n-by-1 vector of
// proximal maps of the chosen penalty at the first n elements of x.
#include "gateway_args.h"
#include "mex_api.h"
#include "dispatch.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    joinThreadsAtExit();
    PenaltyCall call;
    if (!readPenaltyCall("penaltyShrink", nlhs, nrhs, prhs, &call))
        return;
    // A count of zero or less reads nothing and gives an empty 0-by-1 column;
    // a negative row count is never handed to the host.
    plhs[0] = createRealMatrix(call.n > 0 ? call.n : 0, 1);
    shrinkByPenalty(call.type, mxGetPr(plhs[0]), call.x, call.n, call.lambda, call.theta);
}
