// Reads the table of bad calls (bad_calls.txt, compiled in as
// kBadCallTable) and builds each call's arguments as stand-in MEX arrays, so
// that the MEX host and the gateway fuzzers replay the same calls as the
// Octave suites (whose reader is octave/table_value.m); and the arrays and
// calls over the stand-in API that the host and the fuzzers all make.
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

// --- Arrays and calls over the stand-in API ---

// A new rows-by-columns double array of the values (column order).
mxArray* doubleArray(const double* values, std::size_t rows, std::size_t columns);
inline mxArray* doubleColumn(const std::vector<double>& values) { return doubleArray(values.data(), values.size(), 1); }
inline mxArray* scalar(double value) { return doubleArray(&value, 1, 1); }
mxArray* text(const std::string& s);

// One output of a call, as doubles (a single one converted exactly): its
// real parts (the stored ones of a sparse result), its imaginary parts,
// and a sparse result's row indices and column starts. Every output of a
// call carries whether the call raised, and which identifier.
struct CallResult {
    bool raised = false, present = false;
    std::string identifier;
    std::size_t rows = 0, columns = 0;
    int classId = 0;
    bool single = false, complex = false, sparse = false;
    std::vector<double> values, imag;
    std::vector<int> rowIndices, columnStarts;
};

// Calls entry with the arguments (which stay the caller's), asking for
// nlhs results, and reads (then destroys) the first `slots` of them.
std::vector<CallResult> callMex(MexEntry entry, int nlhs, const std::vector<mxArray*>& args, int slots);

// A sparse result expanded to full (zeros where nothing is stored); false
// where it stores a zero or a row out of range or out of order.
bool expandSparse(const CallResult& sparse, std::vector<double>* full);

// The same bits, element for element (NaNs by payload too).
bool sameBitsThroughout(const std::vector<double>& a, const std::vector<double>& b);
