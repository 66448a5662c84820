%PENALTYSUM Value of a nonconvex sparsity penalty summed over a vector.
%   S = PENALTYSUM(X, N, LAMBDA, THETA, CODE) returns the 1-by-1 double
%
%       S = p(X(1)) + p(X(2)) + ... + p(X(N))
%
%   for the penalty p that CODE selects, added one term at a time in index
%   order into a single running double, so every build returns the same bits.
%
%   Arguments
%     X       real, full double array. Its first N stored elements (in
%             column-major order) are used; its shape is ignored and it is
%             never modified.
%     N       number of elements, truncated toward zero. N <= 0 (also NaN,
%             +-Inf, or 2^31 and above) sums nothing.
%     LAMBDA  penalty weight.
%     THETA   shape parameter.
%     CODE    which penalty, truncated toward zero:
%
%     CODE  penalty    p(x), a = |x|                       true penalty for
%     1     capped-l1  LAMBDA*min(a, THETA)                LAMBDA >= 0, THETA >= 0
%     2     log-sum    LAMBDA*log(1 + a/THETA)             LAMBDA >= 0, THETA > 0
%     3     SCAD       LAMBDA*a                 (a <= LAMBDA)   LAMBDA > 0, THETA > 2
%                      (a*(2*LAMBDA*THETA - a) - LAMBDA^2)/(2*(THETA - 1))
%                                      (LAMBDA < a <= LAMBDA*THETA)
%                      LAMBDA^2*(THETA + 1)/2   (a > LAMBDA*THETA)
%     4     MCP        a*(LAMBDA - a/(2*THETA)) (a <= LAMBDA*THETA) LAMBDA >= 0, THETA > 0
%                      LAMBDA^2*THETA/2         (a > LAMBDA*THETA)
%     other capped-l1
%
%   N, LAMBDA, THETA and CODE may be any real, non-empty numeric or logical
%   value; the first element is read as a double.
%
%   Conventions
%     - LAMBDA multiplies the finished sum for capped-l1 and log-sum, so an
%       empty sum is LAMBDA*0: -0 for negative LAMBDA, NaN for infinite or
%       NaN LAMBDA. For SCAD and MCP LAMBDA enters each term; an empty sum
%       is +0.
%     - NaN elements: capped-l1 adds THETA and MCP adds LAMBDA^2*THETA/2 for
%       them; log-sum and SCAD return NaN.
%     - Infinite elements: capped-l1, SCAD and MCP add their flat value,
%       log-sum returns Inf.
%     - Outside the ranges above the same arithmetic runs and its IEEE
%       result is returned without a warning.
%
%   Threads
%     From 65536 elements on, other cores form the terms while this one
%     adds them, one at a time in index order as above. The environment
%     variable OMP_NUM_THREADS caps the number of threads
%     (setenv('OMP_NUM_THREADS', '1') keeps to one). The sum has the same
%     bits for any number of threads.
%
%   Errors (identifier: cause)
%     penaltySum:notEnoughInputs     fewer than five inputs
%     penaltySum:invalidX            X not a real, full double array
%     penaltySum:invalidScalar       N, LAMBDA, THETA or CODE empty,
%                                    sparse, complex, or not numeric/logical
%     penaltySum:countExceedsLength  N larger than numel(X)
%
%   Example
%     x = [1 -2 3];
%     s = penaltySum(x, numel(x), 1, 2, 4)   % MCP: 0.75 + 1 + 1 = 2.75
%
%   See also PENALTYSHRINK.
