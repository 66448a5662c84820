function classifier_demo(out_dir, data_file)
%CLASSIFIER_DEMO Logistic regression with the lasso and MCP, lambda chosen by 10-fold cross-validation.
%   CLASSIFIER_DEMO fits penalised logistic regression paths (the lasso and
%   MCP, THETA = 3) to the Wisconsin diagnostic breast cancer data, chooses
%   LAMBDA by 10-fold cross-validation (the one-standard-error rule), prints
%   the chosen coefficients side by side with their cross-validated
%   deviance and error rate, and draws the coefficient paths and the CV
%   curves into PNG files: CLASSIFIER_DEMO(OUT_DIR) names their folder
%   (TEMPDIR by default), CLASSIFIER_DEMO(OUT_DIR, DATA_FILE) the data.
%   Runs in MATLAB and in Octave.
%
%   The data: 569 tumours, 30 features of cell nuclei measured on a
%   digitised image, malignant (212) or benign (357); W. H. Wolberg, W. N.
%   Street and O. L. Mangasarian, University of Wisconsin (1995), from the
%   UCI Machine Learning Repository. The copy read is the one Debian's
%   python3-sklearn package ships (scikit-learn's
%   sklearn/datasets/data/breast_cancer.csv, BSD-3-Clause licence): a
%   header line, then one line per tumour, 30 features and the class (0
%   malignant, 1 benign). Without it the demo says so and returns.
%
%   See also PENALTYFIT, PENALTYFITPLOT, PENALTY_DEMO.
if exist('penaltyFitCore', 'file') ~= 3
    % Run from the source tree: the built MEX and M files, for this session only.
    mex_dir = fullfile(fileparts(mfilename('fullpath')), '..', 'dist', 'octave');
    addpath(mex_dir);
    restore_path = onCleanup(@() rmpath(mex_dir));
end
if nargin < 1 || isempty(out_dir)
    out_dir = tempdir();
end
if nargin < 2 || isempty(data_file)
    data_file = '/usr/lib/python3/dist-packages/sklearn/datasets/data/breast_cancer.csv';
end
if ~exist(data_file, 'file')
    fprintf('classifier_demo: %s not found (Debian: apt-get install python3-sklearn); nothing to do.\n', data_file);
    return;
end
data = dlmread(data_file, ',', 1, 0);
X = data(:, 1:30);
y = double(data(:, 31) == 0); % 1 = malignant
n = size(X, 1);
fprintf('Wisconsin diagnostic breast cancer: %d tumours (%d malignant), %d features\n', n, sum(y), size(X, 2));
fprintf('penalised logistic regression, standardised features, 10-fold CV (penaltyFitFolds)\n\n');

folds = penaltyFitFolds(n, 10);
fits = {'l1', [], 'lasso'; 'mcp', 3, 'MCP (theta = 3)'};
chosen = zeros(30, size(fits, 1));
infos = cell(1, size(fits, 1));
paths = cell(1, size(fits, 1));
for f = 1:size(fits, 1)
    started = tic;
    [B, info] = penaltyFit(X, y, fits{f, 1}, 'Theta', fits{f, 2}, 'Distribution', 'binomial', 'CV', folds);
    seconds = toc(started);
    k = info.Index1SE;
    chosen(:, f) = B(:, k);
    eta = info.Intercept(k) + X * B(:, k);
    training_error = mean((eta > 0) ~= (y == 1));
    fprintf('%-16s %3d lambda, %5.2f s: lambda(1 SE) = %.4g, %2d features, CV deviance %.4f (min %.4f), training error %.3f\n', ...
            fits{f, 3}, numel(info.Lambda), seconds, info.Lambda1SE, info.DF(k), info.Deviance(k), ...
            info.Deviance(info.IndexMinDeviance), training_error);
    infos{f} = info;
    paths{f} = B;
end
names = {'radius', 'texture', 'perimeter', 'area', 'smoothness', 'compactness', 'concavity', ...
         'concave points', 'symmetry', 'fractal dimension'};
groups = {'mean', 'se', 'worst'};
fprintf('\ncoefficients of the 1-SE fits (per unit of each feature; 0 = left out)\n');
fprintf('%-26s %12s %12s\n', 'feature', fits{1, 3}, fits{2, 3});
for j = find(any(chosen ~= 0, 2))'
    label = sprintf('%s %s', names{mod(j - 1, 10) + 1}, groups{floor((j - 1) / 10) + 1});
    fprintf('%-26s %12.4g %12.4g\n', label, chosen(j, 1), chosen(j, 2));
end
fprintf(['\nThe classes nearly separate: each path stops, with the warning penaltyFit:saturated,\n', ...
         'at the first fit that explains 99.9%% of the null deviance, and the CV error is NaN\n', ...
         'below the largest LAMBDA at which a fold stopped. MCP leaves its coefficients\n', ...
         'unshrunk, so its path reaches separation sooner. Curves and paths drawn to %s.\n'], out_dir);
draw(out_dir, fits, infos, paths);
end

function draw(out_dir, fits, infos, paths)
device = '-dpng';
if exist('OCTAVE_VERSION', 'builtin')
    % Octave draws headless with gnuplot (its notes on that, and on formats
    % that need Ghostscript, are silenced for this function only).
    quiet = warning('off', 'Octave:gnuplot-graphics');
    quiet(end + 1) = warning('off', 'print:nogs');
    quiet(end + 1) = warning('off', 'Octave:negative-data-log-axis');
    restore_warnings = onCleanup(@() warning(quiet));
    toolkit = graphics_toolkit();
    restore_toolkit = onCleanup(@() graphics_toolkit(toolkit));
    graphics_toolkit('gnuplot');
    device = '-dpngcairo';
end
for kind = {'CV', 'Lambda'}
    fig = figure('visible', 'off', 'position', [0 0 1000 400]);
    for f = 1:size(fits, 1)
        ax = subplot(1, 2, f);
        penaltyFitPlot(paths{f}, infos{f}, 'PlotType', kind{1}, 'Parent', ax);
        title(ax, sprintf('%s, breast cancer: %s', fits{f, 3}, ifelse(strcmp(kind{1}, 'CV'), 'CV deviance', 'paths')));
    end
    file = fullfile(out_dir, sprintf('classifier_%s.png', lower(kind{1})));
    print(fig, device, '-r80', file);
    close(fig);
    fprintf('drew %s\n', file);
end
end

function r = ifelse(c, a, b)
if c
    r = a;
else
    r = b;
end
end
