function report_recovery(label, stages, objective, x, x0)
% One row of the recovery tables: the objective, the error relative to the
% truth x0, the support found and its precision and recall.
found = x ~= 0;
truth = x0 ~= 0;
fprintf('%-30s %6d %10.6f %10.4f %8d %9.3f %7.3f\n', label, stages, objective, ...
        norm(x - x0) / norm(x0), sum(found), sum(found & truth) / max(sum(found), 1), ...
        sum(found & truth) / sum(truth));
end
