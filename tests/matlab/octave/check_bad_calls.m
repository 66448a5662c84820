function check_bad_calls (name)
  % Every call of the bad-call table for function `name` raises
  % "<name>:<id>", or no error for an "ok" row; each later call proves the
  % host survived the one before.
  f = str2func (name);
  for c = read_bad_calls (name)
    tokens = strsplit (c.arguments);
    args = cellfun (@table_value, tokens(! cellfun (@isempty, tokens)), "UniformOutput", false);
    label = sprintf ("%s(%s)", name, c.arguments);
    if (strcmp (c.expected, "ok"))
      try
        f (args{:});
        expect_true (label, true);
      catch err
        expect_true (sprintf ("%s: raised %s", label, err.identifier), false);
      end_try_catch
    else
      expect_error (label, [name ":" c.expected], f, args{:});
    endif
  endfor
endfunction
