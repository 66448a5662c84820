// How every operation walks an array, on any lane type L. The penalties
// give the arithmetic of one element; these loops decide which elements go
// through it together, and nothing they do changes a bit of any result.
#pragma once

#include <cstddef>
#include <cstring>

// The blocks of an array of n elements, N lanes each: pairs of blocks up to
// pairsEnd (their long dependency chains, the logarithm's above all, are
// independent, so the CPU can overlap them), single blocks up to blocksEnd,
// then one partial block of the n - blocksEnd < N elements left. Both ends
// are multiples of the block size and at most n, so a loop that runs an
// index up to them never forms a value past n, for any n a caller can pass.
struct BlockBounds {
    std::ptrdiff_t pairsEnd, blocksEnd;
};

template <int N>
constexpr BlockBounds blockBounds(std::ptrdiff_t n)
{
    if (n <= 0)
        return {0, 0};
    return {n - n % (2 * N), n - n % N};
}

// dst[i] = body(src[i]) for i = 0 .. n-1. The partial block goes through a
// zero-padded copy, so every element takes the same vector code and nothing
// is read or written past n.
template <class L, class Body>
inline void mapLanes(double* dst, const double* src, std::ptrdiff_t n, Body body)
{
    using V = typename L::V;
    if constexpr (L::N == 1) {
        for (std::ptrdiff_t i = 0; i < n; ++i)
            dst[i] = body(src[i]);
    } else {
        const BlockBounds bounds = blockBounds<L::N>(n);
        std::ptrdiff_t i = 0;
        for (; i < bounds.pairsEnd; i += 2 * L::N) {
            const V first = body(L::load(src + i));
            const V second = body(L::load(src + i + L::N));
            L::store(dst + i, first);
            L::store(dst + i + L::N, second);
        }
        for (; i < bounds.blocksEnd; i += L::N)
            L::store(dst + i, body(L::load(src + i)));
        if (i < n) {
            double in[L::N] = {}, out[L::N];
            std::memcpy(in, src + i, sizeof(double) * (n - i));
            L::store(out, body(L::load(in)));
            std::memcpy(dst + i, out, sizeof(double) * (n - i));
        }
    }
}

// dst[i] = body(src[i], weight[i]) for i = 0 .. n-1, the same walk over two
// inputs.
template <class L, class Body>
inline void mapLanes(double* dst, const double* src, const double* weight, std::ptrdiff_t n, Body body)
{
    using V = typename L::V;
    if constexpr (L::N == 1) {
        for (std::ptrdiff_t i = 0; i < n; ++i)
            dst[i] = body(src[i], weight[i]);
    } else {
        const BlockBounds bounds = blockBounds<L::N>(n);
        std::ptrdiff_t i = 0;
        for (; i < bounds.pairsEnd; i += 2 * L::N) {
            const V first = body(L::load(src + i), L::load(weight + i));
            const V second = body(L::load(src + i + L::N), L::load(weight + i + L::N));
            L::store(dst + i, first);
            L::store(dst + i + L::N, second);
        }
        for (; i < bounds.blocksEnd; i += L::N)
            L::store(dst + i, body(L::load(src + i), L::load(weight + i)));
        if (i < n) {
            double in[L::N] = {}, w[L::N] = {}, out[L::N];
            std::memcpy(in, src + i, sizeof(double) * (n - i));
            std::memcpy(w, weight + i, sizeof(double) * (n - i));
            L::store(out, body(L::load(in), L::load(w)));
            std::memcpy(dst + i, out, sizeof(double) * (n - i));
        }
    }
}

// The running sum of term(src[i]) from start, one addition at a time in
// increasing index order: only the terms are formed on lanes, so the
// rounding of every partial sum is that of the plain scalar loop.
template <class L, class Term>
inline double sumLanes(const double* src, std::ptrdiff_t n, double start, Term term)
{
    double s = start;
    if constexpr (L::N == 1) {
        for (std::ptrdiff_t i = 0; i < n; ++i)
            s = s + term(src[i]);
    } else {
        const BlockBounds bounds = blockBounds<L::N>(n);
        double t[L::N];
        std::ptrdiff_t i = 0;
        for (; i < bounds.pairsEnd; i += 2 * L::N) {
            double u[L::N];
            L::store(t, term(L::load(src + i)));
            L::store(u, term(L::load(src + i + L::N)));
            for (int k = 0; k < L::N; ++k)
                s = s + t[k];
            for (int k = 0; k < L::N; ++k)
                s = s + u[k];
        }
        for (; i < bounds.blocksEnd; i += L::N) {
            L::store(t, term(L::load(src + i)));
            for (int k = 0; k < L::N; ++k)
                s = s + t[k];
        }
        if (i < n) {
            double in[L::N] = {};
            std::memcpy(in, src + i, sizeof(double) * (n - i));
            L::store(t, term(L::load(in)));
            for (std::ptrdiff_t k = 0; k < n - i; ++k)
                s = s + t[k];
        }
    }
    return s;
}

// The index of the first element of v that is not a number >= 0 (a
// negative or a NaN; -0 passes), and with Infinite false not an infinity
// either, or n when there is none. Four blocks are tested at a time with
// one branch, so the common case, every element fine, runs at the speed of
// memory.
template <class L, bool Infinite>
inline std::ptrdiff_t firstInvalidWeightOf(const double* v, std::ptrdiff_t n)
{
    // A NaN fails both tests.
    const double top = Infinite ? __builtin_inf() : 1.7976931348623157e308;
    std::ptrdiff_t i = 0;
    if constexpr (L::N > 1) {
        for (; n - i >= 4 * L::N; i += 4 * L::N) {
            const typename L::V w0 = L::load(v + i), w1 = L::load(v + i + L::N);
            const typename L::V w2 = L::load(v + i + 2 * L::N), w3 = L::load(v + i + 3 * L::N);
            if (!L::allTrue((w0 >= 0.0) & (w0 <= top) & (w1 >= 0.0) & (w1 <= top) & (w2 >= 0.0) & (w2 <= top)
                            & (w3 >= 0.0) & (w3 <= top)))
                break;
        }
    }
    for (; i < n; ++i)
        if (!(v[i] >= 0.0 && v[i] <= top))
            return i;
    return n;
}
