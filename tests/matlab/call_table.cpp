#include "call_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "bad_calls_table.h"

namespace {

[[noreturn]] void tableFault(const std::string& what, const std::string& where)
{
    std::fprintf(stderr, "bad_calls.txt: %s in '%s'\n", what.c_str(), where.c_str());
    std::exit(2);
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> all;
    for (std::string w; in >> w;)
        all.push_back(w);
    return all;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string all;
    for (const std::string& p : parts)
        all += (all.empty() ? "" : " ") + p;
    return all;
}

struct TableText {
    std::map<std::string, std::vector<std::string>> kinds;
    std::vector<TableCall> calls;
};

TableText readTable()
{
    TableText table;
    std::istringstream text(kBadCallTable);
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == '#')
            continue;
        if (w.size() < 2)
            tableFault("a row needs a function and an outcome", line);
        if (w[0] == "kind") {
            table.kinds[w[1]].assign(w.begin() + 2, w.end());
            continue;
        }
        std::vector<std::string> arguments(w.begin() + 2, w.end());
        std::size_t at = 0;
        while (at < arguments.size() && arguments[at][0] != '<')
            ++at;
        std::vector<std::string> members = {at < arguments.size() ? arguments[at] : ""};
        if (at < arguments.size()) {
            const auto kind = table.kinds.find(arguments[at].substr(1, arguments[at].size() - 2));
            if (kind == table.kinds.end())
                tableFault("unknown kind", line);
            members = kind->second;
        }
        std::stringstream functions(w[0]);
        for (std::string function; std::getline(functions, function, ',');)
            for (const std::string& member : members) {
                if (at < arguments.size())
                    arguments[at] = member;
                table.calls.push_back({function, w[1], joined(arguments)});
            }
    }
    return table;
}

// --- One token: [class.class...:]payload, or struct, or @sin ---

struct Value {
    int classId = StandinDouble;
    std::size_t rows = 1, columns = 1;
    bool isComplex = false, isSparse = false;
    std::vector<double> real, imag; // char codes for char
};

std::vector<double> numbers(const std::string& list, const std::string& token)
{
    std::vector<double> all;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        const bool negative = item[0] == '-';
        const std::string magnitude = item.substr(negative);
        double v;
        if (magnitude == "NaN" || magnitude == "Inf") {
            v = magnitude == "NaN" ? __builtin_nan("") : __builtin_inf();
        } else {
            char* end = nullptr;
            v = std::strtod(magnitude.c_str(), &end);
            if (magnitude.empty() || *end != '\0')
                tableFault("expected a number", token);
        }
        all.push_back(negative ? -v : v);
    }
    return all;
}

Value valueOf(const std::string& token)
{
    static const std::map<std::string, int> classes = {
        {"single", StandinSingle}, {"int8", StandinInt8},     {"uint8", StandinUint8},   {"int16", StandinInt16},
        {"uint16", StandinUint16}, {"int32", StandinInt32},   {"uint32", StandinUint32}, {"int64", StandinInt64},
        {"uint64", StandinUint64}, {"logical", StandinLogical}, {"char", StandinChar},   {"cell", StandinCell},
    };
    Value v;
    if (token == "struct" || token == "@sin") {
        v.classId = token == "struct" ? StandinStruct : StandinFunction;
        return v;
    }
    std::string payload = token;
    const std::size_t colon = token[0] == '\'' ? std::string::npos : token.find(':');
    if (colon != std::string::npos) {
        std::stringstream names(token.substr(0, colon));
        for (std::string name; std::getline(names, name, '.');) {
            if (name == "complex" || name == "sparse")
                (name == "complex" ? v.isComplex : v.isSparse) = true;
            else if (classes.count(name))
                v.classId = classes.at(name);
            else
                tableFault("unknown class '" + name + "'", token);
        }
        payload = token.substr(colon + 1);
    }
    std::size_t times = payload.find('x');
    if (payload[0] == '\'') {
        v.classId = StandinChar;
        for (std::size_t i = 1; i + 1 < payload.size(); ++i)
            v.real.push_back(static_cast<unsigned char>(payload[i]));
        v.rows = v.real.empty() ? 0 : 1;
        v.columns = v.real.size();
    } else if (payload == "[]") {
        v.rows = v.columns = 0;
    } else if (times != std::string::npos && payload.find_first_not_of("0123456789x=.") == std::string::npos) {
        const std::size_t equals = payload.find('=');
        v.rows = std::strtoul(payload.c_str(), nullptr, 10);
        v.columns = std::strtoul(payload.c_str() + times + 1, nullptr, 10);
        v.real.assign(v.rows * v.columns, equals == std::string::npos ? 0.0 : std::strtod(payload.c_str() + equals + 1, nullptr));
    } else {
        const std::size_t slash = payload.find('/');
        v.real = numbers(payload.substr(0, slash), token);
        if (slash != std::string::npos)
            v.imag = numbers(payload.substr(slash + 1), token);
        v.columns = v.real.size();
    }
    return v;
}

// Element i of an array of the class, from its value in the table: an
// integer class (and logical and char) keeps the low bytes of the integer
// (x86 is little-endian). Cells, structs and handles hold nothing read.
void storeNumber(void* data, int classId, std::size_t i, double d)
{
    unsigned char* p = static_cast<unsigned char*>(data);
    if (classId == StandinDouble) {
        std::memcpy(p + 8 * i, &d, 8);
    } else if (classId == StandinSingle) {
        const float f = static_cast<float>(d);
        std::memcpy(p + 4 * i, &f, 4);
    } else if (classId == StandinLogical || classId == StandinChar || (classId >= StandinInt8 && classId <= StandinUint64)) {
        const std::size_t width = classId == StandinLogical ? 1 : classId == StandinChar ? 2
                                  : std::size_t{1} << ((classId - StandinInt8) / 2);
        const std::int64_t integer = static_cast<std::int64_t>(d);
        std::memcpy(p + width * i, &integer, width);
    }
}

} // namespace

std::vector<TableCall> tableCalls() { return readTable().calls; }

std::vector<std::string> tableKindTokens()
{
    std::vector<std::string> all;
    for (const auto& kind : readTable().kinds)
        all.insert(all.end(), kind.second.begin(), kind.second.end());
    return all;
}

std::vector<mxArray*> buildArguments(const std::string& arguments)
{
    std::vector<mxArray*> arrays;
    for (const std::string& token : words(arguments)) {
        const Value v = valueOf(token);
        mxArray* array = standinCreateArray(v.classId, v.rows, v.columns, v.isComplex, v.isSparse);
        for (std::size_t i = 0; i < v.real.size(); ++i)
            storeNumber(standinRealData(array), v.classId, i, v.real[i]);
        for (std::size_t i = 0; i < v.imag.size() && v.isComplex; ++i)
            storeNumber(standinImagData(array), v.classId, i, v.imag[i]);
        arrays.push_back(array);
    }
    return arrays;
}

mxArray* doubleArray(const double* values, std::size_t rows, std::size_t columns)
{
    mxArray* a = standinCreateArray(StandinDouble, rows, columns, false, false);
    if (rows * columns != 0)
        std::memcpy(standinRealData(a), values, rows * columns * sizeof(double));
    return a;
}

mxArray* text(const std::string& s)
{
    mxArray* a = standinCreateArray(StandinChar, 1, s.size(), false, false);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::uint16_t code = static_cast<unsigned char>(s[i]);
        std::memcpy(static_cast<unsigned char*>(standinRealData(a)) + 2 * i, &code, 2);
    }
    return a;
}

namespace {

std::vector<double> asDoubles(const void* data, std::size_t n, bool single)
{
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = single ? static_cast<const float*>(data)[i] : static_cast<const double*>(data)[i];
    return v;
}

void readResult(mxArray* y, CallResult& result)
{
    result.present = true;
    result.rows = standinRows(y);
    result.columns = standinColumns(y);
    result.classId = standinClassOf(y);
    result.single = result.classId == StandinSingle;
    result.complex = mxIsComplex(y);
    result.sparse = mxIsSparse(y);
    if (!result.single && result.classId != StandinDouble)
        return;
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

} // namespace

std::vector<CallResult> callMex(MexEntry entry, int nlhs, const std::vector<mxArray*>& args, int slots)
{
    mxArray* plhs[10] = {};
    char identifier[128] = "";
    std::vector<const mxArray*> prhs(args.begin(), args.end());
    const bool raised = standinCallMex(entry, nlhs, plhs, static_cast<int>(prhs.size()), prhs.data(), identifier,
                                       sizeof identifier);
    std::vector<CallResult> results(slots);
    for (int k = 0; k < slots; ++k) {
        results[k].raised = raised;
        results[k].identifier = identifier;
        if (plhs[k])
            readResult(plhs[k], results[k]);
        standinDestroyArray(plhs[k]);
    }
    return results;
}

bool expandSparse(const CallResult& sparse, std::vector<double>* full)
{
    full->assign(sparse.rows * sparse.columns, 0.0);
    for (std::size_t j = 0; j < sparse.columns; ++j)
        for (int k = sparse.columnStarts[j]; k < sparse.columnStarts[j + 1]; ++k) {
            const int row = sparse.rowIndices[k];
            if (sparse.values[k] == 0 || row < 0 || static_cast<std::size_t>(row) >= sparse.rows
                || (k > sparse.columnStarts[j] && row <= sparse.rowIndices[k - 1]))
                return false;
            (*full)[j * sparse.rows + static_cast<std::size_t>(row)] = sparse.values[k];
        }
    return true;
}

bool sameBitsThroughout(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}
