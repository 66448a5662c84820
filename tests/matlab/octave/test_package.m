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
pkg ("load", "sparsepenalty");
expect_true ("installed MEX is the one called", strncmp (which ("penaltyShrink"), prefix, numel (prefix)));
expect_bits ("installed penaltyShrink", penaltyShrink ([-2 0.5 4.00000001], 3, 1, 4, 3), [-1; 0; 4]);
expect_bits ("installed penaltySum", penaltySum ([1 -2 3], 3, 1, 2, 4), 2.75);
expect_true ("installed help", ! isempty (strfind (evalc ("help penaltyShrink"), "PENALTYSHRINK")));
expect_error ("installed errors", "penaltySum:invalidX", @penaltySum, single (1), 1, 1, 1, 1);
pkg ("unload", "sparsepenalty");
confirm_recursive_rmdir (false);
rmdir (prefix, "s");
finish_suite ("package");
