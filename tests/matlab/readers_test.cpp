// The name-value reader over the stand-in API: MATLAB's conventions (any
// case, a unique prefix, an exact name over the longer names it begins, the
// last repeat wins) and each refusal's identifier.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "call_table.h"
#include "gateway_args.h"
#include "standin_api.h"

namespace {

const char* const kKnown[] = {"Theta", "Lambda", "LambdaRatio", "NumLambda"};
const mxArray* gValues[4];

void readOptionsEntry(int, mxArray*[], int nrhs, const mxArray* prhs[])
{
    readNameValueOptions("f", nrhs, prhs, 0, kKnown, 4, gValues);
}

struct OptionCase {
    std::vector<std::string> names; // "#" stands for a number where a name goes
    const char* error;              // "" for none
    int chosen[4];                  // which argument each known name got, -1 for none
};

const OptionCase kCases[] = {
    {{"theta"}, "", {1, -1, -1, -1}},
    {{"LAMBDA", "lambdar"}, "", {-1, 1, 3, -1}},
    {{"num", "Th", "t"}, "", {5, -1, -1, 1}},
    {{"La"}, "f:ambiguousOption", {}},
    {{"Alpha"}, "f:unknownOption", {}},
    {{""}, "f:unknownOption", {}},
    {{std::string("Th\0eta", 6)}, "f:unknownOption", {}},
    {{"#"}, "f:invalidOption", {}},
};

TEST(Readers, NameValueOptions)
{
    for (const OptionCase& c : kCases) {
        std::vector<mxArray*> args;
        for (const std::string& name : c.names) {
            args.push_back(name == "#" ? standinCreateArray(StandinDouble, 1, 1, false, false) : text(name));
            args.push_back(standinCreateArray(StandinDouble, 1, 1, false, false));
        }
        std::vector<const mxArray*> prhs(args.begin(), args.end());
        char id[128] = "";
        const bool raised = standinCallMex(readOptionsEntry, 0, nullptr, static_cast<int>(prhs.size()), prhs.data(),
                                           id, sizeof id);
        EXPECT_EQ(std::string(raised ? id : ""), c.error) << c.names[0];
        for (int k = 0; k < 4 && !raised; ++k)
            EXPECT_EQ(gValues[k], c.chosen[k] < 0 ? nullptr : prhs[c.chosen[k]]) << c.names[0] << " " << kKnown[k];
        char missing[128] = ""; // the first name alone: its value missing, or its own refusal
        standinCallMex(readOptionsEntry, 0, nullptr, 1, prhs.data(), missing, sizeof missing);
        EXPECT_STREQ(missing, raised ? id : "f:missingValue") << c.names[0];
        for (mxArray* a : args)
            standinDestroyArray(a);
    }
}

} // namespace
