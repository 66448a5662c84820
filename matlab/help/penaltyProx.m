%PENALTYPROX Proximal map with step size and weights of a sparsity penalty.
%   Y = PENALTYPROX(X, PENALTY, LAMBDA)                 % a penalty without THETA
%   Y = PENALTYPROX(X, PENALTY, LAMBDA, THETA)          % one with THETA
%   Y = PENALTYPROX(X, PENALTY, LAMBDA, THETA, GAMMA)   % step size GAMMA
%   returns an array of the size of X whose element i is
%
%       Y(i) = argmin over u of  0.5*(u - X(i))^2 + GAMMA*p(u; LAMBDA(i), THETA)
%
%   the proximal map of GAMMA*p that a proximal-gradient or FISTA step with
%   step size GAMMA = 1/L needs, for l1, l0, SCAD, MCP and the other
%   penalties below. Every element is computed in IEEE double precision by
%   a fixed sequence of operations, so every build returns the same bits.
%
%   Arguments
%     X        double or single array of any size (empty too), real or
%              complex, or a real sparse double array (see below); never
%              modified.
%     PENALTY  a name, in any case, or for four of them a code:
%
%@ penalties definition
%
%     LAMBDA   the weight: a scalar, or an array with numel(X) elements (of
%              any shape) giving each element its own LAMBDA(i), which then
%              replaces LAMBDA everywhere in p, knots included. Finite, >= 0,
%              or Inf, which holds the element at 0 (Conventions); double
%              or single.
%     THETA    the shape: a finite scalar in the penalty's range; left out or
%              [] for a penalty without one (THETA none above).
%     GAMMA    the step size: a finite scalar > 0 (for 'scad' and 'mcp'
%              within 1e-150 to 1e150); 1 when left out or [].
%     Only [] (a 0-by-0 double) stands for a left-out THETA or GAMMA: '',
%     {} or another empty value is refused like any other wrong value.
%
%   The maps, in every regime
%     The result is the global minimiser, chosen by comparing the objective
%     at every candidate (0, the stationary points, the knots), so the map
%     is exact also where it is discontinuous:
%@ penalties prox
%     With GAMMA = 1 and a scalar LAMBDA > 0, codes 1, 3 and 4 (capped-l1,
%     SCAD, MCP) give exactly the bits of penaltyShrink, but for one case:
%     at SCAD's and MCP's knee (|X(i)| near LAMBDA*THETA) penaltyShrink's
%     fixed steps can round one ulp past |X(i)|, and penaltyProx keeps the
%     result at X(i), which is never larger in magnitude. For log-sum (code
%     2) penaltyShrink's fixed steps lose accuracy near its threshold, and
%     penaltyProx is the accurate one: the two may differ there. Per-element
%     weights give exactly the bits of calls made one element at a time
%     with a scalar LAMBDA. The roots of 'l1/2' and 'l2/3' are found by
%     Newton's iteration from above (a fixed sequence of IEEE operations,
%     no C library function), with a last step in double-double, and
%     solved in units where nothing overflows: within 1.1 ulp of the true minimiser for 'l1/2' and 2.5
%     ulp for 'l2/3' (the largest errors against MPFR over 10^7 cases
%     across the exponent range: 1.00 and 2.42 ulp).
%
%   Conventions
%     - Ties between two minimisers go to
%@ penalties ties
%     - Signs: Y(i) has the sign of X(i), so a negative X(i) whose result is
%       zero gives -0, and X(i) = -0 gives +0; as in penaltyShrink, log-sum
%       gives +0 where its stationary-point equation has no real root.
%     - X(i) = +-Inf or NaN comes back as it is (but for an infinite
%       weight, below); so does every X(i) whose weight is 0 (-0 included).
%     - An infinite weight (LAMBDA(i) = Inf, or a scalar LAMBDA = Inf)
%       holds the element at 0, for every penalty and THETA: the penalty is
%       read as the constraint u = 0 (so also for capped-l1 with THETA = 0,
%       whose penalty is otherwise 0). Y(i) is then 0 with the sign rule
%       above (-0 for a negative X(i), X(i) = -Inf included; +0 otherwise),
%       and NaN for X(i) = NaN. This is what the first LLA stage from zero
%       needs for 'l0', 'l1/2' and 'l2/3', whose PENALTYDERIVATIVE at 0 is
%       Inf: penaltyProx(x, 'l1', penaltyDerivative(zeros(size(x)), 'l0',
%       1)) is 0 (NaN where x is NaN).
%     - Range: any finite X(i), from the smallest subnormal to realmax; the
%       element is solved in units where nothing overflows, so no result is
%       decided by an overflow. Every LAMBDA >= 0 (scalar or per element),
%       every GAMMA > 0 and every THETA in the range above is solved right,
%       except that 'scad' and 'mcp' accept THETA and GAMMA only within
%       1e-150 to 1e150 (their objectives multiply squared lengths by both;
%       beyond, they would overflow or underflow): other values are refused
%       with invalidTheta or invalidGamma, whose message states the range.
%     - 'l1' and 'elastic-net' round the threshold GAMMA*LAMBDA (times
%       THETA) once: near it the result carries that rounding, at most half
%       an ulp of the threshold, as an absolute error.
%     - Accuracy: each result is the chosen candidate's closed form in
%       double precision, within a few units in the last place. Log-sum's
%       is within 3 ulp of the true minimiser in every regime (the largest
%       error against MPFR over 10^7 cases with GAMMA*LAMBDA/THETA^2 from
%       1e-300 to 1e300 and X(i) around every threshold: 2.57 ulp): 0
%       exactly where a*THETA <= GAMMA*LAMBDA in the convex regime
%       (GAMMA*LAMBDA <= THETA^2), decided exactly; the root from forms that
%       do not cancel; at the jump the choice between 0 and the root can
%       differ from the exact one only where their objectives lie within
%       2^-51 of each other. It is not penaltyShrink's log-sum, whose fixed
%       steps lose accuracy near the threshold.
%
%   Single, complex and sparse X
%     - single X: the result is single, and it is the double result for the
%       same input rounded once to single (a single converts to double
%       exactly). That is the right rule: the double result is the exact
%       map to within its stated accuracy, one rounding of it is the single
%       nearest to it, and having one definite result gives the same bits
%       on every build, instruction set and thread count, equal to
%       single(penaltyProx(double(X), ...)). LAMBDA, THETA and GAMMA may be
%       double or single (a single LAMBDA converts exactly).
%     - complex X, double or single: the penalty applies to the modulus and
%       the phase is kept, Y(i) = r*X(i)/|X(i)| with r the real map of
%       |X(i)|. |X(i)| = sqrt(re^2 + im^2) is correctly rounded to double
%       (formed exactly after scaling by a power of two, then rounded once,
%       to nearest with ties to even: no overflow, and no underflow but the
%       result's own). Each part of Y(i) is t*part, with t = r/|X(i)|
%       rounded to double and then the product rounded: within 2^-52 of
%       r*part/|X(i)|, relatively. Where r = |X(i)| (the map keeps the
%       element, a zero weight, |X(i)| = 0, Inf or NaN) t is 1 and X(i)
%       comes back exactly, signs of zero included; an element mapped to 0
%       is 0 with the sign of each part (-3+2i gives -0+0i; Octave shows a
%       complex result whose imaginary parts are all 0 as real). A part that is
%       Inf makes |X(i)| Inf even beside a NaN (as C99's hypot), so
%       elements with an Inf or NaN part come back as they are, and so does
%       a finite X(i) whose modulus exceeds realmax (both parts above about
%       1.27e308). A complex single X gives a complex single result: the
%       double result rounded once per part.
%     - sparse X (real double): the result is sparse, with the pattern of X
%       less the elements mapped to 0; every penalty maps 0 to 0, so only
%       the stored elements are computed. A per-element LAMBDA is a full
%       array of numel(X) weights, LAMBDA(k) belonging to the element at
%       linear index k, and every weight is checked, as for full(X).
%     - Logical, integer, char, cell and struct X raise invalidX.
%
%@ threads
%
%   Errors (identifier: cause); each message says what was received
%     penaltyProx:notEnoughInputs  fewer than three inputs
%     penaltyProx:tooManyInputs    more than five inputs
%     penaltyProx:tooManyOutputs   more than one output
%     penaltyProx:invalidX         X not a full double or single array
%                                  (real or complex) or a real sparse
%                                  double array
%     penaltyProx:unknownPenalty   PENALTY not one of the names (every
%                                  character counts: a NUL inside a name
%                                  makes it unknown) or codes 1-4
%     penaltyProx:invalidLambda    LAMBDA not real, full and numeric, not a
%                                  scalar or numel(X) doubles or singles,
%                                  or some element negative (-Inf too) or
%                                  NaN
%     penaltyProx:invalidTheta     THETA missing, given to a penalty that
%                                  takes none, not a finite scalar, or out
%                                  of range
%     penaltyProx:invalidGamma     GAMMA not a finite scalar > 0, or for
%                                  'scad' and 'mcp' outside 1e-150..1e150
%
%   Example: FISTA for 0.5*norm(A*x - y)^2 + sum(p(x)) with SCAD, which
%   recovers a 10-sparse signal. LAMBDA = 0.1 lies above the noise's
%   correlation with every column (about 0.01*sqrt(2*log(800)) = 0.04 for
%   columns of unit norm) and LAMBDA*THETA = 0.37 below the signal's size,
%   where SCAD no longer shrinks it.
%     A = randn(200, 800)/sqrt(200);     % columns of about unit norm
%     y = A*[ones(10, 1); zeros(790, 1)] + 0.01*randn(200, 1);
%     L = norm(A)^2;                     % Lipschitz constant of the gradient
%     x = zeros(800, 1); z = x; t = 1;
%     for k = 1:300
%       x_old = x;
%       x = penaltyProx(z - A'*(A*z - y)/L, 'scad', 0.1, 3.7, 1/L);
%       t_old = t; t = (1 + sqrt(1 + 4*t^2))/2;
%       z = x + ((t_old - 1)/t)*(x - x_old);
%     end
%     find(x)'                           % 1 to 10: the support, found
%
%@ references
%
%   See also PENALTYVALUE, PENALTYDERIVATIVE, PENALTYSHRINK, PENALTYSUM, SPARSEPENALTY.

%!test
%! % The worked examples: MCP at a unit step, SCAD with step size 0.5.
%! x = [-3 -1 -0.5 0 0.5 1 3];
%! assert (penaltyProx (x, 'mcp', 1, 3), [-3 0 0 0 0 0 3]);
%! assert (penaltyProx (x, 'scad', 1, 3.7, 0.5), [-2.840909090909091 -0.5 0 0 0 0.5 2.840909090909091], -1e-15);
%!test
%! % The size of X is kept; names in any case; GAMMA = 1 is penaltyShrink.
%! x = [-2 0.3; 4 -0.9];
%! assert (size (penaltyProx (x, 'L1', 1)), [2 2]);
%! assert (penaltyProx (x(:), 'Scad', 1, 3.7, 1), penaltyShrink (x, 4, 1, 3.7, 3));
%!test
%! % Per-element weights; a zero weight, Inf and NaN return the element.
%! y = penaltyProx ([2 2 Inf NaN], 'l1', [1 0 1 1]);
%! assert (y, [1 2 Inf NaN]);
%!test
%! % An infinite weight holds the element at 0: the LLA stage from zero.
%! assert (penaltyProx ([2 -3 NaN], 'l1', penaltyDerivative ([0 0 0], 'l1/2', 1)), [0 0 NaN]);
%! assert (signbit (penaltyProx ([-3 3], 'scad', Inf, 3.7)), [true false]);
%!test
%! % The FISTA example recovers the support of its 10-sparse signal.
%! randn ('state', 1);
%! A = randn (200, 800) / sqrt (200);
%! y = A * [ones(10, 1); zeros(790, 1)] + 0.01 * randn (200, 1);
%! L = norm (A)^2; x = zeros (800, 1); z = x; t = 1;
%! for k = 1:300
%!   x_old = x;
%!   x = penaltyProx (z - A' * (A * z - y) / L, 'scad', 0.1, 3.7, 1 / L);
%!   t_old = t; t = (1 + sqrt (1 + 4 * t^2)) / 2;
%!   z = x + ((t_old - 1) / t) * (x - x_old);
%! end
%! assert (find (x)', 1:10);
%!test
%! % l0: hard thresholding at sqrt(2*GAMMA*LAMBDA), decided exactly.
%! assert (penaltyProx ([1.5 1.3 -2], 'l0', 1), [1.5 0 -2]);
%! assert (penaltyProx ([1.4142135 1.4142136], 'l0', 1), [0 1.4142136]);
%!test
%! % Signs of zero: a negative X(i) mapped to zero gives -0.
%! assert (signbit (penaltyProx (-0.5, 'capped-l1', 1, 2)));
%!error id=penaltyProx:unknownPenalty penaltyProx (1, 'lasso', 1)
%!error id=penaltyProx:unknownPenalty penaltyProx (1, ['mcp' char(0)], 1, 3)
%!error id=penaltyProx:invalidGamma penaltyProx (1, 'mcp', 1, 3, {})
%!error id=penaltyProx:invalidLambda penaltyProx ([1 2], 'l1', [1 -1])
%!error id=penaltyProx:invalidTheta penaltyProx (1, 'scad', 1, 2)
%!error id=penaltyProx:invalidGamma penaltyProx (1, 'mcp', 1, 3, 0)
%!error id=penaltyProx:tooManyOutputs [a, b] = penaltyProx (1, 'l1', 1);
%!test
%! % l1/2 at w = 1: 0 up to 3/2 (the tie included), then a jump to 1.
%! y = penaltyProx ([1.5 1.5000001 -3], 'l1/2', 1);
%! assert (y(1), 0);
%! assert (y(2), 1, 1e-6);
%! assert (y(3), -2.6954531510157711, -1e-15);
%!test
%! % l2/3 at w = 3/2: 0 up to 2, then a jump to 1; the elastic net.
%! assert (penaltyProx ([2 2.0000001], 'l2/3', 1.5), [0 1], 1e-6);
%! assert (penaltyProx ([-3 0.2], 'elastic-net', 1, 0.5, 2), [-1 0]);

%!test
%! % single X: the double result rounded once, with weights of either class.
%! x = single ([-3.3 -1 0.4 2.7 5]); w = single ([1 0.5 2 0 1]);
%! y = penaltyProx (x, 'scad', w, 3.7, 0.5);
%! assert (isa (y, 'single'));
%! assert (typecast (y, 'uint32'), typecast (single (penaltyProx (double (x), 'scad', double (w), 3.7, 0.5)), 'uint32'));
%!test
%! % complex X: the modulus thresholded, the phase kept; kept elements exact.
%! assert (penaltyProx ([-3+4i, 1+1i], 'l1', 2.5), [-1.5+2i, 0]);
%! assert (penaltyProx (complex (-3, 4), 'l0', 1), complex (-3, 4));
%! t = penaltyProx (complex (-3, 2), 'l1', 10);
%! assert (signbit (real (t)));
%! assert (class (penaltyProx (single (3+4i), 'mcp', 1, 3)), 'single');
%!test
%! % sparse X: a sparse result, the zeros the map makes not stored.
%! s = sparse ([0 2 0; -0.5 0 3]);
%! y = penaltyProx (s, 'l1', 1);
%! assert (issparse (y) && nnz (y) == 2);
%! assert (full (y), [0 1 0; 0 0 2]);
%! assert (full (penaltyProx (s, 'l1', [1 1 3 1 1 1])), [0 0 0; 0 0 2]);
%!error id=penaltyProx:invalidX penaltyProx (int8 ([1 2]), 'l1', 1)
%!error id=penaltyProx:invalidX penaltyProx (sparse (true (1, 2)), 'l1', 1)

%!demo
%! % The six maps at LAMBDA = 1 and step size GAMMA = 1.
%! x = linspace (-4, 4, 801);
%! plot (x, penaltyProx (x, 'l1', 1), x, penaltyProx (x, 'l0', 1), ...
%!       x, penaltyProx (x, 'capped-l1', 1, 2), x, penaltyProx (x, 'log-sum', 1, 1), ...
%!       x, penaltyProx (x, 'scad', 1, 3.7), x, penaltyProx (x, 'mcp', 1, 3));
%! legend ('l1', 'l0', 'capped-l1', 'log-sum', 'SCAD', 'MCP', 'location', 'northwest');
%! title ('penaltyProx, \lambda = 1, \gamma = 1');

%!demo
%! % FISTA for 0.5*norm(A*x - y)^2 + sum(p(x)) with MCP: the support is found.
%! randn ('state', 1);
%! m = 100; n = 400; k = 8;
%! A = randn (m, n) / sqrt (m);
%! truth = zeros (n, 1); truth(1:k) = 2 + rand (k, 1);
%! y = A * truth + 0.01 * randn (m, 1);
%! L = norm (A)^2; x = zeros (n, 1); z = x; t = 1;
%! for iteration = 1:500
%!   x_old = x;
%!   x = penaltyProx (z - A' * (A * z - y) / L, 'mcp', 0.1, 3, 1 / L);
%!   t_old = t; t = (1 + sqrt (1 + 4 * t^2)) / 2;
%!   z = x + ((t_old - 1) / t) * (x - x_old);
%! end
%! fprintf ('nonzeros found %d (true %d), relative error %.4f\n', nnz (x), k, norm (x - truth) / norm (truth));
