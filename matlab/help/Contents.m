% sparsepenalty: nonconvex sparsity penalties, their prox maps and values
% Version 1.0.0 09-Dec-2026
%
%@ functions
%   sparsepenalty     - Overview: the penalties, threads, demos, license.
