function check_bad_calls (f, name)
  % Every bad call of f = @penaltyShrink or @penaltySum raises "<name>:<id>";
  % each later call proves the host survived the one before.
  bad = [name ":"];
  expect_error ("no inputs", [bad "notEnoughInputs"], f);
  expect_error ("four inputs", [bad "notEnoughInputs"], f, [1 2], 2, 1, 2);
  for v = {single([1 2]), int8([1 2]), true(1, 2), "ab", {1, 2}, struct("a", 1), [1+2i 3], sparse([1 2])}
    expect_error (["x of class " class(v{1})], [bad "invalidX"], f, v{1}, 1, 1, 2, 1);
  endfor
  for pos = 2:5
    for v = {[], zeros(0, 3), "a", {1}, struct("a", 1), 1+2i, sparse(3)}
      args = {[1 2 3], 1, 1, 2, 1};
      args{pos} = v{1};
      expect_error (sprintf ("argument %d: %s %s", pos, class (v{1}), mat2str (size (v{1}))), ...
                    [bad "invalidScalar"], f, args{:});
    endfor
  endfor
  expect_error ("n > numel(x)", [bad "countExceedsLength"], f, [1 2 3], 4, 1, 2, 1);
  expect_error ("n > numel(empty)", [bad "countExceedsLength"], f, [], 1, 1, 2, 1);
  expect_error ("n = 2^31 - 1", [bad "countExceedsLength"], f, [1 2 3], 2^31 - 1, 1, 2, 1);
endfunction
