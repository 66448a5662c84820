function t = bad_call_checks (name)
  % Rows {label, identifier raised, identifier expected} for every call of
  % the bad-call table for function `name` ("" expected for an "ok" row).
  f = str2func (name);
  t = cell (0, 3);
  for c = read_bad_calls (name)
    tokens = strsplit (c.arguments);
    args = cellfun (@table_value, tokens(! cellfun (@isempty, tokens)), "UniformOutput", false);
    expected = "";
    if (! strcmp (c.expected, "ok"))
      expected = [name ":" c.expected];
    endif
    t(end+1, :) = {sprintf("%s(%s)", name, c.arguments), raised(0, f, args{:}), expected};
  endfor
endfunction
