function y = m_shrink (x, lambda, theta, code)
  % The thresholding rules as vectorised M code: what a user would write
  % instead of calling penaltyShrink (the peer in the Octave benchmark).
  a = abs (x);
  switch (code)
    case 2 % log-sum: the larger root where it beats 0
      e = a - theta;
      q = e.^2 - 4 * (lambda - a * theta);
      r = max (0, (sqrt (max (q, 0)) + e) / 2);
      keep = q >= 0 & (r - a).^2 / 2 + lambda * log (1 + r / theta) < a.^2 / 2;
      u = r .* keep;
    case 3 % SCAD, the piecewise rule
      u = (a <= 2 * lambda) .* max (a - lambda, 0) ...
          + (a > 2 * lambda & a <= lambda * theta) .* ((theta - 1) * a - lambda * theta) / (theta - 2) ...
          + (a > lambda * theta) .* a;
    case 4 % MCP, theta > 1
      u = (a <= lambda * theta) .* (theta / (theta - 1)) .* max (a - lambda, 0) ...
          + (a > lambda * theta) .* a;
    otherwise % capped-l1: the better of the two candidates
      h = max (a, theta);
      l = min (theta, max (0, a - lambda));
      d = ((h - a).^2 - (l - a).^2) / 2 + lambda * (theta - l);
      u = l + (d < 0) .* (h - l);
  endswitch
  y = sign (x) .* u;
endfunction
