function build_mex(out_dir)
%BUILD_MEX Compile penaltyShrink and penaltySum from the sources.
%   BUILD_MEX() builds both MEX files into ./mex_build, BUILD_MEX(DIR) into
%   DIR, and copies the help files beside them. In MATLAB it calls mex with
%   the 32-bit-dimension API (-compatibleArrayDims); in Octave it calls
%   mkoctfile --mex. Either way the arithmetic stays in source order: no
%   contraction into fused multiply-add, no fast-math.
root = fileparts(mfilename('fullpath'));
if nargin < 1
    out_dir = fullfile(root, 'mex_build');
end
if ~exist(out_dir, 'dir')
    mkdir(out_dir);
end
includes = strcat('-I', fullfile(root, {'penalty_codes', 'mex_gateway', 'natural_log', 'simd', 'shrink', 'penalty_sum'}));
gateway = {fullfile(root, 'mex_gateway', 'gateway_args.cpp'), fullfile(root, 'natural_log', 'natural_log.cpp'), ...
           fullfile(root, 'simd', 'simd_path.cpp')};
targets = {'penaltyShrink', 'shrink'; 'penaltySum', 'penalty_sum'};
is_octave = exist('OCTAVE_VERSION', 'builtin') ~= 0;
for t = 1:size(targets, 1)
    listing = dir(fullfile(root, targets{t, 2}, '*.cpp'));
    sources = fullfile(root, targets{t, 2}, {listing.name});
    if is_octave
        setenv('CXXFLAGS', '-O2 -std=c++20 -ffp-contract=off -fno-fast-math -fno-math-errno -fPIC');
        output = fullfile(out_dir, [targets{t, 1} '.mex']);
        [status, text] = system(sprintf('mkoctfile --mex %s -o "%s" %s', ...
            strjoin(includes, ' '), output, sprintf('"%s" ', sources{:}, gateway{:})));
        if status ~= 0
            error('build_mex:compileFailed', 'mkoctfile failed for %s:\n%s', targets{t, 1}, text);
        end
    else
        mex('-compatibleArrayDims', compiler_flags(), includes{:}, '-outdir', out_dir, ...
            '-output', targets{t, 1}, sources{:}, gateway{:});
    end
    copyfile(fullfile(root, 'help', [targets{t, 1} '.m']), out_dir);
end
copyfile(fullfile(root, 'help', 'Contents.m'), out_dir);
fprintf('build_mex: penaltyShrink and penaltySum built in %s\n', out_dir);
end

function flags = compiler_flags()
% Microsoft's compiler keeps source order under /fp:precise without
% /fp:contract; GCC and Clang need contraction switched off explicitly.
compiler = mex.getCompilerConfigurations('C++', 'Selected');
if ~isempty(compiler) && ~isempty(strfind(compiler.ShortName, 'MSVC'))
    flags = 'COMPFLAGS=$COMPFLAGS /std:c++20 /fp:precise /O2';
else
    flags = 'CXXFLAGS=$CXXFLAGS -std=c++20 -ffp-contract=off -fno-fast-math -fno-math-errno -O2';
end
end
