// The matrix half of the stand-in API (libmx).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "standin_api.h"

struct mxArray_tag {
    int classId;
    std::size_t rows, columns;
    bool isComplex, isSparse;
    void* real;
};

namespace {

std::size_t elementBytes(int classId)
{
    switch (classId) {
    case StandinLogical: case StandinInt8: case StandinUint8: return 1;
    case StandinChar: case StandinInt16: case StandinUint16: return 2;
    case StandinSingle: case StandinInt32: case StandinUint32: return 4;
    default: return 8; // double, 64-bit integers, and a handle per cell/field
    }
}

double elementAsDouble(const mxArray* array, std::size_t i)
{
    const unsigned char* p = static_cast<const unsigned char*>(array->real) + i * elementBytes(array->classId);
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

} // namespace

STANDIN_API mxArray* standinCreateArray(int classId, std::size_t rows, std::size_t columns,
                                        bool isComplex, bool isSparse)
{
    mxArray* array = static_cast<mxArray*>(std::malloc(sizeof(mxArray)));
    array->classId = classId;
    array->rows = rows;
    array->columns = columns;
    array->isComplex = isComplex;
    array->isSparse = isSparse;
    const std::size_t count = rows * columns;
    array->real = count ? std::calloc(count, elementBytes(classId)) : nullptr;
    return array;
}

STANDIN_API void* standinRealData(mxArray* array) { return array->real; }
STANDIN_API std::size_t standinRows(const mxArray* array) { return array->rows; }
STANDIN_API std::size_t standinColumns(const mxArray* array) { return array->columns; }
STANDIN_API int standinClassOf(const mxArray* array) { return array->classId; }

STANDIN_API void standinDestroyArray(mxArray* array)
{
    if (array) {
        std::free(array->real);
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
