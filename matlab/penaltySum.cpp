// MEX entry of penaltySum(x, n, lambda, theta, code): the chosen penalty
// summed over the first n elements of x, as a 1-by-1 double.
#include "gateway_args.h"
#include "mex_api.h"
#include "dispatch.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    joinThreadsAtExit();
    PenaltyCall call;
    if (!readPenaltyCall("penaltySum", nlhs, nrhs, prhs, &call))
        return;
    plhs[0] = createRealMatrix(1, 1);
    sumByPenalty(call.type, mxGetPr(plhs[0]), call.x, call.n, call.lambda, call.theta);
}
