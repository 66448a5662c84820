%PENALTYSHRINK Proximal map (thresholding function) of a nonconvex sparsity penalty.
%   Y = PENALTYSHRINK(X, N, LAMBDA, THETA, CODE) returns the N-by-1 column
%   whose element i is the proximal point of the chosen penalty at X(i):
%
%       Y(i) = argmin over u of  0.5*(u - X(i))^2 + p(u)
%
%   computed in IEEE double precision by a fixed sequence of operations, so
%   every build returns the same bits.
%
%   Arguments
%     X       real, full double array. Its first N stored elements (in
%             column-major order) are used; its shape is ignored and it is
%             never modified.
%     N       number of elements, truncated toward zero. N <= 0 (also NaN,
%             +-Inf, or 2^31 and above) returns a 0-by-1 result.
%     LAMBDA  penalty weight.
%     THETA   shape parameter.
%     CODE    which penalty, truncated toward zero:
%
%     CODE  penalty    p(u), a = |u|                       true proximal point for
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
%   value (int32(5) and true work); the first element is read as a double.
%   Capped-l1 with THETA = Inf is plain soft thresholding (the l1 prox).
%
%   Conventions
%     - Sign: Y(i) carries the sign of X(i), so a negative X(i) whose result
%       is zero gives -0. X(i) = -0 gives +0.
%     - Log-sum returns +0, even for negative X(i), wherever its
%       stationary-point equation has no real root (small |X(i)|).
%     - Ties between candidate minimisers are broken in a fixed way, so
%       results right at a threshold are exact and reproducible.
%     - NaN X(i): NaN for capped-l1, SCAD and MCP; -0 for log-sum.
%     - X(i) = +-Inf: +-THETA for capped-l1 (+-Inf when THETA = Inf), +0/-0
%       for log-sum, +-LAMBDA for SCAD, X(i) itself for MCP.
%     - Outside the ranges above the same arithmetic runs and its IEEE
%       result is returned without a warning.
%
%   Threads
%     From 65536 elements on, the array is split over the cores this
%     process may use; the environment variable OMP_NUM_THREADS caps their
%     number (setenv('OMP_NUM_THREADS', '1') keeps to one). The result has
%     the same bits for any number of threads.
%
%   Errors (identifier: cause)
%     penaltyShrink:notEnoughInputs     fewer than five inputs
%     penaltyShrink:invalidX            X not a real, full double array
%     penaltyShrink:invalidScalar       N, LAMBDA, THETA or CODE empty,
%                                       sparse, complex, or not numeric/logical
%     penaltyShrink:countExceedsLength  N larger than numel(X)
%
%   Example
%     x = [-3 -1 -0.5 0 0.5 1 3];
%     y = penaltyShrink(x, numel(x), 1, 3, 4)   % MCP, lambda 1, theta 3
%     % y = [-3; -0; -0; 0; 0; 0; 3]
%
%   See also PENALTYSUM.
