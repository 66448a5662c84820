// libFuzzer target for one gateway (GATEWAY_NAME, linked with its
// mexFunction) over the stand-in MEX API, whose buffers are exactly as long
// as the arrays they hold, so AddressSanitizer flags any read past x.
//
// Before fuzzing, every call of the bad-call table for this gateway must
// raise its identifier. Then the input picks the argument count and, per
// argument, either a double array of fuzzed shape and contents or one of
// the table's kinds of bad argument. Every call is checked against what a
// caller is promised: a bad call raises the identifier its first bad
// argument calls for; a good one yields an n-by-1 (or 1-by-1) double equal
// to the kernel's result, leaves x as it was, and repeats bit for bit.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "call_table.h"
#include "dispatch.h"
#include "fuzz_input.h"
#include "standin_api.h"

extern "C" void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

const bool kIsShrink = std::strcmp(GATEWAY_NAME, "penaltyShrink") == 0;

void fail(const char* what)
{
    std::fprintf(stderr, "%s: %s\n", GATEWAY_NAME, what);
    std::abort();
}

const std::vector<std::string> kKinds = tableKindExpressions();

// Counts worth trying: small, at the edges of x, and the unconvertible.
double countValue(FuzzInput& in)
{
    const double specials[] = {NAN, INFINITY, -INFINITY, 2147483648.0, -2147483649.0, 1e300,
                               -0.5, 0.99, 2147483647.0, -2147483648.0};
    const std::uint8_t pick = in.byte();
    if (pick < 200)
        return (pick % 70) + (in.byte() % 4) * 0.25 - 2;
    return specials[pick % 10];
}

mxArray* makeArgument(FuzzInput& in, int position)
{
    const std::uint8_t kind = in.byte();
    if (kind >= 224)
        return buildArguments(kKinds[kind % kKinds.size()]).at(0);
    const std::size_t rows = position == 0 ? in.byte() % 70 : (in.byte() < 230 ? 1 : in.byte() % 3);
    const std::size_t columns = position == 0 ? 1 + (in.byte() < 40) : (in.byte() < 240 ? 1 : in.byte() % 3);
    const std::uint8_t flags = in.byte();
    mxArray* array = standinCreateArray(StandinDouble, rows, columns, flags >= 250, flags >= 245 && flags < 250);
    unsigned char* data = static_cast<unsigned char*>(standinRealData(array));
    for (std::size_t i = 0; i < rows * columns; ++i) {
        const double v = position == 1 ? countValue(in) : in.element();
        std::memcpy(data + 8 * i, &v, 8);
    }
    return array;
}

bool isRealFullDouble(const mxArray* a) { return mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a); }

bool isScalarSource(const mxArray* a)
{
    return (mxIsNumeric(a) || mxIsLogical(a)) && !mxIsEmpty(a) && !mxIsComplex(a) && !mxIsSparse(a);
}

// What the call must do, decided from the arguments alone.
std::string expectedError(int nrhs, const mxArray* const* prhs, long long* count)
{
    if (nrhs < 5)
        return "notEnoughInputs";
    if (!isRealFullDouble(prhs[0]))
        return "invalidX";
    for (int k = 1; k <= 4; ++k)
        if (!isScalarSource(prhs[k]))
            return "invalidScalar";
    const double t = std::trunc(mxGetScalar(prhs[1]));
    *count = (t >= -2147483648.0 && t <= 2147483647.0) ? static_cast<long long>(t) : INT32_MIN;
    if (*count > static_cast<long long>(mxGetNumberOfElements(prhs[0])))
        return "countExceedsLength";
    return "";
}

struct Outcome {
    bool raised;
    std::string identifier;
    std::size_t rows, columns;
    std::vector<std::uint64_t> bits;
};

Outcome call(int nrhs, const mxArray** prhs)
{
    Outcome o{};
    mxArray* plhs[1] = {nullptr};
    char identifier[128] = "";
    o.raised = standinCallMex(mexFunction, 1, plhs, nrhs, prhs, identifier, sizeof identifier);
    o.identifier = identifier;
    if (!o.raised) {
        if (!plhs[0] || standinClassOf(plhs[0]) != StandinDouble || mxIsComplex(plhs[0]))
            fail("result is not a real double array");
        o.rows = standinRows(plhs[0]);
        o.columns = standinColumns(plhs[0]);
        const std::size_t n = o.rows * o.columns;
        o.bits.resize(n);
        if (n)
            std::memcpy(o.bits.data(), mxGetPr(plhs[0]), 8 * n);
    } else if (plhs[0]) {
        fail("an error left a result behind");
    }
    standinDestroyArray(plhs[0]);
    return o;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    for (const TableCall& c : tableCalls()) {
        if (c.function != GATEWAY_NAME)
            continue;
        std::vector<mxArray*> args = buildArguments(c.arguments);
        std::vector<const mxArray*> prhs(args.begin(), args.end());
        const Outcome o = call(static_cast<int>(prhs.size()), prhs.data());
        const std::string expected = c.expected == "ok" ? "" : std::string(GATEWAY_NAME) + ":" + c.expected;
        if (o.identifier != expected)
            fail(("table call (" + c.arguments + ") raised '" + o.identifier + "'").c_str());
        for (mxArray* a : args)
            standinDestroyArray(a);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in{data, size};
    const std::uint8_t countByte = in.byte();
    const int nrhs = countByte < 200 ? 5 : countByte % 8;
    std::vector<mxArray*> args;
    for (int k = 0; k < nrhs; ++k)
        args.push_back(makeArgument(in, k));
    std::vector<const mxArray*> prhs(args.begin(), args.end());
    std::vector<unsigned char> xBefore;
    if (nrhs > 0 && mxGetPr(args[0]))
        xBefore.assign(reinterpret_cast<unsigned char*>(standinRealData(args[0])),
                       reinterpret_cast<unsigned char*>(standinRealData(args[0])) +
                           8 * mxGetNumberOfElements(args[0]) * (mxIsDouble(args[0]) ? 1 : 0));

    long long count = 0;
    const std::string expected = expectedError(nrhs, prhs.data(), &count);
    const Outcome first = call(nrhs, prhs.data());
    if (!expected.empty()) {
        if (!first.raised || first.identifier != std::string(GATEWAY_NAME) + ":" + expected)
            fail(("expected error " + expected + ", got '" + first.identifier + "'").c_str());
    } else {
        if (first.raised)
            fail(("unexpected error " + first.identifier).c_str());
        const std::size_t rows = kIsShrink ? static_cast<std::size_t>(count > 0 ? count : 0) : 1;
        if (first.rows != rows || first.columns != 1)
            fail("wrong result shape");
        std::vector<double> direct(rows ? rows : 1);
        const double lambda = mxGetScalar(prhs[2]), theta = mxGetScalar(prhs[3]);
        const double codeValue = std::trunc(mxGetScalar(prhs[4]));
        const PenaltyType type = static_cast<PenaltyType>(
            (codeValue >= -2147483648.0 && codeValue <= 2147483647.0) ? static_cast<std::int32_t>(codeValue) : INT32_MIN);
        const std::int32_t n = static_cast<std::int32_t>(count);
        if (kIsShrink)
            shrinkByPenalty(type, direct.data(), mxGetPr(prhs[0]), n, lambda, theta);
        else
            sumByPenalty(type, direct.data(), mxGetPr(prhs[0]), n, lambda, theta);
        if (rows && std::memcmp(direct.data(), first.bits.data(), 8 * rows) != 0)
            fail("result differs from the kernel's");
    }
    if (!xBefore.empty() && std::memcmp(xBefore.data(), standinRealData(args[0]), xBefore.size()) != 0)
        fail("x was modified");
    const Outcome second = call(nrhs, prhs.data());
    if (second.raised != first.raised || second.identifier != first.identifier || second.bits != first.bits)
        fail("a repeated call gave another result");
    for (mxArray* a : args)
        standinDestroyArray(a);
    return 0;
}
