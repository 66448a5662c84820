function id = raised (outputs, f, varargin)
  % The identifier that asking f(varargin{:}) for `outputs` results raises:
  % "" for none, marked when its message is not one non-empty line.
  % Reaching the next call at all shows the host survived this one.
  id = "";
  try
    if (outputs == 0)
      f (varargin{:});
    else
      [out{1:outputs}] = f (varargin{:});
    endif
  catch err
    id = err.identifier;
    if (isempty (strtrim (err.message)) || any (err.message == "\n"))
      id = [id " (message not one line)"];
    endif
  end_try_catch
endfunction
