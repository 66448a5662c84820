function start_suite ()
  % Puts the built MEX files on the path (PENALTY_MEX_DIR, or dist/octave).
  mex_dir = getenv ("PENALTY_MEX_DIR");
  if (isempty (mex_dir))
    mex_dir = fullfile (fileparts (mfilename ("fullpath")), "..", "..", "..", "dist", "octave");
  endif
  addpath (mex_dir);
endfunction
