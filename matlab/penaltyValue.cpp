// MEX entry of penaltyValue(x, penalty, lambda, theta): the penalty of
// every element of x, with one weight or one per element, in an array of
// x's size.
#include "dispatch.h"
#include "gateway_args.h"
#include "mex_api.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    joinThreadsAtExit();
    runElementwise("penaltyValue", ValueOperation, false, nlhs, plhs, nrhs, prhs,
                   [](const PenaltyArguments& a, double* y) {
                       const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(a.count);
                       return valueByPenalty(a.penalty, y, a.x, a.lambda, a.lambdaPerElement, n, a.theta);
                   });
}
