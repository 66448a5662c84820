% `help` must find the help text beside each MEX file (it stops doing so
% silently if the .m files move or gain code) and show the H1 line, the
% codes table and the error identifiers.
1;
start_suite ();
h1 = {"penaltyShrink", "PENALTYSHRINK Proximal map"; "penaltySum", "PENALTYSUM Value of a"};
for k = 1:rows (h1)
  name = h1{k, 1};
  expect_true ([name " resolves to the MEX file"], ! isempty (regexp (which (name), '\.mex$')));
  text = evalc (sprintf ("help %s", name));
  expect_true ([name " H1 line"], ! isempty (strfind (text, h1{k, 2})));
  for row = {"1     capped-l1", "2     log-sum", "3     SCAD", "4     MCP", "other capped-l1"}
    expect_true ([name " codes table: " row{1}], ! isempty (strfind (text, row{1})));
  endfor
  for id = {"notEnoughInputs", "invalidX", "invalidScalar", "countExceedsLength"}
    expect_true ([name " identifier " id{1}], ! isempty (strfind (text, [name ":" id{1}])));
  endfor
endfor
expect_true ("Contents lists both", numel (strfind (evalc ("help Contents"), "penalty")) >= 2);
finish_suite ("help");
