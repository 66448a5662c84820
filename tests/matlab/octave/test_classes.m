% Single, complex and sparse x through the real host: single results are
% the double results rounded once (scalar and per-element weights of either
% class, steps), complex ones act on the modulus and keep the phase, sparse
% ones agree with the full call for random patterns (all-zero and empty
% among them), and the classes still refused raise invalidX.
1;
start_suite ();
function same = same_single (a, b)
  same = isa (a, "single") && isa (b, "single") && isequal (size (a), size (b)) ...
         && all ((isnan (a(:)) & isnan (b(:))) | typecast (a(:), "uint32") == typecast (b(:), "uint32"));
endfunction
function same = same_double (a, b)  % by bits; NaNs alike
  same = isa (a, "double") && isa (b, "double") && isequal (size (a), size (b)) ...
         && all ((isnan (a(:)) & isnan (b(:))) | typecast (a(:), "uint64") == typecast (b(:), "uint64"));
endfunction
calls = {"l1", []; "l0", []; "capped-l1", 2; "log-sum", 1; "scad", 3.7; "mcp", 3; "l1/2", []; "l2/3", []; ...
         "elastic-net", 0.5};
fs = {@penaltyProx, @penaltyValue, @penaltyDerivative};
randn ("state", 25);
rand ("state", 25);

x = single (3 * randn (400, 5));
x(1:17:end) = 0;
x(2:3) = [Inf -Inf];
x(4) = NaN;
x(5) = -0;
w = single (exp (randn (size (x))));
w(1:9:end) = 0;
for k = 1:rows (calls)
  [name, theta] = calls{k, :};
  for j = 1:3
    step = {};
    if (j == 1)
      step = {0.3};
    endif
    f = fs{j};
    label = sprintf ("%s %s single", func2str (f), name);
    expect_true ([label ", single weights"], same_single (f (x, name, w, theta, step{:}), ...
                                                          single (f (double (x), name, double (w), theta, step{:}))));
    expect_true ([label ", double weights"], same_single (f (x, name, double (w), theta, step{:}), ...
                                                          single (f (double (x), name, double (w), theta, step{:}))));
    expect_true ([label ", one single weight"], same_single (f (x, name, single (0.7), theta, step{:}), ...
                                                             single (f (double (x), name, double (single (0.7)), theta, step{:}))));
  endfor
endfor

% Complex: the map of |z| with the phase kept; value and derivative of |z|.
z = complex (3 * randn (300, 2), 3 * randn (300, 2));
z(1:11:end) = complex (real (z(1:11:end)), 0);
for k = 1:rows (calls)
  [name, theta] = calls{k, :};
  p = penaltyProx (z, name, 1.5, theta, 0.5);
  r = penaltyProx (abs (z), name, 1.5, theta, 0.5);
  kept = r > 0;
  expect_true ([name " complex prox is r*z/|z|"], iscomplex (p) && all (abs (p(kept) - r(kept) .* z(kept) ./ abs (z(kept))) ...
                                                                       <= 4 * eps * abs (r(kept))) && all (p(! kept) == 0));
  expect_true ([name " complex value is p(|z|)"], all (abs (penaltyValue (z, name, 1.5, theta) ...
                                                            - penaltyValue (abs (z), name, 1.5, theta)) <= 4 * eps * abs (penaltyValue (abs (z), name, 1.5, theta)) + realmin));
  d = penaltyDerivative (z, name, 1.5, theta);
  expect_true ([name " complex derivative is real"], isreal (d) && isa (d, "double"));
  zs = single (z);
  ps = penaltyProx (zs, name, 1.5, theta, 0.5);
  pd = penaltyProx (double (zs), name, 1.5, theta, 0.5);
  expect_true ([name " complex single is the double rounded once per part"], isa (ps, "single") ...
               && same_single (real (ps), single (real (pd))) && same_single (imag (ps), single (imag (pd))));
endfor
expect_true ("zero weight returns z", isequal (penaltyProx ([3+4i, -1-2i], "mcp", [0 0], 3), [3+4i, -1-2i]));
expect_true ("a kept element comes back exactly", isequal (penaltyProx (complex (-3, 4), "l0", 1), complex (-3, 4)));
expect_true ("|3 + 4i| = 5", penaltyValue (complex (3, 4), "l1", 1) == 5 && penaltyValue (complex (1e308, 1e308), "l1", 1) == 1e308 * sqrt (2));
t = penaltyProx (complex (-3, 2), "l1", 10);
expect_true ("a thresholded element keeps the signs of its parts", real (t) == 0 && 1 / real (t) == -Inf);
expect_true ("l1 shrinks the modulus by lambda", abs (penaltyProx (complex (-3, 4), "l1", 2.5) - complex (-1.5, 2)) == 0);
n = penaltyProx (complex ([Inf NaN], [NaN 2]), "l1", 1);
expect_true ("NaN and Inf parts come back as they are", isinf (real (n(1))) && isnan (imag (n(1))) && isnan (real (n(2))) && imag (n(2)) == 2);

% Sparse: the full call's result, with the zeros it makes not stored.
for trial = 1:30
  m = randi (12) - (trial == 7) * 0;
  if (trial == 5)
    m = 0;
  endif
  n = randi (15);
  density = [0 0.05 0.3 1](1 + mod (trial, 4));
  s = sprandn (m, n, density) * 3;
  wf = rand (m, n) * 2;
  wf(1:4:end) = 0;
  [name, theta] = calls{1 + mod (trial, rows (calls)), :};
  ps = penaltyProx (s, name, wf, theta, 0.7);
  pf = penaltyProx (full (s), name, wf, theta, 0.7);
  vs = penaltyValue (s, name, wf, theta);
  vf = penaltyValue (full (s), name, wf, theta);
  ds = penaltyDerivative (s, name, wf, theta);
  label = sprintf ("sparse %s %dx%d density %g", name, m, n, density);
  expect_true ([label " prox"], issparse (ps) && same_double (full (ps), pf + 0) && nnz (ps) == nnz (pf) && nzmax (ps) >= nnz (ps));
  expect_true ([label " value"], issparse (vs) && same_double (full (vs), vf + 0) && nnz (vs) == nnz (vf));
  expect_true ([label " derivative is full"], ! issparse (ds) && same_double (ds, penaltyDerivative (full (s), name, wf, theta)));
  expect_true ([label " one weight"], same_double (full (penaltyProx (s, name, 0.8, theta)), penaltyProx (full (s), name, 0.8, theta) + 0));
endfor
expect_true ("sparse single weights", same_double (full (penaltyProx (sparse ([0 2 -3]), "l1", single ([1 1 0.5]))), [0 1 -2.5]));
expect_error ("sparse: a bad weight where nothing is stored", "penaltyValue:invalidLambda", @penaltyValue, sparse ([1 0 2]), "l1", [1 -1 1]);

for f = fs
  name = func2str (f{1});
  for bad = {int8([1 2]), true(1, 2), "ab", {1, 2}, sparse(true(1, 2)), complex(sparse([1 2]), sparse([0 1]))}
    expect_error ([name " " class(bad{1})], [name ":invalidX"], f{1}, bad{1}, "l1", 1);
  endfor
  try
    f{1} (int8 ([1 2]), "l1", 1);
  catch err
    expect_true ([name " says which classes are accepted"], ! isempty (strfind (err.message, "single")) ...
                 && ! isempty (strfind (err.message, "sparse")) && ! isempty (strfind (err.message, "complex")));
  end_try_catch
endfor
finish_suite ("test_classes");
