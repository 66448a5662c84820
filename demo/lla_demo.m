% The local linear approximation (LLA, reweighted l1) for SCAD and MCP:
% each stage is a weighted lasso, solved by FISTA with penaltyProx's 'l1'
% map and the weights w = penaltyDerivative(x, ...) of the stage before,
% beside plain proximal gradient on the nonconvex objective itself. The
% matrix is left with its own norm: every step has size 1/L.
here = fileparts(mfilename('fullpath'));
added = {here};
if exist('penaltyProx', 'file') ~= 3
    added = {here, fullfile(here, '..', 'dist', 'octave')};
end
addpath(added{:});
restore_path = onCleanup(@() rmpath(added{:}));
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
