% fit_bench.m: the path benchmark's Octave side, run by bench/fit/run.sh.
% Environment: FIT_DATA (make_data.py's folder), FIT_RUNS (the peers'
% coefficient and time files), FIT_OUT (the report: this script appends
% its table rows to FIT_OUT.rows and its sparse-over-full ratios to
% FIT_OUT.ratios, run.sh puts them together), FIT_REPEATS (timed fits per
% path, default 3), FIT_CASES (case names, default every folder in FIT_DATA),
% FIT_RELTOL (penaltyFit's RelTol values, default "1e-7 1e-9 1e-10 1e-11"),
% PENALTY_FIT_PATH (a folder holding penaltyFit, default dist/octave).
%
% Every tool's path is scored by one evaluator, here, from the coefficients
% it returned: F(lambda) = (1/(2n)) ||y - b0 - X b||^2 + sum_j p(|b_j|;
% lambda, theta) on the case's own numbers (the dense X is standardised
% already and every tool's standardisation is off, so the lambdas mean the
% same problem for all). For the lasso the gap of a path is the largest
% (F_tool - F_best) / F_best over its lambdas, F_best the smallest objective
% any tool reached at that lambda. The nonconvex paths run at the loosest
% RelTol whose lasso has a gap of at most 1e-6 (the tightest RelTol if
% none): the accuracy our lasso needs there, whichever of the settings
% that reach it was fastest in this run (two such settings often take
% about the same time, and the noise would choose); ratios.py sets the
% times against each other.
1;
function [b0, B, seconds, lambdas] = read_peer (prefix, c)
  % b0 1-by-L, B p-by-L in the order of lambda.f64 (descending); [] if absent.
  b0 = []; B = []; seconds = []; lambdas = 0;
  if (! exist ([prefix ".time"], "file"))
    return;
  endif
  raw = read_raw ([prefix ".coef.f64"]);
  L = numel (c.lambda);
  b0 = raw(1:L)';
  B = reshape (raw(L+1:end), c.p, L);
  text = fileread ([prefix ".time"]);
  seconds = str2num (regexp (text, 'seconds ([^\n]*)', "tokens", "once"){1});
  lambdas = str2double (regexp (text, 'lambdas (\d+)', "tokens", "once"){1});
endfunction

function F = objective (c, b0, B, penalty, theta)
  % One evaluator for every tool: columns of B against c.lambda's order.
  L = numel (c.lambda);
  R = c.y - c.X * B - b0;
  F = sum (R .^ 2, 1) / (2 * c.n);
  for k = 1:L
    if (strcmp (penalty, "l1"))
      F(k) += c.lambda(k) * sum (abs (B(:, k)));
    else
      F(k) += sum (penaltyValue (B(:, k), penalty, c.lambda(k), theta));
    endif
  endfor
  F(any (isnan (B), 1)) = NaN;
endfunction

function [b0, B, seconds, info] = run_ours (c, X, penalty, theta, reltol, repeats)
  % penaltyFit at the case's lambdas; columns returned in descending lambda.
  args = {"Lambda", c.lambda, "Standardize", c.standardize, "Intercept", c.intercept};
  if (! isempty (theta))
    args(end+1:end+2) = {"Theta", theta};
  endif
  if (! isempty (reltol))
    args(end+1:end+2) = {"RelTol", reltol};
  endif
  seconds = zeros (1, repeats);
  for r = 1:repeats
    started = tic;
    [B, info] = penaltyFit (X, c.y, penalty, args{:});
    seconds(r) = toc (started);
  endfor
  [~, order] = sort (info.Lambda, "descend");
  B = full (B(:, order));
  b0 = info.Intercept(order);
  info.order = order;
endfunction

function s = fmt_gap (g)
  if (isnan (g))
    s = "-";
  elseif (g <= 0)
    s = "0";
  else
    s = sprintf ("%.1e", g);
  endif
endfunction

function s = fmt_times (t)
  if (isempty (t))
    s = "-";
  else
    s = sprintf ("%.3f", median (t));
    if (numel (t) > 1)
      s = sprintf ("%s (%.3f to %.3f)", s, min (t), max (t));
    endif
  endif
endfunction

here = fileparts (mfilename ("fullpath"));
source (fullfile (here, "bench_io.m"));
root = fileparts (fileparts (here));
data_dir = env_or ("FIT_DATA", fullfile (root, "build", "bench-data"));
runs_dir = env_or ("FIT_RUNS", fullfile (root, "build", "bench-results", "fit-runs"));
out_file = env_or ("FIT_OUT", fullfile (root, "build", "bench-results", "fit.md"));
repeats = str2double (env_or ("FIT_REPEATS", "3"));
our_tols = str2double (strsplit (env_or ("FIT_RELTOL", "1e-7 1e-9 1e-10 1e-11")));
same_objective = 1e-6;
addpath (env_or ("PENALTY_FIT_PATH", fullfile (root, "dist", "octave")));
have_ours = any (exist ("penaltyFit") == [2 3]);
cases = strsplit (strtrim (env_or ("FIT_CASES", "")));
if (isempty (cases{1}))
  listing = dir (data_dir);
  cases = {listing([listing.isdir] & ! strncmp({listing.name}, ".", 1)).name};
endif
% penalty name, theta: every nonconvex path runs at the lasso's lambdas
% (each has slope lambda at 0+, log-sum with theta = 1 too, so the same
% largest lambda zeroes every coefficient).
nonconvex = {"mcp", 3; "scad", 3.7; "capped-l1", 1; "log-sum", 1};

out_rows = {};  % case, tool, setting, time, gap, note
ratios = {};   % case, what, ratio
for ci = 1:numel (cases)
  name = cases{ci};
  c = read_case (fullfile (data_dir, name));
  printf ("fit_bench: %s (n = %d, p = %d, %s)\n", name, c.n, c.p, c.kind);
  fflush (stdout);
  % The lasso: peers' runs (every setting found), then ours.
  paths = {};  % tool, setting, F, seconds, lambdas
  peers = dir (fullfile (runs_dir, [name ".*.time"]));
  % Tool by tool, the loosest tolerance first.
  tolerance = cellfun (@(f) str2double (regexp (f, '[a-z]+([0-9.e+-]+)\.time$', "tokens", "once"){1}), {peers.name});
  [~, order] = sortrows ([cellfun(@(f) f(numel (name) + 2), {peers.name})' + 0, -tolerance(:)]);
  peers = peers(order);
  % Ours on X as a user would pass it: the sparse case's X sparse, as the peers had it.
  X_fit = c.X;
  if (! isempty (c.Xs))
    X_fit = c.Xs;
  endif
  for k = 1:numel (peers)
    prefix = fullfile (runs_dir, peers(k).name(1:end-5));
    setting = peers(k).name(numel (name) + 2:end - 5);
    cut_off = regexp (fileread ([prefix ".time"]), 'timeout (\S+)', "tokens", "once");
    if (! isempty (cut_off))
      tool = regexp (setting, '^[a-z]+', "match", "once");
      out_rows(end+1, :) = {name, tool, ["lasso, tol " setting(numel(tool) + 1:end)], ...
                            ["> " cut_off{1} " (cut off)"], "-", "-"};
      continue;
    endif
    [b0, B, seconds, lambdas] = read_peer (prefix, c);
    tool = regexp (setting, '^[a-z]+', "match", "once");
    paths(end+1, :) = {tool, ["tol " setting(numel(tool) + 1:end)], ...
                       objective(c, b0, B, "l1", []), seconds, lambdas};
  endfor
  if (have_ours)
    for tol = our_tols
      [b0, B, seconds, info] = run_ours (c, X_fit, "l1", [], tol, repeats);
      paths(end+1, :) = {"penaltyFit", sprintf("RelTol %g", tol), objective(c, b0, B, "l1", []), ...
                         seconds, sum(info.Converged)};
    endfor
  endif
  if (isempty (paths))
    continue;
  endif
  best = min (cell2mat (paths(:, 3)), [], 1);
  gaps = zeros (1, size (paths, 1));
  for k = 1:size (paths, 1)
    gaps(k) = max ((paths{k, 3} - best) ./ best);
    out_rows(end+1, :) = {name, paths{k, 1}, ["lasso, " paths{k, 2}], fmt_times(paths{k, 4}), ...
                          fmt_gap(gaps(k)), sprintf("%d", paths{k, 5})};
  endfor
  if (! have_ours)
    continue;
  endif
  % The nonconvex paths at the loosest RelTol whose lasso reaches the best
  % objective to same_objective at every lambda.
  tol = our_tols(end);
  for j = find (strcmp (paths(:, 1), "penaltyFit") & (gaps(:) <= same_objective))'
    tol = max (tol, str2double (paths{j, 2}(8:end)));
  endfor
  for q = 1:size (nonconvex, 1)
    [pen, theta] = nonconvex{q, :};
    [b0, B, seconds, info] = run_ours (c, X_fit, pen, theta, tol, repeats);
    out_rows(end+1, :) = {name, "penaltyFit", sprintf("%s (theta %g), RelTol %g", pen, theta, tol), ...
                          fmt_times(seconds), "-", sprintf("%d", sum (info.Converged))};
  endfor
  if (! isempty (c.Xs))
    for pen = {"l1", "mcp"}
      theta = [];
      if (strcmp (pen{1}, "mcp"))
        theta = 3;
      endif
      [~, Bs, ts] = run_ours (c, c.Xs, pen{1}, theta, tol, repeats);
      [~, Bd, td] = run_ours (c, c.X, pen{1}, theta, tol, repeats);
      out_rows(end+1, :) = {name, "penaltyFit", sprintf("%s, sparse X, RelTol %g", pen{1}, tol), ...
                        fmt_times(ts), "-", sprintf("largest difference sparse - full %.1e", max (abs (Bs(:) - Bd(:))))};
      out_rows(end+1, :) = {name, "penaltyFit", sprintf("%s, the same X full, RelTol %g", pen{1}, tol), ...
                        fmt_times(td), "-", ""};
      ratios(end+1, :) = {name, [pen{1} ": sparse X / the same X full"], median(ts) / median(td)};
    endfor
  endif
endfor

% Rows for run.sh to put under its header (appended: one case per call).
fid = fopen ([out_file ".rows"], "a");
for k = 1:size (out_rows, 1)
  fprintf (fid, "| %s |\n", strjoin (out_rows(k, :), " | "));
endfor
fclose (fid);
fid = fopen ([out_file ".ratios"], "a");
for k = 1:size (ratios, 1)
  fprintf (fid, "| %s | %s | %.2f |\n", ratios{k, 1}, ratios{k, 2}, ratios{k, 3});
endfor
fclose (fid);
if (! have_ours)
  printf ("fit_bench: penaltyFit is not on the path (not built yet): only the peers were scored\n");
endif
