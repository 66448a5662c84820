function classifier_demo(out_dir, data_file)
%CLASSIFIER_DEMO Logistic regression with the lasso and MCP, lambda chosen by 10-fold cross-validation.
%   CLASSIFIER_DEMO fits penalised logistic regression paths (the lasso and
%   MCP, THETA = 3) to the Wisconsin breast cancer biopsies, chooses
%   LAMBDA by 10-fold cross-validation (the one-standard-error rule), prints
%   the chosen coefficients side by side with their cross-validated
%   deviance and error rate, and draws the coefficient paths and the CV
%   curves into PNG files: CLASSIFIER_DEMO(OUT_DIR) names their folder
%   (TEMPDIR by default), CLASSIFIER_DEMO(OUT_DIR, DATA_FILE) the data.
%   Runs in MATLAB and in Octave.
%
%   The data: 683 biopsies of breast tumours (the 699 of the original less
%   16 with a missing value), nine cytological features each scored 1 to 10,
%   benign (444) or malignant (239); W. H. Wolberg, University of Wisconsin
%   Hospitals (1992), as R's MASS package (Debian's r-cran-mass, licence
%   GPL-2 | GPL-3) ships them in its data set biopsy. demo/data/biopsy.csv
%   holds them (see demo/data/README.md for how they were exported): a
%   header line, then one line per biopsy, the nine features and the class
%   (1 malignant, 0 benign). Without the file the demo says so and returns.
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
    data_file = fullfile(fileparts(mfilename('fullpath')), 'data', 'biopsy.csv');
end
if ~exist(data_file, 'file')
    fprintf('classifier_demo: %s not found; nothing to do.\n', data_file);
    return;
end
data = dlmread(data_file, ',', 1, 0);
X = data(:, 1:9);
y = data(:, 10); % 1 = malignant
n = size(X, 1);
fprintf('Wisconsin breast cancer biopsies: %d tumours (%d malignant), %d features\n', n, sum(y), size(X, 2));
fprintf('penalised logistic regression, standardised features, 10-fold CV (penaltyFitFolds)\n\n');

folds = penaltyFitFolds(n, 10);
fits = {'l1', [], 'lasso'; 'mcp', 3, 'MCP (theta = 3)'};
chosen = zeros(size(X, 2), size(fits, 1));
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
names = {'clump thickness', 'uniformity of cell size', 'uniformity of cell shape', 'marginal adhesion', ...
         'single epithelial cell size', 'bare nuclei', 'bland chromatin', 'normal nucleoli', 'mitoses'};
fprintf('\ncoefficients of the 1-SE fits (per unit of each feature; 0 = left out)\n');
fprintf('%-28s %12s %12s\n', 'feature', fits{1, 3}, fits{2, 3});
for j = find(any(chosen ~= 0, 2))'
    label = names{j};
    fprintf('%-28s %12.4g %12.4g\n', label, chosen(j, 1), chosen(j, 2));
end
fprintf(['\nMCP leaves the coefficients it keeps unshrunk and drops two features the lasso\n', ...
         'keeps small. A path whose fit explains 99.9%% of the null deviance (classes that\n', ...
         'separate) stops there with the warning penaltyFit:saturated. Curves and paths\n', ...
         'drawn to %s.\n'], out_dir);
draw(out_dir, fits, infos, paths);
end

function draw(out_dir, fits, infos, paths)
[device, restore_drawing] = demo_png_device('Octave:negative-data-log-axis');
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
