% penaltySum through the real host: a 1-by-1 result for every count,
% truncation of n and code, the worked sums, and every bad call.
1;
start_suite ();
f = @penaltySum;

expect_bits ("capped-l1", f ([0.5 -1 3], 3, 2, 1, 1), 5);
expect_bits ("SCAD borders", f ([1 -2 3 4], 4, 1, 3, 3), 6.75);
expect_bits ("MCP border", f ([1 -2 3], 3, 1, 2, 4), 2.75);
expect_bits ("log-sum", f ([0 -2], 2, 3, 2, 2), 3 * 0.6931471805599453);
expect_bits ("SCAD theta = 1", f ([1 3], 2, 2, 1, 3), 6);
expect_bits ("matrix x", f ([0.5 3; -1 9], 3, 2, 1, 1), 5);

% Counts: truncation, and nothing to sum.
expect_bits ("n = 2.9", f ([1 2 4], 2.9, 1, 10, 1), 3);
expect_bits ("n = -0.5", f ([1 2 4], -0.5, 1, 10, 1), 0);
expect_bits ("n NaN", f ([1 2 4], NaN, 1, 10, 1), 0);
expect_bits ("n = 2^31", f ([1 2 4], 2^31, 1, 10, 1), 0);
expect_bits ("empty, lambda < 0", f ([], 0, -2, 1, 1), -0);
expect_bits ("empty, lambda Inf", f ([], 0, Inf, 1, 2), NaN);
expect_bits ("empty SCAD, lambda NaN", f ([], 0, NaN, 1, 3), 0);

% Codes.
x = [-3 -1.5 0.5 2.2 3.7];
capped = f (x, 5, 1, 3, 1);
for code = [0 5 -1 NaN 1.9]
  expect_bits (sprintf ("code %g", code), f (x, 5, 1, 3, code), capped);
endfor
expect_bits ("code 2.7", f (x, 5, 1, 3, 2.7), f (x, 5, 1, 3, 2));
expect_bits ("code 4.2", f (x, 5, 1, 3, 4.2), f (x, 5, 1, 3, 4));
expect_bits ("signs do not matter", f (-x, 5, 1, 3, 3), f (x, 5, 1, 3, 3));
expect_bits ("int8 code", f (x, 5, 1, 3, int8 (3)), f (x, 5, 1, 3, 3));

x = [1 -2 3];
s = f (x, 3, 1, 2, 4);
expect_bits ("x unchanged", x, [1 -2 3]);

check_bad_calls ("penaltySum");
try
  [a, b] = f (2, 1, 1, 2, 1);
  expect_true ("two outputs raise an error", false);
catch err
  expect_true ("two outputs: tooManyOutputs", strcmp (err.identifier, "penaltySum:tooManyOutputs"));
end_try_catch
messages = {{int8([1 2]), 2, 1, 2, 1}, "it is a 1-by-2 int8 array"; {[1 2 3 4], 12, 1, 2, 1}, "N (12) exceeds the number of elements of X (4)"; ...
            {[1 2], 2, 1, {2}, 1}, "THETA must be a real, non-empty numeric or logical value; it is a 1-by-1 cell array"};
expect_messages (f, messages);
expect_bits ("still running after bad calls", f (2, 1, 1, 2, 1), 2);

finish_suite ("penaltySum");
