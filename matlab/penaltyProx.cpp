// MEX entry of penaltyProx(x, penalty, lambda, theta, gamma): the proximal
// map of gamma times the penalty, with one weight or one per element, at
// every element of x, in an array of x's size.
#include "dispatch.h"
#include "gateway_args.h"
#include "mex_api.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    joinThreadsAtExit();
    runElementwise("penaltyProx", ProxOperation, true, nlhs, plhs, nrhs, prhs,
                   [](const PenaltyArguments& a, double* y) {
                       const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(a.count);
                       return proxByPenalty(a.penalty, y, a.x, a.lambda, a.lambdaPerElement, n, a.theta, a.gamma);
                   });
}
