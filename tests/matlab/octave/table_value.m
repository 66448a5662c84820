function v = table_value (token)
  % The argument one token of ../bad_calls.txt stands for (its grammar is
  % at the top of that file; call_table.cpp reads it for the C++ hosts).
  if (strcmp (token, "struct"))
    v = struct ("a", 1);
    return;
  elseif (strcmp (token, "@sin"))
    v = @sin;
    return;
  endif
  names = {};
  payload = token;
  colon = index (token, ":");
  if (token(1) != "'" && colon > 0)
    names = strsplit (token(1:colon-1), ".");
    payload = token(colon+1:end);
  endif
  imag_part = 0;
  if (payload(1) == "'")
    v = payload(2:end-1);
    if (isempty (v))
      v = "";
    endif
  elseif (strcmp (payload, "[]"))
    v = [];
  elseif (! isempty (regexp (payload, '^\d+x\d+(=[\d.]+)?$')))
    shape = str2double (regexp (payload, '[\d.]+', "match"));
    v = zeros (shape(1), shape(2));
    if (numel (shape) == 3)
      v(:) = shape(3);
    endif
  else
    parts = strsplit (payload, "/");
    v = str2double (strsplit (parts{1}, ","));
    if (numel (parts) == 2)
      imag_part = str2double (strsplit (parts{2}, ","));
    endif
  endif
  for name = setdiff (names, {"complex", "sparse"})
    if (strcmp (name{1}, "cell"))
      v = cell (size (v));
    else
      v = feval (name{1}, v);
    endif
  endfor
  if (any (strcmp (names, "sparse")))
    v = sparse (v);
  endif
  if (any (strcmp (names, "complex")))
    % After sparse, which would drop an imaginary part of zeros.
    im = cast (zeros (size (v)) + imag_part, class (v));
    if (issparse (v))
      im = sparse (im);
    endif
    v = complex (v, im);
  endif
endfunction
