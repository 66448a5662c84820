% penaltyFit through the real host. Every returned fit is checked against
% the objective of its help, evaluated here from scratch: each coefficient
% is a global minimiser of the objective along its own coordinate (found
% on a dense grid with local refinement, not by the solver's step); the
% lasso and the elastic net match a long proximal-gradient run; a sparse X
% gives the bits of the full one; every bad call raises its identifier.
% Each check is a row {label, actual, expected} of the table `checks` (run_table).
1;
start_suite ();
checks = cell (0, 3);

function [Xt, yc, s, c, W] = fit_scale (X, y, w, standardize, intercept)
  % The columns on the fit's scale, formed densely here (the solver never does).
  W = sum (w);
  m = (w' * X) / W;
  s = sqrt ((w' * (X - m).^2) / W);
  s(all (X == X(1, :), 1)) = 0;
  c = m * intercept;
  yc = y - intercept * (w' * y) / W;
  Xt = X - c;
  if (standardize)
    Xt = Xt ./ s;
    Xt(:, s == 0) = 0;
  endif
endfunction

function F = objective_of (X, y, w, b0, beta, penalty, lambda, theta, f, standardize)
  W = sum (w);
  r = y - b0 - X * beta;
  bt = beta;
  if (standardize)
    bt = beta .* sqrt ((w' * (X - (w' * X) / W).^2) / W)';
  endif
  k = f > 0 & isfinite (f) & bt ~= 0;
  F = (w' * r.^2) / (2 * W) + sum (f(k) .* penaltyValue (bt(k), penalty, lambda, theta));
endfunction

function worst = coordinate_gap (X, y, w, b0, beta, penalty, lambda, theta, f, standardize, intercept)
  % Largest amount by which one coordinate alone (the intercept refitted)
  % could lower the objective: phi_j(u) = (v/2)u^2 - (g + v*b)u + f*p(u) + const.
  [Xt, yc, s, c, W] = fit_scale (X, y, w, standardize, intercept);
  bt = beta;
  if (standardize)
    bt = beta .* s';
  endif
  r = yc - Xt * bt;
  if (intercept)
    r = r - (w' * r) / W;
  endif
  worst = 0;
  for j = find (isfinite (f) & (s' > 0 | ~standardize) & any (Xt ~= 0, 1)')'
    v = (w' * Xt(:, j).^2) / W;
    g = (w' * (Xt(:, j) .* r)) / W;
    b = bt(j);
    phi = @(u) (v / 2) * (u - b).^2 - g * (u - b) + f(j) * penaltyValue (u, penalty, lambda, theta);
    z = b + g / v;
    U = 2 * max (abs ([z b])) + 1e-3;
    u = [linspace(-U, U, 4001), 0, z, b];
    values = phi (u);
    % Refinement: finer grids about the three best points, twice.
    best = min (values);
    h = 2 * U / 4000;
    [~, order] = sort (values);
    for k = order(1:3)
      centre = u(k);
      for level = 1:2
        local = centre + linspace (-h, h, 401) / (200^(level - 1));
        [fv, at] = min (phi (local));
        best = min (best, fv);
        centre = local(at);
      endfor
    endfor
    worst = max (worst, phi (b) - best);
  endfor
endfunction

function X = correlated (n, p, rho)
  X = sqrt (1 - rho) * randn (n, p) + sqrt (rho) * randn (n, 1);
endfunction

% --- Every penalty, in and at the edges of its theta range, on several designs ---
randn ("seed", 11); rand ("seed", 11);
designs = {"n > p", correlated(80, 12, 0.5); "n < p", correlated(30, 60, 0.25); ...
           "sparse", sprand(70, 25, 0.2) .* 3};
cases = {"l1", []; "l0", []; "l1/2", []; "l2/3", []; "capped-l1", 0; "capped-l1", 0.3; ...
         "log-sum", 0.02; "log-sum", 50; "scad", 2 + 1e-9; "scad", 3.7; "mcp", 1e-3; "mcp", 1; "mcp", 3; ...
         "elastic-net", 0; "elastic-net", 0.5; "elastic-net", 1};
% and any other penalty of the list at its typical theta.
listed = listed_penalties ();
cases = [cases; listed(! ismember (listed(:, 1), cases(:, 1)), :)];
reltol = 1e-12;
for d = 1:rows (designs)
  X = designs{d, 2};
  [n, p] = size (X);
  beta = zeros (p, 1); beta(1:4) = [2 -1.5 1 0.5];
  y = X * beta + 0.3 * randn (n, 1);
  w = 0.5 + rand (n, 1); w(1:7:end) = 0;
  f = 0.3 + 2.7 * rand (p, 1); f(2) = 0; f(p) = Inf;
  for k = 1:rows (cases)
    [penalty, theta] = cases{k, :};
    for mode = 1:2
      standardize = mode == 1; intercept = mode == 1;
      args = {"Standardize", standardize, "Intercept", intercept, "RelTol", reltol, "NumLambda", 12};
      if (mode == 2)
        args = [args, {"Weights", w, "PenaltyFactor", f}];
      endif
      if (! isempty (theta))
        args = [args, {"Theta", theta}];
      endif
      [B, info] = penaltyFit (X, y, penalty, args{:});
      label = sprintf ("%s, %s theta %g, mode %d", designs{d, 1}, penalty, theta, mode);
      ww = ones (n, 1); ff = ones (p, 1);
      if (mode == 2)
        ww = w; ff = f;
      endif
      full_X = full (X);
      null = (ww' * (y - intercept * (ww' * y) / sum (ww)).^2) / sum (ww);
      tol = 1e3 * reltol * null + 1e-13 * null;
      gap = 0; mismatch = 0;
      for fit = unique (round (linspace (1, numel (info.Lambda), 4)))
        gap = max (gap, coordinate_gap (full_X, y, ww, info.Intercept(fit), B(:, fit), penalty, ...
                                        info.Lambda(fit), theta, ff, standardize, intercept));
        F = objective_of (full_X, y, ww, info.Intercept(fit), B(:, fit), penalty, info.Lambda(fit), theta, ff, standardize);
        mismatch = max (mismatch, abs (F - info.Objective(fit)) / max (F, 1e-3 * null));
      endfor
      checks(end+1, :) = {sprintf("%s: coordinate-wise minimum (gap %.3g, tolerance %.3g)", label, gap, tol), gap <= tol, true};
      checks(end+1, :) = {sprintf("%s: reported objective (%.3g)", label, mismatch), mismatch < 1e-10, true};
      checks(end+1, :) = {[label ": converged, ascending"], all(info.Converged) && issorted(info.Lambda), true};
      if (mode == 2)
        checks(end+1, :) = {[label ": Inf factor holds 0, 0 factor always in"], all(B(p, :) == 0) && all(B(2, :) ~= 0), true};
      endif
    endfor
  endfor
endfor

% --- lambda_max: every penalised coefficient 0 there, not just below it ---
X = correlated (50, 20, 0.3); y = X(:, 1:3) * [1; -2; 3] + randn (50, 1);
for k = 1:rows (cases)
  [penalty, theta] = cases{k, :};
  if (strcmp (penalty, "elastic-net") && theta == 0) || (strcmp (penalty, "capped-l1") && theta == 0)
    continue;  % these never set a coefficient to 0
  endif
  args = {};
  if (! isempty (theta))
    args = {"Theta", theta};
  endif
  [B, info] = penaltyFit (X, y, penalty, args{:}, "NumLambda", 3);
  top = info.Lambda(end);
  B2 = penaltyFit (X, y, penalty, args{:}, "Lambda", top * (1 - 1e-9));
  checks(end+1, :) = {sprintf("%s %g: zero at lambda_max, not below", penalty, theta), all(B(:, end) == 0) && any(B2 ~= 0), true};
endfor
[Xt, yc] = fit_scale (X, y, ones (50, 1), true, true);
[~, info] = penaltyFit (X, y, "l1", "NumLambda", 2);
checks(end+1, :) = {"l1 lambda_max is max |x~'r|/n", abs(info.Lambda(end) - max(abs(Xt' * yc)) / 50) < 1e-13 * info.Lambda(end), true};
checks(end+1, :) = {"grid ratio", abs(info.Lambda(1) / info.Lambda(2) - 1e-4) < 1e-15, true};

% --- The lasso and the elastic net against a long proximal-gradient run ---
% On the fit's scale: min (1/(2W))|sqrt(w).(yc - Xt b)|^2 + lambda*sum f(theta|b| + (1-theta)b^2/2).
X = correlated (60, 15, 0.6); y = X(:, 1:3) * [1; -1; 0.5] + 0.5 * randn (60, 1);
w = 0.2 + rand (60, 1); f = [0; ones(13, 1); 3];
for theta = [1 0.5 0.1]
  [Xt, yc, s, ~, W] = fit_scale (X, y, w, true, true);
  [B, info] = penaltyFit (X, y, "elastic-net", "Theta", theta, "Weights", w, "PenaltyFactor", f, ...
                          "Lambda", [0.3 0.05 0.01], "RelTol", 1e-24);
  A = Xt .* sqrt (w / W); b = yc .* sqrt (w / W);
  L = norm (A)^2;
  for k = 1:3
    lambda = info.Lambda(k);
    x = zeros (15, 1); z = x; t = 1;
    for it = 1:20000
      x_old = x;
      u = z - (A' * (A * z - b)) / L;
      x = sign (u) .* max (abs (u) - lambda * theta * f / L, 0) ./ (1 + lambda * (1 - theta) * f / L);
      t_old = t; t = (1 + sqrt (1 + 4 * t^2)) / 2;
      z = x + ((t_old - 1) / t) * (x - x_old);
    endfor
    err = norm (B(:, k) .* s' - x) / norm (x);
    checks(end+1, :) = {sprintf("elastic net theta %g lambda %g against FISTA (%.2g)", theta, lambda, err), err < 1e-8, true};
  endfor
endfor

% --- Sparse and full X: the same bits, weights and factors included ---
S = sprand (90, 40, 0.1) .* 2; S(:, 5) = 0; S(:, 7) = 3; y = full (S(:, 1:3) * [1; 2; -1]) + randn (90, 1);
for k = 1:rows (cases)
  [penalty, theta] = cases{k, :};
  args = {"Weights", rand(90, 1), "PenaltyFactor", [0; rand(39, 1)], "NumLambda", 15};
  if (! isempty (theta))
    args = [args, {"Theta", theta}];
  endif
  for flags = {{}, {"Standardize", false}, {"Intercept", false}}
    [Bs, is] = penaltyFit (S, y, penalty, args{:}, flags{1}{:});
    [Bf, if_] = penaltyFit (full (S), y, penalty, args{:}, flags{1}{:});
    checks(end+1, :) = {sprintf("%s %g sparse = full", penalty, theta), Bs, Bf};
    checks(end+1, :) = {sprintf("%s %g sparse = full intercepts", penalty, theta), is.Intercept, if_.Intercept};
    checks(end+1, :) = {"constant and zero columns get 0", all(Bs(5, :) == 0) && (! isempty(flags{1}) || all(Bs(7, :) == 0)), true};
  endfor
endfor

% --- Non-convergence is kept and reported once; DFmax stops the path ---
X = correlated (40, 30, 0.9); y = randn (40, 1);
lastwarn ("");
shown = evalc ('[B, info] = penaltyFit (X, y, "mcp", "MaxIter", 1, "NumLambda", 10);');
[~, id] = lastwarn ();
checks(end+1, :) = {"MaxIter: every lambda kept", numel(info.Lambda) == 10 && size(B, 2) == 10, true};
checks(end+1, :) = {"MaxIter: flagged and warned", any(! info.Converged) && strcmp(id, "penaltyFit:notConverged"), true};
[B, info] = penaltyFit (X, y, "l1", "DFmax", 5);
[~, full_info] = penaltyFit (X, y, "l1");
checks(end+1, :) = {"DFmax stops the path before the first fit above it", max(info.DF) <= 5 && numel(info.Lambda) < 100 ...
             && full_info.DF(end - numel(info.Lambda)) > 5, true};
checks(end+1, :) = {"FitInfo fields", isequal(fieldnames(info)', {"Intercept", "Lambda", "DF", "MSE", "Penalty", "Theta", ...
             "Objective", "Iterations", "Converged"}) && strcmp(info.Penalty, "l1") && islogical(info.Converged), true};
[~, info] = penaltyFit (X(1:25, :), y(1:25), 3);
checks(end+1, :) = {"code 3 is SCAD, theta 3.7 by default", strcmp(info.Penalty, "scad") && info.Theta == 3.7, true};
checks(end+1, :) = {"LambdaRatio 1e-2 for n <= p", abs(info.Lambda(1) / info.Lambda(end) - 1e-2) < 1e-14, true};

% --- Bad calls (their identifiers in the help: test_gateways) ---
checks = [checks; bad_call_checks("penaltyFit"); bad_call_checks("penaltyFitCore")];
% The first position past the list (the table's 99 lies far beyond it) and
% the last one in it, with the list's own count.
last = penaltyFitCore (listed{end, 1});   % its position, and its typical theta (0 for none)
core_at = @(position) raised (0, @penaltyFitCore, zeros (3, 2), [], [], [], [1; 2; 3], [], [1; 1], [], ...
                              [3 2 position last(7) 5 0.1 1 1 1e-7 100 Inf]);
checks(end+1, :) = {"penaltyFitCore refuses the position past the list", core_at(last(1) + 1), "penaltyFitCore:invalidOptions"};
checks(end+1, :) = {"penaltyFitCore takes the list's last position", core_at(last(1)), ""};
run_table ("penaltyFit", checks);
