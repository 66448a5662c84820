// The sums a coordinate-descent solver forms over one column of X, in one
// fixed order: eight running sums, row i into sum i mod 8, each in
// ascending rows, combined pairwise at the end. A compressed column adds
// its nonzeros into the same sums in the same order; the terms of the zero
// rows a dense column adds are +-0, which change no sum (a sum that starts
// at +0 never becomes -0), so both storages give the same bits. The eight
// sums are independent chains that a compiler may keep in vector
// registers, lane for lane, without reordering any of them.
#pragma once

#include <cstdint>

struct ColumnView {
    const double* values;
    const std::int64_t* rows; // null: dense, values holds every row
    std::int64_t count;       // rows of a dense column, nonzeros of a compressed one
};

inline double combineSums(const double* s)
{
    return ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
}

// sum over i of x_i*(w_i*u_i), or of x_i*u_i for unit weights (w null):
// 1*u is u, so unit weights given as ones give the same bits.
inline double columnDot(const ColumnView& c, const double* u, const double* w)
{
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    const double* x = c.values;
    if (!c.rows) {
        const std::int64_t n = c.count;
        std::int64_t i = 0;
        if (w) {
            for (; i + 8 <= n; i += 8)
                for (int k = 0; k < 8; ++k)
                    s[k] += x[i + k] * (w[i + k] * u[i + k]);
            for (; i < n; ++i)
                s[i & 7] += x[i] * (w[i] * u[i]);
        } else {
            for (; i + 8 <= n; i += 8)
                for (int k = 0; k < 8; ++k)
                    s[k] += x[i + k] * u[i + k];
            for (; i < n; ++i)
                s[i & 7] += x[i] * u[i];
        }
    } else if (w) {
        for (std::int64_t k = 0; k < c.count; ++k) {
            const std::int64_t i = c.rows[k];
            s[i & 7] += x[k] * (w[i] * u[i]);
        }
    } else {
        for (std::int64_t k = 0; k < c.count; ++k) {
            const std::int64_t i = c.rows[k];
            s[i & 7] += x[k] * u[i];
        }
    }
    return combineSums(s);
}

// sum over i of (x_i*u_i)*w_i, or of x_i*u_i (w null): the same bits for
// x and u swapped, as the product of two columns of X must be wherever its
// two columns may come in either order.
inline double columnProducts(const ColumnView& c, const double* u, const double* w)
{
    if (!w)
        return columnDot(c, u, nullptr);
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    const double* x = c.values;
    if (!c.rows) {
        const std::int64_t n = c.count;
        std::int64_t i = 0;
        for (; i + 8 <= n; i += 8)
            for (int k = 0; k < 8; ++k)
                s[k] += (x[i + k] * u[i + k]) * w[i + k];
        for (; i < n; ++i)
            s[i & 7] += (x[i] * u[i]) * w[i];
    } else {
        for (std::int64_t k = 0; k < c.count; ++k) {
            const std::int64_t i = c.rows[k];
            s[i & 7] += (x[k] * u[i]) * w[i];
        }
    }
    return combineSums(s);
}

// u_i -= x_i*d: a zero x_i leaves u_i as it is (u never holds -0: every
// difference that rounds to zero is +0).
inline void columnUpdate(const ColumnView& c, double* u, double d)
{
    const double* x = c.values;
    if (!c.rows) {
        for (std::int64_t i = 0; i < c.count; ++i)
            u[i] -= x[i] * d;
    } else {
        for (std::int64_t k = 0; k < c.count; ++k)
            u[c.rows[k]] -= x[k] * d;
    }
}

// Over the nonzero rows only: sum of w_i*(x_i - m)^2 and sum of w_i (w
// null: unit weights), for the spread of a column about its mean m.
inline void columnSpread(const ColumnView& c, const double* w, double m, double* squares, double* weight)
{
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0}, t[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (std::int64_t k = 0; k < c.count; ++k) {
        const double x = c.values[k];
        if (x == 0.0)
            continue;
        const std::int64_t i = c.rows ? c.rows[k] : k;
        const double wi = w ? w[i] : 1.0;
        const double d = x - m;
        s[i & 7] += wi * (d * d);
        t[i & 7] += wi;
    }
    *squares = combineSums(s);
    *weight = combineSums(t);
}

// A column's weighted sum and mean and its population variance about the
// mean, the zero rows a compressed column skips counted at (0 - m)^2
// (ones: n unit weights, for w null; total: sum of the weights).
inline void columnCentre(const ColumnView& c, const double* w, const double* ones, double total, double* sum,
                         double* mean, double* variance)
{
    *sum = columnDot(c, w ? w : ones, nullptr);
    *mean = *sum / total;
    double squares, weightNonzero;
    columnSpread(c, w, *mean, &squares, &weightNonzero);
    *variance = (squares + (*mean * *mean) * (total - weightNonzero)) / total;
}

// sum over i of w_i*u_i*u_i (w null: u_i*u_i), and of w_i*u_i.
inline double weightedSquares(const double* u, const double* w, std::int64_t n)
{
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (std::int64_t i = 0; i < n; ++i)
        s[i & 7] += w ? (w[i] * u[i]) * u[i] : u[i] * u[i];
    return combineSums(s);
}

inline double weightedSum(const double* u, const double* w, std::int64_t n)
{
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (std::int64_t i = 0; i < n; ++i)
        s[i & 7] += w ? w[i] * u[i] : u[i];
    return combineSums(s);
}
