function calls = read_bad_calls (name)
  % The calls of ../bad_calls.txt for function `name`, each <KIND> expanded,
  % as a struct array with fields arguments (MATLAB text) and expected.
  text = fileread (fullfile (fileparts (mfilename ("fullpath")), "..", "bad_calls.txt"));
  kinds = struct ();
  calls = struct ("arguments", {}, "expected", {});
  for line = strtrim (strsplit (text, "\n"))
    line = line{1};
    if (isempty (line) || line(1) == "#")
      continue;
    endif
    kind = regexp (line, '^kind\s+(\w+)\s*=\s*(.*)$', "tokens", "once");
    if (! isempty (kind))
      kinds.(kind{1}) = strtrim (strsplit (kind{2}, ";"));
      continue;
    endif
    fields = strtrim (strsplit (line, "|"));
    if (! strcmp (fields{1}, name))
      continue;
    endif
    placeholder = regexp (fields{2}, '<(\w+)>', "tokens", "once");
    if (isempty (placeholder))
      calls(end+1) = struct ("arguments", fields{2}, "expected", fields{3});
    else
      for member = kinds.(placeholder{1})
        arguments = strrep (fields{2}, ["<" placeholder{1} ">"], member{1});
        calls(end+1) = struct ("arguments", arguments, "expected", fields{3});
      endfor
    endif
  endfor
endfunction
