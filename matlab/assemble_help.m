function assemble_help(out_dir, varargin)
%ASSEMBLE_HELP Write the shipped .m files, their shared help filled in.
%   ASSEMBLE_HELP(DIR, FILE, ...) writes each FILE into DIR under its own
%   name, every line "%@ NAME" in it replaced by the lines of
%   help/shared/NAME.txt beside this file (which may hold such lines too).
%   A fragment may be cut into sections, each begun by a line "%@@ SECTION"
%   (the rest of that line a note for its reader); "%@ NAME SECTION" then
%   takes every section of that name, in order (so one block per penalty
%   feeds every help file's table), and the lines before the first
%   section are not shipped. Every build ships its .m files through here
%   (CMake, the Octave package, BUILD_MEX), so a text that several help
%   files share is written once.
shared = fullfile(fileparts(mfilename('fullpath')), 'help', 'shared');
if ~exist(out_dir, 'dir')
    mkdir(out_dir);
end
for k = 1:numel(varargin)
    [~, name, ext] = fileparts(varargin{k});
    text = strjoin(expanded(varargin{k}, shared, 0), sprintf('\n'));
    target = fullfile(out_dir, [name ext]);
    fid = fopen(target, 'w');
    if fid < 0
        error('assemble_help:cannotWrite', 'Cannot write %s.', target);
    end
    fwrite(fid, text);
    fclose(fid);
end
end

function lines = expanded(file, shared, depth)
% The lines of FILE with its fragments in place (the last element is what
% follows the final newline: '' for a file that ends in one).
lines = regexp(fileread(file), '\n', 'split');
k = 1;
while k <= numel(lines)
    fragment = regexp(lines{k}, '^%@ ([A-Za-z0-9_-]+)(?: ([A-Za-z0-9_-]+))?\s*$', 'tokens', 'once');
    if isempty(fragment)
        k = k + 1;
        continue;
    end
    source = fullfile(shared, [fragment{1} '.txt']);
    if depth > 8 || ~exist(source, 'file')
        error('assemble_help:badFragment', '%s: no fragment %s (or fragments nest too deep).', file, source);
    end
    inner = expanded(source, shared, depth + 1);
    if isempty(inner{end})
        inner(end) = [];
    end
    section = '';
    if numel(fragment) > 1
        section = fragment{2};
    end
    inner = section_lines(inner, section, file, source);
    lines = [lines(1:k - 1), inner, lines(k + 1:end)];
    k = k + numel(inner);
end
end

function picked = section_lines(lines, section, file, source)
% The lines of every section named SECTION, in order; a fragment without
% sections is taken whole, and one with sections only by a section's name.
marks = regexp(lines, '^%@@ ([A-Za-z0-9_-]+)', 'tokens', 'once');
is_mark = ~cellfun(@isempty, marks);
if ~any(is_mark) && isempty(section)
    picked = lines;
    return;
end
current = cell(size(lines));
name = '';
for k = 1:numel(lines)
    if is_mark(k)
        name = marks{k}{1};
    end
    current{k} = name;
end
picked = lines(strcmp(current, section) & ~is_mark);
if isempty(section) || isempty(picked)
    error('assemble_help:badFragment', '%s: %s has no section ''%s'' (a fragment with sections needs one).', ...
          file, source, section);
end
end
