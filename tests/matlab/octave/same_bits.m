function ok = same_bits (a, b)
  % Exact: class, size, sparsity and every element's bit pattern (+0 and -0
  % differ; NaNs of any payload are alike); complex values part by part.
  ok = strcmp (class (a), class (b)) && isequal (size (a), size (b)) && issparse (a) == issparse (b);
  if (! ok || ! isfloat (a))
    ok = ok && isequal (a, b);
  elseif (iscomplex (a) || iscomplex (b))
    ok = same_bits (real (a), real (b)) && same_bits (imag (a), imag (b));
  else
    as = {"uint64", "uint32"}{1 + isa (a, "single")};
    a = full (a(:)); b = full (b(:));
    ok = all ((isnan (a) & isnan (b)) | typecast (a, as) == typecast (b, as));
  endif
endfunction
