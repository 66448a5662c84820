// Loads the gateways' MEX files the way MATLAB does (by path, entering
// through mexFunction) over the stand-in API and prints every result as a
// bit pattern. It replays tables of calls (a gateway and its inputs): the
// golden cases, seeded random sets, and the bad-call table that the Octave
// suites and the fuzzers read too (the argument conversions among its
// rows); and pairs of calls that must agree: single, complex and sparse
// against double, compressed designs against dense ones, threads against
// one thread. The same source runs natively and, cross-built, under Wine
// against the .mexw32 and .mexw64 files, so the printed outputs of all
// builds can be compared line for line.
//
// usage: mex_host MEX... [--x87 53|64] [--stack-skew 0|4|8|12]
// Each MEX file is known by its base name (penaltyShrink.mexw64 is
// penaltyShrink); a gateway that is not given is skipped.
// Exit status 0 when every golden result and every error identifier is as
// expected; the comparison across builds is made on the output.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "call_table.h"
#include "golden_cases.h"
#include "penalty_list.h"
#include "standin_api.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <tlhelp32.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#include <thread>
#endif

#if defined(__i386__)
// Calls gRealEntry with the stack pointer gStackSkew bytes below a 16-byte
// boundary at the call, so the DLL sees only the 4-byte alignment that a
// 32-bit Windows caller guarantees.
extern "C" {
MexEntry gRealEntry __asm__("gRealEntry") = nullptr;
int gStackSkew __asm__("gStackSkew") = 0;
void skewedEntry(int, mxArray**, int, const mxArray**) __asm__("skewedEntry");
}
__asm__(".text\n"
        ".globl skewedEntry\n"
        "skewedEntry:\n"
        "  pushl %ebp\n"
        "  movl %esp, %ebp\n"
        "  andl $-16, %esp\n"
        "  subl gStackSkew, %esp\n"
        "  subl $16, %esp\n"
        "  movl 20(%ebp), %eax\n  movl %eax, 12(%esp)\n"
        "  movl 16(%ebp), %eax\n  movl %eax, 8(%esp)\n"
        "  movl 12(%ebp), %eax\n  movl %eax, 4(%esp)\n"
        "  movl 8(%ebp), %eax\n  movl %eax, 0(%esp)\n"
        "  call *gRealEntry\n"
        "  leave\n"
        "  ret\n");
#endif

namespace {

int passed = 0;
int failed = 0;


void check(bool ok, const std::string& label)
{
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAIL %s\n", label.c_str());
    }
}

struct LoadedMex {
    void* module = nullptr;
    MexEntry entry = nullptr;
};

LoadedMex loadMex(const char* path)
{
    LoadedMex loaded;
#if defined(_WIN32)
    // Wine maps the Unix root to drive Z:; LoadLibrary wants backslashes.
    std::string windowsPath = path[0] == '/' ? std::string("Z:") + path : std::string(path);
    for (char& c : windowsPath)
        if (c == '/')
            c = '\\';
    HMODULE module = LoadLibraryA(windowsPath.c_str());
    if (module) {
        loaded.module = module;
        loaded.entry = reinterpret_cast<MexEntry>(reinterpret_cast<void*>(GetProcAddress(module, "mexFunction")));
    }
#else
    loaded.module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (loaded.module)
        loaded.entry = reinterpret_cast<MexEntry>(dlsym(loaded.module, "mexFunction"));
#endif
    return loaded;
}

// `clear`: the file's exit function (which joins its worker threads), then
// the file unloaded; a thread left running in it would now crash the host.
void clearMex(const LoadedMex& loaded)
{
    standinClearMex(loaded.entry);
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(loaded.module));
#else
    dlclose(loaded.module);
#endif
}

void setThreadCap(const char* value) // null: unset
{
#if defined(_WIN32)
    SetEnvironmentVariableA("OMP_NUM_THREADS", value);
#else
    if (value)
        setenv("OMP_NUM_THREADS", value, 1);
    else
        unsetenv("OMP_NUM_THREADS");
#endif
}

// --- How the entry is called: x87 precision and stack alignment (32-bit x86) ---

unsigned short x87ControlWord = 0; // 0: leave the process default
int stackSkew = 0;



std::map<std::string, MexEntry> gateways; // by function name: the file's base name

bool loaded(const std::string& gateway) { return gateways.count(gateway) != 0; }

// Calls a gateway with the given arguments, which it then frees, asking
// for `outputs` results; each output's result (all raised, or none).
std::vector<CallResult> callGateway(const std::string& gateway, std::vector<mxArray*> args, int outputs = 1)
{
    MexEntry entry = gateways.at(gateway);
#if defined(__i386__)
    if (x87ControlWord)
        __asm__ volatile("fldcw %0" : : "m"(x87ControlWord));
    gRealEntry = entry;
    gStackSkew = stackSkew;
    entry = skewedEntry;
#endif
    std::vector<CallResult> results = callMex(entry, outputs, args, outputs);
    for (mxArray* a : args)
        standinDestroyArray(a);
    return results;
}

CallResult callOne(const std::string& gateway, std::vector<mxArray*> args)
{
    return callGateway(gateway, std::move(args))[0];
}

// --- Arguments ---

mxArray* matrixOf(const std::vector<double>& values, std::size_t rows, std::size_t columns)
{
    return doubleArray(values.data(), rows, columns);
}

mxArray* empty() { return standinCreateArray(StandinDouble, 0, 0, false, false); }

// The gateways of the penalties: penaltyShrink and penaltySum (x, n,
// lambda, theta, code), then the elementwise ones (x, penalty, lambda, ...).
const char* const kPenaltyGateways[] = {"penaltyShrink", "penaltySum", "penaltyProx", "penaltyValue", "penaltyDerivative"};

bool counted(const std::string& gateway) { return gateway == "penaltyShrink" || gateway == "penaltySum"; }

std::vector<mxArray*> countedInputs(mxArray* x, double n, double lambda, double theta, double code)
{
    return {x, scalar(n), scalar(lambda), scalar(theta), scalar(code)};
}

// A penalty gateway's inputs: (x, n, lambda, theta, code) for penaltyShrink
// and penaltySum, (x, name, lambda, theta or [][, gamma]) for the others.
std::vector<mxArray*> penaltyInputs(const std::string& gateway, mxArray* x, int penalty, mxArray* lambda,
                                    double theta, double gamma)
{
    const PenaltyInfo& info = kPenaltyInfo[penalty];
    if (counted(gateway)) {
        const double n = static_cast<double>(mxGetNumberOfElements(x));
        const double weight = mxGetScalar(lambda);
        standinDestroyArray(lambda);
        return countedInputs(x, n, weight, theta, info.code);
    }
    std::vector<mxArray*> args = {x, text(info.name), lambda, info.theta.taken ? scalar(theta) : empty()};
    if (gateway == "penaltyProx")
        args.push_back(scalar(gamma));
    return args;
}

int penaltyNamed(const char* name)
{
    for (int p = 0; p < kPenaltyCount; ++p)
        if (std::strcmp(kPenaltyInfo[p].name, name) == 0)
            return p;
    std::fprintf(stderr, "mex_host: no penalty '%s'\n", name);
    std::exit(2);
}

// --- Printing and checking ---

std::uint64_t bitsOf(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

bool sameBits(double a, double b) { return bitsOf(a) == bitsOf(b) || (a != a && b != b); }

bool sameValues(const CallResult& a, const CallResult& b)
{
    bool same = !a.raised && !b.raised && a.values.size() == b.values.size();
    for (std::size_t i = 0; same && i < a.values.size(); ++i)
        same = sameBits(a.values[i], b.values[i]);
    return same;
}

// One output line per result: its shape and bits, or the error it raised.
void printResult(const std::string& label, const CallResult& r)
{
    if (r.raised) {
        std::printf("%s error %s\n", label.c_str(), r.identifier.c_str());
        return;
    }
    // Any NaN prints as "nan": which NaN an operation on two NaNs passes on
    // depends on the compiler's operand order, not on the arithmetic.
    std::printf("%s %zux%zu%s%s%s", label.c_str(), r.rows, r.columns, r.single ? " single" : "",
                r.complex ? " complex" : "", r.sparse ? " sparse" : "");
    auto print = [](const std::vector<double>& values) {
        for (double v : values) {
            if (v != v)
                std::printf(" nan");
            else
                std::printf(" %016" PRIx64, bitsOf(v));
        }
    };
    print(r.values);
    if (r.complex) {
        std::printf(" |");
        print(r.imag);
    }
    if (r.sparse) {
        std::printf(" | rows");
        for (int i : r.rowIndices)
            std::printf(" %d", i);
        std::printf(" | starts");
        for (int j : r.columnStarts)
            std::printf(" %d", j);
    }
    std::printf("\n");
}

// --- The table of calls, and its one replay ---

// A call of a gateway, and what it must give: "" nothing to check (the
// output is compared across builds), "ok" no error, "golden" a one-element
// result of exactly `value`'s bits, otherwise the identifier's suffix.
struct HostCall {
    std::string gateway, label;
    std::vector<mxArray*> inputs;
    std::string expected;
    double value = 0;
    int outputs = 1;
};

void replay(const std::vector<HostCall>& calls)
{
    for (const HostCall& c : calls) {
        if (!loaded(c.gateway)) {
            for (mxArray* a : c.inputs)
                standinDestroyArray(a);
            continue;
        }
        const std::vector<CallResult> results = callGateway(c.gateway, c.inputs, c.outputs);
        for (int k = 0; k < (results[0].raised ? 1 : c.outputs); ++k)
            printResult(c.outputs > 1 && !results[0].raised ? c.label + " output " + std::to_string(k) : c.label,
                        results[k]);
        const CallResult& r = results[0];
        if (c.expected == "golden")
            check(!r.raised && r.values.size() == 1 && sameBits(r.values[0], c.value), c.label);
        else if (c.expected == "ok")
            check(!r.raised, c.label);
        else if (!c.expected.empty())
            check(r.raised && r.identifier == c.gateway + ":" + c.expected, c.label);
    }
}

std::vector<HostCall> goldenCalls()
{
    std::vector<HostCall> calls;
    auto golden = [&](const std::string& gateway, std::vector<mxArray*> inputs, double expected) {
        calls.push_back({gateway, "golden " + gateway + " " + std::to_string(calls.size()), inputs, "golden", expected});
    };
    for (const ProxCase& c : kProxCases)
        golden("penaltyShrink", countedInputs(scalar(c.x), 1, c.lambda, c.theta, c.type), c.expected);
    for (const SumCase& c : kSumCases)
        golden("penaltySum", countedInputs(doubleColumn(c.x), static_cast<double>(c.x.size()), c.lambda, c.theta, c.type),
               c.expected);
    for (const ProxStepCase& c : kProxStepCases)
        golden("penaltyProx", penaltyInputs("penaltyProx", scalar(c.x), penaltyNamed(c.penalty), scalar(c.lambda), c.theta, c.gamma),
               c.expected);
    for (const ElementCase& c : kElementCases) {
        const char* gateway = c.what == 'p' ? "penaltyProx" : c.what == 'v' ? "penaltyValue" : "penaltyDerivative";
        golden(gateway, penaltyInputs(gateway, scalar(c.x), penaltyNamed(c.penalty), scalar(c.lambda), c.theta, 1),
               c.expected);
    }
    return calls;
}

// Every call of the bad-call table for the gateways given: the identifier
// it names, or no error at all for an "ok" row (penaltyFitCore asked for
// its eight outputs, or one for a question about the penalty list); and
// two outputs asked of every elementwise gateway.
std::vector<HostCall> badCalls()
{
    std::vector<HostCall> calls;
    for (const TableCall& c : tableCalls()) {
        if (!loaded(c.function))
            continue;
        std::vector<mxArray*> args = buildArguments(c.arguments);
        const int outputs = c.function == "penaltyFitCore" && args.size() > 1 ? 8 : 1;
        calls.push_back({c.function, "badcall " + c.function + "(" + c.arguments + ")", args, c.expected, 0, outputs});
    }
    for (const char* gateway : kPenaltyGateways)
        calls.push_back({gateway, std::string("badcall ") + gateway + " two outputs",
                         counted(gateway) ? countedInputs(doubleColumn({1, 2}), 2, 1, 3, 4)
                                          : std::vector<mxArray*>{doubleColumn({1}), text("l1"), scalar(1)},
                         "tooManyOutputs", 0, 2});
    return calls;
}

std::uint64_t rngState = 0x2545F4914F6CDD1Dull;

std::uint64_t nextRandom() // splitmix64: integer-only, the same everywhere
{
    std::uint64_t z = (rngState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double unitRandom() { return static_cast<double>(nextRandom() >> 11) * 0x1p-53; }

// Elements that stress the kernels: values near every threshold (and one
// bit either side), special values, and arbitrary bit patterns, signalling
// NaNs among them. Stored as bits: on 32-bit x86 a double returned by
// value passes through the x87 unit, which would quieten a signalling NaN.
void randomElement(double* element, double lambda, double theta)
{
    const std::uint64_t sign = (nextRandom() & 1) << 63;
    const double marks[] = {lambda, theta, lambda * theta, 2 * lambda, lambda + theta, 0.0,
                            kInf, 4.9e-324, 2.2250738585072014e-308, 1e300};
    std::uint64_t bits;
    switch (nextRandom() % 8) {
    case 0: bits = nextRandom(); break;
    case 1: bits = sign ^ bitsOf(marks[nextRandom() % 10]); break;
    case 2: bits = sign ^ (bitsOf(marks[nextRandom() % 5]) + (nextRandom() % 5) - 2); break;
    case 3: bits = bitsOf(kNaN); break;
    default: bits = sign ^ bitsOf(unitRandom() * 3 * (lambda * theta + lambda + 1));
    }
    std::memcpy(element, &bits, sizeof bits);
}

// A theta inside the penalty's range: up to 6 above its lower end, or
// anywhere in it when it is that narrow; 0 for a penalty without one.
double thetaInRange(const ThetaRange& range)
{
    if (!range.taken)
        return 0;
    if (range.upper - range.lower <= 6)
        return range.lower + (range.upper - range.lower) * unitRandom();
    return range.lower + 0.01 + unitRandom() * 6;
}

bool supports(const std::string& gateway, int penalty)
{
    return !counted(gateway) || (kPenaltyInfo[penalty].operations & ShrinkOperation);
}

// Per gateway and penalty, seeded random elements (special values and
// arbitrary bit patterns among them). penaltyShrink and penaltySum get one
// weight and theta, outside their ranges in every eighth set, and
// penaltySum every prefix length in steps, so that each term counts; the
// others get one weight or one per element (zeros among them, and
// infinities but for penaltyDerivative, which refuses them) and, for
// penaltyProx, steps from 1e-3 to 1e3.
std::vector<HostCall> randomCalls(const std::string& gateway)
{
    const double steps[] = {1e-3, 0.25, 1, 1, 3.5, 1e3};
    const double odd[] = {0, -1.5, kInf, kNaN, 1, 2, 1e-300, -0.0};
    std::vector<HostCall> calls;
    for (int p = 0; p < kPenaltyCount; ++p) {
        if (!supports(gateway, p))
            continue;
        for (int set = 0; set < (counted(gateway) ? 64 : 24); ++set) {
            const int length = counted(gateway) ? 1000 : 1 + static_cast<int>(nextRandom() % 300);
            double theta = thetaInRange(kPenaltyInfo[p].theta), lambda = unitRandom() * 4;
            const double gamma = steps[nextRandom() % 6];
            if (counted(gateway) && set % 8 == 7) {
                lambda = odd[nextRandom() % 8];
                theta = odd[nextRandom() % 8];
            }
            std::vector<double> x(length), weights(length, lambda);
            for (int k = 0; k < length; ++k) {
                if (!counted(gateway))
                    weights[k] = nextRandom() % 5 == 0 ? 0.0 : unitRandom() * 3;
                randomElement(&x[k], weights[k] * gamma, theta);
                if (gateway != "penaltyDerivative" && !counted(gateway) && nextRandom() % 8 == 0)
                    weights[k] = kInf; // the element held at 0
            }
            const std::string label = "random " + gateway + " " + kPenaltyInfo[p].name + " set " + std::to_string(set);
            mxArray* lambdaArray = set % 2 == 0 && !counted(gateway) ? doubleColumn(weights) : scalar(weights[0]);
            calls.push_back({gateway, label, penaltyInputs(gateway, doubleColumn(x), p, lambdaArray, theta, gamma), ""});
            for (int n = 0; gateway == "penaltySum" && n <= length; n += 50)
                calls.push_back({gateway, label + " n " + std::to_string(n),
                                 countedInputs(doubleColumn(x), n, lambda, theta, kPenaltyInfo[p].code), ""});
        }
    }
    return calls;
}

// Arrays long enough to be spread over the worker threads, through every
// gateway and penalty: the result with the threads the machine has must
// be the bits of the one with OMP_NUM_THREADS=1, and a digest of it is
// printed for the comparison across builds (any NaN counted as one).
void replayLarge()
{
    const int length = (1 << 17) + 77; // log-sum's maps and sum, l1/2's and l2/3's maps shared
    auto digestOf = [](const CallResult& r) {
        std::uint64_t h = 0xcbf29ce484222325ull; // FNV-1a over the bits
        for (double v : r.values) {
            const std::uint64_t bits = v != v ? 0x7ff8000000000000ull : bitsOf(v);
            for (int k = 0; k < 64; k += 8)
                h = (h ^ ((bits >> k) & 0xff)) * 0x100000001b3ull;
        }
        return h;
    };
    for (int p = 0; p < kPenaltyCount; ++p) {
        const double lambda = 0.5 + unitRandom() * 2, theta = thetaInRange(kPenaltyInfo[p].theta);
        std::vector<double> x(length), weights(length);
        for (int k = 0; k < length; ++k) {
            randomElement(&x[k], lambda, theta);
            weights[k] = nextRandom() % 7 == 0 ? 0.0 : unitRandom() * 3;
        }
        for (const char* gateway : kPenaltyGateways) {
            if (!loaded(gateway) || !supports(gateway, p))
                continue;
            auto inputs = [&] {
                return penaltyInputs(gateway, doubleColumn(x), p, counted(gateway) ? scalar(lambda) : doubleColumn(weights),
                                     theta, 0.75);
            };
            setThreadCap(nullptr);
            const CallResult spread = callOne(gateway, inputs());
            setThreadCap("1");
            const CallResult single = callOne(gateway, inputs());
            setThreadCap(nullptr);
            const std::string label = std::string("large ") + gateway + " " + kPenaltyInfo[p].name;
            std::printf("%s %zu values, digest %016" PRIx64 "\n", label.c_str(), spread.values.size(), digestOf(spread));
            check(sameValues(spread, single), label + ": threads change no bit");
        }
    }
}

// --- Single, complex and sparse x ---

// A column of the values as double or as single (each rounded once), and
// complex with the imaginary parts im when they are given.
mxArray* column(const std::vector<double>& re, const std::vector<double>* im, bool single)
{
    mxArray* a = standinCreateArray(single ? StandinSingle : StandinDouble, re.size(), 1, im != nullptr, false);
    for (int part = 0; part < (im ? 2 : 1); ++part)
        for (std::size_t i = 0; i < re.size(); ++i) {
            const double v = part ? (*im)[i] : re[i];
            void* data = part ? standinImagData(a) : standinRealData(a);
            if (single)
                static_cast<float*>(data)[i] = static_cast<float>(v);
            else
                static_cast<double*>(data)[i] = v;
        }
    return a;
}

// The rows-by-columns sparse matrix of the nonzeros of full (column order),
// with an explicitly stored zero at every seventh nonzero's place.
mxArray* sparseOf(const std::vector<double>& full, int rows, int columns)
{
    int stored = 0;
    for (double v : full)
        stored += v != 0;
    mxArray* a = mxCreateSparse_700(rows, columns, stored, mxREAL);
    int* ir = mxGetIr_700(a);
    int* jc = mxGetJc_700(a);
    double* pr = static_cast<double*>(standinRealData(a));
    int k = 0;
    for (int j = 0; j < columns; ++j) {
        jc[j] = k;
        for (int i = 0; i < rows; ++i) {
            const double v = full[static_cast<std::size_t>(j) * rows + i];
            if (v != 0) {
                ir[k] = i;
                pr[k] = (k + 1) % 7 == 0 ? 0.0 : v;
                ++k;
            }
        }
    }
    jc[columns] = k;
    return a;
}

std::uint32_t floatBits(double d) // d as single: a converted single result
{
    const float f = static_cast<float>(d);
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

bool sameAsSingle(double single, double d)
{
    return floatBits(single) == floatBits(d) || (single != single && d != d);
}

// A sparse result holds the full result's bits at its stored places, no
// stored zero, rows ascending in each column, and zeros elsewhere.
bool sparseMatches(const CallResult& sparse, const CallResult& full)
{
    std::vector<double> expanded;
    bool same = expandSparse(sparse, &expanded) && expanded.size() == full.values.size();
    for (std::size_t i = 0; same && i < expanded.size(); ++i)
        same = sameBits(expanded[i], full.values[i]) || (expanded[i] == 0 && full.values[i] == 0);
    return same;
}

// Per elementwise gateway and penalty: single x (with single or double
// weights) is the double call of the same values rounded once; complex
// single is the complex double call rounded once per part; sparse x gives
// the full call's bits at the stored places (prox and value, zeros
// dropped) or the full call's result itself (derivative), for random
// patterns, all-zero and empty ones among them. The complex and sparse
// results are printed for the comparison across builds.
void replayClasses(const std::string& gateway)
{
    const bool prox = gateway == "penaltyProx", derivative = gateway == "penaltyDerivative";
    for (int p = 0; p < kPenaltyCount; ++p) {
        for (int set = 0; set < 6; ++set) {
            const int length = 1 + static_cast<int>(nextRandom() % 200);
            const double theta = thetaInRange(kPenaltyInfo[p].theta), gamma = 0.5 + set;
            std::vector<double> x(length), y(length), weights(length);
            for (int k = 0; k < length; ++k) {
                weights[k] = static_cast<float>(nextRandom() % 4 == 0 ? 0.0 : unitRandom() * 3);
                randomElement(&x[k], weights[k] * gamma, theta);
                x[k] = static_cast<float>(x[k]);
                y[k] = static_cast<float>(unitRandom() * 8 - 4);
            }
            auto call = [&](mxArray* xArray, mxArray* lambda) {
                return callOne(gateway, penaltyInputs(gateway, xArray, p, lambda, theta, gamma));
            };
            const std::string label = gateway + " " + kPenaltyInfo[p].name + " set " + std::to_string(set);
            const CallResult full = call(doubleColumn(x), doubleColumn(weights));
            const CallResult single = call(column(x, nullptr, true), column(weights, nullptr, set % 2));
            bool same = !full.raised && !single.raised && single.single && single.values.size() == full.values.size();
            for (std::size_t i = 0; same && i < full.values.size(); ++i)
                same = sameAsSingle(single.values[i], full.values[i]);
            check(same, "single " + label + ": the double result rounded once");

            const CallResult complexDouble = call(column(x, &y, false), scalar(weights[0]));
            const CallResult complexSingle = call(column(x, &y, true), scalar(weights[0]));
            printResult("complex " + label, complexDouble);
            same = !complexDouble.raised && !complexSingle.raised && complexSingle.single
                   && complexDouble.complex == prox && complexSingle.complex == prox;
            for (std::size_t i = 0; same && i < complexDouble.values.size(); ++i)
                same = sameAsSingle(complexSingle.values[i], complexDouble.values[i])
                       && (!prox || sameAsSingle(complexSingle.imag[i], complexDouble.imag[i]));
            check(same, "complex single " + label + ": the double parts rounded once");

            // A sparse matrix of these values, a fraction of them zero (all, or none stored, in some sets).
            const int rows = set == 5 ? 0 : 1 + static_cast<int>(nextRandom() % 13);
            const int columns = rows == 0 ? 3 : length / rows;
            std::vector<double> dense(static_cast<std::size_t>(rows) * columns);
            for (std::size_t i = 0; i < dense.size(); ++i)
                dense[i] = set == 4 || nextRandom() % 3 == 0 ? 0.0 : x[i];
            std::vector<double> stored = dense; // with the stored zeros sparseOf makes
            for (std::size_t i = 0, k = 0; i < dense.size(); ++i)
                if (dense[i] != 0 && ++k % 7 == 0)
                    stored[i] = 0.0;
            const CallResult sparseResult = call(sparseOf(dense, rows, columns), matrixOf(weights, rows, columns));
            const CallResult fullResult = call(matrixOf(stored, rows, columns), matrixOf(weights, rows, columns));
            printResult("sparse " + label, sparseResult);
            same = !sparseResult.raised && !fullResult.raised && sparseResult.rows == fullResult.rows
                   && sparseResult.columns == fullResult.columns && sparseResult.sparse == !derivative;
            same = same && (derivative ? sameValues(sparseResult, fullResult) : sparseMatches(sparseResult, fullResult));
            check(same, "sparse " + label + ": the full call's result");
        }
    }
}

// --- penaltyFitCore ---

struct Design {
    int n, columns;
    std::vector<double> x, values, rowIndex, starts = {0};
};

// A seeded n-by-columns design, a third of its elements zero, dense and
// compressed by columns.
Design randomDesign(int n, int columns)
{
    Design d{n, columns, std::vector<double>(static_cast<std::size_t>(n) * columns), {}, {}};
    for (int j = 0; j < columns; ++j) {
        for (int i = 0; i < n; ++i) {
            const double v = nextRandom() % 3 == 0 ? 0.0 : unitRandom() * 4 - 2;
            d.x[static_cast<std::size_t>(j) * n + i] = v;
            if (v != 0) {
                d.values.push_back(v);
                d.rowIndex.push_back(i);
            }
        }
        d.starts.push_back(static_cast<double>(d.values.size()));
    }
    return d;
}

// penaltyFitCore on one design, stored dense and then compressed: the
// outputs of the dense call printed as bits, and the compressed call must
// give exactly them.
void replayFitPair(const std::string& label, const Design& d, const std::vector<double>& y,
                   const std::vector<double>& factor, const std::vector<double>& weights,
                   const std::vector<double>& options, const std::vector<double>* folds, int outputs)
{
    auto inputs = [&](bool dense) {
        const std::vector<double> none;
        std::vector<mxArray*> args = {dense ? doubleColumn(d.x) : empty(), doubleColumn(dense ? none : d.values),
                                      doubleColumn(dense ? none : d.rowIndex), doubleColumn(dense ? none : d.starts),
                                      doubleColumn(y), empty(), doubleColumn(factor), doubleColumn(weights),
                                      doubleColumn(options)};
        if (folds)
            args.push_back(doubleColumn(*folds));
        return args;
    };
    const std::vector<CallResult> dense = callGateway("penaltyFitCore", inputs(true), outputs);
    const std::vector<CallResult> compressed = callGateway("penaltyFitCore", inputs(false), outputs);
    bool same = true;
    for (int k = 0; k < outputs; ++k) {
        printResult(label + " output " + std::to_string(k), dense[k]);
        same = same && sameValues(dense[k], compressed[k]);
    }
    check(same, label + ": compressed X gives the dense bits");
}

// Least squares for every penalty (a theta in its range), with weights
// and penalty factors (0 and inf among them), both scalings and with and
// without an intercept: all eight outputs.
void replayFit()
{
    for (int p = 0; p < kPenaltyCount; ++p) {
        for (int set = 0; set < 6; ++set) {
            const int n = 5 + static_cast<int>(nextRandom() % 40), columns = 1 + static_cast<int>(nextRandom() % 30);
            const Design d = randomDesign(n, columns);
            std::vector<double> y(n), factor(columns), weights;
            for (double& f : factor) {
                const std::uint64_t kind = nextRandom() % 8;
                f = kind == 0 ? 0.0 : kind == 1 ? kInf : 0.25 + unitRandom() * 2;
            }
            for (int i = 0; i < n; ++i)
                y[i] = d.x[i] * 1.5 - d.x[static_cast<std::size_t>(columns - 1) * n + i] + unitRandom() - 0.5;
            if (set % 2)
                for (int i = 0; i < n; ++i)
                    weights.push_back(nextRandom() % 5 == 0 ? 0.0 : unitRandom() * 2);
            const double theta = thetaInRange(kPenaltyInfo[p].theta);
            const std::vector<double> options = {static_cast<double>(n), static_cast<double>(columns), static_cast<double>(p),
                                                 theta, 12, set < 3 ? 1e-2 : 1e-3, set % 3 != 2 ? 1.0 : 0.0,
                                                 set % 3 != 1 ? 1.0 : 0.0, 1e-9, 1000, kInf};
            replayFitPair(std::string("fit ") + kPenaltyInfo[p].name + " set " + std::to_string(set), d, y, factor,
                          weights, options, nullptr, 8);
        }
    }
}

// The binomial and Poisson paths (exponentials and logarithms of our own
// on every build) and cross-validation on the worker pool: all ten outputs.
void replayGlmFit()
{
    for (const char* name : {"l1", "scad", "mcp", "log-sum"}) {
        const int p = penaltyNamed(name);
        for (int set = 0; set < 4; ++set) {
            const int n = 20 + static_cast<int>(nextRandom() % 30), columns = 1 + static_cast<int>(nextRandom() % 12);
            const bool binomial = set % 2 == 0;
            const Design d = randomDesign(n, columns);
            std::vector<double> y(n), factor(columns, 1.0), weights, folds;
            for (int i = 0; i < n; ++i) {
                const double signal = d.x[i] - 0.5 * d.x[static_cast<std::size_t>(columns - 1) * n + i];
                y[i] = binomial ? (unitRandom() < 0.5 + 0.2 * signal ? 1.0 : 0.0)
                                : static_cast<double>(nextRandom() % (signal > 0 ? 6 : 2));
                folds.push_back(1 + i % 4);
            }
            y[0] = binomial ? 1.0 : 3.0;
            y[1] = 0.0;
            if (set >= 2)
                for (int i = 0; i < n; ++i)
                    weights.push_back(0.5 + unitRandom());
            const double theta = thetaInRange(kPenaltyInfo[p].theta);
            const std::vector<double> options = {static_cast<double>(n), static_cast<double>(columns), static_cast<double>(p),
                                                 theta, 8, 0.05, 1.0, 1.0, 1e-9, 1000, kInf, binomial ? 1.0 : 2.0, 4};
            replayFitPair(std::string("glm fit ") + name + " set " + std::to_string(set), d, y, factor, weights, options,
                          &folds, 10);
        }
    }
}

// The threads this process has, and the processors it may run on.
int processThreads()
{
    int count = 0;
#if defined(_WIN32)
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
#else
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(tasks))
            count += e->d_name[0] != '.';
        closedir(tasks);
    }
#endif
    return count;
}

int processors()
{
#if defined(_WIN32)
    DWORD_PTR process = 0, system = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &process, &system);
    int count = 0;
    for (; process != 0; process &= process - 1)
        ++count;
    return count;
#else
    return static_cast<int>(std::thread::hardware_concurrency());
#endif
}

// A MATLAB whose maxNumCompThreads is 1, as in a parfor worker: calls large
// enough to be shared start no worker thread, each asking the interpreter
// once; a small call never asks. Run first, before any call could have
// started a pool. With a limit of 2 the same call does start one (where the
// machine has two processors), so the count above proves something.
void replayThreadLimit()
{
    if (!loaded("penaltyProx") || !loaded("penaltySum"))
        return;
    setThreadCap(nullptr);
    const int length = 1 << 17;
    std::vector<double> x(length);
    for (double& v : x)
        v = unitRandom() * 8 - 4;
    const int logSum = penaltyNamed("log-sum");
    auto proxCall = [&] { return callOne("penaltyProx", penaltyInputs("penaltyProx", doubleColumn(x), penaltyNamed("l1/2"), scalar(1), 0, 1)); };
    auto sumCall = [&] { return callOne("penaltySum", penaltyInputs("penaltySum", doubleColumn(x), logSum, scalar(1), 1, 1)); };
    const int before = processThreads();
    standinSetMaxNumCompThreads(1);
    const int asked = standinInterpreterCalls();
    callOne("penaltySum", penaltyInputs("penaltySum", doubleColumn({1, 2, 3}), logSum, scalar(1), 1, 1));
    check(standinInterpreterCalls() == asked, "threads: a small call does not ask for maxNumCompThreads");
    const CallResult prox = proxCall(), sum = sumCall();
    check(!prox.raised && !sum.raised && standinInterpreterCalls() == asked + 2,
          "threads: each large call asks for maxNumCompThreads once");
    check(processThreads() == before, "threads: maxNumCompThreads = 1 starts no worker thread");
    std::printf("threads: maxNumCompThreads = 1, large calls on %d elements\n", length);
    standinSetMaxNumCompThreads(2);
    const CallResult sharedProx = proxCall(), sharedSum = sumCall();
    if (processors() >= 2)
        check(processThreads() > before, "threads: maxNumCompThreads = 2 does start a worker");
    check(sameValues(sharedProx, prox) && sameValues(sharedSum, sum), "threads: one thread and two give the same bits");
    standinSetMaxNumCompThreads(kStandinDefaultThreadLimit);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<LoadedMex> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--x87") == 0 && i + 1 < argc) {
            x87ControlWord = std::strcmp(argv[++i], "53") == 0 ? 0x027f : 0x037f;
        } else if (std::strcmp(argv[i], "--stack-skew") == 0 && i + 1 < argc) {
            stackSkew = std::atoi(argv[++i]);
        } else {
            std::string name = argv[i];
            name = name.substr(name.find_last_of("/\\") + 1);
            name = name.substr(0, name.find('.'));
            files.push_back(loadMex(argv[i]));
            gateways[name] = files.back().entry;
            if (!gateways[name]) {
                std::fprintf(stderr, "mex_host: cannot load %s\n", argv[i]);
                return 2;
            }
        }
    }
    if (gateways.empty()) {
        std::fprintf(stderr, "usage: mex_host MEX... [--x87 53|64] [--stack-skew N]\n");
        return 2;
    }
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY); // "\n", not "\r\n": outputs compare byte for byte
#endif
    replayThreadLimit();
    replay(goldenCalls());
    for (const char* gateway : kPenaltyGateways)
        if (loaded(gateway))
            replay(randomCalls(gateway));
    for (const char* gateway : kPenaltyGateways)
        if (loaded(gateway) && !counted(gateway))
            replayClasses(gateway);
    replay(badCalls());
    replayLarge();
    if (loaded("penaltyFitCore")) {
        replayFit();
        replayGlmFit();
    }
    for (const LoadedMex& m : files)
        clearMex(m);
    std::printf("mex_host: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
