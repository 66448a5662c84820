% The Octave package installs with pkg into a fresh prefix, loads, and runs.
1;
start_suite ();
checks = cell (0, 3);
tarball = getenv ("PENALTY_PACKAGE");
prefix = tempname ();
mkdir (prefix);
pkg ("prefix", prefix, prefix);
pkg ("local_list", fullfile (prefix, "octave_packages"));
pkg ("global_list", fullfile (prefix, "octave_packages_global"));
rmpath (getenv ("PENALTY_MEX_DIR")); % only the installed copy may answer
pkg ("install", tarball);
description = evalc ('pkg ("describe", "-verbose", "sparsepenalty")');
for name = {"l1,", "l0,", "capped-l1", "log-sum", "SCAD", "MCP"}
  checks(end+1, :) = {["pkg describe names " name{1}], ! isempty(strfind(description, name{1})), true};
endfor
[~, info] = pkg ("list", "sparsepenalty");
checks(end+1, :) = {"depends on Octave 6", strcmp(info{1}.depends{1}.package, "octave"), true};
contents = fileread (fullfile (fileparts (mfilename ("fullpath")), "..", "..", "..", "matlab", "help", "Contents.m"));
checks(end+1, :) = {"version as in Contents.m", ! isempty(strfind(contents, ["% Version " info{1}.version " "])), true};
pkg ("load", "sparsepenalty");
checks(end+1, :) = {"installed MEX is the one called", strncmp(which("penaltyShrink"), prefix, numel(prefix)), true};
checks(end+1, :) = {"installed penaltyShrink", penaltyShrink([-2 0.5 4.00000001], 3, 1, 4, 3), [-1; 0; 4]};
checks(end+1, :) = {"installed penaltySum", penaltySum([1 -2 3], 3, 1, 2, 4), 2.75};
checks(end+1, :) = {"installed help", ! isempty(strfind(evalc("help penaltyShrink"), "PENALTYSHRINK")), true};
checks(end+1, :) = {"installed errors", raised(0, @penaltySum, single(1), 1, 1, 1, 1), "penaltySum:invalidX"};
overview = evalc ("help sparsepenalty");
for name = strsplit (char (penaltyFitCore ([])), ", ")
  checks(end+1, :) = {["help sparsepenalty lists " name{1}], ! isempty(strfind(overview, ["'" name{1} "'"])), true};
endfor
for name = {"penaltyProx", "penaltyValue", "penaltyDerivative", "penaltyShrink", "penaltySum"}
  checks(end+1, :) = {["help sparsepenalty lists " name{1}], ! isempty(strfind(overview, name{1})), true};
  [passed, total] = test (name{1}, "quiet");
  checks(end+1, :) = {["installed self-tests of " name{1}], total > 3 && passed == total, true};
endfor
% The demos: penaltyProx's own (drawn off screen), and the demo functions.
quiet = warning ("off", "Octave:gnuplot-graphics");
graphics_toolkit ("gnuplot");
set (0, "defaultfigurevisible", "off");
shown = evalc ("demo penaltyProx 2");
warning (quiet);
close all;
checks(end+1, :) = {"demo penaltyProx", ! isempty(strfind(shown, "nonzeros found 8 (true 8)")), true};
checks(end+1, :) = {"demos installed", exist("penalty_demo") == 2 && exist("lla_demo") == 2, true};
% penaltyFit, an M file over its MEX core, is installed beside it.
checks(end+1, :) = {"installed penaltyFit", strncmp(which("penaltyFit"), prefix, numel(prefix)), true};
[B, info] = penaltyFit ([1 0; 0 1; 1 1; 2 0; 0 3], [1; 2; 3; 4; 5], "mcp", "NumLambda", 4);
checks(end+1, :) = {"installed penaltyFit runs", isequal(size(B), [2 4]) && all(info.Converged), true};
pkg ("unload", "sparsepenalty");
confirm_recursive_rmdir (false);
rmdir (prefix, "s");
run_table ("package", checks);
