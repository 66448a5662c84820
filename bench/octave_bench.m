% Every MEX function against the host's own floor, at n = 2^10 and 2^20 on
% N(0, 4) data, in one run: the elementwise functions against a MEX file
% that only writes y = -x into an uninitialised array it returns
% (octave_floor_mex: Octave allocates and copies every returned array, so
% this is the least an elementwise MEX function can cost), penaltySum
% against sum(x), and both against vectorised M code as a user would write
% it. The whole set is measured twice; each ratio is shown as the range of
% the two runs. Prints a Markdown table; writes it to the file named by
% PENALTY_BENCH_OUT as well, if set. Each ratio is the median of ratios of
% times taken back to back. A second table sets single, complex and complex
% single x against double x at 2^20.
1;
function t = median_time (f, inner)
  % Median over 9 samples of the mean time of `inner` calls.
  samples = zeros (1, 9);
  for k = 1:numel (samples)
    start = tic;
    for j = 1:inner
      f ();
    endfor
    samples(k) = toc (start) / inner;
  endfor
  t = median (samples);
endfunction

function r = median_ratio (f, g, inner)
  % Median over 9 samples of time(f)/time(g), each sample timing `inner`
  % calls of g and then of f, back to back: both see the same state of the
  % machine and of the host's allocator, whose page faults dominate at large n.
  samples = zeros (1, 9);
  for k = 1:numel (samples)
    start = tic;
    for j = 1:inner
      g ();
    endfor
    tg = toc (start);
    start = tic;
    for j = 1:inner
      f ();
    endfor
    samples(k) = toc (start) / tg;
  endfor
  r = median (samples);
endfunction

function s = span (r)
  if (all (isnan (r)))
    s = "-";
  elseif (abs (r(1) - r(2)) < 0.005 * max (r))
    s = sprintf ("%.2f", r(1));
  else
    s = sprintf ("%.2f to %.2f", min (r), max (r));
  endif
endfunction

here = fileparts (mfilename ("fullpath"));
addpath (here, fullfile (here, "..", "dist", "octave"), fullfile (here, "..", "build", "bench"));
if (exist ("octave_floor_mex") != 3)
  error ("octave_bench: octave_floor_mex not built (make builds it with the benchmarks)");
endif
randn ("state", 7);
rand ("state", 7);
% name, penaltyShrink/penaltySum code (0: none), theta
penalties = {"l1", 0, []; "l0", 0, []; "capped-l1", 1, 2; "log-sum", 2, 1; "SCAD", 3, 3.7; "MCP", 4, 3; ...
             "l1/2", 0, []; "l2/3", 0, []; "elastic-net", 0, 0.5};
columns = {"penaltyShrink / floor", "penaltyProx (gamma 1) / floor", "penaltyProx (gamma 0.5, weights) / floor", ...
           "penaltyValue / floor", "penaltyDerivative / floor", "penaltySum / sum(x)", ...
           "M shrink / penaltyShrink", "M sum / penaltySum", ...
           "penaltyProx (gamma 0.5, weights) / penaltyShrink"};
sizes = [2^10 2^20];
runs = 2;
ratio = nan (numel (sizes), rows (penalties), numel (columns), runs);
base = zeros (numel (sizes), 3, runs); % y = -x, floor, sum(x)
for run = 1:runs
  for s = 1:numel (sizes)
    n = sizes(s);
    x = 2 * randn (n, 1);
    w = 0.5 + rand (n, 1);
    inner = max (1, round (2^21 / n));
    floor_mex = @() octave_floor_mex (x);
    sum_x = @() sum (x);
    base(s, :, run) = [median_time(@() -x, inner), median_time(floor_mex, inner), median_time(sum_x, inner)];
    for p = 1:rows (penalties)
      [name, code, theta] = penalties{p, :};
      r = nan (1, numel (columns));
      r(2) = median_ratio (@() penaltyProx (x, name, 1, theta), floor_mex, inner);
      r(3) = median_ratio (@() penaltyProx (x, name, w, theta, 0.5), floor_mex, inner);
      r(4) = median_ratio (@() penaltyValue (x, name, 1, theta), floor_mex, inner);
      r(5) = median_ratio (@() penaltyDerivative (x, name, 1, theta), floor_mex, inner);
      if (code > 0)
        shrink = @() penaltyShrink (x, n, 1, theta, code);
        total = @() penaltySum (x, n, 1, theta, code);
        r(1) = median_ratio (shrink, floor_mex, inner);
        r(6) = median_ratio (total, sum_x, inner);
        r(7) = median_ratio (@() m_shrink (x, 1, theta, code), shrink, max (1, round (inner / 10)));
        r(8) = median_ratio (@() m_penalty_sum (x, 1, theta, code), total, max (1, round (inner / 10)));
        r(9) = median_ratio (@() penaltyProx (x, name, w, theta, 0.5), shrink, inner);
      endif
      ratio(s, p, :, run) = r;
    endfor
  endfor
endfor

lines = {["| n | penalty | " strjoin(columns, " | ") " |"], ["|---|---|" repmat("---|", 1, numel (columns))]};
for s = 1:numel (sizes)
  for p = 1:rows (penalties)
    cells = arrayfun (@(c) span (squeeze (ratio(s, p, c, :))), 1:numel (columns), "uniformoutput", false);
    lines{end+1} = sprintf ("| 2^%d | %s | %s |", log2 (sizes(s)), penalties{p, 1}, strjoin (cells, " | "));
  endfor
endfor
lines{end+1} = "";
for s = 1:numel (sizes)
  b = squeeze (base(s, :, :));
  lines{end+1} = sprintf (["n = 2^%d: y = -x %s us, floor MEX %s us (%s times y = -x), sum(x) %s us " ...
                           "(%.2f ns per element)"], log2 (sizes(s)), span (1e6 * b(1, :)), span (1e6 * b(2, :)), ...
                          span (b(2, :) ./ b(1, :)), span (1e6 * b(3, :)), 1e9 * min (b(3, :)) / sizes(s));
endfor
% Single, complex and complex single x against double x at 2^20: penaltyProx
% with one weight, penaltyValue; the same values (the single ones rounded).
class_columns = {"prox single / double", "prox complex / double", "prox complex single / double", ...
                 "value single / double", "value complex / double"};
class_ratio = nan (rows (penalties), numel (class_columns), runs);
n = 2^20;
x = 2 * randn (n, 1);
xs = single (x);
z = complex (x, 2 * randn (n, 1));
zs = single (z);
for run = 1:runs
  for p = 1:rows (penalties)
    [name, ~, theta] = penalties{p, :};
    prox_double = @() penaltyProx (x, name, 1, theta, 0.5);
    value_double = @() penaltyValue (x, name, 1, theta);
    class_ratio(p, :, run) = [median_ratio(@() penaltyProx (xs, name, 1, theta, 0.5), prox_double, 2), ...
                              median_ratio(@() penaltyProx (z, name, 1, theta, 0.5), prox_double, 2), ...
                              median_ratio(@() penaltyProx (zs, name, 1, theta, 0.5), prox_double, 2), ...
                              median_ratio(@() penaltyValue (xs, name, 1, theta), value_double, 2), ...
                              median_ratio(@() penaltyValue (z, name, 1, theta), value_double, 2)];
  endfor
endfor
lines{end+1} = "";
lines{end+1} = ["| n = 2^20 | " strjoin(class_columns, " | ") " |"];
lines{end+1} = ["|---|" repmat("---|", 1, numel (class_columns))];
for p = 1:rows (penalties)
  cells = arrayfun (@(c) span (squeeze (class_ratio(p, c, :))), 1:numel (class_columns), "uniformoutput", false);
  lines{end+1} = sprintf ("| %s | %s |", penalties{p, 1}, strjoin (cells, " | "));
endfor
text = strjoin (lines, "\n");
printf ("%s\n", text);
out = getenv ("PENALTY_BENCH_OUT");
if (! isempty (out))
  fid = fopen (out, "w");
  fprintf (fid, "%s\n", text);
  fclose (fid);
endif
