% What the library is for: thresholding steps inside a sparse-recovery
% solver. Prints the four thresholding rules on a few values, recovers a
% sparse signal by proximal gradient with each penalty against the l1
% baseline, and draws the thresholding functions and penalties.
1;
warning ("off", "all");
here = fileparts (mfilename ("fullpath"));
addpath (here, fullfile (here, "..", "dist", "octave"));
png_file = getenv ("PENALTY_DEMO_PNG");
if (isempty (png_file))
  png_file = fullfile (here, "..", "build", "demo", "penalty_functions.png");
endif

% 1. The four rules side by side.
x = [-4 -2.5 -1.5 -0.8 0 0.8 1.5 2.5 4];
rules = {1, "capped-l1", 2;  2, "log-sum", 0.5;  3, "SCAD", 3.7;  4, "MCP", 3};
printf ("Thresholding, lambda = 1: penaltyShrink(x, n, 1, theta, code)\n\n%8s", "x");
for r = 1:rows (rules)
  printf ("%18s", sprintf ("%s (%g)", rules{r, 2}, rules{r, 3}));
endfor
printf ("\n");
for i = 1:numel (x)
  printf ("%8.2f", x(i));
  for r = 1:rows (rules)
    printf ("%18.4f", penaltyShrink (x(i), 1, 1, rules{r, 3}, rules{r, 1}));
  endfor
  printf ("\n");
endfor

% 2. Sparse recovery: y = A*x0 + noise with ||A||_2 = 1.
randn ("state", 42); rand ("state", 42);
m = 250; p = 1000; k = 25; sigma = 0.01;
A = randn (m, p);
A = A / norm (A);
x0 = zeros (p, 1);
support = randperm (p, k);
x0(support) = sign (randn (k, 1)) .* (0.4 + 0.6 * rand (k, 1));
y = A * x0 + sigma * randn (m, 1);

% name, lambda, theta, code: each penalty with weights of its own scale
% (log-sum's slope at 0 is lambda/theta = 0.02, like the l1 row's lambda).
solvers = {"l1 (capped-l1, theta = Inf)", 0.02, Inf, 1;
           "capped-l1", 0.02, 0.1, 1;
           "log-sum", 0.002, 0.1, 2;
           "SCAD", 0.03, 3.7, 3;
           "MCP", 0.03, 3, 4};
printf ("\nSparse recovery: %d-by-%d Gaussian A, ||A|| = 1, %d nonzeros, noise %g\n", m, p, k, sigma);
printf ("proximal gradient, unit step, from x = 0\n\n");
printf ("%-28s %6s %5s %6s %8s %10s %10s %9s %7s\n", "penalty", "lambda", "theta", ...
        "iters", "time (s)", "objective", "rel. error", "precision", "recall");
for s = 1:rows (solvers)
  [name, lam, theta, code] = solvers{s, :};
  tic;
  shrink = @(v) penaltyShrink (v, p, lam, theta, code);
  [xh, iterations] = solve_prox_gradient (A, y, shrink, 1, 20000, 1e-10);
  seconds = toc;
  objective = 0.5 * norm (A * xh - y)^2 + penaltySum (xh, p, lam, theta, code);
  found = xh ~= 0;
  truth = x0 ~= 0;
  precision = sum (found & truth) / max (sum (found), 1);
  recall = sum (found & truth) / sum (truth);
  printf ("%-28s %6g %5g %6d %8.3f %10.6f %10.4f %9.3f %7.3f\n", name, lam, theta, ...
          iterations, seconds, objective, norm (xh - x0) / norm (x0), precision, recall);
endfor
printf (["\nEach objective is 0.5*||A*x - y||^2 plus that row's own penalty, so compare\n", ...
         "errors, not objectives, across rows. l1 shrinks every kept coefficient by lambda;\n", ...
         "the nonconvex penalties leave large coefficients (nearly) unshrunk.\n"]);

% 3. The same recovery with a matrix whose norm is not 1: every step is a
% gradient step of size 1/L followed by penaltyProx's map of p/L.
randn ("state", 7); rand ("state", 7);
A = randn (m, p) / sqrt (m);
L = norm (A)^2;
x0 = zeros (p, 1);
x0(randperm (p, k)) = sign (randn (k, 1)) .* (0.5 + rand (k, 1));
y = A * x0 + sigma * randn (m, 1);
solvers = {"l1", 0.05, [];  "l0", 0.005, [];  "capped-l1", 0.05, 0.2;
           "log-sum", 0.005, 0.1;  "scad", 0.05, 3.7;  "mcp", 0.05, 3};
printf ("\nThe same with ||A||^2 = L = %.2f (A = randn/sqrt(m)): proximal gradient, step 1/L\n\n", L);
printf ("%-10s %6s %5s %6s %10s %10s %9s %7s\n", "penalty", "lambda", "theta", "iters", ...
        "objective", "rel. error", "precision", "recall");
for s = 1:rows (solvers)
  [name, lam, theta] = solvers{s, :};
  prox = @(v) penaltyProx (v, name, lam, theta, 1 / L);
  [xh, iterations] = solve_prox_gradient (A, y, prox, 1 / L, 20000, 1e-10);
  switch (name)
    case "l1"
      penalty_value = lam * norm (xh, 1);
    case "l0"
      penalty_value = lam * nnz (xh);
    otherwise
      penalty_value = penaltySum (xh, p, lam, theta, find (strcmp (name, {"capped-l1", "log-sum", "scad", "mcp"})));
  endswitch
  found = xh ~= 0;
  truth = x0 ~= 0;
  printf ("%-10s %6g %5s %6d %10.6f %10.4f %9.3f %7.3f\n", name, lam, num2str (theta), iterations, ...
          0.5 * norm (A * xh - y)^2 + penalty_value, norm (xh - x0) / norm (x0), ...
          sum (found & truth) / max (sum (found), 1), sum (found & truth) / sum (truth));
endfor

% 4. The picture.
[png_dir] = fileparts (png_file);
if (! isempty (png_dir) && ! exist (png_dir, "dir"))
  mkdir (png_dir);
endif
plot_penalties (png_file);
printf ("\nThresholding functions and penalties drawn to %s\n", png_file);
