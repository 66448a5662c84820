%PENALTYVALUE Penalty of each element: l1, l0, SCAD, MCP and others.
%   V = PENALTYVALUE(X, PENALTY, LAMBDA)          % a penalty without THETA
%   V = PENALTYVALUE(X, PENALTY, LAMBDA, THETA)   % one with THETA
%   returns an array of the size of X with V(i) = p(X(i); LAMBDA(i), THETA),
%   for the penalties, weights and THETA of penaltyProx (see HELP
%   PENALTYPROX): PENALTY by name in any case or by code 1 to 4, LAMBDA a
%   scalar or one weight per element, finite and >= 0 or Inf (Conventions).
%   X is a double or single array, real or complex, or a real sparse double
%   array.
%
%   The formulas, a = |X(i)|, each a few IEEE operations in this order:
%@ penalties value
%   They are penaltySum's terms wherever X(i) is not NaN (for SCAD wherever
%   those are finite and LAMBDA^2 is a normal double): adding V's elements
%   one at a time in index order from +0 gives exactly penaltySum's result
%   for SCAD and MCP, and for capped-l1 and log-sum each V(i) is LAMBDA
%   times the term that penaltySum adds before its final multiplication by
%   LAMBDA (for log-sum where a/THETA is finite). A NaN element gives
%   V(i) = NaN, while penaltySum's terms send it to a finite branch for
%   capped-l1 (THETA) and MCP (LAMBDA^2*THETA/2). THETA lies in
%   penaltyProx's range ('scad': 2 < THETA <= 1e150, 'mcp': 1e-150 <=
%   THETA <= 1e150), and every value there, for every LAMBDA >= 0, is
%   within the bound stated.
%
%   Conventions
%     - X(i) = +-Inf gives the penalty's limit: LAMBDA for 'l0',
%       LAMBDA*THETA for 'capped-l1', the flat value for SCAD and MCP, Inf
%       for the penalties that grow without bound. X(i) = NaN gives NaN.
%     - A zero weight gives 0 (the penalty is then 0 everywhere).
%     - An infinite weight is the constraint u = 0 that penaltyProx holds
%       such an element to, for every penalty and THETA: V(i) = 0 where
%       X(i) = +-0, Inf everywhere else (+-Inf included), NaN for NaN. So
%       sum(penaltyValue(x, 'l1', w)) is the penalty part of an LLA
%       stage's objective also where its weights w came from
%       PENALTYDERIVATIVE at 0 (Inf for 'l0', 'l1/2' and 'l2/3'): the
%       elements that penaltyProx held at 0 add 0.
%
%   Single, complex and sparse X (as for penaltyProx; see HELP PENALTYPROX)
%     - single X: a single result, the double result rounded once.
%     - complex X: V(i) = p(|X(i)|), real (single for a single X), with
%       |X(i)| correctly rounded to double; |Inf + NaN*i| is Inf.
%     - sparse X: a sparse result with the pattern of X less the zeros
%       (p(0) = 0 for every penalty, so only the stored elements are
%       computed); a per-element LAMBDA is a full array of numel(X) weights.
%
%@ threads
%
%   Errors: penaltyValue:<id>, with the identifiers of penaltyProx (except
%   invalidGamma; at most four inputs); each message says what was received:
%     penaltyValue:notEnoughInputs  fewer than three inputs
%     penaltyValue:tooManyInputs    more than four inputs
%     penaltyValue:tooManyOutputs   more than one output
%     penaltyValue:invalidX         X not a full double or single array
%                                   (real or complex) or a real sparse
%                                   double array
%     penaltyValue:unknownPenalty   PENALTY not one of the names or codes 1-4
%     penaltyValue:invalidLambda    LAMBDA not a real scalar or numel(X)
%                                   doubles or singles, or some element
%                                   negative (-Inf too) or NaN
%     penaltyValue:invalidTheta     THETA missing, given to 'l1' or 'l0', not
%                                   a finite scalar, or out of range
%
%   Example: the objective of a sparse regression, term by term
%     objective = 0.5*norm(A*x - y)^2 + sum(penaltyValue(x, 'mcp', 0.1, 3));
%
%@ references
%
%   See also PENALTYDERIVATIVE, PENALTYPROX, PENALTYSUM, PENALTYSHRINK, SPARSEPENALTY.

%!test
%! % The formulas at a few points; the size of X is kept.
%! assert (penaltyValue ([-2 0 0.5], 'l1', 3), [6 0 1.5]);
%! assert (penaltyValue ([-2 0; 0.5 1], 'l0', 2), [2 0; 2 2]);
%! assert (penaltyValue ([1 5], 'capped-l1', 2, 3), [2 6]);
%! assert (penaltyValue ([1 4], 'mcp', 1, 2), [0.75 1]);
%!test
%! % The terms of penaltySum: SCAD and MCP add up to it bit for bit.
%! x = [0.3 -1.7 2.2 -5 0.01];
%! assert (sum (penaltyValue (x, 'mcp', 0.8, 2.5)), penaltySum (x, 5, 0.8, 2.5, 4));
%!test
%! % Limits at +-Inf, NaN kept, zero weights give 0.
%! assert (penaltyValue ([Inf -Inf NaN], 'scad', 1, 3.7), [2.35 2.35 NaN], 1e-15);
%! assert (penaltyValue ([1 2], 'log-sum', [0 1], 1), [0 log(3)], -1e-15);
%!test
%! % l1/2, l2/3 (exact where the power is a double) and the elastic net.
%! assert (penaltyValue ([-4 0 0.25], 'l1/2', 2), [4 0 1]);
%! assert (penaltyValue ([8 -27 2^-30], 'l2/3', 1), [4 9 2^-20]);
%! assert (penaltyValue ([2 -1], 'elastic-net', 1, 0.5), [2 0.75]);
%!error id=penaltyValue:invalidTheta penaltyValue (1, 'l1', 1, 2)
%!error id=penaltyValue:invalidTheta penaltyValue (1, 'elastic-net', 1, 1.5)
%!error id=penaltyValue:tooManyInputs penaltyValue (1, 'mcp', 1, 3, 1)
%!error id=penaltyValue:tooManyOutputs [a, b] = penaltyValue (1, 'l1', 1);
%!test
%! % single, complex and sparse X.
%! assert (penaltyValue (single ([2 -0.5]), 'mcp', 1, 3), single (penaltyValue ([2 -0.5], 'mcp', 1, 3)));
%! assert (penaltyValue ([3+4i, 0], 'l1', 2), [10 0]);
%! v = penaltyValue (sparse ([0 -2 0 1]), 'l1', 3);
%! assert (issparse (v) && isequal (full (v), [0 6 0 3]));
%!error id=penaltyValue:invalidX penaltyValue ('ab', 'l1', 1)

%!demo
%! % The six penalties at LAMBDA = 1.
%! x = linspace (-5, 5, 1001);
%! plot (x, penaltyValue (x, 'l1', 1), x, penaltyValue (x, 'l0', 1), ...
%!       x, penaltyValue (x, 'capped-l1', 1, 2), x, penaltyValue (x, 'log-sum', 1, 1), ...
%!       x, penaltyValue (x, 'scad', 1, 3.7), x, penaltyValue (x, 'mcp', 1, 3));
%! legend ('l1', 'l0', 'capped-l1', 'log-sum', 'SCAD', 'MCP', 'location', 'north');
%! title ('penaltyValue, \lambda = 1');
