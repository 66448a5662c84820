% penaltyFit's binomial and Poisson paths and its cross-validation through
% the real host: every returned fit a coordinate-wise global minimum of the
% stated objective (evaluated here, independently of the solver), the
% objective never raised by more passes, the same bits for every thread
% count (for sparse X: test_penaltyFit, whose conversion of X is the same
% for every distribution, and the MEX host), and lasso's fields and sizes
% (its bad calls: test_penaltyFit).
1;
start_suite ();
checks = cell (0, 3);
warning ("off", "penaltyFit:notConverged");

function [F, s] = objective_of (X, y, w, family, name, lambda, theta, factor, standardize, b0, beta)
  % The stated objective: the weighted mean negative log-likelihood plus
  % sum_j f_j*p(|beta_j*s_j|; lambda, theta).
  W = sum (w);
  if standardize
    m = (w' * X) / W;
    s = sqrt ((w' * (X - m) .^ 2) / W)';
  else
    s = ones (columns (X), 1);
  endif
  eta = b0 + X * beta;
  if strcmp (family, "binomial")
    loss = max (eta, 0) + log1p (exp (-abs (eta))) - y .* eta;
  else
    loss = exp (eta) - y .* eta;
  endif
  on = factor > 0 & beta ~= 0;
  F = (w' * loss) / W + sum (factor(on) .* penaltyValue (abs (beta(on) .* s(on)), name, lambda, theta));
endfunction

function worst = coordinatewise_gap (X, y, w, family, name, lambda, theta, factor, standardize, b0, beta)
  % How far below the fit's objective a search along any single coordinate
  % (the intercept too) gets: a grid around the coefficient and 0, refined
  % three times around its best point, the grid's objectives formed at once.
  [F, s] = objective_of (X, y, w, family, name, lambda, theta, factor, standardize, b0, beta);
  eta = b0 + X * beta;
  W = sum (w);
  worst = -Inf;
  for j = 0:numel (beta)
    if j == 0
      x = ones (rows (X), 1); c = b0; f = 0; sj = 1;
    else
      x = X(:, j); c = beta(j); f = factor(j); sj = s(j);
    endif
    own = 0;
    if j > 0 && f > 0 && c ~= 0
      own = f * penaltyValue (abs (c * sj), name, lambda, theta);
    endif
    rest = F - own - along (x, eta, y, w, W, family, name, lambda, theta, 0, sj, c, c);
    at = @(t) along (x, eta, y, w, W, family, name, lambda, theta, f, sj, c, t) + rest;
    lo = min (c, 0) - 2 - abs (c); hi = max (c, 0) + 2 + abs (c);
    best = at (0);
    for round = 1:3
      t = linspace (lo, hi, 201);
      [m, k] = min (at (t));
      best = min (best, m);
      h = t(2) - t(1);
      lo = t(k) - h; hi = t(k) + h;
    endfor
    worst = max (worst, F - best);
  endfor
endfunction

function v = along (x, eta, y, w, W, family, name, lambda, theta, f, sj, c, t)
  % The loss and the coordinate's own penalty with the coefficient at each
  % t (a row), the others as they are.
  e = eta + x * (t - c);
  if strcmp (family, "binomial")
    loss = max (e, 0) + log1p (exp (-abs (e))) - y .* e;
  else
    loss = exp (e) - y .* e;
  endif
  v = (w' * loss) / W;
  on = f > 0 & t ~= 0;
  if any (on)
    v(on) += f * penaltyValue (abs (t(on) * sj), name, lambda, theta);
  endif
endfunction

% Designs: random binomial, near-separable binomial, Poisson counts with
% many zeros; weights, a penalty factor of 0 and of Inf, both scalings.
randn ("state", 11); rand ("state", 11);
n = 80; p = 6;
X = randn (n, p) * diag ([1 2 0.5 1 3 1]);
eta = X(:, 1) - 0.6 * X(:, 2) + 1.2 * X(:, 3);
y_random = double (rand (n, 1) < 1 ./ (1 + exp (-eta)));
y_close = double (eta + 0.5 * randn (n, 1) > 0);
y_counts = floor (exp (0.4 * eta - 0.5) .* 2 .* rand (n, 1));
designs = {"binomial", y_random, "random";
           "binomial", y_close, "near-separable";
           "poisson", y_counts, "counts with zeros"};
settings = {"l1", []; "mcp", 0.7; "mcp", 3; "scad", 2.01; "capped-l1", 0.5; "log-sum", 0.2};
w = 0.5 + rand (n, 1);
factor = [1; 1; 0; 1; 1; Inf];
for d = 1:rows (designs)
  [family, y, what] = designs{d, :};
  for k = 1:rows (settings)
    [name, theta] = settings{k, :};
    standardize = mod (k, 2) == 1;
    [B, info] = penaltyFit (X, y, name, "Theta", theta, "Distribution", family, "Weights", w, ...
                            "PenaltyFactor", factor, "Standardize", standardize, "NumLambda", 12, ...
                            "RelTol", 1e-12);
    checks(end+1, :) = {sprintf("%s %s %s: held at 0", family, what, name), all(B(6, :) == 0), true};
    L = numel (info.Lambda);
    for l = unique ([1, ceil(L / 2), L])
      F = objective_of (X, y, w, family, name, info.Lambda(l), theta, factor, standardize, info.Intercept(l), B(:, l));
      gap = coordinatewise_gap (X, y, w, family, name, info.Lambda(l), theta, factor, standardize, ...
                                info.Intercept(l), B(:, l));
      checks(end+1, :) = {sprintf("%s %s %s at lambda %g: a coordinate lowers the objective by %g", family, what, ...
                            name, info.Lambda(l), gap), gap <= 1e-9 * max(1, abs(F)), true};
      checks(end+1, :) = {sprintf("%s %s %s: FitInfo.Objective is the stated objective", family, what, name), ...
                   abs(info.Objective(l) - F) <= 1e-12 * max(1, abs(F)), true};
    endfor
  endfor
endfor

% A short wide design of correlated columns, where many coefficients are
% active at once and the solver moves them jointly on their pieces between
% its sweeps: the fits are still coordinate-wise global minima.
nw = 40; pw = 60;
Xw = 0.7 * randn (nw, 1) + 0.7 * randn (nw, pw);
ew = Xw(:, 1:5) * [0.6; -0.5; 0.4; 0.5; -0.4];
wide = {"binomial", double(rand (nw, 1) < 1 ./ (1 + exp (-ew)));
        "poisson", floor(exp (0.5 * ew) .* 2 .* rand (nw, 1))};
for d = 1:rows (wide)
  [family, y] = wide{d, :};
  for k = 1:rows (settings)
    [name, theta] = settings{k, :};
    [B, info] = penaltyFit (Xw, y, name, "Theta", theta, "Distribution", family, "NumLambda", 20, ...
                            "RelTol", 1e-12);
    l = 1; % the smallest lambda fitted
    gap = coordinatewise_gap (Xw, y, ones (nw, 1), family, name, info.Lambda(l), theta, ones (pw, 1), true, ...
                              info.Intercept(l), B(:, l));
    F = info.Objective(l);
    checks(end+1, :) = {sprintf("wide %s %s, %d nonzeros at lambda %g: a coordinate lowers the objective by %g", ...
                          family, name, nnz (B(:, l)), info.Lambda(l), gap), gap <= 1e-9 * max(1, abs(F)), true};
  endfor
endfor

% More passes never raise the objective: the fit at one lambda after k passes.
y = designs{3, 2};
previous = Inf;
increased = false;
for passes = 1:12
  [B, info] = penaltyFit (X, y, "mcp", "Theta", 0.7, "Distribution", "poisson", "Lambda", 0.01, "MaxIter", passes);
  F = objective_of (X, y, ones (n, 1), "poisson", "mcp", 0.01, 0.7, ones (p, 1), true, info.Intercept, B);
  increased = increased || F > previous + 1e-14 * abs (previous);
  previous = F;
endfor
checks(end+1, :) = {"Poisson MCP: the objective never rises with more passes", ~increased, true};

% Proportions with Weights as the trials: the objective of the same trials
% given one by one as 0/1 observations.
g = 30; Xg = randn (g, 3); m = 1 + floor (4 * rand (g, 1));
k = arrayfun (@(i) sum (rand (m(i), 1) < 1 / (1 + exp (-Xg(i, 1)))), 1:g)';
[Bp, ip] = penaltyFit (Xg, k ./ m, "mcp", "Distribution", "binomial", "Weights", m, "NumLambda", 10, "RelTol", 1e-12);
at = cumsum ([0; m]); yy = zeros (at(end), 1); rows_of = zeros (at(end), 1);
for i = 1:g
  rows_of(at(i) + (1:m(i))) = i; yy(at(i) + (1:k(i))) = 1;
endfor
[Be, ie] = penaltyFit (Xg(rows_of, :), yy, "mcp", "Distribution", "binomial", "NumLambda", 10, "RelTol", 1e-12);
checks(end+1, :) = {"binomial proportions with trials as weights: the objective of the 0/1 trials", ...
             max(abs(ip.Objective - ie.Objective)) < 1e-12 && max(abs(Bp(:) - Be(:))) < 1e-5, true};

% Cross-validation: the same bits for 1, 2 and 3 threads (the fit on all
% data runs beside the folds, and a path cut short by DFmax trims theirs),
% lasso's fields.
old = getenv ("OMP_NUM_THREADS");
results = {};
short = {};
for threads = 1:3
  setenv ("OMP_NUM_THREADS", num2str (threads));
  [B, info] = penaltyFit (X, designs{1, 2}, "mcp", "Distribution", "binomial", "CV", 5, "NumLambda", 15);
  results{threads} = {B, info};
  [B, info] = penaltyFit (X, designs{3, 2}, "l1", "Distribution", "poisson", "CV", 5, "NumLambda", 30, "DFmax", 4);
  short{threads} = {B, info};
endfor
setenv ("OMP_NUM_THREADS", old);
checks(end+1, :) = {"CV with DFmax: the path stops early", numel(short{1}{2}.Lambda) < 30, true};
for threads = 2:3
  checks(end+1, :) = {sprintf("CV with %d threads: B", threads), results{threads}{1}, results{1}{1}};
  checks(end+1, :) = {sprintf("CV with %d threads: Deviance", threads), results{threads}{2}.Deviance, results{1}{2}.Deviance};
  checks(end+1, :) = {sprintf("CV with %d threads: SE", threads), results{threads}{2}.SE, results{1}{2}.SE};
  checks(end+1, :) = {sprintf("CV with DFmax, %d threads: B", threads), short{threads}{1}, short{1}{1}};
  checks(end+1, :) = {sprintf("CV with DFmax, %d threads: Deviance", threads), short{threads}{2}.Deviance, short{1}{2}.Deviance};
endfor
[B, info] = results{1}{:};
L = numel (info.Lambda);
checks(end+1, :) = {"CV: B is p-by-L", isequal(size(B), [p L]), true};
checks(end+1, :) = {"CV: Deviance and SE 1-by-L", isequal(size(info.Deviance), [1 L]) && isequal(size(info.SE), [1 L]), true};
checks(end+1, :) = {"CV: no MSE field for a GLM", ~isfield(info, "MSE"), true};
checks(end+1, :) = {"CV: the chosen lambda", info.LambdaMinDeviance == info.Lambda(info.IndexMinDeviance) ...
             && info.Lambda1SE == info.Lambda(info.Index1SE) && info.Index1SE >= info.IndexMinDeviance, true};
checks(end+1, :) = {"CV: the 1-SE rule", info.Deviance(info.Index1SE) <= info.Deviance(info.IndexMinDeviance) ...
             + info.SE(info.IndexMinDeviance), true};
B_full = penaltyFit (X, designs{1, 2}, "mcp", "Distribution", "binomial", "NumLambda", 15);
checks(end+1, :) = {"CV: B is the fit on all data", B, B_full};
[B, info] = penaltyFit (X, X(:, 1) + randn (n, 1), "l1", "CV", penaltyFitFolds (n, 4), "NumLambda", 8);
checks(end+1, :) = {"CV least squares: MSE, IndexMinMSE", isfield(info, "IndexMinMSE") && isequal(size(info.MSE), [1 8]), true};

% A separable design stops the path with a warning and keeps its fits.
ys = double (X(:, 1) > 0);
lastwarn ("");
[B, info] = penaltyFit (X, ys, "l1", "Distribution", "binomial", "LambdaRatio", 1e-6);
[~, id] = lastwarn ();
checks(end+1, :) = {"separable classes: penaltyFit:saturated", strcmp(id, "penaltyFit:saturated"), true};
checks(end+1, :) = {"separable classes: fewer than 100 fits, all finite", columns(B) < 100 && all(isfinite(B(:))), true};

run_table ("penaltyFit GLM and CV", checks);
