#!/usr/bin/env python3
"""Turns the samples of bench_start and frame_bench into the benchmark table of make bench.

    bench-table.py <samples file> <zelvix.exe (i686)>

Each figure is the program's median against the floor's median, and the ratio as the median
(lowest-highest) of the per-pair ratios: a start-up of each, a round of frame_bench, a memory run
with both side by side. Idle CPU (a share of one core) has its target on the program's own
figure. Exits non-zero when a figure has no samples."""
import statistics
import sys

SIZE_TARGET = 400 * 1024


def main():
    samples_path, exe_path = sys.argv[1], sys.argv[2]
    series = {}
    settle_s, idle_s = 10, 60
    for line in open(samples_path, encoding="utf-8", errors="replace"):
        parts = line.split()
        if len(parts) in (2, 3) and parts[0] == "settle":   # settle <ms> [<idle ms>]
            settle_s = int(parts[1]) / 1000
            idle_s = int(parts[2]) / 1000 if len(parts) == 3 else idle_s
        if len(parts) < 3 or parts[0] not in ("startup", "tick", "paint", "memory", "idle"):
            continue
        if parts[0] == "memory":
            series.setdefault(("ws", parts[1]), []).append(int(parts[2]))
            series.setdefault(("private", parts[1]), []).append(int(parts[3]))
        else:
            series.setdefault((parts[0], parts[1]), []).append(float(parts[2]))

    # key, title, unit, scale, target (on the ratio; for idle, on the program's own figure), floor
    rows = [
        ("startup", "Start-up to first paint", "ms", 1.0, 1.15, "bare window painted once"),
        ("tick", "Tick (one PublishRegion)", "µs", 1.0, 1.10, "7 open/write/close triples"),
        ("paint", "Paint, frame + 6 buttons, memory DC", "µs", 1.0, None, "one solid fill, 800 × 476"),
        ("ws", "Working set {:g} s after start".format(settle_s), "MB", 1 / 1048576, 1.15, "bare window"),
        ("private", "Private bytes {:g} s after start".format(settle_s), "MB", 1 / 1048576, 1.15, "bare window"),
        ("idle", "Idle CPU over {:g} s, share of one core".format(idle_s), "%", 1.0, 0.1, "bare window"),
    ]
    missing = []
    out = ["| Figure | zelvix | floor | ratio: median (min–max) | runs | target | met |",
           "|---|---|---|---|---|---|---|"]

    def ratios(program, floor):
        return [p / f for p, f in zip(program, floor) if f > 0]

    for key, title, unit, scale, target, floor_what in rows:
        program, floor = series.get((key, "program"), []), series.get((key, "floor"), [])
        n = min(len(program), len(floor))
        if n == 0:
            missing.append(title)
            continue
        if key == "idle":
            # An idle floor may use no measurable time at all, so no ratio: the share itself counts.
            share = statistics.median(program)
            out.append("| {} | {:.3f} % | {:.3f} % ({}) | — | {} | ≤ {:g} % | {} |".format(
                title, share, statistics.median(floor), floor_what, n, target,
                "yes" if share <= target else "**no**"))
            continue
        r = ratios(program, floor)
        ratio = statistics.median(r)
        fmt = "{:.1f}" if unit != "µs" else "{:.0f}" if statistics.median(program) > 100 else "{:.1f}"
        met = "—" if target is None else ("yes" if ratio <= target else "**no**")
        out.append("| {} | {} {} | {} {} ({}) | {:.3f}× ({:.2f}–{:.2f}) | {} | {} | {} |".format(
            title, fmt.format(statistics.median(program) * scale), unit,
            fmt.format(statistics.median(floor) * scale), unit, floor_what,
            ratio, min(r), max(r), n,
            "—" if target is None else "≤ {:.2f}×".format(target), met))
    try:
        import os
        size = os.path.getsize(exe_path)
        out.append("| Size of the i686 zelvix.exe | {:.1f} KB ({} bytes) | — | — | — | ≤ 400 KB | {} |".format(
            size / 1024, size, "yes" if size <= SIZE_TARGET else "**no**"))
    except OSError:
        missing.append("size of " + exe_path)
    print("\n".join(out))
    if missing:
        print("bench: no samples for: " + ", ".join(missing), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
