function expect_bits (label, actual, expected)
  % Exact check: class, size and every element's bit pattern (NaNs of any
  % payload count as equal, +0 and -0 do not).
  global TEST_FAILURES TEST_COUNT
  TEST_COUNT += 1;
  ok = strcmp (class (actual), class (expected)) && isequal (size (actual), size (expected));
  if (ok && ! isempty (expected))
    a = actual(:); e = expected(:);
    both_nan = isnan (a) & isnan (e);
    ok = all (both_nan | typecast (a, "uint64") == typecast (e, "uint64"));
  endif
  if (! ok)
    TEST_FAILURES{end+1} = sprintf ("%s: got %s %s [%s], expected %s %s [%s]", label, ...
      class (actual), mat2str (size (actual)), num2str (actual(:).', 17), ...
      class (expected), mat2str (size (expected)), num2str (expected(:).', 17));
  endif
endfunction
