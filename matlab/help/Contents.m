% Nonconvex sparsity penalties: proximal maps, values and derivatives.
%
%   penaltyProx       - Proximal map with a step size and per-element
%                       weights: l1, l0, capped-l1, log-sum, SCAD, MCP.
%   penaltyValue      - The penalty of each element.
%   penaltyDerivative - Its derivative: the weights of reweighted l1 (LLA).
%   penaltyShrink     - Proximal map (thresholding function) of capped-l1,
%                       log-sum, SCAD or MCP with a unit step.
%   penaltySum        - Capped-l1, log-sum, SCAD or MCP summed over a vector.
%
%   Penalty codes: 1 capped-l1, 2 log-sum, 3 SCAD, 4 MCP.
%
%   From 65536 elements on, every function spreads its work over the cores
%   this process may use, with results the same to the bit; the environment
%   variable OMP_NUM_THREADS caps the number of threads.
