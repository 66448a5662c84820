%PENALTYFITCORE Plain-array core of penaltyFit (not meant to be called directly).
%   [B, B0, LAMBDA, DF, MSE, OBJECTIVE, PASSES, CONVERGED, CVLOSS, SATURATED] = ...
%       PENALTYFITCORE(X, VALUES, ROWS, STARTS, Y, LAMBDA, FACTOR, WEIGHTS, OPTIONS, FOLDS)
%   fits the path that PENALTYFIT describes. Every input is a real, full
%   double array: X n-by-p, or [] with the compressed columns of a sparse X
%   in VALUES, ROWS (0-based) and STARTS (p + 1 column starts); LAMBDA
%   decreasing values or [] for a grid; WEIGHTS n values or []; OPTIONS =
%   [n p penalty theta numLambda lambdaRatio standardize intercept relTol
%   maxIter dfMax], penalty the 0-based position in the list of penalties,
%   optionally followed by [distribution K]: 0 normal, 1 binomial, 2
%   poisson (MSE then holds the mean deviance), and K folds (0 for none)
%   with FOLDS the n fold numbers 1..K. The outputs are 1-by-L rows (B
%   p-by-L) in ascending lambda; CVLOSS is n-by-L, each observation's
%   held-out squared error or deviance ([] without folds); SATURATED is 1
%   where a binomial or Poisson path stopped at a saturated fit.
%
%   ROW = PENALTYFITCORE(PENALTY) is PENALTYFIT's view of the penalty list:
%   [index takesTheta lower lowerIncluded upper defaultTheta typicalTheta
%   name], PENALTY a name or code as PENALTYPROX takes it, index its
%   0-based position, THETA > lower (>= where lowerIncluded) and <= upper,
%   defaultTheta NaN where a fit must be given THETA, typicalTheta a THETA
%   of the range for examples and tests, and the name as character codes.
%   NAMES = PENALTYFITCORE([]) is every name, joined by ', ', as codes.
%
%   Errors (identifier: cause); PENALTYFIT checks its arguments first
%     penaltyFitCore:invalidCall           not 1, 9 or 10 inputs (10 with
%                                          the GLM options only)
%     penaltyFitCore:tooManyOutputs        more than 10 outputs (more than
%                                          one for a question of the list)
%     penaltyFitCore:unknownPenalty        PENALTY not a name or code 1-4
%     penaltyFitCore:invalidArray          an input not a real, full double array
%     penaltyFitCore:invalidOptions        OPTIONS malformed or out of range
%     penaltyFitCore:invalidDesign         X or its compressed columns malformed
%     penaltyFitCore:invalidResponse       Y not n finite values (in [0, 1]
%                                          for binomial, >= 0 for poisson)
%     penaltyFitCore:invalidFolds          FOLDS not n fold numbers 1..K
%     penaltyFitCore:invalidLambda         LAMBDA not finite, >= 0, decreasing
%     penaltyFitCore:invalidPenaltyFactor  FACTOR not p values >= 0
%     penaltyFitCore:invalidWeights        WEIGHTS not [] or n finite values >= 0
%     penaltyFitCore:outOfMemory           no memory for the work arrays
%
%   See also PENALTYFIT, SPARSEPENALTY.
