function plot_penalties(png_file)
% One row per penalty (lambda = 1): its proximal map at step sizes 1 and 0.5
% (penaltyProx), its value (penaltyValue) and its derivative in |x|
% (penaltyDerivative), drawn without a display into PNG_FILE.
graphics_toolkit('gnuplot');
rows = {'l1', [], 'l1';
        'l0', [], 'l0';
        'capped-l1', 2, 'capped-l1 (\theta = 2)';
        'log-sum', 0.5, 'log-sum (\theta = 0.5)';
        'scad', 3.7, 'SCAD (\theta = 3.7)';
        'mcp', 3, 'MCP (\theta = 3)'};
x = linspace(-5, 5, 2001);
count = size(rows, 1);
f = figure('visible', 'off', 'position', [0 0 1050 210 * count]);
for r = 1:count
    [name, theta, label] = rows{r, :};
    subplot(count, 3, 3 * r - 2);
    plot(x, x, 'k:', x, penaltyProx(x, name, 1, theta), 'b-', x, penaltyProx(x, name, 1, theta, 0.5), 'r--', ...
         'linewidth', 1.5);
    axis([-5 5 -5 5]); grid on;
    ylabel(label);
    if r == 1
        title('proximal map, step 1 (solid) and 0.5 (dashed)');
    end
    subplot(count, 3, 3 * r - 1);
    plot(x, penaltyValue(x, name, 1, theta), 'b-', 'linewidth', 1.5);
    axis([-5 5 0 5]); grid on;
    if r == 1
        title('penalty p(x)');
    end
    subplot(count, 3, 3 * r);
    plot(x, penaltyDerivative(x, name, 1, theta), 'b-', 'linewidth', 1.5);
    axis([-5 5 0 2.5]); grid on;
    if r == 1
        title('derivative p''(|x|), right-sided');
    end
end
print(f, '-dpngcairo', '-r80', png_file);
close(f);
end
