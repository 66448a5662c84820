function [ax, fig, lines] = penaltyFitPlot(B, FitInfo, varargin)
%PENALTYFITPLOT Coefficient paths and cross-validation curve of penaltyFit.
%   PENALTYFITPLOT(B, FitInfo) draws the coefficient paths of a PENALTYFIT
%   fit against their l1 norm, one line per coefficient (row of B).
%   PENALTYFITPLOT(B, FitInfo, 'PlotType', TYPE) chooses the plot:
%
%     'L1'      the paths against sum(abs(B)) of each fit (the default)
%     'Lambda'  the paths against LAMBDA on a log scale, the largest LAMBDA
%               on the left (where every penalised coefficient is 0)
%     'CV'      the cross-validated error against LAMBDA on a log scale,
%               each point with its one-standard-error bar (FitInfo.SE),
%               the LAMBDA of the smallest error marked by a green circle
%               and a dashed line, the largest LAMBDA within one standard
%               error of it by a blue circle and a dotted line
%
%   and for 'Lambda' and 'L1' the two chosen LAMBDA are marked by the same
%   lines where FitInfo holds them (a fit with 'CV').
%   [AX, FIG, LINES] = PENALTYFITPLOT(...) returns the axes, the figure and
%   the handles of what was drawn: for the paths one line per row of B;
%   for 'CV' the error-bar curve, then the two circles and the two lines.
%
%   Arguments
%     B        p-by-L coefficients as PENALTYFIT returns them (ascending
%              LAMBDA); ignored for 'CV' (pass [] if you like).
%     FitInfo  the struct PENALTYFIT returns: Lambda (1-by-L) always; for
%              'CV' the error per LAMBDA, MSE (least squares) or Deviance
%              (binomial, Poisson), and SE, IndexMinMSE and Index1SE (or
%              IndexMinDeviance and Index1SE), as a fit with 'CV' returns
%              them.
%
%   Options (names in any case)
%     'PlotType'  'L1', 'Lambda' or 'CV', in any case.
%     'Parent'    axes to draw into; by default new axes in the current
%                 figure (a new figure if there is none).
%
%   Only positive LAMBDA can lie on a log scale: a LAMBDA of 0 is left out
%   of the 'Lambda' and 'CV' plots. The plots use nothing beyond PLOT,
%   ERRORBAR, LINE and LEGEND, so they draw in MATLAB and in Octave with any
%   graphics toolkit, without a display too: for example, in octave-cli,
%
%     graphics_toolkit ('gnuplot');
%     fig = figure ('visible', 'off');
%     penaltyFitPlot (B, FitInfo, 'PlotType', 'CV', 'Parent', axes ('parent', fig));
%     print (fig, '-dpngcairo', 'cv.png');   % '-dpng' needs Ghostscript
%
%   Errors (identifier: cause)
%     penaltyFitPlot:notEnoughInputs  fewer than two inputs
%     penaltyFitPlot:invalidB         B not a real p-by-L matrix, L =
%                                     numel(FitInfo.Lambda)
%     penaltyFitPlot:invalidFitInfo   FitInfo not a struct with Lambda
%     penaltyFitPlot:notCrossValidated 'CV' for a FitInfo without SE and
%                                     the error and indices of a CV fit
%     penaltyFitPlot:invalidOption    an option's name not a character row
%     penaltyFitPlot:unknownOption    an option's name not one of the above
%     penaltyFitPlot:missingValue     an option's name without a value
%     penaltyFitPlot:unknownPlotType  PlotType not 'L1', 'Lambda' or 'CV'
%     penaltyFitPlot:invalidParent    Parent not an axes handle
%
%   Example
%     randn ('seed', 1); X = randn (100, 10); y = X(:, 1:3) * [3; -2; 1] + randn (100, 1);
%     [B, info] = penaltyFit (X, y, 'mcp', 'CV', 5);
%     subplot (1, 2, 1); penaltyFitPlot (B, info, 'PlotType', 'Lambda', 'Parent', gca);
%     subplot (1, 2, 2); penaltyFitPlot (B, info, 'PlotType', 'CV', 'Parent', gca);
%
%   See also PENALTYFIT, PENALTYFITFOLDS.

if nargin < 2
  error ('penaltyFitPlot:notEnoughInputs', 'penaltyFitPlot needs B and FitInfo; %d inputs given.', nargin);
end
[type, parent] = plot_options (varargin);
if ~isstruct (FitInfo) || ~isscalar (FitInfo) || ~isfield (FitInfo, 'Lambda') || ~isnumeric (FitInfo.Lambda) ...
    || ~isreal (FitInfo.Lambda)
  error ('penaltyFitPlot:invalidFitInfo', 'FitInfo must be the struct penaltyFit returns (with a field Lambda).');
end
lambda = double (FitInfo.Lambda(:)');
L = numel (lambda);
if ~strcmp (type, 'cv') && (~isnumeric (B) || ~isreal (B) || ndims (B) ~= 2 || size (B, 2) ~= L)
  error ('penaltyFitPlot:invalidB', 'B must be a real p-by-%d matrix (one column per LAMBDA); received a %s %s.', ...
         L, sprintf ('%d-by-%d', size (B, 1), size (B, 2)), class (B));
end
if isempty (parent)
  parent = newplot ();
end
ax = parent;
fig = ancestor (ax, 'figure');
held = ishold (ax);
restore_hold = onCleanup (@() set_hold (ax, held));
if strcmp (type, 'cv')
  lines = plot_cv (ax, FitInfo, lambda);
else
  lines = plot_paths (ax, full (double (B)), FitInfo, lambda, type);
end
if nargout == 0
  clear ax;
end
end

function [type, parent] = plot_options (args)
type = 'l1';
parent = [];
known = {'PlotType', 'Parent'};
for k = 1:2:numel (args)
  option = args{k};
  if ~ischar (option) || size (option, 1) ~= 1
    error ('penaltyFitPlot:invalidOption', 'Option names must be character rows; input %d is a %s.', k + 2, class (option));
  end
  match = find (strcmpi (option, known));
  if isempty (match)
    error ('penaltyFitPlot:unknownOption', 'Unknown option ''%s''; the options are %s.', option, strjoin (known, ', '));
  end
  if k == numel (args)
    error ('penaltyFitPlot:missingValue', 'Option ''%s'' has no value.', known{match});
  end
  value = args{k + 1};
  if match == 1
    types = {'l1', 'lambda', 'cv'};
    if ~ischar (value) || ~any (strcmpi (value, types))
      error ('penaltyFitPlot:unknownPlotType', 'PlotType must be ''L1'', ''Lambda'' or ''CV''.');
    end
    type = lower (value);
  else
    if ~(isscalar (value) && ishghandle (value) && strcmp (get (value, 'type'), 'axes'))
      error ('penaltyFitPlot:invalidParent', 'Parent must be an axes handle.');
    end
    parent = value;
  end
end
end

function lines = plot_paths (ax, B, FitInfo, lambda, type)
if strcmp (type, 'lambda')
  keep = lambda > 0;
  x = lambda(keep);
  B = B(:, keep);
else
  x = sum (abs (B), 1);
end
lines = plot (ax, x, B', 'linewidth', 1);
hold (ax, 'on');
if strcmp (type, 'lambda')
  set (ax, 'xscale', 'log', 'xdir', 'reverse');
  xlabel (ax, '\lambda');
else
  xlabel (ax, 'l1 norm of the coefficients');
end
ylabel (ax, 'coefficients');
[index_min, index_1se] = chosen_indices (FitInfo);
if ~isempty (index_min)
  at = [index_min, index_1se];
  if strcmp (type, 'lambda')
    positions = lambda(at);
  else
    positions = sum (abs (B(:, at)), 1);
  end
  limits = ylim_of (B);
  line ([1 1] * positions(1), limits, 'parent', ax, 'color', [0 0.6 0], 'linestyle', '--');
  line ([1 1] * positions(2), limits, 'parent', ax, 'color', [0 0 0.8], 'linestyle', ':');
end
title (ax, sprintf ('%s paths', penalty_label (FitInfo)));
grid (ax, 'on');
end

function lines = plot_cv (ax, FitInfo, lambda)
[err, label] = cv_error (FitInfo);
[index_min, index_1se] = chosen_indices (FitInfo);
if isempty (err) || ~isfield (FitInfo, 'SE') || isempty (index_min)
  error ('penaltyFitPlot:notCrossValidated', ...
         'PlotType ''CV'' needs the FitInfo of a fit with ''CV'' (MSE or Deviance, SE, the chosen indices).');
end
se = double (FitInfo.SE(:)');
keep = lambda > 0 & isfinite (err);
curve = errorbar (ax, lambda(keep), err(keep), se(keep));
set (curve, 'color', [0.8 0 0]);
hold (ax, 'on');
set (ax, 'xscale', 'log', 'xdir', 'reverse');
at = [index_min, index_1se];
marks = plot (ax, lambda(at(1)), err(at(1)), 'o', lambda(at(2)), err(at(2)), 'o', 'markersize', 8, 'linewidth', 1.5);
set (marks(1), 'color', [0 0.6 0]);
set (marks(2), 'color', [0 0 0.8]);
limits = ylim_of ([err(keep) - se(keep), err(keep) + se(keep)]);
minimum = line ([1 1] * lambda(at(1)), limits, 'parent', ax, 'color', [0 0.6 0], 'linestyle', '--');
one_se = line ([1 1] * lambda(at(2)), limits, 'parent', ax, 'color', [0 0 0.8], 'linestyle', ':');
legend ([curve; marks(:)], {sprintf('cross-validated %s', label), sprintf('minimum, \\lambda = %.3g', lambda(at(1))), ...
        sprintf('1 SE, \\lambda = %.3g', lambda(at(2)))}, 'location', 'northwest');
xlabel (ax, '\lambda');
ylabel (ax, label);
title (ax, sprintf ('%s: cross-validated %s', penalty_label (FitInfo), label));
grid (ax, 'on');
lines = [curve; marks(:); minimum; one_se];
end

function [err, label] = cv_error (FitInfo)
err = [];
label = '';
if isfield (FitInfo, 'Deviance') && isfield (FitInfo, 'IndexMinDeviance')
  err = double (FitInfo.Deviance(:)');
  label = 'deviance';
elseif isfield (FitInfo, 'MSE') && isfield (FitInfo, 'IndexMinMSE')
  err = double (FitInfo.MSE(:)');
  label = 'MSE';
end
end

function [index_min, index_1se] = chosen_indices (FitInfo)
index_min = [];
index_1se = [];
for field = {'IndexMinMSE', 'IndexMinDeviance'}
  if isfield (FitInfo, field{1}) && isfield (FitInfo, 'Index1SE')
    index_min = FitInfo.(field{1});
    index_1se = FitInfo.Index1SE;
  end
end
valid = @(k) isnumeric (k) && isscalar (k) && k >= 1 && k <= numel (FitInfo.Lambda) && k == fix (k);
if ~(valid (index_min) && valid (index_1se))
  index_min = [];
  index_1se = [];
end
end

function t = penalty_label (FitInfo)
t = 'penaltyFit';
if isfield (FitInfo, 'Penalty') && ischar (FitInfo.Penalty)
  t = FitInfo.Penalty;
  if isfield (FitInfo, 'Theta') && isnumeric (FitInfo.Theta) && isscalar (FitInfo.Theta)
    t = sprintf ('%s, \\theta = %g', t, FitInfo.Theta);
  end
end
end

function limits = ylim_of (values)
values = values(isfinite (values));
if isempty (values)
  limits = [-1 1];
  return;
end
lo = min (values(:));
hi = max (values(:));
pad = 0.05 * max (hi - lo, max (abs ([lo hi])) + (hi == lo));
limits = [lo - pad, hi + pad];
end

function set_hold (ax, held)
if ishghandle (ax)
  if held
    hold (ax, 'on');
  else
    hold (ax, 'off');
  end
end
end

%!shared info, B
%! lambda = logspace (-3, 0, 12);
%! B = [linspace(2, 0, 12); linspace(-1, 0, 12); [linspace(0.5, 0, 6) zeros(1, 6)]];
%! info = struct ('Lambda', lambda, 'MSE', 1 + (log10 (lambda) + 1.5).^2, 'SE', 0.3 * ones (1, 12), ...
%!                'IndexMinMSE', 6, 'Index1SE', 8, 'LambdaMinMSE', lambda(6), 'Lambda1SE', lambda(8), ...
%!                'Penalty', 'mcp', 'Theta', 3);
%!function check_png (draw)
%!  % Every plot type draws headless with gnuplot and prints a real PNG.
%!  toolkit = graphics_toolkit ();
%!  quiet = warning ('off', 'all');
%!  graphics_toolkit ('gnuplot');
%!  fig = figure ('visible', 'off');
%!  unwind_protect
%!    [ax, f, lines] = draw (axes ('parent', fig));
%!    assert (f, fig);
%!    assert (all (ishghandle (lines)));
%!    file = [tempname() '.png'];
%!    print (fig, '-dpngcairo', '-r50', file);
%!    fid = fopen (file, 'r'); signature = fread (fid, 8, 'uint8')'; fclose (fid); delete (file);
%!    assert (signature, [137 80 78 71 13 10 26 10]);
%!  unwind_protect_cleanup
%!    close (fig);
%!    graphics_toolkit (toolkit);
%!    warning (quiet);
%!  end_unwind_protect
%!endfunction
%!test
%! check_png (@(a) penaltyFitPlot (B, info, 'PlotType', 'Lambda', 'Parent', a));
%!test
%! check_png (@(a) penaltyFitPlot (B, info, 'plottype', 'l1', 'Parent', a));
%!test
%! % CV: the curve, two circles and two lines; a GLM's Deviance in place of MSE.
%! glm = rmfield (info, {'MSE', 'IndexMinMSE'});
%! glm.Deviance = info.MSE; glm.IndexMinDeviance = 6;
%! check_png (@(a) penaltyFitPlot ([], glm, 'PlotType', 'CV', 'Parent', a));
%!test
%! % The paths: one line per coefficient, x the l1 norm of each fit.
%! toolkit = graphics_toolkit (); graphics_toolkit ('gnuplot'); fig = figure ('visible', 'off');
%! [ax, f, lines] = penaltyFitPlot (B, info, 'Parent', axes ('parent', fig));
%! assert (numel (lines), 3);
%! assert (get (lines(1), 'xdata'), sum (abs (B), 1));
%! close (fig); graphics_toolkit (toolkit);
%!error id=penaltyFitPlot:unknownPlotType penaltyFitPlot (B, info, 'PlotType', 'path')
%!error id=penaltyFitPlot:notCrossValidated penaltyFitPlot (B, struct ('Lambda', info.Lambda), 'PlotType', 'CV')
%!error id=penaltyFitPlot:invalidB penaltyFitPlot (B(:, 1:3), info)
%!error id=penaltyFitPlot:invalidFitInfo penaltyFitPlot (B, 1)
%!error id=penaltyFitPlot:missingValue penaltyFitPlot (B, info, 'PlotType')
