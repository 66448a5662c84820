function [device, restore] = demo_png_device(varargin)
%DEMO_PNG_DEVICE The print device the demos draw their PNG files with.
%   [DEVICE, RESTORE] = DEMO_PNG_DEVICE(WARNING_ID, ...) is '-dpng' in
%   MATLAB. In Octave it switches to gnuplot, which draws without a
%   display, gives '-dpngcairo', and silences Octave's notes on that
%   choice and on the formats that would need Ghostscript (they say nothing
%   about these files), and the warnings named. RESTORE puts the toolkit
%   and the warnings back when it is cleared: hold it until the figure is
%   printed.
device = '-dpng';
restore = [];
if exist('OCTAVE_VERSION', 'builtin')
    ids = [{'Octave:gnuplot-graphics', 'print:nogs'}, varargin];
    quiet = warning('off', ids{1});
    for k = 2:numel(ids)
        quiet(end + 1) = warning('off', ids{k});
    end
    toolkit = graphics_toolkit();
    restore = onCleanup(@() restore_drawing(quiet, toolkit));
    graphics_toolkit('gnuplot');
    device = '-dpngcairo';
end
end

function restore_drawing(quiet, toolkit)
warning(quiet);
graphics_toolkit(toolkit);
end
