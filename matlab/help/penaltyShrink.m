%PENALTYSHRINK Unit-step proximal map of capped-l1, log-sum, SCAD or MCP.
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
%     CODE  penalty    p(u), a = |u|                 true proximal point for
%     1     capped-l1  LAMBDA*min(a, THETA)          finite LAMBDA >= 0, THETA >= 0
%                                                    (THETA = Inf: soft thresholding)
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
%   value (int32(5) and true work); the first element is read as a double.
%
%   Limits
%     The map is formed in X's own units, by the steps above, for every
%     finite X(i). Where those steps overflow the result says so: log-sum
%     gives 0 where |X(i)| - THETA exceeds sqrt(realmax), about 1.34e154
%     (the squared distance overflows); an infinite LAMBDA or THETA is
%     outside every range (MCP then gives +-Inf even at 0). PENALTYPROX
%     takes a step size and per-element weights, solves every finite X(i)
%     in units where nothing overflows, and with GAMMA = 1 returns exactly
%     these bits for capped-l1, SCAD and MCP wherever these steps neither
%     overflow nor round past |X(i)|; for log-sum it returns the exact
%     minimiser, which these fixed steps miss near the threshold when
%     LAMBDA/THETA^2 is small.
%
%   Step sizes
%     PENALTYPROX takes the step size GAMMA directly. With PENALTYSHRINK the
%     map of GAMMA*p is that of p with LAMBDA replaced by GAMMA*LAMBDA for
%     capped-l1 and log-sum, and with LAMBDA by GAMMA*LAMBDA and THETA by
%     THETA/GAMMA for MCP. SCAD has no such form (GAMMA enters its middle
%     piece); use PENALTYPROX.
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
%@ threads
%
%   Errors (identifier: cause); each message says what was received
%     penaltyShrink:notEnoughInputs     fewer than five inputs
%     penaltyShrink:tooManyOutputs      more than one output
%     penaltyShrink:invalidX            X not a real, full double array
%     penaltyShrink:invalidScalar       N, LAMBDA, THETA or CODE empty,
%                                       sparse, complex, or not numeric/logical
%     penaltyShrink:countExceedsLength  N larger than numel(X)
%
%   Example
%     x = [-3 -1 -0.5 0 0.5 1 3];
%     y = penaltyShrink(x, numel(x), 1, 3, 4)   % MCP, lambda 1, theta 3
%     % y = [-3; 0; 0; 0; 0; 0; 3], the zeros of -1 and -0.5 being -0
%     % (displayed as 0; signbit(y) tells them apart)
%
%@ references
%
%   See also PENALTYPROX, PENALTYSUM, PENALTYVALUE, PENALTYDERIVATIVE, SPARSEPENALTY.

%!test
%! % The worked example, signs of zero included.
%! y = penaltyShrink ([-3 -1 -0.5 0 0.5 1 3], 7, 1, 3, 4);
%! assert (y, [-3; 0; 0; 0; 0; 0; 3]);
%! assert (signbit (y), logical ([1; 1; 1; 0; 0; 0; 0]));
%!test
%! % Only the first N elements, as a column, whatever the shape of X.
%! assert (penaltyShrink ([1 -2.5; 0.5 2], 3, 1, 2, 1), [0; 0; -1.5]);
%! assert (size (penaltyShrink ([1 2 3], 0, 1, 2, 1)), [0 1]);
%!test
%! % Capped-l1 with THETA = Inf is soft thresholding; other codes are capped-l1.
%! x = [-3 -0.5 0.5 2];
%! assert (penaltyShrink (x, 4, 1, Inf, 1), [-2; 0; 0; 1]);
%! assert (penaltyShrink (x, 4, 1, 2, 7), penaltyShrink (x, 4, 1, 2, 1));
%!test
%! % Log-sum: +0 where no root exists, even for negative X.
%! y = penaltyShrink ([3 -0.5], 2, 1, 1, 2);
%! assert (y(1), 2.732050807568877, 1e-15);
%! assert (y(2) == 0 && ! signbit (y(2)));
%!test
%! % SCAD: soft below 2*LAMBDA, X itself beyond LAMBDA*THETA.
%! assert (penaltyShrink ([1.5 10 -3], 3, 1, 3.7, 3), [0.5; 10; -(2.7*3 - 3.7)/1.7], -1e-14);
%!error <Five inputs> penaltyShrink (1, 1, 1, 2)
%!error id=penaltyShrink:tooManyOutputs [a, b] = penaltyShrink (1, 1, 1, 2, 1);
%!error id=penaltyShrink:invalidX penaltyShrink (single (1), 1, 1, 2, 1)
%!error id=penaltyShrink:countExceedsLength penaltyShrink ([1 2], 3, 1, 2, 1)

%!demo
%! % The four thresholding functions at lambda = 1.
%! x = linspace (-5, 5, 1001);
%! y = [penaltyShrink(x, numel (x), 1, 2, 1), penaltyShrink(x, numel (x), 1, 1, 2), ...
%!      penaltyShrink(x, numel (x), 1, 3.7, 3), penaltyShrink(x, numel (x), 1, 3, 4)];
%! plot (x, y);
%! legend ('capped-l1, \theta = 2', 'log-sum, \theta = 1', 'SCAD, \theta = 3.7', 'MCP, \theta = 3', ...
%!         'location', 'northwest');
%! title ('penaltyShrink, \lambda = 1');
