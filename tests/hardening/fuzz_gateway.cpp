// libFuzzer target for one gateway (GATEWAY_NAME, linked with its
// mexFunction) over the stand-in MEX API, whose buffers are exactly as long
// as the arrays they hold, so AddressSanitizer flags any read past them.
//
// The calls of the bad-call table, which pins which argument is refused
// and how, are the MEX host's to replay (under the same sanitizers in the
// sanitize build); here the input picks the number of outputs
// and inputs and, per input, either a double array of fuzzed shape and
// contents, a value of the kind that position takes (a penalty name or
// code, a weight vector), or one of the table's tokens of bad argument; the
// arrays are double, single, complex or sparse now and then. A refused call
// must raise one of the identifiers the table knows for this gateway and
// leave no result; an accepted one must yield a result of the promised
// class and shape whose bits are the kernels' for the arguments as given
// (a single one the double result rounded once, a sparse one the full
// result with no zero stored). Every call leaves its inputs as they were
// and repeats bit for bit.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "call_table.h"
#include "class_drivers.h"
#include "dispatch.h"
#include "fuzz_input.h"
#include "penalty_list.h"
#include "standin_api.h"

extern "C" void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

const std::string kName = GATEWAY_NAME;
// penaltyShrink and penaltySum take (x, n, lambda, theta, code); the others
// (x, penalty, lambda[, theta[, gamma]]).
const bool kCounted = kName == "penaltyShrink" || kName == "penaltySum";
const std::vector<std::string> kKinds = tableKindTokens();

void fail(const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", GATEWAY_NAME, what.c_str());
    std::abort();
}

// A double array, or now and then a single, complex or sparse one (the
// stand-in's sparse arrays store every element, zeros included).
mxArray* fuzzedArray(FuzzInput& in, std::size_t rows, std::size_t columns, bool magnitudes)
{
    const std::uint8_t flags = in.byte();
    const bool single = flags >= 200 && flags < 225, complex = flags >= 250 || (flags >= 215 && flags < 225);
    mxArray* array = standinCreateArray(single ? StandinSingle : StandinDouble, rows, columns, complex,
                                        flags >= 240 && flags < 250);
    for (void* part : {standinRealData(array), standinImagData(array)}) {
        for (std::size_t i = 0; part && i < rows * columns; ++i) {
            double v = in.element();
            v = magnitudes && in.byte() < 230 ? std::fabs(v) : v;
            if (single)
                static_cast<float*>(part)[i] = static_cast<float>(v);
            else
                static_cast<double*>(part)[i] = v;
        }
    }
    return array;
}

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

mxArray* makeArgument(FuzzInput& in, int position, std::size_t xCount)
{
    const std::uint8_t kind = in.byte();
    if (kind >= 232)
        return buildArguments(kKinds[kind % kKinds.size()]).at(0);
    if (position == 0)
        return fuzzedArray(in, in.byte() % 70, 1 + (in.byte() < 40), false);
    if (kCounted) {
        mxArray* a = fuzzedArray(in, in.byte() < 230 ? 1 : in.byte() % 3, in.byte() < 240 ? 1 : in.byte() % 3, false);
        if (position == 1 && mxGetNumberOfElements(a) > 0) {
            const double count = countValue(in);
            if (mxIsSingle(a))
                static_cast<float*>(standinRealData(a))[0] = static_cast<float>(count);
            else
                static_cast<double*>(standinRealData(a))[0] = count;
        }
        return a;
    }
    const std::uint8_t pick = in.byte();
    switch (position) {
    case 1: { // the penalty: a name in any case, a code, or a near miss
        if (pick < 150) {
            std::string name = kPenaltyInfo[in.byte() % kPenaltyCount].name;
            for (char& c : name)
                if (in.byte() < 40 && c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
            if (in.byte() < 10) {
                const std::uint8_t miss = in.byte();
                name += miss < 80 ? std::string(" ") : miss < 160 ? std::string("x") : std::string(1, '\0') + "zz";
            }
            return text(name);
        }
        return pick < 220 ? scalar(in.byte() % 7 - 1.0 + (in.byte() < 20 ? 0.5 : 0.0)) : scalar(in.element());
    }
    case 2: { // lambda: one weight or one per element (or a wrong count), Inf among them
        mxArray* a = pick < 120 ? fuzzedArray(in, 1, 1, true) : fuzzedArray(in, xCount + (pick >= 245 ? 1 : 0), 1, true);
        const std::size_t n = mxGetNumberOfElements(a);
        if (n && in.byte() < 40) {
            const std::size_t k = in.byte() % n;
            if (mxIsSingle(a))
                static_cast<float*>(standinRealData(a))[k] = INFINITY;
            else
                static_cast<double*>(standinRealData(a))[k] = INFINITY;
        }
        return a;
    }
    default: // theta and gamma: scalars, [], or short arrays
        if (pick < 20)
            return standinCreateArray(StandinDouble, 0, 0, false, false);
        return fuzzedArray(in, pick < 240 ? 1 : 2, 1, pick < 200);
    }
}

// An element of an accepted array as a double (a single one exactly).
double elementOf(const mxArray* a, std::size_t i)
{
    void* data = standinRealData(const_cast<mxArray*>(a));
    if (!mxIsDouble(a) && !mxIsSingle(a))
        fail("accepted an array that is neither double nor single");
    return mxIsSingle(a) ? static_cast<const float*>(data)[i] : static_cast<const double*>(data)[i];
}

// Only [] or an absent input leaves theta or gamma out.
bool leftOut(int nrhs, const mxArray* const* prhs, int k)
{
    return nrhs <= k || (mxIsDouble(prhs[k]) && standinRows(prhs[k]) == 0 && standinColumns(prhs[k]) == 0);
}

// What an accepted named call asked for, read as the gateway promises to:
// the penalty by name (letters in either case) or by code 1 to 4.
struct Named {
    int penalty;
    bool perElement;
    double lambda, theta, gamma;
};

Named namedCall(int nrhs, const mxArray* const* prhs)
{
    Named call{-1, mxGetNumberOfElements(prhs[2]) != 1, 0, 0, 1};
    if (mxIsChar(prhs[1])) {
        std::string name;
        for (std::size_t i = 0; i < mxGetNumberOfElements(prhs[1]); ++i)
            name += static_cast<char>(static_cast<const std::uint16_t*>(standinRealData(const_cast<mxArray*>(prhs[1])))[i]);
        call.penalty = name.find('\0') == std::string::npos ? penaltyIndexOfName(name.c_str()) : -1;
    } else {
        for (int p = 0; p < kPenaltyCount; ++p)
            if (kPenaltyInfo[p].code != 0 && mxGetScalar(prhs[1]) == static_cast<double>(kPenaltyInfo[p].code))
                call.penalty = p;
    }
    if (call.penalty < 0)
        fail("accepted a penalty it has no kernel for");
    call.lambda = call.perElement ? 0 : mxGetScalar(prhs[2]);
    if (!leftOut(nrhs, prhs, 3))
        call.theta = mxGetScalar(prhs[3]);
    if (!leftOut(nrhs, prhs, 4))
        call.gamma = mxGetScalar(prhs[4]);
    return call;
}

// A count or code as the counted gateways read it: truncated, and
// INT32_MIN when that is outside the 32-bit range.
std::int32_t truncatedInt(const mxArray* a)
{
    const double t = std::trunc(mxGetScalar(a));
    return (t >= -2147483648.0 && t <= 2147483647.0) ? static_cast<std::int32_t>(t) : INT32_MIN;
}

// The identifiers this gateway may raise: the table's, and asking for two outputs.
std::vector<std::string> knownIdentifiers()
{
    std::vector<std::string> all = {kName + ":tooManyOutputs"};
    for (const TableCall& c : tableCalls())
        if (c.function == kName && c.expected != "ok")
            all.push_back(kName + ":" + c.expected);
    return all;
}

// A call's first result (none where it raised): its class and shape, and
// its bits, a sparse one expanded to full, the imaginary parts after the
// real ones.
struct Outcome {
    bool raised;
    std::string identifier;
    std::size_t rows, columns;
    bool single, complex, sparse;
    std::vector<std::uint64_t> bits;
};

Outcome call(int nlhs, const std::vector<mxArray*>& args)
{
    const CallResult r = callMex(mexFunction, nlhs, args, 1)[0];
    if (r.raised != !r.present)
        fail(r.raised ? "an error left a result behind" : "no result");
    if (r.present && !r.single && r.classId != StandinDouble)
        fail("result is neither double nor single");
    std::vector<double> all = r.values;
    if (r.sparse && !expandSparse(r, &all))
        fail("a sparse result stores a zero or a bad row index");
    all.insert(all.end(), r.imag.begin(), r.imag.end());
    Outcome o{r.raised, r.identifier, r.rows, r.columns, r.single, r.complex, r.sparse,
              std::vector<std::uint64_t>(all.size())};
    if (!all.empty())
        std::memcpy(o.bits.data(), all.data(), 8 * all.size());
    return o;
}

// The result the kernels give for a valid call, and its shape.
std::vector<std::uint64_t> directResult(int nrhs, const mxArray* const* prhs, std::size_t* rows, std::size_t* columns)
{
    std::vector<double> out;
    if (kCounted) {
        const PenaltyType type = static_cast<PenaltyType>(truncatedInt(prhs[4]));
        const std::int32_t count = truncatedInt(prhs[1]);
        if (!mxIsDouble(prhs[0]) || mxIsComplex(prhs[0]) || mxIsSparse(prhs[0]))
            fail("accepted an x that is not real full double");
        if (count > static_cast<std::int32_t>(mxGetNumberOfElements(prhs[0])))
            fail("accepted a count beyond the elements of x");
        *rows = kName == "penaltyShrink" ? static_cast<std::size_t>(count > 0 ? count : 0) : 1;
        *columns = 1;
        out.resize(*rows ? *rows : 1);
        if (kName == "penaltyShrink")
            shrinkByPenalty(type, out.data(), mxGetPr(prhs[0]), count, mxGetScalar(prhs[2]), mxGetScalar(prhs[3]));
        else
            sumByPenalty(type, out.data(), mxGetPr(prhs[0]), count, mxGetScalar(prhs[2]), mxGetScalar(prhs[3]));
        out.resize(*rows);
    } else {
        const Named named = namedCall(nrhs, prhs);
        *rows = standinRows(prhs[0]);
        *columns = standinColumns(prhs[0]);
        const std::size_t n = *rows * *columns;
        const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(n);
        if (named.perElement && mxGetNumberOfElements(prhs[2]) != n)
            fail("accepted a weight count other than the elements of x");
        // x and the weights as doubles (exactly), and a complex x's
        // imaginary parts, through the class drivers.
        std::vector<double> x(n), weights(named.perElement ? n : 1, named.lambda), im, outIm;
        const bool complex = mxIsComplex(prhs[0]);
        for (std::size_t i = 0; i < n; ++i) {
            x[i] = elementOf(prhs[0], i);
            if (named.perElement)
                weights[i] = elementOf(prhs[2], i);
            if (complex)
                im.push_back(mxIsSingle(prhs[0]) ? static_cast<const float*>(standinImagData(const_cast<mxArray*>(prhs[0])))[i]
                                                 : static_cast<const double*>(standinImagData(const_cast<mxArray*>(prhs[0])))[i]);
        }
        const ElementOperation op = kName == "penaltyProx" ? ProxOfElements
                                    : kName == "penaltyValue" ? ValueOfElements : DerivativeOfElements;
        out.resize(n);
        outIm.resize(complex && op == ProxOfElements ? n : 0);
        elementsOfClasses({op, named.penalty, named.theta, named.gamma}, {out.data(), outIm.empty() ? nullptr : outIm.data(), false},
                          {x.data(), complex ? im.data() : nullptr, false}, {weights.data(), false, named.perElement}, count);
        out.insert(out.end(), outIm.begin(), outIm.end());
        // A single result is the double one rounded once; a sparse one
        // stores no zero (expanded, +0).
        for (double& d : out) {
            if (mxIsSingle(prhs[0]))
                d = static_cast<float>(d);
            if (mxIsSparse(prhs[0]) && kName != "penaltyDerivative" && d == 0)
                d = 0.0;
        }
    }
    std::vector<std::uint64_t> bits(out.size());
    if (!out.empty())
        std::memcpy(bits.data(), out.data(), 8 * out.size());
    return bits;
}

std::vector<unsigned char> contents(const mxArray* a)
{
    const std::size_t bytes = standinElementBytes(standinClassOf(a));
    std::vector<unsigned char> all;
    for (const void* part : {standinRealData(const_cast<mxArray*>(a)), standinImagData(const_cast<mxArray*>(a))}) {
        const unsigned char* p = static_cast<const unsigned char*>(part);
        if (p)
            all.insert(all.end(), p, p + bytes * mxGetNumberOfElements(a));
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in{data, size};
    const std::uint8_t countByte = in.byte();
    const int nlhs = kCounted ? 1 : (in.byte() < 240 ? 1 : in.byte() % 3);
    const int nrhs = countByte < 200 ? (kCounted ? 5 : 3 + countByte % 3) : countByte % 8;
    std::vector<mxArray*> args;
    for (int k = 0; k < nrhs; ++k)
        args.push_back(makeArgument(in, k, args.empty() ? 0 : mxGetNumberOfElements(args[0])));
    const std::vector<const mxArray*> prhs(args.begin(), args.end());
    std::vector<std::vector<unsigned char>> before;
    for (mxArray* a : args)
        before.push_back(contents(a));

    const Outcome first = call(nlhs, args);
    if (first.raised) {
        static const std::vector<std::string> known = knownIdentifiers();
        if (std::find(known.begin(), known.end(), first.identifier) == known.end())
            fail("raised '" + first.identifier + "', an identifier the table does not know");
    } else {
        std::size_t rows = 0, columns = 0;
        const std::vector<std::uint64_t> direct = directResult(nrhs, prhs.data(), &rows, &columns);
        if (first.rows != rows || first.columns != columns)
            fail("wrong result shape");
        if (!kCounted && (first.single != (mxIsSingle(prhs[0]) != 0)
                          || first.complex != (mxIsComplex(prhs[0]) && kName == "penaltyProx")
                          || first.sparse != (mxIsSparse(prhs[0]) && kName != "penaltyDerivative")))
            fail("wrong result class");
        if (direct != first.bits)
            fail("result differs from the kernel's");
    }
    for (std::size_t k = 0; k < args.size(); ++k)
        if (contents(args[k]) != before[k])
            fail("input " + std::to_string(k + 1) + " was modified");
    const Outcome second = call(nlhs, args);
    if (second.raised != first.raised || second.identifier != first.identifier || second.bits != first.bits)
        fail("a repeated call gave another result");
    for (mxArray* a : args)
        standinDestroyArray(a);
    return 0;
}
