% Both MEX functions against Octave's own y = -x and sum(x) and against
% vectorised M code, at n = 2^10 and 2^20 on N(0, 4) data, all in one run.
% Prints a Markdown table of median times and ratios; writes it to the file
% named by PENALTY_BENCH_OUT as well, if set.
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

here = fileparts (mfilename ("fullpath"));
addpath (here, fullfile (here, "..", "dist", "octave"), fullfile (here, "..", "build", "bench"));
have_floor = exist ("octave_floor_mex") == 3;
randn ("state", 7);
names = {"capped-l1", "log-sum", "SCAD", "MCP"};
thetas = [2 1 3.7 3];
lines = {};
lines{end+1} = "| n | penalty | penaltyShrink / (y = -x) | penaltyProx (gamma 0.5, weights) / penaltyShrink | M shrink / penaltyShrink | penaltySum / sum(x) | M sum / penaltySum |";
lines{end+1} = "|---|---|---|---|---|---|---|";
timing = {};
for n = [2^10 2^20]
  x = 2 * randn (n, 1);
  w = 0.5 + rand (n, 1);
  inner = max (1, round (2^21 / n));
  t_neg = median_time (@() -x, inner);
  t_sum = median_time (@() sum (x), inner);
  timing{end+1} = sprintf ("n = 2^%d: y = -x %.3g us, sum(x) %.3g us", log2 (n), 1e6 * t_neg, 1e6 * t_sum);
  if (have_floor)
    t_floor = median_time (@() octave_floor_mex (n), inner);
    timing{end+1} = sprintf ("  a MEX file that only returns n zeros: %.3g us (%.2f times y = -x)", ...
                             1e6 * t_floor, t_floor / t_neg);
  endif
  for code = 1:4
    th = thetas(code);
    t_shrink = median_time (@() penaltyShrink (x, n, 1, th, code), inner);
    t_prox = median_time (@() penaltyProx (x, code, w, th, 0.5), inner);
    t_msh = median_time (@() m_shrink (x, 1, th, code), max (1, round (inner / 10)));
    t_psum = median_time (@() penaltySum (x, n, 1, th, code), inner);
    t_msum = median_time (@() m_penalty_sum (x, 1, th, code), max (1, round (inner / 10)));
    lines{end+1} = sprintf ("| 2^%d | %s | %.2f | %.2f | %.1f | %.2f | %.1f |", log2 (n), names{code}, ...
                            t_shrink / t_neg, t_prox / t_shrink, t_msh / t_shrink, t_psum / t_sum, t_msum / t_psum);
    t_value = median_time (@() penaltyValue (x, code, 1, th), inner);
    t_derivative = median_time (@() penaltyDerivative (x, code, 1, th), inner);
    timing{end+1} = sprintf ("  %-9s penaltyShrink %.3g us, M %.3g us; penaltySum %.3g us, M %.3g us", ...
                             names{code}, 1e6 * t_shrink, 1e6 * t_msh, 1e6 * t_psum, 1e6 * t_msum);
    timing{end+1} = sprintf ("  %-9s penaltyProx %.3g us; penaltyValue %.3g us, penaltyDerivative %.3g us (%.2f and %.2f times y = -x)", ...
                             "", 1e6 * t_prox, 1e6 * t_value, 1e6 * t_derivative, t_value / t_neg, t_derivative / t_neg);
  endfor
endfor
text = strjoin ([lines, {""}, timing], "\n");
printf ("%s\n", text);
out = getenv ("PENALTY_BENCH_OUT");
if (! isempty (out))
  fid = fopen (out, "w");
  fprintf (fid, "%s\n", text);
  fclose (fid);
endif
