function s = m_penalty_sum (x, lambda, theta, code)
  % The penalties summed as vectorised M code: the peer of penaltySum.
  a = abs (x);
  switch (code)
    case 2
      s = lambda * sum (log (1 + a / theta));
    case 3
      s = sum ((a <= lambda) .* (lambda * a) ...
               + (a > lambda & a <= lambda * theta) .* (a .* (2 * lambda * theta - a) - lambda^2) / (2 * (theta - 1)) ...
               + (a > lambda * theta) * (lambda^2 * (theta + 1) / 2));
    case 4
      s = sum ((a <= lambda * theta) .* a .* (lambda - a / (2 * theta)) ...
               + (a > lambda * theta) * (lambda^2 * theta / 2));
    otherwise
      s = lambda * sum (min (a, theta));
  endswitch
endfunction
