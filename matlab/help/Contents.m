% sparsepenalty: nonconvex sparsity penalties, their prox maps and values
% Version 1.0.0 09-Dec-2026
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
%   penaltyShrink     - Unit-step proximal map of capped-l1, log-sum, SCAD
%                       or MCP on a vector.
%   penaltySum        - Capped-l1, log-sum, SCAD or MCP summed over a vector.
%   sparsepenalty     - Overview: the penalties, threads, demos, license.
