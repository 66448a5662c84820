% glm_cv_bench.m: 10-fold cross-validation on two threads against ten
% sequential fits (a benchmark, not a test). Environment: GLM_DATA and
% GLM_CASES as glm_bench.m reads them, PENALTY_FIT_PATH, GLM_PENALTY
% (default l1), GLM_REPEATS (default 3). For each case: the full fit at
% the case's 100 lambdas (one thread), penaltyFit with 'CV' 10 on
% OMP_NUM_THREADS = 2 (which also makes the full fit), and the ten fits
% with one fold's rows left out each, one after the other on one thread,
% at the same lambdas; prints the medians and CV's ratio to the ten fits.
1;
here = fileparts (mfilename ("fullpath"));
source (fullfile (here, "bench_io.m"));
root = fileparts (fileparts (here));
data_dir = env_or ("GLM_DATA", fullfile (root, "build", "glm-data"));
addpath (env_or ("PENALTY_FIT_PATH", fullfile (root, "dist", "octave")));
penalty = env_or ("GLM_PENALTY", "l1");
repeats = str2double (env_or ("GLM_REPEATS", "3"));
warning ("off", "penaltyFit:notConverged");
warning ("off", "penaltyFit:saturated");
old = getenv ("OMP_NUM_THREADS");
for name = strsplit (strtrim (env_or ("GLM_CASES", "binomial_n500_p5000_rho0.25")))
  c = read_case (fullfile (data_dir, name{1}));
  [n, family, X, y, lambda] = deal (c.n, c.family, c.X, c.y, c.lambda);
  folds = penaltyFitFolds (n, 10);
  args = {"Lambda", lambda, "Standardize", false, "Distribution", family};
  [full_t, cv_t, ten_t] = deal (zeros (1, repeats));
  for r = 1:repeats
    setenv ("OMP_NUM_THREADS", "1");
    started = tic;
    penaltyFit (X, y, penalty, args{:});
    full_t(r) = toc (started);
    started = tic;
    for k = 1:10
      keep = folds ~= k;
      penaltyFit (X(keep, :), y(keep), penalty, args{:});
    endfor
    ten_t(r) = toc (started);
    setenv ("OMP_NUM_THREADS", "2");
    started = tic;
    penaltyFit (X, y, penalty, args{:}, "CV", folds);
    cv_t(r) = toc (started);
  endfor
  printf ("| %s | %s | %.3f | %.3f | %.3f | %.2f |\n", name{1}, penalty, median (full_t), median (ten_t), ...
          median (cv_t), median (cv_t) / median (ten_t));
endfor
setenv ("OMP_NUM_THREADS", old);
