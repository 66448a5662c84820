// The solvers' loops over one dense column, written once over a lane
// type (lanes/: the scalar reference, SSE2, AVX2) and compiled once per
// instruction set. Each keeps the order of column_sums.h:
// a sum runs in eight lanes, row i into lane i mod 8 in ascending rows,
// combined pairwise at the end; an update is one rounding per operation
// per row. A wider vector holds more of the same lanes, so every instance
// gives the same bits.
#pragma once

#include <cstdint>

#include "column_sums.h"

struct ColumnKernels {
    // rows_i += x_i*step
    void (*addScaled)(double* rows, const double* x, double step, std::int64_t n);
    // rows_i -= x_i*step
    void (*subtractScaled)(double* rows, const double* x, double step, std::int64_t n);
    // rows_i += a_i*stepA, then rows_i += b_i*stepB: one load and store of
    // the rows for two columns
    void (*addScaledPair)(double* rows, const double* a, double stepA, const double* b, double stepB, std::int64_t n);
    // rows_i += x[0]_i*step[0], then x[1], x[2] and x[3] in turn: the
    // roundings of two pairs, one load and store of the rows for four
    void (*addScaledQuad)(double* rows, const double* const* x, const double* step, std::int64_t n);
    // m = x_i*step; move_i += m; u_i += q_i*m (a coordinate step on the model)
    void (*stepRows)(double* move, double* u, const double* q, const double* x, double step, std::int64_t n);
    // sum x_i*u_i
    double (*sum)(const double* x, const double* u, std::int64_t n);
    // sum a_i*u_i and sum b_i*u_i: twice the independent sums in flight,
    // and each load of u serves both
    void (*sumPair)(const double* a, const double* b, const double* u, std::int64_t n, double* sumA, double* sumB);
    // sum x_i*u_i for four columns x: eight sums in flight, which the
    // adds' latency needs to keep AVX2's adders busy
    void (*sumQuad)(const double* const* x, const double* u, std::int64_t n, double* sums);
    // sum (x_i*x_i)*q_i
    double (*squares)(const double* x, const double* q, std::int64_t n);
    // the full check's sums: sum x_i*u_i, sum (x_i*x_i)*q_i, and over
    // x_i != 0 sum q_i, sum |x_i|*q_i, sum |x_i|^3*q_i, into sums[0..4]
    void (*checkSums)(const double* x, const double* u, const double* q, std::int64_t n, double* sums);
};

enum SimdPath : int;

// The instance a path of the list (simd_path.h) runs, null where the CPU
// runs no such path; and the one for the widest path this CPU runs.
const ColumnKernels* columnKernelsOf(SimdPath path);
const ColumnKernels& bestColumnKernels();

template <class L>
struct ColumnLoops {
    using V = typename L::V;
    static constexpr int kWidth = L::N;
    static constexpr int kVectors = 8 / kWidth; // vectors of the eight lanes
    static V load(const double* p) { return L::load(p); }

    static void addScaled(double* rows, const double* x, double step, std::int64_t n)
    {
        const V s = L::splat(step);
        std::int64_t i = 0;
        for (; i + kWidth <= n; i += kWidth) {
            L::store(rows + i, load(rows + i) + load(x + i) * s);
        }
        for (; i < n; ++i)
            rows[i] += x[i] * step;
    }

    static void subtractScaled(double* rows, const double* x, double step, std::int64_t n)
    {
        const V s = L::splat(step);
        std::int64_t i = 0;
        for (; i + kWidth <= n; i += kWidth)
            L::store(rows + i, load(rows + i) - load(x + i) * s);
        for (; i < n; ++i)
            rows[i] -= x[i] * step;
    }

    // rows_i += x[s]_i*step[s] for K columns in turn, one load and store of the rows
    template <int K>
    static void addScaledOf(double* rows, const double* const* x, const double* step, std::int64_t n)
    {
        // Local copies: a store to rows may not be taken to change them.
        const double* p[K];
        double t[K];
        V s[K];
        for (int c = 0; c < K; ++c) {
            p[c] = x[c];
            t[c] = step[c];
            s[c] = L::splat(t[c]);
        }
        std::int64_t i = 0;
        for (; i + kWidth <= n; i += kWidth) {
            V r = load(rows + i);
            for (int c = 0; c < K; ++c)
                r = r + load(p[c] + i) * s[c];
            L::store(rows + i, r);
        }
        for (; i < n; ++i) {
            double r = rows[i];
            for (int c = 0; c < K; ++c)
                r = r + p[c][i] * t[c];
            rows[i] = r;
        }
    }
    static void addScaledPair(double* rows, const double* a, double stepA, const double* b, double stepB,
                              std::int64_t n)
    {
        const double* const x[2] = {a, b};
        const double step[2] = {stepA, stepB};
        addScaledOf<2>(rows, x, step, n);
    }
    static void addScaledQuad(double* rows, const double* const* x, const double* step, std::int64_t n)
    {
        addScaledOf<4>(rows, x, step, n);
    }
    static void stepRows(double* move, double* u, const double* q, const double* x, double step, std::int64_t n)
    {
        const V s = L::splat(step);
        std::int64_t i = 0;
        for (; i + kWidth <= n; i += kWidth) {
            const V m = load(x + i) * s;
            L::store(move + i, load(move + i) + m);
            L::store(u + i, load(u + i) + load(q + i) * m);
        }
        for (; i < n; ++i) {
            const double m = x[i] * step;
            move[i] += m;
            u[i] += q[i] * m;
        }
    }

    static double sum(const double* x, const double* u, std::int64_t n)
    {
        V acc[kVectors] = {};
        std::int64_t i = 0;
        for (; i + 8 <= n; i += 8)
            for (int k = 0; k < kVectors; ++k)
                acc[k] += load(x + i + kWidth * k) * load(u + i + kWidth * k);
        double lanes[8];
        __builtin_memcpy(lanes, acc, sizeof lanes);
        for (; i < n; ++i)
            lanes[i & 7] += x[i] * u[i];
        return combineSums(lanes);
    }

    // sum x[s]_i*u_i for K columns in one pass, each in its own eight lanes
    template <int K>
    static void sumsOf(const double* const* x, const double* u, std::int64_t n, double* sums)
    {
        V acc[K][kVectors] = {};
        std::int64_t i = 0;
        for (; i + 8 <= n; i += 8)
            for (int k = 0; k < kVectors; ++k) {
                const V uv = load(u + i + kWidth * k);
                for (int s = 0; s < K; ++s)
                    acc[s][k] += load(x[s] + i + kWidth * k) * uv;
            }
        double lanes[K][8];
        __builtin_memcpy(lanes, acc, sizeof lanes);
        for (; i < n; ++i)
            for (int s = 0; s < K; ++s)
                lanes[s][i & 7] += x[s][i] * u[i];
        for (int s = 0; s < K; ++s)
            sums[s] = combineSums(lanes[s]);
    }
    static void sumPair(const double* a, const double* b, const double* u, std::int64_t n, double* sumA,
                        double* sumB)
    {
        const double* const x[2] = {a, b};
        double sums[2];
        sumsOf<2>(x, u, n, sums);
        *sumA = sums[0];
        *sumB = sums[1];
    }
    static void sumQuad(const double* const* x, const double* u, std::int64_t n, double* sums)
    {
        sumsOf<4>(x, u, n, sums);
    }
    static double squares(const double* x, const double* q, std::int64_t n)
    {
        V acc[kVectors] = {};
        std::int64_t i = 0;
        for (; i + 8 <= n; i += 8)
            for (int k = 0; k < kVectors; ++k) {
                const V xv = load(x + i + kWidth * k);
                acc[k] += (xv * xv) * load(q + i + kWidth * k);
            }
        double lanes[8];
        __builtin_memcpy(lanes, acc, sizeof lanes);
        for (; i < n; ++i)
            lanes[i & 7] += (x[i] * x[i]) * q[i];
        return combineSums(lanes);
    }

    // A zero entry adds +-0 to the first two sums, a selected +0 to the
    // third and 0*q_i to the others, as a compressed column that skips it
    // adds nothing (+0 unless q_i is inf). Ten sums in flight: two vectors
    // each under AVX2, which fit its sixteen registers.
    static void checkSums(const double* x, const double* u, const double* q, std::int64_t n, double* sums)
    {
        V sv[kVectors] = {}, tv[kVectors] = {}, zv[kVectors] = {}, fv[kVectors] = {}, rv[kVectors] = {};
        const V zero = L::splat(0.0);
        std::int64_t i = 0;
        for (; i + 8 <= n; i += 8)
            for (int k = 0; k < kVectors; ++k) {
                const V xv = load(x + i + kWidth * k), qv = load(q + i + kWidth * k);
                const V size = L::magnitude(xv);
                sv[k] += xv * load(u + i + kWidth * k);
                tv[k] += (xv * xv) * qv;
                zv[k] += xv != zero ? qv : zero;
                fv[k] += size * qv;
                rv[k] += ((size * size) * size) * qv;
            }
        double lanes[5][8];
        __builtin_memcpy(lanes[0], sv, sizeof lanes[0]);
        __builtin_memcpy(lanes[1], tv, sizeof lanes[1]);
        __builtin_memcpy(lanes[2], zv, sizeof lanes[2]);
        __builtin_memcpy(lanes[3], fv, sizeof lanes[3]);
        __builtin_memcpy(lanes[4], rv, sizeof lanes[4]);
        for (; i < n; ++i) {
            const double size = x[i] < 0 ? -x[i] : x[i];
            lanes[0][i & 7] += x[i] * u[i];
            lanes[1][i & 7] += (x[i] * x[i]) * q[i];
            lanes[2][i & 7] += x[i] != 0 ? q[i] : 0.0;
            lanes[3][i & 7] += size * q[i];
            lanes[4][i & 7] += ((size * size) * size) * q[i];
        }
        for (int s = 0; s < 5; ++s)
            sums[s] = combineSums(lanes[s]);
    }

    static constexpr ColumnKernels kTable = {addScaled, subtractScaled, addScaledPair, addScaledQuad, stepRows,
                                             sum,       sumPair,        sumQuad,       squares,       checkSums};
};
