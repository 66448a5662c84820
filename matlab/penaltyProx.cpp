// MEX entry of penaltyProx(x, penalty, lambda, theta, gamma): the proximal
// map of gamma times the penalty, with one weight or one per element, at
// every element of x, in an array of x's size.
#include "dispatch.h"
#include "gateway_args.h"
#include "mex_api.h"

MEX_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    PenaltyArguments call;
    if (!readPenaltyArguments("penaltyProx", ProxOperation, true, nlhs, nrhs, prhs, &call))
        return;
    plhs[0] = createRealArrayLike(prhs[0]);
    double* y = mxGetPr(plhs[0]);
    forEachCheckedChunk("penaltyProx", call, &plhs[0], [&](std::size_t start, std::size_t count) {
        proxByPenalty(call.penalty, y + start, call.x + start, call.lambdaPerElement ? call.lambda + start : call.lambda,
                      call.lambdaPerElement, static_cast<std::ptrdiff_t>(count), call.theta, call.gamma);
    });
}
