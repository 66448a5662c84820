// MEX entry of penaltyDerivative(x, penalty, lambda, theta): the penalty's
// derivative in |x| (right-sided) at every element of x, with one weight or
// one per element, in an array of x's size.
#include "gateway_args.h"
#include "mex_api.h"
#include "x_classes.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    joinThreadsAtExit();
    runElementwiseOfAnyClass("penaltyDerivative", DerivativeOperation, DerivativeOfElements, false, nlhs, plhs, nrhs, prhs);
}
