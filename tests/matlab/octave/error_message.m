function text = error_message (f, varargin)
  % The message f(varargin{:}) raises ("" for none).
  text = "";
  try
    f (varargin{:});
  catch err
    text = err.message;
  end_try_catch
endfunction
