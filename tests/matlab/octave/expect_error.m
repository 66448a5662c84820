function expect_error (label, identifier, fn, varargin)
  % Calls fn(varargin{:}) and checks that it raises exactly `identifier`.
  % Reaching the next line at all shows the host survived the bad call.
  global TEST_FAILURES TEST_COUNT
  TEST_COUNT += 1;
  try
    fn (varargin{:});
    TEST_FAILURES{end+1} = sprintf ("%s: no error, expected %s", label, identifier);
  catch err
    if (! strcmp (err.identifier, identifier))
      TEST_FAILURES{end+1} = sprintf ("%s: raised '%s' (%s), expected %s", label, ...
                                      err.identifier, err.message, identifier);
    elseif (isempty (strtrim (err.message)) || any (err.message == "\n"))
      TEST_FAILURES{end+1} = sprintf ("%s: message should be one non-empty line", label);
    endif
  end_try_catch
endfunction
