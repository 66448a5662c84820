// Regularization paths of weighted least squares with any penalty of the
// list, by pathwise cyclic coordinate descent whose every step is the
// penalty's exact one-coefficient prox map. Plain arrays in and out,
// nothing of MATLAB; every sum is formed in a fixed order, so every build
// returns the same bits, and a compressed X gives the bits of the same X
// stored dense.
#pragma once

#include <cstdint>

// X, n-by-p: dense column-major, or compressed columns (the nonzeros of each
// column in ascending rows, with 0-based row numbers and p + 1 column
// starts, all held as doubles as the host passes them).
struct FitDesign {
    std::int64_t rows, columns;
    const double* dense; // null for compressed columns
    const double* values;
    const double* rowIndex;
    const double* columnStart;
    std::int64_t nonzeros;
    const double* y; // n responses
};

struct FitSettings {
    int penalty;  // position in the penalty list
    double theta; // 0 for a penalty without one
    const double* lambda; // explicit values, decreasing; null for a grid
    std::int64_t lambdaCount;
    std::int64_t gridCount; // a grid: gridCount values from lambda_max down to gridRatio*lambda_max
    double gridRatio;
    bool standardize, intercept;
    const double* penaltyFactor; // p values >= 0, inf holds a coefficient at 0
    const double* weights;       // n values >= 0, null for unit weights
    double relTol;
    std::int64_t maxPasses; // per lambda
    double dfMax;           // the path stops before the first fit with more nonzeros
    // Coefficients the active Gram matrix holds at most before it starts
    // again from the active ones (0: twice the rows of X, at most 2048).
    // Its entries depend on the pair of columns alone, so the room changes
    // the time of a fit and never its bits while the active ones fit in it.
    std::int64_t gramRoom = 0;
    // Newton moves on the pieces of the penalty where the active
    // coefficients lie, between the sweeps, taken only where they lower the
    // objective (for a GLM the model plus the penalty, and only for the
    // nonconvex penalties; off: the sweeps alone).
    bool pieceMoves = true;
    // Threads the path may share its passes over X with (the worker pool's;
    // 1: none). Each column's sums are formed whole by one thread, so the
    // count changes the time of a fit and never its bits.
    int threads = 1;
};

// Room for every lambda of the call, filled in the order of the fits
// (decreasing lambda): p coefficients per fit on X's own scale, and one
// value of each of the others.
struct FitOutput {
    double* coefficients;
    double* intercept;
    double* lambda;
    double* df;
    double* mse;
    double* objective;
    double* passes;
    double* converged;
    std::int64_t fits; // how many were made
};

enum FitStatus { FitDone, FitOutOfMemory };

// Whether compressed columns are well formed: starts from 0 to nonzeros,
// never decreasing, rows integers in [0, n) ascending within each column,
// every value finite.
bool compressedColumnsValid(const FitDesign& design);

FitStatus fitPath(const FitDesign& design, const FitSettings& settings, FitOutput* output);

// The fixed-order grid: count values from top down to top*ratio, a
// constant ratio apart (formed without any C library function).
void lambdaGrid(double top, double ratio, std::int64_t count, double* lambda);
