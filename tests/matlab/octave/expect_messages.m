function expect_messages (fn, cases)
  % cases: rows of {arguments (a cell), text}; each call fn(arguments{:})
  % must raise an error whose message contains text.
  for k = 1:rows (cases)
    try
      fn (cases{k, 1}{:});
      expect_true (["no error for " cases{k, 2}], false);
    catch err
      expect_true (sprintf ("message '%s' says %s", err.message, cases{k, 2}), ...
                   ! isempty (strfind (err.message, cases{k, 2})));
    end_try_catch
  endfor
endfunction
