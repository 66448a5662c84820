function build_mex(out_dir)
%BUILD_MEX Compile every MEX function of the toolbox from the sources.
%   BUILD_MEX() builds the MEX files into mex_build/ at the project's root,
%   BUILD_MEX(DIR) into DIR, and writes the help files and the functions
%   written in M beside them (ASSEMBLE_HELP fills in their shared text). The
%   sources, the floating-point flags and the list of functions come from
%   sources.mk, the description every other build reads. In MATLAB it calls
%   mex with the 32-bit-dimension API (-compatibleArrayDims); in Octave it
%   calls mkoctfile --mex. Either way the arithmetic stays in source order:
%   no contraction into fused multiply-add, no fast-math.
here = fileparts(mfilename('fullpath'));
root = fileparts(here);
if nargin < 1
    out_dir = fullfile(root, 'mex_build');
end
if ~exist(out_dir, 'dir')
    mkdir(out_dir);
end
build = read_sources(fullfile(root, 'sources.mk'));
includes = strcat('-I', fullfile(root, [build.PENALTY_KERNEL_INCLUDE_DIRS, build.PENALTY_GATEWAY_INCLUDE_DIRS]));
shared = fullfile(root, [build.PENALTY_KERNEL_SOURCES, build.PENALTY_GATEWAY_SOURCES]);
is_octave = exist('OCTAVE_VERSION', 'builtin') ~= 0;
if is_octave
    % mkoctfile takes its flags from CXXFLAGS; the caller's value comes back afterwards.
    saved_flags = getenv('CXXFLAGS');
    restore = onCleanup(@() setenv('CXXFLAGS', saved_flags));
    setenv('CXXFLAGS', ['-O2 -std=c++20 -fPIC ' gnu_fp_flags(build)]);
end
for name = build.PENALTY_GATEWAYS
    sources = [fullfile(root, 'matlab', [name{1} '.cpp']), shared];
    if is_octave
        output = fullfile(out_dir, [name{1} '.mex']);
        [status, text] = system(sprintf('mkoctfile --mex %s -o "%s" %s', ...
            strjoin(includes, ' '), output, sprintf('"%s" ', sources{:})));
        if status ~= 0
            error('build_mex:compileFailed', 'mkoctfile failed for %s:\n%s', name{1}, text);
        end
    else
        mex('-compatibleArrayDims', matlab_flags(build), includes{:}, '-outdir', out_dir, ...
            '-output', name{1}, sources{:});
    end
end
help_files = [strcat(fullfile(here, 'help', filesep), build.PENALTY_GATEWAYS, '.m'), ...
              fullfile(root, [build.PENALTY_HELP_FILES, build.PENALTY_M_FILES])];
assemble_help(out_dir, help_files{:});
fprintf('build_mex: %s built in %s\n', strjoin(build.PENALTY_GATEWAYS, ', '), out_dir);
end

function build = read_sources(file)
% The variables of sources.mk (make syntax, NAME = words, \ continues a line).
text = regexprep(fileread(file), '\\\s*\n', ' ');
build = struct();
lines = regexp(text, '^([A-Z0-9_]+) = ([^\n]*)$', 'tokens', 'lineanchors');
for k = 1:numel(lines)
    build.(lines{k}{1}) = regexp(strtrim(lines{k}{2}), '\s+', 'split');
end
end

function flags = gnu_fp_flags(build)
flags = strjoin(build.PENALTY_FP_FLAGS, ' ');
if any(strcmp(computer('arch'), {'win32', 'glnx86'}))
    flags = [flags ' ' strjoin(build.PENALTY_FP_FLAGS_X86_32, ' ')];
end
if ispc
    % GCC on Windows (MinGW-w64, binutils 2.38 or later)
    flags = [flags ' ' strjoin(build.PENALTY_FLAGS_MINGW, ' ')];
end
end

function flags = matlab_flags(build)
% Microsoft's compiler keeps source order under /fp:precise, which does not
% contract; GCC and Clang need contraction switched off explicitly.
compiler = mex.getCompilerConfigurations('C++', 'Selected');
if ~isempty(compiler) && ~isempty(strfind(compiler.ShortName, 'MSVC'))
    flags = ['COMPFLAGS=$COMPFLAGS /std:c++20 /O2 ' strjoin(build.PENALTY_FP_FLAGS_MSVC, ' ')];
else
    flags = ['CXXFLAGS=$CXXFLAGS -std=c++20 -O2 ' gnu_fp_flags(build)];
end
end
