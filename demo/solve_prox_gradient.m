function [x, iterations] = solve_prox_gradient(A, y, prox, step, max_iterations, tolerance)
% Proximal gradient for  min 0.5*||A*x - y||^2 + sum_i p(x_i): each step
% is a gradient step of size STEP (at most 1/L, L = ||A||^2, the gradient's
% Lipschitz constant) followed by PROX, the proximal map of STEP*p.
x = zeros(size(A, 2), 1);
for iterations = 1:max_iterations
    x_old = x;
    x = prox(x - step * (A' * (A * x - y)));
    if norm(x - x_old) <= tolerance * max(norm(x), 1)
        break;
    end
end
end
