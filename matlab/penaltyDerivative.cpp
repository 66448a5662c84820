// MEX entry of penaltyDerivative(x, penalty, lambda, theta): the penalty's
// derivative in |x| (right-sided) at every element of x, with one weight or
// one per element, in an array of x's size.
#include "dispatch.h"
#include "gateway_args.h"
#include "mex_api.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    runElementwise("penaltyDerivative", DerivativeOperation, false, nlhs, plhs, nrhs, prhs,
                   [](const PenaltyArguments& a, double* y, const double* x, const double* lambda, std::ptrdiff_t n) {
                       derivativeByPenalty(a.penalty, y, x, lambda, a.lambdaPerElement, n, a.theta);
                   });
}
