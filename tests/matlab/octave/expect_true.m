function expect_true (label, condition)
  global TEST_FAILURES TEST_COUNT
  TEST_COUNT += 1;
  if (! condition)
    TEST_FAILURES{end+1} = label;
  endif
endfunction
