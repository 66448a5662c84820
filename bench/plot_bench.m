% Plots ns per element against n for every kernel (on the widest vector
% path and on the scalar reference) and the baselines, from the kernel
% benchmark's JSON. usage: octave-cli plot_bench.m JSON PNG
1;
warning ("off", "all");
args = argv ();
data = jsondecode (fileread (args{1}));
bench = data.benchmarks;
if (! iscell (bench))
  bench = num2cell (bench);
endif
series = struct ();
for k = 1:numel (bench)
  b = bench{k};
  parts = strsplit (b.name, "/");
  key = strjoin (parts(1:end-1), "/");
  field = matlab.lang.makeValidName (key);
  if (! isfield (series, field))
    series.(field) = struct ("name", key, "n", [], "ns", []);
  endif
  series.(field).n(end+1) = str2double (parts{end});
  series.(field).ns(end+1) = 1e9 / b.items_per_second;
endfor
widest = "scalar";
for path = {"sse2", "avx2", "avx512"}
  if (any (cellfun (@(b) ! isempty (strfind (b.name, ["/" path{1} "/"])), bench)))
    widest = path{1};
  endif
endfor
graphics_toolkit ("gnuplot");
f = figure ("visible", "off", "position", [0 0 1100 500]);
keys = fieldnames (series);
panels = {"shrink", "sum"};
for p = 1:2
  subplot (1, 2, p);
  hold on;
  labels = {};
  for k = 1:numel (keys)
    s = series.(keys{k});
    if (strncmp (s.name, panels{p}, numel (panels{p})) || strncmp (s.name, "baseline", 8))
      style = "-o";
      if (! isempty (strfind (s.name, "scalar")))
        style = ":x";
      elseif (strncmp (s.name, "baseline", 8))
        style = "k--s";
      endif
      path = strsplit (s.name, "/"){end};
      if (strncmp (s.name, "baseline", 8) || any (strcmp (path, {"scalar", widest})))
        loglog (s.n, s.ns, style, "linewidth", 1.5);
        labels{end+1} = strrep (s.name, "_", " ");
      endif
    endif
  endfor
  set (gca, "xscale", "log", "yscale", "log");
  grid on;
  xlabel ("n"); ylabel ("ns per element");
  title ([panels{p} ": " widest " (solid), scalar (dotted)"]);
  legend (labels, "location", "eastoutside");
  hold off;
endfor
print (f, "-dpngcairo", "-r80", args{2});
