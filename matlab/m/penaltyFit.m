function [B, FitInfo] = penaltyFit(X, y, penalty, varargin)
%PENALTYFIT Penalised least-squares, logistic and Poisson regression paths.
%   B = PENALTYFIT(X, Y, PENALTY) fits the penalised least-squares problem
%   below at a path of LAMBDA values and returns B, p-by-L: column k holds
%   the coefficients on the scale of X at FitInfo.Lambda(k), in ascending
%   LAMBDA (as LASSO returns them).
%   [B, FitInfo] = PENALTYFIT(X, Y, PENALTY, Name, Value, ...) takes options
%   and returns the fits' details.
%
%   The objective, minimised at each LAMBDA over the intercept b0 and beta:
%
%     (1/(2*sum(w))) * sum_i w_i*(y_i - b0 - x_i'*beta)^2
%                                  + sum_j f_j * p(|beta~_j|; LAMBDA, THETA)
%
%   w the observation weights ('Weights', all 1 by default), f_j the
%   penalty factors ('PenaltyFactor', all 1), p the penalty (as in
%   PENALTYPROX) and beta~_j the coefficient on the scale of the fit:
%   beta_j*s_j when 'Standardize' is true, s_j the weighted population
%   standard deviation of column j, sqrt(sum_i w_i*(x_ij - m_j)^2/sum(w))
%   with m_j its weighted mean (a constant column gets coefficient 0);
%   beta_j itself otherwise. The intercept is never penalised.
%
%   With 'Distribution' 'binomial' or 'poisson' the objective is instead
%   the weighted mean negative log-likelihood plus the same penalty:
%
%     (1/sum(w)) * sum_i w_i*loss(y_i, eta_i)
%                                  + sum_j f_j * p(|beta~_j|; LAMBDA, THETA)
%
%   eta_i = b0 + x_i'*beta, with loss(y, eta) = log(1 + exp(eta)) - y*eta
%   (binomial: y the proportion of successes, w the number of trials) or
%   exp(eta) - y*eta (Poisson), each the negative log-likelihood less the
%   terms in y alone, as MATLAB's LASSOGLM names the distributions.
%
%   Arguments
%     X        n-by-p real double matrix, full or sparse (a sparse X is
%              never made dense); finite.
%     Y        n real finite doubles (a vector): for 'binomial' 0 or 1, or
%              proportions in [0, 1] when 'Weights' gives the trials, both
%              outcomes present; for 'poisson' counts >= 0, not all 0.
%     PENALTY  a name in any case, or a code 1-4, of any penalty of
%              PENALTYPROX (HELP PENALTYPROX lists them).
%
%   Options (names in any case, or shortened to a prefix of one name)
%     'Theta'         the penalty's shape, in its range (HELP PENALTYPROX):
%                     3.7 for 'scad' and 3 for 'mcp' by default; required
%                     for the other penalties that take one; an error for
%                     those that take none ('l1', 'l0', ...). Every THETA of the
%                     range is fitted, MCP with THETA <= 1 and SCAD with
%                     THETA <= 3 included (see "The steps" below).
%     'Lambda'        the LAMBDA values, finite and >= 0 (any order; each
%                     value fitted once). By default a grid: NumLambda
%                     values a constant ratio apart, from LAMBDA_MAX down
%                     to LambdaRatio*LAMBDA_MAX.
%     'NumLambda'     the grid's size, a positive integer; 100.
%     'LambdaRatio'   the grid's smallest over largest value, 0 < r < 1;
%                     1e-4 when n > p, 1e-2 when n <= p.
%     'Standardize'   fit on the scale of standardised columns; true.
%     'Intercept'     fit b0 (with the columns centred); true. False fits
%                     b0 = 0.
%     'PenaltyFactor' p values f_j >= 0: 0 leaves coefficient j unpenalised,
%                     Inf holds it at 0; all 1. (Not rescaled.)
%     'Weights'       n observation weights >= 0, not all 0; all 1.
%     'RelTol'        the convergence tolerance, > 0; 1e-7 (see below).
%     'MaxIter'       the most passes per LAMBDA, a positive integer; 1e5.
%     'DFmax'         the most nonzero coefficients: the path stops before
%                     the first LAMBDA whose fit has more (that fit and the
%                     smaller LAMBDA are not returned, as in LASSO); Inf.
%     'Distribution'  'normal' (least squares, the default), 'binomial'
%                     (logistic regression) or 'poisson' (log link).
%     'CV'            cross-validation: K, the number of folds (2 <= K <=
%                     n), drawn by PENALTYFITFOLDS (the same folds on every
%                     host and every call; PENALTYFITFOLDS(n, K, SEED) draws
%                     others), or a vector of n fold numbers 1..K, each fold
%                     present. The fit on all data is returned as B; each
%                     fold's path is fitted without the fold's rows at the
%                     LAMBDA of that fit.
%
%   Outputs
%     B        p-by-L coefficients on the scale of X, ascending LAMBDA.
%     FitInfo  a struct of 1-by-L rows in ascending LAMBDA, as LASSO's:
%       Intercept   b0 of each fit
%       Lambda      the LAMBDA values
%       DF          nonzero coefficients of each fit (intercept not counted)
%       MSE         sum_i w_i*r_i^2/sum(w), r the residuals (least squares)
%       Deviance    in place of MSE for 'binomial' and 'poisson': the
%                   weighted mean deviance sum_i w_i*d_i/sum(w), d_i =
%                   2*(loss(y_i, eta_i) - loss(y_i, saturated)) (a mean
%                   per unit weight, as MSE is, where LASSOGLM sums)
%       Objective   the objective above at each fit
%       Iterations  passes over coefficients made at each LAMBDA
%       Converged   true where the fit converged within MaxIter passes
%     and the scalars Penalty (the name) and Theta ([] for none). With
%     'CV', as LASSO gives them, MSE (or Deviance) is the cross-validated
%     error: the mean over the folds of each fold's weighted mean held-out
%     squared error (or deviance); and FitInfo gains
%       SE                    the standard deviation of the K fold errors
%                             over sqrt(K), 1-by-L
%       IndexMinMSE, LambdaMinMSE   the fit of smallest error (of the larger
%                             LAMBDA among equal ones)
%       Index1SE, Lambda1SE   the largest LAMBDA whose error is within one
%                             SE of the smallest
%       CV                    K
%     (IndexMinDeviance and LambdaMinDeviance for the GLMs). A fold whose
%     path stopped early leaves NaN errors at the smaller LAMBDA, never
%     chosen. PENALTYFITPLOT draws the paths and the CV curve.
%
%   How it computes
%     Pathwise cyclic coordinate descent from LAMBDA_MAX down the path,
%     each fit started from the one before. LAMBDA_MAX is the smallest
%     LAMBDA (a double, found by bisection on the penalty's exact step
%     itself) at which the step of every penalised coefficient from 0 stays
%     at 0, the unpenalised coefficients fitted: for 'l1' it is
%     max_j |g_j|/f_j, g_j = x~_j'*(w.*r)/sum(w) on the fit's scale; for
%     the penalties whose slope at 0 is infinite ('l0', 'l1/2', 'l2/3')
%     and the nonconvex ones, it is the point where 0 becomes each
%     coordinate's global minimiser. (The elastic net at THETA = 0, which
%     never sets a coefficient to 0, takes the LAMBDA_MAX of THETA = 1e-3.)
%     The steps: along coordinate j the objective is (v_j/2)*(b - z_j)^2 +
%     f_j*p(b), v_j the column's curvature sum_i w_i*x~_ij^2/sum(w) and z_j
%     = beta~_j + g_j/v_j; each step is PENALTYPROX's exact global minimiser
%     of it, the proximal map at z_j with step size GAMMA = f_j/v_j, in
%     every regime (jumps included), so no step raises the objective.
%     Screening: at each LAMBDA the working set holds the coefficients
%     ever nonzero and those whose step from 0 at the last gradients would
%     move at 2*LAMBDA - LAMBDA_previous (for 'l1' the strong rule |g_j| >
%     f_j*(2*LAMBDA - LAMBDA_previous)). Passes over the working set
%     alternate with passes over its nonzero part; then every coefficient
%     outside it is checked: each must stay at 0 under its exact step, and
%     any that would move joins and the LAMBDA is solved again. (The check
%     skips a column whose gradient, bounded by its last value plus
%     sqrt(v_j) times the change of the residual since, cannot move its
%     step from 0.) Where n >= 4*p and p <= 1000, every gradient is kept up
%     to date by covariance updates instead, through the Gram column of each
%     coefficient that has moved, formed once when it first moves.
%     Convergence: a pass over the working set in which no coefficient
%     moves by more than the tolerance, max_j v_j*(change of beta~_j)^2 <=
%     RelTol * sum_i w_i*(y_i - ybar)^2/sum(w) (the variance of Y about its
%     weighted mean, or its mean square without an intercept). A LAMBDA
%     that has not converged after MaxIter passes is kept, marked false in
%     FitInfo.Converged, and the path goes on; one warning
%     (penaltyFit:notConverged) says how many there were.
%     Arithmetic: IEEE double precision, every sum and update in one fixed
%     order (no BLAS), so the same call gives the same bits on every build
%     and for every number of threads, and a sparse X gives the bits of the
%     same X stored full. Without 'CV' the path shares its passes over X
%     (the optimality checks, the Gram entries, a GLM's Hessian products)
%     with as many threads as the cores this process may use
%     (OMP_NUM_THREADS caps them), each column's or row's sum formed whole
%     by one thread.
%     The columns are not centred or scaled in memory: a sparse X stays
%     sparse, and a pass costs the nonzeros of the columns it visits. With
%     an intercept, a column whose weighted mean lies more than 64 times
%     its spread from 0 (binomial and Poisson: 8 times) is fitted as a
%     copy moved to its mean, every row stored, the intercept taking the
%     shift back: the same model, on which the mean no longer spoils the
%     sums and the coordinate steps.
%
%   How the binomial and Poisson fits compute
%     Pathwise, warm-started down the path, on the columns as stored (scaled
%     by 1/s_j, centred only as above) with the intercept a coordinate of
%     its own. Each LAMBDA is solved by outer steps: at the current fit the
%     loss is replaced by its quadratic model (IRLS weights w_i*h_i, h_i =
%     mu_i*(1 - mu_i) for the binomial, mu_i for the Poisson), which cyclic
%     coordinate descent minimises plus the penalty over a working set
%     (passes over the nonzero coefficients alternating with passes over the
%     whole set; for a nonconvex penalty, between them, a joint move of the
%     nonzero coefficients to the model's minimum on the pieces of the
%     penalty where they lie, by conjugate gradients, taken only where it
%     lowers the model plus the penalty). Each coordinate step is the exact
%     global minimiser of the model in that coordinate plus the penalty:
%     PENALTYPROX's map at GAMMA = f_j/v_j of the Newton point, v_j = sum_i
%     w_i*h_i*x~_ij^2/sum(w) the model's curvature, the curvature that keeps
%     THETA meaning what it means for least squares; no THETA of the range
%     is refused. The true objective never increases between accepted fits:
%     the move the model proposes is checked on the true objective and
%     halved (up to 30 times) until the objective does not increase; where
%     no halving does (a nonconvex penalty's step can jump between basins),
%     the move is dropped and one pass of steps on the true loss is made
%     instead, each taken only where the true objective does not increase
%     (v_j raised to the bound sum_i w_i*x~_ij^2/(4*sum(w)), which majorises
%     the binomial's loss, or doubled for the Poisson, which has none). A
%     pass (MaxIter) is one such outer step. The working set starts from the
%     strong rule (a coefficient joins where its model step from 0 at the
%     previous fit moves at 2*LAMBDA - LAMBDA_previous; for a nonconvex
%     penalty it is formed afresh at each LAMBDA from the nonzero and
%     unpenalised coefficients and those) and before a LAMBDA is accepted
%     every coefficient outside it is checked at the fit: one whose model
%     step from 0 moves joins (for a nonconvex penalty with those whose step
%     would move at 0.7*LAMBDA), and the LAMBDA is solved again. Because the
%     model can hide a lower point of the true objective along a coordinate
%     (the logistic's curvature falls off away from the fit), every
%     penalised coefficient of a nonconvex penalty is also tried, before a
%     LAMBDA is accepted, against 0, the steps of models of smaller
%     curvature, and the local minima they lead to; a coefficient, at 0 or
%     not, is spared that search where a bound needs no exponential shows
%     that no point along its coordinate lowers the objective by more than
%     the tolerance (the curvature of the loss on row i, a distance d along
%     eta, is at least h_i*e^-d; the penalty is concave on either side of
%     0). One that lowers the true objective by more than the tolerance is
%     taken and the LAMBDA solved again. LAMBDA_MAX is the smallest LAMBDA
%     at which every penalised coefficient's model step from 0 stays at 0,
%     at the fit of the intercept and the unpenalised coefficients.
%     Convergence: an outer step whose move has v_j*change_j^2 at most the
%     tolerance for every coordinate (and is then not taken), the tolerance
%     RelTol times the mean deviance of the null model (the intercept and
%     the unpenalised coefficients fitted), so that it scales with Y (as
%     for least squares, whose null model's mean square is Y's variance).
%     A fit that explains at least 99.9% of the null deviance, or gives an
%     observation a fitted probability of 0 or 1 (|eta| > 36: the classes
%     separate), stops the path with the warning penaltyFit:saturated: a
%     converged fit that does is the path's last; an iterate that does
%     ends its LAMBDA's solve at once (there may be no finite minimiser),
%     and the path keeps the fits before it (or that iterate, flagged as
%     not converged, where it is the first). Every exponential and
%     logarithm is the project's own (no C library function), so every
%     build gives the same bits.
%
%   How the cross-validation computes
%     Each fold's path is fitted without the fold's observations (a copy of
%     X without their rows, so a fold costs the rows it is fitted on), then
%     predicts them. The fit on all data and the folds run in parallel,
%     on as many threads as the cores this process may use
%     (OMP_NUM_THREADS caps them), each thread taking the next path as it
%     comes, the fit on all data first; each path is one sequential
%     computation, so the result has the same bits for every number of
%     threads.
%
%   Errors (identifier: cause); each message names the argument or option
%     penaltyFit:notEnoughInputs    fewer than three inputs
%     penaltyFit:invalidX           X not a real, finite double matrix
%     penaltyFit:invalidY           Y not n real finite doubles
%     penaltyFit:unknownPenalty     PENALTY not one of the names or codes 1-4
%     penaltyFit:invalidOption      an option's name not a character row
%     penaltyFit:unknownOption      an option's name not one of the above
%     penaltyFit:missingValue       an option's name without a value
%     penaltyFit:invalidTheta       THETA missing, given to a penalty without
%                                   one, not a finite scalar, or out of range
%     penaltyFit:invalidLambda      Lambda not finite values >= 0
%     penaltyFit:invalidNumLambda   NumLambda not a positive integer
%     penaltyFit:invalidLambdaRatio LambdaRatio not in (0, 1)
%     penaltyFit:invalidStandardize Standardize not a logical scalar
%     penaltyFit:invalidIntercept   Intercept not a logical scalar
%     penaltyFit:invalidPenaltyFactor PenaltyFactor not p values >= 0
%     penaltyFit:invalidWeights     Weights not n finite values >= 0, not all 0
%     penaltyFit:invalidRelTol      RelTol not a finite scalar > 0
%     penaltyFit:invalidMaxIter     MaxIter not a positive integer
%     penaltyFit:invalidDFmax       DFmax not a scalar >= 0
%     penaltyFit:invalidDistribution  Distribution not 'normal', 'binomial'
%                                   or 'poisson'
%     penaltyFit:invalidBinomialResponse  a binomial Y not 0/1 (or, with
%                                   Weights, not in [0, 1]), or one outcome
%                                   only
%     penaltyFit:invalidPoissonResponse   a Poisson Y negative, or all 0
%     penaltyFit:yOutOfRange        a least-squares Y whose sum of squares
%                                   (about its mean, with an intercept)
%                                   overflows, or whose mean square times
%                                   RelTol falls below the normal doubles:
%                                   a spread above about 1e150, or below
%                                   about 1e-150 at RelTol 1e-7; rescale Y
%     penaltyFit:invalidCV          CV not K >= 2 or n fold numbers
%     penaltyFit:tooManyFolds       CV asks for K > n folds
%     penaltyFit:invalidFolds       fold numbers not integers 1..K with
%                                   every fold present (and of positive
%                                   weight)
%   Warnings: penaltyFit:notConverged (see Convergence), penaltyFit:saturated.
%
%   Example: the lasso and MCP paths of a sparse signal
%     randn ('seed', 1);
%     X = randn (200, 50); beta = [3; -2; 1.5; zeros(47, 1)];
%     y = X*beta + 0.5*randn (200, 1);
%     [B, info] = penaltyFit (X, y, 'mcp');                 % THETA = 3
%     [~, k] = min (abs (info.DF - 3));                      % a 3-term fit
%     disp ([find(B(:, k)), B(B(:, k) ~= 0, k)]);
%     Bl = penaltyFit (X, y, 'l1', 'Lambda', info.Lambda(k));  % the lasso
%
%   Example: logistic regression with SCAD, lambda chosen by 10-fold CV
%     randn ('seed', 2); rand ('seed', 2);
%     X = randn (300, 20); eta = X(:, 1:3) * [2; -1.5; 1];
%     y = double (rand (300, 1) < 1 ./ (1 + exp (-eta)));
%     [B, info] = penaltyFit (X, y, 'scad', 'Distribution', 'binomial', 'CV', 10);
%     b = B(:, info.Index1SE); b0 = info.Intercept(info.Index1SE);
%     disp (find (b)');                        % the chosen predictors
%     p_hat = 1 ./ (1 + exp (-(b0 + X*b)));     % fitted probabilities
%     penaltyFitPlot (B, info, 'PlotType', 'CV');
%
%   Example: Poisson regression of counts with MCP
%     randn ('seed', 3); rand ('seed', 3);
%     X = randn (400, 15); mu = exp (0.5 + X(:, 1) - 0.5*X(:, 2));
%     y = zeros (400, 1);
%     for i = 1:400                            % Poisson draws by inversion
%       u = rand (); k = 0; q = exp (-mu(i)); c = q;
%       while u > c, k = k + 1; q = q*mu(i)/k; c = c + q; end
%       y(i) = k;
%     end
%     [B, info] = penaltyFit (X, y, 'mcp', 'Distribution', 'poisson');
%     [~, k] = min (abs (info.DF - 2));
%     disp ([info.Intercept(k); B(1:3, k)]');   % about 0.5, 1, -0.5, 0
%
%
%   References
%     J. Friedman, T. Hastie and R. Tibshirani, Regularization paths for
%       generalized linear models via coordinate descent, J. Statist.
%       Software 33 (2010) 1-22 (pathwise coordinate descent).
%     R. Tibshirani et al., Strong rules for discarding predictors in
%       lasso-type problems, J. R. Statist. Soc. B 74 (2012) 245-266.
%     P. Breheny and J. Huang, Coordinate descent algorithms for nonconvex
%       penalized regression, Ann. Appl. Statist. 5 (2011) 232-253.
%     J. Fan and R. Li, Variable selection via nonconcave penalized
%       likelihood and its oracle properties, J. Amer. Statist. Assoc. 96
%       (2001) 1348-1360 (SCAD).
%     C.-H. Zhang, Nearly unbiased variable selection under minimax concave
%       penalty, Ann. Statist. 38 (2010) 894-942 (MCP).
%
%   See also PENALTYFITPLOT, PENALTYFITFOLDS, PENALTYFITCVSUMMARY, PENALTYPROX,
%            PENALTYVALUE, PENALTYDERIVATIVE, SPARSEPENALTY.

if nargin < 3
  error ('penaltyFit:notEnoughInputs', 'penaltyFit needs X, Y and PENALTY; %d inputs given.', nargin);
end
if ~isnumeric (X) || ~isa (X, 'double') || ~isreal (X) || ndims (X) ~= 2 || isempty (X) || ~all_finite (X)
  error ('penaltyFit:invalidX', 'X must be a non-empty real, finite double matrix (full or sparse); received a %s %s.', ...
         size_text (X), class (X));
end
[n, p] = size (X);
if ~isnumeric (y) || ~isa (y, 'double') || ~isreal (y) || issparse (y) || ~isvector (y) || numel (y) ~= n ...
    || ~all (isfinite (y))
  error ('penaltyFit:invalidY', 'Y must hold n = %d real finite doubles (one per row of X); received a %s %s.', ...
         n, size_text (y), class (y));
end
[index, name, theta_range] = penalty_index (penalty);

% Options: name-value pairs, names in any case.
known = {'Theta', 'Lambda', 'NumLambda', 'LambdaRatio', 'Standardize', 'Intercept', 'PenaltyFactor', ...
         'Weights', 'RelTol', 'MaxIter', 'DFmax', 'Distribution', 'CV'};
given = name_value_options (varargin, known, 3);

theta = theta_of (theta_range, name, given);
if isfield (given, 'Lambda')
  lambda = given.Lambda;
  if ~isnumeric (lambda) || ~isreal (lambda) || issparse (lambda) || isempty (lambda) || ~all (isfinite (lambda(:))) ...
      || any (lambda(:) < 0)
    error ('penaltyFit:invalidLambda', 'Lambda must be finite real values >= 0; received a %s %s.', ...
           size_text (lambda), class (lambda));
  end
  lambda = sort (unique (double (lambda(:))), 'descend');
else
  lambda = zeros (0, 1);
end
count = option_count (given, 'NumLambda', 100, 1e6, 'penaltyFit:invalidNumLambda');
ratio = 1e-4;
if n <= p
  ratio = 1e-2;
end
if isfield (given, 'LambdaRatio')
  ratio = given.LambdaRatio;
  if ~real_scalar (ratio) || ~(ratio > 0 && ratio < 1)
    error ('penaltyFit:invalidLambdaRatio', 'LambdaRatio must be a real scalar in (0, 1); received %s.', value_text (ratio));
  end
end
standardize = option_flag (given, 'Standardize', 'penaltyFit:invalidStandardize');
intercept = option_flag (given, 'Intercept', 'penaltyFit:invalidIntercept');
factor = ones (p, 1);
if isfield (given, 'PenaltyFactor')
  factor = given.PenaltyFactor;
  if ~isnumeric (factor) || ~isreal (factor) || issparse (factor) || numel (factor) ~= p || any (isnan (factor(:))) ...
      || any (factor(:) < 0)
    error ('penaltyFit:invalidPenaltyFactor', 'PenaltyFactor must hold p = %d real values >= 0 (Inf allowed); received a %s %s.', ...
           p, size_text (factor), class (factor));
  end
  factor = double (factor(:));
end
weights = zeros (0, 1);
if isfield (given, 'Weights')
  weights = given.Weights;
  if ~isnumeric (weights) || ~isreal (weights) || issparse (weights) || numel (weights) ~= n ...
      || ~all (isfinite (weights(:))) || any (weights(:) < 0) || ~(sum (weights(:)) > 0) || ~isfinite (sum (weights(:)))
    error ('penaltyFit:invalidWeights', 'Weights must hold n = %d finite real values >= 0, not all 0; received a %s %s.', ...
           n, size_text (weights), class (weights));
  end
  weights = double (weights(:));
end
reltol = 1e-7;
if isfield (given, 'RelTol')
  reltol = given.RelTol;
  if ~real_scalar (reltol) || ~(reltol > 0) || ~isfinite (reltol)
    error ('penaltyFit:invalidRelTol', 'RelTol must be a finite real scalar > 0; received %s.', value_text (reltol));
  end
end
maxiter = option_count (given, 'MaxIter', 1e5, 1e15, 'penaltyFit:invalidMaxIter');
dfmax = Inf;
if isfield (given, 'DFmax')
  dfmax = given.DFmax;
  if ~real_scalar (dfmax) || ~(dfmax >= 0)
    error ('penaltyFit:invalidDFmax', 'DFmax must be a real scalar >= 0; received %s.', value_text (dfmax));
  end
end

[distribution, family] = distribution_of (given, y, weights);
if distribution == 0
  check_spread (y, weights, intercept, reltol);
end
folds = [];
if isfield (given, 'CV')
  folds = penaltyFitFolds (n, given.CV);
end

% A sparse X goes down as its compressed columns, never made dense.
if issparse (X)
  [i, j, v] = find (X);
  starts = [0; cumsum(full (sum (X ~= 0, 1)))'];
  dense = [];
  values = full (v(:));
  rows = i(:) - 1;
  j = [];
else
  dense = X;
  values = []; rows = []; starts = [];
end
theta_value = theta;
if isempty (theta)
  theta_value = 0;
end
fold_count = max ([0; folds]);
options = [n, p, index, theta_value, count, ratio, standardize, intercept, reltol, maxiter, dfmax, ...
           distribution, fold_count];
[B, b0, lambda, df, mse, objective, passes, converged, held_out, saturated] = ...
    penaltyFitCore (dense, values, rows, starts, full (double (y(:))), lambda, factor, weights, options, folds);
if saturated
  warning ('penaltyFit:saturated', ...
           ['penaltyFit: the %s path stops at LAMBDA = %g: its fit there or at the next LAMBDA explains at least %g%% ' ...
            'of the null deviance (the classes separate or the fit saturates); %d fits made.'], ...
           family, lambda(end), 99.9, numel (lambda));
end

missed = sum (converged == 0);
if missed > 0
  warning ('penaltyFit:notConverged', ...
           'penaltyFit: %d of %d LAMBDA values did not converge within MaxIter = %d passes (see FitInfo.Converged).', ...
           missed, numel (converged), maxiter);
end
error_name = 'MSE';
if distribution > 0
  error_name = 'Deviance';
end
FitInfo = struct ('Intercept', b0, 'Lambda', lambda, 'DF', df, error_name, mse, 'Penalty', name, ...
                  'Theta', theta, 'Objective', objective, 'Iterations', passes, 'Converged', converged ~= 0);
if ~isempty (folds)
  % The cross-validated error replaces the training error, as in LASSO.
  S = penaltyFitCVSummary (held_out, weights, folds, lambda);
  FitInfo.(error_name) = S.Error;
  FitInfo.SE = S.SE;
  FitInfo.(['LambdaMin' error_name]) = S.LambdaMin;
  FitInfo.Lambda1SE = S.Lambda1SE;
  FitInfo.(['IndexMin' error_name]) = S.IndexMin;
  FitInfo.Index1SE = S.Index1SE;
  FitInfo.CV = max (folds);
end
end

function given = name_value_options (args, known, before)
% The name-value pairs in ARGS (inputs before+1 on) as a struct of the known
% names given: MATLAB's conventions, a name in any case or a prefix of only
% one known name (an exact name wins over the longer names it begins, as
% 'Lambda' over 'LambdaRatio'); the last of repeated names wins.
given = struct ();
for k = 1:2:numel (args)
  option = args{k};
  if ~ischar (option) || size (option, 1) ~= 1
    error ('penaltyFit:invalidOption', 'Option names must be character rows; input %d is a %s %s.', ...
           k + before, size_text (option), class (option));
  end
  match = find (strcmpi (option, known));
  if isempty (match) && ~isempty (option)
    match = find (strncmpi (option, known, numel (option)));
  end
  if numel (match) > 1
    error ('penaltyFit:ambiguousOption', 'Option ''%s'' is ambiguous; it begins %s.', option, ...
           strjoin (known(match), ', '));
  end
  if isempty (match)
    error ('penaltyFit:unknownOption', 'Unknown option ''%s''; the options are %s.', option, strjoin (known, ', '));
  end
  if k == numel (args)
    error ('penaltyFit:missingValue', 'Option ''%s'' has no value.', known{match});
  end
  given.(known{match}) = args{k + 1};
end
end

function [code, family] = distribution_of (given, y, weights)
% The distribution's code for the core, and the checks of Y it implies.
families = {'normal', 'binomial', 'poisson'};
family = 'normal';
if isfield (given, 'Distribution')
  family = given.Distribution;
  if ~ischar (family) || size (family, 1) ~= 1 || ~any (strcmpi (family, families))
    error ('penaltyFit:invalidDistribution', 'Distribution must be ''normal'', ''binomial'' or ''poisson''; received %s.', ...
           value_text (family));
  end
  family = lower (family);
end
code = find (strcmp (family, families)) - 1;
y = y(:);
w = weights;
if isempty (w)
  w = ones (size (y));
end
if code == 1
  if isempty (weights) && ~all (y == 0 | y == 1)
    error ('penaltyFit:invalidBinomialResponse', ...
           'A binomial Y must hold 0 or 1 (or proportions in [0, 1] with Weights as counts); Y(%d) is %g.', ...
           find (~(y == 0 | y == 1), 1), y(find (~(y == 0 | y == 1), 1)));
  end
  if ~all (y >= 0 & y <= 1)
    error ('penaltyFit:invalidBinomialResponse', 'A binomial Y must hold proportions in [0, 1]; Y(%d) is %g.', ...
           find (~(y >= 0 & y <= 1), 1), y(find (~(y >= 0 & y <= 1), 1)));
  end
  if ~(any (w > 0 & y > 0) && any (w > 0 & y < 1))
    error ('penaltyFit:invalidBinomialResponse', 'A binomial Y must hold both outcomes (at positive weight).');
  end
elseif code == 2
  if ~all (y >= 0)
    error ('penaltyFit:invalidPoissonResponse', 'A Poisson Y must hold counts >= 0; Y(%d) is %g.', ...
           find (~(y >= 0), 1), y(find (~(y >= 0), 1)));
  end
  if ~any (w > 0 & y > 0)
    error ('penaltyFit:invalidPoissonResponse', 'A Poisson Y must hold some count > 0 (at positive weight).');
  end
end
end

function check_spread (y, weights, intercept, reltol)
% Least squares forms sums of squares on Y's scale (its tolerance, RelTol
% times the weighted mean square of Y about its mean, and each step's
% v_j*change_j^2 against it): where they overflow, or the tolerance is
% below the normal doubles (or 0 where the squares underflow), every step
% passes the test and the fit stops at once. Such a Y is refused (a
% constant Y, whose spread is 0, is not), with a margin for the order in
% which the core forms the sums.
w = weights;
if isempty (w)
  w = ones (size (y(:)));
end
r = y(:);
if intercept
  r = r - sum (w .* r) / sum (w);
end
squares = sum (w .* r .^ 2);
if any (r(w > 0) ~= 0) && ~(squares <= realmax / 1024 && reltol * (squares / sum (w)) >= realmin * 1024)
  error ('penaltyFit:yOutOfRange', ['Y''s weighted mean square (%g%s) is beyond the range a least-squares ' ...
         'fit at RelTol %g computes in; rescale Y (or Weights).'], squares / sum (w), ifelse (intercept, ' about its mean', ''), reltol);
end
end

function [index, name, theta_range] = penalty_index (penalty)
% The position in the list of penalties (0-based), the name and the theta
% range [takesTheta lower lowerIncluded upper default], as penaltyFitCore
% reads them from the penalty list.
row = [];
if ~islogical (penalty) && ~isempty (penalty)
  try
    row = penaltyFitCore (penalty);
  catch err
    if ~strcmp (err.identifier, 'penaltyFitCore:unknownPenalty')
      rethrow (err);
    end
  end
end
if isempty (row)
  error ('penaltyFit:unknownPenalty', 'PENALTY must be one of %s or a code 1-4; received %s.', ...
         char (penaltyFitCore ([])), value_text (penalty));
end
index = row(1);
theta_range = row(2:6);
name = char (row(8:end));
end

function theta = theta_of (theta_range, name, given)
% THETA: its default, its range, or [] for a penalty without one.
has_theta = theta_range(1);
lower_end = theta_range(2);
included = theta_range(3);
upper_end = theta_range(4);
theta = [];
if isfield (given, 'Theta') && ~(isnumeric (given.Theta) && isempty (given.Theta))
  theta = given.Theta;
  if ~has_theta
    error ('penaltyFit:invalidTheta', 'Penalty ''%s'' takes no Theta; received %s.', name, value_text (theta));
  end
  if ~real_scalar (theta) || ~isfinite (theta) || theta > upper_end || theta < lower_end ...
      || (theta == lower_end && ~included)
    error ('penaltyFit:invalidTheta', 'Theta of ''%s'' must be a finite real scalar %s %g%s; received %s.', name, ...
           ifelse (included, '>=', '>'), lower_end, upper_text (upper_end), value_text (theta));
  end
  theta = double (theta);
elseif has_theta
  theta = theta_range(5);
  if isnan (theta)
    error ('penaltyFit:invalidTheta', 'Penalty ''%s'' needs a Theta (name-value pair ''Theta'').', name);
  end
end
end

function c = option_count (given, option, default, largest, id)
c = default;
if isfield (given, option)
  c = given.(option);
  if ~real_scalar (c) || islogical (c) || c ~= fix (c) || ~(c >= 1) || c > largest
    error (id, '%s must be a positive integer (at most %g); received %s.', option, largest, value_text (c));
  end
  c = double (c);
end
end

function f = option_flag (given, option, id)
f = 1;
if isfield (given, option)
  value = given.(option);
  if ~(islogical (value) || isnumeric (value)) || ~isscalar (value) || ~any (value == [0 1])
    error (id, '%s must be true or false; received %s.', option, value_text (value));
  end
  f = double (value ~= 0);
end
end

function ok = all_finite (X)
% A finite sum settles it (a NaN or an infinity makes the sum one); a sum
% that overflows from finite values is checked element by element.
if issparse (X)
  ok = all (isfinite (nonzeros (X)));
else
  ok = isfinite (sum (X(:))) || all (isfinite (X(:)));
end
end

function ok = real_scalar (v)
ok = (isnumeric (v) || islogical (v)) && isscalar (v) && isreal (v) && ~issparse (v);
end

function t = size_text (v)
t = sprintf ('%d-by-', size (v));
t = [t(1:end-4) ifelse(issparse (v), ' sparse', '')];
end

function t = value_text (v)
if (isnumeric (v) || islogical (v)) && isscalar (v) && isreal (v)
  t = sprintf ('%g', double (v));
elseif ischar (v) && size (v, 1) <= 1
  t = ['''' v ''''];
else
  t = sprintf ('a %s %s', size_text (v), class (v));
end
end

function t = upper_text (u)
t = '';
if isfinite (u)
  t = sprintf (' and <= %g', u);
end
end

function r = ifelse (c, a, b)
if c
  r = a;
else
  r = b;
end
end

%!test
%! % The lasso path: ascending lambda, all zero at the top, DF growing.
%! randn ('seed', 7); X = randn (60, 8); y = X(:, 1) * 2 - X(:, 3) + 0.1 * randn (60, 1);
%! [B, info] = penaltyFit (X, y, 'l1', 'NumLambda', 20);
%! assert (size (B), [8 20]);
%! assert (issorted (info.Lambda));
%! assert (all (B(:, end) == 0));
%! assert (info.DF(1) >= 2 && all (info.Converged));
%!test
%! % A sparse X gives the bits of the same X stored full.
%! randn ('seed', 2); X = randn (40, 12); X(rand (40, 12) < 0.7) = 0; y = randn (40, 1);
%! assert (isequal (penaltyFit (sparse (X), y, 'mcp'), penaltyFit (X, y, 'mcp')));
%!test
%! % Unpenalised and held coefficients.
%! randn ('seed', 3); X = randn (50, 5); y = X * [1; 2; 3; 0; 0] + randn (50, 1);
%! B = penaltyFit (X, y, 'scad', 'PenaltyFactor', [0 1 1 1 Inf], 'NumLambda', 5);
%! assert (all (B(1, :) ~= 0) && all (B(5, :) == 0));
%!error id=penaltyFit:invalidTheta penaltyFit (randn (5, 2), randn (5, 1), 'l1', 'Theta', 2)
%!error id=penaltyFit:invalidTheta penaltyFit (randn (5, 2), randn (5, 1), 'log-sum')
%!error id=penaltyFit:unknownOption penaltyFit (randn (5, 2), randn (5, 1), 'mcp', 'Alpha', 1)
%!error id=penaltyFit:ambiguousOption penaltyFit (randn (5, 2), randn (5, 1), 'mcp', 'lambdar', 0.1, 'Lam', 1)
%!assert (penaltyFit ([1 0; 0 1; 1 1], [1; 2; 3], 'l1', 'numl', 3, 'lambda', 0.1), ...
%!        penaltyFit ([1 0; 0 1; 1 1], [1; 2; 3], 'l1', 'NumLambda', 3, 'Lambda', 0.1))
%!error id=penaltyFit:invalidY penaltyFit (randn (5, 2), randn (4, 1), 'mcp')
%!error id=penaltyFit:yOutOfRange penaltyFit (randn (20, 3), 1e160 * randn (20, 1), 'mcp')
%!error id=penaltyFit:yOutOfRange penaltyFit (randn (20, 3), 1e-160 * randn (20, 1), 'l1', 'RelTol', 1e-10)
%!test
%! % Near either end of the range, the fit is the scaled one.
%! X = randn (30, 4); y = X(:, 1) - X(:, 2) + 0.3 * randn (30, 1);
%! [B, info] = penaltyFit (X, y, 'mcp', 'NumLambda', 5, 'RelTol', 1e-10);
%! for s = [1e-140 1e140]
%!   Bs = penaltyFit (X, s * y, 'mcp', 'Lambda', s * info.Lambda, 'RelTol', 1e-10);
%!   assert (Bs / s, B, 1e-12);
%! end
%! B0 = penaltyFit (X, 5 * ones (30, 1), 'l1', 'NumLambda', 3);   % a constant Y is no error
%! assert (B0, zeros (4, 3));

%!demo
%! % Coefficient paths of the lasso and of MCP on the same data.
%! randn ('seed', 1); X = randn (100, 20); y = X(:, 1:4) * [4; -3; 2; 1] + randn (100, 1);
%! [Bl, il] = penaltyFit (X, y, 'l1');
%! [Bm, im] = penaltyFit (X, y, 'mcp');
%! subplot (1, 2, 1); semilogx (il.Lambda, Bl'); title ('l1'); xlabel ('\lambda');
%! subplot (1, 2, 2); semilogx (im.Lambda, Bm'); title ('MCP, \theta = 3'); xlabel ('\lambda');
