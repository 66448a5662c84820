// The classes of X that penaltyProx, penaltyValue and penaltyDerivative
// take beyond a real, full double array: single, complex (double or
// single) and real sparse double; and single per-element weights.
#pragma once

#include "class_drivers.h"
#include "mex_api.h"

// Whether X is of a class the elementwise functions take (for the invalidX
// check), and the words their message uses for those classes.
bool isElementwiseX(const mxArray* array);
extern const char kElementwiseXClasses[];

// Whether an array of one weight per element is of a class taken (double
// or single, real and full; its count is checked apart).
bool isWeightArrayClass(const mxArray* array);

// The whole of penaltyProx, penaltyValue and penaltyDerivative: reads and
// checks the arguments, makes the result (of x's class and size; sparse
// for the prox and value of a sparse x, full for its derivative; real for
// the value and derivative of a complex x) in the first output, and fills
// it.
void runElementwiseOfAnyClass(const char* functionName, unsigned operation, ElementOperation elementOperation,
                              bool takesGamma, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
