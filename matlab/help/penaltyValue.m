%PENALTYVALUE Penalty of each element: l1, l0, capped-l1, log-sum, SCAD, MCP.
%   V = PENALTYVALUE(X, PENALTY, LAMBDA)          % 'l1', 'l0'
%   V = PENALTYVALUE(X, PENALTY, LAMBDA, THETA)   % the others
%   returns an array of the size of X with V(i) = p(X(i); LAMBDA(i), THETA),
%   for the penalties, weights and THETA of penaltyProx (see HELP
%   PENALTYPROX): PENALTY by name in any case or by code 1 to 4, LAMBDA a
%   scalar or one weight per element, finite and >= 0.
%
%   The formulas, a = |X(i)|, each a few IEEE operations in this order:
%     'l1'         LAMBDA*a                                  within 1/2 ulp
%     'l0'         LAMBDA where X(i) ~= 0, 0 where X(i) = 0          exact
%     'capped-l1'  LAMBDA*min(a, THETA)                      within 1/2 ulp
%     'log-sum'    LAMBDA*log(a/THETA + 1), the logarithm taken of the
%                  rounded a/THETA + 1 and correctly rounded: within
%                  LAMBDA*2^-52 plus 2 ulp, so only a few correct digits
%                  remain where a is below THETA*1e-12
%     'scad'       LAMBDA*a (a <= LAMBDA);
%                  (((2*LAMBDA*THETA - a)*a - LAMBDA^2)*0.5)/(THETA - 1)
%                  (up to LAMBDA*THETA); ((THETA + 1)*0.5)*LAMBDA^2 beyond
%                                                            within 5 ulp
%     'mcp'        (LAMBDA - (a*0.5)/THETA)*a (up to LAMBDA*THETA);
%                  (LAMBDA*THETA*0.5)*LAMBDA beyond          within 3 ulp
%   They are penaltySum's terms: adding V's elements one at a time in index
%   order from +0 gives exactly penaltySum's result for SCAD and MCP, and
%   for capped-l1 and log-sum each V(i) is LAMBDA times the term that
%   penaltySum adds before its final multiplication by LAMBDA.
%
%   Conventions
%     - X(i) = +-Inf gives the penalty's limit: Inf for 'l1' and 'log-sum',
%       LAMBDA for 'l0', LAMBDA*THETA for 'capped-l1', the flat value for
%       SCAD and MCP. X(i) = NaN gives NaN.
%     - A zero weight gives 0 (the penalty is then 0 everywhere).
%
%   Threads
%     From 65536 elements on, the array is split over the cores this
%     process may use; the environment variable OMP_NUM_THREADS caps their
%     number (setenv('OMP_NUM_THREADS', '1') keeps to one). The result has
%     the same bits for any number of threads.
%
%   Errors: penaltyValue:<id>, with the identifiers of penaltyProx (except
%   invalidGamma; at most four inputs):
%     penaltyValue:notEnoughInputs  fewer than three inputs
%     penaltyValue:tooManyInputs    more than four inputs
%     penaltyValue:tooManyOutputs   more than one output
%     penaltyValue:invalidX         X not a real, full double array
%     penaltyValue:unknownPenalty   PENALTY not one of the names or codes 1-4
%     penaltyValue:invalidLambda    LAMBDA not a real scalar or numel(X)
%                                   doubles, or some element negative, NaN
%                                   or infinite
%     penaltyValue:invalidTheta     THETA missing, given to 'l1' or 'l0', not
%                                   a finite scalar, or out of range
%
%   Example: the objective of a sparse regression, term by term
%     objective = 0.5*norm(A*x - y)^2 + sum(penaltyValue(x, 'mcp', 0.1, 3));
%
%   See also PENALTYDERIVATIVE, PENALTYPROX, PENALTYSUM, PENALTYSHRINK.
