%PENALTYSHRINK Proximal map (thresholding) of a nonconvex sparsity penalty.
%   Y = PENALTYSHRINK(X, N, LAMBDA, THETA, CODE) returns the N-by-1 vector
%   whose element i is the minimiser u of 0.5*(u - X(i))^2 + p(u), where p
%   is the penalty CODE selects, with weight LAMBDA and shape THETA:
%
%     CODE   penalty      p(u) for a = |u|
%     1      capped-l1    LAMBDA*min(a, THETA)
%     2      log-sum      LAMBDA*log(1 + a/THETA)
%     3      SCAD         LAMBDA*a, quadratic, then LAMBDA^2*(THETA+1)/2
%     4      MCP          a*(LAMBDA - a/(2*THETA)), then LAMBDA^2*THETA/2
%     other  capped-l1
%
%   Only the first N stored elements of X are read; X must be a real, full
%   double array. N and CODE are truncated toward zero.
%
%   See also PENALTYSUM.
