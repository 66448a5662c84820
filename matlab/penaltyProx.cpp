// MEX entry of penaltyProx(x, penalty, lambda, theta, gamma): the proximal
// map of gamma times the penalty, with one weight or one per element, at
// every element of x, in an array of x's size.
#include "gateway_args.h"
#include "mex_api.h"
#include "x_classes.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    joinThreadsAtExit();
    runElementwiseOfAnyClass("penaltyProx", ProxOperation, ProxOfElements, true, nlhs, plhs, nrhs, prhs);
}
