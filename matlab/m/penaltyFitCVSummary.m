function S = penaltyFitCVSummary(loss, w, folds, lambda)
%PENALTYFITCVSUMMARY Cross-validated error, its SE and the chosen LAMBDA.
%   S = PENALTYFITCVSUMMARY(LOSS, W, FOLDS, LAMBDA) is what PENALTYFIT(...,
%   'CV', K) reports from its held-out predictions, for a cross-validation
%   loop of one's own:
%
%     LOSS    n-by-L: LOSS(i, l) the loss of observation i under the fit at
%             LAMBDA(l) made without i's fold: the squared error
%             (y_i - yhat_i)^2 for least squares, the deviance of the
%             observation for a GLM; NaN where that fold's path stopped
%             before LAMBDA(l).
%     W       n observation weights >= 0, or [] for all 1.
%     FOLDS   n fold numbers 1..K, as PENALTYFITFOLDS returns them.
%     LAMBDA  1-by-L, ascending.
%
%   and S a struct of
%
%     FoldError  K-by-L: fold k's weighted mean loss, sum over its
%                observations of w_i*LOSS(i, l), divided by their sum(w_i)
%     Error      1-by-L: the mean of the K fold errors (MSE or Deviance)
%     SE         1-by-L: their standard deviation (normalised by K - 1)
%                divided by sqrt(K), as LASSO defines it
%     IndexMin   the index of the smallest Error (of the largest LAMBDA
%                among equal ones)
%     Index1SE   the index of the largest LAMBDA whose Error is at most
%                Error(IndexMin) + SE(IndexMin)
%     LambdaMin, Lambda1SE  the LAMBDA at those indices
%
%   An Error is NaN where any fold's is (a path that stopped early), and
%   NaN values are never chosen. Every sum runs over the observations and
%   then the folds in index order, so the result does not depend on how
%   the host sums arrays.
%
%   Errors (identifier: cause)
%     penaltyFit:invalidFolds  a fold whose observations all have weight 0
%
%   See also PENALTYFIT, PENALTYFITFOLDS, PENALTYFITPLOT.

[n, L] = size (loss);
if isempty (w)
  w = ones (n, 1);
end
K = max (folds);
weighted = zeros (K, L);
total = zeros (K, 1);
for i = 1:n
  k = folds(i);
  weighted(k, :) = weighted(k, :) + w(i) * loss(i, :);
  total(k) = total(k) + w(i);
end
if any (~(total > 0))
  error ('penaltyFit:invalidFolds', 'Fold %d has no observation of positive weight.', find (~(total > 0), 1));
end
fold_error = weighted ./ repmat (total, 1, L);
sum_error = zeros (1, L);
for k = 1:K
  sum_error = sum_error + fold_error(k, :);
end
err = sum_error / K;
squares = zeros (1, L);
for k = 1:K
  d = fold_error(k, :) - err;
  squares = squares + d .* d;
end
se = sqrt (squares / (K - 1)) / sqrt (K);

lambda = lambda(:)';
candidates = find (~isnan (err));
index_min = NaN;
index_1se = NaN;
if ~isempty (candidates)
  best = min (err(candidates));
  index_min = max (candidates(err(candidates) == best));
  within = candidates(err(candidates) <= best + se(index_min));
  index_1se = max (within);
end
S = struct ('FoldError', fold_error, 'Error', err, 'SE', se, 'IndexMin', index_min, 'Index1SE', index_1se, ...
            'LambdaMin', lambda_at (lambda, index_min), 'Lambda1SE', lambda_at (lambda, index_1se));
end

function v = lambda_at (lambda, index)
v = NaN;
if ~isnan (index)
  v = lambda(index);
end
end

%!test
%! % Two folds by hand: fold errors, their mean and lasso's standard error.
%! loss = [1 4; 3 2; 5 0; 7 6];  w = [1; 1; 2; 2];  folds = [1; 2; 1; 2];
%! S = penaltyFitCVSummary (loss, w, folds, [0.1 0.2]);
%! assert (S.FoldError, [(1 + 10) / 3, (4 + 0) / 3; (3 + 14) / 3, (2 + 12) / 3]);
%! e = S.FoldError;
%! assert (S.Error, mean (e), eps);
%! assert (S.SE, std (e) / sqrt (2), eps);
%!test
%! % The minimum, and the largest LAMBDA within one SE of it.
%! loss = [3 2 1.0 1.1 4; 3 2 1.2 1.2 4; 3 2 1.1 1.15 4];   % 1.15 <= 1.1 + 0.1/sqrt(3)
%! S = penaltyFitCVSummary (loss, [], [1; 2; 3], 1:5);
%! assert ([S.IndexMin S.Index1SE S.LambdaMin S.Lambda1SE], [3 4 3 4]);
%!test
%! % Equal errors choose the larger LAMBDA; NaN (a path that stopped) is never chosen.
%! S = penaltyFitCVSummary ([NaN 1 1 2; NaN 1 1 2], [], [1; 2], 1:4);
%! assert (isnan (S.Error(1)) && S.IndexMin == 3 && S.Index1SE == 3);
%!error id=penaltyFit:invalidFolds penaltyFitCVSummary ([1; 2; 3], [1; 0; 1], [1; 2; 1], 1)
