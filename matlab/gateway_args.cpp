#include "gateway_args.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "count_conversion.h"
#include "dispatch.h"
#include "host_threads.h"
#include "penalty_list.h"
#include "x_classes.h"

bool raiseError(const char* functionName, const char* idSuffix, const char* format, ...)
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

bool isRealFullDouble(const mxArray* array)
{
    return mxIsDouble(array) && !mxIsComplex(array) && !mxIsSparse(array);
}

bool isOmitted(int nrhs, const mxArray* prhs[], int k)
{
    if (nrhs <= k)
        return true;
    const mxArray* a = prhs[k];
    return isRealFullDouble(a) && dimensionCountOf(a) == 2 && dimensionOf(a, 0) == 0 && dimensionOf(a, 1) == 0;
}

namespace {

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

// A char row (or '') read whole into name: every character counts, since a
// NUL inside it would otherwise end it early, and one too long to read is
// no name this library knows.
struct Name {
    char text[4096];
    std::size_t characters;
    bool read;  // into text (a NUL inside shows in messages)
    bool whole; // read, and no NUL inside
};

bool isCharRow(const mxArray* array)
{
    return mxIsChar(array) && dimensionCountOf(array) == 2 && dimensionOf(array, 0) <= 1;
}

void readName(const mxArray* array, Name* name)
{
    name->characters = mxGetNumberOfElements(array);
    name->text[0] = '\0';
    name->read = name->characters < sizeof name->text && readString(array, name->text, sizeof name->text);
    name->whole = name->read && std::strlen(name->text) == name->characters;
}

// The codes the registry gives, lowest and highest.
void codeRange(int* lowest, int* highest)
{
    *lowest = 0;
    *highest = 0;
    for (int i = 0; i < kPenaltyCount; ++i) {
        const int code = kPenaltyInfo[i].code;
        if (code != NoCode && (*lowest == 0 || code < *lowest))
            *lowest = code;
        if (code != NoCode && code > *highest)
            *highest = code;
    }
}

} // namespace

bool readDoubleArray(const char* functionName, const char* idSuffix, const char* label, const mxArray* array,
                     const double** values, std::size_t* count)
{
    if (!isRealFullDouble(array))
        return raiseError(functionName, idSuffix, "%s must be a real, full double array; it is a %s.", label,
                          describe(array).text);
    *values = mxGetPr(array);
    *count = mxGetNumberOfElements(array);
    return true;
}

bool readRealScalar(const char* functionName, const char* idSuffix, const char* label, const mxArray* array,
                    double* value)
{
    if (!isRealScalarSource(array))
        return raiseError(functionName, idSuffix, "%s must be a real, non-empty numeric or logical value; it is a %s.",
                          label, describe(array).text);
    *value = mxGetScalar(array);
    return true;
}

bool readPositiveScalar(const char* functionName, const char* idSuffix, const char* label, const mxArray* array,
                        double lower, double upper, const char* owner, double* value)
{
    char want[96];
    if (upper < __builtin_inf() && owner)
        std::snprintf(want, sizeof want, "a finite scalar in [%g, %g] for '%s'", lower, upper, owner);
    else if (upper < __builtin_inf())
        std::snprintf(want, sizeof want, "a finite scalar in [%g, %g]", lower, upper);
    else
        std::snprintf(want, sizeof want, "a finite scalar > 0");
    if (!readFiniteScalar(array, value))
        return raiseError(functionName, idSuffix, "%s must be %s; it is %s.", label, want, received(array).text);
    if (!(*value > 0 && *value >= lower && *value <= upper))
        return raiseError(functionName, idSuffix, "%s must be %s; it is %s.", label, want, shown(*value).text);
    return true;
}

int readPenalty(const char* functionName, unsigned operation, const mxArray* array)
{
    char known[160];
    int length = 0;
    for (int i = 0; i < kPenaltyCount; ++i)
        if (kPenaltyInfo[i].operations & operation)
            length += std::snprintf(known + length, sizeof known - length, "'%s', ", kPenaltyInfo[i].name);
    int lowest = 0, highest = 0;
    codeRange(&lowest, &highest);
    if (isCharRow(array)) {
        Name name;
        readName(array, &name);
        const int penalty = name.whole ? penaltyIndexOfName(name.text) : -1;
        if (penalty >= 0 && (kPenaltyInfo[penalty].operations & operation))
            return penalty;
        return raiseError(functionName, "unknownPenalty", "PENALTY %s is unknown; use one of %sor a code %d to %d.",
                          quoted(name.text, name.characters, name.read).text, known, lowest, highest), -1;
    }
    if (isRealScalarSource(array) && mxGetNumberOfElements(array) == 1) {
        const double code = mxGetScalar(array);
        if (code >= lowest && code <= highest && code == static_cast<double>(static_cast<std::int32_t>(code))) {
            const int penalty = penaltyIndexOfCode(static_cast<std::int32_t>(code));
            if (penalty >= 0 && (kPenaltyInfo[penalty].operations & operation))
                return penalty;
        }
        return raiseError(functionName, "unknownPenalty",
                          "PENALTY %s is no penalty code; use one of %sor a code %d to %d.", shown(code).text, known,
                          lowest, highest), -1;
    }
    return raiseError(functionName, "unknownPenalty", "PENALTY must be one of %sor a code %d to %d; it is a %s.",
                      known, lowest, highest, describe(array).text), -1;
}

bool thetaInRange(int penalty, double theta)
{
    const ThetaRange range = kPenaltyInfo[penalty].theta;
    if (!range.taken)
        return theta == 0;
    const bool above = range.lowerIncluded ? theta >= range.lower : theta > range.lower;
    return isFiniteValue(theta) && above && theta <= range.upper;
}

bool readTheta(const char* functionName, int penalty, int nrhs, const mxArray* prhs[], int k, double* theta)
{
    const PenaltyInfo& info = kPenaltyInfo[penalty];
    const ThetaRange range = info.theta;
    *theta = 0;
    if (!range.taken) {
        if (!isOmitted(nrhs, prhs, k))
            return raiseError(functionName, "invalidTheta", "'%s' takes no THETA; pass [] or leave it out.",
                              info.name);
        return true;
    }
    // The range as the registry holds it, e.g. "in (2, 1e+150]".
    char want[96];
    if (range.upper < __builtin_inf())
        std::snprintf(want, sizeof want, "a finite scalar in %c%g, %g]", range.lowerIncluded ? '[' : '(',
                      range.lower, range.upper);
    else
        std::snprintf(want, sizeof want, "a finite scalar %s %g", range.lowerIncluded ? ">=" : ">", range.lower);
    if (isOmitted(nrhs, prhs, k))
        return raiseError(functionName, "invalidTheta", "'%s' needs THETA, %s.", info.name, want);
    double value = 0;
    if (!readFiniteScalar(prhs[k], &value))
        return raiseError(functionName, "invalidTheta", "THETA must be %s for '%s'; it is %s.", want, info.name,
                          received(prhs[k]).text);
    if (!thetaInRange(penalty, value))
        return raiseError(functionName, "invalidTheta", "THETA must be %s for '%s'; it is %s.", want, info.name,
                          shown(value).text);
    *theta = value;
    return true;
}

bool readWeights(const char* functionName, unsigned operation, const mxArray* array, std::size_t count,
                 const double** weights, bool* perElement, double* scalar)
{
    const std::size_t given = mxGetNumberOfElements(array);
    const bool kind = (mxIsNumeric(array) || mxIsLogical(array)) && !mxIsComplex(array) && !mxIsSparse(array);
    if (!kind || (given != 1 && (given != count || !isWeightArrayClass(array))))
        return raiseError(functionName, "invalidLambda",
                          "LAMBDA must be a real scalar or a full double or single array with numel(X) = %zu "
                          "elements; it is a %s.",
                          count, describe(array).text);
    if (given != 1) {
        // The weights themselves are checked by the computation, chunk by
        // chunk just before it uses them.
        *weights = static_cast<const double*>(mxGetData(array)); // floats for a single LAMBDA
        *perElement = true;
        return true;
    }
    *scalar = mxGetScalar(array);
    *weights = scalar;
    *perElement = false;
    const bool held = takesInfiniteWeights(operation) && *scalar == __builtin_inf();
    if (!held && !(isFiniteValue(*scalar) && *scalar >= 0))
        return raiseError(functionName, "invalidLambda", "LAMBDA must be %s; it is %s.", weightRule(operation),
                          shown(*scalar).text);
    return true;
}

namespace {

// Whether `prefix` begins `name`, letters compared in either case.
bool beginsInAnyCase(const char* name, const char* prefix, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const char a = name[i], b = prefix[i];
        if (a == '\0')
            return false;
        const char lowerA = a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a;
        const char lowerB = b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b;
        if (lowerA != lowerB)
            return false;
    }
    return true;
}

// The known names joined for a message: "A, B, C" (cut short where they
// do not fit).
struct NameList {
    char text[256];
};

NameList listed(const char* const names[], int count, const bool* only)
{
    NameList list{};
    int length = 0;
    for (int k = 0; k < count && length < static_cast<int>(sizeof list.text); ++k)
        if (!only || only[k])
            length += std::snprintf(list.text + length, sizeof list.text - length, "%s%s", length ? ", " : "",
                                    names[k]);
    return list;
}

// The known name a given one stands for: its exact name, else the one name
// it begins; -1 after raising the error.
int optionIndex(const char* functionName, const Name& name, const char* const known[], int knownCount)
{
    bool begins[64] = {};
    int matches = 0, match = -1;
    for (int k = 0; k < knownCount && k < 64; ++k) {
        begins[k] = name.whole && name.characters > 0 && beginsInAnyCase(known[k], name.text, name.characters);
        if (begins[k] && known[k][name.characters] == '\0')
            return k;
        if (begins[k])
            ++matches, match = k;
    }
    if (matches == 1)
        return match;
    const Quoted shownName = quoted(name.text, name.characters, name.read);
    if (matches > 1)
        return raiseError(functionName, "ambiguousOption", "Option %s is ambiguous; it begins %s.", shownName.text,
                          listed(known, knownCount, begins).text), -1;
    return raiseError(functionName, "unknownOption", "Unknown option %s; the options are %s.", shownName.text,
                      listed(known, knownCount, nullptr).text), -1;
}

} // namespace

bool readNameValueOptions(const char* functionName, int nrhs, const mxArray* prhs[], int first,
                          const char* const known[], int knownCount, const mxArray* values[])
{
    for (int k = 0; k < knownCount; ++k)
        values[k] = nullptr;
    for (int k = first; k < nrhs; k += 2) {
        if (!isCharRow(prhs[k]))
            return raiseError(functionName, "invalidOption", "Option names must be character rows; input %d is a %s.",
                              k + 1, describe(prhs[k]).text);
        Name name;
        readName(prhs[k], &name);
        const int option = optionIndex(functionName, name, known, knownCount);
        if (option < 0)
            return false;
        if (k + 1 == nrhs)
            return raiseError(functionName, "missingValue", "Option '%s' has no value.", known[option]);
        values[option] = prhs[k + 1];
    }
    return true;
}

bool readPenaltyCall(const char* functionName, int nlhs, int nrhs, const mxArray* prhs[], PenaltyCall* call)
{
    if (nlhs > 1)
        return raiseError(functionName, "tooManyOutputs", "One output is returned; %d were asked for.", nlhs);
    if (nrhs < 5)
        return raiseError(functionName, "notEnoughInputs",
                          "Five inputs are needed: X, N, LAMBDA, THETA, CODE; %d %s given.", nrhs,
                          nrhs == 1 ? "was" : "were");
    std::size_t length = 0;
    double n = 0, code = 0;
    if (!readDoubleArray(functionName, "invalidX", "X", prhs[0], &call->x, &length)
        || !readRealScalar(functionName, "invalidScalar", "N", prhs[1], &n)
        || !readRealScalar(functionName, "invalidScalar", "LAMBDA", prhs[2], &call->lambda)
        || !readRealScalar(functionName, "invalidScalar", "THETA", prhs[3], &call->theta)
        || !readRealScalar(functionName, "invalidScalar", "CODE", prhs[4], &code))
        return false;
    call->n = int32FromDouble(n);
    call->type = static_cast<PenaltyType>(int32FromDouble(code));
    if (call->n > 0 && static_cast<std::size_t>(call->n) > length)
        return raiseError(functionName, "countExceedsLength", "N (%d) exceeds the number of elements of X (%zu).",
                          static_cast<int>(call->n), length);
    return true;
}

bool readPenaltyArguments(const char* functionName, unsigned operation, bool takesGamma, int nlhs, int nrhs,
                          const mxArray* prhs[], PenaltyArguments* arguments)
{
    const int maxInputs = takesGamma ? 5 : 4;
    const char* const usage = takesGamma ? "x, penalty, lambda[, theta[, gamma]]" : "x, penalty, lambda[, theta]";
    if (nlhs > 1)
        return raiseError(functionName, "tooManyOutputs", "One output is returned; %d were asked for.", nlhs);
    if (nrhs < 3)
        return raiseError(functionName, "notEnoughInputs", "The inputs are %s; %d were given.", usage, nrhs);
    if (nrhs > maxInputs)
        return raiseError(functionName, "tooManyInputs", "The inputs are %s; %d were given.", usage, nrhs);
    if (!isElementwiseX(prhs[0]))
        return raiseError(functionName, "invalidX", "X must be %s; it is a %s.", kElementwiseXClasses,
                          describe(prhs[0]).text);
    arguments->x = static_cast<const double*>(mxGetData(prhs[0])); // its real parts, of its class
    arguments->count = mxGetNumberOfElements(prhs[0]);
    arguments->operation = operation;
    arguments->penalty = readPenalty(functionName, operation, prhs[1]);
    if (arguments->penalty < 0
        || !readWeights(functionName, operation, prhs[2], arguments->count, &arguments->lambda,
                        &arguments->lambdaPerElement, &arguments->lambdaValue)
        || !readTheta(functionName, arguments->penalty, nrhs, prhs, 3, &arguments->theta))
        return false;
    arguments->gamma = 1;
    if (!takesGamma || isOmitted(nrhs, prhs, 4))
        return true;
    const PenaltyInfo& info = kPenaltyInfo[arguments->penalty];
    return readPositiveScalar(functionName, "invalidGamma", "GAMMA", prhs[4], info.gamma.lower, info.gamma.upper,
                              info.name, &arguments->gamma);
}

void reportInvalidWeightValue(const char* functionName, unsigned operation, std::size_t bad, double value,
                              mxArray** result)
{
    if (*result)
        mxDestroyArray(*result);
    *result = nullptr;
    raiseError(functionName, "invalidLambda", "LAMBDA(%zu) is %s; every weight must be %s.", bad + 1,
               shown(value).text, weightRule(operation));
}

void joinThreadsAtExit()
{
    followHostThreadLimit();
    static bool registered = false;
    if (!registered)
        registered = mexAtExit(stopThreads) == 0;
}
