function run_table (name, checks)
  % checks: rows of {label, actual (or a function giving it), expected};
  % each actual must have the expected's bits (same_bits). Prints every
  % failure and a count line, and exits with the status.
  failed = 0;
  for k = 1:rows (checks)
    [label, actual, expected] = checks{k, :};
    try
      if (is_function_handle (actual))
        actual = actual ();
      endif
      ok = same_bits (actual, expected);
    catch err
      ok = false;
      actual = ["error: " err.message];
    end_try_catch
    if (! ok)
      failed += 1;
      printf ("FAIL %s: got %s, expected %s\n", label, shown (actual), shown (expected));
    endif
  endfor
  printf ("%s: %d passed, %d failed\n", name, rows (checks) - failed, failed);
  exit (failed > 0);
endfunction

function text = shown (x)
  if (isnumeric (x) || islogical (x))
    text = sprintf ("%s %s [%s]", class (x), mat2str (size (x)), num2str (double (full (x(:)).'), 17));
  elseif (ischar (x))
    text = ["'" x "'"];
  else
    text = class (x);
  endif
endfunction
