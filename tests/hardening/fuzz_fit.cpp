// libFuzzer target for penaltyFitCore over the stand-in MEX API (exactly
// sized buffers, so AddressSanitizer flags any read past them); the calls
// of the bad-call table are the MEX host's to replay. The input picks the shapes
// and contents of the nine inputs, dense or compressed, often well formed,
// often not, and often the GLM options, a distribution and folds with
// them; every call must either raise a penaltyFitCore identifier or
// return up to ten real double results of the promised shapes, leave its
// inputs as they were, and repeat bit for bit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "call_table.h"
#include "fuzz_input.h"
#include "penalty_list.h"
#include "standin_api.h"

extern "C" void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

void fail(const std::string& what)
{
    std::fprintf(stderr, "penaltyFitCore: %s\n", what.c_str());
    std::abort();
}

mxArray* row(const std::vector<double>& v) { return doubleArray(v.data(), 1, v.size()); }

// The ten output places of a call: where it did not raise, real double
// results in as many as were asked (one at least), and none beyond.
std::vector<CallResult> call(int nlhs, const std::vector<mxArray*>& args)
{
    std::vector<CallResult> outputs = callMex(mexFunction, nlhs, args, 10);
    const bool raised = outputs[0].raised;
    if (raised && outputs[0].identifier.rfind("penaltyFitCore:", 0) != 0)
        fail("raised '" + outputs[0].identifier + "'");
    for (int k = 0; k < 10; ++k) {
        const bool wanted = !raised && k < (nlhs < 1 ? 1 : nlhs);
        if (wanted && (!outputs[k].present || outputs[k].classId != StandinDouble || outputs[k].complex))
            fail("output " + std::to_string(k + 1) + " missing");
        if (!wanted && outputs[k].present)
            fail("an output left behind");
    }
    return outputs;
}

bool sameOutcome(const std::vector<CallResult>& a, const std::vector<CallResult>& b)
{
    bool same = a[0].identifier == b[0].identifier;
    for (std::size_t k = 0; same && k < a.size(); ++k)
        same = sameBitsThroughout(a[k].values, b[k].values);
    return same;
}

double element(FuzzInput& in, bool nice)
{
    return nice ? (in.byte() % 9) * 0.5 - 2 : in.element();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in{data, size};
    const bool nice = in.byte() < 200;
    const std::size_t n = 1 + in.byte() % 12, p = in.byte() % 8;
    const bool dense = in.byte() < 128;
    std::vector<double> x, values, rows, starts, y(n), lambda, factor(p), weights;
    if (dense) {
        x.resize(n * p);
        for (double& v : x)
            v = in.byte() < 80 ? 0.0 : element(in, nice);
    } else {
        starts.push_back(0);
        for (std::size_t j = 0; j < p; ++j) {
            for (std::size_t i = 0; i < n; ++i)
                if (in.byte() < 100) {
                    values.push_back(element(in, nice));
                    rows.push_back(nice || in.byte() < 200 ? static_cast<double>(i) : element(in, false));
                }
            starts.push_back(nice || in.byte() < 200 ? static_cast<double>(values.size()) : element(in, false));
        }
    }
    // The GLM options: a distribution (often with a response in its range)
    // and a fold count with fold numbers.
    const std::uint8_t glm = in.byte();
    const double distribution = glm >= 120 ? 0 : nice ? glm % 3 : element(in, false);
    for (double& v : y)
        v = glm < 120 && nice && distribution > 0 ? in.byte() % (distribution == 1 ? 2 : 5) : element(in, nice);
    for (std::size_t k = in.byte() % 4; k > 0; --k)
        lambda.push_back(nice ? k * 0.3 : element(in, false));
    for (double& f : factor)
        f = nice ? (in.byte() % 4) * 0.5 + (in.byte() < 20 ? __builtin_inf() : 0) : element(in, false);
    if (in.byte() < 80)
        for (std::size_t i = 0; i < n; ++i)
            weights.push_back(nice ? (in.byte() % 3) : element(in, false));
    const int penalty = in.byte() % (kPenaltyCount + 1);
    const ThetaRange r = kPenaltyInfo[penalty % kPenaltyCount].theta;
    const double theta = !r.taken ? 0 : nice ? (r.upper < 2 ? 0.5 : r.lower + 1 + in.byte() % 4) : element(in, false);
    const std::vector<double> options = {static_cast<double>(n), static_cast<double>(p), static_cast<double>(penalty),
                                         theta, 1.0 + in.byte() % 6, nice ? 0.01 : element(in, false),
                                         static_cast<double>(in.byte() % 2), static_cast<double>(in.byte() % 2),
                                         nice ? 1e-6 : element(in, false), 1.0 + in.byte() % 50,
                                         in.byte() < 200 ? __builtin_inf() : in.byte() % 4};
    std::vector<double> glmOptions = options, folds;
    if (glm < 120) {
        const double k = glm < 40 ? 0 : nice ? 2 + in.byte() % 3 : element(in, false);
        glmOptions.push_back(distribution);
        glmOptions.push_back(k);
        const int labels = k >= 1 && k <= 8 ? static_cast<int>(k) : 2;
        if (k != 0 || in.byte() < 30)
            for (std::size_t i = 0; i < n; ++i)
                folds.push_back(nice ? 1 + (i + in.byte() % 2) % labels : element(in, false));
    }
    std::vector<mxArray*> args = {dense ? standinCreateArray(StandinDouble, n, p, false, false) : row({}),
                                  row(values), row(rows), row(starts), row(y), row(lambda), row(factor), row(weights),
                                  row(glmOptions)};
    if (glm < 120 && (!folds.empty() || in.byte() < 30))
        args.push_back(row(folds));
    if (dense && !x.empty())
        std::memcpy(standinRealData(args[0]), x.data(), 8 * x.size());
    if (in.byte() >= 250) { // one input short
        standinDestroyArray(args.back());
        args.pop_back();
    }
    const int nlhs = in.byte() < 240 ? 10 : in.byte() % 12;
    std::vector<std::vector<double>> before;
    for (mxArray* a : args) {
        const double* d = static_cast<const double*>(standinRealData(a));
        before.emplace_back(d, d + mxGetNumberOfElements(a));
    }
    const std::vector<CallResult> first = call(nlhs, args);
    std::size_t outputs = 0;
    while (outputs < first.size() && first[outputs].present)
        ++outputs;
    if (!first[0].raised) {
        const std::size_t fits = first[0].columns;
        if (first[0].rows != p)
            fail("B is not p rows");
        for (std::size_t k = 1; k < outputs && k < 8; ++k)
            if (first[k].rows != 1 || first[k].columns != fits)
                fail("an output is not 1-by-L");
        if (outputs > 8 && !(first[8].rows == n && first[8].columns == fits) &&
            !(first[8].rows == 0 && first[8].columns == 0))
            fail("the held-out losses are not n-by-L");
        if (outputs > 9 && (first[9].rows != 1 || first[9].columns != 1))
            fail("the saturation flag is not a scalar");
    }
    for (std::size_t k = 0; k < args.size(); ++k) {
        const double* d = static_cast<const double*>(standinRealData(args[k]));
        if (!before[k].empty() && std::memcmp(d, before[k].data(), 8 * before[k].size()) != 0)
            fail("input " + std::to_string(k + 1) + " was modified");
    }
    const std::vector<CallResult> second = call(nlhs, args);
    if (!sameOutcome(first, second))
        fail("a repeated call gave another result");
    for (mxArray* a : args)
        standinDestroyArray(a);
    return 0;
}
