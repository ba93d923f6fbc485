#!/usr/bin/env python3
"""Tables of a bench/side_by_side.sh run: for every benchmark the fastest repetition of every
configuration (before, after, scalar) over all rounds, in CPU time and in wall time, per node
(per edge for flux_in_cache), and the after/before and scalar/before ratios.
Usage: bench/side_by_side_table.py OUT_DIR [NAME_REGEX]"""
import glob
import json
import os
import re
import sys

UNIT = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def fastest(out_dir):
    best = {}  # (config, name) -> (cpu_ns, real_ns, per)
    loads = {}
    for path in sorted(glob.glob(os.path.join(out_dir, "*.json"))):
        config = path.rsplit("-", 2)[-2]
        try:
            data = json.load(open(path))
        except json.JSONDecodeError:  # a run still writing
            continue
        loads.setdefault(config, []).append(data["context"]["load_avg"][0])
        for b in data["benchmarks"]:
            if b.get("run_type") != "iteration" or b.get("error_occurred"):
                continue
            name = b["name"].replace("/real_time", "")
            scale = UNIT[b["time_unit"]]
            count = b.get("edges", 1.0) if name.startswith("flux_in_cache") else b.get("nodes", 1.0)
            cpu = b["cpu_time"] * scale / count
            real = b["real_time"] * scale / count
            key = (config, name)
            old = best.get(key)
            best[key] = (min(cpu, old[0]) if old else cpu, min(real, old[1]) if old else real)
    return best, loads


def main():
    out_dir = sys.argv[1]
    pattern = re.compile(sys.argv[2] if len(sys.argv) > 2 else ".")
    best, loads = fastest(out_dir)
    for config, values in sorted(loads.items()):
        print(f"load average (1 min) at the start of the {config} runs: "
              f"{min(values):.1f} to {max(values):.1f}")
    names = sorted({n for (_, n) in best if pattern.search(n)})
    print("| benchmark | before cpu | after cpu | scalar cpu | after/before | scalar/before |"
          " before wall | after wall | after/before wall |")
    print("|---|---|---|---|---|---|---|---|---|")
    for n in names:
        b = best.get(("before", n))
        a = best.get(("after", n))
        s = best.get(("scalar", n))
        if not (b and a):
            continue
        sc = f"{s[0]:.1f}" if s else "-"
        sr = f"{s[0] / b[0]:.2f}" if s else "-"
        print(f"| {n} | {b[0]:.1f} | {a[0]:.1f} | {sc} | {a[0] / b[0]:.2f} | {sr} |"
              f" {b[1]:.1f} | {a[1]:.1f} | {a[1] / b[1]:.2f} |")


if __name__ == "__main__":
    main()
