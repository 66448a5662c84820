% The Octave package installs with pkg into a fresh prefix, loads, and runs.
1;
start_suite ();
tarball = getenv ("PENALTY_PACKAGE");
prefix = tempname ();
mkdir (prefix);
pkg ("prefix", prefix, prefix);
pkg ("local_list", fullfile (prefix, "octave_packages"));
pkg ("global_list", fullfile (prefix, "octave_packages_global"));
rmpath (getenv ("PENALTY_MEX_DIR")); % only the installed copy may answer
pkg ("install", tarball);
description = evalc ('pkg ("describe", "-verbose", "sparsepenalty")');
for name = {"l1,", "l0,", "capped-l1", "log-sum", "SCAD", "MCP", "l1/2", "l2/3", "elastic-net"}
  expect_true (["pkg describe names " name{1}], ! isempty (strfind (description, name{1})));
endfor
[~, info] = pkg ("list", "sparsepenalty");
expect_true ("depends on Octave 6", strcmp (info{1}.depends{1}.package, "octave"));
contents = fileread (fullfile (fileparts (mfilename ("fullpath")), "..", "..", "..", "matlab", "help", "Contents.m"));
expect_true ("version as in Contents.m", ! isempty (strfind (contents, ["% Version " info{1}.version " "])));
pkg ("load", "sparsepenalty");
expect_true ("installed MEX is the one called", strncmp (which ("penaltyShrink"), prefix, numel (prefix)));
expect_bits ("installed penaltyShrink", penaltyShrink ([-2 0.5 4.00000001], 3, 1, 4, 3), [-1; 0; 4]);
expect_bits ("installed penaltySum", penaltySum ([1 -2 3], 3, 1, 2, 4), 2.75);
expect_true ("installed help", ! isempty (strfind (evalc ("help penaltyShrink"), "PENALTYSHRINK")));
expect_error ("installed errors", "penaltySum:invalidX", @penaltySum, single (1), 1, 1, 1, 1);
overview = evalc ("help sparsepenalty");
for name = {"penaltyProx", "penaltyValue", "penaltyDerivative", "penaltyShrink", "penaltySum"}
  expect_true (["help sparsepenalty lists " name{1}], ! isempty (strfind (overview, name{1})));
  [passed, total] = test (name{1}, "quiet");
  expect_true (["installed self-tests of " name{1}], total > 3 && passed == total);
endfor
% The demos: penaltyProx's own (drawn off screen), and the demo functions.
quiet = warning ("off", "Octave:gnuplot-graphics");
graphics_toolkit ("gnuplot");
set (0, "defaultfigurevisible", "off");
shown = evalc ("demo penaltyProx 2");
warning (quiet);
close all;
expect_true ("demo penaltyProx", ! isempty (strfind (shown, "nonzeros found 8 (true 8)")));
expect_true ("demos installed", exist ("penalty_demo") == 2 && exist ("lla_demo") == 2);
% penaltyFit, an M file over its MEX core, is installed beside it.
expect_true ("installed penaltyFit", strncmp (which ("penaltyFit"), prefix, numel (prefix)));
[B, info] = penaltyFit ([1 0; 0 1; 1 1; 2 0; 0 3], [1; 2; 3; 4; 5], "mcp", "NumLambda", 4);
expect_true ("installed penaltyFit runs", isequal (size (B), [2 4]) && all (info.Converged));
pkg ("unload", "sparsepenalty");
confirm_recursive_rmdir (false);
rmdir (prefix, "s");
finish_suite ("package");
