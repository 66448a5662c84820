%PENALTYFITCORE Plain-array core of penaltyFit (not meant to be called directly).
%   [B, B0, LAMBDA, DF, MSE, OBJECTIVE, PASSES, CONVERGED] = ...
%       PENALTYFITCORE(X, VALUES, ROWS, STARTS, Y, LAMBDA, FACTOR, WEIGHTS, OPTIONS)
%   fits the path that PENALTYFIT describes. Every input is a real, full
%   double array: X n-by-p, or [] with the compressed columns of a sparse X
%   in VALUES, ROWS (0-based) and STARTS (p + 1 column starts); LAMBDA
%   decreasing values or [] for a grid; WEIGHTS n values or []; OPTIONS =
%   [n p penalty theta numLambda lambdaRatio standardize intercept relTol
%   maxIter dfMax], penalty the 0-based position in the list of penalties.
%   The outputs are 1-by-L rows (B p-by-L) in ascending lambda.
%
%   Errors (identifier: cause); PENALTYFIT checks its arguments first
%     penaltyFitCore:invalidCall           not 9 inputs
%     penaltyFitCore:tooManyOutputs        more than 8 outputs
%     penaltyFitCore:invalidArray          an input not a real, full double array
%     penaltyFitCore:invalidOptions        OPTIONS malformed or out of range
%     penaltyFitCore:invalidDesign         X or its compressed columns malformed
%     penaltyFitCore:invalidResponse       Y not n finite values
%     penaltyFitCore:invalidLambda         LAMBDA not finite, >= 0, decreasing
%     penaltyFitCore:invalidPenaltyFactor  FACTOR not p values >= 0
%     penaltyFitCore:invalidWeights        WEIGHTS not [] or n finite values >= 0
%     penaltyFitCore:outOfMemory           no memory for the work arrays
%
%   See also PENALTYFIT, SPARSEPENALTY.
