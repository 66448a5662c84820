function plot_penalties (png_file)
  % The four thresholding functions and the four penalties, lambda = 1, as a
  % PNG drawn without a display.
  graphics_toolkit ("gnuplot");
  rules = {1, "capped-l1 (\\theta = 2)", 2;
           2, "log-sum (\\theta = 0.5)", 0.5;
           3, "SCAD (\\theta = 3.7)", 3.7;
           4, "MCP (\\theta = 3)", 3};
  x = linspace (-5, 5, 2001);
  f = figure ("visible", "off", "position", [0 0 1100 450]);
  subplot (1, 2, 1);
  hold on;
  plot (x, x, "k:");
  for r = 1:rows (rules)
    plot (x, penaltyShrink (x, numel (x), 1, rules{r, 3}, rules{r, 1}), "linewidth", 2);
  endfor
  plot (x, penaltyShrink (x, numel (x), 1, Inf, 1), "k--");
  hold off;
  axis ([-5 5 -5 5]); grid on;
  title ("thresholding functions: penaltyShrink(x, n, 1, \\theta, code)");
  xlabel ("x"); ylabel ("prox(x)");
  legend ([{"identity"}, rules(:, 2)', {"l1 (soft threshold)"}], "location", "southeast");
  subplot (1, 2, 2);
  hold on;
  for r = 1:rows (rules)
    v = arrayfun (@(t) penaltySum (t, 1, 1, rules{r, 3}, rules{r, 1}), x);
    plot (x, v, "linewidth", 2);
  endfor
  plot (x, abs (x), "k--");
  hold off;
  axis ([-5 5 0 5]); grid on;
  title ("penalties: penaltySum(x, 1, 1, \\theta, code)");
  xlabel ("x"); ylabel ("p(x)");
  legend ([rules(:, 2)', {"l1"}], "location", "north");
  print (f, "-dpngcairo", "-r90", png_file);
  close (f);
endfunction
