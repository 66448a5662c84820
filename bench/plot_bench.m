% Plots ns per element against n from the kernel benchmark's JSON: the
% maps (penaltyShrink, penaltyProx) and the sums of every penalty on the
% widest vector path with all threads, each panel with its own baselines.
% usage: octave-cli plot_bench.m JSON PNG
1;
args = argv ();
data = jsondecode (fileread (args{1}));
bench = data.benchmarks;
if (! iscell (bench))
  bench = num2cell (bench);
endif
series = struct ("name", {}, "n", {}, "ns", {});
for k = 1:numel (bench)
  parts = strsplit (regexprep (bench{k}.name, "/real_time$", ""), "/");
  key = strjoin (parts(1:end-1), "/");
  i = find (strcmp ({series.name}, key));
  if (isempty (i))
    i = numel (series) + 1;
    series(i).name = key;
  endif
  series(i).n(end+1) = str2double (parts{end});
  series(i).ns(end+1) = 1e9 / bench{k}.items_per_second;
endfor
widest = "scalar";
for path = {"sse2", "avx2", "avx512"}
  if (any (! cellfun (@isempty, strfind ({series.name}, ["/" path{1}]))))
    widest = path{1};
  endif
endfor

graphics_toolkit ("gnuplot");
f = figure ("visible", "off", "position", [0 0 1500 480]);
panels = {"shrink", "penaltyShrink"; "prox", "penaltyProx (gamma 0.5, weights)"; "sum", "penaltySum"};
baselines = {"baseline/negate_all_cores", "y = -x, all threads", "k-", 2.5;
             "baseline/negate", "y = -x, one thread", "k--", 1.5;
             "baseline/memcpy", "memcpy", "k:", 1.5;
             "baseline/sequential_sum", "sequential sum", "k-", 2.5};
colours = [0 0.45 0.74; 0.85 0.33 0.10; 0.93 0.69 0.13; 0.49 0.18 0.56; 0.47 0.67 0.19; 0.30 0.75 0.93;
           0.64 0.08 0.18; 0.5 0.5 0.5; 0 0 0.5];
for p = 1:rows (panels)
  subplot (1, rows (panels), p);
  hold on;
  labels = {};
  lo = inf;
  hi = 0;
  shown = [1 2 3];
  if (strcmp (panels{p, 1}, "sum"))
    shown = 4;
  endif
  for b = shown
    i = find (strcmp ({series.name}, baselines{b, 1}));
    if (! isempty (i))
      loglog (series(i).n, series(i).ns, baselines{b, 3}, "linewidth", baselines{b, 4});
      labels{end+1} = baselines{b, 2};
      lo = min (lo, min (series(i).ns));
      hi = max (hi, max (series(i).ns));
    endif
  endfor
  c = 0;
  for i = 1:numel (series)
    % operation/penalty/path, where a penalty's name may hold a slash (l1/2)
    parts = strsplit (series(i).name, "/");
    if (numel (parts) >= 3 && strcmp (parts{1}, panels{p, 1}) && strcmp (parts{end}, widest))
      c = c + 1;
      loglog (series(i).n, series(i).ns, "-o", "color", colours(mod (c - 1, rows (colours)) + 1, :), ...
              "linewidth", 1.5, "markersize", 4);
      labels{end+1} = strjoin (parts(2:end-1), "/");
      lo = min (lo, min (series(i).ns));
      hi = max (hi, max (series(i).ns));
    endif
  endfor
  set (gca, "xscale", "log", "yscale", "log", "xtick", 2 .^ (10:2:24), ...
       "xticklabel", arrayfun (@(e) sprintf ("2^{%d}", e), 10:2:24, "uniformoutput", false));
  xlim ([2^10 2^24]);
  ylim ([lo / 1.25, hi * 1.25]);
  grid on;
  xlabel ("n");
  ylabel ("ns per element");
  title ([panels{p, 2} ", " widest ", all threads"]);
  legend (labels, "location", "northoutside", "orientation", "horizontal", "fontsize", 8);
  hold off;
endfor
print (f, "-dpngcairo", "-r80", args{2});
