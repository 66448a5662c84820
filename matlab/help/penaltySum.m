%PENALTYSUM Capped-l1, log-sum, SCAD or MCP penalty summed over a vector.
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
%     CODE  penalty    p(x), a = |x|                 a true penalty for
%     1     capped-l1  LAMBDA*min(a, THETA)          finite LAMBDA >= 0, THETA >= 0
%     2     log-sum    LAMBDA*log(1 + a/THETA)       finite LAMBDA >= 0, THETA > 0
%     3     SCAD       LAMBDA*a                      for a <= LAMBDA
%                      (a*(2*LAMBDA*THETA - a) - LAMBDA^2)/(2*(THETA - 1))
%                                                    for LAMBDA < a <= LAMBDA*THETA
%                      LAMBDA^2*(THETA + 1)/2        for a > LAMBDA*THETA
%                                                    finite LAMBDA > 0, THETA > 2
%     4     MCP        a*(LAMBDA - a/(2*THETA))      for a <= LAMBDA*THETA
%                      LAMBDA^2*THETA/2              for a > LAMBDA*THETA
%                                                    finite LAMBDA >= 0, THETA > 0
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
%       result is returned without a warning: an infinite LAMBDA or THETA
%       gives NaN for SCAD and MCP, and their squared terms overflow to Inf
%       where LAMBDA or LAMBDA*THETA exceeds about 1e154 (sqrt(realmax)).
%     - PENALTYVALUE gives the terms themselves, for any array and with
%       per-element weights.
%
%   Threads
%     From 65536 elements on, other cores form the terms while this one
%     adds them, one at a time in index order as above. The environment
%     variable OMP_NUM_THREADS caps the number of threads
%     (setenv('OMP_NUM_THREADS', '1') keeps to one). The sum has the same
%     bits for any number of threads.
%
%   Errors (identifier: cause); each message says what was received
%     penaltySum:notEnoughInputs     fewer than five inputs
%     penaltySum:tooManyOutputs      more than one output
%     penaltySum:invalidX            X not a real, full double array
%     penaltySum:invalidScalar       N, LAMBDA, THETA or CODE empty,
%                                    sparse, complex, or not numeric/logical
%     penaltySum:countExceedsLength  N larger than numel(X)
%
%   Example
%     x = [1 -2 3];
%     s = penaltySum(x, numel(x), 1, 2, 4)   % MCP: 0.75 + 1 + 1 = 2.75
%
%@ references
%
%   See also PENALTYVALUE, PENALTYSHRINK, PENALTYPROX, PENALTYDERIVATIVE, SPARSEPENALTY.

%!test
%! % MCP summed: 0.75 + 1 + 1.
%! assert (penaltySum ([1 -2 3], 3, 1, 2, 4), 2.75);
%!test
%! % One running double in index order: the sum of the terms, exactly.
%! x = [0.1 -0.7 2.5 -3.3 0.2];
%! assert (penaltySum (x, 5, 1, 3.7, 3), sum (penaltyValue (x, 'scad', 1, 3.7)));
%!test
%! % Capped-l1 and log-sum multiply the finished sum by LAMBDA.
%! assert (penaltySum ([0.5 3], 2, 2, 1, 1), 2 * (0.5 + 1));
%! s = penaltySum ([1 2], 0, -1, 1, 2);
%! assert (s == 0 && signbit (s));
%!test
%! % N counts the first elements only; N <= 0 sums nothing.
%! assert (penaltySum ([1 2 100], 2, 1, 2, 4), penaltySum ([1 2], 2, 1, 2, 4));
%! assert (penaltySum ([1 2], 0, 1, 3.7, 3), 0);
%!error <Five inputs> penaltySum (1, 1, 1, 2)
%!error id=penaltySum:tooManyOutputs [a, b] = penaltySum (1, 1, 1, 2, 1);
%!error id=penaltySum:invalidScalar penaltySum (1, 1, [], 2, 1)
%!error id=penaltySum:countExceedsLength penaltySum ([1 2], 3, 1, 2, 1)

%!demo
%! % The four penalties on a sparse and on a dense vector of the same norm.
%! sparse_x = [3 zeros(1, 8)];
%! dense_x = ones (1, 9);
%! names = {'capped-l1', 'log-sum', 'SCAD', 'MCP'};
%! thetas = [2 1 3.7 3];
%! for code = 1:4
%!   fprintf ('%-10s sparse %7.4f   dense %7.4f\n', names{code}, ...
%!            penaltySum (sparse_x, 9, 1, thetas(code), code), penaltySum (dense_x, 9, 1, thetas(code), code));
%! end
