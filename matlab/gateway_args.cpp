#include "gateway_args.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "count_conversion.h"
#include "dispatch.h"
#include "host_threads.h"
#include "penalty_list.h"
#include "x_classes.h"

namespace {

// Raises "<function>:<id>" with a printf-formatted message. The host does
// not return from it; false is for a host that ever does.
bool raise(const char* functionName, const char* idSuffix, const char* format, ...)
{
    char identifier[96];
    std::snprintf(identifier, sizeof identifier, "%s:%s", functionName, idSuffix);
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    mexErrMsgIdAndTxt(identifier, "%s", message);
    return false;
}

// What an argument is, for messages: "2-by-3 single array", "1-by-1
// sparse complex double array", "0-by-0 double array".
struct Description {
    char text[128];
};

Description describe(const mxArray* array)
{
    Description d;
    int length = 0;
    const int count = dimensionCountOf(array);
    for (int k = 0; k < count && length < 40; ++k)
        length += std::snprintf(d.text + length, sizeof d.text - length, "%s%zu", k ? "-by-" : "",
                                dimensionOf(array, k));
    std::snprintf(d.text + length, sizeof d.text - length, " %s%s%.40s array", mxIsSparse(array) ? "sparse " : "",
                  mxIsComplex(array) ? "complex " : "", mxGetClassName(array));
    return d;
}

// x must be something whose storage really is its elements in order: a
// sparse array stores only its nonzeros, a complex one may be split or
// interleaved, and any other class is not doubles at all.
bool isRealFullDouble(const mxArray* array)
{
    return mxIsDouble(array) && !mxIsComplex(array) && !mxIsSparse(array);
}

// The scalar arguments are read as their first element. Sparse arrays are
// refused because the host's scalar read gives the first nonzero instead,
// and complex ones because silently dropping an imaginary part hides a bug.
bool isRealScalarSource(const mxArray* array)
{
    return (mxIsNumeric(array) || mxIsLogical(array)) && !mxIsEmpty(array) && !mxIsComplex(array)
        && !mxIsSparse(array);
}

bool isFiniteValue(double d) { return d - d == 0; }

// penaltyProx and penaltyValue take an infinite weight (the element held
// at 0); a derivative of it is not defined.
bool takesInfiniteWeights(unsigned operation) { return operation != DerivativeOperation; }

const char* weightRule(unsigned operation)
{
    return takesInfiniteWeights(operation) ? ">= 0 (Inf holds its element at 0)"
                                           : "finite and >= 0 (an infinite weight has no derivative)";
}

// A number as MATLAB prints it in a message: NaN, Inf and -Inf by name.
struct Number {
    char text[32];
};

Number shown(double d)
{
    Number n;
    if (d != d)
        std::snprintf(n.text, sizeof n.text, "NaN");
    else if (!isFiniteValue(d))
        std::snprintf(n.text, sizeof n.text, "%sInf", d < 0 ? "-" : "");
    else
        std::snprintf(n.text, sizeof n.text, "%.17g", d);
    return n;
}

} // namespace

bool readPenaltyCall(const char* functionName, int nlhs, int nrhs, const mxArray* prhs[], PenaltyCall* call)
{
    if (nlhs > 1)
        return raise(functionName, "tooManyOutputs", "One output is returned; %d were asked for.", nlhs);
    if (nrhs < 5)
        return raise(functionName, "notEnoughInputs", "Five inputs are needed: X, N, LAMBDA, THETA, CODE; %d %s given.",
                     nrhs, nrhs == 1 ? "was" : "were");
    if (!isRealFullDouble(prhs[0]))
        return raise(functionName, "invalidX", "X must be a real, full double array; it is a %s.",
                     describe(prhs[0]).text);
    const char* const names[4] = {"N", "LAMBDA", "THETA", "CODE"};
    for (int k = 1; k <= 4; ++k) {
        if (!isRealScalarSource(prhs[k]))
            return raise(functionName, "invalidScalar",
                         "%s must be a real, non-empty numeric or logical value; it is a %s.", names[k - 1],
                         describe(prhs[k]).text);
    }

    call->x = mxGetPr(prhs[0]);
    call->n = int32FromDouble(mxGetScalar(prhs[1]));
    call->lambda = mxGetScalar(prhs[2]);
    call->theta = mxGetScalar(prhs[3]);
    call->type = static_cast<PenaltyType>(int32FromDouble(mxGetScalar(prhs[4])));

    const std::size_t length = mxGetNumberOfElements(prhs[0]);
    if (call->n > 0 && static_cast<std::size_t>(call->n) > length)
        return raise(functionName, "countExceedsLength", "N (%d) exceeds the number of elements of X (%zu).",
                     static_cast<int>(call->n), length);
    return true;
}

namespace {

// A name as received, for messages: in quotes, a NUL or another control
// character written as \0 or \xHH, and past 40 characters cut off with
// "..." and the count; one that could not be read, by its size alone.
struct Quoted {
    char text[256];
};

Quoted quoted(const char* name, std::size_t length, bool read)
{
    Quoted q;
    int at = 0;
    if (!read) {
        std::snprintf(q.text, sizeof q.text, "(a 1-by-%zu char array)", length);
        return q;
    }
    q.text[at++] = '\'';
    for (std::size_t i = 0; i < length && i < 40; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == 0)
            at += std::snprintf(q.text + at, sizeof q.text - at, "\\0");
        else if (c < 32 || c == 127)
            at += std::snprintf(q.text + at, sizeof q.text - at, "\\x%02X", c);
        else
            q.text[at++] = static_cast<char>(c);
    }
    if (length > 40)
        std::snprintf(q.text + at, sizeof q.text - at, "...' (%zu characters)", length);
    else
        std::snprintf(q.text + at, sizeof q.text - at, "'");
    return q;
}

// The penalty argument: a name (any case) or a code 1 to 4, of a penalty
// that provides the operation. Returns its position in the list, or -1
// after raising the error.
int readPenalty(const char* functionName, unsigned operation, const mxArray* array)
{
    char known[160];
    int length = 0;
    for (int i = 0; i < kPenaltyCount; ++i)
        if (kPenaltyInfo[i].operations & operation)
            length += std::snprintf(known + length, sizeof known - length, "'%s', ", kPenaltyInfo[i].name);
    if (mxIsChar(array) && dimensionCountOf(array) == 2 && dimensionOf(array, 0) <= 1) {
        // Every character counts: a name is read whole or not at all (a
        // NUL inside it would otherwise end it early), and one too long to
        // read is no penalty's name either.
        const std::size_t characters = mxGetNumberOfElements(array);
        char name[4096] = "";
        const bool read = characters < sizeof name && readString(array, name, sizeof name);
        if (read && std::strlen(name) == characters) {
            const int penalty = penaltyIndexOfName(name);
            if (penalty >= 0 && (kPenaltyInfo[penalty].operations & operation))
                return penalty;
        }
        return raise(functionName, "unknownPenalty", "PENALTY %s is unknown; use one of %sor a code 1 to 4.",
                     quoted(name, characters, read).text, known), -1;
    }
    if (isRealScalarSource(array) && mxGetNumberOfElements(array) == 1) {
        const double code = mxGetScalar(array);
        if (code == 1 || code == 2 || code == 3 || code == 4)
            return penaltyIndexOfCode(static_cast<std::int32_t>(code));
        return raise(functionName, "unknownPenalty", "PENALTY %s is no penalty code; use one of %sor a code 1 to 4.",
                     shown(code).text, known), -1;
    }
    return raise(functionName, "unknownPenalty", "PENALTY must be one of %sor a code 1 to 4; it is a %s.", known,
                 describe(array).text), -1;
}

} // namespace

void reportInvalidWeightValue(const char* functionName, unsigned operation, std::size_t bad, double value,
                              mxArray** result)
{
    if (*result)
        mxDestroyArray(*result);
    *result = nullptr;
    raise(functionName, "invalidLambda", "LAMBDA(%zu) is %s; every weight must be %s.", bad + 1, shown(value).text,
          weightRule(operation));
}

void joinThreadsAtExit()
{
    followHostThreadLimit();
    static bool registered = false;
    if (!registered)
        registered = mexAtExit(stopThreads) == 0;
}

namespace {

// Only [] (a real, full 0-by-0 double) stands for a left-out argument: ''
// or {} is a value of the wrong kind, refused as such.
bool isOmitted(int nrhs, const mxArray* prhs[], int k)
{
    if (nrhs <= k)
        return true;
    const mxArray* a = prhs[k];
    return isRealFullDouble(a) && dimensionCountOf(a) == 2 && dimensionOf(a, 0) == 0 && dimensionOf(a, 1) == 0;
}

// A scalar argument that was refused: its value where it is a real
// numeric scalar (a NaN or an infinity), otherwise what kind of array it is.
Description received(const mxArray* array)
{
    Description d;
    if (isRealScalarSource(array) && mxGetNumberOfElements(array) == 1)
        std::snprintf(d.text, sizeof d.text, "%s", shown(mxGetScalar(array)).text);
    else
        std::snprintf(d.text, sizeof d.text, "a %.100s", describe(array).text);
    return d;
}

// A real, finite scalar of any numeric or logical class, read as a double.
bool readFiniteScalar(const mxArray* array, double* value)
{
    if (!isRealScalarSource(array) || mxGetNumberOfElements(array) != 1)
        return false;
    *value = mxGetScalar(array);
    return isFiniteValue(*value);
}

} // namespace

bool readPenaltyArguments(const char* functionName, unsigned operation, bool takesGamma, int nlhs, int nrhs,
                          const mxArray* prhs[], PenaltyArguments* arguments)
{
    const int maxInputs = takesGamma ? 5 : 4;
    const char* const usage = takesGamma ? "x, penalty, lambda[, theta[, gamma]]" : "x, penalty, lambda[, theta]";
    if (nlhs > 1)
        return raise(functionName, "tooManyOutputs", "One output is returned; %d were asked for.", nlhs);
    if (nrhs < 3)
        return raise(functionName, "notEnoughInputs", "The inputs are %s; %d were given.", usage, nrhs);
    if (nrhs > maxInputs)
        return raise(functionName, "tooManyInputs", "The inputs are %s; %d were given.", usage, nrhs);
    if (!isElementwiseX(prhs[0]))
        return raise(functionName, "invalidX", "X must be %s; it is a %s.", kElementwiseXClasses,
                     describe(prhs[0]).text);
    arguments->x = static_cast<const double*>(mxGetData(prhs[0])); // its real parts, of its class
    arguments->count = mxGetNumberOfElements(prhs[0]);
    arguments->operation = operation;

    const int penalty = readPenalty(functionName, operation, prhs[1]);
    if (penalty < 0)
        return false;
    arguments->penalty = penalty;
    const PenaltyInfo& info = kPenaltyInfo[penalty];

    // lambda: one weight, or one per element of x (double, any shape).
    const mxArray* lambda = prhs[2];
    const std::size_t weights = mxGetNumberOfElements(lambda);
    const bool lambdaKind = (mxIsNumeric(lambda) || mxIsLogical(lambda)) && !mxIsComplex(lambda) && !mxIsSparse(lambda);
    if (!lambdaKind || (weights != 1 && (weights != arguments->count || !isWeightArrayClass(lambda))))
        return raise(functionName, "invalidLambda",
                     "LAMBDA must be a real scalar or a full double or single array with numel(X) = %zu elements; "
                     "it is a %s.",
                     arguments->count, describe(lambda).text);
    if (weights == 1) {
        arguments->lambdaValue = mxGetScalar(lambda);
        arguments->lambda = &arguments->lambdaValue;
        arguments->lambdaPerElement = false;
        const bool held = takesInfiniteWeights(operation) && arguments->lambdaValue == __builtin_inf();
        if (!held && !(isFiniteValue(arguments->lambdaValue) && arguments->lambdaValue >= 0))
            return raise(functionName, "invalidLambda", "LAMBDA must be %s; it is %s.", weightRule(operation),
                         shown(arguments->lambdaValue).text);
    } else {
        // The weights themselves are checked by the computation, chunk
        // by chunk just before it uses them.
        arguments->lambda = static_cast<const double*>(mxGetData(lambda)); // floats for a single LAMBDA
        arguments->lambdaPerElement = true;
    }

    // theta: in the penalty's range, or left out (or []) where it has none.
    arguments->theta = 0;
    const ThetaRange range = info.theta;
    if (!range.taken) {
        if (!isOmitted(nrhs, prhs, 3))
            return raise(functionName, "invalidTheta", "'%s' takes no THETA; pass [] or leave it out.", info.name);
    } else {
        // The range as the registry holds it, e.g. "in (2, 1e+150]".
        char want[96];
        if (range.upper < __builtin_inf())
            std::snprintf(want, sizeof want, "a finite scalar in %c%g, %g]", range.lowerIncluded ? '[' : '(',
                          range.lower, range.upper);
        else
            std::snprintf(want, sizeof want, "a finite scalar %s %g", range.lowerIncluded ? ">=" : ">", range.lower);
        if (isOmitted(nrhs, prhs, 3))
            return raise(functionName, "invalidTheta", "'%s' needs THETA, %s.", info.name, want);
        double theta = 0;
        if (!readFiniteScalar(prhs[3], &theta))
            return raise(functionName, "invalidTheta", "THETA must be %s for '%s'; it is %s.", want, info.name,
                         received(prhs[3]).text);
        const bool above = range.lowerIncluded ? theta >= range.lower : theta > range.lower;
        if (!above || theta > range.upper)
            return raise(functionName, "invalidTheta", "THETA must be %s for '%s'; it is %s.", want, info.name,
                         shown(theta).text);
        arguments->theta = theta;
    }

    // gamma: the step size, 1 when left out (or []).
    arguments->gamma = 1;
    if (takesGamma && !isOmitted(nrhs, prhs, 4)) {
        const GammaRange steps = info.gamma;
        char want[96];
        if (steps.upper < __builtin_inf())
            std::snprintf(want, sizeof want, "a finite scalar in [%g, %g] for '%s'", steps.lower, steps.upper,
                          info.name);
        else
            std::snprintf(want, sizeof want, "a finite scalar > 0");
        double gamma = 0;
        if (!readFiniteScalar(prhs[4], &gamma))
            return raise(functionName, "invalidGamma", "GAMMA must be %s; it is %s.", want, received(prhs[4]).text);
        if (!(gamma > 0 && gamma >= steps.lower && gamma <= steps.upper))
            return raise(functionName, "invalidGamma", "GAMMA must be %s; it is %s.", want, shown(gamma).text);
        arguments->gamma = gamma;
    }
    return true;
}
