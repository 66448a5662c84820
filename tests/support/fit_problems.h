// A design for the solver's tests, stored dense and compressed by columns
// (from the dense copy), and the room a path's outputs are written to.
#pragma once

#include <cstdint>
#include <vector>

#include "fit_path.h"

struct FitProblem {
    std::int64_t n = 0, p = 0;
    std::vector<double> x, values, rows, starts, y; // x column-major
};

// The nonzeros of x by columns, as the compressed form stores them.
inline void compressColumns(FitProblem& s)
{
    s.values.clear();
    s.rows.clear();
    s.starts.assign(1, 0.0);
    for (std::int64_t j = 0; j < s.p; ++j) {
        for (std::int64_t i = 0; i < s.n; ++i)
            if (s.x[j * s.n + i] != 0) {
                s.values.push_back(s.x[j * s.n + i]);
                s.rows.push_back(static_cast<double>(i));
            }
        s.starts.push_back(static_cast<double>(s.values.size()));
    }
}

inline FitDesign designOf(const FitProblem& s, bool dense)
{
    return {s.n, s.p, dense ? s.x.data() : nullptr, s.values.data(), s.rows.data(), s.starts.data(),
            static_cast<std::int64_t>(s.values.size()), s.y.data()};
}

// Room for `capacity` fits of p coefficients and the output pointing into
// it (moved, never copied: the output keeps pointing into this room).
struct PathRoom {
    std::vector<double> room;
    FitOutput out;
};

inline PathRoom pathRoom(std::int64_t p, std::int64_t capacity)
{
    PathRoom path{std::vector<double>((p + 7) * capacity), {}};
    double* r = path.room.data();
    path.out = {r, r + p * capacity, r + (p + 1) * capacity, r + (p + 2) * capacity, r + (p + 3) * capacity,
                r + (p + 4) * capacity, r + (p + 5) * capacity, r + (p + 6) * capacity, 0};
    return path;
}
