// Reads the table of bad calls (bad_calls.txt, compiled in as
// kBadCallTable) and builds each call's arguments as stand-in MEX arrays, so
// that the MEX host and the gateway fuzzers replay the same calls as the
// Octave suites (whose reader is octave/table_value.m).
#pragma once

#include <string>
#include <vector>

#include "standin_api.h"

struct TableCall {
    std::string function;  // "penaltyShrink", ...
    std::string expected;  // the identifier's suffix, or "ok"
    std::string arguments; // the argument tokens, separated by spaces
};

// Every call of the table, each <KIND> expanded into one call per member.
std::vector<TableCall> tableCalls();

// Every token the table's kinds list, for the fuzzers to draw from.
std::vector<std::string> tableKindTokens();

// The arguments of a call as new stand-in arrays (the caller destroys
// them). A token outside the table's grammar is a fault of the table: it
// is reported on stderr and the process exits.
std::vector<mxArray*> buildArguments(const std::string& arguments);
