% penaltyProx through the real host: results of x's size for any shape,
% the identity with penaltyShrink at a unit step, weights element by
% element, the conventions, and every bad call raising its identifier.
1;
start_suite ();
f = @penaltyProx;

% Shapes: the result has the size of x, whatever it is.
x = reshape ([-3 -1.5 0.5 2.2 3.7 -0 4 -5 0.25 1 -2 6], 2, 3, 2);
calls = {"l1", []; "l0", []; "capped-l1", 2; "log-sum", 1; "scad", 3.7; "mcp", 3};
for k = 1:rows (calls)
  expect_true ([calls{k, 1} " keeps a 2x3x2 shape"], isequal (size (f (x, calls{k, 1}, 1, calls{k, 2})), [2 3 2]));
endfor
expect_bits ("2x3x2 l1", f (x, "l1", 1), reshape ([-2 -0.5 0 (2.2 - 1) (3.7 - 1) 0 3 -4 0 0 -1 5], 2, 3, 2));
expect_bits ("row", f ([-3 1.5], "l1", 1, [], 0.5), [-2.5 1]);
expect_bits ("0x3", f (zeros (0, 3), "scad", 1, 3.7), zeros (0, 3));
expect_bits ("empty x, empty lambda", f ([], "mcp", [], 3), []);

% With gamma = 1 and one weight, codes 1, 3 and 4 are penaltyShrink, bit for
% bit; log-sum's penaltyProx is exact where penaltyShrink keeps its fixed
% steps, and the two agree to within a few ulps here, away from tiny ratios.
randn ("state", 3);
x = 3 * randn (40, 25);
thetas = [2 1 3.7 3];
for code = [1 3 4]
  expect_bits (sprintf ("code %d is penaltyShrink", code), f (x, code, 1.25, thetas(code)), ...
               reshape (penaltyShrink (x, numel (x), 1.25, thetas(code), code), size (x)));
endfor
shrunk = reshape (penaltyShrink (x, numel (x), 1.25, 1, 2), size (x));
expect_true ("code 2 is penaltyShrink to a few ulps", all (abs (f (x, 2, 1.25, 1) - shrunk) <= 4 * eps (abs (x))));
expect_bits ("names in any case", f (x, "SCAD", 1.25, 3.7, 0.5), f (x, 3, 1.25, 3.7, 0.5));

% Weights: each element's lambda is its own, exactly as one call per element.
w = exp (randn (size (x)));
w(1:7:end) = 0;
for k = 1:rows (calls)
  together = f (x, calls{k, 1}, w, calls{k, 2}, 0.3);
  alone = arrayfun (@(xi, wi) f (xi, calls{k, 1}, wi, calls{k, 2}, 0.3), x, w);
  expect_bits ([calls{k, 1} " weights element by element"], together, alone);
endfor
expect_bits ("zero weight returns x", f ([-0 -2 3], "scad", [0 0 0], 3.7, 2), [-0 -2 3]);
expect_bits ("non-finite elements", f ([Inf -Inf NaN], "log-sum", 1, 1, 5), [Inf -Inf NaN]);
expect_bits ("a step beyond theta - 1", f (20.1, "scad", 1, 3.7, 3), 20.1);
expect_bits ("MCP thresholds at lambda*sqrt(gamma*theta)", f ([1.5 -0.9], "mcp", 1, 0.5, 2), [1.5 -0]);
expect_bits ("l0 thresholds at sqrt(2*gamma*lambda)", f ([0.75 1.25], "l0", 1, [], 0.5), [0 1.25]);
expect_bits ("no overflow near realmax", f ([realmax -1e300], "log-sum", 1, 1), [realmax -1e300]);
% Reported wrong before: log-sum just above gamma*lambda/theta (was 1e-10 0 0),
% an overflowing capped-l1 threshold (was 0), the range SCAD and MCP refuse.
expect_true ("log-sum above its threshold", all (abs (f ([1.001e-7 1.01e-7 1.03e-7], "log-sum", 0.1, 1e6) ...
                                                  - [1e-10 1e-9 3e-9]) <= 1e-12 * [1e-10 1e-9 3e-9]));
expect_bits ("capped-l1 with an overflowing threshold", f (8.4e5, "capped-l1", 1e10, 1e-300, 1e300), 8.4e5);
messages = {{[0.5 2], "scad", 1, realmax}, "in (2, 1e+150]"; {[0.5 2], "mcp", 1, 3, realmax}, "in [1e-150, 1e+150]"};
expect_messages (f, messages);

% An infinite weight holds the element at 0 (-0 for a negative one), so the
% first LLA stage from zero runs for every penalty: p'(0+) is Inf for l0,
% l1/2 and l2/3, and those elements stay at 0.
expect_bits ("an infinite weight", f ([-2 -0 0 3 -Inf Inf NaN], "scad", Inf, 3.7, 2), [-0 0 0 0 -0 0 NaN]);
x = [-2 -0 0 0.5 3];
lla = {"l1", [], 1; "l0", [], Inf; "capped-l1", 2, 1; "log-sum", 0.5, 2; "scad", 3.7, 1; "mcp", 3, 1; ...
       "l1/2", [], Inf; "l2/3", [], Inf; "elastic-net", 0.5, 0.5};
for k = 1:rows (lla)
  w = penaltyDerivative (zeros (size (x)), lla{k, 1}, 1, lla{k, 2});
  expect_bits ([lla{k, 1} " p'(0+)"], w, repmat (lla{k, 3}, size (x)));
  expect_bits ([lla{k, 1} " first LLA stage"], f (x, "l1", w, [], 0.5), f (x, "l1", lla{k, 3}, [], 0.5));
  expect_bits ([lla{k, 1} " held at 0"], f (x, lla{k, 1}, [Inf 1 Inf Inf Inf], lla{k, 2}), [-0 0 0 0 0]);
endfor

% x is never written, even when the result could share its storage.
x = [1 -2 3];
y = f (x, "l1", 1);
expect_bits ("x unchanged", x, [1 -2 3]);

% Bad calls: each raises its identifier, says what it received, and the
% host survives.
check_bad_calls ("penaltyProx");
try
  [a, b] = f (1, "l1", 1);
  expect_true ("two outputs raise an error", false);
catch err
  expect_true ("two outputs: tooManyOutputs", strcmp (err.identifier, "penaltyProx:tooManyOutputs"));
end_try_catch
messages = {{[1 2], "scad", 1, 1.5}, "it is 1.5"; {[1 2], "foo", 1}, "'foo'"; ...
            {int16([1 2]), "l1", 1}, "1-by-2 int16"; {[1 2], "l1", [1 -3]}, "LAMBDA(2) is -3"; ...
            {[1 2], ["mcp" char(0) "zz"], 1, 3}, 'PENALTY ''mcp\0zz'' is unknown'; ...
            {[1 2], repmat("scad", 1, 12), 1, 3}, "'scadscadscadscadscadscadscadscadscadscad...' (48 characters)"; ...
            {[1 2], "mcp", 1, 3, {}}, "GAMMA must be a finite scalar in [1e-150, 1e+150] for 'mcp'; it is a 0-by-0 cell"; ...
            {[1 2], "l1", 1, ""}, "'l1' takes no THETA"; {[1 2], "l1", [1 NaN]}, "LAMBDA(2) is NaN"};
expect_messages (f, messages);
expect_bits ("still running after bad calls", f (2, "l1", 1), 1);

finish_suite ("penaltyProx");
