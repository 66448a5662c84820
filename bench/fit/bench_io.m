% bench_io.m: what the Octave sides of the fit benchmarks (fit_bench.m,
% glm_bench.m, glm_cv_bench.m) read their settings and cases with; each
% sources this file. A case folder (make_data.py's or glm_data.py's)
% holds meta.txt ("name value" pairs: n, p, kind, family, ...), X.f64
% (n-by-p, by columns), y.f64, lambda.f64 (descending) and, for a sparse
% case, its compressed columns Xp.i32, Xi.i32 (0-based) and Xx.f64.
1;
function v = env_or (name, default)
  v = getenv (name);
  if (isempty (v))
    v = default;
  endif
endfunction

% The little-endian values of FILE, of class TYPE ("double" when left out)
% read as doubles.
function a = read_raw (file, type)
  if (nargin < 2)
    type = "double";
  endif
  fid = fopen (file, "r", "ieee-le");
  if (fid < 0)
    error ("bench_io: cannot open %s", file);
  endif
  a = double (fread (fid, Inf, ["*" type]));
  fclose (fid);
endfunction

% The case in FOLDER: meta.txt's fields (n and p as numbers; intercept and
% standardize, where given, as logicals), X, y and lambda, and Xs, the
% sparse X of a case of kind sparse ([] otherwise).
function c = read_case (folder)
  text = fileread (fullfile (folder, "meta.txt"));
  fields = regexp (text, '(\w+) (\S+)', "tokens");
  for k = 1:numel (fields)
    c.(fields{k}{1}) = fields{k}{2};
  endfor
  c.n = str2double (c.n);
  c.p = str2double (c.p);
  for flag = {"intercept", "standardize"}
    if (isfield (c, flag{1}))
      c.(flag{1}) = strcmp (c.(flag{1}), "1");
    endif
  endfor
  c.X = reshape (read_raw (fullfile (folder, "X.f64")), c.n, c.p);
  c.y = read_raw (fullfile (folder, "y.f64"));
  c.lambda = read_raw (fullfile (folder, "lambda.f64"));  % descending
  c.Xs = [];
  if (isfield (c, "kind") && strcmp (c.kind, "sparse"))
    cp = read_raw (fullfile (folder, "Xp.i32"), "int32");
    ri = read_raw (fullfile (folder, "Xi.i32"), "int32");
    xv = read_raw (fullfile (folder, "Xx.f64"));
    cols = repelem ((1:c.p)', diff (cp));
    c.Xs = sparse (ri + 1, cols, xv, c.n, c.p);
  endif
endfunction
