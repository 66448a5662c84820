function folder = demo_mex_folder()
%DEMO_MEX_FOLDER dist/octave or dist/windows of the source tree the demos belong to.
kind = 'windows';
if exist('OCTAVE_VERSION', 'builtin')
    kind = 'octave';
end
folder = fullfile(fileparts(fileparts(mfilename('fullpath'))), 'dist', kind);
end
