% penaltyShrink through the real host: shapes, truncation, the worked cases
% that exercise signs of zero, and every bad call raising its identifier
% while Octave keeps running.
1;
start_suite ();
f = @penaltyShrink;

% Shapes: the result is n-by-1 whatever the shape of x.
expect_bits ("row x", f ([1 -2.5 0.5 2], 3, 1, 2, 1), [0; -1.5; 0]);
expect_bits ("matrix x", f ([1 -2.5; 0.5 2], 4, 1, 2, 1), [0; 0; -1.5; 1]);
expect_bits ("n = 0", f ([1 2 3], 0, 1, 2, 1), zeros (0, 1));
expect_bits ("negative n", f ([1 2 3], -4, 1, 2, 1), zeros (0, 1));
expect_bits ("NaN n", f ([1 2 3], NaN, 1, 2, 1), zeros (0, 1));
expect_bits ("n = 2^31", f ([1 2 3], 2^31, 1, 2, 1), zeros (0, 1));
expect_bits ("empty x, n = 0", f ([], 0, 1, 2, 1), zeros (0, 1));
expect_bits ("fractional n", f ([3 -3 3 3], 3.7, 1, 2, 1), [3; -3; 3]);
expect_bits ("n below 1", f ([3 -3], 0.99, 1, 2, 1), zeros (0, 1));

% Codes truncate; everything not 2, 3 or 4 is capped-l1.
x = [-3 -1.5 0.5 2.2 3.7 -0];
capped = f (x, 6, 1, 3, 1);
for code = [0 -1 5 NaN 1.9 -0.5 Inf 2^40]
  expect_bits (sprintf ("code %g", code), f (x, 6, 1, 3, code), capped);
endfor
expect_bits ("code 2.9", f (x, 6, 1, 3, 2.9), f (x, 6, 1, 3, 2));
expect_bits ("code 3.5", f (x, 6, 1, 3, 3.5), f (x, 6, 1, 3, 3));
expect_bits ("code 4.999", f (x, 6, 1, 3, 4.999), f (x, 6, 1, 3, 4));

% Worked cases through the host, signs of zero included.
expect_bits ("capped-l1", f ([0.5 -0.5 2.5 -2.5 3 -0], 6, 1, 2, 1), [0; -0; 1.5; -1.5; 3; 0]);
expect_bits ("log-sum", f ([3 -1 -0.5 NaN], 4, 1, 1, 2), [2.732050807568877; -0; 0; -0]);
expect_bits ("SCAD", f ([-0.5 2 4.00000001 -Inf NaN], 5, 1, 4, 3), [-0; 1; 4; -1; NaN]);
expect_bits ("MCP convex", f ([2 -0.5 2.99999999], 3, 1, 3, 4), [1.5; -0; 3]);
expect_bits ("MCP concave", f ([0.75 0.7071067811865475], 2, 1, 0.5, 4), [0.75; 0]);
expect_bits ("MCP linear", f ([1 0.9], 2, 1, 1, 4), [1; 0]);

% Integer and logical scalars are read as doubles.
expect_bits ("int32 n", f ([1 2 3], int32 (2), 1, 2, 1), [0; 1]);
expect_bits ("logical n", f ([5 2 3], true, 1, 2, 1), 5);
expect_bits ("single lambda", f ([1.5 2 3], 1, single (1), 2, 1), 0.5);
expect_bits ("extra inputs ignored", f ([1.5 2 3], 1, 1, 2, 1, "extra"), 0.5);

% x is never written, even when the result could share its storage.
x = [1 -2 3];
y = f (x, 3, 1, 2, 1);
expect_bits ("x unchanged", x, [1 -2 3]);

% Bad calls: each raises its identifier and the host survives.
check_bad_calls ("penaltyShrink");
try
  [a, b] = f (2, 1, 1, 2, 1);
  expect_true ("two outputs raise an error", false);
catch err
  expect_true ("two outputs: tooManyOutputs", strcmp (err.identifier, "penaltyShrink:tooManyOutputs"));
end_try_catch
messages = {{single([1 2]), 2, 1, 2, 1}, "it is a 1-by-2 single array"; {[1 2], 3, 1, 2, 1}, "N (3) exceeds the number of elements of X (2)"; ...
            {[1 2], 2, [], 2, 1}, "LAMBDA must be"; {[1 2], 2, 1, 2}, "4 were given"};
expect_messages (f, messages);
expect_bits ("still running after bad calls", f (2, 1, 1, 2, 1), 1);

finish_suite ("penaltyShrink");
