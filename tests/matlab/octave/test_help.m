% `help` must find the help text beside each MEX file (it stops doing so
% silently if the .m files move or gain code) and show the H1 line, the
% penalties, and every error identifier the bad-call table expects of it.
1;
start_suite ();
functions = {"penaltyShrink", "PENALTYSHRINK Proximal map", {"1     capped-l1", "4     MCP", "other capped-l1"};
             "penaltySum", "PENALTYSUM Value of a", {"1     capped-l1", "3     SCAD", "other capped-l1"};
             "penaltyProx", "PENALTYPROX Proximal map with step size", {"'l0'", "'scad'", "code 4", "FISTA"};
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
contents = evalc ("help Contents");
for k = 1:rows (functions)
  expect_true (["Contents lists " functions{k, 1}], ! isempty (strfind (contents, functions{k, 1})));
endfor
finish_suite ("help");
