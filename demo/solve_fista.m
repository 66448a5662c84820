function [x, iterations] = solve_fista(A, y, prox, step, x, max_iterations, tolerance)
% FISTA for  min 0.5*||A*x - y||^2 + g(x)  from X: a gradient step of size
% STEP (at most 1/L, L = ||A||^2) at the extrapolated point, then PROX, the
% proximal map of STEP*g.
z = x;
t = 1;
for iterations = 1:max_iterations
    x_old = x;
    x = prox(z - step * (A' * (A * z - y)));
    t_old = t;
    t = (1 + sqrt(1 + 4 * t^2)) / 2;
    z = x + ((t_old - 1) / t) * (x - x_old);
    if norm(x - x_old) <= tolerance * max(norm(x), 1)
        break;
    end
end
end
