function finish_suite (name)
  % Prints every failure and a closing count line, then exits with the status.
  global TEST_FAILURES TEST_COUNT
  for k = 1:numel (TEST_FAILURES)
    printf ("FAIL %s\n", TEST_FAILURES{k});
  endfor
  failed = numel (TEST_FAILURES);
  printf ("%s: %d passed, %d failed\n", name, TEST_COUNT - failed, failed);
  exit (failed > 0);
endfunction
