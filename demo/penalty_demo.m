% The four thresholding rules side by side on one short vector.
1;
here = fileparts (mfilename ("fullpath"));
addpath (fullfile (here, "..", "dist", "octave"));

x = [-4 -2.5 -1.5 -0.8 -0.3 0 0.3 0.8 1.5 2.5 4];
lambda = 1;
rules = {1, "capped-l1", 2;   % code, name, theta
         2, "log-sum",   1;
         3, "SCAD",      3.7;
         4, "MCP",       3};

printf ("penaltyShrink(x, %d, lambda = %g, theta, code)\n\n", numel (x), lambda);
printf ("%8s", "x");
for r = 1:rows (rules)
  printf ("  %16s", sprintf ("%s (%g)", rules{r, 2}, rules{r, 3}));
endfor
printf ("\n");
y = zeros (numel (x), rows (rules));
for r = 1:rows (rules)
  y(:, r) = penaltyShrink (x, numel (x), lambda, rules{r, 3}, rules{r, 1});
endfor
for i = 1:numel (x)
  printf ("%8.3f", x(i));
  printf ("  %16.6f", y(i, :));
  printf ("\n");
endfor

printf ("\npenaltySum(x, %d, lambda = %g, theta, code)\n\n", numel (x), lambda);
for r = 1:rows (rules)
  printf ("  %-16s %12.6f\n", sprintf ("%s (%g)", rules{r, 2}, rules{r, 3}), ...
          penaltySum (x, numel (x), lambda, rules{r, 3}, rules{r, 1}));
endfor
