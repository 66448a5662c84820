function folds = penaltyFitFolds(n, CV, seed)
%PENALTYFITFOLDS Cross-validation folds of penaltyFit, alike on every host.
%   FOLDS = PENALTYFITFOLDS(N, K) assigns N observations to K folds and
%   returns FOLDS, N-by-1, with FOLDS(i) in 1..K the fold of observation i:
%   the folds PENALTYFIT(..., 'CV', K) uses. Every fold holds floor(N/K) or
%   ceil(N/K) observations.
%   FOLDS = PENALTYFITFOLDS(N, K, SEED) draws another assignment (SEED an
%   integer in 1 .. 2^31 - 2; 1 by default).
%   FOLDS = PENALTYFITFOLDS(N, F) with F a vector of N fold numbers checks
%   it and returns it as a column: every value an integer in 1..K, each of
%   1..K present, K = max(F) >= 2.
%
%   How the folds are drawn
%     A permutation of 1..N by Fisher and Yates's shuffle, driven by the
%     multiplicative congruential generator s <- 16807*s mod (2^31 - 1)
%     (Park and Miller's minimal standard) from s = SEED: for i = N down to
%     2, s is advanced and position i swapped with position mod(s, i) + 1.
%     Observation perm(k) then goes to fold mod(k - 1, K) + 1. Every step is
%     an exact integer operation in double precision (16807*s < 2^46), so
%     the folds are the same on every host, whatever its random number
%     generators; RAND and RANDN are neither used nor disturbed.
%
%   Errors (identifier: cause)
%     penaltyFit:invalidCV      K not an integer >= 2, or F not a vector
%                               of N values
%     penaltyFit:tooManyFolds   K > N
%     penaltyFit:invalidFolds   F holds a value that is not an integer in
%                               1..K, or leaves a fold of 1..K empty
%     penaltyFit:invalidSeed    SEED not an integer in 1 .. 2^31 - 2
%
%   Example: the same folds for two penalties
%     folds = penaltyFitFolds (size (X, 1), 10);
%     [B1, i1] = penaltyFit (X, y, 'l1', 'CV', folds);
%     [B2, i2] = penaltyFit (X, y, 'mcp', 'CV', folds);
%
%   See also PENALTYFIT, PENALTYFITPLOT.

if nargin < 3
  seed = 1;
end
modulus = 2147483647;
if ~isnumeric (seed) || ~isscalar (seed) || ~isreal (seed) || seed ~= fix (seed) || seed < 1 || seed >= modulus
  error ('penaltyFit:invalidSeed', 'The fold seed must be an integer in 1 .. 2^31 - 2.');
end
if ~isnumeric (CV) || ~isreal (CV) || issparse (CV) || isempty (CV) || ~isvector (CV) ...
    || (numel (CV) ~= 1 && numel (CV) ~= n) || any (isnan (CV(:)))
  error ('penaltyFit:invalidCV', 'CV must be a number of folds K >= 2 or a vector of n = %d fold numbers.', n);
end
if numel (CV) == 1
  folds = drawn_folds (n, CV, double (seed), modulus);
else
  folds = checked_folds (double (CV(:)));
end
end

function folds = drawn_folds (n, K, s, modulus)
if K ~= fix (K) || K < 2 || ~isfinite (K)
  error ('penaltyFit:invalidCV', 'CV must be a whole number of folds K >= 2; received %g.', K);
end
if K > n
  error ('penaltyFit:tooManyFolds', 'CV asks for K = %d folds of n = %d observations; K must be at most n.', K, n);
end
perm = (1:n)';
for i = n:-1:2
  s = mod (16807 * s, modulus);
  j = mod (s, i) + 1;
  t = perm(i);
  perm(i) = perm(j);
  perm(j) = t;
end
folds = zeros (n, 1);
folds(perm) = mod ((0:n-1)', K) + 1;
end

function folds = checked_folds (folds)
K = max (folds);
if any (folds ~= fix (folds)) || any (folds < 1) || ~isfinite (K)
  error ('penaltyFit:invalidFolds', 'The fold numbers must be integers 1..K; received values outside it.');
end
if K < 2
  error ('penaltyFit:invalidFolds', 'The fold numbers must name at least two folds; all are 1.');
end
present = false (K, 1);
present(folds) = true;
if ~all (present)
  error ('penaltyFit:invalidFolds', 'The fold numbers must use every fold 1..K (K = %d); fold %d is empty.', ...
         K, find (~present, 1));
end
end

%!test
%! % Balanced folds: sizes floor(n/K) or ceil(n/K); a permutation of 1..n.
%! f = penaltyFitFolds (103, 10);
%! assert (size (f), [103 1]);
%! counts = accumarray (f, 1);
%! assert (sort (counts)', [10 * ones(1, 7) 11 11 11]);
%!test
%! % The same folds on every call and host: the first draws, by the
%! % generator's exact integer arithmetic, are fixed (a change of the
%! % drawing would change every stored CV result).
%! f = penaltyFitFolds (10, 3);
%! assert (f', [1 2 2 1 3 3 1 1 2 3]);
%! assert (isequal (penaltyFitFolds (500, 7), penaltyFitFolds (500, 7)));
%! assert (~isequal (penaltyFitFolds (500, 7), penaltyFitFolds (500, 7, 2)));
%!test
%! % RAND's state is left as it was.
%! rand ('state', 3); before = rand ('state'); penaltyFitFolds (50, 5); assert (rand ('state'), before);
%!test
%! % Given fold numbers come back as a column; K = n is leave-one-out.
%! assert (penaltyFitFolds (4, [2 1 2 1]), [2; 1; 2; 1]);
%! assert (sort (penaltyFitFolds (6, 6))', 1:6);
%!error id=penaltyFit:tooManyFolds penaltyFitFolds (5, 6)
%!error id=penaltyFit:invalidCV penaltyFitFolds (5, 1)
%!error id=penaltyFit:invalidCV penaltyFitFolds (5, 2.5)
%!error id=penaltyFit:invalidCV penaltyFitFolds (5, [1 2 1])
%!error id=penaltyFit:invalidFolds penaltyFitFolds (4, [1 3 1 3])
%!error id=penaltyFit:invalidFolds penaltyFitFolds (4, [1 2 0 2])
%!error id=penaltyFit:invalidFolds penaltyFitFolds (3, [1 2 1.5])
%!error id=penaltyFit:invalidSeed penaltyFitFolds (4, 2, 0)
