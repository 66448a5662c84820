function check_bad_calls (f, name)
  % Every kind of bad argument in every position of f = @penaltyShrink or
  % @penaltySum raises "<name>:<id>"; each later call proves the host
  % survived the one before. Counts that cannot be converted are not errors:
  % they read nothing.
  bad = [name ":"];
  good = {[1 2 3], 1, 1, 2, 1};
  for nargs = 0:4
    expect_error (sprintf ("%d inputs", nargs), [bad "notEnoughInputs"], f, good{1:nargs});
  endfor
  wrong_x = {single([1 2]), int8([1 2]), uint16([1 2]), int32([1 2]), true(1, 2), "ab", ...
             {1, 2}, struct("a", 1), @sin, [1+2i 3], complex([1 2]), sparse([1 2]), sparse(true(1, 2))};
  for v = wrong_x
    args = good;
    args{1} = v{1};
    expect_error (["x: " class(v{1}) " " mat2str(size (v{1}))], [bad "invalidX"], f, args{:});
  endfor
  wrong_scalar = {[], zeros(0, 3), zeros(1, 0), "a", "", {1}, struct("a", 1), @sin, 1+2i, ...
                  complex(1), sparse(3), sparse(true)};
  for pos = 2:5
    for v = wrong_scalar
      args = good;
      args{pos} = v{1};
      expect_error (sprintf ("argument %d: %s %s", pos, class (v{1}), mat2str (size (v{1}))), ...
                    [bad "invalidScalar"], f, args{:});
    endfor
  endfor
  too_short = {[1 2 3], 4; [1 2 3], 4.5; [], 1; zeros(0, 3), 1; [1 2; 3 4], 5; 7, 2^31 - 1};
  for k = 1:rows (too_short)
    expect_error (sprintf ("n = %g for %d elements", too_short{k, 2}, numel (too_short{k, 1})), ...
                  [bad "countExceedsLength"], f, too_short{k, 1}, too_short{k, 2}, 1, 2, 1);
  endfor
  for n = [NaN Inf -Inf 2^31 1e300 -1e300 -2^31 - 1]
    expect_true (sprintf ("%s: n = %g reads nothing", name, n), isempty (f ([1 2 3], n, 1, 2, 1)) ...
                 || f ([1 2 3], n, 1, 2, 1) == 0);
  endfor
endfunction
