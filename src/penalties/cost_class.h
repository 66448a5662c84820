// What one element of an operation costs, in classes wide enough to hold
// on every machine the library runs on: the drivers decide from the class
// and the element count whether a call is worth other threads at all, and
// how long a piece of work one thread takes at a time.
#pragma once

enum CostClass : unsigned char {
    MemoryCost, // a few lane operations: memory's speed (capped-l1's map, most values)
    LightCost,  // a division or a few selections more (SCAD, MCP, the weighted maps)
    DearCost,   // a logarithm, a cube root or an iteration per element (log-sum)
    DearestCost // a root found by Newton's iteration with a double-double step (l1/2, l2/3)
};

// One class per operation a penalty provides (what it lacks stays
// MemoryCost and is never asked for).
struct OperationCosts {
    CostClass shrink, sumTerm, prox, value, derivative;
};
