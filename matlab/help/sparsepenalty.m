function sparsepenalty
%SPARSEPENALTY Sparsity penalties: proximal maps, values and derivatives.
%   Elementwise MEX functions for proximal-gradient, FISTA, reweighted-l1
%   (LLA) and other nonconvex sparse-learning solvers, computing in IEEE
%   double precision in a fixed order of operations: every build returns
%   the same bits.
%
%   penaltyProx       - Proximal map with a step size and per-element
%                       weights: l1, l0, capped-l1, log-sum, SCAD, MCP,
%                       l1/2, l2/3, elastic net.
%   penaltyFit        - Regularization paths of least squares, logistic and
%                       Poisson regression with any of them (pathwise
%                       coordinate descent, exact steps), cross-validation.
%   penaltyFitPlot    - Its coefficient paths and cross-validation curve.
%   penaltyFitFolds   - Its cross-validation folds, the same on every host.
%   penaltyFitCVSummary - Cross-validated error, SE and the chosen lambda.
%   penaltyValue      - The penalty of each element.
%   penaltyDerivative - Its derivative: the weights of reweighted l1 (LLA).
%   penaltyShrink     - Unit-step proximal map (thresholding) of capped-l1,
%                       log-sum, SCAD or MCP on a vector.
%   penaltySum        - Capped-l1, log-sum, SCAD or MCP summed over a vector.
%
%   Penalties, a = |u|, by name or (the last four) by code:
%     'l1'         LAMBDA*a
%     'l0'         LAMBDA*(a ~= 0)
%     'capped-l1'  LAMBDA*min(a, THETA)                        code 1
%     'log-sum'    LAMBDA*log(1 + a/THETA)                     code 2
%     'scad'       smoothly clipped absolute deviation         code 3
%     'mcp'        minimax concave penalty                     code 4
%     'l1/2'       LAMBDA*a^(1/2)
%     'l2/3'       LAMBDA*a^(2/3)
%     'elastic-net' LAMBDA*(THETA*a + (1 - THETA)*a^2/2)
%   HELP PENALTYPROX gives every formula and range.
%
%   penaltyProx, penaltyValue and penaltyDerivative take X double or single,
%   real or complex (the penalty of the modulus, the phase kept), or real
%   sparse double; a single result is the double result rounded once.
%
%   From 65536 elements on, every function spreads its work over the cores
%   this process may use, with results the same to the bit; the environment
%   variable OMP_NUM_THREADS caps the number of threads.
%
%   Demos: DEMO PENALTYPROX (Octave) shows the maps and a FISTA solve.
%   Tests: TEST SPARSEPENALTY (Octave) runs every function's self-tests.
%   License: BSD 3-Clause.
%
%   See also PENALTYPROX, PENALTYFIT, PENALTYVALUE, PENALTYDERIVATIVE, PENALTYSHRINK, PENALTYSUM.
help('sparsepenalty');
end

%!test
%! % Every function's own self-tests, each of which must run and pass.
%! for name = {'penaltyProx', 'penaltyValue', 'penaltyDerivative', 'penaltyShrink', 'penaltySum'}
%!   [passed, total] = test (name{1}, 'quiet');
%!   assert (total > 3 && passed == total, '%s: %d of %d self-tests passed', name{1}, passed, total);
%! end
