%PENALTYDERIVATIVE Derivative of l1, l0, capped-l1, log-sum, SCAD or MCP: the weights of reweighted l1.
%   D = PENALTYDERIVATIVE(X, PENALTY, LAMBDA)          % 'l1', 'l0'
%   D = PENALTYDERIVATIVE(X, PENALTY, LAMBDA, THETA)   % the others
%   returns an array of the size of X with D(i) = p'(|X(i)|; LAMBDA(i), THETA),
%   the derivative of the penalty in the magnitude, for the penalties,
%   weights and THETA of penaltyProx (see HELP PENALTYPROX). These are the
%   weights of the local linear approximation (LLA, reweighted l1): one stage
%   solves the weighted-l1 problem with weights D = PENALTYDERIVATIVE(x, ...).
%
%   Every D(i) is a nonnegative weight. At X(i) = 0 it is the right
%   derivative p'(0+), so that the first LLA stage from zero is the lasso:
%   LAMBDA for 'l1', 'capped-l1', 'scad' and 'mcp', LAMBDA/THETA for
%   'log-sum', and Inf for 'l0', whose derivative at 0 is unbounded.
%
%   The formulas, a = |X(i)|, each a few IEEE operations in this order:
%     'l1'         LAMBDA                                            exact
%     'l0'         Inf at X(i) = 0, 0 elsewhere                      exact
%     'capped-l1'  LAMBDA for a < THETA, 0 for a >= THETA: at a = THETA,
%                  where p' jumps, the right derivative 0            exact
%     'log-sum'    LAMBDA/(THETA + a)                          within 2 ulp
%     'scad'       LAMBDA for a <= LAMBDA;
%                  (LAMBDA*THETA - a)/(THETA - 1) up to LAMBDA*THETA;
%                  0 beyond                   within 1e-15*LAMBDA absolutely
%     'mcp'        max(0, LAMBDA - a/THETA) up to LAMBDA*THETA; 0 beyond
%                                             within 5e-16*LAMBDA absolutely
%   SCAD's and MCP's derivatives are continuous; their absolute bounds
%   allow for the cancellation next to the knot LAMBDA*THETA.
%
%   Conventions
%     - X(i) = +-Inf gives the limit: LAMBDA for 'l1', 0 for the others.
%       X(i) = NaN gives NaN.
%     - A zero weight gives 0 (the penalty is then 0 everywhere).
%
%   Threads
%     From 65536 elements on, the array is split over the cores this
%     process may use; the environment variable OMP_NUM_THREADS caps their
%     number (setenv('OMP_NUM_THREADS', '1') keeps to one). The result has
%     the same bits for any number of threads.
%
%   Errors: penaltyDerivative:<id>, as penaltyValue's:
%     penaltyDerivative:notEnoughInputs  fewer than three inputs
%     penaltyDerivative:tooManyInputs    more than four inputs
%     penaltyDerivative:tooManyOutputs   more than one output
%     penaltyDerivative:invalidX         X not a real, full double array
%     penaltyDerivative:unknownPenalty   PENALTY not a name or code 1-4
%     penaltyDerivative:invalidLambda    LAMBDA not a real scalar or numel(X)
%                                        doubles, or some element negative,
%                                        NaN or infinite
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
%   See also PENALTYVALUE, PENALTYPROX, PENALTYSUM, PENALTYSHRINK.
