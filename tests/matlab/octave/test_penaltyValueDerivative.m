% penaltyValue and penaltyDerivative through the real host: shapes, the
% agreement with penaltySum, the LLA conventions, and every bad call.
1;
start_suite ();
calls = {"l1", []; "l0", []; "capped-l1", 2; "log-sum", 1; "scad", 3.7; "mcp", 3};
randn ("state", 5);
x = reshape (3 * randn (1, 24), 2, 3, 4);
w = exp (randn (size (x)));
for k = 1:rows (calls)
  [name, theta] = calls{k, :};
  v = penaltyValue (x, name, w, theta);
  d = penaltyDerivative (x, name, w, theta);
  expect_true ([name " value keeps a 2x3x4 shape"], isequal (size (v), [2 3 4]));
  expect_true ([name " derivative keeps a 2x3x4 shape"], isequal (size (d), [2 3 4]));
  expect_bits ([name " values element by element"], v, arrayfun (@(xi, wi) penaltyValue (xi, name, wi, theta), x, w));
  expect_true ([name " derivatives are nonnegative weights"], all (d(:) >= 0));
endfor

% SCAD and MCP values add up to penaltySum in index order; capped-l1 and
% log-sum values are lambda times penaltySum's term.
x = 4 * randn (1000, 1);
for code = [3 4]
  v = penaltyValue (x, code, 1.25, 3.7);
  running = 0;
  for i = 1:numel (v)
    running = running + v(i);
  endfor
  expect_bits (sprintf ("code %d values add up to penaltySum", code), running, penaltySum (x, numel (x), 1.25, 3.7, code));
endfor
expect_bits ("but a NaN: its value is NaN, MCP's term the flat value", ...
             [penaltyValue(NaN, 4, 1, 3.7), penaltySum(NaN, 1, 1, 3.7, 4)], [NaN 1.85]);
for code = [1 2]
  terms = arrayfun (@(xi) penaltySum (xi, 1, 1, 3.7, code), x);
  expect_bits (sprintf ("code %d values are lambda times the terms", code), penaltyValue (x, code, 1.25, 3.7), 1.25 * terms);
endfor

% The first LLA stage from zero is the lasso: p'(0+) is lambda (lambda/theta
% for log-sum), and Inf for l0; capped-l1's jump takes the right derivative.
expect_bits ("p'(0+)", [penaltyDerivative(0, "scad", 2, 3.7), penaltyDerivative(-0, "mcp", 2, 3), ...
                        penaltyDerivative(0, "capped-l1", 2, 1), penaltyDerivative(0, "log-sum", 2, 4), ...
                        penaltyDerivative(0, "l1", 2), penaltyDerivative(0, "l0", 2)], [2 2 2 0.5 2 Inf]);
expect_bits ("capped-l1 at theta", penaltyDerivative ([-1 0.9999999999999999], "capped-l1", 2, 1), [0 2]);
expect_bits ("limits at Inf", [penaltyValue([Inf -Inf], "log-sum", 1, 1), penaltyDerivative([Inf -Inf], "scad", 1, 3.7)], ...
             [Inf Inf 0 0]);
expect_bits ("NaN gives NaN", [penaltyValue(NaN, "capped-l1", 1, 2), penaltyDerivative(NaN, "l0", 1)], [NaN NaN]);
expect_bits ("zero weight", [penaltyValue(5, "l0", 0), penaltyDerivative(0, "l0", 0)], [0 0]);
% An infinite weight is the constraint u = 0: +0 there, Inf elsewhere.
expect_bits ("infinite weight", penaltyValue ([-2 -0 0 3 -Inf NaN], "mcp", Inf, 3), [Inf 0 0 Inf Inf NaN]);
expect_bits ("infinite weights", penaltyValue ([-0 1e-300 2], "capped-l1", [Inf Inf 1], 0), [0 Inf 0]);

for name = {"penaltyValue", "penaltyDerivative"}
  check_bad_calls (name{1});
  try
    [a, b] = feval (name{1}, 1, "l1", 1);
    expect_true ([name{1} " two outputs raise an error"], false);
  catch err
    expect_true ([name{1} " two outputs: tooManyOutputs"], strcmp (err.identifier, [name{1} ":tooManyOutputs"]));
  end_try_catch
endfor
expect_bits ("still running after bad calls", penaltyValue (2, "l1", 1), 2);
finish_suite ("penaltyValue and penaltyDerivative");
