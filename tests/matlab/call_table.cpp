#include "call_table.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "bad_calls_table.h"

namespace {

[[noreturn]] void tableFault(const std::string& what, const std::string& where)
{
    std::fprintf(stderr, "bad_calls.txt: %s in '%s'\n", what.c_str(), where.c_str());
    std::exit(2);
}

std::string trimmed(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Splits at the separator where no bracket or quote is open.
std::vector<std::string> splitTopLevel(const std::string& s, char separator)
{
    std::vector<std::string> parts;
    int depth = 0;
    bool quoted = false;
    std::string current;
    for (char c : s) {
        if (c == '\'')
            quoted = !quoted;
        else if (!quoted && (c == '(' || c == '[' || c == '{'))
            ++depth;
        else if (!quoted && (c == ')' || c == ']' || c == '}'))
            --depth;
        if (c == separator && depth == 0 && !quoted) {
            parts.push_back(trimmed(current));
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(trimmed(current));
    return parts;
}

struct TableText {
    std::map<std::string, std::vector<std::string>> kinds;
    std::vector<TableCall> calls;
};

TableText readTable()
{
    TableText table;
    const std::string text = kBadCallTable;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        if (line.compare(0, 5, "kind ") == 0) {
            const std::size_t equals = line.find('=');
            table.kinds[trimmed(line.substr(5, equals - 5))] = splitTopLevel(line.substr(equals + 1), ';');
            continue;
        }
        const std::vector<std::string> fields = splitTopLevel(line, '|');
        if (fields.size() != 3)
            tableFault("a call needs three fields", line);
        const std::size_t open = fields[1].find('<');
        if (open == std::string::npos) {
            table.calls.push_back({fields[0], fields[1], fields[2]});
            continue;
        }
        const std::size_t close = fields[1].find('>', open);
        const auto kind = table.kinds.find(fields[1].substr(open + 1, close - open - 1));
        if (kind == table.kinds.end())
            tableFault("unknown kind", line);
        for (const std::string& member : kind->second)
            table.calls.push_back({fields[0], fields[1].substr(0, open) + member + fields[1].substr(close + 1),
                                   fields[2]});
    }
    return table;
}

// --- Values of the expression subset ---

struct Value {
    int classId = StandinDouble;
    std::size_t rows = 1, columns = 1;
    bool isComplex = false, isSparse = false;
    std::vector<double> numbers; // numeric and logical contents; char codes
};

struct Parser {
    std::string text;
    std::size_t at = 0;

    void skipSpace()
    {
        while (at < text.size() && text[at] == ' ')
            ++at;
    }
    bool accept(char c)
    {
        skipSpace();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    void expect(char c)
    {
        if (!accept(c))
            tableFault(std::string("expected '") + c + "'", text);
    }
    std::string word()
    {
        skipSpace();
        const std::size_t begin = at;
        while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_'))
            ++at;
        return text.substr(begin, at - begin);
    }

    double number()
    {
        skipSpace();
        const bool negative = accept('-');
        skipSpace();
        double value;
        if (text.compare(at, 3, "NaN") == 0) {
            at += 3;
            value = __builtin_nan("");
        } else if (text.compare(at, 3, "Inf") == 0) {
            at += 3;
            value = __builtin_inf();
        } else {
            char* end = nullptr;
            value = std::strtod(text.c_str() + at, &end);
            if (end == text.c_str() + at)
                tableFault("expected a number", text);
            at = static_cast<std::size_t>(end - text.c_str());
        }
        return negative ? -value : value;
    }

    std::vector<Value> arguments(char close)
    {
        std::vector<Value> values;
        if (accept(close))
            return values;
        do
            values.push_back(value());
        while (accept(','));
        expect(close);
        return values;
    }

    Value value()
    {
        skipSpace();
        Value v;
        if (accept('[')) {
            v.rows = 0;
            v.columns = 0;
            while (!accept(']')) {
                accept(',');
                v.numbers.push_back(number());
                v.rows = 1;
                v.columns = v.numbers.size();
            }
            return v;
        }
        if (accept('{')) {
            v.classId = StandinCell;
            v.columns = arguments('}').size();
            return v;
        }
        if (accept('\'')) {
            v.classId = StandinChar;
            while (at < text.size() && text[at] != '\'')
                v.numbers.push_back(static_cast<unsigned char>(text[at++]));
            expect('\'');
            v.rows = v.numbers.empty() ? 0 : 1;
            v.columns = v.numbers.size();
            return v;
        }
        if (accept('@')) {
            word();
            v.classId = StandinFunction;
            return v;
        }
        if (at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '-' || text[at] == '.'
                                 || text.compare(at, 3, "NaN") == 0 || text.compare(at, 3, "Inf") == 0)) {
            v.numbers.push_back(number());
            return v;
        }
        const std::string name = word();
        const bool called = accept('(');
        const std::vector<Value> inner = called ? arguments(')') : std::vector<Value>{};
        static const std::map<std::string, int> converters = {
            {"single", StandinSingle}, {"int8", StandinInt8},     {"uint8", StandinUint8},
            {"int16", StandinInt16},   {"uint16", StandinUint16}, {"int32", StandinInt32},
            {"uint32", StandinUint32}, {"int64", StandinInt64},   {"uint64", StandinUint64},
            {"logical", StandinLogical}, {"char", StandinChar},
        };
        if (name == "zeros" && inner.size() == 2) {
            v.rows = static_cast<std::size_t>(inner[0].numbers.at(0));
            v.columns = static_cast<std::size_t>(inner[1].numbers.at(0));
            v.numbers.assign(v.rows * v.columns, 0.0);
        } else if (name == "true" || name == "false") {
            v.classId = StandinLogical;
            if (inner.size() == 2) {
                v.rows = static_cast<std::size_t>(inner[0].numbers.at(0));
                v.columns = static_cast<std::size_t>(inner[1].numbers.at(0));
            }
            v.numbers.assign(v.rows * v.columns, name == "true" ? 1.0 : 0.0);
        } else if (name == "struct") {
            v.classId = StandinStruct;
        } else if (converters.count(name) && inner.size() == 1) {
            v = inner[0];
            v.classId = converters.at(name);
        } else if ((name == "complex" || name == "sparse") && !inner.empty()) {
            v = inner[0];
            (name == "complex" ? v.isComplex : v.isSparse) = true;
        } else {
            tableFault("unknown expression '" + name + "'", text);
        }
        return v;
    }
};

void storeNumber(mxArray* array, int classId, std::size_t i, double d)
{
    unsigned char* p = static_cast<unsigned char*>(standinRealData(array));
    switch (classId) {
    case StandinDouble: std::memcpy(p + 8 * i, &d, 8); break;
    case StandinSingle: { const float f = static_cast<float>(d); std::memcpy(p + 4 * i, &f, 4); break; }
    case StandinLogical: case StandinInt8: case StandinUint8:
        p[i] = static_cast<unsigned char>(static_cast<int>(d)); break;
    case StandinChar: case StandinInt16: case StandinUint16: {
        const std::uint16_t u = static_cast<std::uint16_t>(static_cast<int>(d));
        std::memcpy(p + 2 * i, &u, 2);
        break;
    }
    case StandinInt32: case StandinUint32: {
        const std::int32_t u = static_cast<std::int32_t>(d);
        std::memcpy(p + 4 * i, &u, 4);
        break;
    }
    case StandinInt64: case StandinUint64: {
        const std::int64_t u = static_cast<std::int64_t>(d);
        std::memcpy(p + 8 * i, &u, 8);
        break;
    }
    default: break; // cells, structs, handles: contents are never read
    }
}

} // namespace

std::vector<TableCall> tableCalls() { return readTable().calls; }

std::vector<std::string> tableKindExpressions()
{
    std::vector<std::string> all;
    for (const auto& kind : readTable().kinds)
        all.insert(all.end(), kind.second.begin(), kind.second.end());
    return all;
}

std::vector<mxArray*> buildArguments(const std::string& arguments)
{
    std::vector<mxArray*> arrays;
    if (trimmed(arguments).empty())
        return arrays;
    for (const std::string& expression : splitTopLevel(arguments, ',')) {
        Parser parser{expression};
        const Value v = parser.value();
        parser.skipSpace();
        if (parser.at != expression.size())
            tableFault("trailing text", expression);
        mxArray* array = standinCreateArray(v.classId, v.rows, v.columns, v.isComplex, v.isSparse);
        for (std::size_t i = 0; i < v.numbers.size() && i < v.rows * v.columns; ++i)
            storeNumber(array, v.classId, i, v.numbers[i]);
        arrays.push_back(array);
    }
    return arrays;
}
