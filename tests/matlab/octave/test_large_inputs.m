% Both functions on 2^27 elements (1 GiB of doubles): the results are right
% where sampled, and memory grows by one result array for penaltyShrink and
% by nothing for penaltySum, never by a copy of x. Octave's MEX interface
% copies a returned array into one of its own, so while penaltyShrink
% returns, the peak briefly holds two result arrays (any MEX file returning
% a 1 GiB array does the same); what stays afterwards is one.
1;
function kib = status_kib (field)
  text = fileread ("/proc/self/status");
  kib = str2double (regexp (text, [field ":\\s*(\\d+)"], "tokens", "once"){1});
endfunction

function reset_peak ()
  % Writing 5 to clear_refs resets the peak resident size (VmHWM).
  fid = fopen ("/proc/self/clear_refs", "w");
  fprintf (fid, "5");
  fclose (fid);
endfunction

meminfo = fileread ("/proc/meminfo");
available_gib = str2double (regexp (meminfo, "MemAvailable:\\s*(\\d+)", "tokens", "once"){1}) / 2^20;
if (available_gib < 8)
  printf ("large inputs: skipped, only %.1f GiB free (8 GiB needed)\n", available_gib);
  exit (77);
endif

start_suite ();
checks = cell (0, 3);
n = 2^27;
x = repmat (2.5, n, 1);
positions = [1 2 3 4 12345 n/2 n-1 n];
x(positions) = [-3 0.5 -0.5 1.5 -2.5 3 -1 4];
array_kib = n * 8 / 1024;

reset_peak ();
before = status_kib ("VmRSS");
y = penaltyShrink (x, n, 1, 2, 1);
peak = status_kib ("VmHWM") - before;
kept = status_kib ("VmRSS") - before;
checks(end+1, :) = {sprintf("penaltyShrink keeps %.0f MiB (one result is %.0f)", kept / 1024, ...
             array_kib / 1024), kept > 0.9 * array_kib && kept < 1.1 * array_kib, true};
checks(end+1, :) = {sprintf("penaltyShrink peak %.0f MiB: the result and Octave's copy of it", ...
             peak / 1024), peak < 2.1 * array_kib, true};
checks(end+1, :) = {"sampled results", y([positions 5 n-2]), [-3; 0; -0; 0.5; -1.5; 3; -0; 4; 1.5; 1.5]};
checks(end+1, :) = {"result shape", isequal(size(y), [n 1]), true};
clear y;

reset_peak ();
before = status_kib ("VmRSS");
s = penaltySum (x, n, 1, 2, 1);
growth = status_kib ("VmHWM") - before;
checks(end+1, :) = {sprintf("penaltySum peak growth %.0f MiB", growth / 1024), growth < 0.05 * array_kib, true};
% 2^27 - 8 elements of 2.5 contribute theta = 2 each; the rest 2+0.5+0.5+1.5+2+2+1+2.
checks(end+1, :) = {"sum", s, (n - 8) * 2 + 11.5};
run_table ("large inputs", checks);
