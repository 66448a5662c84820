% The gateways through the real host, as one table of checks {label,
% actual, expected}, each actual compared by its bits: shapes and argument
% conversions, worked cases with signs of zero, complex and sparse arrays,
% the messages, the help texts, and every call of the bad-call table
% raising its identifier (or none) while Octave keeps running. What the
% kernel tests prove (unit steps, per-element weights, sums of values,
% infinite weights, single rounding, the complex maps) is not repeated.
1;
start_suite ();
checks = cell (0, 3);
S = @penaltyShrink; U = @penaltySum; P = @penaltyProx; V = @penaltyValue; D = @penaltyDerivative;

% --- penaltyShrink and penaltySum: an n-by-1 (1-by-1) result for any x, truncated n and code
% (their worked values are the golden cases, which mex_host replays on every build) ---
x6 = [-3 -1.5 0.5 2.2 3.7 -0];
checks = [checks; {
  "row x", @() S([1 -2.5 0.5 2], 3, 1, 2, 1), [0; -1.5; 0];
  "matrix x", @() S([1 -2.5; 0.5 2], 4, 1, 2, 1), [0; 0; -1.5; 1];
  "n = 0", @() S([1 2 3], 0, 1, 2, 1), zeros(0, 1);
  "negative n", @() S([1 2 3], -4, 1, 2, 1), zeros(0, 1);
  "NaN n", @() S([1 2 3], NaN, 1, 2, 1), zeros(0, 1);
  "n = 2^31", @() S([1 2 3], 2^31, 1, 2, 1), zeros(0, 1);
  "empty x, n = 0", @() S([], 0, 1, 2, 1), zeros(0, 1);
  "fractional n", @() S([3 -3 3 3], 3.7, 1, 2, 1), [3; -3; 3];
  "n below 1", @() S([3 -3], 0.99, 1, 2, 1), zeros(0, 1);
  "codes outside 2..4 are capped-l1", @() [S(x6, 6, 1, 3, 0), S(x6, 6, 1, 3, -1), S(x6, 6, 1, 3, 5), S(x6, 6, 1, 3, NaN), ...
                                           S(x6, 6, 1, 3, 1.9), S(x6, 6, 1, 3, -0.5), S(x6, 6, 1, 3, Inf), S(x6, 6, 1, 3, 2^40)], ...
                                      repmat(S(x6, 6, 1, 3, 1), 1, 8);
  "codes truncate", @() [S(x6, 6, 1, 3, 2.9), S(x6, 6, 1, 3, 3.5), S(x6, 6, 1, 3, 4.999)], ...
                    [S(x6, 6, 1, 3, 2), S(x6, 6, 1, 3, 3), S(x6, 6, 1, 3, 4)];
  "int32 n", @() S([1 2 3], int32(2), 1, 2, 1), [0; 1];
  "logical n", @() S([5 2 3], true, 1, 2, 1), 5;
  "single lambda", @() S([1.5 2 3], 1, single(1), 2, 1), 0.5;
  "extra inputs ignored", @() S([1.5 2 3], 1, 1, 2, 1, "extra"), 0.5;
  "sum matrix x", @() U([0.5 3; -1 9], 3, 2, 1, 1), 5;
  "sum n = 2.9", @() U([1 2 4], 2.9, 1, 10, 1), 3;
  "sum n = -0.5, NaN, 2^31", @() [U([1 2 4], -0.5, 1, 10, 1), U([1 2 4], NaN, 1, 10, 1), U([1 2 4], 2^31, 1, 10, 1)], [0 0 0];
  "sum codes", @() [U(x6, 5, 1, 3, 0), U(x6, 5, 1, 3, NaN), U(x6, 5, 1, 3, 2.7), U(x6, 5, 1, 3, 4.2), U(x6, 5, 1, 3, int8(3))], ...
               [U(x6, 5, 1, 3, 1), U(x6, 5, 1, 3, 1), U(x6, 5, 1, 3, 2), U(x6, 5, 1, 3, 4), U(x6, 5, 1, 3, 3)];
  "sum: signs do not matter", @() U(-x6, 5, 1, 3, 3), U(x6, 5, 1, 3, 3)}];

% --- penaltyProx, penaltyValue, penaltyDerivative: results of x's size, names, worked cases ---
x = reshape ([-3 -1.5 0.5 2.2 3.7 -0 4 -5 0.25 1 -2 6], 2, 3, 2);
% Every penalty of the list, at its typical theta.
calls = listed_penalties ();
for k = 1:rows (calls)
  [name, theta] = calls{k, :};
  checks(end+1, :) = {[name " keeps a 2x3x2 shape"], [size(P(x, name, 1, theta)), size(V(x, name, 1, theta)), ...
                                                 size(D(x, name, 1, theta))], repmat([2 3 2], 1, 3)};
endfor
checks = [checks; {
  "2x3x2 l1", @() P(x, "l1", 1), reshape([-2 -0.5 0 (2.2 - 1) (3.7 - 1) 0 3 -4 0 0 -1 5], 2, 3, 2);
  "row", @() P([-3 1.5], "l1", 1, [], 0.5), [-2.5 1];
  "0x3", @() P(zeros(0, 3), "scad", 1, 3.7), zeros(0, 3);
  "empty x, empty lambda", @() P([], "mcp", [], 3), [];
  "names in any case", @() P(x, "SCAD", 1.25, 3.7, 0.5), P(x, 3, 1.25, 3.7, 0.5);
  "zero weight returns x", @() P([-0 -2 3], "scad", [0 0 0], 3.7, 2), [-0 -2 3];
  "non-finite elements", @() P([Inf -Inf NaN], "log-sum", 1, 1, 5), [Inf -Inf NaN];
  "MCP thresholds at lambda*sqrt(gamma*theta)", @() P([1.5 -0.9], "mcp", 1, 0.5, 2), [1.5 -0];
  "l0 thresholds at sqrt(2*gamma*lambda)", @() P([0.75 1.25], "l0", 1, [], 0.5), [0 1.25];
  "no overflow near realmax", @() P([realmax -1e300], "log-sum", 1, 1), [realmax -1e300];
  % Reported wrong before: log-sum just above gamma*lambda/theta (was 1e-10 0 0),
  % an overflowing capped-l1 threshold (was 0).
  "log-sum above its threshold", @() all(abs(P([1.001e-7 1.01e-7 1.03e-7], "log-sum", 0.1, 1e6) - [1e-10 1e-9 3e-9]) ...
                                          <= 1e-12 * [1e-10 1e-9 3e-9]), true;
  "capped-l1 with an overflowing threshold", @() P(8.4e5, "capped-l1", 1e10, 1e-300, 1e300), 8.4e5;
  "an infinite weight", @() P([-2 -0 0 3 -Inf Inf NaN], "scad", Inf, 3.7, 2), [-0 0 0 0 -0 0 NaN];
  % The first LLA stage from zero is the lasso: p'(0+) is lambda (lambda/theta
  % for log-sum), Inf for l0, l1/2 and l2/3; capped-l1's jump takes the right derivative.
  "p'(0+)", @() [D(0, "scad", 2, 3.7), D(-0, "mcp", 2, 3), D(0, "capped-l1", 2, 1), D(0, "log-sum", 2, 4), ...
                 D(0, "l1", 2), D(0, "l0", 2), D(0, "l1/2", 2), D(0, "l2/3", 2), D(0, "elastic-net", 2, 0.5)], [2 2 2 0.5 2 Inf Inf Inf 1];
  "limits at Inf", @() [V([Inf -Inf], "log-sum", 1, 1), D([Inf -Inf], "scad", 1, 3.7)], [Inf Inf 0 0];
  "NaN gives NaN", @() [V(NaN, "capped-l1", 1, 2), D(NaN, "l0", 1)], [NaN NaN];
  "a NaN's value is NaN, where MCP's penaltySum term is the flat value", @() [V(NaN, 4, 1, 3.7), U(NaN, 1, 1, 3.7, 4)], [NaN 1.85];
  "zero weight", @() [V(5, "l0", 0), D(0, "l0", 0)], [0 0];
  "an infinite weight is u = 0", @() V([-2 -0 0 3 -Inf NaN], "mcp", Inf, 3), [Inf 0 0 Inf Inf NaN];
  "infinite weights", @() V([-0 1e-300 2], "capped-l1", [Inf Inf 1], 0), [0 Inf 0]}];

% --- x is never written, even when the result could share its storage ---
for f = {S, U, P, V, D}
  x = [1 -2 3];
  if (any (strcmp (func2str (f{1}), {"penaltyShrink", "penaltySum"})))
    y = f{1} (x, 3, 1, 2, 1);
  else
    y = f{1} (x, "l1", 1);
  endif
  checks(end+1, :) = {[func2str(f{1}) ": x unchanged"], x, [1 -2 3]};
endfor

% --- Complex and sparse x (single rounding and the complex maps: class_drivers_test, modulus_mpfr_test) ---
randn ("state", 25); rand ("state", 25);
checks = [checks; {
  "complex: value and derivative are real", @() [iscomplex(V (complex (3, 4), "mcp", 1, 3)), iscomplex(D (complex (3, 4), "mcp", 1, 3))], [false false];
  "complex: zero weight returns z", @() P([3+4i, -1-2i], "mcp", [0 0], 3), [3+4i, -1-2i];
  "complex: a kept element comes back exactly", @() P(complex(-3, 4), "l0", 1), complex(-3, 4);
  "|3 + 4i| = 5, no overflow", @() [V(complex(3, 4), "l1", 1), V(complex(1e308, 1e308), "l1", 1)], [5, 1e308 * sqrt(2)];
  "a thresholded element keeps the sign of its real part", @() real(P(complex(-3, 2), "l1", 10)), -0;
  "l1 shrinks the modulus by lambda", @() P(complex(-3, 4), "l1", 2.5), complex(-1.5, 2);
  "NaN and Inf parts come back as they are", @() P(complex([Inf NaN], [NaN 2]), "l1", 1), complex([Inf NaN], [NaN 2])}];
% Sparse: the full call's result, with the zeros it makes not stored.
for trial = 1:30
  m = randi (12) * (trial != 5);
  n = randi (15);
  density = [0 0.05 0.3 1](1 + mod (trial, 4));
  s = sprandn (m, n, density) * 3;
  wf = rand (m, n) * 2; wf(1:4:end) = 0;
  [name, theta] = calls{1 + mod(trial, rows(calls)), :};
  ps = P (s, name, wf, theta, 0.7);
  label = sprintf ("sparse %s %dx%d density %g", name, m, n, density);
  checks = [checks; {[label " prox"], ps, sparse(P(full(s), name, wf, theta, 0.7) + 0);
               [label " prox stores what it holds"], nzmax(ps) >= nnz(ps), true;
               [label " value"], V(s, name, wf, theta), sparse(V(full(s), name, wf, theta) + 0);
               [label " derivative is full"], D(s, name, wf, theta), D(full(s), name, wf, theta);
               [label " one weight"], P(s, name, 0.8, theta), sparse(P(full(s), name, 0.8, theta) + 0)}];
endfor
checks(end+1, :) = {"sparse single weights", @() P(sparse([0 2 -3]), "l1", single([1 1 0.5])), sparse([0 1 -2.5])};

% --- Bad calls: every row of the table, two outputs, and what the messages say ---
gateways = {"penaltyShrink", "penaltySum", "penaltyProx", "penaltyValue", "penaltyDerivative"};
for g = gateways
  f = str2func (g{1});
  checks = [checks; bad_call_checks(g{1})];
  args = {2, "l1", 1};
  if (any (strcmp (g{1}, {"penaltyShrink", "penaltySum"})))
    args = {2, 1, 1, 2, 1};
  endif
  checks(end+1, :) = {[g{1} " two outputs"], raised(2, f, args{:}), [g{1} ":tooManyOutputs"]};
endfor
messages = {
  S, {single([1 2]), 2, 1, 2, 1}, "it is a 1-by-2 single array";
  S, {[1 2], 3, 1, 2, 1}, "N (3) exceeds the number of elements of X (2)";
  S, {[1 2], 2, [], 2, 1}, "LAMBDA must be";
  S, {[1 2], 2, 1, 2}, "4 were given";
  U, {int8([1 2]), 2, 1, 2, 1}, "it is a 1-by-2 int8 array";
  U, {[1 2 3 4], 12, 1, 2, 1}, "N (12) exceeds the number of elements of X (4)";
  U, {[1 2], 2, 1, {2}, 1}, "THETA must be a real, non-empty numeric or logical value; it is a 1-by-1 cell array";
  P, {[0.5 2], "scad", 1, realmax}, "in (2, 1e+150]";
  P, {[0.5 2], "mcp", 1, 3, realmax}, "in [1e-150, 1e+150]";
  P, {[1 2], "scad", 1, 1.5}, "it is 1.5";
  P, {[1 2], "foo", 1}, "'foo'";
  P, {int16([1 2]), "l1", 1}, "1-by-2 int16";
  P, {[1 2], "l1", [1 -3]}, "LAMBDA(2) is -3";
  P, {[1 2], ["mcp" char(0) "zz"], 1, 3}, 'PENALTY ''mcp\0zz'' is unknown';
  P, {[1 2], repmat("scad", 1, 12), 1, 3}, "'scadscadscadscadscadscadscadscadscadscad...' (48 characters)";
  P, {[1 2], "mcp", 1, 3, {}}, "GAMMA must be a finite scalar in [1e-150, 1e+150] for 'mcp'; it is a 0-by-0 cell";
  P, {[1 2], "l1", 1, ""}, "'l1' takes no THETA";
  P, {[1 2], "l1", [1 NaN]}, "LAMBDA(2) is NaN"};
for f = {P, V, D}  % x: the classes accepted are named
  messages(end+1:end+3, :) = {f{1}, {int8([1 2]), "l1", 1}, "single"; f{1}, {int8([1 2]), "l1", 1}, "sparse"; ...
                              f{1}, {int8([1 2]), "l1", 1}, "complex"};
endfor
for k = 1:rows (messages)
  [f, args, text] = messages{k, :};
  checks(end+1, :) = {sprintf("%s message says %s", func2str(f), text), ! isempty(strfind(error_message(f, args{:}), text)), true};
endfor
checks(end+1, :) = {"still running after bad calls", @() [S(2, 1, 1, 2, 1), U(2, 1, 1, 2, 1), P(2, "l1", 1)], [1 2 1]};

% --- Help: found beside each MEX file, H1 lines, every identifier documented, self-tests ---
folder = fileparts (which ("penaltyProx"));
overview = evalc ("help sparsepenalty");
contents = evalc ("help Contents");
for g = [gateways {"penaltyFit"}]
  name = g{1};
  text = evalc (sprintf ("help %s", name));
  h1 = regexp (fileread (fullfile (folder, [name ".m"])), '^%[^\n]*', "match", "once", "lineanchors");
  ids = setdiff (unique ({read_bad_calls(name).expected}), {"ok"});
  [passed, total] = test (name, "quiet");
  checks = [checks; {
    [name " help: its H1 line"], strncmp(h1, ["%" upper(name) " "], numel(name) + 2) ...
                                 && numel(h1) <= 75, true;
    [name " help shows its text and stops before the tests"], ! isempty(strfind(text, upper(name))) ...
                                                              && isempty(strfind(text, "%!")), true;
    [name " help documents every identifier of the table"], all(cellfun(@(id) ! isempty(strfind(text, [name ":" id])), ids)), true;
    [name " self-tests pass"], total > 3 && passed == total, true;
    [name " is listed in help sparsepenalty and Contents"], ! isempty(strfind(overview, name)) ...
                                                            && ! isempty(strfind(contents, name)), true}];
  if (! strcmp (name, "penaltyFit"))
    checks(end+1, :) = {[name " resolves to the MEX file"], ! isempty(regexp(which(name), '\.mex$')), true};
  endif
endfor
% The M functions' own self-tests (the plots draw headless with gnuplot).
for name = {"penaltyFitPlot", "penaltyFitFolds", "penaltyFitCVSummary"}
  h1 = regexp (fileread (fullfile (folder, [name{1} ".m"])), '^%[^\n]*', "match", "once", "lineanchors");
  [passed, total] = test (name{1}, "quiet");
  checks = [checks; {[name{1} " help: its H1 line"], strncmp(h1, ["%" upper(name{1}) " "], numel(name{1}) + 2) && numel(h1) <= 75, true;
                     [name{1} " self-tests"], total > 3 && passed == total, true;
                     ["Contents lists " name{1}], ! isempty(strfind(contents, name{1})), true}];
endfor
contents_m = fileread (fullfile (folder, "Contents.m"));
[passed, total] = test ("sparsepenalty", "quiet");
checks = [checks; {"Contents has MATLAB's Version line", ! isempty(regexp(contents_m, '\A[^\n]*\n% Version \d+\.\d+\.\d+ \d\d-[A-Z][a-z]{2}-\d{4}\n')), true;
             "test sparsepenalty", total > 0 && passed == total, true}];
for name = {"sparsepenalty", "Contents"}
  h1 = regexp (fileread (fullfile (folder, [name{1} ".m"])), '^%[^\n]*', "match", "once", "lineanchors");
  checks(end+1, :) = {[name{1} " H1 line short enough not to wrap"], numel(h1) > 20 && numel(h1) <= 75, true};
endfor
run_table ("gateways", checks);
