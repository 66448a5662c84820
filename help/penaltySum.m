%PENALTYSUM Value of a nonconvex sparsity penalty summed over a vector.
%   S = PENALTYSUM(X, N, LAMBDA, THETA, CODE) returns the 1-by-1 sum over
%   the first N stored elements of X of the penalty CODE selects:
%
%     CODE   penalty      p(a) for a = |x|
%     1      capped-l1    LAMBDA*min(a, THETA)
%     2      log-sum      LAMBDA*log(1 + a/THETA)
%     3      SCAD         LAMBDA*a, quadratic, then LAMBDA^2*(THETA+1)/2
%     4      MCP          a*(LAMBDA - a/(2*THETA)), then LAMBDA^2*THETA/2
%     other  capped-l1
%
%   See also PENALTYSHRINK.
