%PENALTYDERIVATIVE Derivative of a sparsity penalty: reweighted-l1 weights.
%   D = PENALTYDERIVATIVE(X, PENALTY, LAMBDA)          % a penalty without THETA
%   D = PENALTYDERIVATIVE(X, PENALTY, LAMBDA, THETA)   % one with THETA
%   returns an array of the size of X with D(i) = p'(|X(i)|; LAMBDA(i), THETA),
%   the derivative of the penalty in the magnitude, for the penalties,
%   weights and THETA of penaltyProx (see HELP PENALTYPROX). These are the
%   weights of the local linear approximation (LLA, reweighted l1): one stage
%   solves the weighted-l1 problem with weights D = PENALTYDERIVATIVE(x, ...).
%
%   Every D(i) is a nonnegative weight. At X(i) = 0 it is the right
%   derivative p'(0+), so that the first LLA stage from zero is the lasso:
%   the formula below at a = 0 (LAMBDA for 'l1', 'scad' and 'mcp',
%   LAMBDA/THETA for 'log-sum'), and Inf for 'l0', 'l1/2' and 'l2/3',
%   whose derivatives at 0 are unbounded.
%
%   The formulas, a = |X(i)|, each a few IEEE operations in this order:
%@ penalties derivative
%   SCAD's and MCP's derivatives are continuous; their absolute bounds
%   allow for the cancellation next to the knot LAMBDA*THETA. THETA lies in
%   penaltyProx's range ('scad': 2 < THETA <= 1e150, 'mcp': 1e-150 <= THETA
%   <= 1e150); there every derivative, for every LAMBDA >= 0, is within the
%   bound stated.
%
%   Conventions
%     - X(i) = +-Inf gives the limit of the formula as a grows: LAMBDA
%       for 'l1' (and for 'elastic-net' with THETA = 1), Inf for
%       'elastic-net' with THETA < 1, 0 for SCAD and MCP, for example.
%       X(i) = NaN gives NaN.
%     - A zero weight gives 0 (the penalty is then 0 everywhere).
%     - An infinite weight is refused (invalidLambda), unlike in
%       penaltyProx and penaltyValue: the constraint u = 0 they read it as
%       has no derivative. An Inf that this function returns (p'(0+) of
%       'l0', 'l1/2' and 'l2/3') is a weight penaltyProx accepts: it holds
%       that element at 0 in the next LLA stage.
%
%   Single, complex and sparse X (as for penaltyProx; see HELP PENALTYPROX)
%     - single X: a single result, the double result rounded once.
%     - complex X: D(i) = p'(|X(i)|), real (single for a single X), with
%       |X(i)| correctly rounded to double; |Inf + NaN*i| is Inf.
%     - sparse X: the result is FULL, since p'(0+) is not 0 (LAMBDA, or Inf
%       for 'l0'): every element that X does not store gets the derivative
%       at 0. A per-element LAMBDA is a full array of numel(X) weights.
%
%@ threads
%
%   Errors: penaltyDerivative:<id>, as penaltyValue's; each message says
%   what was received:
%     penaltyDerivative:notEnoughInputs  fewer than three inputs
%     penaltyDerivative:tooManyInputs    more than four inputs
%     penaltyDerivative:tooManyOutputs   more than one output
%     penaltyDerivative:invalidX         X not a full double or single
%                                        array (real or complex) or a real
%                                        sparse double array
%     penaltyDerivative:unknownPenalty   PENALTY not a name or code 1-4
%     penaltyDerivative:invalidLambda    LAMBDA not a real scalar or numel(X)
%                                        doubles or singles, or some element
%                                        negative, NaN or infinite (Inf too)
%     penaltyDerivative:invalidTheta     THETA missing, given to 'l1' or 'l0',
%                                        not a finite scalar, or out of range
%
%   Example: one stage of LLA for SCAD, a weighted lasso solved by FISTA
%     w = penaltyDerivative(x, 'scad', lambda, 3.7);
%     L = norm(A)^2; z = x; t = 1;
%     for k = 1:200
%       x_old = x;
%       x = penaltyProx(z - A'*(A*z - y)/L, 'l1', w, [], 1/L);
%       t_old = t; t = (1 + sqrt(1 + 4*t^2))/2;
%       z = x + ((t_old - 1)/t)*(x - x_old);
%     end
%
%@ references
%
%   See also PENALTYVALUE, PENALTYPROX, PENALTYSUM, PENALTYSHRINK, SPARSEPENALTY.

%!test
%! % Right derivatives at 0: the first LLA stage from zero is the lasso.
%! assert (penaltyDerivative (0, 'scad', 2, 3.7), 2);
%! assert (penaltyDerivative (0, 'log-sum', 2, 4), 0.5);
%! assert (penaltyDerivative (0, 'l0', 1), Inf);
%!test
%! % Pieces and knots; the size of X is kept.
%! assert (penaltyDerivative ([1 2; 3 7], 'mcp', 1, 3), [2/3 1/3; 0 0], -1e-15);
%! assert (penaltyDerivative ([1.999 2 -2.5], 'capped-l1', 1, 2), [1 0 0]);
%! assert (penaltyDerivative ([0.5 2 5], 'scad', 1, 3.7), [1 1.7/2.7 0], -1e-15);
%!test
%! % NaN stays NaN; a zero weight gives 0.
%! assert (penaltyDerivative ([NaN 1], 'l1', [1 0]), [NaN 0]);
%!test
%! % Unbounded at 0 for l1/2 and l2/3; LAMBDA*THETA for the elastic net.
%! assert (penaltyDerivative ([0 4], 'l1/2', 1), [Inf 0.25]);
%! assert (penaltyDerivative ([0 8], 'l2/3', 3), [Inf 1]);
%! assert (penaltyDerivative ([0 2], 'elastic-net', 2, 0.25), [0.5 3.5]);
%!error id=penaltyDerivative:unknownPenalty penaltyDerivative (1, 'ridge', 1)
%!error id=penaltyDerivative:invalidLambda penaltyDerivative ([1 2], 'l1', [1 NaN])
%!error id=penaltyDerivative:tooManyOutputs [a, b] = penaltyDerivative (1, 'l1', 1);
%!test
%! % single and complex X; a sparse X gives a full result (p'(0+) = LAMBDA).
%! assert (penaltyDerivative (single ([0 8]), 'scad', 2, 3.7), single ([2 0]));
%! assert (penaltyDerivative (3+4i, 'mcp', 2, 3), 2 - 5/3, eps);
%! d = penaltyDerivative (sparse ([0 -1 0]), 'l1', [1 2 3]);
%! assert (! issparse (d) && isequal (d, [1 2 3]));
%!error id=penaltyDerivative:invalidX penaltyDerivative ({1}, 'l1', 1)

%!demo
%! % LLA weights for SCAD and MCP at LAMBDA = 1: flat near 0, zero beyond the knot.
%! x = linspace (0, 5, 501);
%! plot (x, penaltyDerivative (x, 'scad', 1, 3.7), x, penaltyDerivative (x, 'mcp', 1, 3), ...
%!       x, penaltyDerivative (x, 'log-sum', 1, 1));
%! legend ('SCAD, \theta = 3.7', 'MCP, \theta = 3', 'log-sum, \theta = 1');
%! title ('penaltyDerivative, \lambda = 1');
