function [x, iterations] = solve_prox_gradient (A, y, lambda, theta, code, max_iterations, tolerance)
  % Proximal gradient for  min 0.5*||A*x - y||^2 + sum_i p(x_i)  with a unit
  % step, valid because ||A||_2 <= 1: each step thresholds the gradient step.
  p = columns (A);
  x = zeros (p, 1);
  for iterations = 1:max_iterations
    x_old = x;
    x = penaltyShrink (x - A' * (A * x - y), p, lambda, theta, code);
    if (norm (x - x_old) <= tolerance * max (norm (x), 1))
      break;
    endif
  endfor
endfunction
