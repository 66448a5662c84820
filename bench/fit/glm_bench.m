% glm_bench.m: the GLM path benchmark's Octave side, run by glm_run.sh.
% Environment: GLM_DATA (glm_data.py's folder), GLM_RUNS (the peers'
% coefficient and time files), GLM_CASES (case names), GLM_ROWS (the file
% this script appends its table rows to), GLM_REPEATS (timed fits per path,
% default 3), GLM_NONCONVEX (the nonconvex paths fitted, "mcp scad"; also
% capped-l1 and log-sum, at theta 1; "-" none), GLM_RELTOL (penaltyFit's RelTol values for the lasso, default
% "1e-6 1e-8"), GLM_NONCONVEX_RELTOL (the RelTol of MCP and SCAD, 1e-8),
% PENALTY_FIT_PATH (a folder holding penaltyFit, default dist/octave).
%
% Every tool's path is scored by one evaluator, here, from the coefficients
% it returned: F(lambda) = (1/n) sum_i loss(y_i, b0 + x_i'b) + sum_j
% p(|b_j|; lambda, theta), loss the binomial's log(1 + e^eta) - y*eta or
% the Poisson's e^eta - y*eta, on the case's own numbers (X standardised
% already, every tool's standardisation off). The gap of a lasso path is
% the largest (F_tool - F_best)/|F_best| over its lambdas, F_best the
% smallest objective any tool reached at that lambda; a lambda a tool did
% not return counts as a gap of Inf. The nonconvex paths (MCP, SCAD) run
% at the lasso's lambdas and GLM_NONCONVEX_RELTOL.
1;
function F = objective (c, b0, B, penalty, theta)
  eta = c.X * B + b0;
  if (strcmp (c.family, "binomial"))
    loss = max (eta, 0) + log1p (exp (-abs (eta))) - c.y .* eta;
  else
    loss = exp (eta) - c.y .* eta;
  endif
  F = sum (loss, 1) / c.n;
  for k = 1:numel (c.lambda)
    if (strcmp (penalty, "l1"))
      F(k) += c.lambda(k) * sum (abs (B(:, k)));
    else
      F(k) += sum (penaltyValue (B(:, k), penalty, c.lambda(k), theta));
    endif
  endfor
  F(any (isnan ([b0; B]), 1)) = NaN;
endfunction

function s = fmt_times (t)
  s = sprintf ("%.3f", median (t));
  if (numel (t) > 1)
    s = sprintf ("%s (%.3f to %.3f)", s, min (t), max (t));
  endif
endfunction

function s = fmt_gap (g)
  if (isnan (g) || isinf (g))
    s = "-";
  elseif (g <= 0)
    s = "0";
  else
    s = sprintf ("%.1e", g);
  endif
endfunction

here = fileparts (mfilename ("fullpath"));
source (fullfile (here, "bench_io.m"));
root = fileparts (fileparts (here));
data_dir = env_or ("GLM_DATA", fullfile (root, "build", "glm-data"));
runs_dir = env_or ("GLM_RUNS", fullfile (root, "build", "glm-runs"));
rows_file = env_or ("GLM_ROWS", fullfile (root, "build", "glm.rows"));
repeats = str2double (env_or ("GLM_REPEATS", "3"));
our_tols = str2double (strsplit (env_or ("GLM_RELTOL", "1e-6 1e-8")));
nonconvex_tol = str2double (env_or ("GLM_NONCONVEX_RELTOL", "1e-8"));
addpath (env_or ("PENALTY_FIT_PATH", fullfile (root, "dist", "octave")));
warning ("off", "penaltyFit:notConverged");
cases = strsplit (strtrim (env_or ("GLM_CASES", "")));
nonconvex = {"mcp", 3; "scad", 3.7; "capped-l1", 1; "log-sum", 1};
nonconvex = nonconvex(ismember (nonconvex(:, 1), strsplit (env_or ("GLM_NONCONVEX", "mcp scad"))), :);
fid = fopen (rows_file, "a");
for ci = 1:numel (cases)
  name = cases{ci};
  c = read_case (fullfile (data_dir, name));
  printf ("glm_bench: %s\n", name);
  fflush (stdout);
  paths = {};  % tool, setting, F, seconds, note
  peers = dir (fullfile (runs_dir, [name ".*.time"]));
  for k = 1:numel (peers)
    prefix = fullfile (runs_dir, peers(k).name(1:end-5));
    setting = peers(k).name(numel (name) + 2:end - 5);
    text = fileread ([prefix ".time"]);
    cut = regexp (text, 'timeout (\S+)', "tokens", "once");
    if (! isempty (cut))
      paths(end+1, :) = {regexp(setting, '^[a-z]+', "match", "once"), setting, [], str2double(cut{1}), "cut off"};
      continue;
    endif
    raw = read_raw ([prefix ".coef.f64"]);
    L = numel (c.lambda);
    b0 = raw(1:L)';
    B = reshape (raw(L+1:end), c.p, L);
    seconds = str2num (regexp (text, 'seconds ([^\n]*)', "tokens", "once"){1});
    returned = str2double (regexp (text, 'lambdas (\d+)', "tokens", "once"){1});
    paths(end+1, :) = {regexp(setting, '^[a-z]+', "match", "once"), setting, objective(c, b0, B, "l1", []), ...
                       seconds, sprintf("%d lambdas", returned)};
  endfor
  args = {"Lambda", c.lambda, "Standardize", false, "Distribution", c.family};
  for tol = our_tols
    t = zeros (1, repeats);
    for r = 1:repeats
      started = tic;
      [B, info] = penaltyFit (c.X, c.y, "l1", args{:}, "RelTol", tol);
      t(r) = toc (started);
    endfor
    [~, order] = sort (info.Lambda, "descend");
    F = NaN (1, numel (c.lambda));
    F(1:numel (order)) = objective (c, info.Intercept(order), full (B(:, order)), "l1", []);
    paths(end+1, :) = {"penaltyFit", sprintf("RelTol %g", tol), F, t, ...
                       sprintf("%d of %d converged", sum (info.Converged), numel (c.lambda))};
  endfor
  have = cellfun (@(F) ! isempty (F), paths(:, 3));
  best = min (vertcat (paths{have, 3}), [], 1);
  for k = 1:rows (paths)
    gap = NaN;
    if (have(k))
      g = (paths{k, 3} - best) ./ abs (best);
      g(isnan (g)) = Inf;
      gap = max (g);
    endif
    fprintf (fid, "| %s | %s | lasso, %s | %s | %s | %s |\n", name, paths{k, 1}, paths{k, 2}, ...
             fmt_times (paths{k, 4}), fmt_gap (gap), paths{k, 5});
  endfor
  for k = 1:rows (nonconvex)
    [penalty, theta] = nonconvex{k, :};
    t = zeros (1, repeats);
    for r = 1:repeats
      started = tic;
      [B, info] = penaltyFit (c.X, c.y, penalty, args{:}, "Theta", theta, "RelTol", nonconvex_tol);
      t(r) = toc (started);
    endfor
    fprintf (fid, "| %s | penaltyFit | %s (theta %g), RelTol %g | %s | - | %d of %d converged |\n", name, ...
             penalty, theta, nonconvex_tol, fmt_times (t), sum (info.Converged), numel (c.lambda));
  endfor
  fflush (fid);
endfor
fclose (fid);
