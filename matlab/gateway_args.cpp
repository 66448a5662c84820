#include "gateway_args.h"

#include "count_conversion.h"

namespace {

// Appends text to buffer[length...], never past size - 1; returns the length.
std::size_t append(char* buffer, std::size_t length, std::size_t size, const char* text)
{
    while (*text && length + 1 < size)
        buffer[length++] = *text++;
    buffer[length] = '\0';
    return length;
}

bool raise(const char* functionName, const char* idSuffix, const char* message)
{
    char identifier[96];
    std::size_t length = append(identifier, 0, sizeof identifier, functionName);
    length = append(identifier, length, sizeof identifier, ":");
    append(identifier, length, sizeof identifier, idSuffix);
    mexErrMsgIdAndTxt(identifier, "%s", message);
    return false;
}

// x must be something whose storage really is n doubles in order: a sparse
// array stores only its nonzeros, a complex one may be split or interleaved,
// and any other class is not doubles at all.
bool isRealFullDouble(const mxArray* array)
{
    return mxIsDouble(array) && !mxIsComplex(array) && !mxIsSparse(array);
}

// The scalar arguments are read as their first element. Sparse arrays are
// refused because the host's scalar read gives the first nonzero instead,
// and complex ones because silently dropping an imaginary part hides a bug.
bool isRealScalarSource(const mxArray* array)
{
    return (mxIsNumeric(array) || mxIsLogical(array)) && !mxIsEmpty(array)
        && !mxIsComplex(array) && !mxIsSparse(array);
}

} // namespace

bool readPenaltyCall(const char* functionName, int nrhs, const mxArray* prhs[], PenaltyCall* call)
{
    if (nrhs < 5)
        return raise(functionName, "notEnoughInputs",
                     "Five inputs are needed: x, n, lambda, theta, code.");
    if (!isRealFullDouble(prhs[0]))
        return raise(functionName, "invalidX", "X must be a real, full (non-sparse) double array.");
    const char* const scalarMessages[4] = {
        "N must be a real, non-empty numeric or logical value.",
        "LAMBDA must be a real, non-empty numeric or logical value.",
        "THETA must be a real, non-empty numeric or logical value.",
        "CODE must be a real, non-empty numeric or logical value.",
    };
    for (int k = 1; k <= 4; ++k) {
        if (!isRealScalarSource(prhs[k]))
            return raise(functionName, "invalidScalar", scalarMessages[k - 1]);
    }

    call->x = mxGetPr(prhs[0]);
    call->n = int32FromDouble(mxGetScalar(prhs[1]));
    call->lambda = mxGetScalar(prhs[2]);
    call->theta = mxGetScalar(prhs[3]);
    call->type = static_cast<PenaltyType>(int32FromDouble(mxGetScalar(prhs[4])));

    if (call->n > 0 && static_cast<std::size_t>(call->n) > mxGetNumberOfElements(prhs[0]))
        return raise(functionName, "countExceedsLength", "N exceeds the number of elements of X.");
    return true;
}
