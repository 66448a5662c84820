function sparsepenalty
%SPARSEPENALTY Sparsity penalties: proximal maps, values and derivatives.
%   Elementwise MEX functions for proximal-gradient, FISTA, reweighted-l1
%   (LLA) and other nonconvex sparse-learning solvers, computing in IEEE
%   double precision in a fixed order of operations: every build returns
%   the same bits.
%
%@ functions
%
%   Penalties, by name in any case or (four of them) by code, and THETA:
%@ penalties definition
%   HELP PENALTYPROX gives the maps, the weights and the step size.
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
