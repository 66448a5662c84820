function start_suite ()
  % Puts the built MEX files on the path and resets the counters.
  global TEST_FAILURES TEST_COUNT
  TEST_FAILURES = {};
  TEST_COUNT = 0;
  mex_dir = getenv ("PENALTY_MEX_DIR");
  if (isempty (mex_dir))
    mex_dir = fullfile (fileparts (mfilename ("fullpath")), "..", "..", "dist", "octave");
  endif
  addpath (mex_dir);
endfunction
