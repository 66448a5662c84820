% Nonconvex sparsity penalties: proximal maps and penalty values.
%
%   penaltyShrink - Proximal map (thresholding function) of capped-l1,
%                   log-sum, SCAD or MCP, element by element.
%   penaltySum    - The same penalties summed over a vector.
%
%   Penalty codes: 1 capped-l1, 2 log-sum, 3 SCAD, 4 MCP.
