// MEX entry of penaltyProx(x, penalty, lambda, theta, gamma): the proximal
// map of gamma times the penalty, with one weight or one per element, at
// every element of x, in an array of x's size.
#include "dispatch.h"
#include "gateway_args.h"
#include "mex_api.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    runElementwise("penaltyProx", ProxOperation, true, nlhs, plhs, nrhs, prhs,
                   [](const PenaltyArguments& a, double* y, const double* x, const double* lambda, std::ptrdiff_t n) {
                       proxByPenalty(a.penalty, y, x, lambda, a.lambdaPerElement, n, a.theta, a.gamma);
                   });
}
