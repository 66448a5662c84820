// Loads the two MEX files the way MATLAB does (by path, entering through
// mexFunction) over the stand-in API, replays the golden tables, the
// argument conversions, a seeded random set and the bad-call matrix, and
// prints every result as a bit pattern. The same source runs natively and,
// cross-built, under Wine against the .mexw32 and .mexw64 files, so the
// printed outputs of all builds can be compared line for line. The bad
// calls come from the table the Octave suites and the fuzzers read too.
//
// usage: mex_host MEX... [--x87 53|64] [--stack-skew 0|4|8|12]
// Each MEX file is known by its base name (penaltyShrink.mexw64 is
// penaltyShrink); penaltyShrink and penaltySum must be among them.
// Exit status 0 when every golden result and every error identifier is as
// expected; the comparison across builds is made on the output.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

std::uint64_t bitsOf(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

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


// A result as doubles (a single one converted, exactly): its real parts
// (the stored ones of a sparse result), its imaginary parts, and a sparse
// result's row indices and column starts.
struct CallResult {
    bool raised = false;
    std::string identifier;
    std::size_t rows = 0, columns = 0;
    bool single = false, complex = false, sparse = false;
    std::vector<double> values, imag;
    std::vector<int> rowIndices, columnStarts;
};

std::vector<double> asDoubles(const void* data, std::size_t n, bool single)
{
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = single ? static_cast<const float*>(data)[i] : static_cast<const double*>(data)[i];
    return v;
}

void readResult(mxArray* y, CallResult& result)
{
    result.rows = standinRows(y);
    result.columns = standinColumns(y);
    result.single = standinClassOf(y) == StandinSingle;
    result.complex = mxIsComplex(y);
    result.sparse = mxIsSparse(y);
    std::size_t n = result.rows * result.columns;
    if (result.sparse) {
        const int* jc = mxGetJc_700(y);
        n = static_cast<std::size_t>(jc[result.columns]);
        result.columnStarts.assign(jc, jc + result.columns + 1);
        result.rowIndices.assign(mxGetIr_700(y), mxGetIr_700(y) + n);
    }
    result.values = asDoubles(standinRealData(y), n, result.single);
    if (result.complex)
        result.imag = asDoubles(standinImagData(y), n, result.single);
}

// Calls the MEX with the given arguments, which it then frees.
CallResult callMex(MexEntry entry, std::vector<mxArray*> args, int nlhs = 1)
{
    CallResult result;
    mxArray* plhs[2] = {nullptr, nullptr};
    char identifier[128] = "";
    std::vector<const mxArray*> prhs(args.begin(), args.end());
#if defined(__i386__)
    if (x87ControlWord)
        __asm__ volatile("fldcw %0" : : "m"(x87ControlWord));
    gRealEntry = entry;
    gStackSkew = stackSkew;
    entry = skewedEntry;
#endif
    result.raised = standinCallMex(entry, nlhs, plhs, static_cast<int>(prhs.size()), prhs.data(),
                                   identifier, sizeof identifier);
    if (result.raised) {
        result.identifier = identifier;
    } else if (plhs[0]) {
        readResult(plhs[0], result);
    }
    standinDestroyArray(plhs[0]);
    for (mxArray* a : args)
        standinDestroyArray(a);
    return result;
}

mxArray* doubleColumn(const std::vector<double>& values)
{
    mxArray* a = standinCreateArray(StandinDouble, values.size(), 1, false, false);
    if (!values.empty())
        std::memcpy(standinRealData(a), values.data(), values.size() * sizeof(double));
    return a;
}

mxArray* scalar(double d) { return doubleColumn({d}); }

std::vector<mxArray*> penaltyArgs(const std::vector<double>& x, double n, double lambda,
                                  double theta, double code)
{
    return {doubleColumn(x), scalar(n), scalar(lambda), scalar(theta), scalar(code)};
}

// One output line per call: its shape and bits, or the error it raised.
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

bool sameBits(double a, double b) { return bitsOf(a) == bitsOf(b) || (a != a && b != b); }

// --- The sections ---

void replayGolden(MexEntry shrink, MexEntry sum)
{
    int i = 0;
    for (const ProxCase& c : kProxCases) {
        const std::string label = "golden shrink " + std::to_string(i++);
        const CallResult r = callMex(shrink, penaltyArgs({c.x}, 1, c.lambda, c.theta, c.type));
        printResult(label, r);
        check(!r.raised && r.values.size() == 1 && sameBits(r.values[0], c.expected), label);
    }
    i = 0;
    for (const SumCase& c : kSumCases) {
        const std::string label = "golden sum " + std::to_string(i++);
        const CallResult r = callMex(
            sum, penaltyArgs(c.x, static_cast<double>(c.x.size()), c.lambda, c.theta, c.type));
        printResult(label, r);
        check(!r.raised && r.values.size() == 1 && sameBits(r.values[0], c.expected), label);
    }
}

// Counts and codes that are fractional, negative, NaN, infinite or beyond
// the 32-bit range, through both gateways.
void replayConversions(MexEntry shrink, MexEntry sum)
{
    const std::vector<double> x = {-3, -1.5, -0.5, -0.0, 0.25, 1.5, 2.5, 4.5};
    const double counts[] = {kNaN, kInf, -kInf, 2147483648.0, 4294967304.0, -0.5, 0.99, 3.7,
                             8, 8.999, -2147483648.0, -2147483649.0, 1e300, -1e-300, 4.9e-324};
    const double codes[] = {kNaN, kInf, -kInf, 0, -1, 5, 1.9, 2.9, 3.5, 4.999, -0.5,
                            2147483650.0, 4294967298.0, -4294967294.0, 1e300, -3.9};
    int i = 0;
    for (double n : counts) {
        printResult("count shrink " + std::to_string(i), callMex(shrink, penaltyArgs(x, n, 1, 3, 3)));
        printResult("count sum " + std::to_string(i++), callMex(sum, penaltyArgs(x, n, 1, 3, 3)));
    }
    i = 0;
    for (double code : codes) {
        printResult("code shrink " + std::to_string(i), callMex(shrink, penaltyArgs(x, 8, 1, 3, code)));
        printResult("code sum " + std::to_string(i++), callMex(sum, penaltyArgs(x, 8, 1, 3, code)));
    }
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
// NaNs among them. Returned as bits: on 32-bit x86 a double returned by
// value passes through the x87 unit, which would quieten a signalling NaN.
std::uint64_t randomElementBits(double lambda, double theta)
{
    const std::uint64_t sign = (nextRandom() & 1) << 63;
    const double marks[] = {lambda, theta, lambda * theta, 2 * lambda, lambda + theta, 0.0,
                            kInf, 4.9e-324, 2.2250738585072014e-308, 1e300};
    switch (nextRandom() % 8) {
    case 0: return nextRandom();
    case 1: return sign ^ bitsOf(marks[nextRandom() % 10]);
    case 2: return sign ^ (bitsOf(marks[nextRandom() % 5]) + (nextRandom() % 5) - 2);
    case 3: return bitsOf(kNaN);
    default: return sign ^ bitsOf(unitRandom() * 3 * (lambda * theta + lambda + 1));
    }
}

void replayRandom(MexEntry shrink, MexEntry sum)
{
    const int sets = 64, length = 1000;
    for (int p = 0; p < kPenaltyCount; ++p) {
        if (!(kPenaltyInfo[p].operations & ShrinkOperation))
            continue;
        const int code = kPenaltyInfo[p].code;
        for (int set = 0; set < sets; ++set) {
            double lambda = unitRandom() * 4;
            double theta = (code == Scad ? 2 : 0) + unitRandom() * 6;
            if (set % 8 == 7) { // outside the ranges: negative, zero, special
                const double odd[] = {0, -1.5, kInf, kNaN, 1, 2, 1e-300, -0.0};
                lambda = odd[nextRandom() % 8];
                theta = odd[nextRandom() % 8];
            }
            std::vector<double> x(length);
            for (double& xi : x) {
                const std::uint64_t bits = randomElementBits(lambda, theta);
                std::memcpy(&xi, &bits, sizeof xi);
            }
            char label[64];
            std::snprintf(label, sizeof label, "random shrink %d set %d", code, set);
            printResult(label, callMex(shrink, penaltyArgs(x, length, lambda, theta, code)));
            // Sums of every prefix length in steps, so that each term counts.
            for (int n = 0; n <= length; n += 50) {
                std::snprintf(label, sizeof label, "random sum %d set %d n %d", code, set, n);
                printResult(label, callMex(sum, penaltyArgs(x, n, lambda, theta, code)));
            }
        }
    }
}

mxArray* text(const char* s)
{
    const std::size_t n = std::strlen(s);
    mxArray* a = standinCreateArray(StandinChar, 1, n, false, false);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t code = static_cast<unsigned char>(s[i]);
        std::memcpy(static_cast<unsigned char*>(standinRealData(a)) + 2 * i, &code, 2);
    }
    return a;
}

mxArray* empty() { return standinCreateArray(StandinDouble, 0, 0, false, false); }

bool takesTheta(const char* penalty)
{
    for (int p = 0; p < kPenaltyCount; ++p)
        if (std::strcmp(kPenaltyInfo[p].name, penalty) == 0)
            return kPenaltyInfo[p].theta.taken;
    return false;
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

// penaltyProx (what 'p'), penaltyValue ('v') and penaltyDerivative ('d'):
// their worked cases, and per penalty random elements (special values and
// arbitrary bit patterns among them) with one weight or one per element
// (zeros among them, and infinities but for penaltyDerivative, which
// refuses them) and, for penaltyProx, steps from 1e-3 to 1e3.
void replayElementwise(MexEntry entry, const std::string& name, char what)
{
    int i = 0;
    auto golden = [&](const char* penalty, double x, double lambda, double theta, double gamma, double expected) {
        const std::string label = "golden " + name + " " + std::to_string(i++);
        std::vector<mxArray*> args = {doubleColumn({x}), text(penalty), scalar(lambda),
                                      takesTheta(penalty) ? scalar(theta) : empty()};
        if (what == 'p')
            args.push_back(scalar(gamma));
        const CallResult r = callMex(entry, args);
        printResult(label, r);
        check(!r.raised && r.values.size() == 1 && sameBits(r.values[0], expected), label);
    };
    if (what == 'p')
        for (const ProxStepCase& c : kProxStepCases)
            golden(c.penalty, c.x, c.lambda, c.theta, c.gamma, c.expected);
    for (const ElementCase& c : kElementCases)
        if (c.what == what)
            golden(c.penalty, c.x, c.lambda, c.theta, 1, c.expected);
    const double steps[] = {1e-3, 0.25, 1, 1, 3.5, 1e3};
    for (int p = 0; p < kPenaltyCount; ++p) {
        const ThetaRange range = kPenaltyInfo[p].theta;
        for (int set = 0; set < 24; ++set) {
            const int length = 1 + static_cast<int>(nextRandom() % 300);
            const double theta = thetaInRange(range);
            const double gamma = steps[nextRandom() % 6];
            std::vector<double> x(length), weights(length);
            for (int k = 0; k < length; ++k) {
                weights[k] = nextRandom() % 5 == 0 ? 0.0 : unitRandom() * 3;
                const std::uint64_t bits = randomElementBits(weights[k] * gamma, theta);
                std::memcpy(&x[k], &bits, sizeof bits);
                if (what != 'd' && nextRandom() % 8 == 0)
                    weights[k] = kInf; // the element held at 0
            }
            const bool perElement = set % 2 == 0;
            std::vector<mxArray*> args = {doubleColumn(x), text(kPenaltyInfo[p].name),
                                          perElement ? doubleColumn(weights) : scalar(weights[0]),
                                          range.taken ? scalar(theta) : empty()};
            if (what == 'p')
                args.push_back(scalar(gamma));
            char label[96];
            std::snprintf(label, sizeof label, "random %s %s set %d", name.c_str(), kPenaltyInfo[p].name, set);
            printResult(label, callMex(entry, args));
        }
    }
    // Asking for two outputs is an error, not a crash.
    const CallResult r = callMex(entry, {doubleColumn({1}), text("l1"), scalar(1)}, 2);
    printResult("badcall " + name + " two outputs", r);
    check(r.raised && r.identifier == name + ":tooManyOutputs", "badcall " + name + " two outputs");
}

// Every call of the bad-call table for this function: the identifier it
// names, or no error at all for an "ok" row.
void replayBadCalls(MexEntry entry, const std::string& name)
{
    for (const TableCall& c : tableCalls()) {
        if (c.function != name)
            continue;
        const std::string label = "badcall " + name + "(" + c.arguments + ")";
        const CallResult r = callMex(entry, buildArguments(c.arguments));
        printResult(label, r);
        check(c.expected == "ok" ? !r.raised : r.raised && r.identifier == name + ":" + c.expected, label);
    }
}

// Arrays long enough to be spread over the worker threads, through every
// function and penalty: the result with the threads the machine has must
// be the bits of the one with OMP_NUM_THREADS=1, and a digest of it is
// printed for the comparison across builds (any NaN counted as one).
void replayLarge(std::map<std::string, MexEntry>& mex)
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
    auto compare = [&](const std::string& label, MexEntry entry, auto makeArguments) {
        setThreadCap(nullptr);
        const CallResult spread = callMex(entry, makeArguments());
        setThreadCap("1");
        const CallResult single = callMex(entry, makeArguments());
        setThreadCap(nullptr);
        bool same = !spread.raised && !single.raised && spread.values.size() == single.values.size();
        for (std::size_t i = 0; same && i < spread.values.size(); ++i)
            same = sameBits(spread.values[i], single.values[i]);
        std::printf("%s %zu values, digest %016" PRIx64 "\n", label.c_str(), spread.values.size(), digestOf(spread));
        check(same, label + ": threads change no bit");
    };
    for (int p = 0; p < kPenaltyCount; ++p) {
        const double lambda = 0.5 + unitRandom() * 2;
        const ThetaRange range = kPenaltyInfo[p].theta;
        const double theta = thetaInRange(range);
        std::vector<double> x(length), weights(length);
        for (int k = 0; k < length; ++k) {
            const std::uint64_t bits = randomElementBits(lambda, theta);
            std::memcpy(&x[k], &bits, sizeof bits);
            weights[k] = nextRandom() % 7 == 0 ? 0.0 : unitRandom() * 3;
        }
        const std::string name = kPenaltyInfo[p].name;
        const int code = kPenaltyInfo[p].code;
        if (kPenaltyInfo[p].operations & ShrinkOperation) {
            compare("large penaltyShrink " + name, mex["penaltyShrink"],
                    [&] { return penaltyArgs(x, length, lambda, theta, code); });
            compare("large penaltySum " + name, mex["penaltySum"],
                    [&] { return penaltyArgs(x, length, lambda, theta, code); });
        }
        for (const char* function : {"penaltyProx", "penaltyValue", "penaltyDerivative"}) {
            if (!mex.count(function))
                continue;
            compare(std::string("large ") + function + " " + name, mex[function], [&] {
                std::vector<mxArray*> args = {doubleColumn(x), text(name.c_str()), doubleColumn(weights),
                                              range.taken ? scalar(theta) : empty()};
                if (std::strcmp(function, "penaltyProx") == 0)
                    args.push_back(scalar(0.75));
                return args;
            });
        }
    }
}

// --- Single, complex and sparse x ---

mxArray* singleColumn(const std::vector<double>& values) // each value rounded to single
{
    mxArray* a = standinCreateArray(StandinSingle, values.size(), 1, false, false);
    for (std::size_t i = 0; i < values.size(); ++i)
        static_cast<float*>(standinRealData(a))[i] = static_cast<float>(values[i]);
    return a;
}

mxArray* complexColumn(const std::vector<double>& re, const std::vector<double>& im, bool single)
{
    mxArray* a = standinCreateArray(single ? StandinSingle : StandinDouble, re.size(), 1, true, false);
    for (std::size_t i = 0; i < re.size(); ++i) {
        if (single) {
            static_cast<float*>(standinRealData(a))[i] = static_cast<float>(re[i]);
            static_cast<float*>(standinImagData(a))[i] = static_cast<float>(im[i]);
        } else {
            static_cast<double*>(standinRealData(a))[i] = re[i];
            static_cast<double*>(standinImagData(a))[i] = im[i];
        }
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

mxArray* matrixOf(const std::vector<double>& full, int rows, int columns)
{
    mxArray* a = standinCreateArray(StandinDouble, rows, columns, false, false);
    if (!full.empty())
        std::memcpy(standinRealData(a), full.data(), full.size() * sizeof(double));
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

// Per function and penalty: single x (with single or double weights) is
// the double call of the same values rounded once; complex single is the
// complex double call rounded once per part; sparse x gives the full
// call's bits at the stored places (prox and value, zeros dropped) or the
// full call's result itself (derivative), for random patterns, all-zero
// and empty ones among them. The complex results are printed for the
// comparison across builds.
void replayClasses(MexEntry entry, const std::string& name, char what)
{
    for (int p = 0; p < kPenaltyCount; ++p) {
        const ThetaRange range = kPenaltyInfo[p].theta;
        for (int set = 0; set < 6; ++set) {
            const int length = 1 + static_cast<int>(nextRandom() % 200);
            const double theta = thetaInRange(range), gamma = 0.5 + set;
            std::vector<double> x(length), y(length), weights(length);
            for (int k = 0; k < length; ++k) {
                weights[k] = static_cast<float>(nextRandom() % 4 == 0 ? 0.0 : unitRandom() * 3);
                const std::uint64_t bits = randomElementBits(weights[k] * gamma, theta);
                std::memcpy(&x[k], &bits, sizeof bits);
                x[k] = static_cast<float>(x[k]);
                y[k] = static_cast<float>(unitRandom() * 8 - 4);
            }
            auto call = [&](mxArray* xArray, mxArray* lambda) {
                std::vector<mxArray*> args = {xArray, text(kPenaltyInfo[p].name), lambda,
                                              range.taken ? scalar(theta) : empty()};
                if (what == 'p')
                    args.push_back(scalar(gamma));
                return callMex(entry, args);
            };
            char label[96];
            std::snprintf(label, sizeof label, "%s %s set %d", name.c_str(), kPenaltyInfo[p].name, set);
            const bool singleWeights = set % 2 == 1;
            const CallResult full = call(doubleColumn(x), doubleColumn(weights));
            const CallResult single = call(singleColumn(x), singleWeights ? singleColumn(weights) : doubleColumn(weights));
            bool same = !full.raised && !single.raised && single.single && single.values.size() == full.values.size();
            for (std::size_t i = 0; same && i < full.values.size(); ++i)
                same = sameAsSingle(single.values[i], full.values[i]);
            check(same, std::string("single ") + label + ": the double result rounded once");

            const CallResult complexDouble = call(complexColumn(x, y, false), scalar(weights[0]));
            const CallResult complexSingle = call(complexColumn(x, y, true), scalar(weights[0]));
            printResult(std::string("complex ") + label, complexDouble);
            same = !complexDouble.raised && !complexSingle.raised && complexSingle.single
                   && complexDouble.complex == (what == 'p') && complexSingle.complex == (what == 'p');
            for (std::size_t i = 0; same && i < complexDouble.values.size(); ++i)
                same = sameAsSingle(complexSingle.values[i], complexDouble.values[i])
                       && (what != 'p' || sameAsSingle(complexSingle.imag[i], complexDouble.imag[i]));
            check(same, std::string("complex single ") + label + ": the double parts rounded once");

            // A sparse matrix of these values, a fraction of them zero (all, or none stored, in some sets).
            const int rows = set == 5 ? 0 : 1 + static_cast<int>(nextRandom() % 13);
            const int columns = rows == 0 ? 3 : length / rows;
            std::vector<double> dense(static_cast<std::size_t>(rows) * columns), w(dense.size());
            for (std::size_t i = 0; i < dense.size(); ++i) {
                dense[i] = set == 4 || nextRandom() % 3 == 0 ? 0.0 : x[i];
                w[i] = weights[i];
            }
            std::vector<double> stored = dense; // with the stored zeros sparseOf makes
            for (std::size_t i = 0, k = 0; i < dense.size(); ++i)
                if (dense[i] != 0 && ++k % 7 == 0)
                    stored[i] = 0.0;
            const CallResult sparseResult = call(sparseOf(dense, rows, columns), matrixOf(w, rows, columns));
            const CallResult fullResult = call(matrixOf(stored, rows, columns), matrixOf(w, rows, columns));
            printResult(std::string("sparse ") + label, sparseResult);
            same = !sparseResult.raised && !fullResult.raised && sparseResult.rows == fullResult.rows
                   && sparseResult.columns == fullResult.columns && sparseResult.sparse == (what != 'd');
            if (same && what == 'd') {
                for (std::size_t i = 0; same && i < fullResult.values.size(); ++i)
                    same = sameBits(sparseResult.values[i], fullResult.values[i]);
            } else if (same) {
                std::vector<double> expanded(fullResult.values.size(), 0.0);
                for (int j = 0; j < columns; ++j)
                    for (int k = sparseResult.columnStarts[j]; k < sparseResult.columnStarts[j + 1]; ++k) {
                        same = same && sparseResult.values[k] != 0 && sparseResult.rowIndices[k] < rows
                               && (k == sparseResult.columnStarts[j] || sparseResult.rowIndices[k] > sparseResult.rowIndices[k - 1]);
                        expanded[static_cast<std::size_t>(j) * rows + sparseResult.rowIndices[k]] = sparseResult.values[k];
                    }
                for (std::size_t i = 0; same && i < expanded.size(); ++i)
                    same = sameBits(expanded[i], fullResult.values[i]) || (expanded[i] == 0 && fullResult.values[i] == 0);
            }
            check(same, std::string("sparse ") + label + ": the full call's result");
        }
    }
}

// penaltyFitCore: seeded designs, dense and compressed, with weights and
// penalty factors (0 and inf among them), every penalty with a theta in
// its range, all eight outputs printed as bits. A compressed X must give
// exactly the outputs of the same X stored dense.
std::vector<CallResult> callFit(MexEntry entry, std::vector<mxArray*> args, int outputs = 8)
{
    mxArray* plhs[10] = {};
    char identifier[128] = "";
    std::vector<const mxArray*> prhs(args.begin(), args.end());
#if defined(__i386__)
    if (x87ControlWord)
        __asm__ volatile("fldcw %0" : : "m"(x87ControlWord));
    gRealEntry = entry;
    gStackSkew = stackSkew;
    entry = skewedEntry;
#endif
    std::vector<CallResult> results(outputs);
    const bool raised = standinCallMex(entry, outputs, plhs, static_cast<int>(prhs.size()), prhs.data(), identifier,
                                       sizeof identifier);
    for (int k = 0; k < outputs; ++k) {
        CallResult& r = results[k];
        r.raised = raised;
        r.identifier = identifier;
        if (!raised && plhs[k]) {
            r.rows = standinRows(plhs[k]);
            r.columns = standinColumns(plhs[k]);
            const double* data = static_cast<const double*>(standinRealData(plhs[k]));
            r.values.assign(data, data + r.rows * r.columns);
        }
        standinDestroyArray(plhs[k]);
    }
    for (mxArray* a : args)
        standinDestroyArray(a);
    return results;
}

void replayFit(MexEntry entry)
{
    for (int p = 0; p < kPenaltyCount; ++p) {
        for (int set = 0; set < 6; ++set) {
            const int n = 5 + static_cast<int>(nextRandom() % 40), columns = 1 + static_cast<int>(nextRandom() % 30);
            std::vector<double> x(static_cast<std::size_t>(n) * columns), y(n), factor(columns), weights;
            std::vector<double> values, rowIndex, starts = {0};
            for (int j = 0; j < columns; ++j) {
                for (int i = 0; i < n; ++i) {
                    const double v = nextRandom() % 3 == 0 ? 0.0 : unitRandom() * 4 - 2;
                    x[static_cast<std::size_t>(j) * n + i] = v;
                    if (v != 0) {
                        values.push_back(v);
                        rowIndex.push_back(i);
                    }
                }
                starts.push_back(static_cast<double>(values.size()));
                const std::uint64_t kind = nextRandom() % 8;
                factor[j] = kind == 0 ? 0.0 : kind == 1 ? kInf : 0.25 + unitRandom() * 2;
            }
            for (int i = 0; i < n; ++i)
                y[i] = x[i] * 1.5 - x[static_cast<std::size_t>(columns - 1) * n + i] + unitRandom() - 0.5;
            if (set % 2)
                for (int i = 0; i < n; ++i)
                    weights.push_back(nextRandom() % 5 == 0 ? 0.0 : unitRandom() * 2);
            const double theta = thetaInRange(kPenaltyInfo[p].theta);
            const double options[] = {static_cast<double>(n), static_cast<double>(columns), static_cast<double>(p),
                                      theta, 12, set < 3 ? 1e-2 : 1e-3, set % 3 != 2 ? 1.0 : 0.0,
                                      set % 3 != 1 ? 1.0 : 0.0, 1e-9, 1000, kInf};
            const std::vector<double> optionRow(options, options + 11);
            auto arguments = [&](bool dense) {
                return std::vector<mxArray*>{dense ? doubleColumn(x) : empty(), doubleColumn(dense ? std::vector<double>{} : values),
                                             doubleColumn(dense ? std::vector<double>{} : rowIndex),
                                             doubleColumn(dense ? std::vector<double>{} : starts), doubleColumn(y),
                                             empty(), doubleColumn(factor), doubleColumn(weights), doubleColumn(optionRow)};
            };
            const std::vector<CallResult> dense = callFit(entry, arguments(true));
            const std::vector<CallResult> compressed = callFit(entry, arguments(false));
            bool same = !dense[0].raised && !compressed[0].raised;
            for (int k = 0; k < 8; ++k) {
                char label[96];
                std::snprintf(label, sizeof label, "fit %s set %d output %d", kPenaltyInfo[p].name, set, k);
                printResult(label, dense[k]);
                same = same && dense[k].values.size() == compressed[k].values.size();
                for (std::size_t i = 0; same && i < dense[k].values.size(); ++i)
                    same = sameBits(dense[k].values[i], compressed[k].values[i]);
            }
            char label[96];
            std::snprintf(label, sizeof label, "fit %s set %d: compressed X gives the dense bits", kPenaltyInfo[p].name, set);
            check(same, label);
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
void replayThreadLimit(std::map<std::string, MexEntry>& mex)
{
    if (!mex.count("penaltyProx"))
        return;
    setThreadCap(nullptr);
    const int length = 1 << 17;
    std::vector<double> x(length);
    for (double& v : x)
        v = unitRandom() * 8 - 4;
    auto large = [&](MexEntry entry) {
        return entry == mex["penaltyProx"] ? std::vector<mxArray*>{doubleColumn(x), text("l1/2"), scalar(1)}
                                           : penaltyArgs(x, length, 1, 1, LogSum);
    };
    const int before = processThreads();
    standinSetMaxNumCompThreads(1);
    const int asked = standinInterpreterCalls();
    callMex(mex["penaltyShrink"], penaltyArgs({1, 2, 3}, 3, 1, 1, LogSum));
    check(standinInterpreterCalls() == asked, "threads: a small call does not ask for maxNumCompThreads");
    const CallResult prox = callMex(mex["penaltyProx"], large(mex["penaltyProx"]));
    const CallResult sum = callMex(mex["penaltySum"], large(mex["penaltySum"]));
    check(!prox.raised && !sum.raised && standinInterpreterCalls() == asked + 2,
          "threads: each large call asks for maxNumCompThreads once");
    check(processThreads() == before, "threads: maxNumCompThreads = 1 starts no worker thread");
    std::printf("threads: maxNumCompThreads = 1, large calls on %d elements\n", length);
    standinSetMaxNumCompThreads(2);
    const CallResult sharedProx = callMex(mex["penaltyProx"], large(mex["penaltyProx"]));
    const CallResult sharedSum = callMex(mex["penaltySum"], large(mex["penaltySum"]));
    if (processors() >= 2)
        check(processThreads() > before, "threads: maxNumCompThreads = 2 does start a worker");
    auto same = [](const CallResult& a, const CallResult& b) {
        bool equal = !a.raised && !b.raised && a.values.size() == b.values.size();
        for (std::size_t i = 0; equal && i < a.values.size(); ++i)
            equal = sameBits(a.values[i], b.values[i]);
        return equal;
    };
    check(same(sharedProx, prox) && same(sharedSum, sum), "threads: one thread and two give the same bits");
    standinSetMaxNumCompThreads(kStandinDefaultThreadLimit);
}

// penaltyFitCore's binomial and Poisson paths (exponentials and logarithms
// of our own on every build) and its cross-validation on the worker pool:
// seeded designs, dense and compressed, with weights, all ten outputs
// printed as bits.
void replayGlmFit(MexEntry entry)
{
    const int penalties[] = {0, 4, 5, 3}; // l1, SCAD, MCP, log-sum
    for (int p : penalties) {
        for (int set = 0; set < 4; ++set) {
            const int n = 20 + static_cast<int>(nextRandom() % 30), columns = 1 + static_cast<int>(nextRandom() % 12);
            const bool binomial = set % 2 == 0;
            std::vector<double> x(static_cast<std::size_t>(n) * columns), y(n), factor(columns, 1.0), weights, folds;
            std::vector<double> values, rowIndex, starts = {0};
            for (int j = 0; j < columns; ++j) {
                for (int i = 0; i < n; ++i) {
                    const double v = nextRandom() % 3 == 0 ? 0.0 : unitRandom() * 4 - 2;
                    x[static_cast<std::size_t>(j) * n + i] = v;
                    if (v != 0) {
                        values.push_back(v);
                        rowIndex.push_back(i);
                    }
                }
                starts.push_back(static_cast<double>(values.size()));
            }
            for (int i = 0; i < n; ++i) {
                const double signal = x[i] - 0.5 * x[static_cast<std::size_t>(columns - 1) * n + i];
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
            const double options[] = {static_cast<double>(n), static_cast<double>(columns), static_cast<double>(p),
                                      theta, 8, 0.05, 1.0, 1.0, 1e-9, 1000, kInf, binomial ? 1.0 : 2.0, 4};
            const std::vector<double> optionRow(options, options + 13);
            auto arguments = [&](bool dense) {
                return std::vector<mxArray*>{dense ? doubleColumn(x) : empty(), doubleColumn(dense ? std::vector<double>{} : values),
                                             doubleColumn(dense ? std::vector<double>{} : rowIndex),
                                             doubleColumn(dense ? std::vector<double>{} : starts), doubleColumn(y),
                                             empty(), doubleColumn(factor), doubleColumn(weights), doubleColumn(optionRow),
                                             doubleColumn(folds)};
            };
            const std::vector<CallResult> dense = callFit(entry, arguments(true), 10);
            const std::vector<CallResult> compressed = callFit(entry, arguments(false), 10);
            bool same = !dense[0].raised && !compressed[0].raised;
            for (int k = 0; k < 10; ++k) {
                char label[96];
                std::snprintf(label, sizeof label, "glm fit %s set %d output %d", kPenaltyInfo[p].name, set, k);
                printResult(label, dense[k]);
                same = same && dense[k].values.size() == compressed[k].values.size();
                for (std::size_t i = 0; same && i < dense[k].values.size(); ++i)
                    same = sameBits(dense[k].values[i], compressed[k].values[i]);
            }
            char label[96];
            std::snprintf(label, sizeof label, "glm fit %s set %d: compressed X gives the dense bits", kPenaltyInfo[p].name, set);
            check(same, label);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::map<std::string, MexEntry> mex; // by function name: the file's base name
    std::vector<LoadedMex> loaded;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--x87") == 0 && i + 1 < argc) {
            x87ControlWord = std::strcmp(argv[++i], "53") == 0 ? 0x027f : 0x037f;
        } else if (std::strcmp(argv[i], "--stack-skew") == 0 && i + 1 < argc) {
            stackSkew = std::atoi(argv[++i]);
        } else {
            std::string name = argv[i];
            name = name.substr(name.find_last_of("/\\") + 1);
            name = name.substr(0, name.find('.'));
            loaded.push_back(loadMex(argv[i]));
            mex[name] = loaded.back().entry;
            if (!mex[name]) {
                std::fprintf(stderr, "mex_host: cannot load %s\n", argv[i]);
                return 2;
            }
        }
    }
    if (!mex.count("penaltyShrink") || !mex.count("penaltySum")) {
        std::fprintf(stderr, "usage: mex_host MEX... [--x87 53|64] [--stack-skew N]\n");
        return 2;
    }
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY); // "\n", not "\r\n": outputs compare byte for byte
#endif
    replayThreadLimit(mex);
    replayGolden(mex["penaltyShrink"], mex["penaltySum"]);
    replayConversions(mex["penaltyShrink"], mex["penaltySum"]);
    replayRandom(mex["penaltyShrink"], mex["penaltySum"]);
    const struct { const char* name; char what; } elementwise[] = {
        {"penaltyProx", 'p'}, {"penaltyValue", 'v'}, {"penaltyDerivative", 'd'}};
    for (const auto& e : elementwise)
        if (mex.count(e.name))
            replayElementwise(mex[e.name], e.name, e.what);
    for (const auto& e : elementwise)
        if (mex.count(e.name))
            replayClasses(mex[e.name], e.name, e.what);
    for (const auto& [name, entry] : mex)
        replayBadCalls(entry, name);
    // Asking penaltyShrink or penaltySum for two outputs is an error too.
    for (const char* name : {"penaltyShrink", "penaltySum"}) {
        const CallResult r = callMex(mex[name], penaltyArgs({1, 2}, 2, 1, 3, 4), 2);
        printResult(std::string("badcall ") + name + " two outputs", r);
        check(r.raised && r.identifier == std::string(name) + ":tooManyOutputs",
              std::string("badcall ") + name + " two outputs");
    }
    replayLarge(mex);
    if (mex.count("penaltyFitCore")) {
        replayFit(mex["penaltyFitCore"]);
        replayGlmFit(mex["penaltyFitCore"]);
    }
    for (const LoadedMex& m : loaded)
        clearMex(m);
    std::printf("mex_host: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
