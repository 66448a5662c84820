function penalty_demo(png_file)
%PENALTY_DEMO What the library is for: thresholding steps inside a sparse-recovery solver.
%   PENALTY_DEMO prints the four thresholding rules on a few values,
%   recovers a sparse signal by proximal gradient with each penalty against
%   the l1 baseline (with penaltyShrink's unit step, then with penaltyProx's
%   step 1/L), and draws every penalty's proximal map, value and derivative
%   into a PNG file: PENALTY_DEMO(PNG_FILE) names it, by default
%   penalty_functions.png in TEMPDIR. Runs in MATLAB and in Octave.
%
%   See also LLA_DEMO, PENALTYPROX, PENALTYSHRINK.
if exist('penaltyShrink', 'file') ~= 3
    % Run from the source tree: the built MEX files, for this session only.
    mex_dir = demo_mex_folder();
    addpath(mex_dir);
    restore_path = onCleanup(@() rmpath(mex_dir));
end
if nargin < 1 || isempty(png_file)
    png_file = fullfile(tempdir(), 'penalty_functions.png');
end

% 1. The four rules side by side.
x = [-4 -2.5 -1.5 -0.8 0 0.8 1.5 2.5 4];
rules = {1, 'capped-l1', 2; 2, 'log-sum', 0.5; 3, 'SCAD', 3.7; 4, 'MCP', 3};
fprintf('Thresholding, lambda = 1: penaltyShrink(x, n, 1, theta, code)\n\n%8s', 'x');
for r = 1:size(rules, 1)
    fprintf('%18s', sprintf('%s (%g)', rules{r, 2}, rules{r, 3}));
end
fprintf('\n');
for i = 1:numel(x)
    fprintf('%8.2f', x(i));
    for r = 1:size(rules, 1)
        fprintf('%18.4f', penaltyShrink(x(i), 1, 1, rules{r, 3}, rules{r, 1}));
    end
    fprintf('\n');
end

% 2. Sparse recovery: y = A*x0 + noise with ||A||_2 = 1.
randn('state', 42);
rand('state', 42);
m = 250; p = 1000; k = 25; sigma = 0.01;
A = randn(m, p);
A = A / norm(A);
x0 = zeros(p, 1);
support = randperm(p, k);
x0(support) = sign(randn(k, 1)) .* (0.4 + 0.6 * rand(k, 1));
y = A * x0 + sigma * randn(m, 1);

% name, lambda, theta, code: each penalty with weights of its own scale
% (log-sum's slope at 0 is lambda/theta = 0.02, like the l1 row's lambda).
solvers = {'l1 (capped-l1, theta = Inf)', 0.02, Inf, 1;
           'capped-l1', 0.02, 0.1, 1;
           'log-sum', 0.002, 0.1, 2;
           'SCAD', 0.03, 3.7, 3;
           'MCP', 0.03, 3, 4};
fprintf('\nSparse recovery: %d-by-%d Gaussian A, ||A|| = 1, %d nonzeros, noise %g\n', m, p, k, sigma);
fprintf('proximal gradient, unit step, from x = 0\n\n');
fprintf('%-28s %6s %5s %6s %8s %10s %10s %9s %7s\n', 'penalty', 'lambda', 'theta', ...
        'iters', 'time (s)', 'objective', 'rel. error', 'precision', 'recall');
for s = 1:size(solvers, 1)
    [name, lambda, theta, code] = solvers{s, :};
    started = tic;
    shrink = @(v) penaltyShrink(v, p, lambda, theta, code);
    [xh, iterations] = solve_prox_gradient(A, y, shrink, 1, 20000, 1e-10);
    seconds = toc(started);
    objective = 0.5 * norm(A * xh - y)^2 + penaltySum(xh, p, lambda, theta, code);
    [precision, recall] = support_match(xh, x0);
    fprintf('%-28s %6g %5g %6d %8.3f %10.6f %10.4f %9.3f %7.3f\n', name, lambda, theta, ...
            iterations, seconds, objective, norm(xh - x0) / norm(x0), precision, recall);
end
fprintf(['\nEach objective is 0.5*||A*x - y||^2 plus that row''s own penalty, so compare\n', ...
         'errors, not objectives, across rows. l1 shrinks every kept coefficient by lambda;\n', ...
         'the nonconvex penalties leave large coefficients (nearly) unshrunk.\n']);

% 3. The same recovery with a matrix whose norm is not 1: every step is a
% gradient step of size 1/L followed by penaltyProx's map of p/L.
randn('state', 7);
rand('state', 7);
A = randn(m, p) / sqrt(m);
L = norm(A)^2;
x0 = zeros(p, 1);
x0(randperm(p, k)) = sign(randn(k, 1)) .* (0.5 + rand(k, 1));
y = A * x0 + sigma * randn(m, 1);
solvers = {'l1', 0.05, []; 'l0', 0.005, []; 'capped-l1', 0.05, 0.2;
           'log-sum', 0.005, 0.1; 'scad', 0.05, 3.7; 'mcp', 0.05, 3};
fprintf('\nThe same with ||A||^2 = L = %.2f (A = randn/sqrt(m)): proximal gradient, step 1/L\n\n', L);
fprintf('%-10s %6s %5s %6s %10s %10s %9s %7s\n', 'penalty', 'lambda', 'theta', 'iters', ...
        'objective', 'rel. error', 'precision', 'recall');
for s = 1:size(solvers, 1)
    [name, lambda, theta] = solvers{s, :};
    prox = @(v) penaltyProx(v, name, lambda, theta, 1 / L);
    [xh, iterations] = solve_prox_gradient(A, y, prox, 1 / L, 20000, 1e-10);
    objective = 0.5 * norm(A * xh - y)^2 + sum(penaltyValue(xh, name, lambda, theta));
    [precision, recall] = support_match(xh, x0);
    fprintf('%-10s %6g %5s %6d %10.6f %10.4f %9.3f %7.3f\n', name, lambda, num2str(theta), iterations, ...
            objective, norm(xh - x0) / norm(x0), precision, recall);
end

% 4. The picture.
png_dir = fileparts(png_file);
if ~isempty(png_dir) && ~exist(png_dir, 'dir')
    mkdir(png_dir);
end
plot_penalties(png_file);
fprintf('\nThresholding functions and penalties drawn to %s\n', png_file);
end

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

function [precision, recall] = support_match(x, x0)
found = x ~= 0;
truth = x0 ~= 0;
precision = sum(found & truth) / max(sum(found), 1);
recall = sum(found & truth) / sum(truth);
end

function plot_penalties(png_file)
% One row per penalty (lambda = 1): its proximal map at step sizes 1 and 0.5
% (penaltyProx), its value (penaltyValue) and its derivative in |x|
% (penaltyDerivative), drawn without a display into PNG_FILE.
[device, restore_drawing] = demo_png_device();
rows = {'l1', [], 'l1';
        'l0', [], 'l0';
        'capped-l1', 2, 'capped-l1 (\theta = 2)';
        'log-sum', 0.5, 'log-sum (\theta = 0.5)';
        'scad', 3.7, 'SCAD (\theta = 3.7)';
        'mcp', 3, 'MCP (\theta = 3)';
        'l1/2', [], 'l1/2';
        'l2/3', [], 'l2/3';
        'elastic-net', 0.5, 'elastic net (\theta = 0.5)'};
x = linspace(-5, 5, 2001);
count = size(rows, 1);
f = figure('visible', 'off', 'position', [0 0 1050 210 * count]);
for r = 1:count
    [name, theta, label] = rows{r, :};
    subplot(count, 3, 3 * r - 2);
    plot(x, x, 'k:', x, penaltyProx(x, name, 1, theta), 'b-', x, penaltyProx(x, name, 1, theta, 0.5), 'r--', ...
         'linewidth', 1.5);
    axis([-5 5 -5 5]); grid on;
    ylabel(label);
    if r == 1
        title('proximal map, step 1 (solid) and 0.5 (dashed)');
    end
    subplot(count, 3, 3 * r - 1);
    plot(x, penaltyValue(x, name, 1, theta), 'b-', 'linewidth', 1.5);
    axis([-5 5 0 5]); grid on;
    if r == 1
        title('penalty p(x)');
    end
    subplot(count, 3, 3 * r);
    plot(x, penaltyDerivative(x, name, 1, theta), 'b-', 'linewidth', 1.5);
    axis([-5 5 0 2.5]); grid on;
    if r == 1
        title('derivative p''(|x|), right-sided');
    end
end
print(f, device, '-r80', png_file);
close(f);
end
