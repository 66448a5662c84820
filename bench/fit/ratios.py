#!/usr/bin/python3
"""ratios.py ROWS LIMIT...: the ratio table of the path benchmark, from the
table rows fit_bench.m wrote (| case | tool | path | seconds | gap | note |).

For each case and each LIMIT on the gap, every tool's lasso time is that of
the fastest of its settings whose path reaches the best objective to within
LIMIT at every lambda; our nonconvex paths, fitted at the loosest RelTol
whose lasso is within the tightest LIMIT (where none is, at the tightest
RelTol), are set against glmnet's lasso at each LIMIT. A tool with no
setting within LIMIT gets no ratio."""
import sys


def median_seconds(cell):
    return float(cell.split()[0]) if cell[:1].isdigit() else None


def main():
    rows = []
    for line in open(sys.argv[1]):
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) == 6:
            rows.append(cells)
    limits = sorted((float(a) for a in sys.argv[2:]), reverse=True)
    cases = list(dict.fromkeys(r[0] for r in rows))
    print("| case | ratio of times | " + " | ".join(f"gap <= {x:g}" for x in limits) + " |")
    print("|---|---|" + "---|" * len(limits))
    for case in cases:
        mine = [r for r in rows if r[0] == case]

        def fastest(tool, limit):
            found = [(median_seconds(r[3]), r[2]) for r in mine
                     if r[1] == tool and r[2].startswith("lasso") and r[4] != "-"
                     and float(r[4]) <= limit and median_seconds(r[3])]
            return min(found) if found else (None, None)

        def cell(a, b):
            return f"{a / b:.2f}" if a and b else "-"

        lines = {"lasso / glmnet lasso": [], "lasso / sklearn lasso_path": []}
        glmnet = []
        for limit in limits:
            ours, peer, sk = fastest("penaltyFit", limit), fastest("glmnet", limit), fastest("sklearn", limit)
            lines["lasso / glmnet lasso"].append(cell(ours[0], peer[0]))
            lines["lasso / sklearn lasso_path"].append(cell(ours[0], sk[0]))
            glmnet.append(peer[0])
        for r in mine:
            if r[1] == "penaltyFit" and not r[2].startswith("lasso") and "X" not in r[2]:
                name = r[2].split(",")[0]
                lines[f"{name} / glmnet lasso"] = [cell(median_seconds(r[3]), g) for g in glmnet]
        for what, cells in lines.items():
            print(f"| {case} | {what} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
