function calls = read_bad_calls (name)
  % The calls of ../bad_calls.txt for function `name`, each <KIND> expanded,
  % as a struct array with fields arguments (the tokens, one string) and
  % expected.
  text = fileread (fullfile (fileparts (mfilename ("fullpath")), "..", "bad_calls.txt"));
  kinds = struct ();
  calls = struct ("arguments", {}, "expected", {});
  for line = strsplit (text, "\n")
    w = strsplit (strtrim (line{1}));
    if (isempty (w{1}) || w{1}(1) == "#")
      continue;
    elseif (strcmp (w{1}, "kind"))
      kinds.(w{2}) = w(3:end);
    elseif (any (strcmp (strsplit (w{1}, ","), name)))
      at = find (strncmp (w, "<", 1));
      members = {strjoin(w(3:end), " ")};
      if (! isempty (at))
        members = cellfun (@(m) strjoin ([w(3:at-1), {m}, w(at+1:end)], " "), kinds.(w{at}(2:end-1)), "UniformOutput", false);
      endif
      calls = [calls, struct("arguments", members, "expected", w{2})];
    endif
  endfor
endfunction
