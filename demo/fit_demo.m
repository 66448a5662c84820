function fit_demo(png_file)
%FIT_DEMO Regularisation paths of a real regression: penaltyFit with the lasso and MCP.
%   FIT_DEMO fits the lasso and MCP (theta = 3) paths of fuel consumption
%   (mpg) on the ten other columns of R's mtcars data set (32 cars of
%   1973-74 from the 1974 Motor Trend magazine, Henderson and Velleman 1981;
%   shipped by R's datasets package under GPL-2, exported once into
%   demo/data/mtcars.csv, see demo/data/README.md), chooses each path's
%   lambda by 8-fold cross-validation, prints the chosen coefficients side
%   by side with least squares, and draws both coefficient paths into a PNG
%   file: FIT_DEMO(PNG_FILE) names it, by default fit_paths.png in TEMPDIR.
%   Skips, with a message, where penaltyFit is not built. Runs in MATLAB
%   and in Octave.
%
%   See also PENALTY_DEMO, PENALTYFIT.
if ~any(exist('penaltyFit', 'file') == [2 3])
    % Run from the source tree: the built MEX files, for this session only.
    mex_dir = demo_mex_folder();
    addpath(mex_dir);
    restore_path = onCleanup(@() rmpath(mex_dir));
end
if ~any(exist('penaltyFit', 'file') == [2 3])
    fprintf('\nfit_demo: penaltyFit is not built yet; the regularisation-path demo is skipped.\n');
    return;
end
if nargin < 1 || isempty(png_file)
    png_file = fullfile(tempdir(), 'fit_paths.png');
end

[names, X, y] = read_mtcars(fullfile(fileparts(mfilename('fullpath')), 'data', 'mtcars.csv'));
[n, p] = size(X);
folds = mod((0:n - 1)', 8) + 1;   % fixed folds: the same choice on every host
fits = {'lasso', 'l1', {}; 'MCP (theta = 3)', 'mcp', {'Theta', 3}};
fprintf('\nRegularisation paths of mpg on the other %d columns of mtcars (n = %d),\n', p, n);
fprintf('standardised, with an intercept; lambda chosen by 8-fold cross-validation\n\n');
chosen = zeros(p + 1, size(fits, 1));
paths = cell(size(fits, 1), 3);
for f = 1:size(fits, 1)
    [label, penalty, options] = fits{f, :};
    [B, info] = penaltyFit(X, y, penalty, options{:});
    cv_error = cross_validate(X, y, penalty, options, info.Lambda, folds);
    [best_error, best] = min(cv_error);
    chosen(:, f) = [info.Intercept(best); B(:, best)];
    paths(f, :) = {B, info.Lambda, info.Lambda(best)};
    fprintf('%-16s lambda %.4f of %.4f, %2d nonzeros, CV mean squared error %.3f\n', label, ...
            info.Lambda(best), max(info.Lambda), info.DF(best), best_error);
end
least_squares = [ones(n, 1) X] \ y;
% Least squares on MCP's columns alone: what an unbiased refit would give.
kept = [true; chosen(2:end, 2) ~= 0];
refit = zeros(p + 1, 1);
refit(kept) = [ones(n, 1) X(:, kept(2:end))] \ y;
fprintf('\n%-12s %10s %10s %16s %18s\n', 'coefficient', 'OLS', 'lasso', 'MCP (theta = 3)', 'OLS on MCP''s');
labels = [{'intercept'}, names];
for j = 1:p + 1
    fprintf('%-12s %10.4f %10s %16s %18s\n', labels{j}, least_squares(j), shown(chosen(j, 1)), ...
            shown(chosen(j, 2)), shown(refit(j)));
end
fprintf(['\nThe lasso shrinks every coefficient it keeps; MCP leaves those it keeps (nearly)\n', ...
         'unshrunk: they are close to least squares on the same columns (last column).\n']);
png_dir = fileparts(png_file);
if ~isempty(png_dir) && ~exist(png_dir, 'dir')
    mkdir(png_dir);
end
plot_paths(png_file, names, std(X, 1), paths, fits(:, 1));
fprintf('Coefficient paths drawn to %s\n', png_file);
end

function s = shown(value)
if value == 0
    s = '.';
else
    s = sprintf('%.4f', value);
end
end

function [names, X, y] = read_mtcars(file)
% The CSV as demo/data/README.md describes it: a header, then one car a
% line, its name first (no commas in names, no quotes).
text = fileread(file);
lines = strsplit(strtrim(text), sprintf('\n'));
header = strsplit(strtrim(lines{1}), ',');
values = zeros(numel(lines) - 1, numel(header) - 1);
for i = 2:numel(lines)
    fields = strsplit(strtrim(lines{i}), ',');
    values(i - 1, :) = str2double(fields(2:end));
end
y = values(:, 1);                 % mpg
X = values(:, 2:end);
names = header(3:end);
end

function cv_error = cross_validate(X, y, penalty, options, lambda, folds)
% Mean squared prediction error of each lambda over held-out folds, every
% fold fitted at the full data's lambdas.
cv_error = zeros(1, numel(lambda));
for k = 1:max(folds)
    held = folds == k;
    [B, info] = penaltyFit(X(~held, :), y(~held), penalty, options{:}, 'Lambda', lambda);
    predicted = bsxfun(@plus, X(held, :) * B, info.Intercept);
    cv_error = cv_error + sum(bsxfun(@minus, predicted, y(held)) .^ 2, 1);
end
cv_error = cv_error / numel(y);
end

function plot_paths(png_file, names, scale, paths, titles)
% Each path's coefficients on the standardised scale (beta_j * s_j) against
% lambda, largest lambda on the left, the chosen lambda dashed; drawn
% without a display into PNG_FILE.
[device, restore_drawing] = demo_png_device();
f = figure('visible', 'off', 'position', [0 0 1100 480]);
% Ten colours that tell ten lines apart (lines() repeats after seven).
colours = [31 119 180; 255 127 14; 44 160 44; 214 39 40; 148 103 189; 140 86 75; 227 119 194;
           127 127 127; 188 189 34; 23 190 207] / 255;
limits = [0 0];
for k = 1:size(paths, 1)
    standardised = bsxfun(@times, paths{k, 1}, scale(:));
    limits = [min(limits(1), min(standardised(:))) max(limits(2), max(standardised(:)))];
end
limits = limits + [-0.05 0.05] * diff(limits);
for k = 1:size(paths, 1)
    [B, lambda, best] = paths{k, :};
    where = [0.06 + 0.45 * (k - 1), 0.12, 0.36, 0.78];
    ax = axes('position', where);
    standardised = bsxfun(@times, B, scale(:));
    hold on;
    for j = 1:numel(names)
        plot(log10(lambda), standardised(j, :), '-', 'color', colours(j, :), 'linewidth', 1.5);
    end
    plot(log10([best best]), limits, 'k--');
    hold off;
    set(gca, 'xdir', 'reverse', 'ylim', limits, 'xlim', log10([min(lambda) max(lambda)]));
    grid on; box on;
    xlabel('log_{10} \lambda');
    if k == 1
        ylabel('coefficient \times column std');
    end
    title(['mtcars, mpg: ' titles{k}]);
    if k == size(paths, 1)
        legend(names, 'location', 'eastoutside');
        set(ax, 'position', where);   % the legend beside the axes, not in their room
    end
end
print(f, device, '-r80', png_file);
close(f);
end
