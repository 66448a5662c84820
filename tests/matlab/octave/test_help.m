% `help` must find the help text beside each MEX file (it stops doing so
% silently if the .m files move or gain code) and show the H1 line, the
% penalties, and every error identifier the bad-call table expects of it;
% `test` runs each function's self-tests, `lookfor` finds the penalties.
1;
start_suite ();
functions = {"penaltyShrink", "PENALTYSHRINK Unit-step proximal map", {"1     capped-l1", "4     MCP", "other capped-l1", "1.34e154"};
             "penaltySum", "PENALTYSUM Capped-l1, log-sum, SCAD or MCP", {"1     capped-l1", "3     SCAD", "other capped-l1"};
             "penaltyProx", "PENALTYPROX Proximal map with step size", {"'l0'", "'scad'", "code 4", "FISTA", "'l1/2'", "'elastic-net'", "10^7"};
             "penaltyValue", "PENALTYVALUE Penalty of each element", {"'log-sum'", "penaltySum", "within"};
             "penaltyDerivative", "PENALTYDERIVATIVE Derivative of", {"LLA", "right derivative", "within"}};
for k = 1:rows (functions)
  name = functions{k, 1};
  expect_true ([name " resolves to the MEX file"], ! isempty (regexp (which (name), '\.mex$')));
  text = evalc (sprintf ("help %s", name));
  expect_true ([name " H1 line"], ! isempty (strfind (text, functions{k, 2})));
  for row = functions{k, 3}
    expect_true ([name " text: " row{1}], ! isempty (strfind (text, row{1})));
  endfor
  for id = setdiff (unique ({read_bad_calls(name).expected}), {"ok"})
    expect_true ([name " documents " id{1}], ! isempty (strfind (text, [name ":" id{1}])));
  endfor
endfor
for k = 1:rows (functions)
  % Every text cites its references and links the other functions, and
  % holds the self-tests that `test` runs, none of which `help` shows.
  text = evalc (sprintf ("help %s", functions{k, 1}));
  expect_true ([functions{k, 1} " references"], ! isempty (strfind (text, "Fan and R. Li")));
  expect_true ([functions{k, 1} " see also"], ! isempty (regexp (text, "See also.*SPARSEPENALTY")));
  expect_true ([functions{k, 1} " help stops before the tests"], isempty (strfind (text, "%!")));
  [passed, total] = test (functions{k, 1}, "quiet");
  expect_true ([functions{k, 1} " self-tests pass"], total > 3 && passed == total);
endfor
overview = evalc ("help sparsepenalty");
contents = evalc ("help Contents");
for k = 1:rows (functions)
  expect_true (["help sparsepenalty lists " functions{k, 1}], ! isempty (strfind (overview, functions{k, 1})));
  expect_true (["Contents lists " functions{k, 1}], ! isempty (strfind (contents, functions{k, 1})));
endfor
% H1 lines short enough for lookfor and the Contents listing not to wrap;
% Contents.m has MATLAB's Version line; `test sparsepenalty` runs them all.
folder = fileparts (which ("penaltyProx"));
for name = [functions(:, 1)' {"sparsepenalty", "Contents"}]
  h1 = regexp (fileread (fullfile (folder, [name{1} ".m"])), '^%[^\n]*', "match", "once", "lineanchors");
  expect_true (sprintf ("%s H1 line of %d characters", name{1}, numel (h1)), numel (h1) > 20 && numel (h1) <= 75);
endfor
contents = fileread (fullfile (folder, "Contents.m"));
expect_true ("Contents Version line", ! isempty (regexp (contents, '\A[^\n]*\n% Version \d+\.\d+\.\d+ \d\d-[A-Z][a-z]{2}-\d{4}\n')));
[passed, total] = test ("sparsepenalty", "quiet");
expect_true ("test sparsepenalty", total > 0 && passed == total);
% The penalties' names are in the first lines, where lookfor searches.
for name = {"SCAD", "MCP", "log-sum", "capped-l1"}
  found = evalc (sprintf ("lookfor %s", name{1}));
  expect_true (["lookfor " name{1}], ! isempty (strfind (found, "penaltyShrink")) && ! isempty (strfind (found, "penaltySum")));
endfor
finish_suite ("help");
