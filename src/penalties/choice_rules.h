// The rules by which every penalty chooses among candidates, on any lane
// type L (ScalarLanes or a vector of lanes): each is an ordered comparison
// and a select, so ties and NaNs go the same way on every lane of every
// path. Like everything under src/penalties, these are templates on L: a
// vector instruction set's file instantiates them only for its own lanes.
#pragma once

// p unless q is strictly smaller: equal arguments give p (so minOf(+0, -0)
// is +0), and a NaN on either side fails the test and gives q.
template <class L>
inline typename L::V minOf(typename L::V p, typename L::V q)
{
    return q >= p ? p : q;
}

// p unless q is strictly larger: equal arguments give p, a NaN gives q.
template <class L>
inline typename L::V maxOf(typename L::V p, typename L::V q)
{
    return p >= q ? p : q;
}

// The candidate with the first smallest objective. Only a strictly smaller
// objective replaces the one held, so ties keep the earlier candidate and a
// NaN objective is never taken (nor replaced, if it comes first).
template <class L, int M>
inline typename L::V argMinFirst(const typename L::V (&objective)[M], const typename L::V (&candidate)[M])
{
    typename L::V least = objective[0], chosen = candidate[0];
    for (int k = 1; k < M; ++k) {
        const auto smaller = least > objective[k];
        least = smaller ? objective[k] : least;
        chosen = smaller ? candidate[k] : chosen;
    }
    return chosen;
}

// Puts the element's sign back on a non-negative result. The test is x >= 0
// itself, so -0 keeps r while a NaN element takes -r; negation flips the sign
// bit, so a zero r for a negative element becomes -0.
template <class L>
inline typename L::V withSignOf(typename L::V x, typename L::V r)
{
    return x >= 0.0 ? r : -r;
}
