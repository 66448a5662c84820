// The scalar choice rules, lane by lane, with the same tie and NaN routes:
// an ordered compare and a select replace each branch. Templates on the
// instruction set S, so each set gets its own copies.
#pragma once

template <class S>
inline typename S::V minOfLanes(typename S::V p, typename S::V q)
{
    return q >= p ? p : q;
}

template <class S>
inline typename S::V maxOfLanes(typename S::V p, typename S::V q)
{
    return p >= q ? p : q;
}

// |x| by clearing the sign bit, as the scalar code does.
template <class S>
inline typename S::V magnitudeLanes(typename S::V x)
{
    return (typename S::V)((typename S::U)x & S::splatU(0x7fffffffffffffffull));
}

// r where x >= 0 (-0 included), -r elsewhere (negative and NaN x).
template <class S>
inline typename S::V withSignOfLanes(typename S::V x, typename S::V r)
{
    return x >= S::splat(0.0) ? r : -r;
}

// Runs body on every block of S::N elements of src into dst; the last,
// partial block goes through a zero-padded copy, so every element takes the
// same vector code and nothing is read or written past n.
template <class S, class Body>
inline void mapBlocks(double* dst, const double* src, int n, Body body)
{
    int i = 0;
    // Two blocks per step: their long dependency chains (the logarithm's
    // above all) are independent, so the CPU can overlap them.
    for (; i + 2 * S::N <= n; i += 2 * S::N) {
        const typename S::V first = body(S::load(src + i));
        const typename S::V second = body(S::load(src + i + S::N));
        S::store(dst + i, first);
        S::store(dst + i + S::N, second);
    }
    for (; i + S::N <= n; i += S::N)
        S::store(dst + i, body(S::load(src + i)));
    if (i < n) {
        double in[S::N] = {}, out[S::N];
        std::memcpy(in, src + i, sizeof(double) * (n - i));
        S::store(out, body(S::load(in)));
        std::memcpy(dst + i, out, sizeof(double) * (n - i));
    }
}

// The running sum of body's terms, one addition at a time in index order,
// exactly as the scalar kernels add them; only the terms are vectorised.
template <class S, class Term>
inline double sumBlocks(const double* src, int n, Term term)
{
    double s = 0.0;
    double t[S::N];
    int i = 0;
    for (; i + 2 * S::N <= n; i += 2 * S::N) {
        double u[S::N];
        S::store(t, term(S::load(src + i)));
        S::store(u, term(S::load(src + i + S::N)));
        for (int k = 0; k < S::N; ++k)
            s = s + t[k];
        for (int k = 0; k < S::N; ++k)
            s = s + u[k];
    }
    for (; i + S::N <= n; i += S::N) {
        S::store(t, term(S::load(src + i)));
        for (int k = 0; k < S::N; ++k)
            s = s + t[k];
    }
    if (i < n) {
        double in[S::N] = {};
        std::memcpy(in, src + i, sizeof(double) * (n - i));
        S::store(t, term(S::load(in)));
        for (int k = 0; k < n - i; ++k)
            s = s + t[k];
    }
    return s;
}
