function lla_demo()
%LLA_DEMO Reweighted l1 (LLA) for SCAD and MCP against proximal gradient.
%   LLA_DEMO solves a sparse regression with the local linear approximation:
%   each stage is a weighted lasso, solved by FISTA with penaltyProx's 'l1'
%   map and the weights w = penaltyDerivative(x, ...) of the stage before;
%   beside it, plain proximal gradient on the nonconvex objective itself.
%   The matrix keeps its own norm: every step has size 1/L. Runs in MATLAB
%   and in Octave.
%
%   See also PENALTY_DEMO, PENALTYDERIVATIVE, PENALTYPROX.
if exist('penaltyProx', 'file') ~= 3
    % Run from the source tree: the built MEX files, for this session only.
    kind = 'windows';
    if exist('OCTAVE_VERSION', 'builtin')
        kind = 'octave';
    end
    mex_dir = fullfile(fileparts(fileparts(mfilename('fullpath'))), 'dist', kind);
    addpath(mex_dir);
    restore_path = onCleanup(@() rmpath(mex_dir));
end
randn('state', 11);
rand('state', 11);
m = 200; p = 800; k = 20; sigma = 0.05;
A = randn(m, p) / sqrt(m);
L = norm(A)^2;
x0 = zeros(p, 1);
x0(randperm(p, k)) = sign(randn(k, 1)) .* (0.5 + rand(k, 1));
y = A * x0 + sigma * randn(m, 1);

fprintf('\nLLA (reweighted l1) against proximal gradient: %d-by-%d A, ||A||^2 = L = %.2f, %d nonzeros\n', ...
        m, p, L, k);
fprintf('%-30s %6s %10s %10s %8s %9s %7s\n', 'method', 'stages', 'objective', 'rel. error', ...
        'support', 'precision', 'recall');
settings = {'scad', 0.2, 3.7; 'mcp', 0.2, 3};
for s = 1:size(settings, 1)
    [name, lambda, theta] = settings{s, :};
    objective = @(x) 0.5 * norm(A * x - y)^2 + sum(penaltyValue(x, name, lambda, theta));
    % LLA from zero: the first stage, with weights p'(0+) = lambda, is the lasso.
    x = zeros(p, 1);
    for stage = 1:4
        w = penaltyDerivative(x, name, lambda, theta);
        x = solve_fista(A, y, @(v) penaltyProx(v, 'l1', w, [], 1 / L), 1 / L, x, 5000, 1e-10);
        report_recovery(sprintf('LLA %s, stage %d', upper(name), stage), stage, objective(x), x, x0);
    end
    % The nonconvex objective directly, by proximal gradient with step 1/L.
    x = zeros(p, 1);
    for iteration = 1:20000
        x_old = x;
        x = penaltyProx(x - (A' * (A * x - y)) / L, name, lambda, theta, 1 / L);
        if norm(x - x_old) <= 1e-10 * max(norm(x), 1)
            break;
        end
    end
    report_recovery(sprintf('proximal gradient, %s', upper(name)), 0, objective(x), x, x0);
end
fprintf(['\nThe objective is 0.5*||A*x - y||^2 + sum(penaltyValue(x, ...)). Stage 1 of LLA is\n', ...
         'the lasso; reweighting by the derivative then lifts the penalty off large\n', ...
         'coefficients, and a few stages reach the objective of the nonconvex problem.\n']);
end

function x = solve_fista(A, y, prox, step, x, max_iterations, tolerance)
% FISTA for  min 0.5*||A*x - y||^2 + g(x)  from X: a gradient step of size
% STEP (at most 1/L, L = ||A||^2) at the extrapolated point, then PROX, the
% proximal map of STEP*g.
z = x;
t = 1;
for iteration = 1:max_iterations
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

function report_recovery(label, stages, objective, x, x0)
% One row of the recovery table: the objective, the error relative to the
% truth x0, the support found and its precision and recall.
found = x ~= 0;
truth = x0 ~= 0;
fprintf('%-30s %6d %10.6f %10.4f %8d %9.3f %7.3f\n', label, stages, objective, ...
        norm(x - x0) / norm(x0), sum(found), sum(found & truth) / max(sum(found), 1), ...
        sum(found & truth) / sum(truth));
end
