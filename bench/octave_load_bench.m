% Every MEX function at n = 2^20, with the default thread count against one
% thread (OMP_NUM_THREADS=1), on an idle machine and with one busy process
% per core, which this script starts and stops itself (each is also ended
% by `timeout` after 10 minutes, should this script die first). Each ratio
% is the median of 9 ratios of times taken back to back, the order of the
% two alternating; the whole set runs twice per state and each cell shows
% the range of the two runs. Prints a Markdown table; writes it to the file
% named by PENALTY_BENCH_OUT as well, if set.
1;
function r = ratio_and_times (f, inner)
  % [median of time(default)/time(one thread), ns of one thread, ns of the default], per call.
  samples = zeros (9, 3);
  for k = 1:rows (samples)
    t = zeros (1, 2);
    order = [1 2];
    if (mod (k, 2) == 0)
      order = [2 1];
    endif
    for turn = order
      if (turn == 1)
        setenv ("OMP_NUM_THREADS", "1");
      else
        unsetenv ("OMP_NUM_THREADS");
      endif
      f (); % the first call after a change may start or wake the workers
      start = tic;
      for j = 1:inner
        f ();
      endfor
      t(turn) = toc (start) / inner;
    endfor
    samples(k, :) = [t(2) / t(1), t];
  endfor
  unsetenv ("OMP_NUM_THREADS");
  r = [median(samples(:, 1)), median(samples(:, 2)), median(samples(:, 3))];
endfunction

function pids = start_load (count)
  pids = zeros (1, count);
  for k = 1:count
    [~, out] = system ("timeout 600 sh -c 'while :; do :; done' >/dev/null 2>&1 & echo $!");
    pids(k) = str2double (strtrim (out));
  endfor
  pause (0.5);
endfunction

function stop_load (pids)
  for pid = pids
    system (sprintf ("kill %d 2>/dev/null", pid));
  endfor
endfunction

function s = span (r, format)
  if (numel (r) == 1 || abs (r(1) - r(2)) < 0.005 * max (r))
    s = sprintf (format, r(1));
  else
    s = sprintf ([format " to " format], min (r), max (r));
  endif
endfunction

here = fileparts (mfilename ("fullpath"));
addpath (here, fullfile (here, "..", "dist", "octave"));
randn ("state", 7);
n = 2^20;
x = 2 * randn (n, 1);
% label, call
calls = {};
shrinkable = {"capped-l1", 1, 2; "log-sum", 2, 1; "SCAD", 3, 3.7; "MCP", 4, 3};
for p = 1:rows (shrinkable)
  [name, code, theta] = shrinkable{p, :};
  calls(end+1, :) = {sprintf("penaltyShrink %s", name), @() penaltyShrink(x, n, 1, theta, code)};
  calls(end+1, :) = {sprintf("penaltySum %s", name), @() penaltySum(x, n, 1, theta, code)};
endfor
penalties = {"l1", []; "l0", []; "capped-l1", 2; "log-sum", 1; "SCAD", 3.7; "MCP", 3; "l1/2", []; ...
             "l2/3", []; "elastic-net", 0.5};
for p = 1:rows (penalties)
  [name, theta] = penalties{p, :};
  calls(end+1, :) = {sprintf("penaltyProx %s", name), @() penaltyProx(x, name, 1, theta)};
  calls(end+1, :) = {sprintf("penaltyValue %s", name), @() penaltyValue(x, name, 1, theta)};
  calls(end+1, :) = {sprintf("penaltyDerivative %s", name), @() penaltyDerivative(x, name, 1, theta)};
endfor

cores = nproc ();
runs = 2;
% (call, state: idle / loaded, run, [ratio, t1, tdefault])
result = zeros (rows (calls), 2, runs, 3);
ambient = zeros (2, runs); % the load average as each state began: other work on the machine
started = time ();
for run = 1:runs
  for state = 1:2
    pids = [];
    if (state == 2)
      pids = start_load (cores);
    endif
    ambient(state, run) = str2double (strtok (fileread ("/proc/loadavg")));
    unwind_protect
      for c = 1:rows (calls)
        result(c, state, run, :) = ratio_and_times (calls{c, 2}, 3);
      endfor
    unwind_protect_cleanup
      stop_load (pids);
    end_unwind_protect
  endfor
endfor

lines = {sprintf(["n = 2^20 on %d cores; loaded: %d busy processes beside; load average as each state " ...
                  "began: idle %s, loaded %s; %.0f s"], cores, cores, mat2str (ambient(1, :), 3), ...
                 mat2str (ambient(2, :), 3), time () - started), "", ...
         "| call | idle: 1 thread (ns/el) | idle: default (ns/el) | idle: default / 1 thread | loaded: 1 thread (ns/el) | loaded: default (ns/el) | loaded: default / 1 thread |", ...
         "|---|---|---|---|---|---|---|"};
worst = [0 0];
for c = 1:rows (calls)
  cells = {};
  for state = 1:2
    r = reshape (result(c, state, :, :), runs, 3);
    cells{end+1} = span (1e9 * r(:, 2) / n, "%.2f");
    cells{end+1} = span (1e9 * r(:, 3) / n, "%.2f");
    cells{end+1} = span (r(:, 1), "%.2f");
    worst(state) = max (worst(state), min (r(:, 1)));
  endfor
  lines{end+1} = sprintf ("| `%s` | %s |", calls{c, 1}, strjoin (cells, " | "));
endfor
lines{end+1} = "";
lines{end+1} = sprintf ("largest default / 1 thread (better of the two runs): idle %.2f, loaded %.2f", worst);
text = strjoin (lines, "\n");
printf ("%s\n", text);
out = getenv ("PENALTY_BENCH_OUT");
if (! isempty (out))
  fid = fopen (out, "w");
  fprintf (fid, "%s\n", text);
  fclose (fid);
endif
