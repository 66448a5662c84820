// Columns fitted moved to their means, x - mean. With an intercept the
// model is the same (the intercept takes the shifts back), but the sums of
// a column whose mean lies far from 0 against its spread are not: the
// least-squares gradients' centring cancels (mean/spread)^2 times their
// rounding, and a GLM's coordinate steps, whose intercept is a coordinate
// of its own, zig-zag along the ridge the mean ties it to and stop long
// before its minimum. Every row of a moved column is stored, in either
// storage (the rows a compressed column skips hold -mean), so both give
// the same bits; the other columns are copied as they are.
#pragma once

#include <cstdint>
#include <memory>
#include <new>

#include "column_sums.h"

// Every stored value equal, and every row stored (or none): the column
// is constant, whatever rounding its spread would carry.
inline bool isConstant(const ColumnView& c, std::int64_t n)
{
    if (c.count == 0)
        return true;
    if (c.count != n)
        return false;
    for (std::int64_t k = 1; k < c.count; ++k)
        if (c.values[k] != c.values[0])
            return false;
    return true;
}

// Whether a column is moved: not constant, and its mean more than `ratio`
// spreads from 0.
inline bool farFromZero(double mean, double variance, bool constant, double ratio)
{
    return !constant && (mean < 0 ? -mean : mean) > ratio * __builtin_sqrt(variance);
}

// sum_j shift_j*b_j, what the intercept of the moved columns carries that
// the columns as given do not (0 where none moved).
inline double shiftsCarried(const double* shift, const double* b, std::int64_t p)
{
    double carried = 0;
    if (shift)
        for (std::int64_t j = 0; j < p; ++j)
            carried += shift[j] * b[j];
    return carried;
}

// c holds the columns of either path (n, p, dense or values, rows and
// starts, and room for the moved columns and their shifts); columnAt(j) is
// column j as given, mean[j] its weighted mean and moves[j] whether it is
// moved. Dense X stays dense, compressed X compressed.
template <class Columns, class ColumnAt>
bool moveColumns(Columns& c, ColumnAt columnAt, const double* mean, const bool* moves)
{
    const bool dense = c.dense != nullptr;
    std::int64_t stored = 0;
    for (std::int64_t j = 0; j < c.p; ++j)
        stored += moves[j] ? c.n : columnAt(j).count;
    const auto room = [](std::int64_t count) { return count > 0 ? count : 1; };
    std::unique_ptr<double[]> shift(new (std::nothrow) double[room(c.p)]);
    std::unique_ptr<double[]> values(new (std::nothrow) double[room(stored)]);
    std::unique_ptr<std::int64_t[]> rows, starts;
    if (!dense) {
        rows.reset(new (std::nothrow) std::int64_t[room(stored)]);
        starts.reset(new (std::nothrow) std::int64_t[c.p + 1]);
    }
    if (!shift || !values || (!dense && (!rows || !starts)))
        return false;
    double* to = values.get();
    std::int64_t at = 0;
    for (std::int64_t j = 0; j < c.p; ++j) {
        const ColumnView col = columnAt(j);
        shift[j] = moves[j] ? mean[j] : 0.0;
        if (!dense)
            starts[j] = at;
        if (!moves[j]) {
            for (std::int64_t k = 0; k < col.count; ++k, ++at) {
                to[at] = col.values[k];
                if (!dense)
                    rows[at] = col.rows[k];
            }
            continue;
        }
        for (std::int64_t i = 0; i < c.n; ++i) {
            to[at + i] = 0.0 - mean[j];
            if (!dense)
                rows[at + i] = i;
        }
        for (std::int64_t k = 0; k < col.count; ++k)
            to[at + (col.rows ? col.rows[k] : k)] = col.values[k] - mean[j];
        at += c.n;
    }
    c.shift = std::move(shift);
    c.movedColumns = std::move(values);
    if (dense) {
        c.dense = c.movedColumns.get();
    } else {
        starts[c.p] = at;
        c.values = c.movedColumns.get();
        c.rows = std::move(rows);
        c.starts = std::move(starts);
    }
    return true;
}
