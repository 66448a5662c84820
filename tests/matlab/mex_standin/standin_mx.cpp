// The matrix half of the stand-in API (libmx).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "standin_api.h"

struct mxArray_tag {
    int classId;
    std::size_t rows, columns;
    int dimensions[2]; // for the 32-bit-dimension getters
    bool isComplex, isSparse;
    void* real;
    void* imag;       // complex arrays: the imaginary parts, as many as the real ones
    int* rowIndices;  // sparse arrays: nzmax row indices
    int* columnStarts; // sparse arrays: columns + 1 offsets
    std::size_t nzmax;
};

static mxArray* doubleScalar(double value);

STANDIN_API std::size_t standinElementBytes(int classId)
{
    switch (classId) {
    case StandinLogical: case StandinInt8: case StandinUint8: return 1;
    case StandinChar: case StandinInt16: case StandinUint16: return 2;
    case StandinSingle: case StandinInt32: case StandinUint32: return 4;
    default: return 8; // double, 64-bit integers, and a handle per cell/field
    }
}

namespace {

double elementAsDouble(const mxArray* array, std::size_t i)
{
    const unsigned char* p = static_cast<const unsigned char*>(array->real) + i * standinElementBytes(array->classId);
    switch (array->classId) {
    case StandinDouble: { double v; std::memcpy(&v, p, 8); return v; }
    case StandinSingle: { float v; std::memcpy(&v, p, 4); return v; }
    case StandinLogical: case StandinUint8: return *p;
    case StandinInt8: return static_cast<signed char>(*p);
    case StandinChar: case StandinUint16: { std::uint16_t v; std::memcpy(&v, p, 2); return v; }
    case StandinInt16: { std::int16_t v; std::memcpy(&v, p, 2); return v; }
    case StandinInt32: { std::int32_t v; std::memcpy(&v, p, 4); return v; }
    case StandinUint32: { std::uint32_t v; std::memcpy(&v, p, 4); return v; }
    case StandinInt64: { std::int64_t v; std::memcpy(&v, p, 8); return static_cast<double>(v); }
    case StandinUint64: { std::uint64_t v; std::memcpy(&v, p, 8); return static_cast<double>(v); }
    default: return 0;
    }
}

struct HandedToMex {
    HandedToMex() { standinUseScalarMaker(doubleScalar); }
} handedToMex;

} // namespace

STANDIN_API mxArray* standinCreateArray(int classId, std::size_t rows, std::size_t columns,
                                        bool isComplex, bool isSparse)
{
    mxArray* array = static_cast<mxArray*>(std::malloc(sizeof(mxArray)));
    array->classId = classId;
    array->rows = rows;
    array->columns = columns;
    array->dimensions[0] = static_cast<int>(rows);
    array->dimensions[1] = static_cast<int>(columns);
    array->isComplex = isComplex;
    array->isSparse = isSparse;
    const std::size_t count = rows * columns;
    array->real = count ? std::calloc(count, standinElementBytes(classId)) : nullptr;
    array->imag = count && isComplex ? std::calloc(count, standinElementBytes(classId)) : nullptr;
    array->rowIndices = nullptr;
    array->columnStarts = nullptr;
    array->nzmax = count;
    if (isSparse) {
        // Every element stored (zeros too, as a sparse array may hold
        // them), in column order: the data read as a full array's.
        array->rowIndices = count ? static_cast<int*>(std::malloc(count * sizeof(int))) : nullptr;
        array->columnStarts = static_cast<int*>(std::malloc((columns + 1) * sizeof(int)));
        for (std::size_t j = 0; j <= columns; ++j)
            array->columnStarts[j] = static_cast<int>(j * rows);
        for (std::size_t k = 0; k < count; ++k)
            array->rowIndices[k] = static_cast<int>(k % rows);
    }
    return array;
}

STANDIN_API void* standinImagData(mxArray* array) { return array->imag; }

STANDIN_API void* standinRealData(mxArray* array) { return array->real; }

static mxArray* doubleScalar(double value)
{
    mxArray* array = standinCreateArray(StandinDouble, 1, 1, false, false);
    std::memcpy(array->real, &value, sizeof value);
    return array;
}
STANDIN_API std::size_t standinRows(const mxArray* array) { return array->rows; }
STANDIN_API std::size_t standinColumns(const mxArray* array) { return array->columns; }
STANDIN_API int standinClassOf(const mxArray* array) { return array->classId; }

STANDIN_API void standinDestroyArray(mxArray* array)
{
    if (array) {
        std::free(array->real);
        std::free(array->imag);
        std::free(array->rowIndices);
        std::free(array->columnStarts);
        std::free(array);
    }
}

// Documented behaviour: a negative dimension is an error in the host, never
// an array; the stand-in reports it the way every error is reported.
extern "C" mxArray* mxCreateDoubleMatrix_700(int rows, int columns, mxComplexity complexity)
{
    if (rows < 0 || columns < 0)
        mexErrMsgIdAndTxt("standin:negativeDimension", "negative dimension %d-by-%d", rows, columns);
    return standinCreateArray(StandinDouble, static_cast<std::size_t>(rows),
                              static_cast<std::size_t>(columns), complexity == mxCOMPLEX, false);
}

extern "C" mxArray* mxCreateNumericArray_700(int dimensionCount, const int* dimensions, mxClassID classId,
                                             mxComplexity complexity)
{
    if (dimensionCount != 2 || (classId != mxDOUBLE_CLASS && classId != mxSINGLE_CLASS))
        mexErrMsgIdAndTxt("standin:unsupported", "the stand-in makes 2-D double and single arrays only");
    if (dimensions[0] < 0 || dimensions[1] < 0)
        mexErrMsgIdAndTxt("standin:negativeDimension", "negative dimension %d-by-%d", dimensions[0], dimensions[1]);
    return standinCreateArray(classId, static_cast<std::size_t>(dimensions[0]),
                              static_cast<std::size_t>(dimensions[1]), complexity == mxCOMPLEX, false);
}

// Documented behaviour: an m-by-n sparse double matrix with room for nzmax
// elements (at least 1), every column empty (jc all 0).
extern "C" mxArray* mxCreateSparse_700(int rows, int columns, int nzmax, mxComplexity complexity)
{
    if (rows < 0 || columns < 0 || nzmax < 0)
        mexErrMsgIdAndTxt("standin:negativeDimension", "negative dimension %d-by-%d (%d)", rows, columns, nzmax);
    mxArray* array = standinCreateArray(StandinDouble, 0, 0, false, false);
    const std::size_t room = nzmax > 0 ? static_cast<std::size_t>(nzmax) : 1;
    array->rows = static_cast<std::size_t>(rows);
    array->columns = static_cast<std::size_t>(columns);
    array->dimensions[0] = rows;
    array->dimensions[1] = columns;
    array->isComplex = complexity == mxCOMPLEX;
    array->isSparse = true;
    array->nzmax = room;
    array->real = std::calloc(room, sizeof(double));
    array->imag = array->isComplex ? std::calloc(room, sizeof(double)) : nullptr;
    array->rowIndices = static_cast<int*>(std::calloc(room, sizeof(int)));
    array->columnStarts = static_cast<int*>(std::calloc(static_cast<std::size_t>(columns) + 1, sizeof(int)));
    return array;
}

// Null for a full array, as MATLAB's are.
extern "C" int* mxGetIr_700(const mxArray* array) { return array->rowIndices; }
extern "C" int* mxGetJc_700(const mxArray* array) { return array->columnStarts; }
extern "C" void* mxGetData(const mxArray* array) { return array->real; }
extern "C" void* mxGetImagData(const mxArray* array) { return array->imag; }
extern "C" bool mxIsSingle(const mxArray* array) { return array->classId == StandinSingle; }
extern "C" std::size_t mxGetM(const mxArray* array) { return array->rows; }
extern "C" std::size_t mxGetN(const mxArray* array) { return array->columns; }
// The host frees what a MEX file leaves allocated at the end of the call;
// the stand-in's callers free everything they allocate, so plain malloc.
extern "C" void* mxMalloc(std::size_t bytes) { return std::malloc(bytes ? bytes : 1); }
extern "C" void mxFree(void* pointer) { std::free(pointer); }

extern "C" void mxDestroyArray(mxArray* array) { standinDestroyArray(array); }

extern "C" int mxGetNumberOfDimensions_700(const mxArray*) { return 2; }
extern "C" const int* mxGetDimensions_700(const mxArray* array) { return array->dimensions; }

// The characters of a char array (stored as 16-bit codes), NUL-terminated;
// 1 when the array is not char or does not fit, as MATLAB documents.
extern "C" int mxGetString_700(const mxArray* array, char* buffer, int size)
{
    const std::size_t count = array->rows * array->columns;
    if (array->classId != StandinChar || size <= 0)
        return 1;
    std::size_t i = 0;
    for (; i < count && i + 1 < static_cast<std::size_t>(size); ++i) {
        std::uint16_t code;
        std::memcpy(&code, static_cast<const unsigned char*>(array->real) + 2 * i, 2);
        buffer[i] = static_cast<char>(code);
    }
    buffer[i] = '\0';
    return i < count ? 1 : 0;
}

extern "C" const char* mxGetClassName(const mxArray* array)
{
    switch (array->classId) {
    case StandinCell: return "cell";
    case StandinStruct: return "struct";
    case StandinLogical: return "logical";
    case StandinChar: return "char";
    case StandinDouble: return "double";
    case StandinSingle: return "single";
    case StandinInt8: return "int8";
    case StandinUint8: return "uint8";
    case StandinInt16: return "int16";
    case StandinUint16: return "uint16";
    case StandinInt32: return "int32";
    case StandinUint32: return "uint32";
    case StandinInt64: return "int64";
    case StandinUint64: return "uint64";
    case StandinFunction: return "function_handle";
    default: return "unknown";
    }
}

extern "C" bool mxIsChar(const mxArray* array) { return array->classId == StandinChar; }

extern "C" double* mxGetPr(const mxArray* array) { return static_cast<double*>(array->real); }

// The first element as a double; for an empty array MATLAB gives 0.
extern "C" double mxGetScalar(const mxArray* array)
{
    if (array->rows * array->columns == 0 || array->classId < StandinLogical)
        return 0;
    return elementAsDouble(array, 0);
}

extern "C" std::size_t mxGetNumberOfElements(const mxArray* array) { return array->rows * array->columns; }
extern "C" bool mxIsDouble(const mxArray* array) { return array->classId == StandinDouble; }
extern "C" bool mxIsNumeric(const mxArray* array)
{
    return array->classId >= StandinDouble && array->classId <= StandinUint64;
}
extern "C" bool mxIsLogical(const mxArray* array) { return array->classId == StandinLogical; }
extern "C" bool mxIsComplex(const mxArray* array) { return array->isComplex; }
extern "C" bool mxIsSparse(const mxArray* array) { return array->isSparse; }
extern "C" bool mxIsEmpty(const mxArray* array) { return array->rows * array->columns == 0; }
